// Cue points, play lists, labels, comments and labelled text.
#include <vector>

#include "decoder_cases.h"

using namespace wav;
using namespace std::string_literals;

namespace {

const std::string Cue = "<cue > markers";
const std::string Playlist = "<plst> playlist";
const std::string Label = "<labl> marker/region text";
const std::string Note = "<note> marker/region comment";
const std::string LabelledText = "<ltxt> region length";

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
    std::string id;
    std::string shown;
  } ids[] = {
      {"One", U32(1), "1"},
      {"Zero", U32(0), "0"},
      {"JustBelowTheThreshold", U32(499999999), "499999999"},
      {"BelowWithHighBytes", "\x7F\x7F\x7F\x1D", "494894975"},
      {"AtTheThresholdFirstByteNul", U32(500000000), ""},
      {"AboveFirstByteNul", "\0\0\0\x1E"s, ""},
      {"FourLetters", "M001", "M001"},
      {"StopsAtNul", "AB\0C"s, "AB"},
      {"OtherBytesUnchanged", "\x01\x02\x03\xE9", "\x01\x02\x03\xE9"},
      {"AllBitsSet", U32(0xFFFFFFFF), "\xFF\xFF\xFF\xFF"},
  };
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
             Lines(2, {Label}) + Lines(3, {shown + ": \"L\""}) + Lines(2, {LabelledText}) +
             Lines(3, {shown + ": 5 samples as \"rgn \" "})});
  }
  CheckReports(cases.data(), cases.data() + cases.size());
}

TEST(CueChunk, CountKeepsItsLowSevenBits) {
  const std::string three =
      Point(U32(1), 0, 44100) + Point(U32(2), 0xFFFFFFFF, 0x80000000) + Point("M003", 7, 8);
  const std::string first = "#1 (playlist entry 0) @ 44100 samples";
  const std::string second = "#2 (playlist entry -1) @ -2147483648 samples";
  const DecoderCase cases[] = {
      {"One", Riff(Chunk("cue ", U32(1) + three)), Decoded(Cue, {first})},
      {"Two", Riff(Chunk("cue ", U32(2) + three)), Decoded(Cue, {first, second})},
      {"Zero", Riff(Chunk("cue ", U32(0) + three)), Lines(1, {Cue})},
      {"128IsZero", Riff(Chunk("cue ", U32(128) + three)), Lines(1, {Cue})},
      {"130IsTwo", Riff(Chunk("cue ", U32(130) + three)), Decoded(Cue, {first, second})},
      {"HighBitsIgnored", Riff(Chunk("cue ", U32(0x80000001) + three)), Decoded(Cue, {first})},
      {"CountBeyondTheFile", Riff(ChunkWithSize("cue ", 52, U32(2) + Point(U32(3), 1, 10))),
       Decoded(Cue, {"#3 (playlist entry 1) @ 10 samples", "#0 (playlist entry 0) @ 0 samples"})},
  };
  CheckReports(cases);
}

TEST(PlaylistChunk, SegmentsWithTheirRepeats) {
  const std::string segments = Segment(U32(1), 22050, 1) + Segment(U32(2), 100, 3) +
                               Segment(U32(3), 0xFFFFFFFB, 0) + Segment("Intr", 9, 0xFFFFFFFF);
  const DecoderCase cases[] = {
      {"Four", Riff(Chunk("plst", U32(4) + segments)),
       Decoded(Playlist, {"#1: 22050 samples x 1 repeat", "#2: 100 samples x 3 repeats",
                          "#3: -5 samples x 0 repeats", "#Intr: 9 samples x -1 repeats"})},
      {"128IsZero", Riff(Chunk("plst", U32(128) + segments)), Lines(1, {Playlist})},
      {"129IsOne", Riff(Chunk("plst", U32(129) + segments)),
       Decoded(Playlist, {"#1: 22050 samples x 1 repeat"})},
  };
  CheckReports(cases);
}

TEST(LabelChunk, IdentifierAndQuotedText) {
  const DecoderCase cases[] = {
      {"Label", Riff(Chunk("labl", U32(1) + "Verse\0"s)), Decoded(Label, {"#1: \"Verse\""})},
      {"Note", Riff(Chunk("note", "M001"s + "Take one\r\n")),
       Decoded(Note, {"#M001: \"Take one\""})},
      {"NoText", Riff(Chunk("labl", U32(7))), Decoded(Label, {"#7: \"\""})},
      // Shorter than its identifier: the identifier runs into the next
      // chunk, and there is no text.
      {"TwoBytes", Riff(Chunk("labl", "ab") + Chunk("JUNK", "xyz")),
       Decoded(Label, {"#abJU: \"\""}) + Decoded("<JUNK> obsolete data", {"\"xyz\""})},
      {"ThreeBytesAndPad", Riff(Chunk("note", "\x05\0\0"s)), Decoded(Note, {"#5: \"\""})},
      {"TextCappedAt256", Riff(Chunk("labl", U32(2) + Fill(300, 't'))),
       Decoded(Label, {"#2: \"" + Fill(256, 't') + '"'})},
      {"CutByTheEndOfTheFile", Riff(ChunkWithSize("labl", 100, U32(3) + "short")),
       Decoded(Label, {"#3: \"short\""})},
  };
  CheckReports(cases);
}

TEST(LabelledTextChunk, RegionPurposeAndText) {
  const DecoderCase cases[] = {
      {"WithText", Riff(Chunk("ltxt", Region(U32(1), 44100, "rgn ") + "Chorus\0"s)),
       Decoded(LabelledText, {"#1: 44100 samples as \"rgn \" \"Chorus\""})},
      {"TwentyBytesNoText", Riff(Chunk("ltxt", Region(U32(1), 44100, "rgn "))),
       Decoded(LabelledText, {"#1: 44100 samples as \"rgn \" "})},
      {"OneByteOfText", Riff(Chunk("ltxt", Region("Cho1", 0xFFFFFFFF, "ab\0\0"s) + "x")),
       Decoded(LabelledText, {"#Cho1: -1 samples as \"ab\" \"x\""})},
      {"CutByTheEndOfTheFile", Riff(ChunkWithSize("ltxt", 20, U32(2) + U32(7))),
       Decoded(LabelledText, {"#2: 7 samples as \"\" "})},
  };
  CheckReports(cases);
}

}  // namespace
