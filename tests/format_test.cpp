// The format chunk, its format tags and sub-format GUIDs, and the guid and
// dlid chunks.
#include <vector>

#include "decoder_cases.h"

using namespace wav;
using namespace std::string_literals;

namespace {

const std::string Fmt = "<fmt > format description";

// The 16-byte common header.
std::string Common(unsigned tag, unsigned channels, std::uint32_t rate,
                   std::uint32_t bytesPerSecond, unsigned blockAlign, unsigned bits) {
  return U16(tag) + U16(channels) + U32(rate) + U32(bytesPerSecond) + U16(blockAlign) + U16(bits);
}

std::string Guid(std::uint32_t data1, unsigned data2, unsigned data3, const char (&data4)[9]) {
  return U32(data1) + U16(data2) + U16(data3) + std::string(data4, 8);
}

const std::string PcmGuid = Guid(1, 0, 0x10, "\x80\0\0\xAA\0\x38\x9B\x71");
const std::string FloatGuid = Guid(3, 0, 0x10, "\x80\0\0\xAA\0\x38\x9B\x71");
const std::string AmbisonicPcmGuid = Guid(1, 0x0721, 0x11D3, "\x86\x44\xC8\xC1\xCA\0\0\0");
const std::string AmbisonicFloatGuid = Guid(3, 0x0721, 0x11D3, "\x86\x44\xC8\xC1\xCA\0\0\0");
const std::string PvocGuid = Guid(0x8312B9C2, 0x2E6E, 0x11D4, "\xA8\x24\xDE\x5B\x96\xC3\xAB\x21");

const std::string PcmGuidLine = "{00000001-0000-0010-8000-00aa00389b71} PCM format";

TEST(FormatTag, NamesTheTagOnTheFirstLine) {
  const struct {
    unsigned tag;
    const char* name;
  } tags[] = {
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
      {0x0055, "Proprietory format 55h"},
      {0x0161, "Proprietory format 161h"},
      {0x2000, "Proprietory format 2000h"},
      {0xABCD, "Proprietory format ABCDh"},
      {0xFFFD, "Proprietory format FFFDh"},
  };
  std::vector<DecoderCase> cases;
  for (const auto& t : tags)
    cases.push_back({t.name, Riff(Chunk("fmt ", Common(t.tag, 1, 8000, 8000, 1, 8))),
                     Decoded(Fmt, {t.name, "1 channel", "8000 Hz", "8000 bytes/sec",
                                   "1 bytes/frame", "8 bit"})});
  CheckReports(cases.data(), cases.data() + cases.size());
}

TEST(FormatChunk, CommonHeaderAndParameterDump) {
  const std::string pcm8 = Common(1, 1, 8000, 8000, 1, 8);
  const std::string pcm8Lines = Decoded(
      Fmt, {"PCM format", "1 channel", "8000 Hz", "8000 bytes/sec", "1 bytes/frame", "8 bit"});
  const std::string junk100 = Chunk("JUNK", Fill(100, 'j'));
  const DecoderCase cases[] = {
      {"SixteenBytePcm", Riff(Chunk("fmt ", Common(1, 2, 44100, 176400, 4, 16))),
       Decoded(Fmt, {"PCM format", "2 channel", "44100 Hz", "176400 bytes/sec", "4 bytes/frame",
                     "16 bit"})},
      {"EighteenBytesNoExtra", Riff(Chunk("fmt ", pcm8 + U16(0))), pcm8Lines},
      {"ImaAdpcmTwoExtraBytes",
       Riff(Chunk("fmt ", Common(0x11, 1, 22050, 11100, 512, 4) + U16(2) + U16(505))),
       Decoded(Fmt, {"IMA/DVI PCM format", "1 channel", "22050 Hz", "11100 bytes/sec",
                     "512 bytes/frame", "4 bit", "Additional parameters (2 bytes): F9 01"})},
      {"WideFieldsSignedNarrowZeroExtendedNoBitLine",
       Riff(Chunk("fmt ", Common(1, 0xFFFF, 0xFFFFFFFF, 0x80000000, 0xFFFF, 0))),
       Decoded(Fmt, {"PCM format", "65535 channel", "-1 Hz", "-2147483648 bytes/sec",
                     "65535 bytes/frame"})},
      {"DumpRunsPastTheChunk",
       Riff(Chunk("fmt ", pcm8 + U16(4) + "\xAB\xCD") + Chunk("JUNK", "xy")),
       pcm8Lines + Lines(2, {"Additional parameters (4 bytes): AB CD 4A 55"}) +
           Decoded("<JUNK> obsolete data", {"\"xy\""})},
      {"ExtraSizeOf100IsShownWhole", Riff(Chunk("fmt ", pcm8 + U16(100) + Counting(12)) + junk100),
       pcm8Lines +
           Lines(2, {"Additional parameters (100 bytes):" + Hex(Counting(12)) +
                     Hex("JUNK" + U32(100)) + Hex(Fill(80, 'j'))}) +
           Decoded("<JUNK> obsolete data", {'"' + Fill(100, 'j') + '"'})},
      {"ExtraSizeOver100ShowsWhatTheChunkHolds",
       Riff(Chunk("fmt ", pcm8 + U16(101) + Counting(12)) + junk100),
       pcm8Lines + Lines(2, {"Additional parameters (101 bytes):" + Hex(Counting(12))}) +
           Decoded("<JUNK> obsolete data", {'"' + Fill(100, 'j') + '"'})},
      {"ExtraSize300In58Bytes", Riff(Chunk("fmt ", pcm8 + U16(300) + Counting(40, 7))),
       pcm8Lines + Lines(2, {"Additional parameters (300 bytes):" + Hex(Counting(40, 7))})},
      {"ExtraSize300In1000Bytes", Riff(Chunk("fmt ", pcm8 + U16(300) + Counting(982))),
       pcm8Lines + Lines(2, {"Additional parameters (300 bytes):" + Hex(Counting(100))})},
      {"ChunkLengthTakenModulo65536",
       Riff(Chunk("fmt ", pcm8 + U16(200) + Counting(65536 + 5, 0xF0))),
       pcm8Lines + Lines(2, {"Additional parameters (200 bytes):" + Hex(Counting(5, 0xF0))})},
  };
  CheckReports(cases);
}

std::string Extensible(unsigned channels, std::uint32_t bytesPerSecond, unsigned blockAlign,
                       unsigned bits, unsigned validBits, std::uint32_t mask,
                       const std::string& guid) {
  return Common(0xFFFE, channels, 48000, bytesPerSecond, blockAlign, bits) + U16(22) +
         U16(validBits) + U32(mask) + guid;
}

TEST(FormatChunk, ExtensibleLayout) {
  const DecoderCase cases[] = {
      {"SixChannels24BitsIn32",
       Riff(Chunk("fmt ", Extensible(6, 1152000, 24, 32, 24, 0x3F, PcmGuid))),
       Decoded(Fmt, {"Extensible format", "6 channel", "48000 Hz", "1152000 bytes/sec",
                     "24 bytes/frame", "32 bit container", "24 bit data", "Channel assignments:"}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Surround left",
                     "6. Surround right"}) +
           Lines(2, {PcmGuidLine})},
      {"ValidBitsEqualToContainer",
       Riff(Chunk("fmt ", Extensible(2, 384000, 8, 32, 32, 0x3, FloatGuid))),
       Decoded(Fmt, {"Extensible format", "2 channel", "48000 Hz", "384000 bytes/sec",
                     "8 bytes/frame", "32 bit", "Channel assignments:"}) +
           Lines(3, {"1. Left", "2. Right"}) +
           Lines(2, {"{00000003-0000-0010-8000-00aa00389b71} IEEE float format"})},
      {"NoBitsGivesSamplesPerFrame",
       Riff(Chunk("fmt ", Extensible(1, 24000, 1024, 0, 2041, 0x24, AmbisonicPcmGuid))),
       Decoded(Fmt, {"Extensible format", "1 channel", "48000 Hz", "24000 bytes/sec",
                     "1024 bytes/frame", "2041 samples/frame", "Channel assignments:"}) +
           Lines(3, {"1. Centre", "2. Surround right"}) +
           Lines(2, {"{00000001-0721-11d3-8644-c8c1ca000000} PCM ambisonic B format"})},
      {"UnknownSpeakerBitsOnly",
       Riff(Chunk("fmt ", Extensible(1, 24000, 1024, 0, 0, 0x80000000, AmbisonicFloatGuid))),
       Decoded(Fmt, {"Extensible format", "1 channel", "48000 Hz", "24000 bytes/sec",
                     "1024 bytes/frame", "Channel assignments:",
                     "{00000003-0721-11d3-8644-c8c1ca000000} IEEE float ambisonic B format"})},
      {"EverySpeaker",
       Riff(Chunk("fmt ", Extensible(18, 1728000, 36, 16, 16, 0xFFFFFFFF, PvocGuid))),
       Decoded(Fmt, {"Extensible format", "18 channel", "48000 Hz", "1728000 bytes/sec",
                     "36 bytes/frame", "16 bit", "Channel assignments:"}) +
           Lines(3, {"1. Left", "2. Right", "3. Centre", "4. Subwoofer", "5. Surround left",
                     "6. Surround right", "7. Centre left", "8. Centre right",
                     "9. Surround (centre)", "10. Side left", "11. Side right", "12. Top centre",
                     "13. Top front left", "14. Top front centre", "15. Top front right",
                     "16. Top back left", "17. Top back centre", "18. Top back right"}) +
           Lines(2, {"{8312b9c2-2e6e-11d4-a824-de5b96c3ab21} PVOC-EX phase vocoder format"})},
      {"SpeakersNumberedByCountNotBit",
       Riff(Chunk("fmt ", Extensible(3, 288000, 6, 16, 16, 0x20201, PcmGuid))),
       Decoded(Fmt, {"Extensible format", "3 channel", "48000 Hz", "288000 bytes/sec",
                     "6 bytes/frame", "16 bit", "Channel assignments:"}) +
           Lines(3, {"1. Left", "2. Side left", "3. Top back right"}) + Lines(2, {PcmGuidLine})},
      {"NoMaskAndAnUnknownGuid",
       Riff(Chunk("fmt ", Extensible(1, 96000, 2, 16, 16, 0,
                                     Guid(0x8312B9C2, 0x2E6E, 0x11D4,
                                          "\xA8\x24\xDE\x5B\x96\xC3\xAB\x22")))),
       Decoded(Fmt, {"Extensible format", "1 channel", "48000 Hz", "96000 bytes/sec",
                     "2 bytes/frame", "16 bit", "{8312b9c2-2e6e-11d4-a824-de5b96c3ab22}"})},
      // The count and the dump length are the whole extra size, which
      // includes the 22 bytes already decoded: the dump runs into the next
      // chunk.
      {"ExtraSizeCountsTheDecodedLayout",
       Riff(Chunk("fmt ", Common(0xFFFE, 1, 48000, 96000, 2, 16) + U16(24) + U16(16) + U32(0) +
                              PcmGuid + "\xAA\xBB") +
            Chunk("JUNK", "abcdefghijklmnopqrst")),
       Decoded(Fmt, {"Extensible format", "1 channel", "48000 Hz", "96000 bytes/sec",
                     "2 bytes/frame", "16 bit", PcmGuidLine,
                     "Additional parameters (24 bytes): AA BB" + Hex("JUNK" + U32(20)) +
                         Hex("abcdefghijklmn")}) +
           Decoded("<JUNK> obsolete data", {"\"abcdefghijklmnopqrst\""})},
      // A 16-byte chunk: the extra size and the layout come from the chunk
      // after it, and its length less 22 wraps, which reaches the dump.
      {"SixteenByteChunkReadsOnAndWraps",
       Riff(Chunk("fmt ", Common(0xFFFE, 2, 44100, 176400, 4, 16)) +
            Chunk("JUNK", PcmGuid + Counting(100))),
       Decoded(Fmt, {"Extensible format", "2 channel", "44100 Hz", "176400 bytes/sec",
                     "4 bytes/frame", "16 bit container", "19278 bit data",  // "NK"
                     "Channel assignments:"}) +
           Lines(3, {"1. Centre", "2. Surround left", "3. Surround right", "4. Centre left"}) +
           Lines(2, {PcmGuidLine, "Additional parameters (21834 bytes):" + Hex(Counting(100))}) +
           Decoded("<JUNK> obsolete data", {"\"\""})},
      {"EighteenByteChunkAtEndOfFile",
       Riff(Chunk("fmt ", Common(0xFFFE, 1, 8000, 16000, 2, 16) + U16(0))),
       Decoded(Fmt,
               {"Extensible format", "1 channel", "8000 Hz", "16000 bytes/sec", "2 bytes/frame",
                "16 bit container", "0 bit data", "{00000000-0000-0000-0000-000000000000}",
                "Additional parameters (0 bytes):"})},
  };
  CheckReports(cases);
}

