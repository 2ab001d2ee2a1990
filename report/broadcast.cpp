// Broadcast audio extension (bext, BEXT) and MPEG audio extension (mext,
// MEXT) chunks.
#include "engine.h"

namespace {

constexpr std::uint32_t BroadcastFixedBytes = 602;  // description .. reserved block
constexpr std::uint32_t BroadcastLengthCap = 5000;
constexpr std::uint32_t TimeReferenceEnd = 346;
constexpr std::uint32_t UmidAndReservedBytes = 254;
constexpr std::uint32_t UmidBytes = 64;
constexpr std::uint32_t LoudnessFields = 5;  // after the UMID, from version 2 on
constexpr std::uint32_t MpegExtensionBytes = 8;

}  // namespace

// bext:   0 description (256)   256 originator (32)   288 originator reference (32)
//       320 date (10)           330 time (8)          338 s64 time reference
//       346 u16 version         348 UMID and reserved (254)   602 coding history
void DescribeBroadcastExtension(std::uint32_t length, std::uint32_t depth) {
  JsonScope broadcast("broadcast");
  Showing fixed(true, HoldsFixedPart(length, BroadcastFixedBytes));
  std::uint64_t start = FilePosition();
  static const struct {
    const char* label;
    const char* name;
    std::uint32_t bytes;
  } Texts[] = {{"Description: ", "description", 256},
               {"Originator: ", "originator", 32},
               {"Originator reference: ", "originator_reference", 32},
               {"Origination date: ", "origination_date", 10},
               {"Origination time: ", "origination_time", 8}};
  for (const auto& text : Texts) {
    NewLine(depth);
    AppendText(text.label);
    DumpQuotedText(text.bytes, 0, text.name);
  }

  std::uint64_t timeReference = ReadU64();
  if (length >= TimeReferenceEnd) Facts = {Facts.sampleRate, true, timeReference};
  NewLine(depth);
  Field("time_reference", "Sample count %lld since midnight", timeReference);

  std::uint16_t version = ReadU16();
  NewLine(depth);
  Field("version", "Version %d", version);
  // The report quotes the UMID and the reserved block; JSON has the UMID
  // and, from version 2 on, the loudness values (hundredths of LU or dB).
  std::uint64_t umidAt = FilePosition();
  if (version != 0) {
    DumpQuotedText(UmidAndReservedBytes, depth);
  } else {
    unsigned char unshown[UmidAndReservedBytes];
    ReadBytes(unshown, sizeof unshown);
  }
  if (JsonWanted() && version != 0) {
    std::uint64_t resume = FilePosition();
    SeekFile(umidAt);
    unsigned char umid[UmidBytes];
    ReadBytes(umid, sizeof umid);
    JsonHex("umid", umid, sizeof umid);
    static const char* const Loudness[LoudnessFields] = {
        "loudness_value", "loudness_range", "max_true_peak_level", "max_momentary_loudness",
        "max_short_term_loudness"};
    for (const char* name : Loudness) {
      std::int16_t hundredths = static_cast<std::int16_t>(ReadU16());
      if (version >= 2) JsonSigned(name, hundredths);
    }
    SeekFile(resume);
  }

  // The coding history: text lines ended by CR LF, shown one report line per
  // text line. A line break is written only when text follows it, which
  // leaves no empty line at the end.
  std::uint32_t capped = length > BroadcastLengthCap ? BroadcastLengthCap : length;
  std::uint32_t budget = capped > BroadcastFixedBytes ? capped - BroadcastFixedBytes : 0;
  NewLine(depth);
  Append("Coding history: ");
  std::uint32_t pendingBreaks = 1;

  // The history is taken from the file in blocks; a block ends early only at
  // the end of the file, which ends the history.
  unsigned char block[256];
  std::size_t blockLength = 0, next = 0;
  auto nextByte = [&](unsigned char& byte) {
    if (next == blockLength) {
      blockLength = ReadBytes(block, budget < sizeof block ? budget : sizeof block);
      next = 0;
      if (blockLength == 0) return false;
    }
    byte = block[next++];
    --budget;
    return true;
  };
  char text[sizeof block];
  std::size_t textLength = 0;
  auto flushText = [&] {
    AppendBytes(text, textLength);
    textLength = 0;
  };

  unsigned char byte;
  while (budget > 0 && nextByte(byte)) {
    if (byte >= 32 && byte <= 127) {
      if (pendingBreaks > 0) {
        flushText();
        for (; pendingBreaks > 0; --pendingBreaks) NewLine(depth + 1);
      }
      text[textLength++] = static_cast<char>(byte);
      if (textLength == sizeof text) flushText();
      continue;
    }
    // Any other byte starts a line break, which takes one more byte with it
    // (normally the LF after a CR).
    ++pendingBreaks;
    unsigned char second;
    if (budget == 0 || !nextByte(second) || second == 0) break;
  }
  flushText();
  // JSON has the whole history, as far as the payload goes.
  JsonText("coding_history", start + BroadcastFixedBytes,
           length > BroadcastFixedBytes ? length - BroadcastFixedBytes : 0, TextKind::Riff);
}

