// Peak, display, data and fact chunks.
#include <charconv>
#include <cmath>
#include <cstring>

#include "engine.h"

namespace {

constexpr std::uint32_t PeakHeaderBytes = 8;  // version, time stamp
constexpr std::uint32_t PeakEntryBytes = 8;   // float value, position
constexpr std::uint32_t ClipboardCodeBytes = 4;
constexpr std::uint32_t SampleCountBytes = 4;
constexpr std::uint32_t LargeSizeBytes = 8;        // each of the three sizes of ds64
constexpr std::uint32_t LargeFixedBytes = 28;      // the three sizes and the table length
constexpr std::uint32_t LargeTableEntryBytes = 12;  // identifier, u64 size
// Table entries that the size lookups of one report read in all. Real tables
// hold a few entries; this keeps a crafted file whose chunks each look up a
// table of millions of entries from holding up the report.
constexpr std::uint32_t LargeTableLookupLimit = 1u << 20;

const char* ClipboardLabel(std::uint32_t code) {
  switch (code) {
    case 1: case 7: case 13: return "Text";
    case 2: case 8: return "Bitmap";
    case 3: case 14: return "Metafile";
    case 11: return "RIFF";
    case 12: return "WAVE";
    default: return nullptr;
  }
}

// The ds64 table entries that count: those wholly inside a payload of
// length bytes (at least LargeFixedBytes), and no more than the table length.
std::uint32_t CountedTableEntries(std::uint32_t length, std::uint32_t tableLength) {
  std::uint32_t whole = (length - LargeFixedBytes) / LargeTableEntryBytes;
  return tableLength < whole ? tableLength : whole;
}

}  // namespace

thread_local LargeFileSizes LargeSizes = {};

// PEAK: 0 u32 version, 4 u32 time stamp, then per channel a float peak value
// and a u32 position. The channel count comes from the length alone.
void DescribePeakChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope peak("peak");
  Showing fixed(true, HoldsFixedPart(length, PeakHeaderBytes));
  std::uint64_t start = FilePosition();
  NewLine(depth);
  Field("version", "Version %d", ReadU32());
  Field("timestamp", " (timestamp %d)", ReadU32());
  JsonScope channelList("channels", JsonScope::Array);
  if (length < PeakHeaderBytes + PeakEntryBytes) return;

  std::uint32_t channels = (length - PeakHeaderBytes) / PeakEntryBytes;
  std::uint32_t held = RecordsHeld(start, length, PeakHeaderBytes, PeakEntryBytes, channels);
  // Past a full report nothing more can show; the reading stops there
  // unless JSON lists the entries the file holds.
  for (std::uint32_t channel = 1; channel <= channels && (!ReportIsFull() || channel <= held);
       ++channel) {
    Showing entry(true, channel <= held);
    JsonScope channelPeak(nullptr);
    std::uint32_t bits = ReadU32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    std::uint32_t position = ReadU32();
    FixedText level(20.0 * std::log10(static_cast<double>(value)), 2);
    NewLine(depth);
    Append("Channel %u: %s dB @ %d", channel, level.c_str(), position);
    if (JsonWanted()) {
      // The fewest digits that read back as the same float ("inf" and
      // "nan", which JSON has as null, for the others).
      char shortest[32];
      *std::to_chars(shortest, shortest + sizeof shortest - 1, value).ptr = '\0';
      JsonNumberText("value", shortest);
      JsonNumberText("level_db", level.c_str());
      JsonUnsigned("position", position);
    }
  }
}

// DISP: 0 u32 clipboard format, 4 the data.
void DescribeDisplayChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope display("display");
  Showing fixed(true, HoldsFixedPart(length, ClipboardCodeBytes));
  std::uint32_t code = ReadU32();
  NewLine(depth);
  JsonUnsigned("clipboard_format", code);
  const char* label = ClipboardLabel(code);
  if (label) {
    TextField("clipboard_format_name", label);
    Append(": ");
  } else {
    Append("Clipboard format %d: ", static_cast<std::int32_t>(code));
  }
  // JSON has the data as text in the formats of 8-bit text (1 and 7), never
  // in the other named ones (pictures, sound, and UTF-16 text, which it does
  // not decode), and in the rest when it reads as text.
  bool text = code == 1 || code == 7;
  if (length > ClipboardCodeBytes)
    DumpQuotedText(length - ClipboardCodeBytes, 0, text || !label ? "text" : nullptr,
                   text ? TextKind::Riff : TextKind::RiffOrBinary);
}

