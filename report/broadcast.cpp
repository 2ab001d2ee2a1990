// Broadcast audio extension (bext, BEXT) and MPEG audio extension (mext,
// MEXT) chunks.
#include "engine.h"

namespace {

constexpr std::uint32_t BroadcastFixedBytes = 602;  // description .. reserved block
constexpr std::uint32_t BroadcastLengthCap = 5000;
constexpr std::uint32_t UmidAndReservedBytes = 254;

}  // namespace

// bext:   0 description (256)   256 originator (32)   288 originator reference (32)
//       320 date (10)           330 time (8)          338 s64 time reference
//       346 u16 version         348 UMID and reserved (254)   602 coding history
void DescribeBroadcastExtension(std::uint32_t length, std::uint32_t depth) {
  NewLine(depth);
  Append("Description: ");
  DumpQuotedText(256, 0);
  NewLine(depth);
  Append("Originator: ");
  DumpQuotedText(32, 0);
  NewLine(depth);
  Append("Originator reference: ");
  DumpQuotedText(32, 0);
  NewLine(depth);
  Append("Origination date: ");
  DumpQuotedText(10, 0);
  NewLine(depth);
  Append("Origination time: ");
  DumpQuotedText(8, 0);

  std::int64_t timeReference = static_cast<std::int64_t>(ReadU64());
  NewLine(depth);
  Append("Sample count %lld since midnight", static_cast<long long>(timeReference));

  std::uint16_t version = ReadU16();
  NewLine(depth);
  Append("Version %d", version);
  if (version != 0) {
    DumpQuotedText(UmidAndReservedBytes, depth);
  } else {
    unsigned char unshown[UmidAndReservedBytes];
    ReadBytes(unshown, sizeof unshown);
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
}

// mext: 0 u16 sound information, 2 u16 frame size, 4 u16 ancillary data
// length, 6 u16 ancillary data definition.
void DescribeMpegExtension(std::uint32_t, std::uint32_t depth) {
  std::uint16_t soundInformation = ReadU16();
  NewLine(depth);
  Append((soundInformation & 0x1) ? "Homogeneous sound data" : "Non-homogeneous sound data");
  if (!(soundInformation & 0x2)) {
    NewLine(depth);
    Append("Padding bit used");
  }
  if (soundInformation & 0x4) {
    NewLine(depth);
    Append("Contains Fs=22050/44100 with padding bit=0");
  }
  if (soundInformation & 0x8) {
    NewLine(depth);
    Append("Free format audio frame");
  }

  std::uint16_t frameSize = ReadU16();
  NewLine(depth);
  Append("%d bytes per frame", frameSize);
  std::uint16_t ancillaryLength = ReadU16();
  NewLine(depth);
  Append("%d bytes ancillary data", ancillaryLength);

  // Only the named bits (0 to 5) produce text: a definition with none of
  // them set adds nothing, as 0 does.
  std::uint16_t definition = ReadU16();
  if ((definition & 0x3F) == 0) return;
  static const char* const Names[] = {"peak, ",     "private byte, ", "right peak, ",
                                      "ADR data, ", "DAB data, ",     "J52 data, "};
  char names[96];
  std::size_t used = 0;
  auto add = [&](const char* text) {
    while (*text) names[used++] = *text++;
  };
  for (int bit = 0; bit < 6; ++bit) {
    if (!(definition & (1u << bit))) continue;
    if (bit == 0 && (definition & 0x4)) add("left ");
    add(Names[bit]);
  }
  used -= 2;  // the last ", " (at least one name was written above)
  Append(" (");
  AppendBytes(names, used);
  Append(")");
}
