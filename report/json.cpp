// The JSON description of a report: the writer that the decoders' fields
// reach besides the report text. It owns a growing buffer, which it hands
// to the sink in pieces, so a file of millions of chunks is not held in
// memory; the buffers keep their room from report to report.
#include <cstdio>
#include <cstring>
#include <string>

#include "code_page.h"
#include "engine.h"

namespace {

// The longest text or byte run given in full; longer ones are cut there.
constexpr std::uint64_t TextCap = 1u << 20;
// Problems listed per file; a file with more has the rest counted.
constexpr std::uint32_t ProblemCap = 1000;
constexpr std::size_t SinkPiece = 1u << 16;
constexpr std::size_t FileBlock = 4096;
const char HexDigits[] = "0123456789ABCDEF";

struct JsonWriter {
  std::string out;
  std::string firstMember;  // per open object or array: 1 until a member is written
  std::string problems;           // the elements of "problems"
  std::uint32_t problemCount = 0;
  std::string bytes;              // of the text or run being read
};

// The writer is touched only while a description is written (Sink set). A
// thread that builds reports without one, as the Info page does in
// tarvo.dll, then holds no thread-local object with a destructor: one would
// be called when the thread ends, and the shell may have unloaded the
// library by then.
thread_local JsonSink* Sink = nullptr;
thread_local JsonWriter Json;
thread_local bool JsonShown = true;

void Flush() {
  if (!Json.out.empty()) Sink->Write(Json.out.data(), Json.out.size());
  Json.out.clear();
}

void Key(const char* name) {
  if (Json.out.size() >= SinkPiece) Flush();
  if (!Json.firstMember.back()) Json.out += ',';
  Json.firstMember.back() = 0;
  if (name) {
    Json.out += '"';
    Json.out += name;
    Json.out += "\":";
  }
}

void AppendControl(unsigned byte, std::string& out) {
  out += "\\u00";
  out += HexDigits[byte >> 4];
  out += HexDigits[byte & 15];
}

void AppendEscaped(unsigned codePoint, std::string& out) {
  switch (codePoint) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  if (codePoint < 0x20)
    AppendControl(codePoint, out);
  else
    AppendUtf8(codePoint, out);
}

bool IsUtf8(TextKind kind) { return kind == TextKind::Utf8 || kind == TextKind::Utf8OrBinary; }

bool IsPlain(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\';
}

// A string of count bytes read as kind says. Runs of plain ASCII, most of
// any text, are copied as they stand.
void AppendString(const unsigned char* bytes, std::size_t count, TextKind kind, std::string& out) {
  out += '"';
  std::size_t at = 0;
  while (at < count) {
    std::size_t plain = at;
    while (plain < count && IsPlain(bytes[plain])) ++plain;
    out.append(reinterpret_cast<const char*>(bytes + at), plain - at);
    at = plain;
    if (at == count) break;
    std::size_t taken = 1;
    unsigned codePoint = IsUtf8(kind) ? DecodeUtf8(bytes + at, count - at, taken)
                                      : Windows1252CodePoint(bytes[at]);
    AppendEscaped(codePoint, out);
    at += taken;
  }
  out += '"';
}

void AppendNumber(std::uint64_t value, std::string& out) {
  char digits[24];
  char* first = digits + sizeof digits;
  do *--first = static_cast<char>('0' + value % 10);
  while ((value /= 10) != 0);
  out.append(first, static_cast<std::size_t>(digits + sizeof digits - first));
}

void AppendIdentifier(const unsigned char* id, std::size_t count, std::string& out) {
  out += '"';
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char byte = id[i];
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += static_cast<char>(byte);
    } else {
      AppendControl(byte, out);
    }
  }
  out += '"';
}

void AppendHex(const unsigned char* bytes, std::size_t count, std::string& out) {
  out += '"';
  for (std::size_t i = 0; i < count; ++i) {
    out += HexDigits[bytes[i] >> 4];
    out += HexDigits[bytes[i] & 15];
  }
  out += '"';
}

