// The format chunk, its format tags and sub-format GUIDs.
#include <cstdio>
#include <cstring>

#include "engine.h"

namespace {

constexpr std::uint16_t TagExtensible = 0xFFFE;
constexpr std::uint16_t TagMpeg1 = 0x0050;
constexpr std::uint32_t WaveFormatBytes = 14;    // up to the block align
constexpr std::uint32_t PcmFormatBytes = 16;     // and the bits per sample
constexpr std::uint32_t CommonHeaderBytes = 18;  // up to and including the extra size
constexpr std::uint32_t ExtendedLayoutBytes = 22;
constexpr std::uint32_t GuidBytes = 16;
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
    "Left",           "Right",           "Centre",
    "Subwoofer",      "Surround left",   "Surround right",
    "Centre left",    "Centre right",    "Surround (centre)",
    "Side left",      "Side right",      "Top centre",
    "Top front left", "Top front centre", "Top front right",
    "Top back left",  "Top back centre", "Top back right",
};

// A flag bit's JSON name and the text the report shows when it is set.
struct FlagName {
  const char* name;
  const char* text;
};

// Shows the text of each set bit, lowest bit first; JSON has every bit as a
// boolean. Without text (shown false) the bits go to JSON alone.
template <std::size_t Count>
void Flags(std::uint32_t flags, const FlagName (&names)[Count], bool shown = true) {
  for (std::size_t bit = 0; bit < Count; ++bit)
    Flag(names[bit].name, (flags >> bit) & 1, shown ? names[bit].text : nullptr);
}

// The extensible layout (WAVEFORMATEXTENSIBLE after the common header):
//   18  u16  valid bits per sample, or samples per block when bits are 0
//   20  u32  channel mask
//   24  GUID sub-format
void DescribeExtensibleLayout(std::uint16_t bitsPerSample, std::uint32_t depth) {
  std::uint16_t validBits = ReadU16();
  if (bitsPerSample != 0) {
    JsonUnsigned("valid_bits_per_sample", validBits);
    if (validBits != bitsPerSample) {
      Append(" container");
      NewLine(depth);
      Append("%d bit data", validBits);
    }
  } else {
    JsonUnsigned("samples_per_block", validBits);
    if (validBits != 0) {
      NewLine(depth);
      Append("%d samples/frame", validBits);
    }
  }

  std::uint32_t channelMask = ReadU32();
  JsonUnsigned("channel_mask", channelMask);
  if (channelMask != 0) {
    NewLine(depth);
    Append("Channel assignments:");
  }
  {
    JsonScope speakers("speakers", JsonScope::Array);
    int speaker = 0;
    for (int bit = 0; bit < 18; ++bit) {
      if (channelMask & (1u << bit)) {
        NewLine(depth + 1);
        Append("%d. ", ++speaker);
        TextField(nullptr, SpeakerNames[bit]);
      }
    }
  }
  DescribeGuid(depth, "sub_format", "sub_format_name");
}

// The MPEG-1 layout (MPEG1WAVEFORMAT after the common header):
//   18 u16 layers, 20 u32 bit rate, 24 u16 mode, 26 u16 mode extension,
//   28 u16 emphasis, 30 u16 flags, 32 u32 + 36 u32 presentation time stamp
void DescribeMpegLayout(std::uint32_t depth) {
  static const FlagName Layers[] = {{"layer_1", " 1"}, {"layer_2", " 2"}, {"layer_3", " 3"}};
  static const FlagName Modes[] = {{"stereo", "Stereo "},
                                   {"joint_stereo", "Joint Stereo "},
                                   {"dual_channel", "Dual Channel"},
                                   {"single_channel", "Single Channel"}};
  static const FlagName ModeExtensions[] = {{"intensity_stereo", "(intensity)"},
                                            {"ms_stereo", "(MS)"},
                                            {"intensity_and_ms_stereo", "(intensity and MS)"}};
  static const FlagName Flags[] = {{"private", " Private"},
                                   {"copyright", " Copyright"},
                                   {"original_home", " Original/home"},
                                   {"protection", " Protection"},
                                   {"id_mpeg1", " ID(MPEG-1)"}};
  JsonScope mpeg("mpeg");

  std::uint16_t layers = ReadU16();
  NewLine(depth);
  Append("MPEG-1 Layer");
  ::Flags(layers, Layers);

  std::uint32_t bitRate = ReadU32();
  NewLine(depth);
  Field("bit_rate", "%d bits/sec", bitRate);

  std::uint16_t mode = ReadU16();
  NewLine(depth);
  ::Flags(mode, Modes);

  // The extension names joint stereo's kind: bit 0 has no name.
  std::uint16_t modeExtension = ReadU16();
  ::Flags(modeExtension >> 1, ModeExtensions, (mode & 0x2) && layers != 0);

  std::uint16_t emphasis = ReadU16();
  JsonUnsigned("emphasis", emphasis);
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
  }
  ::Flags(flags, Flags);

  // The presentation time stamp is not shown.
  std::uint64_t timeStamp = ReadU32();
  timeStamp |= static_cast<std::uint64_t>(ReadU32()) << 32;
  JsonUnsigned("presentation_time_stamp", timeStamp);
}

}  // namespace

