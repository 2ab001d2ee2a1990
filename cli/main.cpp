// tarvo-report: prints the chunk report of WAV files.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <sched.h>
#include <unistd.h>
#endif

#include "path_list.h"
#include "paths.h"
#include "runs.h"

namespace {

const char Usage[] =
    "usage: tarvo-report [--raw | --json | --tags] [-j N] [--files-from FILE [-0]] PATH...\n";

const char Help[] =
    "usage: tarvo-report [--raw | --json | --tags] [-j N] [--files-from FILE [-0]] PATH...\n"
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
    "  --tags     write each file's Tags report instead (UTF-8, LF line\n"
    "             breaks, separated by an empty line): its path, then what\n"
    "             its tag chunks say (iXML, XMP, ID3, cart, acid, ADM,\n"
    "             umid), a section each\n"
    "  -j N, --jobs N\n"
    "             read N files at once (1 to 1024; the default is the\n"
    "             number of processors); the output, its order, the\n"
    "             messages and the exit status are those of -j 1, and a\n"
    "             report waiting for its turn holds at most 128 KiB\n"
    "  --files-from FILE\n"
    "             also report the paths listed in FILE (- for standard\n"
    "             input), one a line, after those of the command line\n"
    "  -0, --null the names listed each end with a NUL, not a line feed\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0, or 1 when a path could not be opened, a folder or list\n"
    "could not be read or the output could not be written, 2 for a usage\n"
    "error.\n";

// Whether an argument is the given option (ASCII, in either width).
bool IsOption(const PathName& argument, const char* option) {
  return argument.size() == std::strlen(option) &&
         std::equal(argument.begin(), argument.end(), option);
}

// Whether argument is option with its value in the same argument: after
// "=" for a long option (--jobs=4), right after the letter for a short one
// (-j4).
bool HasValueAttached(const PathName& argument, const char* option, PathName& value) {
  std::size_t length = std::strlen(option);
  bool longOption = option[1] == '-';
  if (argument.size() <= length || !std::equal(option, option + length, argument.begin()) ||
      (longOption && argument[length] != '='))
    return false;
  value = argument.substr(longOption ? length + 1 : length);
  return true;
}

// A count of threads from 1 to 1024, or 0.
unsigned ThreadCount(const PathName& text) {
  unsigned count = 0;
  for (auto digit : text) {
    if (digit < '0' || digit > '9' || count > 1024) return 0;
    count = count * 10 + static_cast<unsigned>(digit - '0');
  }
  return count <= 1024 ? count : 0;
}

// The processors this process may run on: on Linux those of its affinity
// mask (a system call, where the C++ library reads a file of /sys).
unsigned ProcessorCount() {
#ifdef __linux__
  cpu_set_t processors;
  if (sched_getaffinity(0, sizeof processors, &processors) == 0)
    return static_cast<unsigned>(CPU_COUNT(&processors));
#endif
  return std::thread::hardware_concurrency();
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tarvo-report: %s\n%s", message.c_str(), Usage);
  return 2;
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
  bool raw = false, json = false, tags = false, nulSeparated = false;
  unsigned threads = 0;  // the number of processors unless given
  std::vector<PathName> paths, lists;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const PathName argument = argv[i];
    PathName value;
    // Whether the argument is option; its value is the next argument or
    // attached to it.
    auto withValue = [&](const char* option) {
      if (!IsOption(argument, option)) return HasValueAttached(argument, option, value);
      value = ++i < argc ? PathName(argv[i]) : PathName();
      return true;
    };
    if (!options || argument.size() < 2 || argument[0] != '-') {
      paths.push_back(argument);
    } else if (IsOption(argument, "--")) {
      options = false;
    } else if (IsOption(argument, "--raw")) {
      raw = true;
    } else if (IsOption(argument, "--json")) {
      json = true;
    } else if (IsOption(argument, "--tags")) {
      tags = true;
    } else if (IsOption(argument, "-0") || IsOption(argument, "--null")) {
      nulSeparated = true;
    } else if (withValue("-j") || withValue("--jobs")) {
      threads = ThreadCount(value);
      if (threads == 0)
        return UsageError(PathText(argument) + " needs a number of threads from 1 to 1024");
    } else if (withValue("--files-from")) {
      if (value.empty()) return UsageError("--files-from needs a file");
      lists.push_back(value);
    } else if (IsOption(argument, "--help")) {
      std::fputs(Help, stdout);
      return 0;
    } else if (IsOption(argument, "--version")) {
      std::printf("tarvo-report %s\n", TARVO_VERSION);
      return 0;
    } else {
      return UsageError("unknown option " + PathText(argument));
    }
  }
  if (paths.empty() && lists.empty()) {
    std::fputs(Usage, stderr);
    return 2;
  }
  if (raw + json + tags > 1) {
    return UsageError(std::string(raw ? "--raw" : "--json") + " and " + (tags ? "--tags" : "--json") +
                      " do not go together");
  }

  // Reports go out in blocks of 64 KiB, a write for many reports, instead of
  // one for each; a terminal keeps its line buffering.
  if (!isatty(fileno(stdout))) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);

  Mode mode = raw ? Mode::Raw : json ? Mode::Json : tags ? Mode::Tags : Mode::Text;
  PathSource source(std::move(paths), std::move(lists), nulSeparated);
  if (threads == 0) threads = ProcessorCount();
  if (threads <= 1) return RunInOrder(source, mode);
  return RunOnThreads(source, mode, threads);
}
