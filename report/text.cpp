// The report buffer and the ways text gets into it.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine.h"

thread_local char ReportText[ReportCapacity];
thread_local std::size_t ReportCursor = 0;
thread_local bool TextShown = true;

namespace {

constexpr std::size_t LastStorable = ReportCapacity - 1;  // room for the NUL
constexpr std::size_t QuotedTextMaximum = 256;

// Moves the cursor on by count and returns where the first of those bytes
// goes, with stored set to how many of them fit; the NUL behind those is
// written already.
char* Advance(std::size_t count, std::size_t& stored) {
  char* at = ReportText + LastStorable;
  stored = 0;
  if (ReportCursor < LastStorable) {
    std::size_t room = LastStorable - ReportCursor;
    stored = count < room ? count : room;
    at = ReportText + ReportCursor;
    at[stored] = '\0';
  }
  ReportCursor += count;
  return at;
}

void AppendRepeated(char byte, std::size_t count) {
  if (!TextShown) return;
  std::size_t stored;
  char* at = Advance(count, stored);
  std::memset(at, byte, stored);
}

}  // namespace

bool ReportIsFull() { return ReportCursor >= LastStorable; }

void AppendText(const char* text) { AppendBytes(text, std::strlen(text)); }

namespace {

// Appends one integer conversion: sign, at least precision digits, and
// padding to width.
void AppendInteger(std::uint64_t magnitude, bool negative, bool plus, unsigned base,
                   bool capitals, int width, bool zeroPad, int precision) {
  // Built backwards from the end of a buffer that fits every width the
  // report uses; wider requests are padded in front separately.
  char text[64];
  char* end = text + sizeof text;
  char* first = end;
  const char* symbols = capitals ? "0123456789ABCDEF" : "0123456789abcdef";
  while (magnitude != 0) {
    *--first = symbols[magnitude % base];
    magnitude /= base;
  }
  if (precision < 0) precision = 1;
  if (precision > 40) precision = 40;
  while (end - first < precision) *--first = '0';
  char sign = negative ? '-' : plus ? '+' : '\0';
  int length = static_cast<int>(end - first) + (sign ? 1 : 0);
  if (zeroPad)
    while (length < width && first > text + 1) *--first = '0', ++length;
  if (sign) *--first = sign;
  if (width > length) AppendRepeated(zeroPad ? '0' : ' ', static_cast<std::size_t>(width - length));
  AppendBytes(first, static_cast<std::size_t>(end - first));
}

}  // namespace

// The report's own printf: the conversions the report uses (d i u x X s c %,
// flags + and 0, a width, a precision, the lengths h hh l ll and I64), the
// same on every platform. Anything else goes to the C library's vsnprintf.
void Append(const char* format, ...) {
  if (!TextShown) return;
  // Text without conversions is copied as it stands.
  if (std::strchr(format, '%') == nullptr) {
    AppendText(format);
    return;
  }
  std::va_list arguments;
  va_start(arguments, format);
  std::size_t start = ReportCursor;
  std::va_list again;
  va_copy(again, arguments);
  bool understood = true;
  const char* at = format;
  while (*at && understood) {
    const char* percent = std::strchr(at, '%');
    if (percent == nullptr) {
      AppendText(at);
      break;
    }
    AppendBytes(at, static_cast<std::size_t>(percent - at));
    at = percent + 1;
    bool plus = false, zeroPad = false;
    for (;; ++at) {
      if (*at == '+') plus = true;
      else if (*at == '0') zeroPad = true;
      else break;
    }
    int width = 0;
    while (*at >= '0' && *at <= '9') width = width * 10 + (*at++ - '0');
    int precision = -1;
    if (*at == '.') {
      ++at;
      precision = 0;
      while (*at >= '0' && *at <= '9') precision = precision * 10 + (*at++ - '0');
    }
    int longs = 0;
    if (at[0] == 'I' && at[1] == '6' && at[2] == '4') {
      longs = 2;
      at += 3;
    }
    while (*at == 'l') ++longs, ++at;
    int shorts = 0;  // short arguments arrive promoted to int, and are narrowed back
    while (*at == 'h') ++shorts, ++at;
    char conversion = *at++;
    switch (conversion) {
      case 'd':
      case 'i': {
        long long value = longs >= 2 ? va_arg(arguments, long long)
                          : longs == 1 ? va_arg(arguments, long)
                                       : va_arg(arguments, int);
        if (shorts == 1) value = static_cast<short>(value);
        if (shorts >= 2) value = static_cast<signed char>(value);
        std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
        AppendInteger(magnitude, value < 0, plus, 10, false, width, zeroPad && precision < 0,
                      precision);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        unsigned long long value = longs >= 2 ? va_arg(arguments, unsigned long long)
                                   : longs == 1 ? va_arg(arguments, unsigned long)
                                                : va_arg(arguments, unsigned int);
        if (shorts == 1) value = static_cast<unsigned short>(value);
        if (shorts >= 2) value = static_cast<unsigned char>(value);
        AppendInteger(value, false, false, conversion == 'u' ? 10 : 16, conversion == 'X',
                      width, zeroPad && precision < 0, precision);
        break;
      }
      case 's': {
        const char* text = va_arg(arguments, const char*);
        std::size_t length = 0;
        while ((precision < 0 || length < static_cast<std::size_t>(precision)) && text[length])
          ++length;
        if (width > static_cast<int>(length))
          AppendRepeated(' ', static_cast<std::size_t>(width) - length);
        AppendBytes(text, length);
        break;
      }
      case 'c': {
        char character = static_cast<char>(va_arg(arguments, int));
        AppendBytes(&character, 1);
        break;
      }
      case '%':
        AppendBytes("%", 1);
        break;
      default:
        understood = false;
        break;
    }
  }
  va_end(arguments);
  if (!understood) {
    // Start again with the C library.
    ReportCursor = start;
    if (ReportCursor < LastStorable) ReportText[ReportCursor] = '\0';
    int written;
    if (ReportCursor < LastStorable) {
      written = std::vsnprintf(ReportText + ReportCursor, ReportCapacity - ReportCursor, format,
                               again);
    } else {
      written = std::vsnprintf(nullptr, 0, format, again);
    }
    if (written > 0) ReportCursor += static_cast<std::size_t>(written);
  }
  va_end(again);
}

void AppendBytes(const char* bytes, std::size_t count) {
  if (!TextShown) return;
  std::size_t stored;
  char* at = Advance(count, stored);
  std::memcpy(at, bytes, stored);
}

void NewLine(std::uint32_t depth) {
  AppendBytes("\r\n", 2);
  AppendRepeated('\t', depth);
}

void DumpQuotedText(std::uint32_t length, std::uint32_t depth, const char* name, TextKind kind) {
  std::uint32_t wanted = length > QuotedTextMaximum
                             ? static_cast<std::uint32_t>(QuotedTextMaximum)
                             : length;
  unsigned char payload[QuotedTextMaximum];
  std::uint64_t start = FilePosition();
  // Only the bytes the file delivers are shown: at the end of the file the
  // text ends with the last byte there is.
  std::size_t delivered = ReadBytes(payload, wanted);
  if (name) JsonText(name, start, length, kind, payload, delivered);

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
