// The report as a whole: summary lines, the chunk walk, quoted text, the
// capacity of the report and the number formatting.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <thread>

#include "engine.h"
#include "read_ahead.h"
#include "wav_builder.h"

using namespace wav;
using namespace std::string_literals;

namespace {
std::atomic<long> Allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  ++Allocations;
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

struct WalkCase {
  const char* name;
  std::string bytes;
  std::string body;  // the lines after RIFF 'WAVE', each begun with CR LF
};

// Reports bytes with the read-ahead layer and with plain reads; both must
// give the same text.
std::string ReportBothWays(ReportFixture& file, const std::string& bytes) {
  file.Write(bytes);
  SetReadAhead(false);
  std::string plain = file.Report();
  SetReadAhead(true);
  std::string buffered = file.Report();
  EXPECT_EQ(plain, buffered) << "read-ahead changed the report";
  return buffered;
}

void CheckWholeReports(const WalkCase* begin, const WalkCase* end) {
  ReportFixture file;
  for (const WalkCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->name);
    EXPECT_EQ(ReportBothWays(file, c->bytes), file.Whole(c->bytes, c->body));
  }
}

TEST(Walk, WellFormedFilesShowTheirChunkTree) {
  const WalkCase cases[] = {
      {"InfoListWithTitle", Riff(List("INFO", Chunk("INAM", "Song\0"s))),
       "\r\n\tLIST 'INFO'\r\n\t\t<INAM> title\r\n\t\t\t\"Song\""},
      {"OddChunkIsFollowedByItsPadByte",
       Riff(Chunk("JUNK", "abc") + Chunk("ICMT", "x")),
       "\r\n\t<JUNK> obsolete data\r\n\t\t\"abc\"\r\n\t<ICMT> comments\r\n\t\t\"x\""},
      {"EmptyChunksGetTheirLineOnly",
       Riff(Chunk("fmt ", "") + Chunk("data", "") + Chunk("JUNK", "")),
       "\r\n\t<fmt > format description\r\n\t<data> waveform data\r\n\t<JUNK> obsolete data"},
      {"PadChunkShowsNoPayload", Riff(Chunk("PAD ", Fill(6, 'x'))),
       "\r\n\t<PAD > sector alignment"},
      {"UndescribedChunksAreQuoted",
       Riff(Chunk("DATA", "up") + Chunk("cue\0"s, "") + Chunk("tlst", "t") +
            Chunk("PVXW", "p")),
       "\r\n\t<DATA>\r\n\t\t\"up\"\r\n\t<cue>\r\n\t<tlst> trigger list\r\n\t\t\"t\""
       "\r\n\t<PVXW> phase vocoder analysis window\r\n\t\t\"p\""},
      {"IdentifierWithNulBytes", Riff(Chunk("ab\0\0"s, "z")), "\r\n\t<ab>\r\n\t\t\"z\""},
      {"RiffInsideAListIsNotWalkedInto", Riff(Chunk("RIFF", "WAVE")),
       "\r\n\t<RIFF>\r\n\t\t\"WAVE\""},
      {"ListInsideList",
       Riff(List("adtl", List("INFO", Chunk("IART", "me")) + Chunk("ISFT", "s"))),
       "\r\n\tLIST 'adtl'\r\n\t\tLIST 'INFO'\r\n\t\t\t<IART> artist name\r\n\t\t\t\t\"me\""
       "\r\n\t\t<ISFT> software used\r\n\t\t\t\"s\""},
      {"EmptyListTakesTheNextBytesAsItsType",
       Riff(ChunkWithSize("LIST", 0, "") + Chunk("JUNK", "")),
       "\r\n\tLIST 'JUNK'\r\n\t<JUNK> obsolete data"},
      {"ListTooShortForAChunk", Riff(List("INFO", "") + Chunk("IENG", "e")),
       "\r\n\tLIST 'INFO'\r\n\t<IENG> engineer\r\n\t\t\"e\""},
      {"EveryInfoItemHasItsText",
       Riff(List("INFO", Chunk("IARL", "") + Chunk("ICMS", "") + Chunk("ICOP", "") +
                             Chunk("ICRD", "") + Chunk("ICRP", "") + Chunk("IDIM", "") +
                             Chunk("IDIT", "") + Chunk("IDPI", "") + Chunk("IGNR", "") +
                             Chunk("IKEY", "") + Chunk("ILGT", "") + Chunk("IMED", "") +
                             Chunk("IPLT", "") + Chunk("IPRD", "") + Chunk("ISBJ", "") +
                             Chunk("ISHP", "") + Chunk("ISMP", "") + Chunk("ISRC", "") +
                             Chunk("ISRF", "") + Chunk("ITCH", ""))),
       "\r\n\tLIST 'INFO'\r\n\t\t<IARL> archival location\r\n\t\t<ICMS> commissioned by"
       "\r\n\t\t<ICOP> copyright\r\n\t\t<ICRD> creation date\r\n\t\t<ICRP> cropping"
       "\r\n\t\t<IDIM> dimensions\r\n\t\t<IDIT> digitization time\r\n\t\t<IDPI> dots per inch"
       "\r\n\t\t<IGNR> genre\r\n\t\t<IKEY> keywords\r\n\t\t<ILGT> lightness"
       "\r\n\t\t<IMED> source medium\r\n\t\t<IPLT> palette\r\n\t\t<IPRD> associated product"
       "\r\n\t\t<ISBJ> subject description\r\n\t\t<ISHP> sharpness\r\n\t\t<ISMP> start time"
       "\r\n\t\t<ISRC> supplied by\r\n\t\t<ISRF> source format"
       "\r\n\t\t<ITCH> recording technician"},
  };
  CheckWholeReports(std::begin(cases), std::end(cases));
}

