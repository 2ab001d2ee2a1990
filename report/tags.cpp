// The Tags report: the lines that tag decoders write besides their JSON.
#include <cstring>
#include <vector>

#include "code_page.h"
#include "engine.h"

thread_local ReportFacts Facts = {};
thread_local std::string* TagsOut = nullptr;
thread_local bool TagsShown = true;

namespace {

// Values begin in this column, after the indent and the label.
constexpr std::size_t ValueColumn = 20;

bool IsBlank(unsigned char byte) { return byte <= 0x20 || byte == 0x7F; }

// text without blanks and control characters at either end.
std::string Trimmed(const std::string& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && IsBlank(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && IsBlank(static_cast<unsigned char>(text[last - 1]))) --last;
  return text.substr(first, last - first);
}

// A trimmed text as one line: each run of control characters a blank.
std::string OneLine(const std::string& trimmed) {
  std::string line;
  line.reserve(trimmed.size());
  bool inRun = false;
  for (unsigned char byte : trimmed) {
    bool control = byte < 0x20 || byte == 0x7F;
    if (control && !inRun) line += ' ';
    if (!control) line += static_cast<char>(byte);
    inRun = control;
  }
  return line;
}

bool TagLinesWanted() { return TagsOut != nullptr && TagsShown; }

// The Tags report's length before this report's sections.
thread_local std::size_t TagsStart = 0;

// Sections held back, each with the length of the Tags report when it was
// written: where it joins the report.
struct HeldSection {
  std::size_t at;
  std::string lines;
};
// Made for a Tags report and gone at its end: only the pointer is
// thread-local, so that a thread that built one holds nothing with a
// destructor (see engine.h).
thread_local std::vector<HeldSection>* Held = nullptr;

void LabelledLine(const char* label, const std::string& value) {
  if (!TagLinesWanted()) return;
  std::string& out = *TagsOut;
  std::size_t start = out.size();
  out += "  ";
  out += label;
  out += ':';
  std::size_t used = out.size() - start;
  out.append(used < ValueColumn ? ValueColumn - used : 1, ' ');
  out += value;
  out += '\n';
}

}  // namespace

std::string TagValue(const std::string& text) { return OneLine(Trimmed(text)); }

bool TagsWanted() { return TagsOut != nullptr || JsonWanted(); }

TagShowing::TagShowing(bool lines, bool json) : json_(true, json), lines_(TagsShown) {
  TagsShown = lines_ && lines;
}

TagShowing::~TagShowing() { TagsShown = lines_; }

TagSection::TagSection(const char* heading, const char* name) : object_(name) {
  if (!TagLinesWanted()) return;
  *TagsOut += '\n';
  *TagsOut += heading;
  *TagsOut += '\n';
}

void TagText(const char* label, const char* name, const std::string& text) {
  std::string value = Trimmed(text);
  if (value.empty()) return;
  LabelledLine(label, OneLine(value));
  JsonUtf8(name, value);
}

void TagNumber(const char* label, const char* name, std::uint64_t value) {
  LabelledLine(label, std::to_string(value));
  JsonUnsigned(name, value);
}

void TagFlag(const char* label, const char* name, bool value) {
  LabelledLine(label, value ? "yes" : "no");
  JsonBool(name, value);
}

void TagLine(std::size_t indent, const std::string& text) {
  if (!TagLinesWanted()) return;
  TagsOut->append(indent, ' ');
  *TagsOut += text;
  *TagsOut += '\n';
}

void BeginTagsReport(std::string* tags) {
  TagsOut = tags;
  TagsStart = tags ? tags->size() : 0;
  delete Held;
  Held = tags ? new std::vector<HeldSection> : nullptr;
}

void EndTagsReport() {
  // Later sections first, so that the places of earlier ones hold.
  if (TagsOut && Held && TagsOut->size() > TagsStart)
    for (auto section = Held->rbegin(); section != Held->rend(); ++section)
      TagsOut->insert(section->at, section->lines);
  delete Held;
  Held = nullptr;
  TagsOut = nullptr;
}

HeldTags::HeldTags() : out_(TagsOut) {
  if (out_) TagsOut = &lines_;
}

HeldTags::~HeldTags() {
  if (!out_) return;
  TagsOut = out_;
  if (!lines_.empty() && Held) Held->push_back({out_->size(), std::move(lines_)});
}

std::uint64_t PayloadHeld(std::uint32_t length) {
  std::uint64_t start = FilePosition(), size = ReportFileSize();
  std::uint64_t inFile = size > start ? size - start : 0;
  return length < inFile ? length : inFile;
}

std::string TagFieldText(const char* field) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(field);
  std::size_t count = std::strlen(field);
  bool utf8 = true;
  for (std::size_t at = 0, taken; at < count && utf8; at += taken)
    utf8 = !(DecodeUtf8(bytes + at, count - at, taken) == 0xFFFD && taken == 1);
  if (utf8) return std::string(field, count);
  std::string text;
  for (std::size_t at = 0; at < count; ++at) AppendUtf8(Windows1252CodePoint(bytes[at]), text);
  return text;
}

void DescribeTooShort(const char* id, std::uint64_t start, std::uint32_t length,
                      std::uint64_t held, std::uint64_t needed) {
  TagLine(2, "Damaged: the chunk holds " + std::to_string(held) + " bytes of the " +
                 std::to_string(needed) + " its fields take");
  ReportProblem({"chunk_too_short", start - 8, reinterpret_cast<const unsigned char*>(id), true,
                 length, held, needed});
}
