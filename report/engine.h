// Internals of the chunk report engine, shared by the walker and the chunk
// decoders. The state of a report (its text, the file, the JSON writer, the
// sizes and timing the decoders leave for later chunks) is thread_local:
// each thread builds its own reports, with no lock, and the decoders read
// and write that state by name as if it were one report's alone. What a
// report without JSON touches has no destructor (plain values and arrays):
// tarvo.dll may be unloaded while a thread that built a page lives on, and
// a thread-local destructor would then be called into a library that is gone
// when the thread ends (tests/shell: shell.Unload).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "report.h"

// ---- The report text -------------------------------------------------------

// The report buffer. Each report fills it again from its first byte.
extern thread_local char ReportText[ReportCapacity];

// Where the next text goes, counted from the start of ReportText. This is the
// length of the report as if the buffer had no end: it may run past the last
// byte, while only the bytes that fit are stored (with a NUL behind them), so
// a report that is too long ends with exactly its first ReportCapacity - 1
// characters.
extern thread_local std::size_t ReportCursor;

// True once no more report text can be stored.
bool ReportIsFull();

// Whether text appended now reaches ReportText (see Showing below).
extern thread_local bool TextShown;

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

// How the bytes of a text in a file read as characters: RIFF texts in
// Windows-1252, XML chunks in UTF-8. A payload of unknown content, which may
// not be text at all, is given in the JSON description only when it reads
// as text; a chunk that holds text by definition always gives its text.
enum class TextKind { Riff, Utf8, RiffOrBinary, Utf8OrBinary };

// Reads up to 256 bytes of payload (at most length) and appends them between
// double quotes on a new line at depth, or on the current line when depth is
// 0. The text ends at its first NUL; control bytes and bytes of 0x80 and
// above show as 0xB7, and those at the end are dropped. With a name, the
// JSON description gets the whole text as that member (see JsonText); the
// file position ends behind the bytes the report read either way.
void DumpQuotedText(std::uint32_t length, std::uint32_t depth, const char* name = nullptr,
                    TextKind kind = TextKind::Riff);

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

// ---- The JSON description ------------------------------------------------------
//
// While a report is built for a JsonSink, the same pass describes the file
// as JSON too. Decoders describe each field once: Field and its companions
// below append the field's text to the report and write it as a member of
// the JSON description. Every Json* call does nothing when no description
// is wanted, so a report without one allocates nothing.

// True while a JSON description is being written and shown (see Showing).
bool JsonWanted();

// Members of the open object (name given) or elements of the open array
// (name nullptr). Names are snake_case and need no escaping.
void JsonUnsigned(const char* name, std::uint64_t value);
void JsonSigned(const char* name, std::int64_t value);
void JsonBool(const char* name, bool value);
// A number as the report prints it; null when it is not finite.
void JsonNumberText(const char* name, const char* text);
// Plain ASCII text of the engine's own (a GUID, a name from a table).
void JsonAscii(const char* name, const char* text);
// A four-character identifier (or up to count bytes of one, stopping at a
// NUL when stopAtNul): each byte as the character of the same code point,
// so that the bytes can be had back exactly.
void JsonIdentifier(const char* name, const unsigned char* id, std::size_t count = 4,
                    bool stopAtNul = false);
// count bytes as hexadecimal digits, two (capitals) per byte.
void JsonHex(const char* name, const unsigned char* bytes, std::size_t count);
// The same of count bytes of the file at position, at most 1 MiB of them
// (then name_truncated is true). The file position is left as it was.
void JsonFileBytes(const char* name, std::uint64_t position, std::uint64_t count);
// The text of up to length bytes of the file at position, up to its first
// NUL and at most 1 MiB (then name_truncated is true), as UTF-8, control
// characters escaped. A payload that may be binary is left out unless the
// bytes before its first NUL are one or more and none is a control
// character but TAB, CR and LF. The caller may hand over the first readCount
// bytes, read already. The file position is left as it was.
void JsonText(const char* name, std::uint64_t position, std::uint64_t length, TextKind kind,
              const unsigned char* read = nullptr, std::size_t readCount = 0);