TEST(Walk, ListRemaindersAndDamagedLengths) {
  const WalkCase cases[] = {
      // The remainder counts the list's own type, so 8 bytes after the last
      // chunk are read as one more header, and 7 are not.
      {"SevenSpareBytesAreIgnored",
       RiffWithLength(4 + 8 + 7, Chunk("JUNK", "") + "ISFT\x01\0\0"s),
       "\r\n\t<JUNK> obsolete data"},
      {"EightSpareBytesAreOneMoreHeader",
       RiffWithLength(4 + 8 + 8, Chunk("JUNK", "") + "ISFT\0\0\0\0"s),
       "\r\n\t<JUNK> obsolete data\r\n\t<ISFT> software used"},
      {"ChunkLongerThanItsListIsTheLast",
       RiffWithLength(4 + 8 + 2 + 8, ChunkWithSize("ICMT", 2, "hi") + Chunk("IENG", "")) +
           "",
       "\r\n\t<ICMT> comments\r\n\t\t\"hi\"\r\n\t<IENG> engineer"},
  };
  CheckWholeReports(std::begin(cases), std::end(cases));
}

struct DamagedCase {
  const char* name;
  std::string bytes;
  std::string afterSummary;  // everything after the empty fourth line
};

TEST(Walk, DamagedFilesAreWalkedAsFarAsTheyGo) {
  const std::string title = Chunk("INAM", "T");
  const DamagedCase cases[] = {
      {"RiffLengthTooLarge", RiffWithLength(4 + 10 + 4, title),
       "\r\n **RIFF LENGTH ERROR**\r\nRIFF 'WAVE'\r\n\t<INAM> title\r\n\t\t\"T\"\r\n"},
      {"NotRiffAtAll", "RIFX"s + U32(4 + 10) + "WAVE" + title,
       "\r\nRIFF 'WAVE'\r\n\t<INAM> title\r\n\t\t\"T\"\r\n"},
      {"EmptyFile", "", "\r\n **RIFF LENGTH ERROR**\r\nRIFF ''\r\n"},
      {"FiveBytes", "RIFF\x01"s, "\r\n **RIFF LENGTH ERROR**\r\nRIFF ''\r\n"},
      {"TenBytes", "RIFF\x02\0\0\0WA"s, "\r\nRIFF 'WA'\r\n"},
      {"ListCutInsideItsType", RiffWithLength(4 + 8 + 2, "LIST\x10\0\0\0IN"s),
       "\r\nRIFF 'WAVE'\r\n\tLIST 'IN'\r\n"},
      {"HeaderCutShortWritesNothing", Riff(title) + "ICMT\x02\0"s,
       "\r\n **RIFF LENGTH ERROR**\r\nRIFF 'WAVE'\r\n\t<INAM> title\r\n\t\t\"T\"\r\n"},
      {"TruncatedDataChunkEndsTheWalk",
       RiffWithLength(4 + 8 + 1000 + 10, ChunkWithSize("data", 1000, "abc")),
       "\r\n **RIFF LENGTH ERROR**\r\nRIFF 'WAVE'\r\n\t<data> waveform data"
       "\r\n\t\t0.000 sec duration\r\n"},
      {"QuotedTextAtEndOfFileShowsWhatIsThere",
       RiffWithLength(4 + 8 + 100, ChunkWithSize("ICMT", 100, "cut here")),
       "\r\n **RIFF LENGTH ERROR**\r\nRIFF 'WAVE'\r\n\t<ICMT> comments\r\n\t\t\"cut here\"\r\n"},
      {"ListClaimingMoreThanTheFileHolds",
       Riff(ChunkWithSize("LIST", 5000, "INFO" + title)),
       "\r\nRIFF 'WAVE'\r\n\tLIST 'INFO'\r\n\t\t<INAM> title\r\n\t\t\t\"T\"\r\n"},
  };
  ReportFixture file;
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string report = ReportBothWays(file, c.bytes);
    EXPECT_EQ(report, file.Summary(c.bytes.size()) + c.afterSummary);
  }
}

