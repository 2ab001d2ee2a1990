// The report buffer and the ways text gets into it.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine.h"

char ReportText[ReportCapacity];
std::size_t ReportCursor = 0;

namespace {

constexpr std::size_t LastStorable = ReportCapacity - 1;  // room for the NUL
constexpr std::size_t QuotedTextMaximum = 256;

// Stores count copies of byte at the cursor, as far as they fit.
void AppendRepeated(char byte, std::size_t count) {
  if (ReportCursor < LastStorable) {
    std::size_t room = LastStorable - ReportCursor;
    std::size_t stored = count < room ? count : room;
    std::memset(ReportText + ReportCursor, byte, stored);
    ReportText[ReportCursor + stored] = '\0';
  }
  ReportCursor += count;
}

}  // namespace

bool ReportIsFull() { return ReportCursor >= LastStorable; }

void Append(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  int written;
  if (ReportCursor < LastStorable) {
    // vsnprintf stores what fits, NUL included, and counts it all.
    written = std::vsnprintf(ReportText + ReportCursor,
                             ReportCapacity - ReportCursor, format, arguments);
  } else {
    written = std::vsnprintf(nullptr, 0, format, arguments);
  }
  va_end(arguments);
  if (written > 0) ReportCursor += static_cast<std::size_t>(written);
}

void AppendBytes(const char* bytes, std::size_t count) {
  if (ReportCursor < LastStorable) {
    std::size_t room = LastStorable - ReportCursor;
    std::size_t stored = count < room ? count : room;
    std::memcpy(ReportText + ReportCursor, bytes, stored);
    ReportText[ReportCursor + stored] = '\0';
  }
  ReportCursor += count;
}

void NewLine(std::uint32_t depth) {
  AppendBytes("\r\n", 2);
  AppendRepeated('\t', depth);
}

void DumpQuotedText(std::uint32_t length, std::uint32_t depth) {
  std::uint32_t wanted = length > QuotedTextMaximum
                             ? static_cast<std::uint32_t>(QuotedTextMaximum)
                             : length;
  unsigned char payload[QuotedTextMaximum];
  // Only the bytes the file delivers are shown: at the end of the file the
  // text ends with the last byte there is.
  std::size_t delivered = ReadBytes(payload, wanted);

  if (depth != 0) NewLine(depth);

  char quoted[QuotedTextMaximum + 2];
  std::size_t used = 0;
  quoted[used++] = '"';
  for (std::size_t i = 0; i < delivered && payload[i] != 0; ++i) {
    unsigned char byte = payload[i];
    quoted[used++] = (byte < 0x20 || byte >= 0x80) ? '\xB7' : static_cast<char>(byte);
  }
  // Unprintable bytes at the end (line breaks, padding) are dropped; the
  // opening quote stops this.
  while (quoted[used - 1] == '\xB7') --used;
  quoted[used++] = '"';
  AppendBytes(quoted, used);
}

std::uint32_t FourCCValue(const unsigned char* id) {
  return static_cast<std::uint32_t>(id[0]) | static_cast<std::uint32_t>(id[1]) << 8 |
         static_cast<std::uint32_t>(id[2]) << 16 | static_cast<std::uint32_t>(id[3]) << 24;
}