// A problem of the file's structure: what (a snake_case kind) and where (a
// file offset), the chunk it concerns when id is given, and the size it
// declares against the size there is (sized), or against the size that the
// fields of its decoder need (needed, when not 0).
struct Problem {
  const char* kind;
  std::uint64_t offset;
  const unsigned char* id = nullptr;
  bool sized = false;
  std::uint64_t declared = 0, actual = 0;
  std::uint64_t needed = 0;  // the size the chunk's fields take, when it matters
};
void ReportProblem(const Problem& problem);

// Whether the payload of the chunk being decoded, length bytes, holds the
// needed bytes of its decoder's fixed part. When it does not, the JSON
// description gets a chunk_too_short problem, and the decoder leaves out of
// JSON the fields that lie beyond the payload: the text report still shows
// them as it always has, read from the bytes that follow the chunk.
bool HoldsFixedPart(std::uint32_t length, std::uint32_t needed);

// The deepest that objects and arrays nest in a description, the file's own
// object counting as 1: common JSON readers refuse more (Ruby's by default
// more than 100). A scope that would go deeper is left out, with its fields.
constexpr std::uint32_t JsonDepthLimit = 100;
// The levels a chunk other than a LIST takes at most: its object, its
// decoder's member, an array of records and a record.
constexpr std::uint32_t ChunkJsonLevels = 4;
// How deep objects and arrays are open now.
std::uint32_t JsonDepth();

// An object or array member that closes at the end of the scope.
class JsonScope {
 public:
  enum Kind { Object, Array };
  JsonScope(const char* name, Kind kind = Object);
  ~JsonScope();
  JsonScope(const JsonScope&) = delete;
  JsonScope& operator=(const JsonScope&) = delete;

 private:
  bool open_, shown_;
  Kind kind_;
};

// Chooses where the fields of a scope go: the report text, the JSON
// description, both, or neither. A decoder shows some records in the text
// and others in JSON only (the report shows at most 127 cue points; JSON
// shows those the chunk holds). Nested choices can only narrow.
class Showing {
 public:
  Showing(bool text, bool json);
  ~Showing();
  Showing(const Showing&) = delete;
  Showing& operator=(const Showing&) = delete;

 private:
  bool text_, json_;
};

// A field: value shown in the report text with format (one conversion), and
// written as the JSON member name, typed as value is.
template <typename T>
void Field(const char* name, const char* format, T value) {
  static_assert(std::is_integral<T>::value, "fields are integers");
  Append(format, value);
  if (std::is_signed<T>::value)
    JsonSigned(name, static_cast<std::int64_t>(value));
  else
    JsonUnsigned(name, static_cast<std::uint64_t>(value));
}

// A flag: text is appended when the flag is set; JSON has it as a boolean.
void Flag(const char* name, bool set, const char* text);

// Text of the engine's own appended as it stands (Windows-1252) and written
// as the JSON member name, skipping leading blanks.
void TextField(const char* name, const char* text);

// How many of count records of recordBytes each, after fixed bytes, a
// payload of length bytes at start holds within the file: the records JSON
// lists. 0 when no JSON is wanted.
std::uint32_t RecordsHeld(std::uint64_t start, std::uint64_t length, std::uint32_t fixed,
                          std::uint32_t recordBytes, std::uint64_t count);

// The JSON description of one report: JsonBegin opens the object and writes
// the path; JsonFinish writes the problems, closes the object with a line
// feed and hands the rest to the sink.
void JsonBegin(JsonSink& sink, ReportPath path);
void JsonFinish();

// Describes a run of records of one kind: the first shown of them in the
// report text, the first held in JSON as elements of the array name; each
// record by describe(), which reads it whole.
template <typename Describe>
void DescribeRecords(const char* name, std::uint32_t shown, std::uint32_t held, Describe describe) {
  JsonScope records(name, JsonScope::Array);
  for (std::uint32_t i = 0; i < shown || i < held; ++i) {
    Showing record(i < shown, i < held);
    JsonScope element(nullptr);
    describe();
  }
}

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
// The last-write time as ISO 8601 in UTC (2000-05-27T15:22:08Z), as JSON
// member name.
void JsonTime(const char* name, const FileSummary& summary);