std::string Mpeg(unsigned layers, std::uint32_t bitRate, unsigned mode, unsigned modeExtension,
                 unsigned emphasis, unsigned flags) {
  return Common(0x50, 2, 44100, 16000, 1, 0) + U16(22) + U16(layers) + U32(bitRate) + U16(mode) +
         U16(modeExtension) + U16(emphasis) + U16(flags) + U32(0x12345678) + U32(0x9ABCDEF0);
}

TEST(FormatChunk, Mpeg1Layout) {
  const std::string head = Lines(1, {Fmt}) + Lines(2, {"MPEG format", "2 channel", "44100 Hz",
                                                       "16000 bytes/sec", "1 bytes/frame"});
  const DecoderCase cases[] = {
      {"JointStereoMs", Riff(Chunk("fmt ", Mpeg(0x4, 128000, 0x2, 0x4, 0, 0))),
       head + Lines(2, {"MPEG-1 Layer 3", "128000 bits/sec", "Joint Stereo (MS)"})},
      {"EveryBit", Riff(Chunk("fmt ", Mpeg(0x7, 0xFFFFFFFF, 0xF, 0xF, 2, 0x1F))),
       head + Lines(2, {"MPEG-1 Layer 1 2 3", "-1 bits/sec",
                        "Stereo Joint Stereo Dual ChannelSingle Channel"
                        "(intensity)(MS)(intensity and MS)",
                        "50/15 ms emphasis",
                        "Flags: Private Copyright Original/home Protection ID(MPEG-1)"})},
      {"StereoHasNoModeExtension", Riff(Chunk("fmt ", Mpeg(0x2, 192000, 0x1, 0x4, 4, 0x20))),
       head + Lines(2, {"MPEG-1 Layer 2", "192000 bits/sec", "Stereo ", "CCITT J.17 emphasis",
                        "Flags:"})},
      {"JointStereoWithoutLayer", Riff(Chunk("fmt ", Mpeg(0, 0, 0x2, 0xE, 1, 0))),
       head + Lines(2, {"MPEG-1 Layer", "0 bits/sec", "Joint Stereo "})},
      {"NoModeLeavesAnEmptyLine", Riff(Chunk("fmt ", Mpeg(0x1, 32000, 0, 0x2, 6, 0))),
       head + Lines(2, {"MPEG-1 Layer 1", "32000 bits/sec", ""})},
      {"SixteenByteChunkAtEndOfFile", Riff(Chunk("fmt ", Common(0x50, 1, 44100, 16000, 1, 0))),
       Decoded(Fmt, {"MPEG format", "1 channel", "44100 Hz", "16000 bytes/sec", "1 bytes/frame",
                     "MPEG-1 Layer", "0 bits/sec", "", "Additional parameters (0 bytes):"})},
  };
  CheckReports(cases);
}

