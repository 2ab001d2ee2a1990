// Internals of the chunk report engine, shared by the walker and the chunk
// decoders. Everything here runs under ReportLock(), one report at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "report.h"

// ---- The report text -------------------------------------------------------

// The report buffer. Each report fills it again from its first byte.
extern char ReportText[ReportCapacity];

// Where the next text goes, counted from the start of ReportText. This is the
// length of the report as if the buffer had no end: it may run past the last
// byte, while only the bytes that fit are stored (with a NUL behind them), so
// a report that is too long ends with exactly its first ReportCapacity - 1
// characters.
extern std::size_t ReportCursor;

// True once no more report text can be stored.
bool ReportIsFull();

// Appends printf-style formatted text at ReportCursor. Fixed-point numbers
// are never formatted here: they go through FixedText, so that they round the
// same way on every platform.
void Append(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Appends NUL-terminated text as it stands.
void AppendText(const char* text);

// Appends count bytes as they are (no NUL is looked at).
void AppendBytes(const char* bytes, std::size_t count);

// Starts a line: CR LF, then one TAB per depth level.
void NewLine(std::uint32_t depth);

// Reads up to 256 bytes of payload (at most length) and appends them between
// double quotes on a new line at depth, or on the current line when depth is
// 0. The text ends at its first NUL; control bytes and bytes of 0x80 and
// above show as 0xB7, and those at the end are dropped.
void DumpQuotedText(std::uint32_t length, std::uint32_t depth);

// The little-endian value of a four-character identifier.
std::uint32_t FourCCValue(const unsigned char* id);
constexpr std::uint32_t FourCC(const char (&id)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(id[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[3])) << 24;
}

// A fixed-point number as the report prints it: the value reduced to 17
// significant digits, then rounded half away from zero to precision decimals.
// Infinities and NaN print as "inf", "-inf" and "nan".
struct FixedText {
  FixedText(double value, int precision);
  const char* c_str() const { return text; }
  char text[352];
};

// ---- The file being reported -------------------------------------------------

// Opens path for reading (sharing with readers only). A directory or any
// other file that is not a regular file cannot be opened.
bool OpenReportFile(ReportPath path);
void CloseReportFile();

struct FileSummary {
  std::uint64_t size;
  int year, month, day, hour, minute, second;  // last write, UTC
};
FileSummary SummariseReportFile();

// Reads count bytes from the current position. Bytes the file does not
// deliver are set to 0; the result is the number delivered, and the position
// moves past those only.
std::size_t ReadBytes(void* buffer, std::size_t count);
std::uint8_t ReadU8();
std::uint16_t ReadU16();
std::uint32_t ReadU32();
std::int32_t ReadS32();
std::uint64_t ReadU64();

// The current file position, and an absolute seek.
std::uint64_t FilePosition();
void SeekFile(std::uint64_t position);

// ---- Chunk descriptions and decoders -------------------------------------------

// Appends the plain-language description of a chunk identifier, if it has one.
void DescribeChunkId(const unsigned char* id);

// Walks a list of length bytes (the RIFF form or a LIST chunk) that starts
// at the file position with its type.
void WalkChunkList(std::uint64_t length, std::uint32_t depth);

// The sizes that an RF64 or BW64 file keeps in its ds64 chunk, for the
// RIFF length and the chunks of the RIFF form whose 32-bit size reads
// 0xFFFFFFFF. present is false in every other file.
struct LargeFileSizes {
  bool present;
  std::uint64_t riffLength;
  std::uint64_t dataLength;
  std::uint64_t tableStart;    // file position of the first table entry
  std::uint32_t tableEntries;  // the entries that count
  std::uint32_t lookupsLeft;   // table entries the report may still read
};
extern LargeFileSizes LargeSizes;

// Reads the ds64 payload of length bytes (at least 28) at the file position
// into LargeSizes.
void ReadLargeSizes(std::uint32_t length);
// The size in the first counted ds64 table entry for id, or 0xFFFFFFFF when
// there is none, or when the report has read its share of table entries.
// Leaves the file position as it was.
std::uint64_t LargeTableSize(std::uint32_t id);

// Seconds of audio per byte of sample data, from the last format chunk of the
// current report.
extern double SecondsPerByte;

void DescribeFormatTag(std::uint32_t tag);
void DescribeGuid(std::uint32_t depth);
void DescribeFormatChunk(std::uint32_t length, std::uint32_t depth);
void DescribeBroadcastExtension(std::uint32_t length, std::uint32_t depth);
void DescribeMpegExtension(std::uint32_t length, std::uint32_t depth);
bool IdentifierIsText(const unsigned char* id);
// Reads the 4-byte identifier of a cue point, segment, label or loop, starts
// a line and writes the identifier: with textForm ("%.4s") when it reads as
// text, else with numberForm ("%d").
void BeginItemLine(std::uint32_t depth, const char* textForm, const char* numberForm);
void DescribeCueChunk(std::uint32_t length, std::uint32_t depth);
void DescribePlaylistChunk(std::uint32_t length, std::uint32_t depth);
void DescribeLabelChunk(std::uint32_t length, std::uint32_t depth);
void DescribeLabelledTextChunk(std::uint32_t length, std::uint32_t depth);
void DescribeSamplerChunk(std::uint32_t length, std::uint32_t depth);
void DescribeInstrumentChunk(std::uint32_t length, std::uint32_t depth);
void DescribePeakChunk(std::uint32_t length, std::uint32_t depth);
void DescribeDisplayChunk(std::uint32_t length, std::uint32_t depth);
void DescribeDataChunk(std::uint64_t length, std::uint32_t depth);
void DescribeDs64Chunk(std::uint32_t length, std::uint32_t depth);
void DescribeFactChunk(std::uint32_t depth);
