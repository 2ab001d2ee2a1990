// Cue points, play lists, labels, comments and labelled text.
#include "decoder_cases.h"

namespace {

const std::string Cue = "<cue > markers", Playlist = "<plst> playlist";
const std::string Label = "<labl> marker/region text", LabelledText = "<ltxt> region length";

std::string Point(const std::string& id, std::uint32_t position, std::uint32_t offset) {
  return id + U32(position) + "data" + U32(0) + U32(0) + U32(offset);
}
std::string Segment(const std::string& id, std::uint32_t length, std::uint32_t repeats) {
  return id + U32(length) + U32(repeats);
}
// Labelled text up to its text: identifier, length, purpose, then country,
// language, dialect and code page.
std::string Region(const std::string& id, std::uint32_t length, const std::string& purpose) {
  return id + U32(length) + purpose + U16(1) + U16(9) + U16(1) + U16(1252);
}

// Every decoder shows an item identifier by the same rule.
TEST(ItemIdentifier, TextFromFiveHundredMillionElseNumber) {
  const struct {
    const char* name;
    std::string id, shown;
  } ids[] = {{"JustBelowTheThreshold", U32(499999999), "499999999"},
             {"AtTheThresholdFirstByteNul", U32(500000000), ""},
             {"FourLetters", "M001", "M001"},
             {"StopsAtNul", "AB\0C"s, "AB"},
             {"AllBitsSet", U32(0xFFFFFFFF), "\xFF\xFF\xFF\xFF"}};
  std::vector<DecoderCase> cases;
  for (const auto& i : ids) {
    const std::string shown = "#" + i.shown;
    cases.push_back(
        {i.name,
         Riff(Chunk("cue ", U32(1) + Point(i.id, 0, 0)) +
              Chunk("plst", U32(1) + Segment(i.id, 1, 1)) +
              List("adtl", Chunk("labl", i.id + "L") + Chunk("ltxt", Region(i.id, 5, "rgn ")))),
         Decoded(Cue, {shown + " (playlist entry 0) @ 0 samples"}) +
             Decoded(Playlist, {shown + ": 1 samples x 1 repeat"}) + Lines(1, {"LIST 'adtl'"}) +
             Lines(2, {Label, "\t" + shown + ": \"L\"", LabelledText,
                       "\t" + shown + ": 5 samples as \"rgn \" "})});
  }
  CheckReports(cases);
}

TEST(CueAndPlaylist, CountsKeepTheirLowSevenBits) {
  const std::string points = Point(U32(1), 0, 44100) + Point(U32(2), 0xFFFFFFFF, 0x80000000);
  const std::string segments = Segment(U32(1), 22050, 1) + Segment(U32(2), 100, 3) +
                               Segment(U32(3), 0xFFFFFFFB, 0) + Segment("Intr", 9, 0xFFFFFFFF);
  CheckReports({
      {"Cue128IsZero", Riff(Chunk("cue ", U32(128) + points)), Lines(1, {Cue})},
      {"Cue130IsTwo", Riff(Chunk("cue ", U32(130) + points)),
       Decoded(Cue, {"#1 (playlist entry 0) @ 44100 samples",
                     "#2 (playlist entry -1) @ -2147483648 samples"})},
      {"CueCountBeyondTheFile", Riff(ChunkWithSize("cue ", 52, U32(2) + Point(U32(3), 1, 10))),
       Decoded(Cue, {"#3 (playlist entry 1) @ 10 samples", "#0 (playlist entry 0) @ 0 samples"})},
      {"PlaylistOfFour", Riff(Chunk("plst", U32(4) + segments)),
       Decoded(Playlist, {"#1: 22050 samples x 1 repeat", "#2: 100 samples x 3 repeats",
                          "#3: -5 samples x 0 repeats", "#Intr: 9 samples x -1 repeats"})},
      {"Playlist129IsOne", Riff(Chunk("plst", U32(129) + segments)),
       Decoded(Playlist, {"#1: 22050 samples x 1 repeat"})},
  });
}

TEST(LabelChunks, IdentifierAndQuotedText) {
  CheckReports({
      {"NoteTextEndsWithItsChunk",
       Riff(Chunk("note", "M001"s + "Take one\r\n") + Chunk("JUNK", "")),
       Decoded("<note> marker/region comment", {"#M001: \"Take one\""}) +
           Lines(1, {"<JUNK> obsolete data"})},
      {"NoText", Riff(Chunk("labl", U32(7))), Decoded(Label, {"#7: \"\""})},
      // Shorter than its identifier: the identifier runs into the next
      // chunk, and there is no text.
      {"TwoBytes", Riff(Chunk("labl", "ab") + Chunk("JUNK", "xyz")),
       Decoded(Label, {"#abJU: \"\""}) + Decoded("<JUNK> obsolete data", {"\"xyz\""})},
      {"LabelledTextEndsWithItsChunk",
       Riff(Chunk("ltxt", Region("Cho1", 0xFFFFFFFF, "ab\0\0"s) + "xy") + Chunk("JUNK", "")),
       Decoded(LabelledText, {"#Cho1: -1 samples as \"ab\" \"xy\""}) +
           Lines(1, {"<JUNK> obsolete data"})},
  });
}

}  // namespace
