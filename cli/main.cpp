// tarvo-report: prints the chunk report of WAV files.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "paths.h"
#include "report.h"
#include "text_output.h"

namespace {

const char Usage[] = "usage: tarvo-report [--raw] PATH...\n";

const char Help[] =
    "usage: tarvo-report [--raw] PATH...\n"
    "\n"
    "Prints the chunk report of each WAV file given. A directory stands for\n"
    "every file below it whose name ends in .wav (any letter case), in\n"
    "sorted order.\n"
    "\n"
    "  --raw      write each report's exact bytes (Windows-1252, CR LF line\n"
    "             breaks, no separator); without it the reports are UTF-8\n"
    "             with LF line breaks, separated by an empty line\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0, or 1 when a path could not be opened, 2 for a usage error.\n";

struct Output {
  bool raw = false;
  bool first = true;
  std::string text;

  void Report(const char* report) {
    if (raw) {
      std::fwrite(report, 1, std::strlen(report), stdout);
      return;
    }
    text.clear();
    if (!first) text += '\n';
    first = false;
    AppendAsUtf8(report, text);
    if (text.empty() || text.back() != '\n') text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
};

enum class Outcome { Reported, CannotOpen, IsFolder };

// Reports one file. A folder is left to the caller; it is found only once
// the file cannot be opened, which spares a look at every file given.
Outcome ReportFile(const std::string& path, Output& output, bool folderAllowed) {
  std::lock_guard<std::recursive_mutex> hold(ReportLock());
  const char* report = BuildReport(path.c_str());
  // A file that cannot be opened gets a report of its path alone, cut to the
  // report's capacity when the path is longer than that (no such path opens).
  if (std::strlen(report) > path.size()) {
    output.Report(report);
    return Outcome::Reported;
  }
  if (folderAllowed && IsDirectory(path)) return Outcome::IsFolder;
  output.Report(report);
  std::fflush(stdout);
  std::fprintf(stderr, "tarvo-report: cannot open %s: %s\n", path.c_str(),
               OpenFailureReason(path).c_str());
  return Outcome::CannotOpen;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  Output output;
  std::vector<std::string> paths;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (options && argument[0] == '-' && argument[1] != '\0') {
      if (std::strcmp(argument, "--") == 0) {
        options = false;
      } else if (std::strcmp(argument, "--raw") == 0) {
        output.raw = true;
      } else if (std::strcmp(argument, "--help") == 0) {
        std::fputs(Help, stdout);
        return 0;
      } else if (std::strcmp(argument, "--version") == 0) {
        std::printf("tarvo-report %s\n", TARVO_VERSION);
        return 0;
      } else {
        std::fprintf(stderr, "tarvo-report: unknown option %s\n%s", argument, Usage);
        return 2;
      }
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.empty()) {
    std::fputs(Usage, stderr);
    return 2;
  }

  int status = 0;
  for (const std::string& path : paths) {
    Outcome outcome = ReportFile(path, output, true);
    if (outcome == Outcome::CannotOpen) status = 1;
    if (outcome != Outcome::IsFolder) continue;
    std::vector<std::string> files;
    std::string reason;
    if (!FindWaveFiles(path, files, reason)) {
      std::fprintf(stderr, "tarvo-report: cannot read %s: %s\n", path.c_str(), reason.c_str());
      status = 1;
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files)
      if (ReportFile(file, output, false) == Outcome::CannotOpen) status = 1;
  }
  std::fflush(stdout);
  return status;
}
