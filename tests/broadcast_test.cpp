// Broadcast audio extension (bext, BEXT) and MPEG audio extension (mext,
// MEXT) chunks.
#include "decoder_cases.h"

namespace {

// The 602-byte fixed part.
std::string Fixed(unsigned version = 0, std::uint64_t timeReference = 0,
                  const std::string& umid = "") {
  return Text("Take 2", 256) + Text("Tarvo Recorder", 32) + Text("REF-0042", 32) +
         Text("2024-01-02", 10) + Text("10:20:30", 8) + U64(timeReference) + U16(version) +
         Text(umid, 254);
}

// The chunk's line, the lines of the fixed part up to the version, and more.
std::string FixedLines(const std::string& sampleCount, const std::string& version,
                       std::initializer_list<std::string> more, const std::string& id = "bext") {
  return Decoded("<" + id + "> broadcast audio extension",
                 {"Description: \"Take 2\"", "Originator: \"Tarvo Recorder\"",
                  "Originator reference: \"REF-0042\"", "Origination date: \"2024-01-02\"",
                  "Origination time: \"10:20:30\"",
                  "Sample count " + sampleCount + " since midnight", "Version " + version}) +
         Lines(2, more);
}

// The coding history's lines after the fixed part of version 0.
std::string HistoryLines(std::initializer_list<std::string> lines) {
  return FixedLines("0", "0", {"Coding history: "}) + Lines(3, lines);
}
// A chunk of the fixed part and history, followed by another chunk.
DecoderCase History(const char* name, const std::string& history,
                    std::initializer_list<std::string> lines) {
  return {name, Riff(Chunk("bext", Fixed() + history) + Chunk("JUNK", "next")),
          HistoryLines(lines) + Decoded("<JUNK> obsolete data", {"\"next\""})};
}

TEST(BroadcastExtension, FixedPart) {
  CheckReports({
      {"VersionZeroNoUmid", Riff(Chunk("bext", Fixed(0, 0, "unshown"))), HistoryLines({})},
      {"VersionTwoUmid", Riff(Chunk("bext", Fixed(2, 0, "UMID-xyz\r\n"))),
       FixedLines("0", "2", {"\"UMID-xyz\"", "Coding history: "})},
      {"VersionIsUnsigned", Riff(Chunk("BEXT", Fixed(0xFFFF, 0, "u"))),
       FixedLines("0", "65535", {"\"u\"", "Coding history: "}, "BEXT")},
      {"TimeReferenceIsSigned64Bits", Riff(Chunk("bext", Fixed(0, 0x8000000000000001))),
       FixedLines("-9223372036854775807", "0", {"Coding history: "})},
  });
}

TEST(BroadcastExtension, CodingHistoryOneReportLinePerTextLine) {
  const std::string a4397 = Fill(4397, 'a');
  CheckReports({
      History("TwoCrLfLines", "A=PCM,F=48000\r\nA=PCM,F=44100\r\n",
              {"A=PCM,F=48000", "A=PCM,F=44100"}),
      History("LfAloneTakesTheNextByte", "ab\ncd\nef", {"ab", "d", "f"}),
      History("EmptyLineInside", "a\r\n\r\nb\r\n", {"a", "", "b"}),
      History("StartsWithABreak", "\r\nabc", {"", "abc"}),
      History("TrailingBreaksLeaveNoEmptyLine", "x\r\n\r\n\r\n", {"x"}),
      History("BreakInTheLastByte", "x\r", {"x"}),
      History("BreakThenNulEndsIt", "ab\r\0cd"s, {"ab"}),
      History("NulThenTextIsABreak", "ab\0Xcd"s, {"ab", "cd"}),
      History("HighByteIsABreak", "Caf\xE9 au lait", {"Caf", "au lait"}),
      History("DeleteIsText", "a\x7F", {"a\x7F"}),
      // The payload length is capped at 5000 bytes; the end of the file also
      // ends the history.
      History("Payload5000", a4397 + "Z", {a4397 + "Z"}),
      History("Payload5001", a4397 + "aZ", {a4397 + "a"}),
      {"HugeLengthIsCapped", Riff(ChunkWithSize("bext", 0x80000000, Fixed() + "ab")),
       HistoryLines({"ab"})},
      {"FileEndsInTheHistory", Riff(ChunkWithSize("bext", 2000, Fixed() + "ab\r\ncd")),
       HistoryLines({"ab", "cd"})},
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
