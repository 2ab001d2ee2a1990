// Table-driven whole-report checks: each case is the bytes of a file and the
// report lines that follow its RIFF 'WAVE' line.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "json_check.h"
#include "read_ahead.h"
#include "report.h"
#include "wav_builder.h"

using namespace wav;
using namespace std::string_literals;

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

// The format chunk's line, its first five decoded lines, then more at depth 2.
inline std::string FormatLines(const std::string& tag, long long channels, long long rate,
                               long long perSecond, long long blockAlign,
                               std::initializer_list<std::string> more = {}) {
  return Decoded("<fmt > format description",
                 {tag, std::to_string(channels) + " channel", std::to_string(rate) + " Hz",
                  std::to_string(perSecond) + " bytes/sec",
                  std::to_string(blockAlign) + " bytes/frame"}) +
         Lines(2, more);
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
  for (unsigned char byte : bytes)
    text += {' ', "0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
  return text;
}

// Reports every case, with plain reads, through the read-ahead buffer and
// with its JSON description (which must be valid JSON), and compares it with
// Whole(file, body), or with the summary and then body when afterSummary;
// either is cut to the 32767 characters a report holds. The cases run in
// table order in one process, so state left by one report must not reach
// the next.
inline void CheckReports(const std::vector<DecoderCase>& cases, bool afterSummary = false) {
  ReportFixture file;
  for (const DecoderCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string expected =
        afterSummary ? file.Summary(c.file.size()) + c.body : file.Whole(c.file, c.body);
    expected.resize(std::min<std::size_t>(expected.size(), 32767));
    file.Write(c.file);
    for (bool readAhead : {false, true}) {
      SetReadAhead(readAhead);
      EXPECT_EQ(file.Report(), expected) << (readAhead ? "read-ahead" : "plain reads");
    }
    std::string json;
    EXPECT_EQ(file.ReportWithJson(json), expected) << "with the JSON description";
    EXPECT_EQ(JsonCheck::Line(json), "") << json;
  }
}

// The Tags report of every case (its sections, after the path line), built
// with and without the JSON description, which must be valid JSON; the
// report text of the same passes is checked by ReportFixture::Tags.
inline void CheckTags(const std::vector<DecoderCase>& cases) {
  ReportFixture file;
  for (const DecoderCase& c : cases) {
    SCOPED_TRACE(c.name);
    file.Write(c.file);
    EXPECT_EQ(file.Tags(), c.body);
    std::string json;
    EXPECT_EQ(file.Tags(&json), c.body) << "with the JSON description";
    EXPECT_EQ(JsonCheck::Line(json), "") << json;
  }
}