TEST(Walk, FileThatCannotBeOpenedGivesItsPathAlone) {
  ReportFixture file;
  std::string missing = file.Path() + ".missing";
  std::lock_guard<std::recursive_mutex> hold(ReportLock());
  EXPECT_EQ(std::string(BuildReport(missing.c_str())), missing);
  std::string directory = std::filesystem::path(file.Path()).parent_path().string();
  EXPECT_EQ(std::string(BuildReport(directory.c_str())), directory);
}

TEST(Summary, SizeLineUsesKilobytesUpToOneMegabyte) {
  struct SizeCase {
    std::size_t size;
    const char* line;
  } cases[] = {
      {128, "128 bytes (0.13KB)"},
      {1536, "1536 bytes (1.50KB)"},
      {1048576, "1048576 bytes (1024.00KB)"},
      {1048577, "1048577 bytes (1.00MB)"},
      {1572864 + 5243, "1578107 bytes (1.51MB)"},
  };
  ReportFixture file;
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.line);
    std::string report = file.ReportOf(Riff("") + Fill(c.size - 12));
    EXPECT_EQ(report.substr(0, report.find("\r\n2000")),
              file.Path() + "\r\n" + c.line);
  }
}

TEST(Summary, TimeIsTheLastWriteTimeInUtc) {
  ReportFixture file;
  file.Write(Riff(""));
  SetModifiedTime(file.Path(), 2019, 12, 31, 23, 59, 59);
  std::string report = file.Report();
  EXPECT_NE(report.find("\r\n2019-12-31 23:59:59\r\n"), std::string::npos) << report;
  SetModifiedTime(file.Path(), 1999, 1, 2, 3, 4, 5);
  report = file.Report();
  EXPECT_NE(report.find("\r\n1999-01-02 03:04:05\r\n"), std::string::npos) << report;
  SetModifiedTime(file.Path(), 2024, 2, 29, 0, 0, 0);
  report = file.Report();
  EXPECT_NE(report.find("\r\n2024-02-29 00:00:00\r\n"), std::string::npos) << report;
  SetModifiedTime(file.Path(), 1969, 12, 31, 23, 59, 58);
  report = file.Report();
  EXPECT_NE(report.find("\r\n1969-12-31 23:59:58\r\n"), std::string::npos) << report;
}

