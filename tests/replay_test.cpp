// Replays the inputs that once failed, or that would make a careless engine
// fail, and every other file the tests keep: each report must stay within
// its buffer, be the same when built again, and not depend on the read-ahead.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "read_ahead.h"
#include "report.h"

namespace {

std::vector<std::string> KeptFiles() {
  std::vector<std::string> files;
  for (const char* folder : {"tests/crashes", "tests/data", "examples"}) {
    std::filesystem::path root = std::filesystem::path(TARVO_SOURCE_DIR) / folder;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error))
      if (entry.is_regular_file() && entry.path().extension() != ".py" &&
          entry.path().extension() != ".sh" && entry.path().extension() != ".md")
        files.push_back(entry.path().string());
  }
  return files;
}

std::string ReportOf(const std::string& path, bool readAhead) {
  std::lock_guard<std::recursive_mutex> hold(ReportLock());
  SetReadAhead(readAhead);
  const char* report = BuildReport(path.c_str());
  SetReadAhead(true);
  EXPECT_NE(std::memchr(report, '\0', ReportCapacity), nullptr) << path;
  return report;
}

TEST(Replay, KeptFilesGiveBoundedRepeatableReports) {
  std::vector<std::string> files = KeptFiles();
  ASSERT_GE(files.size(), 10u) << "the kept files were not found below " << TARVO_SOURCE_DIR;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    std::string report = ReportOf(path, true);
    EXPECT_GT(report.size(), path.size()) << "the file could not be opened";
    EXPECT_LT(report.size(), ReportCapacity);
    EXPECT_EQ(ReportOf(path, true), report);
    EXPECT_EQ(ReportOf(path, false), report);
  }
}

}  // namespace
