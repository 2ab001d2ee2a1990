#include "path_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Read from a list at once: what a pipe holds is taken as it comes, so that
// reports begin while the list is still being written.
constexpr std::size_t ListBlock = 65536;

bool IsStandardInput(const PathName& list) { return list.size() == 1 && list[0] == '-'; }

}  // namespace

PathSource::PathSource(std::vector<PathName> paths, std::vector<PathName> lists, bool nulSeparated)
    : paths_(std::move(paths)), lists_(std::move(lists)), separator_(nulSeparated ? '\0' : '\n') {}

PathSource::~PathSource() { CloseList(); }

bool PathSource::OpenList(std::string& message) {
  listName_ = lists_[nextList_++];
  buffer_.clear();
  taken_ = 0;
  atEnd_ = false;
  ownDescriptor_ = !IsStandardInput(listName_);
#ifdef _WIN32
  if (!ownDescriptor_) {
    descriptor_ = _fileno(stdin);
    _setmode(descriptor_, _O_BINARY);
  } else {
    descriptor_ = _wopen(listName_.c_str(), _O_RDONLY | _O_BINARY);
  }
#else
  descriptor_ = ownDescriptor_ ? open(listName_.c_str(), O_RDONLY | O_CLOEXEC) : 0;
#endif
  if (descriptor_ >= 0) return true;
  message = "tarvo-report: cannot read " + PathText(listName_) + ": " + std::strerror(errno) + "\n";
  return false;
}

bool PathSource::Fill(std::string& message) {
  buffer_.erase(0, taken_);
  taken_ = 0;
  std::size_t kept = buffer_.size();
  buffer_.resize(kept + ListBlock);
  for (;;) {
#ifdef _WIN32
    int got = _read(descriptor_, &buffer_[kept], static_cast<unsigned>(ListBlock));
#else
    ssize_t got = read(descriptor_, &buffer_[kept], ListBlock);
#endif
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      message = "tarvo-report: cannot read " + PathText(listName_) + ": " + std::strerror(errno) +
                "\n";
      buffer_.resize(kept);
      return false;
    }
    buffer_.resize(kept + static_cast<std::size_t>(got));
    atEnd_ = got == 0;
    return true;
  }
}

void PathSource::CloseList() {
  if (descriptor_ >= 0 && ownDescriptor_) {
#ifdef _WIN32
    _close(descriptor_);
#else
    close(descriptor_);
#endif
  }
  descriptor_ = -1;
}

PathSource::Result PathSource::Next(PathName& path, std::string& message) {
  if (nextPath_ < paths_.size()) {
    path = paths_[nextPath_++];
    return Path;
  }
  for (;;) {
    if (descriptor_ < 0) {
      if (nextList_ == lists_.size()) return End;
      if (!OpenList(message)) return Failure;
    }
    std::size_t end = buffer_.find(separator_, taken_);
    if (end == std::string::npos && !atEnd_) {
      if (!Fill(message)) {
        CloseList();
        return Failure;
      }
      continue;
    }
    if (end == std::string::npos) {
      // The end of the list: what is left is its last name.
      end = buffer_.size();
      if (taken_ == end) {
        CloseList();
        continue;
      }
    }
    std::string name = buffer_.substr(taken_, end - taken_);
    taken_ = end < buffer_.size() ? end + 1 : end;
#ifdef _WIN32
    // No Windows name holds a CR: one before the LF ends a line of a list
    // written with CR LF.
    if (separator_ == '\n' && !name.empty() && name.back() == '\r') name.pop_back();
#endif
    if (name.empty()) continue;
    path = PathFromList(name);
    return Path;
  }
}
