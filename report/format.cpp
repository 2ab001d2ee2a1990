// The format chunk, its format tags and sub-format GUIDs.
#include <cstdio>
#include <cstring>

#include "engine.h"

namespace {

constexpr std::uint16_t TagExtensible = 0xFFFE;
constexpr std::uint16_t TagMpeg1 = 0x0050;
constexpr std::uint32_t CommonHeaderBytes = 18;  // up to and including the extra size
constexpr std::uint32_t ExtendedLayoutBytes = 22;
constexpr std::uint32_t ParameterDumpMaximum = 100;

struct FormatName {
  std::uint16_t tag;
  const char* text;
};

const FormatName FormatNames[] = {
    {0x0000, "Unknown format"},
    {0x0001, "PCM format"},
    {0x0002, "Microsoft ADPCM format"},
    {0x0003, "Floating point format"},
    {0x0006, "A-law format"},
    {0x0007, "\xB5-law format"},  // MICRO SIGN of Windows-1252
    {0x0011, "IMA/DVI PCM format"},
    {0x0014, "G.723 ADPCM format"},
    {0x0020, "Yamaha ADPCM format"},
    {0x0030, "Dolby Labs AC-2 format"},
    {0x0031, "GSM610 format"},
    {0x0040, "G.721 ADPCM format"},
    {0x0050, "MPEG format"},
    {0x0200, "Creative Labs ADPCM format"},
    {0xFFFE, "Extensible format"},
    {0xFFFF, "Unregistered format"},
};

struct SubFormatName {
  const char* guid;
  const char* text;
};

const SubFormatName SubFormatNames[] = {
    {"{00000001-0000-0010-8000-00aa00389b71}", " PCM format"},
    {"{00000003-0000-0010-8000-00aa00389b71}", " IEEE float format"},
    {"{00000001-0721-11d3-8644-c8c1ca000000}", " PCM ambisonic B format"},
    {"{00000003-0721-11d3-8644-c8c1ca000000}", " IEEE float ambisonic B format"},
    {"{8312b9c2-2e6e-11d4-a824-de5b96c3ab21}", " PVOC-EX phase vocoder format"},
};

const char* const SpeakerNames[] = {
    "%d. Left",           "%d. Right",           "%d. Centre",
    "%d. Subwoofer",      "%d. Surround left",   "%d. Surround right",
    "%d. Centre left",    "%d. Centre right",    "%d. Surround (centre)",
    "%d. Side left",      "%d. Side right",      "%d. Top centre",
    "%d. Top front left", "%d. Top front centre", "%d. Top front right",
    "%d. Top back left",  "%d. Top back centre", "%d. Top back right",
};

// Writes the text of each set bit, lowest bit first.
void AppendFlagNames(std::uint32_t flags, const char* const* names, int count) {
  for (int bit = 0; bit < count; ++bit)
    if (flags & (1u << bit)) AppendText(names[bit]);
}

// The extensible layout (WAVEFORMATEXTENSIBLE after the common header):
//   18  u16  valid bits per sample, or samples per block when bits are 0
//   20  u32  channel mask
//   24  GUID sub-format
void DescribeExtensibleLayout(std::uint16_t bitsPerSample, std::uint32_t depth) {
  std::uint16_t validBits = ReadU16();
  if (bitsPerSample != 0) {
    if (validBits != bitsPerSample) {
      Append(" container");
      NewLine(depth);
      Append("%d bit data", validBits);
    }
  } else if (validBits != 0) {
    NewLine(depth);
    Append("%d samples/frame", validBits);
  }

  std::uint32_t channelMask = ReadU32();
  if (channelMask != 0) {
    NewLine(depth);
    Append("Channel assignments:");
    int speaker = 0;
    for (int bit = 0; bit < 18; ++bit) {
      if (channelMask & (1u << bit)) {
        NewLine(depth + 1);
        Append(SpeakerNames[bit], ++speaker);
      }
    }
  }
  DescribeGuid(depth);
}

// The MPEG-1 layout (MPEG1WAVEFORMAT after the common header):
//   18 u16 layers, 20 u32 bit rate, 24 u16 mode, 26 u16 mode extension,
//   28 u16 emphasis, 30 u16 flags, 32 u32 + 36 u32 presentation time stamp
void DescribeMpegLayout(std::uint32_t depth) {
  static const char* const Layers[] = {" 1", " 2", " 3"};
  static const char* const Modes[] = {"Stereo ", "Joint Stereo ", "Dual Channel",
                                      "Single Channel"};
  static const char* const ModeExtensions[] = {"", "(intensity)", "(MS)",
                                               "(intensity and MS)"};
  static const char* const Flags[] = {" Private", " Copyright", " Original/home",
                                      " Protection", " ID(MPEG-1)"};

  std::uint16_t layers = ReadU16();
  NewLine(depth);
  Append("MPEG-1 Layer");
  AppendFlagNames(layers, Layers, 3);

  std::int32_t bitRate = ReadS32();
  NewLine(depth);
  Append("%d bits/sec", bitRate);

  std::uint16_t mode = ReadU16();
  NewLine(depth);
  AppendFlagNames(mode, Modes, 4);

  std::uint16_t modeExtension = ReadU16();
  if ((mode & 0x2) && layers != 0) AppendFlagNames(modeExtension & 0xE, ModeExtensions, 4);

  std::uint16_t emphasis = ReadU16();
  if (emphasis == 2) {
    NewLine(depth);
    Append("50/15 ms emphasis");
  } else if (emphasis == 4) {
    NewLine(depth);
    Append("CCITT J.17 emphasis");
  }

  std::uint16_t flags = ReadU16();
  if (flags != 0) {
    NewLine(depth);
    Append("Flags:");
    AppendFlagNames(flags, Flags, 5);
  }

  ReadU32();  // presentation time stamp, low and high halves: not shown
  ReadU32();
}

}  // namespace