TEST(GuidChunk, ShowsTheGuidAndItsName) {
  const DecoderCase cases[] = {
      {"KnownGuid", Riff(Chunk("guid", AmbisonicFloatGuid)),
       Decoded("<guid> unique ID",
               {"{00000003-0721-11d3-8644-c8c1ca000000} IEEE float ambisonic B format"})},
      {"LowercaseDigits",
       Riff(Chunk("dlid", Guid(0xDEADBEEF, 0xABCD, 0xEF01, "\xFE\xDC\xBA\x98\x76\x54\x32\x10"))),
       Decoded("<dlid> unique ID", {"{deadbeef-abcd-ef01-fedc-ba9876543210}"})},
      {"ShortChunkReadsOn", Riff(Chunk("dlid", U32(0x12345678)) + Chunk("JUNK", "abcd")),
       Decoded("<dlid> unique ID", {"{12345678-554a-4b4e-0400-000061626364}"}) +
           Decoded("<JUNK> obsolete data", {"\"abcd\""})},
      {"CutByTheEndOfTheFile", Riff(ChunkWithSize("guid", 16, "\x01\x02\x03")),
       Decoded("<guid> unique ID", {"{00030201-0000-0000-0000-000000000000}"})},
  };
  CheckReports(cases);
}

}  // namespace
