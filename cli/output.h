// What the command prints for one path, made apart from the printing, so
// that the outputs of several paths can be made at once and still come out
// in the order of the paths.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "paths.h"
#include "report.h"

enum class Mode { Text, Raw, Json, Tags };

// Standard output and standard error, written in the order of the paths.
// Only one thread writes at a time; the runners see to that.
class Printer {
 public:
  explicit Printer(Mode mode) : mode_(mode) {}
  // A text or Tags report begins: reports are separated by an empty line.
  void BeginReport();
  void Out(const char* bytes, std::size_t count);
  // A message to standard error, after everything before it on standard
  // output.
  void Message(const std::string& message);
  // Writes out what standard output holds and returns the exit status: 1
  // when standard output could not be written (a full disk), else status.
  int Finish(int status);

 private:
  Mode mode_;
  bool reported_ = false;
  int failure_ = 0;  // errno of the first write to standard output that failed
};

// Where the output of one path goes as it is made: bytes for standard output
// (a JSON description in pieces), and a message for standard error, which
// comes after them.
class PathOutput : public JsonSink {
 public:
  virtual void BeginReport() = 0;
  std::string message;

 protected:
  ~PathOutput() = default;
};

enum class Outcome { Reported, CannotOpen, IsFolder };

// Makes the output of path: its report, JSON description or error object,
// or Tags report, and the message of a path that cannot be opened. A folder is left to the
// caller (IsFolder, nothing written) when folderAllowed; it is found only
// once the path cannot be opened as a file, which spares a look at every
// file given.
Outcome OutputOf(const PathName& path, Mode mode, bool folderAllowed, PathOutput& output);

// The files of a folder that are reported, in the order of their reports.
// False, with message set, when the folder or one below it cannot be read;
// the files found are still given.
bool FilesOfFolder(const PathName& folder, std::vector<PathName>& files, std::string& message);