// Payloads of an undecoded chunk, as DumpQuotedText shows them.
TEST(QuotedText, ShowsPrintableBytesUpToTheFirstNul) {
  struct QuoteCase {
    const char* name;
    std::string payload;
    std::string shown;
  } cases[] = {
      {"Empty", "", ""},  // size 0: no quoted line at all (see below)
      {"StartsWithNul", "\0abc"s, "\"\""},
      {"ControlBytesOnly", "\x01\x02\r\n"s, "\"\""},
      {"StopsAtNul", "abc\0def"s, "\"abc\""},
      {"TrailingLineBreakDropped", "Take one\r\n", "\"Take one\""},
      {"InnerControlByteStays", "a\tb", "\"a\xB7" "b\""},
      {"TrailingHighByteDropped", "Caf\xE9", "\"Caf\""},
      {"InnerHighByteStays", "Caf\xE9 au lait", "\"Caf\xB7 au lait\""},
      {"TrailingBlanksKept", "abc  ", "\"abc  \""},
      {"DeleteIsPrintable", "a\x7F", "\"a\x7F\""},
      {"MiddleDotInPayloadIsDroppedAtTheEnd", "ab\xB7", "\"ab\""},
  };
  ReportFixture file;
  for (const QuoteCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = Riff(Chunk("ICMT", c.payload));
    std::string body = "\r\n\t<ICMT> comments";
    if (!c.payload.empty()) body += "\r\n\t\t" + c.shown;
    EXPECT_EQ(ReportBothWays(file, bytes), file.Whole(bytes, body));
  }
}

TEST(QuotedText, ShowsAtMost256Bytes) {
  std::string payload;
  for (int i = 0; i < 1000; ++i) payload += static_cast<char>('a' + i % 26);
  ReportFixture file;
  std::string bytes = Riff(Chunk("ICMT", payload) + Chunk("IENG", "x"));
  EXPECT_EQ(ReportBothWays(file, bytes),
            file.Whole(bytes, "\r\n\t<ICMT> comments\r\n\t\t\"" + payload.substr(0, 256) +
                                  "\"\r\n\t<IENG> engineer\r\n\t\t\"x\""));
}

// The report that an unbounded buffer would hold for count comment chunks.
std::string ManyComments(ReportFixture& file, int count, std::string& bytes) {
  std::string chunks, body;
  for (int i = 0; i < count; ++i) {
    std::string text = "comment " + std::to_string(i) + std::string(200, '.');
    // Each text ends in line-break bytes that the quoting takes back again.
    chunks += Chunk("ICMT", text + "\r\n\r\n");
    body += "\r\n\t<ICMT> comments\r\n\t\t\"" + text + "\"";
  }
  bytes = Riff(chunks);
  return file.Whole(bytes, body);
}

TEST(Capacity, LongReportIsItsFirst32767Bytes) {
  ReportFixture file;
  for (int count : {100, 140, 141, 142, 143, 400}) {
    SCOPED_TRACE(count);
    std::string bytes;
    std::string unbounded = ManyComments(file, count, bytes);
    std::string report = ReportBothWays(file, bytes);
    EXPECT_EQ(report, unbounded.substr(0, ReportCapacity - 1));
  }
}

TEST(Capacity, DeepNestingStopsWhenTheReportIsFull) {
  std::string bytes = Chunk("INAM", "deep");
  std::string unbounded;
  const int levels = 300;
  for (int level = levels; level >= 1; --level) bytes = List("INFO", bytes);
  bytes = Riff(bytes);
  ReportFixture file;
  std::string body;
  for (int level = 1; level <= levels; ++level)
    body += "\r\n" + std::string(level, '\t') + "LIST 'INFO'";
  body += "\r\n" + std::string(levels + 1, '\t') + "<INAM> title";
  unbounded = file.Whole(bytes, body);
  std::string report = ReportBothWays(file, bytes);
  EXPECT_EQ(report.size(), ReportCapacity - 1);
  EXPECT_EQ(report, unbounded.substr(0, ReportCapacity - 1));
}

TEST(Capacity, BuildingAReportAllocatesNothing) {
  ReportFixture file;
  std::string bytes;
  ManyComments(file, 400, bytes);
  file.Write(bytes);
  std::lock_guard<std::recursive_mutex> hold(ReportLock());
  BuildReport(file.Path().c_str());
  long before = Allocations.load();
  BuildReport(file.Path().c_str());
  EXPECT_EQ(Allocations.load(), before);
}