// Appends bytes to Json.bytes up to a total of limit, stopping before the
// first NUL when stopAtNul; returns whether a NUL was met.
bool TakeRun(const unsigned char* bytes, std::size_t count, std::uint64_t limit, bool stopAtNul) {
  std::uint64_t room = limit - Json.bytes.size();
  std::size_t taken = count < room ? count : static_cast<std::size_t>(room);
  const void* nul = stopAtNul ? std::memchr(bytes, 0, taken) : nullptr;
  if (nul) taken = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - bytes);
  Json.bytes.append(reinterpret_cast<const char*>(bytes), taken);
  return nul != nullptr;
}

// Reads on from the file position into Json.bytes, up to a total of limit
// bytes, stopping at the first NUL when stopAtNul; returns whether a NUL
// was met (it is not kept).
bool ReadRun(std::uint64_t limit, bool stopAtNul) {
  unsigned char block[FileBlock];
  while (Json.bytes.size() < limit) {
    std::uint64_t left = limit - Json.bytes.size();
    std::size_t wanted = left < sizeof block ? static_cast<std::size_t>(left) : sizeof block;
    std::size_t got = ReadBytes(block, wanted);
    if (TakeRun(block, got, limit, stopAtNul)) return true;
    if (got < wanted) break;  // the end of the file
  }
  return false;
}

// Whether the bytes read as a text: no control characters but TAB, CR, LF.
bool ReadsAsText(const std::string& bytes) {
  for (unsigned char byte : bytes)
    if ((byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F)
      return false;
  return true;
}

// Follows the member name just written: it was cut at the cap.
void TruncatedMember(const char* name) {
  Json.out += ",\"";
  Json.out += name;
  Json.out += "_truncated\":true";
}

}  // namespace

bool JsonWanted() { return Sink != nullptr && JsonShown; }

std::uint32_t JsonDepth() {
  return Sink ? static_cast<std::uint32_t>(Json.firstMember.size()) : 0;
}

JsonScope::JsonScope(const char* name, Kind kind)
    : open_(JsonWanted()), shown_(JsonShown), kind_(kind) {
  if (!open_) return;
  if (JsonDepth() >= JsonDepthLimit) {
    open_ = JsonShown = false;
    return;
  }
  Key(name);
  Json.out += kind == Object ? '{' : '[';
  Json.firstMember.push_back(1);
}

JsonScope::~JsonScope() {
  JsonShown = shown_;
  if (!open_) return;
  Json.firstMember.pop_back();
  Json.out += kind_ == Object ? '}' : ']';
}

Showing::Showing(bool text, bool json) : text_(TextShown), json_(JsonShown) {
  TextShown = text_ && text;
  JsonShown = json_ && json;
}

Showing::~Showing() {
  TextShown = text_;
  JsonShown = json_;
}

void JsonUnsigned(const char* name, std::uint64_t value) {
  if (!JsonWanted()) return;
  Key(name);
  AppendNumber(value, Json.out);
}

void JsonSigned(const char* name, std::int64_t value) {
  if (!JsonWanted()) return;
  Key(name);
  if (value < 0) Json.out += '-';
  AppendNumber(value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value),
               Json.out);
}

void JsonBool(const char* name, bool value) {
  if (!JsonWanted()) return;
  Key(name);
  Json.out += value ? "true" : "false";
}

void JsonNumberText(const char* name, const char* text) {
  if (!JsonWanted()) return;
  Key(name);
  bool finite = text[0] >= '0' && text[0] <= '9';
  if (text[0] == '-') finite = text[1] >= '0' && text[1] <= '9';
  Json.out += finite ? text : "null";
}

