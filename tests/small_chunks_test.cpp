// Peak, display, data and fact chunks.
#include "decoder_cases.h"

namespace {

std::string Peak(const std::string& payload) { return Riff(Chunk("PEAK", payload)); }
std::string PeakLines(std::initializer_list<std::string> lines) {
  return Decoded("<PEAK> peak positions", lines);
}
std::string Entry(float value, std::uint32_t position) { return F32(value) + U32(position); }

TEST(PeakChunk, ShowsOneLineForEveryWholeEntry) {
  const std::string header = U32(1) + U32(1000), version = "Version 1 (timestamp 1000)";
  CheckReports({
      {"TwelveBytesSignedHeader", Peak(U32(0xFFFFFFFF) + U32(0x80000000) + F32(1.0f)),
       PeakLines({"Version -1 (timestamp -2147483648)"})},
      {"SixteenBytes", Peak(header + Entry(1.0f, 0)),
       PeakLines({version, "Channel 1: 0.00 dB @ 0"})},
      {"TwentyEightBytes", Peak(header + Entry(0.5f, 100) + Entry(2.0f, 0xFFFFFFFF) + U32(7)),
       PeakLines({version, "Channel 1: -6.02 dB @ 100", "Channel 2: 6.02 dB @ -1"})},
      // 0x3B083772 is 0.0020785001: -53.644999 dB in double, -53.65 if taken in float.
      {"ZeroNegativeAndWidenedPeaks",
       Peak(header + Entry(0.0f, 5) + Entry(-0.5f, 6) + U32(0x3B083772) + U32(1)),
       PeakLines({version, "Channel 1: -inf dB @ 5", "Channel 2: nan dB @ 6",
                  "Channel 3: -53.64 dB @ 1"})},
      // JSON has no number of digits to give an infinite value.
      {"InfinitePeaks", Peak(header + U32(0x7F800000) + U32(7) + U32(0xFF800000) + U32(8)),
       PeakLines({version, "Channel 1: inf dB @ 7", "Channel 2: nan dB @ 8"})},
      {"ShortChunkReadsOn", Riff(Chunk("PEAK", U32(2)) + Chunk("JUNK", "")),
       PeakLines({"Version 2 (timestamp 1263424842)"}) + Lines(1, {"<JUNK> obsolete data"})},
  });
}

TEST(DisplayChunk, LabelsTheClipboardFormat) {
  const std::pair<std::uint32_t, const char*> labels[] = {
      {1, "Text: "},      {7, "Text: "},     {13, "Text: "},
      {2, "Bitmap: "},    {8, "Bitmap: "},   {3, "Metafile: "},
      {14, "Metafile: "}, {11, "RIFF: "},    {12, "WAVE: "},
      {0, "Clipboard format 0: "},           {4, "Clipboard format 4: "},
      {15, "Clipboard format 15: "},         {0xFFFFFFFF, "Clipboard format -1: "}};
  const std::string disp = "<DISP> displayable object";
  std::vector<DecoderCase> cases = {
      {"LabelAlone", Riff(Chunk("DISP", U32(8))), Decoded(disp, {"Bitmap: "})},
      {"TextEndsWithItsChunk", Riff(Chunk("DISP", U32(1) + "abcd") + Chunk("JUNK", "")),
       Decoded(disp, {"Text: \"abcd\""}) + Lines(1, {"<JUNK> obsolete data"})}};
  for (const auto& [code, label] : labels)
    cases.push_back({label, Riff(Chunk("DISP", U32(code) + "abc\0"s)),
                     Decoded(disp, {label + "\"abc\""s})});
  CheckReports(cases);
}

// A mono 8-bit format chunk with the given average bytes per second, its
// lines, and a data chunk's line.
std::string Format(std::uint32_t perSecond) {
  return Chunk("fmt ", U16(1) + U16(1) + U32(8000) + U32(perSecond) + U16(1) + U16(8));
}
std::string FormatLine(std::int32_t perSecond) {
  return FormatLines("PCM format", 1, 8000, perSecond, 1, {"8 bit"});
}
std::string Duration(const std::string& line) { return Decoded("<data> waveform data", {line}); }
// A format chunk and a last data chunk that declares length bytes.
DecoderCase Timed(const char* name, std::uint32_t perSecond, std::uint32_t length,
                  const std::string& duration) {
  return {name, Riff(Format(perSecond) + ChunkWithSize("data", length, "")),
          FormatLine(static_cast<std::int32_t>(perSecond)) + Duration(duration)};
}

TEST(DataChunk, PlayingTimeFromTheFormat) {
  CheckReports({
      Timed("OneMinute", 176400, 10584000, "1 min 0.000 sec duration"),
      // 119.9996 s: the remainder rounds up to 60.000 and is not carried.
      Timed("RemainderRoundsUpTo60", 10000, 1199996, "1 min 60.000 sec duration"),
      Timed("JustUnderAMinute", 10000, 599996, "60.000 sec duration"),
      Timed("HalfRoundsAwayFromZero", 16, 1, "0.063 sec duration"),
      Timed("LengthIsUnsigned", 1, 0xFFFFFFFF, "71582788 min 15.000 sec duration"),
      Timed("BytesPerSecondIsUnsigned", 0x80000000, 0xFFFFFFFF, "2.000 sec duration"),
      Timed("ZeroBytesPerSecond", 0, 1000, "inf min nan sec duration"),
      // The reports above leave seconds per byte set; a file whose data
      // comes before its format must not see them.
      {"DataBeforeFormat", Riff(Chunk("data", "ab") + Format(2)),
       Duration("0.000 sec duration") + FormatLine(2)},
      {"LatestFormatWins",
       Riff(Format(1) + Chunk("data", Fill(120)) + Format(2) + Chunk("data", Fill(120))),
       FormatLine(1) + Duration("2 min 0.000 sec duration") + FormatLine(2) +
           Duration("1 min 0.000 sec duration")},
  });
}

TEST(FactChunk, ShowsTheSampleCount) {
  const std::string fact = "<fact> waveform length";
  CheckReports({{"Signed", Riff(Chunk("fact", U32(0xFFFFFFFF))), Decoded(fact, {"-1 samples"})},
                // The file ends inside the field: the bytes there are kept.
                {"CutByTheEndOfTheFile", Riff(ChunkWithSize("fact", 4, "\x39\x30")),
                 Decoded(fact, {"12345 samples"})}});
}

// ds64 wherever it stands: each size only when the payload holds all of
// it, and table entries up to the table length and the payload's end.
TEST(Ds64Chunk, ShowsTheSizesInsideItsPayload) {
  const std::string ds64 = "<ds64> 64-bit sizes", junk = Chunk("JUNK", "");
  const std::string sizes = U64(0x123456789A) + U64(1) + U64(0xFFFFFFFFFFFFFFFF);
  const std::string riffLine = "RIFF length 78187493530", dataLine = "data length 1";
  CheckReports({
      {"TableLengthLimitsTheEntries",
       Riff(Chunk("ds64", sizes + U32(1) + "ab\0\0"s + U64(5ull << 30) + "data" + U64(7))),
       Decoded(ds64, {riffLine, dataLine, "18446744073709551615 samples", "<ab> length 5368709120"})},
      {"PayloadEndsInsideTheSampleCount", Riff(Chunk("ds64", sizes.substr(0, 23)) + junk),
       Decoded(ds64, {riffLine, dataLine}) + Lines(1, {"<JUNK> obsolete data"})},
      {"PayloadTooShortForAnySize", Riff(Chunk("ds64", sizes.substr(0, 7)) + junk),
       Lines(1, {ds64, "<JUNK> obsolete data"})},
  });
}

}  // namespace
