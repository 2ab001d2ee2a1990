// Broadcast audio extension (bext, BEXT) and MPEG audio extension (mext,
// MEXT) chunks.
#include "decoder_cases.h"

namespace {

const std::string Bext = "<bext> broadcast audio extension";
const std::string Next = Decoded("<JUNK> obsolete data", {"\"next\""});

// The 602-byte fixed part.
std::string Fixed(unsigned version = 0, std::uint64_t timeReference = 0,
                  const std::string& umid = "", const std::string& description = "Take 2",
                  const std::string& originator = "Tarvo Recorder") {
  return Text(description, 256) + Text(originator, 32) + Text("REF-0042", 32) +
         Text("2024-01-02", 10) + Text("10:20:30", 8) + U64(timeReference) + U16(version) +
         Text(umid, 254);
}

// The chunk's line and the lines of the fixed part up to the version.
std::string FixedLines(const std::string& sampleCount = "0", const std::string& version = "0",
                       const std::string& description = "Take 2",
                       const std::string& originator = "Tarvo Recorder",
                       const std::string& chunkLine = Bext) {
  return Decoded(chunkLine,
                 {"Description: \"" + description + '"', "Originator: \"" + originator + '"',
                  "Originator reference: \"REF-0042\"", "Origination date: \"2024-01-02\"",
                  "Origination time: \"10:20:30\"",
                  "Sample count " + sampleCount + " since midnight", "Version " + version});
}

std::string History(const std::vector<std::string>& lines) {
  std::string text = Lines(2, {"Coding history: "});
  for (const std::string& line : lines) text += Lines(3, {line});
  return text;
}

TEST(BroadcastExtension, FixedPart) {
  CheckReports({
      {"VersionZeroNoUmid", Riff(Chunk("bext", Fixed(0, 0, "unshown"))),
       FixedLines() + History({})},
      {"VersionTwoUmid", Riff(Chunk("bext", Fixed(2, 0, "UMID-xyz\r\n"))),
       FixedLines("0", "2") + Lines(2, {"\"UMID-xyz\""}) + History({})},
      {"VersionIsUnsigned", Riff(Chunk("BEXT", Fixed(0xFFFF, 0, "u"))),
       FixedLines("0", "65535", "Take 2", "Tarvo Recorder", "<BEXT> broadcast audio extension") +
           Lines(2, {"\"u\""}) + History({})},
      {"TimeReferenceIsSigned64Bits", Riff(Chunk("bext", Fixed(0, 0x8000000000000001))),
       FixedLines("-9223372036854775807") + History({})},
      {"FieldsFilledToTheirWidth",
       Riff(Chunk("bext", Fixed(0, 0, "", Fill(256, 'd'), Fill(32, 'o')))),
       FixedLines("0", "0", Fill(256, 'd'), Fill(32, 'o')) + History({})},
  });
}

TEST(BroadcastExtension, CodingHistoryOneReportLinePerTextLine) {
  const struct {
    const char* name;
    std::string history;
    std::vector<std::string> lines;
  } histories[] = {
      {"TwoCrLfLines", "A=PCM,F=48000\r\nA=PCM,F=44100\r\n", {"A=PCM,F=48000", "A=PCM,F=44100"}},
      {"LfAloneTakesTheNextByte", "ab\ncd\nef", {"ab", "d", "f"}},
      {"EmptyLineInside", "a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"StartsWithABreak", "\r\nabc", {"", "abc"}},
      {"TrailingBreaksLeaveNoEmptyLine", "x\r\n\r\n\r\n", {"x"}},
      {"BreakInTheLastByte", "x\r", {"x"}},
      {"BreakThenNulEndsIt", "ab\r\0cd"s, {"ab"}},
      {"NulThenTextIsABreak", "ab\0Xcd"s, {"ab", "cd"}},
      {"HighByteIsABreak", "Caf\xE9 au lait", {"Caf", "au lait"}},
      {"DeleteIsText", "a\x7F", {"a\x7F"}},
  };
  std::vector<DecoderCase> cases;
  for (const auto& h : histories)
    cases.push_back({h.name, Riff(Chunk("bext", Fixed() + h.history) + Chunk("JUNK", "next")),
                     FixedLines() + History(h.lines) + Next});
  CheckReports(cases);
}

TEST(BroadcastExtension, CodingHistoryEndsAt5000BytesOrTheEndOfTheFile) {
  const std::string a4397 = Fill(4397, 'a');
  CheckReports({
      {"Payload5000", Riff(Chunk("bext", Fixed() + a4397 + "Z") + Chunk("JUNK", "next")),
       FixedLines() + History({a4397 + "Z"}) + Next},
      {"Payload5001", Riff(Chunk("bext", Fixed() + a4397 + "aZ") + Chunk("JUNK", "next")),
       FixedLines() + History({a4397 + "a"}) + Next},
      {"FileEndsInTheHistory", Riff(ChunkWithSize("bext", 2000, Fixed() + "ab\r\ncd")),
       FixedLines() + History({"ab", "cd"})},
      {"HugeLengthIsCapped", Riff(ChunkWithSize("bext", 0x80000000, Fixed() + "ab")),
       FixedLines() + History({"ab"})},
  });
}

std::string Mext(unsigned soundInformation, unsigned frameSize, unsigned ancillaryLength,
                 unsigned definition, const char* id = "mext") {
  return Riff(Chunk(id, U16(soundInformation) + U16(frameSize) + U16(ancillaryLength) +
                            U16(definition) + U32(0)));
}

TEST(MpegExtension, SoundInformationAndAncillaryData) {
  const std::string mext = "<mext> broadcast MPEG audio extension";
  std::vector<DecoderCase> cases = {
      {"Example", Mext(0x5, 417, 0, 0x5),
       Decoded(mext, {"Homogeneous sound data", "Padding bit used",
                      "Contains Fs=22050/44100 with padding bit=0", "417 bytes per frame",
                      "0 bytes ancillary data (left peak, right peak)"})},
      {"NoFlags", Mext(0, 65535, 65535, 0, "MEXT"),
       Decoded("<MEXT> broadcast MPEG audio extension",
               {"Non-homogeneous sound data", "Padding bit used", "65535 bytes per frame",
                "65535 bytes ancillary data"})},
      {"EveryFlag", Mext(0xFFFF, 1, 2, 0),
       Decoded(mext, {"Homogeneous sound data", "Contains Fs=22050/44100 with padding bit=0",
                      "Free format audio frame", "1 bytes per frame", "2 bytes ancillary data"})},
  };
  const std::pair<unsigned, const char*> definitions[] = {
      {0x0001, " (peak)"},
      {0x0004, " (right peak)"},
      {0x0006, " (private byte, right peak)"},
      {0x0038, " (ADR data, DAB data, J52 data)"},
      {0x003F, " (left peak, private byte, right peak, ADR data, DAB data, J52 data)"},
      {0x0041, " (peak)"},
      {0xFFC0, ""}};  // none of the named bits: nothing, as for 0
  for (const auto& d : definitions)
    cases.push_back({d.second, Mext(0x3, 418, 3, d.first),
                     Decoded(mext, {"Homogeneous sound data", "418 bytes per frame",
                                    "3 bytes ancillary data"s + d.second})});
  CheckReports(cases);
}

}  // namespace
