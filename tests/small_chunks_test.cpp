// Peak, display, data and fact chunks.
#include <vector>

#include "decoder_cases.h"

using namespace wav;
using namespace std::string_literals;

namespace {

const std::string Peak = "<PEAK> peak positions";

std::string PeakEntry(float value, std::uint32_t position) { return F32(value) + U32(position); }

TEST(PeakChunk, ShowsOneLineForEveryWholeEntry) {
  const std::string header = U32(1) + U32(1000);
  const std::string versionLine = "Version 1 (timestamp 1000)";
  const DecoderCase cases[] = {
      {"EightBytes", Riff(Chunk("PEAK", header)), Decoded(Peak, {versionLine})},
      {"TwelveBytes", Riff(Chunk("PEAK", header + F32(1.0f))), Decoded(Peak, {versionLine})},
      {"SixteenBytes", Riff(Chunk("PEAK", header + PeakEntry(1.0f, 0))),
       Decoded(Peak, {versionLine, "Channel 1: 0.00 dB @ 0"})},
      {"TwentyBytes", Riff(Chunk("PEAK", header + PeakEntry(0.5f, 44100) + U32(7))),
       Decoded(Peak, {versionLine, "Channel 1: -6.02 dB @ 44100"})},
      {"TwentyFourBytes",
       Riff(Chunk("PEAK", header + PeakEntry(0.5f, 100) + PeakEntry(2.0f, 0xFFFFFFFF))),
       Decoded(Peak, {versionLine, "Channel 1: -6.02 dB @ 100", "Channel 2: 6.02 dB @ -1"})},
      {"ZeroAndNegativePeaks",
       Riff(Chunk("PEAK", header + PeakEntry(0.0f, 5) + PeakEntry(-0.5f, 6))),
       Decoded(Peak, {versionLine, "Channel 1: -inf dB @ 5", "Channel 2: nan dB @ 6"})},
      // 0.1f is 0.100000001490116...: -19.9999998... dB.
      {"FloatWidenedToDouble", Riff(Chunk("PEAK", header + PeakEntry(0.1f, 1))),
       Decoded(Peak, {versionLine, "Channel 1: -20.00 dB @ 1"})},
      {"SignedHeader", Riff(Chunk("PEAK", U32(0xFFFFFFFF) + U32(0x80000000))),
       Decoded(Peak, {"Version -1 (timestamp -2147483648)"})},
      {"ShortChunkReadsOn", Riff(Chunk("PEAK", U32(2)) + Chunk("JUNK", "")),
       Decoded(Peak, {"Version 2 (timestamp 1263424842)"}) +  // "JUNK"
           Lines(1, {"<JUNK> obsolete data"})},
  };
  CheckReports(cases);
}

TEST(DisplayChunk, LabelsTheClipboardFormat) {
  const struct {
    std::uint32_t code;
    const char* label;
  } labels[] = {
      {1, "Text: "},
      {7, "Text: "},
      {13, "Text: "},
      {2, "Bitmap: "},
      {8, "Bitmap: "},
      {3, "Metafile: "},
      {14, "Metafile: "},
      {11, "RIFF: "},
      {12, "WAVE: "},
      {0, "Clipboard format 0: "},
      {4, "Clipboard format 4: "},
      {5, "Clipboard format 5: "},
      {6, "Clipboard format 6: "},
      {9, "Clipboard format 9: "},
      {10, "Clipboard format 10: "},
      {15, "Clipboard format 15: "},
      {0xFFFFFFFF, "Clipboard format -1: "},
  };
  std::vector<DecoderCase> cases;
  for (const auto& l : labels)
    cases.push_back({l.label, Riff(Chunk("DISP", U32(l.code) + "abc\0"s)),
                     Decoded("<DISP> displayable object", {l.label + "\"abc\""s})});
  cases.push_back({"LabelAlone", Riff(Chunk("DISP", U32(8))),
                   Decoded("<DISP> displayable object", {"Bitmap: "})});
  cases.push_back({"BinaryDataQuoted", Riff(Chunk("DISP", U32(8) + "(\x01\x02\0\0\0x"s)),
                   Decoded("<DISP> displayable object", {"Bitmap: \"(\""})});
  cases.push_back({"QuotedTextCapped", Riff(Chunk("DISP", U32(1) + Fill(300, 'z'))),
                   Decoded("<DISP> displayable object", {"Text: \"" + Fill(256, 'z') + '"'})});
  CheckReports(cases.data(), cases.data() + cases.size());
}

// A mono 8-bit format chunk with the given average bytes per second, and
// its lines.
std::string Format(std::uint32_t bytesPerSecond) {
  return Chunk("fmt ", U16(1) + U16(1) + U32(8000) + U32(bytesPerSecond) + U16(1) + U16(8));
}
std::string FormatLines(std::int32_t bytesPerSecond) {
  return Decoded("<fmt > format description",
                 {"PCM format", "1 channel", "8000 Hz",
                  std::to_string(bytesPerSecond) + " bytes/sec", "1 bytes/frame", "8 bit"});
}

// A format chunk and a last data chunk that declares length bytes.
std::string Timed(std::uint32_t bytesPerSecond, std::uint32_t length) {
  return Riff(Format(bytesPerSecond) + ChunkWithSize("data", length, ""));
}
std::string Duration(const std::string& line) { return Decoded("<data> waveform data", {line}); }

TEST(DataChunk, PlayingTimeFromTheFormat) {
  const DecoderCase cases[] = {
      {"TenSeconds", Timed(176400, 1764000), FormatLines(176400) + Duration("10.000 sec duration")},
      {"OneMinute", Timed(176400, 10584000),
       FormatLines(176400) + Duration("1 min 0.000 sec duration")},
      {"TwoAndAHalfMinutes", Timed(176400, 26460000),
       FormatLines(176400) + Duration("2 min 30.000 sec duration")},
      // 119.9996 s: the remainder rounds up to 60.000 and is not carried.
      {"RemainderRoundsUpTo60", Timed(10000, 1199996),
       FormatLines(10000) + Duration("1 min 60.000 sec duration")},
      {"JustUnderAMinute", Timed(10000, 599996),
       FormatLines(10000) + Duration("60.000 sec duration")},
      {"HalfRoundsAwayFromZero", Timed(16, 1), FormatLines(16) + Duration("0.063 sec duration")},
      {"LengthIsUnsigned", Timed(1, 0xFFFFFFFF),
       FormatLines(1) + Duration("71582788 min 15.000 sec duration")},
      {"BytesPerSecondIsUnsigned", Timed(0x80000000, 0xFFFFFFFF),
       FormatLines(INT32_MIN) + Duration("2.000 sec duration")},
      {"ZeroBytesPerSecond", Timed(0, 1000), FormatLines(0) + Duration("inf min nan sec duration")},
      // The reports above set the seconds per byte; a file whose data
      // comes before its format must not see them.
      {"DataBeforeFormat", Riff(Chunk("data", "ab") + Format(2)),
       Duration("0.000 sec duration") + FormatLines(2)},
      {"NoFormatChunk", Riff(Chunk("data", "abcd")), Duration("0.000 sec duration")},
      {"LatestFormatWins",
       Riff(Format(1) + Chunk("data", Fill(120)) + Format(2) + Chunk("data", Fill(120))),
       FormatLines(1) + Duration("2 min 0.000 sec duration") + FormatLines(2) +
           Duration("1 min 0.000 sec duration")},
  };
  CheckReports(cases);
}

TEST(FactChunk, ShowsTheSampleCount) {
  const std::string fact = "<fact> waveform length";
  const DecoderCase cases[] = {
      {"Count", Riff(Chunk("fact", U32(12345))), Decoded(fact, {"12345 samples"})},
      {"Signed", Riff(Chunk("fact", U32(0xFFFFFFFF))), Decoded(fact, {"-1 samples"})},
      // The file ends inside the field: the bytes there are kept.
      {"CutByTheEndOfTheFile", Riff(ChunkWithSize("fact", 4, "\x39\x30")),
       Decoded(fact, {"12345 samples"})},
  };
  CheckReports(cases);
}

}  // namespace
