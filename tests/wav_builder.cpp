#include "wav_builder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "report.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/time.h>
#include <time.h>
#endif

namespace wav {

std::string U16(unsigned value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}
std::string U32(std::uint32_t value) { return U16(value & 0xFFFF) + U16(value >> 16); }
std::string U64(std::uint64_t value) {
  return U32(static_cast<std::uint32_t>(value)) + U32(static_cast<std::uint32_t>(value >> 32));
}
std::string F32(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return U32(bits);
}
std::string Fill(std::size_t count, char byte) { return std::string(count, byte); }
std::string Text(const std::string& text, std::size_t width) {
  std::string field = text.substr(0, width);
  field.resize(width, '\0');
  return field;
}

std::string ChunkWithSize(const std::string& id, std::uint32_t size, const std::string& payload) {
  return Text(id, 4) + U32(size) + payload;
}
std::string Chunk(const std::string& id, const std::string& payload) {
  std::string chunk = ChunkWithSize(id, static_cast<std::uint32_t>(payload.size()), payload);
  return payload.size() % 2 ? chunk + '\0' : chunk;
}
std::string List(const std::string& type, const std::string& chunks) {
  return Chunk("LIST", Text(type, 4) + chunks);
}
std::string RiffWithLength(std::uint32_t length, const std::string& chunks) {
  return "RIFF" + U32(length) + "WAVE" + chunks;
}
std::string Riff(const std::string& chunks) {
  return RiffWithLength(static_cast<std::uint32_t>(chunks.size() + 4), chunks);
}
std::string PcmFormat(unsigned channels, std::uint32_t rate, unsigned bits) {
  unsigned block = channels * bits / 8;
  return Chunk("fmt ",
               U16(1) + U16(channels) + U32(rate) + U32(rate * block) + U16(block) + U16(bits));
}

}  // namespace wav

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void SetModifiedTime(const std::string& path, int year, int month, int day, int hour, int minute,
                     int second) {
#ifdef _WIN32
  SYSTEMTIME fields{};
  fields.wYear = WORD(year), fields.wMonth = WORD(month), fields.wDay = WORD(day);
  fields.wHour = WORD(hour), fields.wMinute = WORD(minute), fields.wSecond = WORD(second);
  FILETIME written;
  SystemTimeToFileTime(&fields, &written);
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
#else
  struct tm broken {};
  broken.tm_year = year - 1900, broken.tm_mon = month - 1, broken.tm_mday = day;
  broken.tm_hour = hour, broken.tm_min = minute, broken.tm_sec = second;
  struct timeval times[2];
  times[0].tv_sec = times[1].tv_sec = timegm(&broken);
  times[0].tv_usec = times[1].tv_usec = 750000;  // fractions of a second are cut
  utimes(path.c_str(), times);
#endif
}

ReportFixture::ReportFixture() {
  namespace fs = std::filesystem;
  static unsigned counter = 0;
  std::error_code error;
  do {
    directory_ = (fs::temp_directory_path() /
                  ("tarvo-test-" + std::to_string(std::rand()) + "-" + std::to_string(++counter)))
                     .string();
  } while (!fs::create_directory(directory_, error));
  path_ = (fs::path(directory_) / "take.wav").string();
}

ReportFixture::~ReportFixture() {
  std::error_code error;
  std::filesystem::remove_all(directory_, error);
}

void ReportFixture::Write(const std::string& bytes) {
  std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  SetModifiedTime(path_, 2000, 5, 27, 15, 22, 8);
}

std::string ReportFixture::Report() {
  return BuildReport(path_.c_str());
}

namespace {

struct JsonText : JsonSink {
  std::string& text;
  explicit JsonText(std::string& into) : text(into) {}
  void Write(const char* bytes, std::size_t count) override { text.append(bytes, count); }
};

}  // namespace

std::string ReportFixture::ReportWithJson(std::string& json) {
  json.clear();
  JsonText sink(json);
  return BuildReport(path_.c_str(), sink);
}

std::string ReportFixture::Tags(std::string* json) {
  std::string tags;
  std::string jsonText;
  JsonText sink(jsonText);
  std::string report = BuildReport(path_.c_str(), json ? &sink : nullptr, &tags);
  // The report text is the same whatever else the pass writes.
  if (report != BuildReport(path_.c_str())) tags = "report text differs";
  if (json) *json = jsonText;
  return tags;
}

std::string ReportFixture::Summary(std::uint64_t size) const {
  // Hundredths of a KB or MB rounded half up: exact for the tests' sizes.
  bool kilobytes = size <= 1048576;
  unsigned shift = kilobytes ? 10 : 20;
  unsigned long long hundredths = (size * 100 + (1ull << (shift - 1))) >> shift;
  char sizeLine[96];
  std::snprintf(sizeLine, sizeof sizeLine, "%llu bytes (%llu.%02llu%s)",
                static_cast<unsigned long long>(size), hundredths / 100, hundredths % 100,
                kilobytes ? "KB" : "MB");
  return path_ + "\r\n" + sizeLine + "\r\n2000-05-27 15:22:08\r\n";
}

std::string ReportFixture::Whole(const std::string& bytes, const std::string& body) const {
  return Summary(bytes.size()) + "\r\nRIFF 'WAVE'" + body + "\r\n";
}
