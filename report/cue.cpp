// Cue points, play lists and the texts attached to cue points.
#include "engine.h"

namespace {

constexpr std::uint32_t ItemCountMask = 127;  // only the low 7 bits of a count are used
constexpr std::uint32_t TextIdentifierThreshold = 500000000;
constexpr std::uint32_t LabelFixedBytes = 4;           // identifier
constexpr std::uint32_t LabelledTextFixedBytes = 20;   // identifier .. code page

}  // namespace

bool IdentifierIsText(const unsigned char* id) {
  return FourCCValue(id) >= TextIdentifierThreshold;
}

void BeginItemLine(std::uint32_t depth, const char* textForm, const char* numberForm) {
  unsigned char id[4];
  ReadBytes(id, sizeof id);
  NewLine(depth);
  if (IdentifierIsText(id))
    Append(textForm, reinterpret_cast<const char*>(id));
  else
    Append(numberForm, static_cast<int>(FourCCValue(id)));
}

// cue : 0 u32 count, then 24-byte points: identifier, play order position,
// chunk identifier, chunk start, block start, sample offset.
void DescribeCueChunk(std::uint32_t, std::uint32_t depth) {
  std::uint32_t count = ReadU32() & ItemCountMask;
  for (std::uint32_t i = 0; i < count; ++i) {
    BeginItemLine(depth, "#%.4s", "#%d");
    Append(" (playlist entry %d)", ReadS32());
    ReadU32();  // chunk identifier, chunk start, block start: not shown
    ReadU32();
    ReadU32();
    Append(" @ %d samples", ReadS32());
  }
}

// plst: 0 u32 count, then 12-byte segments: identifier, length, repeats.
void DescribePlaylistChunk(std::uint32_t, std::uint32_t depth) {
  std::uint32_t count = ReadU32() & ItemCountMask;
  for (std::uint32_t i = 0; i < count; ++i) {
    BeginItemLine(depth, "#%.4s", "#%d");
    Append(": %d samples x ", ReadS32());
    std::int32_t repeats = ReadS32();
    Append("%d repeat", repeats);
    if (repeats != 1) Append("s");
  }
}

// labl, note: 0 identifier, 4 text.
void DescribeLabelChunk(std::uint32_t length, std::uint32_t depth) {
  BeginItemLine(depth, "#%.4s: ", "#%d: ");
  // A payload too short for its identifier has no text; the bytes after the
  // chunk are not its text.
  DumpQuotedText(length > LabelFixedBytes ? length - LabelFixedBytes : 0, 0);
}

// ltxt: 0 identifier, 4 u32 region length, 8 purpose, 12 country,
// 14 language, 16 dialect, 18 code page, 20 text.
void DescribeLabelledTextChunk(std::uint32_t length, std::uint32_t depth) {
  BeginItemLine(depth, "#%.4s", "#%d");
  std::int32_t regionLength = ReadS32();
  unsigned char purpose[4];
  ReadBytes(purpose, sizeof purpose);
  unsigned char unshown[8];  // country, language, dialect, code page
  ReadBytes(unshown, sizeof unshown);
  Append(": %d samples as \"%.4s\" ", regionLength, reinterpret_cast<const char*>(purpose));
  if (length > LabelledTextFixedBytes) DumpQuotedText(length - LabelledTextFixedBytes, 0);
}