void DescribeFormatTag(std::uint32_t tag) {
  JsonUnsigned("format_tag", tag);
  for (const FormatName& name : FormatNames) {
    if (name.tag == tag) {
      TextField("format_name", name.text);
      return;
    }
  }
  char text[40];
  std::snprintf(text, sizeof text, "Proprietory format %Xh", tag);
  TextField("format_name", text);
}

void DescribeGuid(std::uint32_t depth, const char* name, const char* knownName) {
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
  TextField(name, text);
  for (const SubFormatName& known : SubFormatNames)
    if (std::strcmp(text, known.guid) == 0) TextField(knownName, known.text);
}

// guid, dlid: a GUID.
void DescribeGuidChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope guid("guid");
  Showing fixed(true, HoldsFixedPart(length, GuidBytes));
  DescribeGuid(depth);
}

// The common header (WAVEFORMATEX):
//   0 u16 format tag      2 u16 channels       4 u32 samples per second
//   8 u32 bytes/second   12 u16 block align   14 u16 bits per sample
//  16 u16 extra size
// The bits per sample (in all but the oldest files) and the layouts of the
// extensible and MPEG-1 formats belong to the fixed part; the extra size
// does not (many files leave it out).
void DescribeFormatChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope format("format");
  const std::uint32_t payload = length;
  std::uint16_t tag = ReadU16();
  bool layout = tag == TagExtensible || tag == TagMpeg1;
  HoldsFixedPart(length, layout ? CommonHeaderBytes + ExtendedLayoutBytes : PcmFormatBytes);
  Showing header(true, length >= WaveFormatBytes);
  NewLine(depth);
  DescribeFormatTag(tag);

  NewLine(depth);
  Field("channels", "%d channel", ReadU16());
  NewLine(depth);
  Facts.sampleRate = ReadU32();
  Field("sample_rate", "%d Hz", Facts.sampleRate);

  std::uint32_t bytesPerSecond = ReadU32();
  NewLine(depth);
  Field("bytes_per_second", "%d bytes/sec", bytesPerSecond);
  SecondsPerByte = 1.0 / static_cast<double>(bytesPerSecond);  // 0 gives infinity

  NewLine(depth);
  Field("block_align", "%d bytes/frame", ReadU16());

  std::uint16_t bitsPerSample = ReadU16();
  {
    Showing shown(bitsPerSample != 0, length >= PcmFormatBytes);
    NewLine(depth);
    Field("bits_per_sample", "%d bit", bitsPerSample);
  }

  // Read whatever the chunk's length: a 16-byte chunk has none, and then
  // these are the two bytes after it, which only the dump below would use.
  std::uint16_t extraSize = ReadU16();
  if (length >= CommonHeaderBytes) JsonUnsigned("extra_size", extraSize);

  {
    Showing layoutHeld(true, length >= CommonHeaderBytes + ExtendedLayoutBytes);
    if (tag == TagExtensible) DescribeExtensibleLayout(bitsPerSample, depth);
    if (tag == TagMpeg1) DescribeMpegLayout(depth);
  }
  if (layout) length -= ExtendedLayoutBytes;  // wraps for a short chunk, like the reads

  if (length > CommonHeaderBytes) {
    NewLine(depth);
    Append("Additional parameters (%d bytes):", extraSize);
    std::uint32_t shown = extraSize;
    if (shown > ParameterDumpMaximum) {
      shown = (length - CommonHeaderBytes) % 65536;
      if (shown > ParameterDumpMaximum) shown = ParameterDumpMaximum;
    }
    unsigned char parameters[ParameterDumpMaximum];
    for (std::uint32_t i = 0; i < shown; ++i) {
      parameters[i] = ReadU8();
      Append(" %.2X", parameters[i]);
    }
    // JSON has those of the dumped bytes that the chunk holds.
    std::uint32_t at = CommonHeaderBytes + (layout ? ExtendedLayoutBytes : 0);
    std::uint32_t held = payload > at ? payload - at : 0;
    Showing inside(true, held != 0);
    JsonHex("additional_parameters", parameters, shown < held ? shown : held);
  }
}
