// The format chunk, its format tags and sub-format GUIDs, and the guid and
// dlid chunks.
#include "decoder_cases.h"

namespace {

// The 16-byte common header.
std::string Common(unsigned tag, unsigned channels, std::uint32_t rate,
                   std::uint32_t bytesPerSecond, unsigned blockAlign, unsigned bits) {
  return U16(tag) + U16(channels) + U32(rate) + U32(bytesPerSecond) + U16(blockAlign) + U16(bits);
}
std::string Guid(std::uint32_t data1, unsigned data2, unsigned data3, const char (&data4)[9]) {
  return U32(data1) + U16(data2) + U16(data3) + std::string(data4, 8);
}
std::string Fmt(const std::string& payload) { return Riff(Chunk("fmt ", payload)); }

const std::string PcmGuid = Guid(1, 0, 0x10, "\x80\0\0\xAA\0\x38\x9B\x71");
const std::string FloatGuid = Guid(3, 0, 0x10, "\x80\0\0\xAA\0\x38\x9B\x71");
const std::string AmbisonicPcmGuid = Guid(1, 0x0721, 0x11D3, "\x86\x44\xC8\xC1\xCA\0\0\0");
const std::string AmbisonicFloatGuid = Guid(3, 0x0721, 0x11D3, "\x86\x44\xC8\xC1\xCA\0\0\0");
const std::string PvocGuid = Guid(0x8312B9C2, 0x2E6E, 0x11D4, "\xA8\x24\xDE\x5B\x96\xC3\xAB\x21");
const std::string PcmGuidLine = "{00000001-0000-0010-8000-00aa00389b71} PCM format";

TEST(FormatTag, NamesTheTagOnTheFirstLine) {
  const std::pair<unsigned, const char*> tags[] = {
      {0x0000, "Unknown format"},
      {0x0001, "PCM format"},
      {0x0002, "Microsoft ADPCM format"},
      {0x0003, "Floating point format"},
      {0x0006, "A-law format"},
      {0x0007, "\xB5-law format"},  // one Windows-1252 byte, not UTF-8
      {0x0011, "IMA/DVI PCM format"},
      {0x0014, "G.723 ADPCM format"},
      {0x0020, "Yamaha ADPCM format"},
      {0x0030, "Dolby Labs AC-2 format"},
      {0x0031, "GSM610 format"},
      {0x0040, "G.721 ADPCM format"},
      {0x0200, "Creative Labs ADPCM format"},
      {0xFFFF, "Unregistered format"},
      {0x0004, "Proprietory format 4h"},
      {0xABCD, "Proprietory format ABCDh"},
      {0xFFFD, "Proprietory format FFFDh"}};
  std::vector<DecoderCase> cases;
  for (const auto& t : tags)
    cases.push_back({t.second, Fmt(Common(t.first, 1, 8000, 8000, 1, 8)),
                     FormatLines(t.second, 1, 8000, 8000, 1, {"8 bit"})});
  CheckReports(cases);
}

TEST(FormatChunk, CommonHeaderAndParameterDump) {
  const std::string pcm8 = Common(1, 1, 8000, 8000, 1, 8), junk = Chunk("JUNK", Fill(100, 'j'));
  const std::string junkLines = Decoded("<JUNK> obsolete data", {'"' + Fill(100, 'j') + '"'});
  auto pcm8Lines = [](const std::string& dump) {
    return FormatLines("PCM format", 1, 8000, 8000, 1, {"8 bit", "Additional parameters " + dump});
  };
  CheckReports({
      {"EighteenBytesNoDump", Fmt(pcm8 + U16(0)),
       FormatLines("PCM format", 1, 8000, 8000, 1, {"8 bit"})},
      {"WideFieldsSignedNarrowZeroExtendedNoBitLine",
       Fmt(Common(1, 0xFFFF, 0xFFFFFFFF, 0x80000000, 0xFFFF, 0)),
       FormatLines("PCM format", 65535, -1, -2147483648LL, 65535)},
      {"DumpRunsPastTheChunk",
       Riff(Chunk("fmt ", pcm8 + U16(4) + "\xAB\xCD") + Chunk("JUNK", "xy")),
       pcm8Lines("(4 bytes): AB CD 4A 55") + Decoded("<JUNK> obsolete data", {"\"xy\""})},
      {"ExtraSizeOf100IsShownWhole", Riff(Chunk("fmt ", pcm8 + U16(100) + Counting(12)) + junk),
       pcm8Lines("(100 bytes):" + Hex(Counting(12) + "JUNK" + U32(100) + Fill(80, 'j'))) +
           junkLines},
      {"ExtraSizeOver100ShowsWhatTheChunkHolds",
       Riff(Chunk("fmt ", pcm8 + U16(101) + Counting(12)) + junk),
       pcm8Lines("(101 bytes):" + Hex(Counting(12))) + junkLines},
      {"ExtraSizeOver100AtMost100", Fmt(pcm8 + U16(300) + Counting(982)),
       pcm8Lines("(300 bytes):" + Hex(Counting(100)))},
      {"ChunkLengthTakenModulo65536", Fmt(pcm8 + U16(200) + Counting(65536 + 5, 0xF0)),
       pcm8Lines("(200 bytes):" + Hex(Counting(5, 0xF0)))},
  });
}

// An extensible format chunk of 2 channels at 48000 Hz.
std::string Extensible(unsigned bits, unsigned validBits, std::uint32_t mask,
                       const std::string& guid) {
  return Fmt(Common(0xFFFE, 2, 48000, 192000, 4, bits) + U16(22) + U16(validBits) + U32(mask) +
             guid);
}

TEST(FormatChunk, ExtensibleLayout) {
  const std::string channels = "Channel assignments:";
  auto lines = [](std::initializer_list<std::string> more) {
    return FormatLines("Extensible format", 2, 48000, 192000, 4, more);
  };
  CheckReports({
      {"24BitsIn32", Extensible(32, 24, 0x3F, PcmGuid),
       lines({"32 bit container", "24 bit data", channels}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Surround left",
                     "6. Surround right"}) +
           Lines(2, {PcmGuidLine})},
      {"NoBitsGivesSamplesPerFrameSpeakersNumberedByCount",
       Extensible(0, 2041, 0x24, AmbisonicPcmGuid),
       lines({"2041 samples/frame", channels}) + Lines(3, {"1. Centre", "2. Surround right"}) +
           Lines(2, {"{00000001-0721-11d3-8644-c8c1ca000000} PCM ambisonic B format"})},
      {"UnknownSpeakerBitsOnly", Extensible(0, 0, 0x80000000, AmbisonicFloatGuid),
       lines({channels, "{00000003-0721-11d3-8644-c8c1ca000000} IEEE float ambisonic B format"})},
      {"EverySpeaker", Extensible(16, 16, 0xFFFFFFFF, PvocGuid),
       lines({"16 bit", channels}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Surround left",
                     "6. Surround right", "7. Centre left", "8. Centre right",
                     "9. Surround (centre)", "10. Side left", "11. Side right", "12. Top centre",
                     "13. Top front left", "14. Top front centre", "15. Top front right",
                     "16. Top back left", "17. Top back centre", "18. Top back right"}) +
           Lines(2, {"{8312b9c2-2e6e-11d4-a824-de5b96c3ab21} PVOC-EX phase vocoder format"})},
      {"NoMaskAndAnUnknownGuid",
       Extensible(16, 16, 0, Guid(0x8312B9C2, 0x2E6E, 0x11D4, "\xA8\x24\xDE\x5B\x96\xC3\xAB\x22")),
       lines({"16 bit", "{8312b9c2-2e6e-11d4-a824-de5b96c3ab22}"})},
      // The dump's count and length are the whole extra size, 22 decoded
      // bytes included, so the dump runs into the next chunk.
      {"ExtraSizeCountsTheDecodedLayout",
       Riff(Chunk("fmt ", Common(0xFFFE, 2, 48000, 192000, 4, 16) + U16(24) + U16(16) + U32(0) +
                              PcmGuid + "\xAA\xBB") +
            Chunk("JUNK", "abcdefghijklmnopqrst")),
       lines(
           {"16 bit", PcmGuidLine,
            "Additional parameters (24 bytes): AA BB" + Hex("JUNK" + U32(20) + "abcdefghijklmn")}) +
           Decoded("<JUNK> obsolete data", {"\"abcdefghijklmnopqrst\""})},
      // A 16-byte chunk: the extra size and the layout come from the next
      // chunk, and its length less 22 wraps, which reaches the dump.
      {"SixteenByteChunkReadsOnAndWraps",
       Riff(Chunk("fmt ", Common(0xFFFE, 2, 48000, 192000, 4, 16)) +
            Chunk("JUNK", PcmGuid + Counting(100))),
       lines({"16 bit container", "19278 bit data", channels}) +  // "NK"
           Lines(3, {"1. Centre", "2. Surround left", "3. Surround right", "4. Centre left"}) +
           Lines(2, {PcmGuidLine, "Additional parameters (21834 bytes):" + Hex(Counting(100))}) +
           Decoded("<JUNK> obsolete data", {"\"\""})},
  });
}