// mext: 0 u16 sound information, 2 u16 frame size, 4 u16 ancillary data
// length, 6 u16 ancillary data definition.
void DescribeMpegExtension(std::uint32_t length, std::uint32_t depth) {
  JsonScope extension("mpeg_extension");
  Showing fixed(true, HoldsFixedPart(length, MpegExtensionBytes));
  std::uint16_t soundInformation = ReadU16();
  NewLine(depth);
  bool homogeneous = soundInformation & 0x1;
  Flag("homogeneous", homogeneous, "Homogeneous sound data");
  if (!homogeneous) Append("Non-homogeneous sound data");
  static const char* const Lines[] = {"Padding bit used",
                                      "Contains Fs=22050/44100 with padding bit=0",
                                      "Free format audio frame"};
  static const char* const Names[] = {"padding_bit_used", "padding_bit_0_at_22050_44100",
                                      "free_format"};
  // Bit 1 set says the padding bit is not used.
  bool set[] = {!(soundInformation & 0x2), (soundInformation & 0x4) != 0,
                (soundInformation & 0x8) != 0};
  for (int line = 0; line < 3; ++line) {
    if (set[line]) NewLine(depth);
    Flag(Names[line], set[line], Lines[line]);
  }

  NewLine(depth);
  Field("frame_size", "%d bytes per frame", ReadU16());
  NewLine(depth);
  Field("ancillary_data_length", "%d bytes ancillary data", ReadU16());

  // Only the named bits (0 to 5) produce text: a definition with none of
  // them set adds nothing, as 0 does.
  std::uint16_t definition = ReadU16();
  static const char* const Data[] = {"peak",     "private_byte", "right_peak",
                                     "adr_data", "dab_data",     "j52_data"};
  {
    JsonScope ancillary("ancillary_data");
    for (int bit = 0; bit < 6; ++bit) JsonBool(Data[bit], (definition >> bit) & 1);
  }
  if ((definition & 0x3F) == 0) return;
  static const char* const DataNames[] = {"peak, ",     "private byte, ", "right peak, ",
                                          "ADR data, ", "DAB data, ",     "J52 data, "};
  char names[96];
  std::size_t used = 0;
  auto add = [&](const char* text) {
    while (*text) names[used++] = *text++;
  };
  for (int bit = 0; bit < 6; ++bit) {
    if (!(definition & (1u << bit))) continue;
    if (bit == 0 && (definition & 0x4)) add("left ");
    add(DataNames[bit]);
  }
  used -= 2;  // the last ", " (at least one name was written above)
  Append(" (");
  AppendBytes(names, used);
  Append(")");
}
