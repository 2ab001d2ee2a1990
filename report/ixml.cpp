// iXML chunks: the production sound metadata that field recorders write.
// The XML's elements fill an IxmlRecord; the record is then described in
// the order a sound person reads it: project, scene, take, tape, take type,
// note, start timecode, then the file's format, the tracks and the rest.
#include <cstdlib>
#include <vector>

#include "engine.h"
#include "xml.h"

namespace {

// The tracks and the location or user fields kept; a document may list more,
// which are counted only.
constexpr std::size_t ListCap = 1024;
// The most text kept of one element.
constexpr std::size_t ElementTextCap = 65536;

struct IxmlTrack {
  std::string channelIndex, interleaveIndex, name, function;
};

struct NamedValue {
  std::string name, value;
};

struct IxmlRecord {
  std::string version, project, scene, take, tape, circled, noGood, falseStart, wildTrack,
      takeType, note, userBits, fileUid;
  // SPEED
  std::string timecodeRate, timecodeFlag, fileSampleRate, bitDepth, stampHigh, stampLow,
      stampRate;
  std::string trackCount;
  std::vector<IxmlTrack> tracks;
  std::size_t tracksUnkept = 0;
  // FILE_SET
  std::string familyUid, familyName, totalFiles, fileSetIndex;
  // HISTORY
  std::string originalFile, currentFile, parentFile, parentUid;
  std::vector<NamedValue> location, user;
  std::size_t namedUnkept = 0;
};

// Where each leaf element goes: its parent ("" for a child of the root) and
// its name.
struct Leaf {
  const char* parent;
  const char* name;
  std::string IxmlRecord::*field;
};
const Leaf Leaves[] = {
    {"", "IXML_VERSION", &IxmlRecord::version},
    {"", "PROJECT", &IxmlRecord::project},
    {"", "SCENE", &IxmlRecord::scene},
    {"", "TAKE", &IxmlRecord::take},
    {"", "TAPE", &IxmlRecord::tape},
    {"", "CIRCLED", &IxmlRecord::circled},
    {"", "NO_GOOD", &IxmlRecord::noGood},
    {"", "FALSE_START", &IxmlRecord::falseStart},
    {"", "WILD_TRACK", &IxmlRecord::wildTrack},
    {"", "TAKE_TYPE", &IxmlRecord::takeType},
    {"", "NOTE", &IxmlRecord::note},
    {"", "UBITS", &IxmlRecord::userBits},
    {"", "FILE_UID", &IxmlRecord::fileUid},
    {"SPEED", "TIMECODE_RATE", &IxmlRecord::timecodeRate},
    {"SPEED", "TIMECODE_FLAG", &IxmlRecord::timecodeFlag},
    {"SPEED", "FILE_SAMPLE_RATE", &IxmlRecord::fileSampleRate},
    {"SPEED", "AUDIO_BIT_DEPTH", &IxmlRecord::bitDepth},
    {"SPEED", "TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI", &IxmlRecord::stampHigh},
    {"SPEED", "TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO", &IxmlRecord::stampLow},
    {"SPEED", "TIMESTAMP_SAMPLE_RATE", &IxmlRecord::stampRate},
    {"TRACK_LIST", "TRACK_COUNT", &IxmlRecord::trackCount},
    {"FILE_SET", "FAMILY_UID", &IxmlRecord::familyUid},
    {"FILE_SET", "FAMILY_NAME", &IxmlRecord::familyName},
    {"FILE_SET", "TOTAL_FILES", &IxmlRecord::totalFiles},
    {"FILE_SET", "FILE_SET_INDEX", &IxmlRecord::fileSetIndex},
    {"HISTORY", "ORIGINAL_FILENAME", &IxmlRecord::originalFile},
    {"HISTORY", "CURRENT_FILENAME", &IxmlRecord::currentFile},
    {"HISTORY", "PARENT_FILENAME", &IxmlRecord::parentFile},
    {"HISTORY", "PARENT_UID", &IxmlRecord::parentUid},
};

const struct {
  const char* name;
  std::string IxmlTrack::*field;
} TrackLeaves[] = {{"CHANNEL_INDEX", &IxmlTrack::channelIndex},
                   {"INTERLEAVE_INDEX", &IxmlTrack::interleaveIndex},
                   {"NAME", &IxmlTrack::name},
                   {"FUNCTION", &IxmlTrack::function}};

// Keeps the path of open elements and the text of each, and files the text
// of a leaf where the tables above say. The first of a duplicated element
// counts.
class IxmlReader : public XmlReader {
 public:
  explicit IxmlReader(IxmlRecord& record) : record_(record) {}