// Reads count bytes from the current position. Bytes the file does not
// deliver are set to 0; the result is the number delivered, and the position
// moves past those only.
std::size_t ReadBytes(void* buffer, std::size_t count);
// The size of the file being reported.
std::uint64_t ReportFileSize();
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
extern thread_local LargeFileSizes LargeSizes;

// Reads the ds64 payload of length bytes (at least 28) at the file position
// into LargeSizes.
void ReadLargeSizes(std::uint32_t length);
// The size in the first counted ds64 table entry for id, or 0xFFFFFFFF when
// there is none, or when the report has read its share of table entries.
// Leaves the file position as it was.
std::uint64_t LargeTableSize(std::uint32_t id);

// Seconds of audio per byte of sample data, from the last format chunk of the
// current report.
extern thread_local double SecondsPerByte;

void DescribeFormatTag(std::uint32_t tag);
// Reads a GUID and writes it on a line of its own, with its name when it is
// a known one; JSON has it as member name (and its name as knownName).
void DescribeGuid(std::uint32_t depth, const char* name = "value", const char* knownName = "name");
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
void DescribeFactChunk(std::uint32_t length, std::uint32_t depth);
void DescribeGuidChunk(std::uint32_t length, std::uint32_t depth);

// ---- Facts that one chunk leaves for another ---------------------------------

// What the format and broadcast chunks said, for the tag decoders that come
// after them (a start timecode counted at the file's sample rate from the
// broadcast time reference). Reset for every report.
struct ReportFacts {
  std::uint32_t sampleRate;  // of the last format chunk; 0 without one
  bool timeReferenceKnown;
  std::uint64_t timeReference;  // samples since midnight, from bext
};
extern thread_local ReportFacts Facts;

// Where the Tags report of the report being built goes; nullptr when none
// is wanted.
extern thread_local std::string* TagsOut;

// ---- The Tags report -----------------------------------------------------------
//
// Tag chunks at the top level of the form (iXML, XMP and the like) are
// decoded only when the Tags report or the JSON description is wanted: the
// report text shows them as quoted text either way. A tag decoder fills a
// record, then describes it through the calls below, each of which writes a
// line of the Tags report and the same value as a member of the chunk's
// JSON object. None of them touches the report text.

// True while the Tags report or the JSON description is being written.
bool TagsWanted();

// A section of the Tags report: an empty line, then heading on a line of its
// own; in JSON, the object member name, holding the section's fields.
class TagSection {
 public:
  TagSection(const char* heading, const char* name);
  TagSection(const TagSection&) = delete;
  TagSection& operator=(const TagSection&) = delete;

 private:
  JsonScope object_;
};

// A labelled line of the Tags report, "  Label:  value", and the JSON
// member name. Texts are UTF-8; the line shows them trimmed, with each run
// of line breaks and other control characters as one blank, so that a
// field keeps to its line; JSON has them trimmed and otherwise as written.
// An empty text is a field the file does not hold: nothing is written.
void TagText(const char* label, const char* name, const std::string& text);
void TagNumber(const char* label, const char* name, std::uint64_t value);
void TagFlag(const char* label, const char* name, bool value);
// A text field of a tag decoder's record: its label, its JSON name, and the
// record's member that holds it. TagTexts describes a run of them in order.
template <typename Record>
struct TagTextOf {
  const char* label;
  const char* name;
  std::string Record::*text;
};
template <typename Record, std::size_t Count>
void TagTexts(const Record& record, const TagTextOf<Record> (&fields)[Count]) {
  for (const TagTextOf<Record>& field : fields) TagText(field.label, field.name, record.*field.text);
}

// Narrows the fields of a scope to the Tags report's lines or to the JSON
// description, as Showing does for the report text and JSON.
class TagShowing {
 public:
  TagShowing(bool lines, bool json);
  ~TagShowing();
  TagShowing(const TagShowing&) = delete;
  TagShowing& operator=(const TagShowing&) = delete;

