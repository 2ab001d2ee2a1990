// POSIX file calls of the engine's file layer.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform_file.h"

namespace {

// The open file of this thread's report.
thread_local int ReportFile = -1;
thread_local struct stat ReportFileStatus;

// Calendar fields in UTC of a count of seconds since 1970. Done here rather
// than with gmtime_r, which reads the time zone files first.
void SetCalendarFields(std::int64_t seconds, FileSummary& summary) {
  std::int64_t days = seconds / 86400;
  std::int64_t second = seconds % 86400;
  if (second < 0) {
    second += 86400;
    days -= 1;
  }
  // Days to a proleptic Gregorian date, in 400-year eras from 0000-03-01.
  std::int64_t z = days + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t dayOfEra = z - era * 146097;
  std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  std::int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
  summary.year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  summary.month = static_cast<int>(month);
  summary.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  summary.hour = static_cast<int>(second / 3600);
  summary.minute = static_cast<int>(second / 60 % 60);
  summary.second = static_cast<int>(second % 60);
}

}  // namespace

bool PlatformOpen(ReportPath path) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  int descriptor = open(path.Text, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
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
    std::size_t asked = count - delivered;
    ssize_t got = pread(ReportFile, bytes + delivered, asked,
                        static_cast<off_t>(offset + delivered));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    delivered += static_cast<std::size_t>(got);
    // A regular file delivers less than asked only at its end.
    if (static_cast<std::size_t>(got) < asked) break;
  }
  return delivered;
}

FileSummary PlatformSummary() {
  FileSummary summary{};
  summary.size = static_cast<std::uint64_t>(ReportFileStatus.st_size);
  SetCalendarFields(static_cast<std::int64_t>(ReportFileStatus.st_mtime), summary);
  return summary;
}