// data: only its length is used; the samples are never read. The length is
// 64-bit in an RF64 file.
void DescribeDataChunk(std::uint64_t length, std::uint32_t depth) {
  JsonScope data("data");
  double seconds = static_cast<double>(length) * SecondsPerByte;
  NewLine(depth);
  if (seconds >= 60.0)
    Append("%s min ", FixedText(std::floor(seconds * 0.016666666666666666), 0).c_str());
  FixedText inMinute(std::fmod(seconds, 60.0), 3);
  Append("%s sec duration", inMinute.c_str());
  if (!JsonWanted()) return;
  if (seconds >= 60.0 || !(seconds >= 0.0))
    JsonNumberText("duration_seconds", FixedText(seconds, 3).c_str());
  else
    JsonNumberText("duration_seconds", inMinute.c_str());
}

// fact: 0 u32 sample count.
void DescribeFactChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope fact("fact");
  Showing fixed(true, HoldsFixedPart(length, SampleCountBytes));
  NewLine(depth);
  Field("sample_count", "%d samples", ReadU32());
}

// ds64: 0 u64 RIFF length, 8 u64 data length, 16 u64 sample count, 24 u32
// table length, 28 the table, each entry a chunk identifier and its u64
// size. A field shows only when it lies wholly inside the payload.
void DescribeDs64Chunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope sizes("ds64");
  static const struct {
    const char* name;
    const char* line;
  } Sizes[] = {{"riff_length", "RIFF length %llu"},
               {"data_length", "data length %llu"},
               {"sample_count", "%llu samples"}};
  HoldsFixedPart(length, LargeFixedBytes);
  std::uint64_t start = FilePosition();
  std::uint32_t end = 0;
  for (const auto& size : Sizes) {
    end += LargeSizeBytes;
    if (length < end) return;
    NewLine(depth);
    Field(size.name, size.line, ReadU64());
  }
  if (length < LargeFixedBytes) return;
  std::uint32_t tableLength = ReadU32();
  JsonUnsigned("table_length", tableLength);
  std::uint32_t entries = CountedTableEntries(length, tableLength);
  std::uint32_t held = RecordsHeld(start, length, LargeFixedBytes, LargeTableEntryBytes, entries);
  JsonScope table("table", JsonScope::Array);
  // Past a full report nothing more can show; stop reading there, unless
  // JSON lists the entries the file holds.
  for (std::uint32_t entry = 0; entry < entries && (!ReportIsFull() || entry < held); ++entry) {
    Showing shown(true, entry < held);
    JsonScope tableEntry(nullptr);
    unsigned char id[4];
    ReadBytes(id, sizeof id);
    unsigned long long size = ReadU64();
    NewLine(depth);
    Append("<%.4s> length %llu", reinterpret_cast<const char*>(id), size);
    JsonIdentifier("id", id);
    JsonUnsigned("size", size);
  }
}

void ReadLargeSizes(std::uint32_t length) {
  LargeSizes.present = true;
  LargeSizes.riffLength = ReadU64();
  LargeSizes.dataLength = ReadU64();
  ReadU64();  // the sample count: nothing is sized by it; read to stay in step
  LargeSizes.tableEntries = CountedTableEntries(length, ReadU32());
  LargeSizes.tableStart = FilePosition();
  LargeSizes.lookupsLeft = LargeTableLookupLimit;
}

std::uint64_t LargeTableSize(std::uint32_t id) {
  std::uint64_t resume = FilePosition();
  std::uint64_t size = 0xFFFFFFFF;
  SeekFile(LargeSizes.tableStart);
  for (std::uint32_t entry = 0; entry < LargeSizes.tableEntries && LargeSizes.lookupsLeft != 0;
       ++entry, --LargeSizes.lookupsLeft) {
    unsigned char entryId[4];
    // Past the end of the file every entry reads as zeros, so the first of
    // them answers for all the rest: a table claiming millions of entries
    // in a small file is not read to its end.
    bool pastEnd = ReadBytes(entryId, sizeof entryId) == 0;
    std::uint64_t entrySize = ReadU64();
    if (FourCCValue(entryId) == id) {
      size = entrySize;
      break;
    }
    if (pastEnd) break;
  }
  SeekFile(resume);
  return size;
}