  void Start(const std::string&, const std::string& name, const char**) override {
    path_.push_back(name);
    texts_.emplace_back();
    if (InRoot() && path_.size() == 3 && path_[1] == "TRACK_LIST" && name == "TRACK") {
      if (record_.tracks.size() < ListCap)
        record_.tracks.emplace_back();
      else
        ++record_.tracksUnkept;
    }
  }

  void End(const std::string&, const std::string&) override {
    File();
    path_.pop_back();
    texts_.pop_back();
  }

  void Text(const char* text, std::size_t length) override {
    std::string& into = texts_.back();
    if (into.size() < ElementTextCap)
      into.append(text, length < ElementTextCap - into.size() ? length : ElementTextCap - into.size());
  }

 private:
  bool InRoot() const { return !path_.empty() && path_[0] == "BWFXML"; }

  static void Keep(std::string& field, const std::string& text) {
    if (field.empty()) field = text;
  }

  void KeepNamed(std::vector<NamedValue>& list, const std::string& name, const std::string& text) {
    if (list.size() < ListCap)
      list.push_back({name, text});
    else
      ++record_.namedUnkept;
  }

  void File() {
    if (!InRoot() || path_.size() < 2) return;
    const std::string& name = path_.back();
    const std::string& text = texts_.back();
    const std::string parent = path_.size() == 2 ? std::string() : path_[path_.size() - 2];
    if (path_.size() <= 3)
      for (const Leaf& leaf : Leaves)
        if (parent == leaf.parent && name == leaf.name) Keep(record_.*leaf.field, text);
    if (path_.size() == 4 && path_[1] == "TRACK_LIST" && parent == "TRACK" &&
        record_.tracksUnkept == 0 && !record_.tracks.empty())
      for (const auto& leaf : TrackLeaves)
        if (name == leaf.name) Keep(record_.tracks.back().*leaf.field, text);
    if (path_.size() == 3 && parent == "LOCATION") KeepNamed(record_.location, name, text);
    if (path_[1] == "USER" && path_.size() <= 3)
      KeepNamed(record_.user, path_.size() == 2 ? std::string() : name, text);
  }