void JsonTime(const char* name, const FileSummary& summary) {
  if (!JsonWanted()) return;
  Key(name);
  char text[64];
  if (summary.year >= 0 && summary.year <= 9999) {
    const int fields[] = {summary.year / 100, summary.year % 100, summary.month, summary.day,
                          summary.hour, summary.minute, summary.second};
    const char separators[] = {'\0', '-', '-', 'T', ':', ':', 'Z'};
    char* at = text;
    *at++ = '"';
    for (int i = 0; i < 7; ++i) {
      *at++ = static_cast<char>('0' + fields[i] / 10 % 10);
      *at++ = static_cast<char>('0' + fields[i] % 10);
      if (separators[i]) *at++ = separators[i];
    }
    *at++ = '"';
    Json.out.append(text, static_cast<std::size_t>(at - text));
  } else {
    // Years beyond four digits take a sign, as ISO 8601's expanded form.
    std::snprintf(text, sizeof text, "\"%+05d-%02d-%02dT%02d:%02d:%02dZ\"", summary.year,
                  summary.month, summary.day, summary.hour, summary.minute, summary.second);
    Json.out += text;
  }
}

void JsonAscii(const char* name, const char* text) {
  if (!JsonWanted()) return;
  Key(name);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  std::size_t count = 0;
  while (bytes[count]) ++count;
  AppendString(bytes, count, TextKind::Riff, Json.out);
}

void JsonUtf8(const char* name, const std::string& text) {
  if (!JsonWanted()) return;
  Key(name);
  AppendString(reinterpret_cast<const unsigned char*>(text.data()), text.size(), TextKind::Utf8,
               Json.out);
}

void JsonIdentifier(const char* name, const unsigned char* id, std::size_t count, bool stopAtNul) {
  if (!JsonWanted()) return;
  Key(name);
  std::size_t shown = 0;
  while (shown < count && !(stopAtNul && id[shown] == 0)) ++shown;
  AppendIdentifier(id, shown, Json.out);
}

void JsonHex(const char* name, const unsigned char* bytes, std::size_t count) {
  if (!JsonWanted()) return;
  Key(name);
  AppendHex(bytes, count, Json.out);
}

void JsonFileBytes(const char* name, std::uint64_t position, std::uint64_t count) {
  if (!JsonWanted()) return;
  std::uint64_t resume = FilePosition();
  SeekFile(position);
  Json.bytes.clear();
  ReadRun(count < TextCap ? count : TextCap, false);
  SeekFile(resume);
  Key(name);
  AppendHex(reinterpret_cast<const unsigned char*>(Json.bytes.data()), Json.bytes.size(), Json.out);
  if (count > TextCap && Json.bytes.size() == TextCap) TruncatedMember(name);
}

void JsonText(const char* name, std::uint64_t position, std::uint64_t length, TextKind kind,
              const unsigned char* read, std::size_t readCount) {
  if (!JsonWanted()) return;
  std::uint64_t resume = FilePosition();
  // One byte past the cap tells a text that goes on from one that ends there.
  std::uint64_t limit = length < TextCap + 1 ? length : TextCap + 1;
  Json.bytes.clear();
  bool nul = readCount != 0 && TakeRun(read, readCount, limit, true);
  if (!nul && Json.bytes.size() < limit) {
    SeekFile(position + readCount);
    nul = ReadRun(limit, true);
  }
  bool cut = Json.bytes.size() > TextCap;
  if (cut) Json.bytes.resize(TextCap);
  // What follows the first NUL (padding, often of other bytes) has no say.
  bool text = (kind != TextKind::RiffOrBinary && kind != TextKind::Utf8OrBinary) ||
              (!Json.bytes.empty() && ReadsAsText(Json.bytes));
  SeekFile(resume);
  if (!text) return;
  Key(name);
  AppendString(reinterpret_cast<const unsigned char*>(Json.bytes.data()), Json.bytes.size(), kind,
               Json.out);
  if (cut) TruncatedMember(name);
}

void Flag(const char* name, bool set, const char* text) {
  if (set && text) AppendText(text);
  JsonBool(name, set);
}

void TextField(const char* name, const char* text) {
  AppendText(text);
  while (*text == ' ') ++text;
  JsonAscii(name, text);
}

