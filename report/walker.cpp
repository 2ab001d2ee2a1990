// The file summary and the walk of the RIFF chunk tree.
#include <algorithm>

#include "engine.h"

thread_local double SecondsPerByte = 0.0;

namespace {

// The chunk whose payload is being decoded: its header's offset and its
// identifier, for the problems its decoder finds.
thread_local std::uint64_t DecodedChunkOffset = 0;
thread_local unsigned char DecodedChunkId[4] = {};

constexpr std::uint32_t ListTypeBytes = 4;
constexpr std::uint32_t ChunkHeaderBytes = 8;
constexpr std::uint32_t MinimumListRemainder = ListTypeBytes + ChunkHeaderBytes;

constexpr std::uint32_t LargeSizeMark = 0xFFFFFFFF;  // "the size is in ds64"
constexpr std::uint32_t LargeSizesOffset = 12;       // where an RF64 file has its ds64 chunk
constexpr std::uint32_t LargeSizesMinimum = 28;      // three sizes and the table length
// A LIST's array of chunks, around the chunks' own levels (the LIST's object
// is open already when they are counted).
constexpr std::uint32_t ListJsonLevels = 1 + ChunkJsonLevels;

// Whether the file's form (RIFF, RF64 or BW64) holds tag chunks at its top
// level.
thread_local bool FormHoldsTags = false;

// A tag chunk's payload of size bytes at the file position: quoted text in
// the report, and, when tagged, decoded by decode as well.
void QuotedTag(std::uint32_t size, std::uint32_t depth, TextKind kind, bool tagged,
               void (*decode)(std::uint32_t)) {
  std::uint64_t start = FilePosition();
  DumpQuotedText(size, depth, "text", kind);
  if (!tagged) return;
  SeekFile(start);
  decode(size);
}

// Sends a chunk's payload to its decoder. This table is the only place where
// chunk identifiers meet decoders (the two switches below find the sizes of
// an RF64 file). Only the data chunk is given a size beyond 32 bits. The
// items of a LIST 'INFO' are texts whatever their identifier. Tag chunks at
// the top level of the form are also decoded for the Tags report and the
// JSON description (tagged true).
void DecodeChunk(std::uint32_t id, std::uint64_t fullSize, std::uint32_t depth,
                 std::uint32_t listType, bool tagged) {
  std::uint32_t size = fullSize > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(fullSize);
  std::uint64_t start = FilePosition();
  tagged = tagged && TagsWanted();
  constexpr TextKind Xml = TextKind::Utf8, Binary = TextKind::RiffOrBinary;
  switch (id) {
    case FourCC("PAD "): break;  // sector alignment: nothing to show
    case FourCC("cue "): DescribeCueChunk(size, depth); break;
    case FourCC("fmt "): DescribeFormatChunk(size, depth); break;
    case FourCC("PEAK"): DescribePeakChunk(size, depth); break;
    case FourCC("DISP"): DescribeDisplayChunk(size, depth); break;
    case FourCC("bext"):
    case FourCC("BEXT"):
      DescribeBroadcastExtension(size, depth);
      if (tagged) SeekFile(start), DescribeBroadcastUmid(size);
      break;
    case FourCC("mext"):
    case FourCC("MEXT"): DescribeMpegExtension(size, depth); break;
    case FourCC("data"): DescribeDataChunk(fullSize, depth); break;
    case FourCC("ds64"): DescribeDs64Chunk(size, depth); break;
    case FourCC("guid"):
    case FourCC("dlid"): DescribeGuidChunk(size, depth); break;
    case FourCC("labl"):
    case FourCC("note"): DescribeLabelChunk(size, depth); break;
    case FourCC("ltxt"): DescribeLabelledTextChunk(size, depth); break;
    case FourCC("plst"): DescribePlaylistChunk(size, depth); break;
    case FourCC("smpl"): DescribeSamplerChunk(size, depth); break;
    case FourCC("inst"): DescribeInstrumentChunk(size, depth); break;
    case FourCC("fact"): DescribeFactChunk(size, depth); break;
    // Tag chunks are quoted as any other payload is; at the top level their
    // decoders write the Tags report and JSON. XML chunks are UTF-8 text;
    // every other payload is Windows-1252 text, when it is text at all.
    case FourCC("iXML"): QuotedTag(size, depth, Xml, tagged, DescribeIxmlChunk); break;
    case FourCC("_PMX"): QuotedTag(size, depth, Xml, tagged, DescribeXmpChunk); break;
    case FourCC("axml"): QuotedTag(size, depth, Xml, tagged, DescribeAdmChunk); break;
    case FourCC("cart"): QuotedTag(size, depth, Binary, tagged, DescribeCartChunk); break;
    case FourCC("acid"): QuotedTag(size, depth, Binary, tagged, DescribeAcidChunk); break;
    case FourCC("chna"): QuotedTag(size, depth, Binary, tagged, DescribeChnaChunk); break;
    case FourCC("umid"): QuotedTag(size, depth, Binary, tagged, DescribeUmidChunk); break;
    case FourCC("id3 "):
    case FourCC("ID3 "): QuotedTag(size, depth, Binary, tagged, DescribeId3Chunk); break;
    default:
      DumpQuotedText(size, depth, "text",
                     listType == FourCC("INFO") ? TextKind::Riff : TextKind::RiffOrBinary);
      break;
  }
}

// The size of a chunk of the RIFF form of an RF64 file whose header gives
// it as 0xFFFFFFFF.
std::uint64_t LargeChunkSize(std::uint32_t id) {
  switch (id) {
    case FourCC("data"): return LargeSizes.dataLength;
    default: return LargeTableSize(id);
  }
}

// Reads LargeSizes when the file header and the chunk at offset 12 make this
// an RF64 (or BW64) file.
void FindLargeSizes(const unsigned char* fileHeader) {
  LargeSizes = {};
  switch (FourCCValue(fileHeader)) {
    case FourCC("RF64"):
    case FourCC("BW64"): break;
    default: return;
  }
  SeekFile(LargeSizesOffset);
  unsigned char header[ChunkHeaderBytes];
  ReadBytes(header, sizeof header);
  std::uint32_t size = FourCCValue(header + 4);
  if (FourCCValue(header) == FourCC("ds64") && size >= LargeSizesMinimum)
    ReadLargeSizes(size);
  else
    ReportProblem({"ds64_missing", LargeSizesOffset});
}

// The RF64 problems of a chunk of the RIFF form: a size left to ds64 that
// ds64 does not give, or a data size that disagrees with ds64's.
void CheckLargeSize(std::uint64_t at, const unsigned char* header, std::uint64_t size) {
  std::uint32_t id = FourCCValue(header);
  std::uint32_t stated = FourCCValue(header + 4);
  if (stated == LargeSizeMark && id != FourCC("data") && size == LargeSizeMark)
    ReportProblem({"ds64_size_missing", at, header});
  if (stated != LargeSizeMark && id == FourCC("data") && stated != LargeSizes.dataLength)
    ReportProblem({"ds64_data_length_mismatch", at, header, true, stated, LargeSizes.dataLength});
}

}  // namespace

