// POSIX file calls of the engine's file layer.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform_file.h"

namespace {

int ReportFile = -1;
struct stat ReportFileStatus;

}  // namespace

bool PlatformOpen(const char* path) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  int descriptor = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (descriptor < 0) return false;
  if (fstat(descriptor, &ReportFileStatus) != 0 || !S_ISREG(ReportFileStatus.st_mode)) {
    close(descriptor);
    return false;
  }
  ReportFile = descriptor;
  return true;
}

void PlatformClose() {
  if (ReportFile >= 0) close(ReportFile);
  ReportFile = -1;
}

std::size_t PlatformReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  std::size_t delivered = 0;
  char* bytes = static_cast<char*>(buffer);
  while (delivered < count) {
    ssize_t got = pread(ReportFile, bytes + delivered, count - delivered,
                        static_cast<off_t>(offset + delivered));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    delivered += static_cast<std::size_t>(got);
  }
  return delivered;
}

FileSummary PlatformSummary() {
  FileSummary summary{};
  summary.size = static_cast<std::uint64_t>(ReportFileStatus.st_size);
  time_t written = ReportFileStatus.st_mtime;
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
