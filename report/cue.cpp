// Cue points, play lists and the texts attached to cue points.
#include "engine.h"

namespace {

constexpr std::uint32_t ItemCountMask = 127;  // the report shows the low 7 bits of a count
constexpr std::uint32_t TextIdentifierThreshold = 500000000;
constexpr std::uint32_t CountBytes = 4;
constexpr std::uint32_t CuePointBytes = 24;
constexpr std::uint32_t SegmentBytes = 12;
constexpr std::uint32_t LabelFixedBytes = 4;           // identifier
constexpr std::uint32_t LabelledTextFixedBytes = 20;   // identifier .. code page

}  // namespace

bool IdentifierIsText(const unsigned char* id) {
  return FourCCValue(id) >= TextIdentifierThreshold;
}

// JSON has the identifier's value as id, and its text as id_text when the
// report shows it as text.
void BeginItemLine(std::uint32_t depth, const char* textForm, const char* numberForm) {
  unsigned char id[4];
  ReadBytes(id, sizeof id);
  NewLine(depth);
  JsonUnsigned("id", FourCCValue(id));
  if (IdentifierIsText(id)) {
    Append(textForm, reinterpret_cast<const char*>(id));
    JsonIdentifier("id_text", id, sizeof id, true);
  } else {
    Append(numberForm, static_cast<int>(FourCCValue(id)));
  }
}

namespace {

// A cue point list or play list: a count, then records of recordBytes each.
// The report shows as many records as the low 7 bits of the count say; JSON
// those of the count that the chunk holds.
template <typename Describe>
void DescribeCountedList(std::uint32_t length, std::uint32_t recordBytes, const char* name,
                         Describe describe) {
  Showing fixed(true, HoldsFixedPart(length, CountBytes));
  std::uint64_t start = FilePosition();
  std::uint32_t count = ReadU32();
  JsonUnsigned("count", count);
  DescribeRecords(name, count & ItemCountMask,
                  RecordsHeld(start, length, CountBytes, recordBytes, count), describe);
}

}  // namespace

// cue : 0 u32 count, then 24-byte points: identifier, play order position,
// chunk identifier, chunk start, block start, sample offset.
void DescribeCueChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope cue("cue");
  DescribeCountedList(length, CuePointBytes, "points", [depth] {
    BeginItemLine(depth, "#%.4s", "#%d");
    Field("position", " (playlist entry %d)", ReadU32());
    unsigned char chunkId[4];
    ReadBytes(chunkId, sizeof chunkId);
    JsonIdentifier("chunk_id", chunkId);
    JsonUnsigned("chunk_start", ReadU32());
    JsonUnsigned("block_start", ReadU32());
    Field("sample_offset", " @ %d samples", ReadU32());
  });
}

// plst: 0 u32 count, then 12-byte segments: identifier, length, repeats.
void DescribePlaylistChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope playlist("playlist");
  DescribeCountedList(length, SegmentBytes, "segments", [depth] {
    BeginItemLine(depth, "#%.4s", "#%d");
    Field("length", ": %d samples x ", ReadU32());
    std::uint32_t repeats = ReadU32();
    Field("repeats", "%d repeat", repeats);
    if (repeats != 1) Append("s");
  });
}

// labl, note: 0 identifier, 4 text.
void DescribeLabelChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope label("label");
  Showing fixed(true, HoldsFixedPart(length, LabelFixedBytes));
  BeginItemLine(depth, "#%.4s: ", "#%d: ");
  // A payload too short for its identifier has no text; the bytes after the
  // chunk are not its text.
  DumpQuotedText(length > LabelFixedBytes ? length - LabelFixedBytes : 0, 0, "text");
}

// ltxt: 0 identifier, 4 u32 region length, 8 purpose, 12 country,
// 14 language, 16 dialect, 18 code page, 20 text.
void DescribeLabelledTextChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope labelledText("labelled_text");
  Showing fixed(true, HoldsFixedPart(length, LabelledTextFixedBytes));
  BeginItemLine(depth, "#%.4s", "#%d");
  std::uint32_t regionLength = ReadU32();
  unsigned char purpose[4];
  ReadBytes(purpose, sizeof purpose);
  JsonUnsigned("country", ReadU16());
  JsonUnsigned("language", ReadU16());
  JsonUnsigned("dialect", ReadU16());
  JsonUnsigned("code_page", ReadU16());
  Field("length", ": %d samples", regionLength);
  Append(" as \"%.4s\" ", reinterpret_cast<const char*>(purpose));
  JsonIdentifier("purpose", purpose);
  if (length > LabelledTextFixedBytes)
    DumpQuotedText(length - LabelledTextFixedBytes, 0, "text");
}