void DescribeFormatTag(std::uint32_t tag) {
  for (const FormatName& name : FormatNames) {
    if (name.tag == tag) {
      AppendText(name.text);
      return;
    }
  }
  Append("Proprietory format %Xh", tag);
}

void DescribeGuid(std::uint32_t depth) {
  std::uint32_t data1 = ReadU32();
  std::uint16_t data2 = ReadU16();
  std::uint16_t data3 = ReadU16();
  unsigned char data4[8];
  ReadBytes(data4, sizeof data4);

  char text[40];
  std::snprintf(text, sizeof text,
                "{%.8x-%.4x-%.4x-%.2x%.2x-%.2x%.2x%.2x%.2x%.2x%.2x}", data1, data2, data3,
                data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6],
                data4[7]);
  NewLine(depth);
  AppendText(text);
  for (const SubFormatName& known : SubFormatNames)
    if (std::strcmp(text, known.guid) == 0) AppendText(known.text);
}

// The common header (WAVEFORMATEX):
//   0 u16 format tag      2 u16 channels       4 u32 samples per second
//   8 u32 bytes/second   12 u16 block align   14 u16 bits per sample
//  16 u16 extra size
void DescribeFormatChunk(std::uint32_t length, std::uint32_t depth) {
  std::uint16_t tag = ReadU16();
  NewLine(depth);
  DescribeFormatTag(tag);

  std::uint16_t channels = ReadU16();
  NewLine(depth);
  Append("%d channel", channels);

  std::int32_t sampleRate = ReadS32();
  NewLine(depth);
  Append("%d Hz", sampleRate);

  std::uint32_t bytesPerSecond = ReadU32();
  NewLine(depth);
  Append("%d bytes/sec", static_cast<std::int32_t>(bytesPerSecond));
  SecondsPerByte = 1.0 / static_cast<double>(bytesPerSecond);  // 0 gives infinity

  std::uint16_t blockAlign = ReadU16();
  NewLine(depth);
  Append("%d bytes/frame", blockAlign);

  std::uint16_t bitsPerSample = ReadU16();
  if (bitsPerSample != 0) {
    NewLine(depth);
    Append("%d bit", bitsPerSample);
  }

  // Read whatever the chunk's length: a 16-byte chunk has none, and then
  // these are the two bytes after it, which only the dump below would use.
  std::uint16_t extraSize = ReadU16();

  if (tag == TagExtensible) {
    DescribeExtensibleLayout(bitsPerSample, depth);
    length -= ExtendedLayoutBytes;  // wraps for a short chunk, like the reads
  }
  if (tag == TagMpeg1) {
    DescribeMpegLayout(depth);
    length -= ExtendedLayoutBytes;
  }

  if (length > CommonHeaderBytes) {
    NewLine(depth);
    Append("Additional parameters (%d bytes):", extraSize);
    std::uint32_t shown = extraSize;
    if (shown > ParameterDumpMaximum) {
      shown = (length - CommonHeaderBytes) % 65536;
      if (shown > ParameterDumpMaximum) shown = ParameterDumpMaximum;
    }
    for (std::uint32_t i = 0; i < shown; ++i) Append(" %.2X", ReadU8());
  }
}
