// Table-driven whole-report checks for the chunk decoders: each case is the
// bytes of a file and the report lines that follow its RIFF 'WAVE' line.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "read_ahead.h"
#include "wav_builder.h"

struct DecoderCase {
  const char* name;
  std::string file;
  std::string body;  // the lines after RIFF 'WAVE', each begun with CR LF
};

// Lines at depth: each begun with CR LF and depth TABs.
inline std::string Lines(unsigned depth, std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += "\r\n" + std::string(depth, '\t') + line;
  return text;
}

// A chunk's own line at depth 1 and its decoded lines at depth 2.
inline std::string Decoded(const std::string& chunkLine, std::initializer_list<std::string> lines) {
  return Lines(1, {chunkLine}) + Lines(2, lines);
}

// count bytes counting up from first (modulo 256).
inline std::string Counting(std::size_t count, unsigned first = 0) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>((first + i) & 0xFF);
  return bytes;
}

// Bytes as the hexadecimal dumps show them: a blank and two capital digits each.
inline std::string Hex(const std::string& bytes) {
  std::string text;
  char digits[4];
  for (unsigned char byte : bytes) {
    std::snprintf(digits, sizeof digits, " %02X", byte);
    text += digits;
  }
  return text;
}

// Reports every case, read through the read-ahead buffer and with plain
// reads, and compares each whole report with the expected one. Cases run in
// table order in one process, so state left by one report must not reach
// the next.
inline void CheckReports(const DecoderCase* begin, const DecoderCase* end) {
  ReportFixture file;
  for (const DecoderCase* it = begin; it != end; ++it) {
    const DecoderCase& c = *it;
    SCOPED_TRACE(c.name);
    std::string expected = file.Whole(c.file, c.body);
    file.Write(c.file);
    for (bool readAhead : {false, true}) {
      SetReadAhead(readAhead);
      EXPECT_EQ(file.Report(), expected) << (readAhead ? "read-ahead" : "plain reads");
    }
  }
}

template <std::size_t N>
void CheckReports(const DecoderCase (&cases)[N]) {
  CheckReports(cases, cases + N);
}