  IxmlRecord& record_;
  std::vector<std::string> path_;
  std::vector<std::string> texts_;
};

// A decimal number of the XML, blanks around it allowed. A negative one in
// a field of 32 bits stands for that value plus 2^32, as some recorders
// write it.
bool Decimal(const std::string& text, std::uint64_t& value, bool negativeWraps = false) {
  std::string trimmed = TagValue(text);
  std::size_t at = 0;
  bool negative = negativeWraps && !trimmed.empty() && trimmed[0] == '-';
  if (negative) at = 1;
  if (at == trimmed.size() || trimmed.size() - at > 19) return false;
  value = 0;
  for (; at < trimmed.size(); ++at) {
    if (trimmed[at] < '0' || trimmed[at] > '9') return false;
    value = value * 10 + static_cast<unsigned>(trimmed[at] - '0');
  }
  if (negative) {
    if (value > 0x80000000u) return false;
    value = (std::uint64_t{1} << 32) - value;
  }
  return !negativeWraps || value <= 0xFFFFFFFFu;
}

// A number of the XML as a number where it reads as one, else as written.
void NumberOrText(const char* label, const char* name, const std::string& text) {
  std::uint64_t value;
  if (Decimal(text, value))
    TagNumber(label, name, value);
  else
    TagText(label, name, text);
}

bool IsTrue(const std::string& text) {
  std::string value = TagValue(text);
  for (char& c : value) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return value == "TRUE";
}

// The take type in words: circled, then the types of TAKE_TYPE (or, without
// it, of the flags it replaced).
void DescribeTakeType(const IxmlRecord& record) {
  std::vector<std::string> words;
  if (IsTrue(record.circled)) words.push_back("circled");
  std::string types = TagValue(record.takeType);
  if (!types.empty()) {
    std::size_t at = 0;
    while (at <= types.size()) {
      std::size_t comma = types.find(',', at);
      if (comma == std::string::npos) comma = types.size();
      std::string word = TagValue(types.substr(at, comma - at));
      if (word == "DEFAULT") word.clear();  // an ordinary take
      for (char& c : word) {
        if (c == '_') c = ' ';
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      }
      if (!word.empty()) words.push_back(word);
      at = comma + 1;
    }
  } else {
    if (IsTrue(record.noGood)) words.push_back("no good");
    if (IsTrue(record.falseStart)) words.push_back("false start");
    if (IsTrue(record.wildTrack)) words.push_back("wild track");
  }
  if (words.empty()) return;
  std::string line;
  for (const std::string& word : words) line += (line.empty() ? "" : ", ") + word;
  {
    TagShowing lineOnly(true, false);
    TagText("Take type", nullptr, line);
  }
  JsonScope list("take_type", JsonScope::Array);
  for (const std::string& word : words) JsonUtf8(nullptr, word);
}

// Bounds on the numbers of a timecode, within which its arithmetic fits 64
// bits: rates to 10 MHz, timecode rates N/D with N to 10^7 and D to 10^5.
constexpr std::uint64_t SampleRateCap = 10000000;
constexpr std::uint64_t RateNumeratorCap = 10000000;
constexpr std::uint64_t RateDenominatorCap = 100000;

struct TimecodeRate {
  std::uint64_t numerator = 0, denominator = 1;
};

// A timecode rate "N/D" (or "N").
bool ReadTimecodeRate(const std::string& text, TimecodeRate& rate) {
  std::string value = TagValue(text);
  std::size_t slash = value.find('/');
  if (!Decimal(value.substr(0, slash), rate.numerator)) return false;
  rate.denominator = 1;
  if (slash != std::string::npos && !Decimal(value.substr(slash + 1), rate.denominator))
    return false;
  return rate.numerator != 0 && rate.denominator != 0 && rate.numerator <= RateNumeratorCap &&
         rate.denominator <= RateDenominatorCap && rate.numerator >= rate.denominator / 2;
}

std::string TwoDigits(std::uint64_t value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// The frame rate N/D in frames per second, to three decimals, without
// trailing zeros: 24000/1001 is 23.976, 30000/1001 29.97.
std::string FramesPerSecond(const TimecodeRate& rate) {
  std::uint64_t thousandths = (rate.numerator * 1000 + rate.denominator / 2) / rate.denominator;
  std::string text = std::to_string(thousandths / 1000);
  std::string fraction = std::to_string(1000 + thousandths % 1000).substr(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return fraction.empty() ? text : text + "." + fraction;
}

// The timecode of a sample count at rate samples per second: the frames
// counted at the timecode rate, numbered at its nominal base (24, 25, 30...),
// with two (base 30) or four (base 60) frame numbers dropped each minute but
// every tenth when dropFrame. Integer arithmetic throughout: seconds in
// floating point drift by whole frames over a day. False when the numbers
// are beyond the bounds above.
bool Timecode(std::uint64_t samples, std::uint64_t rate, const TimecodeRate& timecodeRate,
              bool& dropFrame, std::string& text) {
  if (rate == 0 || rate > SampleRateCap) return false;
  // frames = floor(samples * N / (rate * D)), with the product split so
  // that it fits: rate * D < 2^40 and the remainder's product < 2^64.
  std::uint64_t divisor = rate * timecodeRate.denominator;
  std::uint64_t whole = samples / divisor, part = samples % divisor;
  if (whole > ~std::uint64_t{0} / timecodeRate.numerator) return false;
  std::uint64_t frames = whole * timecodeRate.numerator + part * timecodeRate.numerator / divisor;
  std::uint64_t base =
      (timecodeRate.numerator + timecodeRate.denominator / 2) / timecodeRate.denominator;
  dropFrame = dropFrame && (base == 30 || base == 60);
  if (dropFrame) {
    std::uint64_t dropped = base / 15;  // 2 at 30, 4 at 60
    std::uint64_t perTenMinutes = base * 600 - dropped * 9;
    std::uint64_t perMinute = base * 60 - dropped;
    std::uint64_t tens = frames / perTenMinutes, rest = frames % perTenMinutes;
    frames += dropped * 9 * tens;
    if (rest > dropped) frames += dropped * ((rest - dropped) / perMinute);
  }
  std::uint64_t seconds = frames / base;
  text = TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
         TwoDigits(seconds % 60) + (dropFrame ? ";" : ":") + TwoDigits(frames % base);
  return true;
}

// The start of the recording: the samples since midnight (of the iXML, else
// of the broadcast chunk), at the timestamp's sample rate (else the file's,
// else the format chunk's), as a timecode at the timecode rate when there is
// one, else as a time of day.
void DescribeStart(const IxmlRecord& record) {
  std::uint64_t samples, high = 0, low = 0;
  bool fromIxml = !TagValue(record.stampHigh).empty() || !TagValue(record.stampLow).empty();
  if (fromIxml) {
    if ((!TagValue(record.stampHigh).empty() && !Decimal(record.stampHigh, high, true)) ||
        (!TagValue(record.stampLow).empty() && !Decimal(record.stampLow, low, true)))
      return;
    samples = high << 32 | low;
  } else if (Facts.timeReferenceKnown) {
    samples = Facts.timeReference;
  } else {
    return;
  }
  std::uint64_t rate = 0;
  if (!Decimal(record.stampRate, rate) || rate == 0)
    if (!Decimal(record.fileSampleRate, rate) || rate == 0) rate = Facts.sampleRate;
  JsonUnsigned("start_samples", samples);
  if (rate == 0 || rate > SampleRateCap) {
    TagShowing lineOnly(true, false);
    TagText("Timestamp", nullptr, std::to_string(samples) + " samples since midnight");
    return;
  }
  JsonUnsigned("start_sample_rate", rate);
  std::string at = std::to_string(samples) + " samples since midnight at " +
                   std::to_string(rate) + " Hz";

  TimecodeRate timecodeRate;
  std::string timecode;
  bool dropFrame = TagValue(record.timecodeFlag) == "DF";
  if (ReadTimecodeRate(record.timecodeRate, timecodeRate) &&
      Timecode(samples, rate, timecodeRate, dropFrame, timecode)) {
    TagText("Start timecode", "start_timecode", timecode);
    std::string rateText = FramesPerSecond(timecodeRate) + " fps " +
                           (dropFrame ? "drop-frame" : "non-drop") + " (" +
                           std::to_string(timecodeRate.numerator) + "/" +
                           std::to_string(timecodeRate.denominator) + ")";
    {
      TagShowing lineOnly(true, false);
      TagText("Timecode rate", nullptr, rateText);
    }
    JsonUtf8("timecode_rate", std::to_string(timecodeRate.numerator) + "/" +
                                  std::to_string(timecodeRate.denominator));
    JsonBool("drop_frame", dropFrame);
  } else {
    std::uint64_t seconds = samples / rate;
    std::uint64_t thousandths = samples % rate * 1000 / rate;
    std::string time = TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
                       TwoDigits(seconds % 60) + "." +
                       std::to_string(1000 + thousandths).substr(1);
    TagText("Start time", "start_time", time);
  }
  TagShowing lineOnly(true, false);
  TagText("Timestamp", nullptr, at);
}

void DescribeTracks(const IxmlRecord& record) {
  std::uint64_t count;
  if (Decimal(record.trackCount, count)) {
    TagNumber("Tracks", "track_count", count);
  } else if (!record.tracks.empty()) {
    TagShowing lineOnly(true, false);
    TagNumber("Tracks", nullptr, record.tracks.size() + record.tracksUnkept);
  }
  JsonScope tracks("tracks", JsonScope::Array);
  for (const IxmlTrack& track : record.tracks) {
    JsonScope element(nullptr);
    std::string line;
    auto part = [&line](const char* label, const std::string& value) {
      std::string shown = TagValue(value);
      if (shown.empty()) return;
      line += (line.empty() ? "" : ", ") + std::string(label) + shown;
    };
    part("channel ", track.interleaveIndex);
    part("track ", track.channelIndex);
    part("", track.name);
    part("", track.function);
    if (!line.empty()) TagLine(4, line);
    TagShowing jsonOnly(false, true);
    NumberOrText(nullptr, "interleave_index", track.interleaveIndex);
    NumberOrText(nullptr, "channel_index", track.channelIndex);
    TagText(nullptr, "name", track.name);
    TagText(nullptr, "function", track.function);
  }
  if (record.tracksUnkept) TagLine(4, "and " + std::to_string(record.tracksUnkept) + " more");
}

// The fields of LOCATION or USER: the known ones by their labels, others by
// their element names in words (the line's label) or in lower case (JSON).
// Text of USER's own is its member text.
void DescribeNamed(const char* label, const char* name, const std::vector<NamedValue>& list) {
  static const struct {
    const char* element;
    const char* label;
  } Known[] = {{"LOCATION_NAME", "Location"},      {"LOCATION_GPS", "GPS"},
               {"LOCATION_ALTITUDE", "Altitude"},  {"LOCATION_TYPE", "Location type"},
               {"LOCATION_TIME", "Location time"}};
  JsonScope object(name);
  std::vector<std::string> keys;  // a name given twice counts once
  for (const NamedValue& named : list) {
    std::string key = named.name.empty() ? "text" : named.name;
    std::string words = named.name;
    for (char& c : key) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    bool repeated = false;
    for (const std::string& earlier : keys) repeated = repeated || earlier == key;
    if (repeated || TagValue(named.value).empty()) continue;
    keys.push_back(key);
    for (char& c : words) c = c == '_' ? ' ' : static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    std::string shownLabel = named.name.empty() ? label : std::string(label) + " " + words;
    for (const auto& known : Known)
      if (named.name == known.element) shownLabel = known.label;
    TagText(shownLabel.c_str(), key.c_str(), named.value);
  }
}

}  // namespace

void DescribeIxmlChunk(std::uint32_t length) {
  IxmlRecord record;
  IxmlReader reader(record);
  XmlOutcome outcome = ReadXmlChunk(length, false, reader);

  static const TagTextOf<IxmlRecord> Take[] = {{"Version", "version", &IxmlRecord::version},
                                               {"Project", "project", &IxmlRecord::project},
                                               {"Scene", "scene", &IxmlRecord::scene},
                                               {"Take", "take", &IxmlRecord::take},
                                               {"Tape", "tape", &IxmlRecord::tape}};
  static const TagTextOf<IxmlRecord> History[] = {
      {"Original file", "original_filename", &IxmlRecord::originalFile},
      {"Current file", "current_filename", &IxmlRecord::currentFile},
      {"Parent file", "parent_filename", &IxmlRecord::parentFile},
      {"Parent UID", "parent_uid", &IxmlRecord::parentUid}};
  TagSection section("iXML", "ixml");
  TagTexts(record, Take);
  DescribeTakeType(record);
  TagText("Note", "note", record.note);
  DescribeStart(record);
  NumberOrText("Sample rate", "file_sample_rate", record.fileSampleRate);
  NumberOrText("Bit depth", "bit_depth", record.bitDepth);
  TagText("User bits", "user_bits", record.userBits);
  TagText("File UID", "file_uid", record.fileUid);
  TagText("Family", "family_name", record.familyName);
  TagText("Family UID", "family_uid", record.familyUid);
  std::uint64_t index, total;
  bool indexKnown = Decimal(record.fileSetIndex, index), totalKnown = Decimal(record.totalFiles, total);
  if (indexKnown && totalKnown) {
    TagShowing lineOnly(true, false);
    TagText("File of family", nullptr, std::to_string(index) + " of " + std::to_string(total));
  }
  {
    TagShowing jsonOnly(!(indexKnown && totalKnown), true);
    NumberOrText("File of family", "file_set_index", record.fileSetIndex);
    NumberOrText("Files in family", "total_files", record.totalFiles);
  }
  DescribeTracks(record);
  TagTexts(record, History);
  if (!record.location.empty()) DescribeNamed("Location", "location", record.location);
  if (!record.user.empty()) DescribeNamed("User", "user", record.user);
  DescribeXmlOutcome(outcome);
}