std::string Mpeg(unsigned layers, std::uint32_t bitRate, unsigned mode, unsigned modeExtension,
                 unsigned emphasis, unsigned flags, const std::string& more = "") {
  return Fmt(Common(0x50, 2, 44100, 16000, 1, 0) + U16(22 + more.size()) + U16(layers) +
             U32(bitRate) + U16(mode) + U16(modeExtension) + U16(emphasis) + U16(flags) +
             U32(0x12345678) + U32(0x9ABCDEF0) + more);
}

TEST(FormatChunk, Mpeg1Layout) {
  auto lines = [](std::initializer_list<std::string> more) {
    return FormatLines("MPEG format", 2, 44100, 16000, 1, more);
  };
  CheckReports({
      // Two bytes after the layout: the dump counts the layout too, and
      // finds the end of the file after those two.
      {"JointStereoMsMoreParameters", Mpeg(0x4, 128000, 0x2, 0x4, 0, 0, "\xAA\xBB"),
       lines({"MPEG-1 Layer 3", "128000 bits/sec", "Joint Stereo (MS)",
              "Additional parameters (24 bytes): AA BB" + Hex(Fill(22))})},
      {"EveryBit", Mpeg(0x7, 0xFFFFFFFF, 0xF, 0xF, 2, 0x1F),
       lines({"MPEG-1 Layer 1 2 3", "-1 bits/sec",
              "Stereo Joint Stereo Dual ChannelSingle Channel(intensity)(MS)(intensity and MS)",
              "50/15 ms emphasis",
              "Flags: Private Copyright Original/home Protection ID(MPEG-1)"})},
      {"StereoHasNoModeExtension", Mpeg(0x2, 192000, 0x1, 0x4, 4, 0x20),
       lines({"MPEG-1 Layer 2", "192000 bits/sec", "Stereo ", "CCITT J.17 emphasis", "Flags:"})},
      {"JointStereoWithoutLayer", Mpeg(0, 0, 0x2, 0xE, 6, 0),
       lines({"MPEG-1 Layer", "0 bits/sec", "Joint Stereo "})},
      {"SixteenByteChunkAtEndOfFile", Fmt(Common(0x50, 1, 44100, 16000, 1, 0)),
       FormatLines("MPEG format", 1, 44100, 16000, 1,
                   {"MPEG-1 Layer", "0 bits/sec", "", "Additional parameters (0 bytes):"})},
  });
}

TEST(GuidChunk, ShowsTheGuidAndItsName) {
  CheckReports({
      {"KnownGuid", Riff(Chunk("guid", FloatGuid)),
       Decoded("<guid> unique ID", {"{00000003-0000-0010-8000-00aa00389b71} IEEE float format"})},
      {"LowercaseDigits",
       Riff(Chunk("dlid", Guid(0xDEADBEEF, 0xABCD, 0xEF01, "\xFE\xDC\xBA\x98\x76\x54\x32\x10"))),
       Decoded("<dlid> unique ID", {"{deadbeef-abcd-ef01-fedc-ba9876543210}"})},
      {"ShortChunkReadsOn", Riff(Chunk("dlid", U32(0x12345678)) + Chunk("JUNK", "abcd")),
       Decoded("<dlid> unique ID", {"{12345678-554a-4b4e-0400-000061626364}"}) +
           Decoded("<JUNK> obsolete data", {"\"abcd\""})},
  });
}

}  // namespace
