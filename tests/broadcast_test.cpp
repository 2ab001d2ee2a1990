// Broadcast audio extension (bext, BEXT) and MPEG audio extension (mext,
// MEXT) chunks.
#include <vector>

#include "decoder_cases.h"

using namespace wav;
using namespace std::string_literals;

namespace {

const std::string Bext = "<bext> broadcast audio extension";

// The 602-byte fixed part.
std::string Fixed(unsigned version = 0, std::uint64_t timeReference = 0,
                  const std::string& umid = "", const std::string& description = "Take 2",
                  const std::string& originator = "Tarvo Recorder") {
  return Text(description, 256) + Text(originator, 32) + Text("REF-0042", 32) +
         Text("2024-01-02", 10) + Text("10:20:30", 8) + U64(timeReference) + U16(version) +
         Text(umid, 254);
}

// The lines of the fixed part up to the version.
std::string FixedLines(const std::string& sampleCount = "0", const std::string& version = "0",
                       const std::string& description = "Take 2",
                       const std::string& originator = "Tarvo Recorder") {
  return Lines(2, {"Description: \"" + description + '"', "Originator: \"" + originator + '"',
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
  const DecoderCase cases[] = {
      {"VersionZeroNoHistory", Riff(Chunk("bext", Fixed())),
       Lines(1, {Bext}) + FixedLines() + History({})},
      {"VersionOneEmptyUmid", Riff(Chunk("bext", Fixed(1))),
       Lines(1, {Bext}) + FixedLines("0", "1") + Lines(2, {"\"\""}) + History({})},
      {"VersionTwoUmid", Riff(Chunk("bext", Fixed(2, 0, "UMID-xyz\r\n"))),
       Lines(1, {Bext}) + FixedLines("0", "2") + Lines(2, {"\"UMID-xyz\""}) + History({})},
      {"VersionIsUnsigned", Riff(Chunk("BEXT", Fixed(0xFFFF, 0, "u"))),
       Lines(1, {"<BEXT> broadcast audio extension"}) + FixedLines("0", "65535") +
           Lines(2, {"\"u\""}) + History({})},
      {"TimeReferenceBit32", Riff(Chunk("bext", Fixed(0, 0x100000000))),
       Lines(1, {Bext}) + FixedLines("4294967296") + History({})},
      {"TimeReferenceTopBit", Riff(Chunk("bext", Fixed(0, 0x8000000000000000))),
       Lines(1, {Bext}) + FixedLines("-9223372036854775808") + History({})},
      {"FieldsFilledToTheirWidth",
       Riff(Chunk("bext", Fixed(0, 0, "", Fill(256, 'd'), Fill(32, 'o')))),
       Lines(1, {Bext}) + FixedLines("0", "0", Fill(256, 'd'), Fill(32, 'o')) + History({})},
      // Missing bytes read as zeros, and the quoted fields show what there is.
      {"FileEndsInTheFixedPart", Riff(ChunkWithSize("bext", 602, Text("Short", 256) + "Orig")),
       Lines(1, {Bext}) +
           Lines(2, {"Description: \"Short\"", "Originator: \"Orig\"", "Originator reference: \"\"",
                     "Origination date: \"\"", "Origination time: \"\"",
                     "Sample count 0 since midnight", "Version 0"}) +
           History({})},
  };
  CheckReports(cases);
}

TEST(BroadcastExtension, CodingHistoryOneReportLinePerTextLine) {
  const struct {
    const char* name;
    std::string history;
    std::vector<std::string> lines;
  } histories[] = {
      {"TwoCrLfLines", "A=PCM,F=48000\r\nA=PCM,F=44100\r\n", {"A=PCM,F=48000", "A=PCM,F=44100"}},
      {"LastLineUnterminated", "one\r\ntwo", {"one", "two"}},
      {"LfAloneTakesTheNextByte", "ab\ncd\nef", {"ab", "d", "f"}},
      {"EmptyLineInside", "a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"StartsWithABreak", "\r\nabc", {"", "abc"}},
      {"TrailingBreaksLeaveNoEmptyLine", "x\r\n\r\n\r\n", {"x"}},
      {"BreakInTheLastByte", "x\r", {"x"}},
      {"OnlyBreaks", "\r\n\r\n", {}},
      {"TwoNulsEndIt", "ab\0\0cd"s, {"ab"}},
      {"BreakThenNulEndsIt", "ab\r\0cd"s, {"ab"}},
      {"NulThenTextIsABreak", "ab\0Xcd"s, {"ab", "cd"}},
      {"HighByteIsABreak", "Caf\xE9 au lait", {"Caf", "au lait"}},
      {"TabIsABreak", "a\tbc", {"a", "c"}},
      {"DeleteIsText", "a\x7F", {"a\x7F"}},
  };
  std::vector<DecoderCase> cases;
  for (const auto& h : histories)
    cases.push_back({h.name, Riff(Chunk("bext", Fixed() + h.history) + Chunk("JUNK", "next")),
                     Lines(1, {Bext}) + FixedLines() + History(h.lines) +
                         Decoded("<JUNK> obsolete data", {"\"next\""})});
  CheckReports(cases.data(), cases.data() + cases.size());
}

TEST(BroadcastExtension, CodingHistoryEndsAt5000BytesOrTheEndOfTheFile) {
  const std::string next = Decoded("<JUNK> obsolete data", {"\"next\""});
  const DecoderCase cases[] = {
      {"Payload5000", Riff(Chunk("bext", Fixed() + Fill(4397, 'a') + "Z") + Chunk("JUNK", "next")),
       Lines(1, {Bext}) + FixedLines() + History({Fill(4397, 'a') + "Z"}) + next},
      {"Payload5001", Riff(Chunk("bext", Fixed() + Fill(4398, 'a') + "Z") + Chunk("JUNK", "next")),
       Lines(1, {Bext}) + FixedLines() + History({Fill(4398, 'a')}) + next},
      {"Payload10000",
       Riff(Chunk("bext", Fixed() + Fill(4398, 'a') + Fill(5000, 'b')) + Chunk("JUNK", "next")),
       Lines(1, {Bext}) + FixedLines() + History({Fill(4398, 'a')}) + next},
      {"FileEndsInTheHistory", Riff(ChunkWithSize("bext", 2000, Fixed() + "ab\r\ncd")),
       Lines(1, {Bext}) + FixedLines() + History({"ab", "cd"})},
      {"HugeLengthIsCapped", Riff(ChunkWithSize("bext", 0x80000000, Fixed() + "ab")),
       Lines(1, {Bext}) + FixedLines() + History({"ab"})},
  };
  CheckReports(cases);
}

std::string Mext(unsigned soundInformation, unsigned frameSize, unsigned ancillaryLength,
                 unsigned definition) {
  return U16(soundInformation) + U16(frameSize) + U16(ancillaryLength) + U16(definition) + U32(0);
}

TEST(MpegExtension, SoundInformationFlags) {
  const std::string mext = "<mext> broadcast MPEG audio extension";
  const DecoderCase cases[] = {
      {"Example", Riff(Chunk("mext", Mext(0x5, 417, 0, 0x5))),
       Decoded(mext, {"Homogeneous sound data", "Padding bit used",
                      "Contains Fs=22050/44100 with padding bit=0", "417 bytes per frame",
                      "0 bytes ancillary data (left peak, right peak)"})},
      {"HomogeneousWithoutPadding", Riff(Chunk("mext", Mext(0x3, 0, 0, 0))),
       Decoded(mext, {"Homogeneous sound data", "0 bytes per frame", "0 bytes ancillary data"})},
      {"NoFlags", Riff(Chunk("MEXT", Mext(0, 65535, 65535, 0))),
       Decoded("<MEXT> broadcast MPEG audio extension",
               {"Non-homogeneous sound data", "Padding bit used", "65535 bytes per frame",
                "65535 bytes ancillary data"})},
      {"EveryFlag", Riff(Chunk("mext", Mext(0xFFFF, 1, 2, 0))),
       Decoded(mext, {"Homogeneous sound data", "Contains Fs=22050/44100 with padding bit=0",
                      "Free format audio frame", "1 bytes per frame", "2 bytes ancillary data"})},
      {"CutByTheEndOfTheFile", Riff(ChunkWithSize("mext", 12, U16(1) + "\x10")),
       Decoded(mext, {"Homogeneous sound data", "Padding bit used", "16 bytes per frame",
                      "0 bytes ancillary data"})},
  };
  CheckReports(cases);
}

TEST(MpegExtension, AncillaryDataDefinitions) {
  const struct {
    unsigned definition;
    const char* ending;
  } definitions[] = {
      {0x0000, ""},
      {0x0001, " (peak)"},
      {0x0002, " (private byte)"},
      {0x0004, " (right peak)"},
      {0x0005, " (left peak, right peak)"},
      {0x0006, " (private byte, right peak)"},
      {0x0038, " (ADR data, DAB data, J52 data)"},
      {0x003F, " (left peak, private byte, right peak, ADR data, DAB data, J52 data)"},
      {0x0041, " (peak)"},
      // Non-zero, but none of the named bits: nothing, as for 0.
      {0x0040, ""},
      {0xFFC0, ""},
  };
  std::vector<DecoderCase> cases;
  for (const auto& d : definitions)
    cases.push_back({d.ending, Riff(Chunk("mext", Mext(0x3, 418, 3, d.definition))),
                     Decoded("<mext> broadcast MPEG audio extension",
                             {"Homogeneous sound data", "418 bytes per frame",
                              "3 bytes ancillary data"s + d.ending})});
  CheckReports(cases.data(), cases.data() + cases.size());
}

}  // namespace
