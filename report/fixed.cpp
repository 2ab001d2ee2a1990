// Fixed-point conversion of the report. The C libraries round such numbers
// differently (glibc to nearest-even on the exact binary value, msvcrt in its
// own way), so the report does it itself: the exact decimal expansion of the
// double is reduced to 17 significant digits, a following digit of 5 or more
// rounding the last kept digit up, and that digit string is rounded the same
// way at the last printed decimal place.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine.h"

namespace {

constexpr int SignificantDigits = 17;
constexpr int MaximumPrecision = 30;

// An unsigned integer large enough for any finite double times 5^1074.
struct BigNumber {
  static constexpr int Capacity = 90;  // 32-bit words, least significant first
  std::uint32_t word[Capacity];
  int used;

  explicit BigNumber(std::uint64_t value) : word(), used(0) {
    while (value != 0) {
      word[used++] = static_cast<std::uint32_t>(value);
      value >>= 32;
    }
  }

  void Multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < used; ++i) {
      std::uint64_t product = static_cast<std::uint64_t>(word[i]) * factor + carry;
      word[i] = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) word[used++] = static_cast<std::uint32_t>(carry);
  }

  void ShiftLeft(int bits) {
    for (; bits >= 31; bits -= 31) Multiply(1u << 31);
    if (bits > 0) Multiply(1u << bits);
  }

  // Divides in place and returns the remainder.
  std::uint32_t Divide(std::uint32_t divisor) {
    std::uint64_t remainder = 0;
    for (int i = used - 1; i >= 0; --i) {
      std::uint64_t part = remainder << 32 | word[i];
      word[i] = static_cast<std::uint32_t>(part / divisor);
      remainder = part % divisor;
    }
    while (used > 0 && word[used - 1] == 0) --used;
    return static_cast<std::uint32_t>(remainder);
  }
};

// Decimal digits of a positive finite value: value = 0.digits x 10^point.
// Returns the number of digits, all of them exact.
int ExactDigits(double value, char* digits, int capacity, int* point) {
  int binaryExponent;
  double fraction = std::frexp(value, &binaryExponent);
  std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  int exponent = binaryExponent - 53;
  while ((mantissa & 1) == 0 && exponent < 0) {
    mantissa >>= 1;
    ++exponent;
  }

  BigNumber number(mantissa);
  int fractionDigits = 0;
  if (exponent >= 0) {
    number.ShiftLeft(exponent);
  } else {
    // m / 2^k = m * 5^k / 10^k
    fractionDigits = -exponent;
    static const std::uint32_t PowersOfFive[14] = {
        1u,       5u,        25u,        125u,        625u,        3125u,       15625u,
        78125u,   390625u,   1953125u,   9765625u,    48828125u,   244140625u,  1220703125u};
    for (int k = fractionDigits; k > 0; k -= 13) number.Multiply(PowersOfFive[k >= 13 ? 13 : k]);
  }

  // Least significant digits come out first; written backwards from the end.
  char reversed[1200];
  int count = 0;
  while (number.used > 0) {
    std::uint32_t group = number.Divide(1000000000u);
    for (int i = 0; i < 9; ++i) {
      reversed[count++] = static_cast<char>('0' + group % 10);
      group /= 10;
    }
  }
  while (count > 1 && reversed[count - 1] == '0') --count;
  int length = count < capacity ? count : capacity;
  for (int i = 0; i < length; ++i) digits[i] = reversed[count - 1 - i];
  *point = count - fractionDigits;
  return length;
}

// Rounds digits[0..length) to keep digits, half away from zero on the digit
// that follows. Returns the new length; point moves up on a carry out.
int RoundDigits(char* digits, int length, int keep, int* point) {
  if (keep >= length) return length;
  if (keep < 0) return 0;  // nothing reaches the kept places: the value is 0
  bool up = digits[keep] >= '5';
  length = keep;
  if (!up) return length;
  int i = length - 1;
  while (i >= 0 && digits[i] == '9') digits[i--] = '0';
  if (i >= 0) {
    ++digits[i];
  } else {
    std::memmove(digits + 1, digits, static_cast<std::size_t>(length));
    digits[0] = '1';
    ++length;
    ++*point;
  }
  return length;
}

}  // namespace

FixedText::FixedText(double value, int precision) : text() {
  if (precision < 0) precision = 0;
  if (precision > MaximumPrecision) precision = MaximumPrecision;
  char* out = text;
  if (std::isnan(value)) {
    std::strcpy(text, "nan");
    return;
  }
  if (std::signbit(value)) *out++ = '-';
  if (std::isinf(value)) {
    std::strcpy(out, "inf");
    return;
  }

  char digits[SignificantDigits + 2];
  int point = 0;
  int length = 0;
  double magnitude = std::fabs(value);
  if (magnitude != 0.0) {
    length = ExactDigits(magnitude, digits, SignificantDigits + 1, &point);
    length = RoundDigits(digits, length, SignificantDigits, &point);
    length = RoundDigits(digits, length, point + precision, &point);
  }

  auto digitAt = [&](int index) { return index >= 0 && index < length ? digits[index] : '0'; };
  if (length == 0 || point <= 0) {
    *out++ = '0';
  } else {
    for (int i = 0; i < point; ++i) *out++ = digitAt(i);
  }
  if (precision > 0) {
    *out++ = '.';
    for (int i = 0; i < precision; ++i) *out++ = length == 0 ? '0' : digitAt(point + i);
  }
  *out = '\0';
}
