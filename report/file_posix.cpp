// POSIX file calls of the engine's file layer.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform_file.h"

namespace {

int OpenFile = -1;
struct stat OpenFileStatus;

}  // namespace

bool PlatformOpen(const char* path) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  int descriptor = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) return false;
  if (fstat(descriptor, &OpenFileStatus) != 0 || !S_ISREG(OpenFileStatus.st_mode)) {
    close(descriptor);
    return false;
  }
  OpenFile = descriptor;
  return true;
}

void PlatformClose() {
  if (OpenFile >= 0) close(OpenFile);
  OpenFile = -1;
}

std::size_t PlatformReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  std::size_t delivered = 0;
  char* bytes = static_cast<char*>(buffer);
  while (delivered < count) {
    ssize_t got = pread(OpenFile, bytes + delivered, count - delivered,
                        static_cast<off_t>(offset + delivered));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    delivered += static_cast<std::size_t>(got);
  }
  return delivered;
}

FileSummary PlatformSummary() {
  FileSummary summary{};
  summary.size = static_cast<std::uint64_t>(OpenFileStatus.st_size);
  time_t written = OpenFileStatus.st_mtime;
  struct tm fields;
  if (gmtime_r(&written, &fields) != nullptr) {
    summary.year = fields.tm_year + 1900;
    summary.month = fields.tm_mon + 1;
    summary.day = fields.tm_mday;
    summary.hour = fields.tm_hour;
    summary.minute = fields.tm_min;
    summary.second = fields.tm_sec;
  }
  return summary;
}
