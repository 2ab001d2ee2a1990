// Builds WAV files in memory for the tests, and reports on them.
#pragma once

#include <cstdint>
#include <string>

namespace wav {

// Little-endian fields.
std::string U8(unsigned value);
std::string U16(unsigned value);
std::string U32(std::uint32_t value);
std::string U64(std::uint64_t value);
std::string F32(float value);
// count copies of byte.
std::string Fill(std::size_t count, char byte = '\0');
// A text field of exactly width bytes, NUL-padded (or cut).
std::string Text(const std::string& text, std::size_t width);

// A chunk: identifier, size, payload, and a pad byte after an odd payload.
std::string Chunk(const std::string& id, const std::string& payload);
// A chunk whose header states size, whatever the payload holds (no pad).
std::string ChunkWithSize(const std::string& id, std::uint32_t size, const std::string& payload);
// A LIST chunk of the given type around chunks.
std::string List(const std::string& type, const std::string& chunks);
// A whole file: "RIFF", the length of what follows, the form type, chunks.
std::string Riff(const std::string& chunks, const std::string& form = "WAVE");
// A file whose RIFF length field holds length, whatever follows.
std::string RiffWithLength(std::uint32_t length, const std::string& chunks,
                           const std::string& form = "WAVE");

// A 16-byte PCM format chunk.
std::string PcmFormat(unsigned channels, std::uint32_t rate, unsigned bits);

}  // namespace wav

// Writes bytes to a file of the tests' own, with a fixed last-write time
// (2000-05-27 15:22:08 UTC), and reports on it.
class ReportFixture {
 public:
  ReportFixture();
  ~ReportFixture();

  const std::string& Path() const { return path_; }
  void Write(const std::string& bytes);
  std::string Report();  // of the file as written last
  std::string ReportOf(const std::string& bytes) {
    Write(bytes);
    return Report();
  }

  // The first four lines of a report on the tests' file of size bytes,
  // ending with the empty fourth line's CR LF.
  std::string Summary(std::uint64_t size) const;
  // Summary, then the walker's RIFF line and the given lines (each begun
  // with CR LF by the caller), then the final CR LF.
  std::string Whole(const std::string& bytes, const std::string& body) const;

 private:
  std::string directory_;
  std::string path_;
};

// A directory of the tests' own, removed with its files at the end.
std::string MakeTemporaryDirectory();
void RemoveTree(const std::string& directory);
void SetModifiedTime(const std::string& path, int year, int month, int day, int hour,
                     int minute, int second);
std::string ReadWholeFile(const std::string& path);
