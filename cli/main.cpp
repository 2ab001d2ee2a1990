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

const char Usage[] = "usage: tarvo-report [--raw | --json] PATH...\n";

const char Help[] =
    "usage: tarvo-report [--raw | --json] PATH...\n"
    "\n"
    "Prints the chunk report of each WAV file given. A directory stands for\n"
    "every file below it whose name ends in .wav or .bwf (any letter case),\n"
    "in sorted order.\n"
    "\n"
    "  --raw      write each report's exact bytes (Windows-1252, CR LF line\n"
    "             breaks, no separator); without it the reports are UTF-8\n"
    "             with LF line breaks, separated by an empty line\n"
    "  --json     write one JSON object per file, one per line (JSON Lines,\n"
    "             UTF-8): the file's summary, its chunk tree with every\n"
    "             field decoded and every text in full, and the problems\n"
    "             of its structure; a file that cannot be opened gets its\n"
    "             path and an error\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0, or 1 when a path could not be opened, 2 for a usage error.\n";

// Hands the JSON description to standard output as it is made.
class StandardOutput : public JsonSink {
 public:
  void Write(const char* bytes, std::size_t count) override {
    std::fwrite(bytes, 1, count, stdout);
  }
};

struct Output {
  bool raw = false;
  bool json = false;
  bool first = true;
  std::string text;
  StandardOutput sink;

  // The report begins with pathLine. A file name is not Windows-1252 text:
  // the UTF-8 text shows the path as pathText instead, and converts the rest.
  void Report(const char* report, const std::string& pathLine, const std::string& pathText) {
    std::size_t length = std::strlen(report);
    if (raw) {
      std::fwrite(report, 1, length, stdout);
      return;
    }
    text.clear();
    if (!first) text += '\n';
    first = false;
    text += pathText;
    if (length > pathLine.size()) AppendAsUtf8(report + pathLine.size(), text);
    if (text.empty() || text.back() != '\n') text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
};

enum class Outcome { Reported, CannotOpen, IsFolder };

// Reports one file. A folder is left to the caller; it is found only once
// the file cannot be opened, which spares a look at every file given.
Outcome ReportFile(const PathName& path, Output& output, bool folderAllowed) {
  std::string pathLine;
  const char* report = ReportOf(path, pathLine, output.json ? &output.sink : nullptr);
  // A file that cannot be opened gets a report of its path alone, cut to the
  // report's capacity when the path is longer than that (no such path opens).
  if (std::strlen(report) > pathLine.size()) {
    if (!output.json) output.Report(report, pathLine, PathText(path));
    return Outcome::Reported;
  }
  if (folderAllowed && IsDirectory(path)) return Outcome::IsFolder;
  if (output.json)
    WriteJsonErrorOf(path, OpenFailureReason(path), output.sink);
  else
    output.Report(report, pathLine, PathText(path));
  std::fflush(stdout);
  std::fprintf(stderr, "tarvo-report: cannot open %s: %s\n", PathText(path).c_str(),
               OpenFailureReason(path).c_str());
  return Outcome::CannotOpen;
}

// Whether an argument is the given option (ASCII, in either width).
bool IsOption(const PathName& argument, const char* option) {
  return argument.size() == std::strlen(option) &&
         std::equal(argument.begin(), argument.end(), option);
}

}  // namespace

// On Windows the arguments are taken in UTF-16, so that a name in any script
// reaches the file it names.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
#else
int main(int argc, char** argv) {
#endif
  Output output;
  std::vector<PathName> paths;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const PathName argument = argv[i];
    if (options && argument.size() > 1 && argument[0] == '-') {
      if (IsOption(argument, "--")) {
        options = false;
      } else if (IsOption(argument, "--raw")) {
        output.raw = true;
      } else if (IsOption(argument, "--json")) {
        output.json = true;
      } else if (IsOption(argument, "--help")) {
        std::fputs(Help, stdout);
        return 0;
      } else if (IsOption(argument, "--version")) {
        std::printf("tarvo-report %s\n", TARVO_VERSION);
        return 0;
      } else {
        std::fprintf(stderr, "tarvo-report: unknown option %s\n%s", PathText(argument).c_str(),
                     Usage);
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
  if (output.raw && output.json) {
    std::fprintf(stderr, "tarvo-report: --raw and --json do not go together\n%s", Usage);
    return 2;
  }

  int status = 0;
  for (const PathName& path : paths) {
    Outcome outcome = ReportFile(path, output, true);
    if (outcome == Outcome::CannotOpen) status = 1;
    if (outcome != Outcome::IsFolder) continue;
    std::vector<PathName> files;
    std::string reason;
    if (!FindWaveFiles(path, files, reason)) {
      std::fprintf(stderr, "tarvo-report: cannot read %s: %s\n", PathText(path).c_str(),
                   reason.c_str());
      status = 1;
    }
    SortByPathLine(files);
    for (const PathName& file : files)
      if (ReportFile(file, output, false) == Outcome::CannotOpen) status = 1;
  }
  std::fflush(stdout);
  return status;
}
