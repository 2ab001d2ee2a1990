// Builds WAV files in memory for the tests, and reports on them.
#pragma once

#include <cstdint>
#include <string>

namespace wav {

// Little-endian fields, runs of one byte, and NUL-padded (or cut) text fields.
std::string U16(unsigned value);
std::string U32(std::uint32_t value);
std::string U64(std::uint64_t value);
std::string F32(float value);
std::string Fill(std::size_t count, char byte = '\0');
std::string Text(const std::string& text, std::size_t width);

// A chunk, with a pad byte after an odd payload; ChunkWithSize states size
// whatever the payload holds, and adds no pad.
std::string Chunk(const std::string& id, const std::string& payload);
std::string ChunkWithSize(const std::string& id, std::uint32_t size, const std::string& payload);
std::string List(const std::string& type, const std::string& chunks);
// A whole WAVE file; RiffWithLength states length whatever follows.
std::string Riff(const std::string& chunks);
std::string RiffWithLength(std::uint32_t length, const std::string& chunks);
std::string PcmFormat(unsigned channels, std::uint32_t rate, unsigned bits);

}  // namespace wav

// A file of the tests' own in a temporary folder, written with a fixed
// last-write time (2000-05-27 15:22:08 UTC).
class ReportFixture {
 public:
  ReportFixture();
  ~ReportFixture();

  const std::string& Path() const { return path_; }
  void Write(const std::string& bytes);
  std::string Report();  // of the file as written last
  // The same, built with its JSON description, which goes to json.
  std::string ReportWithJson(std::string& json);
  // The Tags report of the file as written last, and with json its JSON
  // description from the same pass. Both passes give the report text that
  // BuildReport alone gives, or the result says so.
  std::string Tags(std::string* json = nullptr);
  std::string ReportOf(const std::string& bytes) {
    Write(bytes);
    return Report();
  }
  // The first four lines of the report on a file of size bytes.
  std::string Summary(std::uint64_t size) const;
  // Summary, "RIFF 'WAVE'", body (lines each begun with CR LF), final CR LF.
  std::string Whole(const std::string& bytes, const std::string& body) const;

 private:
  std::string directory_;
  std::string path_;
};

void SetModifiedTime(const std::string& path, int year, int month, int day, int hour, int minute,
                     int second);
std::string ReadWholeFile(const std::string& path);
