// Replays the inputs that once failed, or that would make a careless engine
// fail, and every other file the tests keep: each report must not depend on
// the read-ahead. The sanitizer build sees a report that overruns its buffer;
// the fuzz target builds each report twice.
#include <filesystem>

#include "decoder_cases.h"

namespace {

std::vector<std::string> KeptFiles() {
  std::vector<std::string> files;
  for (const char* folder : {"tests/crashes", "tests/data", "examples"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             std::filesystem::path(TARVO_SOURCE_DIR) / folder, error)) {
      std::string extension = entry.path().extension().string();
      if (entry.is_regular_file() && extension != ".py" && extension != ".sh" && extension != ".md")
        files.push_back(entry.path().string());
    }
  }
  return files;
}

std::string ReportOf(const std::string& path, bool readAhead) {
  SetReadAhead(readAhead);
  const char* report = BuildReport(path.c_str());
  SetReadAhead(true);
  return report;
}

TEST(Replay, KeptFilesGiveTheSameReportsWithPlainReads) {
  std::vector<std::string> files = KeptFiles();
  ASSERT_GE(files.size(), 10u) << "the kept files were not found below " << TARVO_SOURCE_DIR;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    std::string report = ReportOf(path, true);
    EXPECT_GT(report.size(), path.size()) << "the file could not be opened";
    EXPECT_EQ(ReportOf(path, false), report);
  }
}

// Damaged copies of the sample files: cut at many lengths, and with bytes
// and size fields overwritten.
TEST(Replay, ReadAheadGivesTheSameReportsOnDamagedFiles) {
  ReportFixture file;
  std::uint32_t state = 20261207;
  auto random = [&state](std::uint32_t below) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % below;
  };
  int compared = 0;
  for (const std::string& path : KeptFiles()) {
    if (path.find("examples") == std::string::npos) continue;
    std::string original = ReadWholeFile(path);
    std::vector<std::string> damaged;
    for (std::size_t length = 0; length < original.size(); length += 1 + length / 8)
      damaged.push_back(original.substr(0, length));
    for (int i = 0; i < 40; ++i) {
      std::string copy = original;
      for (int flips = 1 + static_cast<int>(random(4)); flips > 0; --flips) {
        std::size_t at = random(static_cast<std::uint32_t>(copy.size() - 4));
        if (random(2))
          copy[at] = static_cast<char>(random(256));
        else
          copy.replace(at, 4, U32(random(2) ? random(70000) : 0xFFFFFFF0u - random(16)));
      }
      damaged.push_back(copy);
    }
    for (const std::string& bytes : damaged) {
      file.Write(bytes);
      ASSERT_EQ(ReportOf(file.Path(), false), ReportOf(file.Path(), true))
          << path << " damaged, " << bytes.size() << " bytes";
      ++compared;
    }
  }
  EXPECT_GT(compared, 500);
}

}  // namespace
