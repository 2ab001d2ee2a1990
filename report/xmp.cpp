// XMP packets (_PMX chunks) that editors write: the title, and the scene,
// shot, tape and timecode of the dynamic media namespace. A property may be
// an attribute of its description or an element of its own.
#include <vector>

#include "engine.h"
#include "xml.h"

namespace {

const char DublinCore[] = "http://purl.org/dc/elements/1.1/";
const char DynamicMedia[] = "http://ns.adobe.com/xmp/1.0/DynamicMedia/";
const char XmlNamespace[] = "http://www.w3.org/XML/1998/namespace";
const char RdfNamespace[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

constexpr std::size_t ElementTextCap = 65536;

struct XmpRecord {
  std::string title, project, scene, shotName, shotNumber, tapeName, logComment, good,
      timeFormat, timeValue;
  bool titleIsDefault = false;
};

const struct {
  const char* name;
  std::string XmpRecord::*field;
} Properties[] = {
    {"projectName", &XmpRecord::project}, {"scene", &XmpRecord::scene},
    {"shotName", &XmpRecord::shotName},   {"shotNumber", &XmpRecord::shotNumber},
    {"tapeName", &XmpRecord::tapeName},   {"logComment", &XmpRecord::logComment},
    {"good", &XmpRecord::good},           {"timeFormat", &XmpRecord::timeFormat},
    {"timeValue", &XmpRecord::timeValue},
};

class XmpReader : public XmlReader {
 public:
  explicit XmpReader(XmpRecord& record) : record_(record) {}

  void Start(const std::string& uri, const std::string& name, const char** attributes) override {
    open_.push_back({uri == DublinCore && name == "title", false, std::string()});
    std::string attributeUri, attributeName;
    for (const char** at = attributes; at[0] && at[1]; at += 2) {
      SplitXmlName(at[0], attributeUri, attributeName);
      if (attributeUri == DynamicMedia) Keep(attributeName, at[1]);
      if (attributeUri == XmlNamespace && attributeName == "lang")
        open_.back().defaultLanguage = std::string(at[1]) == "x-default";
    }
  }

  void End(const std::string& uri, const std::string& name) override {
    const Open element = open_.back();
    open_.pop_back();
    if (uri == DynamicMedia) Keep(name, element.text);
    // The title is an alternative of languages: the default one, else the
    // first.
    if (uri == RdfNamespace && name == "li" && InTitle()) {
      bool better = record_.title.empty() || (element.defaultLanguage && !record_.titleIsDefault);
      if (better && !TagValue(element.text).empty()) {
        record_.title = element.text;
        record_.titleIsDefault = element.defaultLanguage;
      }
    }
  }

  void Text(const char* text, std::size_t length) override {
    if (open_.empty()) return;
    std::string& into = open_.back().text;
    if (into.size() < ElementTextCap)
      into.append(text, length < ElementTextCap - into.size() ? length : ElementTextCap - into.size());
  }

 private:
  struct Open {
    bool title;
    bool defaultLanguage;
    std::string text;
  };

  bool InTitle() const {
    for (const Open& element : open_)
      if (element.title) return true;
    return false;
  }

  void Keep(const std::string& name, const std::string& value) {
    for (const auto& property : Properties)
      if (name == property.name && TagValue(record_.*property.field).empty())
        record_.*property.field = value;
  }

  XmpRecord& record_;
  std::vector<Open> open_;
};

}  // namespace

void DescribeXmpChunk(std::uint32_t length) {
  XmpRecord record;
  XmpReader reader(record);
  XmlOutcome outcome = ReadXmlChunk(length, true, reader);

  static const TagTextOf<XmpRecord> Shot[] = {
      {"Title", "title", &XmpRecord::title},
      {"Project", "project", &XmpRecord::project},
      {"Scene", "scene", &XmpRecord::scene},
      {"Shot name", "shot_name", &XmpRecord::shotName},
      {"Shot number", "shot_number", &XmpRecord::shotNumber},
      {"Tape name", "tape_name", &XmpRecord::tapeName},
      {"Log comment", "log_comment", &XmpRecord::logComment}};
  TagSection section("XMP", "xmp");
  TagTexts(record, Shot);
  std::string good = TagValue(record.good);
  if (good == "True" || good == "true" || good == "False" || good == "false")
    TagFlag("Good", "good", good[0] == 'T' || good[0] == 't');
  else
    TagText("Good", "good_text", record.good);
  TagText("Start timecode", "start_timecode", record.timeValue);
  TagText("Timecode format", "start_timecode_format", record.timeFormat);
  DescribeXmlOutcome(outcome);
}