bool HoldsFixedPart(std::uint32_t length, std::uint32_t needed) {
  if (length >= needed) return true;
  ReportProblem({"chunk_too_short", DecodedChunkOffset, DecodedChunkId, false, length, 0, needed});
  return false;
}

void WalkChunkList(std::uint64_t length, std::uint32_t depth) {
  const std::uint64_t listStart = FilePosition();
  const std::uint64_t listEnd = length > ~listStart ? ~std::uint64_t{0} : listStart + length;
  const std::uint64_t fileSize = ReportFileSize();
  unsigned char type[ListTypeBytes];
  ReadBytes(type, sizeof type);  // a type cut off by the end of the file reads as zeros
  NewLine(depth);
  Append(depth == 0 ? "RIFF '%.4s'" : "LIST '%.4s'", reinterpret_cast<const char*>(type));
  {
    // A LIST too short for its type reads the next chunk's bytes there.
    Showing typeHeld(true, depth == 0 || HoldsFixedPart(static_cast<std::uint32_t>(length),
                                                        ListTypeBytes));
    JsonIdentifier(depth == 0 ? "form" : "list_type", type);
  }
  JsonScope chunks("chunks", JsonScope::Array);

  // The remainder still counts the list's type, which was read above. Only
  // the RIFF form of an RF64 file is longer than 32 bits.
  std::uint64_t remaining = length;
  bool walkedToItsEnd = true;
  while (remaining >= MinimumListRemainder) {
    std::uint64_t at = FilePosition();
    // A full report shows nothing more; its JSON description and its Tags
    // report, whose chunks are those of the form, go on.
    if (ReportIsFull() && !JsonWanted() && !(depth == 0 && TagsOut && FormHoldsTags)) {
      walkedToItsEnd = false;
      break;
    }
    unsigned char header[ChunkHeaderBytes];
    if (ReadBytes(header, sizeof header) < sizeof header) {  // end of file
      ReportProblem({"list_cut_short", at, nullptr, true, listEnd - at,
                     fileSize > at ? fileSize - at : 0});
      walkedToItsEnd = false;
      break;
    }
    std::uint32_t id = FourCCValue(header);
    std::uint64_t size = FourCCValue(header + 4);
    bool sizeFromLargeSizes = depth == 0 && LargeSizes.present && size == LargeSizeMark;
    if (sizeFromLargeSizes) size = LargeChunkSize(id);

    // A chunk that does not fit its list is still reported, and is the last.
    // (Only then can start + size + pad below pass 64 bits.)
    std::uint64_t pad = size & 1;
    std::uint64_t room = remaining - ChunkHeaderBytes;
    remaining = size <= room && pad <= room - size ? room - size - pad : 0;

    std::uint64_t start = FilePosition();
    JsonScope chunk(nullptr);
    JsonIdentifier("id", header);
    JsonUnsigned("offset", at);
    JsonUnsigned("size", size);
    if (sizeFromLargeSizes) JsonBool("size_from_ds64", true);
    if (depth == 0 && LargeSizes.present) CheckLargeSize(at, header, size);
    std::uint64_t inFile = fileSize > start ? fileSize - start : 0;
    std::uint64_t inList = listEnd > start ? listEnd - start : 0;
    if (size > inFile)
      ReportProblem({"chunk_past_end_of_file", at, header, true, size, inFile});
    else if (size > inList)
      ReportProblem({"chunk_past_end_of_list", at, header, true, size, inList});

    DecodedChunkOffset = at;
    std::copy(header, header + sizeof DecodedChunkId, DecodedChunkId);
    if (id == FourCC("LIST")) {
      // A list whose chunks' objects would nest too deep is left out of the
      // JSON description (the report still shows it), so that common JSON
      // readers read the description of any file.
      bool described = JsonDepth() + ListJsonLevels <= JsonDepthLimit;
      if (!described && JsonWanted()) ReportProblem({"nesting_too_deep", at, header});
      Showing deeper(true, described);
      WalkChunkList(size > 0xFFFFFFFFu ? 0xFFFFFFFFu : size, depth + 1);
    } else {
      NewLine(depth + 1);
      Append("<%.4s>", reinterpret_cast<const char*>(header));
      DescribeChunkId(header);
      if (size != 0) DecodeChunk(id, size, depth + 2, FourCCValue(type), depth == 0 && FormHoldsTags);
    }
    SeekFile(start + size + pad);
  }
  std::uint64_t next = FilePosition();
  if (walkedToItsEnd && listEnd > next && listEnd - next < MinimumListRemainder)
    ReportProblem({"list_trailing_bytes", next, nullptr, true, 0, listEnd - next});
}

