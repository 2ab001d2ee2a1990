// Fuzz target: every input is written to a file and reported on through the
// ordinary file layer. Besides the sanitizers' own checks (a report that
// overruns its buffer among them), it checks that a second report of the same
// file, built with its JSON description and Tags report, gives the same
// bytes, that the description is one line of valid JSON, and that the file
// is left as it was.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "json_check.h"
#include "report.h"

namespace {

const std::string& InputPath() {
  static const std::string path = [] {
    char folder[] = "/tmp/tarvo-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    return std::string(folder) + "/input.wav";
  }();
  return path;
}

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "report check failed: %s\n", what);
    std::abort();
  }
}

struct JsonText : JsonSink {
  std::string text;
  void Write(const char* bytes, std::size_t count) override { text.append(bytes, count); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = InputPath();
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) std::abort();
  if (size != 0) std::fwrite(data, 1, size, out);
  std::fclose(out);
  struct stat before;
  stat(path.c_str(), &before);

  static char first[ReportCapacity];
  const char* report = BuildReport(path.c_str());
  std::size_t length = std::strlen(report);
  std::memcpy(first, report, length + 1);
  JsonText json;
  std::string tags;
  report = BuildReport(path.c_str(), &json, &tags);
  Require(std::strlen(report) == length && std::memcmp(first, report, length) == 0,
          "a second report of the same file, with its JSON description and Tags report, is "
          "the same");
  Require(tags.empty() || tags[0] == '\n', "the Tags report is sections, each begun by an empty line");
  std::string problem = JsonCheck::Line(json.text);
  if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
  Require(problem.empty(), "the JSON description is one line of valid JSON");

  struct stat after;
  stat(path.c_str(), &after);
  Require(after.st_size == before.st_size &&
              after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
              after.st_mtim.tv_nsec == before.st_mtim.tv_nsec,
          "the file's size and last-write time are unchanged");
  FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) std::abort();
  std::string bytes(size, '\0');
  std::size_t got = size ? std::fread(&bytes[0], 1, size, in) : 0;
  std::fclose(in);
  Require(got == size && (size == 0 || std::memcmp(bytes.data(), data, size) == 0),
          "the file's bytes are unchanged");
  return 0;
}