 private:
  Showing json_;
  bool lines_;
};

// A text as the Tags report shows it in a line (see TagText).
std::string TagValue(const std::string& text);
// A line of the Tags report alone, at indent blanks (a track of a list, a
// line about damage).
void TagLine(std::size_t indent, const std::string& text);
// A text member of the JSON description alone (UTF-8).
void JsonUtf8(const char* name, const std::string& text);

// Starts the Tags report of a report (tags nullptr: none is wanted), and
// ends it: sections held back (see HeldTags) join it then.
void BeginTagsReport(std::string* tags);
void EndTagsReport();

// The lines of the Tags report written while a HeldTags is in scope are
// held back: they join the report at the place they were written when, by
// its end, the report has a section that was not held; else they are dropped.
// (The UMID of a broadcast chunk is worth a section only on a Tags report
// that has one anyway.) Their JSON is written as usual.
class HeldTags {
 public:
  HeldTags();
  ~HeldTags();
  HeldTags(const HeldTags&) = delete;
  HeldTags& operator=(const HeldTags&) = delete;

 private:
  std::string* out_;
  std::string lines_;
};

// ---- Binary tag chunks -----------------------------------------------------------

// How many of the length bytes of a payload at the file position the file
// holds.
std::uint64_t PayloadHeld(std::uint32_t length);

// The text of a NUL-terminated field of a binary tag chunk, as UTF-8: the
// bytes as they are when they are valid UTF-8, else read as Windows-1252.
std::string TagFieldText(const char* field);

// Reads a text field of Width bytes, NUL-padded and not always terminated,
// into a buffer one byte longer, and gives its text up to the first NUL.
template <std::size_t Width>
std::string ReadTagField() {
  char field[Width + 1];
  ReadBytes(field, Width);
  field[Width] = '\0';
  return TagFieldText(field);
}

// Reads the fields of a fixed record in file order, each only when the
// payload (held bytes) holds it whole; the first that it does not hold ends
// the reading. Each read says whether the field was read.
class TagRecordReader {
 public:
  explicit TagRecordReader(std::uint64_t held) : left_(held) {}
  template <std::size_t Width>
  bool Text(std::string& into) {
    if (!Take(Width)) return false;
    into = ReadTagField<Width>();
    return true;
  }
  bool U16(std::uint16_t& into) { return Take(2) && (into = ReadU16(), true); }
  bool U32(std::uint32_t& into) { return Take(4) && (into = ReadU32(), true); }
  bool S32(std::int32_t& into) { return Take(4) && (into = ReadS32(), true); }
  bool Bytes(unsigned char* into, std::size_t count) {
    return Take(count) && (ReadBytes(into, count), true);
  }
  bool Skip(std::uint32_t count) { return Take(count) && (SeekFile(FilePosition() + count), true); }
  // Whether every field so far was read.
  bool Whole() const { return !ended_; }

 private:
  bool Take(std::uint64_t width) {
    ended_ = ended_ || left_ < width;
    if (!ended_) left_ -= width;
    return !ended_;
  }
  std::uint64_t left_;
  bool ended_ = false;
};

// A payload that holds (held bytes of the length it declares, at start)
// fewer bytes than its fields take (needed): a line of the Tags report
// about the damage, and a chunk_too_short problem about the chunk id.
void DescribeTooShort(const char* id, std::uint64_t start, std::uint32_t length,
                      std::uint64_t held, std::uint64_t needed);

// The tag decoders. Each takes the payload at the file position.
void DescribeIxmlChunk(std::uint32_t length);
void DescribeXmpChunk(std::uint32_t length);
void DescribeCartChunk(std::uint32_t length);
void DescribeAcidChunk(std::uint32_t length);
void DescribeUmidChunk(std::uint32_t length);
// The UMID of a broadcast chunk (version 1 and later), as a held section.
void DescribeBroadcastUmid(std::uint32_t length);
void DescribeChnaChunk(std::uint32_t length);
void DescribeAdmChunk(std::uint32_t length);
void DescribeId3Chunk(std::uint32_t length);
