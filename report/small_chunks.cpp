// Peak, display, data and fact chunks.
#include <cmath>
#include <cstring>

#include "engine.h"

namespace {

constexpr std::uint32_t PeakHeaderBytes = 8;  // version, time stamp
constexpr std::uint32_t PeakEntryBytes = 8;   // float value, position
constexpr std::uint32_t ClipboardCodeBytes = 4;
constexpr std::uint32_t LargeSizeBytes = 8;        // each of the three sizes of ds64
constexpr std::uint32_t LargeFixedBytes = 28;      // the three sizes and the table length
constexpr std::uint32_t LargeTableEntryBytes = 12;  // identifier, u64 size
// Table entries that the size lookups of one report read in all. Real tables
// hold a few entries; this keeps a crafted file whose chunks each look up a
// table of millions of entries from holding up the report.
constexpr std::uint32_t LargeTableLookupLimit = 1u << 20;

const char* ClipboardLabel(std::uint32_t code) {
  switch (code) {
    case 1: case 7: case 13: return "Text: ";
    case 2: case 8: return "Bitmap: ";
    case 3: case 14: return "Metafile: ";
    case 11: return "RIFF: ";
    case 12: return "WAVE: ";
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

LargeFileSizes LargeSizes = {};

// PEAK: 0 u32 version, 4 u32 time stamp, then per channel a float peak value
// and a u32 position. The channel count comes from the length alone.
void DescribePeakChunk(std::uint32_t length, std::uint32_t depth) {
  std::int32_t version = ReadS32();
  NewLine(depth);
  Append("Version %d", version);
  Append(" (timestamp %d)", ReadS32());
  if (length < PeakHeaderBytes + PeakEntryBytes) return;

  std::uint32_t channels = (length - PeakHeaderBytes) / PeakEntryBytes;
  // Past a full report nothing more can show; stop reading there.
  for (std::uint32_t channel = 1; channel <= channels && !ReportIsFull(); ++channel) {
    std::uint32_t bits = ReadU32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    std::int32_t position = ReadS32();
    NewLine(depth);
    Append("Channel %u: %s dB @ %d", channel,
           FixedText(20.0 * std::log10(static_cast<double>(value)), 2).c_str(), position);
  }
}

// DISP: 0 u32 clipboard format, 4 the data.
void DescribeDisplayChunk(std::uint32_t length, std::uint32_t depth) {
  std::uint32_t code = ReadU32();
  NewLine(depth);
  if (const char* label = ClipboardLabel(code))
    AppendText(label);
  else
    Append("Clipboard format %d: ", static_cast<std::int32_t>(code));
  if (length > ClipboardCodeBytes) DumpQuotedText(length - ClipboardCodeBytes, 0);
}

// data: only its length is used; the samples are never read. The length is
// 64-bit in an RF64 file.
void DescribeDataChunk(std::uint64_t length, std::uint32_t depth) {
  double seconds = static_cast<double>(length) * SecondsPerByte;
  NewLine(depth);
  if (seconds >= 60.0)
    Append("%s min ", FixedText(std::floor(seconds * 0.016666666666666666), 0).c_str());
  Append("%s sec duration", FixedText(std::fmod(seconds, 60.0), 3).c_str());
}

// fact: 0 u32 sample count.
void DescribeFactChunk(std::uint32_t depth) {
  std::int32_t samples = ReadS32();
  NewLine(depth);
  Append("%d samples", samples);
}

// ds64: 0 u64 RIFF length, 8 u64 data length, 16 u64 sample count, 24 u32
// table length, 28 the table, each entry a chunk identifier and its u64
// size. A field shows only when it lies wholly inside the payload.
void DescribeDs64Chunk(std::uint32_t length, std::uint32_t depth) {
  static const char* const SizeLines[] = {"RIFF length %llu", "data length %llu", "%llu samples"};
  std::uint32_t end = 0;
  for (const char* line : SizeLines) {
    end += LargeSizeBytes;
    if (length < end) return;
    unsigned long long size = ReadU64();
    NewLine(depth);
    Append(line, size);
  }
  if (length < LargeFixedBytes) return;
  std::uint32_t entries = CountedTableEntries(length, ReadU32());
  // Past a full report nothing more can show; stop reading there.
  for (std::uint32_t entry = 0; entry < entries && !ReportIsFull(); ++entry) {
    unsigned char id[4];
    ReadBytes(id, sizeof id);
    unsigned long long size = ReadU64();
    NewLine(depth);
    Append("<%.4s> length %llu", reinterpret_cast<const char*>(id), size);
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
