// A strict check of JSON text (RFC 8259): one value, nothing after it but
// the line feed that ends a JSON Lines record; strings of valid UTF-8
// without raw control characters; no duplicate names in an object.
#pragma once

#include <cctype>
#include <cstring>
#include <set>
#include <string>

class JsonCheck {
 public:
  // Returns an empty string when line is one valid JSON value ended by a
  // line feed, else what is wrong and where.
  static std::string Line(const std::string& line) {
    JsonCheck check(line);
    if (line.empty() || line.back() != '\n') return "no line feed at the end";
    check.end_ = line.size() - 1;
    if (!check.Value(0) || (check.Blank(), check.at_ != check.end_))
      return "invalid JSON at byte " + std::to_string(check.at_);
    return std::string();
  }

 private:
  explicit JsonCheck(const std::string& text) : text_(text) {}

  bool More() const { return at_ < end_; }
  char Next() const { return More() ? text_[at_] : '\0'; }
  void Blank() {
    while (More() && std::strchr(" \t\r\n", text_[at_])) ++at_;
  }
  bool Take(const char* word) {
    std::size_t length = std::strlen(word);
    if (text_.compare(at_, length, word) != 0) return false;
    at_ += length;
    return true;
  }
  bool Digits() {
    std::size_t first = at_;
    while (More() && Next() >= '0' && Next() <= '9') ++at_;
    return at_ > first;
  }

  bool Value(int depth) {
    Blank();
    if (depth > 512) return false;
    switch (Next()) {
      case '{': return Object(depth);
      case '[': return Array(depth);
      case '"': {
        std::string ignored;
        return String(ignored);
      }
      case 't': return Take("true");
      case 'f': return Take("false");
      case 'n': return Take("null");
      default: return Number();
    }
  }

  bool Object(int depth) {
    ++at_;
    std::set<std::string> names;
    Blank();
    if (Next() == '}') return ++at_, true;
    for (;;) {
      Blank();
      std::string name;
      if (!String(name) || !names.insert(name).second) return false;
      Blank();
      if (Next() != ':') return false;
      ++at_;
      if (!Value(depth + 1)) return false;
      Blank();
      if (Next() == '}') return ++at_, true;
      if (Next() != ',') return false;
      ++at_;
    }
  }

  bool Array(int depth) {
    ++at_;
    Blank();
    if (Next() == ']') return ++at_, true;
    for (;;) {
      if (!Value(depth + 1)) return false;
      Blank();
      if (Next() == ']') return ++at_, true;
      if (Next() != ',') return false;
      ++at_;
    }
  }

  bool String(std::string& out) {
    if (Next() != '"') return false;
    ++at_;
    while (More()) {
      unsigned char byte = static_cast<unsigned char>(text_[at_]);
      if (byte == '"') return ++at_, true;
      if (byte < 0x20) return false;
      if (byte == '\\') {
        ++at_;
        if (Next() == 'u') {
          if (at_ + 4 >= end_) return false;
          for (int i = 1; i <= 4; ++i)
            if (!std::isxdigit(static_cast<unsigned char>(text_[at_ + i]))) return false;
          out.append(text_, at_ - 1, 6);
          at_ += 5;
        } else if (More() && std::strchr("\"\\/bfnrt", Next())) {
          out.append(text_, at_ - 1, 2);
          ++at_;
        } else {
          return false;
        }
        continue;
      }
      if (!Utf8Character(out)) return false;
    }
    return false;
  }

  // One character of valid UTF-8: no overlong forms, surrogates or code
  // points past U+10FFFF.
  bool Utf8Character(std::string& out) {
    unsigned char lead = static_cast<unsigned char>(text_[at_]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at_ + length > end_) return false;
    unsigned codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
      unsigned char next = static_cast<unsigned char>(text_[at_ + i]);
      if ((next & 0xC0) != 0x80) return false;
      codePoint = codePoint << 6 | (next & 0x3F);
    }
    static const unsigned Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < Smallest[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF))
      return false;
    out.append(text_, at_, length);
    at_ += length;
    return true;
  }

  bool Number() {
    if (Next() == '-') ++at_;
    if (Next() == '0')
      ++at_;
    else if (!Digits())
      return false;
    if (Next() == '.' && (++at_, !Digits())) return false;
    if (Next() == 'e' || Next() == 'E') {
      ++at_;
      if (Next() == '+' || Next() == '-') ++at_;
      if (!Digits()) return false;
    }
    return true;
  }

  const std::string& text_;
  std::size_t at_ = 0;
  std::size_t end_ = 0;
};
