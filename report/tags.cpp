// The Tags report: the lines that tag decoders write besides their JSON.
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