std::uint32_t RecordsHeld(std::uint64_t start, std::uint64_t length, std::uint32_t fixed,
                          std::uint32_t recordBytes, std::uint64_t count) {
  if (!JsonWanted()) return 0;
  std::uint64_t size = ReportFileSize();
  std::uint64_t held = size > start ? size - start : 0;
  if (length < held) held = length;
  if (held < fixed) return 0;
  std::uint64_t records = (held - fixed) / recordBytes;
  if (count < records) records = count;
  return records > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(records);
}

void ReportProblem(const Problem& problem) {
  if (Sink == nullptr) return;
  if (++Json.problemCount > ProblemCap) return;
  std::string& out = Json.problems;
  if (Json.problemCount > 1) out += ',';
  out += "{\"kind\":\"";
  out += problem.kind;
  out += "\",\"offset\":";
  AppendNumber(problem.offset, out);
  if (problem.id) {
    out += ",\"id\":";
    AppendIdentifier(problem.id, 4, out);
  }
  if (problem.sized || problem.needed != 0) {
    out += ",\"declared\":";
    AppendNumber(problem.declared, out);
  }
  if (problem.sized) {
    out += ",\"actual\":";
    AppendNumber(problem.actual, out);
  }
  if (problem.needed != 0) {
    out += ",\"needed\":";
    AppendNumber(problem.needed, out);
  }
  out += '}';
}

namespace {

// The path as UTF-8. A POSIX name is bytes: when they are not UTF-8, the
// text has U+FFFD in their place and path_hex gives the bytes themselves.
// A Windows name is UTF-16, whose unpaired surrogates read as U+FFFD.
void PathMembers(ReportPath path) {
  Key("path");
#ifdef _WIN32
  if (path.Name) {
    Json.out += '"';
    for (const wchar_t* at = path.Name; *at; ++at) {
      unsigned unit = static_cast<unsigned short>(*at);
      unsigned codePoint = unit;
      if (unit >= 0xD800 && unit <= 0xDBFF && at[1] >= 0xDC00 && at[1] <= 0xDFFF) {
        codePoint = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<unsigned short>(at[1]) - 0xDC00);
        ++at;
      } else if (unit >= 0xD800 && unit <= 0xDFFF) {
        codePoint = 0xFFFD;
      }
      AppendEscaped(codePoint, Json.out);
    }
    Json.out += '"';
    return;
  }
#endif
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(path.Text);
  std::size_t count = 0;
  while (bytes[count]) ++count;
  bool valid = true;
  for (std::size_t at = 0, taken; at < count; at += taken)
    if (DecodeUtf8(bytes + at, count - at, taken) == 0xFFFD && taken == 1) valid = false;
  AppendString(bytes, count, TextKind::Utf8, Json.out);
  if (!valid) JsonHex("path_hex", bytes, count);
}

void Begin(JsonSink& sink, ReportPath path) {
  Sink = &sink;
  Json.out.clear();
  Json.firstMember.assign(1, 1);
  Json.problems.clear();
  Json.problemCount = 0;
  JsonShown = true;
  Json.out += '{';
  PathMembers(path);
}

void End() {
  Json.out += "}\n";
  Flush();
  Json.firstMember.clear();
  Sink = nullptr;
}

}  // namespace

void JsonBegin(JsonSink& sink, ReportPath path) { Begin(sink, path); }

void JsonFinish() {
  if (Sink == nullptr) return;
  Key("problems");
  Json.out += '[';
  Json.out += Json.problems;
  Json.out += ']';
  if (Json.problemCount > ProblemCap) JsonUnsigned("problems_omitted", Json.problemCount - ProblemCap);
  End();
}

void WriteJsonError(ReportPath path, const char* error, JsonSink& json) {
  Begin(json, path);
  Key("error");
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(error);
  std::size_t count = 0;
  while (bytes[count]) ++count;
  AppendString(bytes, count, TextKind::Utf8, Json.out);
  End();
}