TEST(Concurrency, ReportsOnTwoThreadsDoNotMix) {
  ReportFixture first, second;
  first.Write(Riff(Chunk("INAM", "first")));
  second.Write(Riff(Chunk("INAM", "second") + Chunk("IENG", "x")));
  std::string expectFirst = first.Report(), expectSecond = second.Report();
  std::atomic<int> mismatches{0};
  auto run = [&](ReportFixture& file, const std::string& expected) {
    for (int i = 0; i < 200; ++i) {
      std::lock_guard<std::recursive_mutex> hold(ReportLock());
      if (expected != BuildReport(file.Path().c_str())) ++mismatches;
    }
  };
  std::thread a(run, std::ref(first), std::cref(expectFirst));
  std::thread b(run, std::ref(second), std::cref(expectSecond));
  a.join();
  b.join();
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(LargeFile, ChunkBeyondFourGigabytesIsReached) {
  ReportFixture file;
  const std::uint64_t dataSize = 3ull << 30;  // 3 GiB of (sparse) samples
  std::string head = "RIFF"s + U32(0) + "WAVE" + PcmFormat(2, 44100, 16) + "data" +
                     U32(static_cast<std::uint32_t>(dataSize));
  std::string tail = List("INFO", Chunk("INAM", "after the samples"));
  std::uint64_t size = head.size() + dataSize + tail.size();
  head.replace(4, 4, U32(static_cast<std::uint32_t>(size - 8)));
  {
    std::ofstream out(file.Path(), std::ios::binary | std::ios::trunc);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
  }
  std::filesystem::resize_file(file.Path(), head.size() + dataSize);
  {
    std::ofstream out(file.Path(), std::ios::binary | std::ios::app);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  }
  SetModifiedTime(file.Path(), 2000, 5, 27, 15, 22, 8);
  std::string report = file.Report();
  EXPECT_EQ(report,
            file.Summary(size) +
                "\r\nRIFF 'WAVE'\r\n\t<fmt > format description\r\n\t\tPCM format"
                "\r\n\t\t2 channel\r\n\t\t44100 Hz\r\n\t\t176400 bytes/sec\r\n\t\t4 bytes/frame"
                "\r\n\t\t16 bit\r\n\t<data> waveform data\r\n\t\t304 min 20.915 sec duration"
                "\r\n\tLIST 'INFO'\r\n\t\t<INAM> title\r\n\t\t\t\"after the samples\"\r\n");
}

TEST(FixedPoint, RoundsHalfAwayFromZeroAfter17Digits) {
  struct FixedCase {
    double value;
    int precision;
    const char* text;
  } cases[] = {
      {0.125, 2, "0.13"},
      {-0.125, 2, "-0.13"},
      {1024.0, 2, "1024.00"},
      {0.0, 2, "0.00"},
      {-0.0, 2, "-0.00"},
      {-0.001, 2, "-0.00"},
      {0.005, 2, "0.01"},   // 0.005000000000000000104 reduced to 17 digits
      {2.675, 2, "2.67"},   // 2.67499999999999982236: 17 digits 2.6749999999999998
      {1.005, 2, "1.00"},   // 1.00499999999999989342: 17 digits 1.0049999999999999
      {0.5, 0, "1"},
      {2.5, 0, "3"},
      {-2.5, 0, "-3"},
      {0.4999, 0, "0"},
      {9.9996, 3, "10.000"},
      {59.99999, 3, "60.000"},
      {1e22, 0, "10000000000000000000000"},
      {1e23, 0, "99999999999999992000000"},
      {123456789.125, 2, "123456789.13"},
      {5e-324, 3, "0.000"},
      {-6.0205999132796239, 2, "-6.02"},
      {1.0 / 0.0, 2, "inf"},
      {-1.0 / 0.0, 0, "-inf"},
      {std::nan(""), 3, "nan"},
      {-std::nan(""), 3, "nan"},
  };
  for (const FixedCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_STREQ(FixedText(c.value, c.precision).c_str(), c.text);
  }
}

TEST(FourCC, ValueIsLittleEndian) {
  const unsigned char fmt[] = {'f', 'm', 't', ' '};
  const unsigned char low[] = {0x80, 0x01, 0x00, 0x00};
  const unsigned char byte[] = {0xC8, 0x00, 0x00, 0x00};
  EXPECT_EQ(FourCCValue(fmt), 544501094u);
  EXPECT_EQ(FourCCValue(low), 384u);
  EXPECT_EQ(FourCCValue(byte), 200u);
  EXPECT_EQ(FourCC("LIST"), 1414744396u);
}

}  // namespace
