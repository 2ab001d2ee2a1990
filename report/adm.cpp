// The audio definition model of object-based and immersive masters: the
// chna chunk, which ties the file's tracks to the model's track UIDs, and
// the axml chunk, whose XML holds the model (programmes, contents, objects,
// pack formats and channel formats).
#include <initializer_list>
#include <vector>

#include "engine.h"
#include "xml.h"

namespace {

// Entries and list items shown; the rest are counted.
constexpr std::size_t ListCap = 1024;
constexpr std::uint32_t ChnaHeaderBytes = 4;
constexpr std::uint32_t ChnaEntryBytes = 40;

// The pack format types by their type labels, 0001 to 0005.
const char* const PackTypes[] = {"DirectSpeakers", "Matrix", "Objects", "HOA", "Binaural"};

}  // namespace

// chna: 0 u16 track count   2 u16 UID count   4 the UID count's entries:
//         0 u16 track index (from 1)   2 track UID (12)
//        14 track format reference (14)   28 pack format reference (11)   39 pad
void DescribeChnaChunk(std::uint32_t length) {
  std::uint64_t start = FilePosition();
  std::uint64_t held = PayloadHeld(length);
  std::uint16_t tracks = 0, uids = 0;
  TagRecordReader header(held);
  bool tracksRead = header.U16(tracks);
  bool uidsRead = header.U16(uids);
  std::uint64_t entriesHeld = held > ChnaHeaderBytes ? (held - ChnaHeaderBytes) / ChnaEntryBytes : 0;
  std::uint32_t entries = uids < entriesHeld ? uids : static_cast<std::uint32_t>(entriesHeld);

  TagSection section("ADM (chna)", "chna");
  if (tracksRead) TagNumber("Tracks", "track_count", tracks);
  if (uidsRead) TagNumber("Track UIDs", "uid_count", uids);
  {
    JsonScope list("entries", JsonScope::Array);
    for (std::uint32_t at = 0; at < entries; ++at) {
      std::uint16_t index = 0;
      std::string uid, track, pack;
      TagRecordReader read(ChnaEntryBytes);
      read.U16(index);
      read.Text<12>(uid);
      read.Text<14>(track);
      read.Text<11>(pack);
      read.Skip(1);

      TagShowing entry(at < ListCap, true);
      JsonScope element(nullptr);
      std::string line = "track " + std::to_string(index);
      for (const std::string* part : {&uid, &track, &pack})
        if (!TagValue(*part).empty()) line += ", " + TagValue(*part);
      TagLine(4, line);
      TagShowing jsonOnly(false, true);
      TagNumber(nullptr, "track_index", index);
      TagText(nullptr, "uid", uid);
      TagText(nullptr, "track_format", track);
      TagText(nullptr, "pack_format", pack);
    }
  }
  if (entries > ListCap) TagLine(4, "and " + std::to_string(entries - ListCap) + " more");
  std::uint64_t needed = ChnaHeaderBytes + std::uint64_t{uids} * ChnaEntryBytes;
  if (held < needed) DescribeTooShort("chna", start, length, held, needed);
}

namespace {

struct AdmItem {
  std::string id, name, type;
};

struct AdmList {
  std::vector<AdmItem> kept;
  std::size_t unkept = 0;
};

struct AdmRecord {
  AdmList programmes, contents, objects, packs;
  std::uint64_t channelFormats = 0;
};

// Files the elements of the model, wherever its audioFormatExtended lies
// in the document and whatever its namespace.
class AdmReader : public XmlReader {
 public:
  explicit AdmReader(AdmRecord& record) : record_(record) {}

  void Start(const std::string&, const std::string& name, const char** attributes) override {
    if (name == "audioFormatExtended") ++inModel_;
    if (inModel_ == 0) return;
    if (name == "audioProgramme")
      Keep(record_.programmes, attributes, "audioProgrammeID", "audioProgrammeName");
    else if (name == "audioContent")
      Keep(record_.contents, attributes, "audioContentID", "audioContentName");
    else if (name == "audioObject")
      Keep(record_.objects, attributes, "audioObjectID", "audioObjectName");
    else if (name == "audioPackFormat")
      Keep(record_.packs, attributes, "audioPackFormatID", "audioPackFormatName");
    else if (name == "audioChannelFormat")
      ++record_.channelFormats;
  }

  void End(const std::string&, const std::string& name) override {
    if (name == "audioFormatExtended" && inModel_ > 0) --inModel_;
  }

  void Text(const char*, std::size_t) override {}

 private:
  // Keeps an item's ID and name, and a pack format's type: its type
  // definition, else the name of its type label, else the label as written.
  static void Keep(AdmList& list, const char** attributes, const char* idName,
                   const char* nameName) {
    if (list.kept.size() >= ListCap) {
      ++list.unkept;
      return;
    }
    AdmItem item;
    std::string label, uri, local;
    for (const char** at = attributes; at[0] && at[1]; at += 2) {
      SplitXmlName(at[0], uri, local);
      if (local == idName) item.id = at[1];
      if (local == nameName) item.name = at[1];
      if (local == "typeDefinition") item.type = at[1];
      if (local == "typeLabel") label = TagValue(at[1]);
    }
    if (TagValue(item.type).empty() && !label.empty()) {
      item.type = label;
      static const char* const Labels[] = {"0001", "0002", "0003", "0004", "0005"};
      for (std::size_t type = 0; type < 5; ++type)
        if (label == Labels[type]) item.type = PackTypes[type];
    }
    list.kept.push_back(item);
  }

  AdmRecord& record_;
  std::size_t inModel_ = 0;
};

// A list of the model: a line per item, "name (ID)" and the type, and in
// JSON an array of them; items past the cap are counted.
void DescribeList(const char* label, const char* name, const char* unkeptName,
                  const char* plural, const AdmList& list) {
  {
    JsonScope items(name, JsonScope::Array);
    for (const AdmItem& item : list.kept) {
      JsonScope element(nullptr);
      std::string id = TagValue(item.id), shown = TagValue(item.name);
      if (!id.empty()) shown += shown.empty() ? id : " (" + id + ")";
      if (!TagValue(item.type).empty()) shown += (shown.empty() ? "" : ", ") + TagValue(item.type);
      {
        TagShowing lineOnly(true, false);
        TagText(label, nullptr, shown);
      }
      TagShowing jsonOnly(false, true);
      TagText(nullptr, "id", item.id);
      TagText(nullptr, "name", item.name);
      TagText(nullptr, "type", item.type);
    }
  }
  if (list.unkept) {
    TagLine(2, "and " + std::to_string(list.unkept) + " more " + plural);
    JsonUnsigned(unkeptName, list.unkept);
  }
}

}  // namespace

void DescribeAdmChunk(std::uint32_t length) {
  AdmRecord record;
  AdmReader reader(record);
  XmlOutcome outcome = ReadXmlChunk(length, true, reader);

  TagSection section("ADM (axml)", "adm");
  DescribeList("Programme", "programmes", "programmes_omitted", "programmes", record.programmes);
  DescribeList("Content", "contents", "contents_omitted", "contents", record.contents);
  DescribeList("Object", "objects", "objects_omitted", "objects", record.objects);
  DescribeList("Pack format", "pack_formats", "pack_formats_omitted", "pack formats",
               record.packs);
  TagNumber("Channel formats", "channel_formats", record.channelFormats);
  DescribeXmlOutcome(outcome);
}