namespace {

const char* Build(ReportPath path, JsonSink* json, std::string* tags) {
  ReportCursor = 0;
  ReportText[0] = '\0';
  SecondsPerByte = 0.0;  // one file's format must not time another's data
  Facts = {};
  // Set for this report only: the Tags report goes nowhere once it is built.
  struct TagsGoTo {
    explicit TagsGoTo(std::string* tags) { BeginTagsReport(tags); }
    ~TagsGoTo() { EndTagsReport(); }
  } tagsGoTo(tags);

  AppendText(path.Text);
  if (!OpenReportFile(path)) return ReportText;
  if (json) JsonBegin(*json, path);

  FileSummary summary = SummariseReportFile();
  NewLine(0);
  Append("%llu bytes", static_cast<unsigned long long>(summary.size));
  if (summary.size <= 1048576)
    Append(" (%sKB)", FixedText(static_cast<double>(summary.size) / 1024.0, 2).c_str());
  else
    Append(" (%sMB)", FixedText(static_cast<double>(summary.size) / 1048576.0, 2).c_str());
  JsonUnsigned("size", summary.size);
  NewLine(0);
  Append("%d-%.2d-%.2d", summary.year, summary.month, summary.day);
  Append(" %.2d:%.2d:%.2d", summary.hour, summary.minute, summary.second);
  JsonTime("modified", summary);
  NewLine(0);

  unsigned char header[8];
  ReadBytes(header, sizeof header);
  JsonIdentifier("header", header);
  std::uint64_t riffLength = FourCCValue(header + 4);
  FindLargeSizes(header);
  switch (FourCCValue(header)) {
    case FourCC("RIFF"):
    case FourCC("RF64"):
    case FourCC("BW64"): FormHoldsTags = true; break;
    default: FormHoldsTags = false; break;
  }
  if (LargeSizes.present && riffLength == LargeSizeMark) riffLength = LargeSizes.riffLength;
  // Files under 8 bytes compare with their size minus 8 modulo 2^32. Other
  // files of 4 GiB + 8 bytes and more cannot match, and are walked as far as
  // a 32-bit length reaches; an RF64 file is walked to its end.
  std::uint64_t expected = summary.size >= 8 ? summary.size - 8
                                             : static_cast<std::uint32_t>(summary.size - 8);
  JsonUnsigned("riff_length", riffLength);
  JsonUnsigned("real_riff_length", expected);
  JsonBool("riff_length_ok", riffLength == expected);
  if (riffLength != expected) {
    NewLine(0);
    Append(" **RIFF LENGTH ERROR**");
    ReportProblem({"riff_length_mismatch", 4, nullptr, true, riffLength, expected});
    riffLength = expected > 0xFFFFFFFFu && !LargeSizes.present ? 0xFFFFFFFFu : expected;
  }
  SeekFile(8);
  WalkChunkList(riffLength, 0);
  NewLine(0);
  CloseReportFile();
  JsonFinish();
  return ReportText;
}

}  // namespace

const char* BuildReport(ReportPath path) { return Build(path, nullptr, nullptr); }

const char* BuildReport(ReportPath path, JsonSink& json) { return Build(path, &json, nullptr); }

const char* BuildReport(ReportPath path, JsonSink* json, std::string* tags) {
  return Build(path, json, tags);
}
