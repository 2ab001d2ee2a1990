#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "text_output.h"

void Printer::BeginReport() {
  if (mode_ != Mode::Text && mode_ != Mode::Tags) return;
  if (reported_) Out("\n", 1);
  reported_ = true;
}

void Printer::Out(const char* bytes, std::size_t count) {
  if (count != 0 && std::fwrite(bytes, 1, count, stdout) != count && failure_ == 0)
    failure_ = errno;
}

void Printer::Message(const std::string& message) {
  if (message.empty()) return;
  if (std::fflush(stdout) != 0 && failure_ == 0) failure_ = errno;
  std::fputs(message.c_str(), stderr);
}

int Printer::Finish(int status) {
  if (std::fflush(stdout) != 0 && failure_ == 0) failure_ = errno;
  if (std::ferror(stdout) && failure_ == 0) failure_ = EIO;
  if (failure_ == 0) return status;
  std::fprintf(stderr, "tarvo-report: cannot write the output: %s\n", std::strerror(failure_));
  return 1;
}

Outcome OutputOf(const PathName& path, Mode mode, bool folderAllowed, PathOutput& output) {
  thread_local std::string pathLine;  // keeps its room from path to path
  thread_local std::string tags;
  tags.clear();
  const char* report = ReportOf(path, pathLine, mode == Mode::Json ? &output : nullptr,
                                mode == Mode::Tags ? &tags : nullptr);
  const std::size_t length = std::strlen(report);
  // A file that cannot be opened gets a report of its path alone, cut to the
  // report's capacity when the path is longer than that (no such path opens).
  const bool opened = length > pathLine.size();
  if (!opened && folderAllowed && IsDirectory(path)) return Outcome::IsFolder;
  const std::string reason = opened ? std::string() : OpenFailureReason(path);
  switch (mode) {
    case Mode::Raw:
      output.Write(report, length);
      break;
    case Mode::Text: {
      // A file name is not Windows-1252 text: the UTF-8 text shows the path
      // as PathText gives it, and converts the rest.
      thread_local std::string text;
      text = PathText(path);
      if (length > pathLine.size()) AppendAsUtf8(report + pathLine.size(), text);
      if (text.empty() || text.back() != '\n') text += '\n';
      output.BeginReport();
      output.Write(text.data(), text.size());
      break;
    }
    case Mode::Json:
      if (!opened) WriteJsonErrorOf(path, reason, output);
      break;
    case Mode::Tags: {
      // The path, then the sections of the tag chunks, each begun by an
      // empty line.
      thread_local std::string text;
      text = PathText(path);
      text += '\n';
      text += tags;
      output.BeginReport();
      output.Write(text.data(), text.size());
      break;
    }
  }
  if (opened) return Outcome::Reported;
  output.message = "tarvo-report: cannot open " + PathText(path) + ": " + reason + "\n";
  return Outcome::CannotOpen;
}

bool FilesOfFolder(const PathName& folder, std::vector<PathName>& files, std::string& message) {
  std::string reason;
  bool complete = FindWaveFiles(folder, files, reason);
  if (!complete) message = "tarvo-report: cannot read " + PathText(folder) + ": " + reason + "\n";
  SortByPathLine(files);
  return complete;
}
