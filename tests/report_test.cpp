// The report as a whole: summary lines, the chunk walk, quoted text, the
// capacity of the report and the number formatting.
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>
#include <sstream>
#include <thread>

#include "decoder_cases.h"
#include "engine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
std::atomic<long> Allocations{0};
}  // namespace

// Every allocation of the test program is counted. The replacements pair
// malloc with free; GCC sees only the free and warns of a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  ++Allocations;
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

std::string Quoted(const std::string& chunkLine, const std::string& text) {
  return Decoded(chunkLine, {'"' + text + '"'});
}

TEST(Walk, EveryDescribedIdentifierHasItsText) {
  // Empty chunks: no decoder runs, so each shows its line alone.
  std::istringstream described(
      "fmt  format description|data waveform data|fact waveform length|cue  markers|plst playlist|"
      "tlst trigger list|smpl sample paramters|inst sample paramters|PAD  sector alignment|"
      "JUNK obsolete data|DISP displayable object|PEAK peak positions|"
      "PVXW phase vocoder analysis window|guid unique ID|dlid unique ID|ds64 64-bit sizes|"
      "bext broadcast audio extension|BEXT broadcast audio extension|"
      "mext broadcast MPEG audio extension|MEXT broadcast MPEG audio extension|"
      "labl marker/region text|note marker/region comment|ltxt region length|"
      "IARL archival location|IART artist name|ICMS commissioned by|ICMT comments|ICOP copyright|"
      "ICRD creation date|ICRP cropping|IDIM dimensions|IDIT digitization time|IDPI dots per inch|"
      "IENG engineer|IGNR genre|IKEY keywords|ILGT lightness|IMED source medium|INAM title|"
      "IPLT palette|IPRD associated product|ISBJ subject description|ISFT software used|"
      "ISHP sharpness|ISMP start time|ISRC supplied by|ISRF source format|"
      "ITCH recording technician");
  std::string chunks, body, line;
  while (std::getline(described, line, '|')) {
    chunks += Chunk(line.substr(0, 4), "");
    body += Lines(1, {"<" + line.substr(0, 4) + ">" + line.substr(4)});
  }
  CheckReports({{"AllEmpty", Riff(chunks), body}});
}

TEST(Walk, ChunkTreeOfWellFormedFiles) {
  CheckReports({
      {"OddChunkIsFollowedByItsPadByte", Riff(Chunk("JUNK", "abc") + Chunk("ICMT", "x")),
       Quoted("<JUNK> obsolete data", "abc") + Quoted("<ICMT> comments", "x")},
      {"PadChunkShowsNoPayload", Riff(Chunk("PAD ", "xx")), Lines(1, {"<PAD > sector alignment"})},
      {"UndescribedAndNulIdentifiersAreQuoted",
       Riff(Chunk("DATA", "up") + Chunk("cue\0"s, "c") + Chunk("ab\0\0"s, "z")),
       Quoted("<DATA>", "up") + Quoted("<cue>", "c") + Quoted("<ab>", "z")},
      {"RiffInsideAListIsNotWalkedInto", Riff(Chunk("RIFF", "WAVE")), Quoted("<RIFF>", "WAVE")},
      {"ListInsideList", Riff(List("adtl", List("INFO", Chunk("IART", "me")) + Chunk("ISFT", "s"))),
       Lines(1, {"LIST 'adtl'"}) + Lines(2, {"LIST 'INFO'", "\t<IART> artist name", "\t\t\"me\"",
                                             "<ISFT> software used", "\t\"s\""})},
      {"EmptyListTakesTheNextBytesAsItsType",
       Riff(ChunkWithSize("LIST", 0, "") + Chunk("JUNK", "")),
       Lines(1, {"LIST 'JUNK'", "<JUNK> obsolete data"})},
      {"ListTooShortForAChunk", Riff(List("INFO", "") + Chunk("IENG", "e")),
       Lines(1, {"LIST 'INFO'"}) + Quoted("<IENG> engineer", "e")},
      // The remainder still counts the list's type: 8 bytes after a list's
      // last chunk are read as one more header, and 7 are not.
      {"SevenSpareBytesAreIgnored",
       Riff(ChunkWithSize("LIST", 4 + 8 + 7, "INFO" + Chunk("JUNK", "") + "ISFT\x01\0\0\0"s) +
            Chunk("IENG", "")),
       Lines(1, {"LIST 'INFO'", "\t<JUNK> obsolete data", "<IENG> engineer"})},
      {"EightSpareBytesAreOneMoreHeader",
       Riff(List("INFO", Chunk("JUNK", "") + "ISFT\0\0\0\0"s) + Chunk("IENG", "")),
       Lines(1, {"LIST 'INFO'", "\t<JUNK> obsolete data", "\t<ISFT> software used",
                 "<IENG> engineer"})},
      {"ChunkLongerThanItsListIsTheLast",
       RiffWithLength(4 + 8 + 2 + 8, ChunkWithSize("ICMT", 2, "hi") + Chunk("IENG", "")),
       Quoted("<ICMT> comments", "hi") + Lines(1, {"<IENG> engineer"})},
  });
}

TEST(Walk, DamagedFilesAreWalkedAsFarAsTheyGo) {
  const std::string title = Chunk("INAM", "T"), error = "\r\n **RIFF LENGTH ERROR**";
  const std::string walked = "\r\nRIFF 'WAVE'" + Quoted("<INAM> title", "T") + "\r\n";
  CheckReports({{"RiffLengthTooLarge", RiffWithLength(4 + 10 + 4, title), error + walked},
                {"NotRiffAtAll", "RIFX"s + U32(4 + 10) + "WAVE" + title, walked},
                {"EmptyFile", "", error + "\r\nRIFF ''\r\n"},
                {"TenBytes", "RIFF\x02\0\0\0WA"s, "\r\nRIFF 'WA'\r\n"},
                {"ListCutInsideItsType", RiffWithLength(4 + 8 + 2, "LIST\x10\0\0\0IN"s),
                 "\r\nRIFF 'WAVE'\r\n\tLIST 'IN'\r\n"},
                {"HeaderCutShortWritesNothing",
                 Riff(ChunkWithSize("LIST", 99, "INFO" + title + "ICMT\x02\0"s)),
                 "\r\nRIFF 'WAVE'\r\n\tLIST 'INFO'\r\n\t\t<INAM> title\r\n\t\t\t\"T\"\r\n"},
                {"WalkEndsAfterATruncatedChunk",
                 RiffWithLength(4 + 8 + 1000 + 10, ChunkWithSize("data", 1000, "abc")),
                 error + "\r\nRIFF 'WAVE'\r\n\t<data> waveform data\r\n\t\t0.000 sec duration\r\n"},
                {"QuotedTextAtEndOfFileShowsWhatIsThere",
                 RiffWithLength(4 + 8 + 100, ChunkWithSize("ICMT", 100, "cut here")),
                 error + "\r\nRIFF 'WAVE'" + Quoted("<ICMT> comments", "cut here") + "\r\n"}},
               true);
}

// A ds64 table entry.
std::string SizeEntry(const char* id, std::uint64_t size) { return Text(id, 4) + U64(size); }

// An RF64-style file (RIFF length 0xFFFFFFFF; at offset 12 a ds64 chunk with
// the file's size minus 8 plus riffError, dataLength, 7 samples, then table:
// its length and entries) and its report, which shows body after the ds64
// chunk's sizes.
DecoderCase LargeForm(const char* name, const std::string& magic, std::int64_t riffError,
                      std::uint64_t dataLength, const std::string& table,
                      const std::string& chunks, bool errorLine, const std::string& body) {
  std::string file = magic + U32(0xFFFFFFFF) + "WAVE" +
                     Chunk("ds64", U64(0) + U64(dataLength) + U64(7) + table) + chunks;
  std::uint64_t riffLength = file.size() - 8 + riffError;
  file.replace(20, 8, U64(riffLength));
  return {name, file,
          (errorLine ? "\r\n **RIFF LENGTH ERROR**" : "") + "\r\nRIFF 'WAVE'"s +
              Decoded("<ds64> 64-bit sizes", {"RIFF length " + std::to_string(riffLength),
                                              "data length " + std::to_string(dataLength),
                                              "7 samples"}) +
              body + "\r\n"};
}

TEST(Walk, SizesOfAnRf64FileComeFromItsDs64Chunk) {
  const std::string format = PcmFormat(1, 8000, 8);
  const std::string formatLines = FormatLines("PCM format", 1, 8000, 8000, 1, {"8 bit"});
  const std::string junk = ChunkWithSize("JUNK", 0xFFFFFFFF, "abc\0"s);
  // 0xFFFFFFFF bytes at 8000 bytes/sec.
  const std::string clockedOut = Decoded("<data> waveform data", {"8947 min 50.912 sec duration"});
  // Real 32-bit sizes beside a ds64 chunk whose sizes are wrong.
  DecoderCase realSizes = LargeForm("Rf64FileWithReal32BitSizes", "RF64", 5, 80000, U32(0),
                                    format + Chunk("data", Fill(8)), false,
                                    formatLines + Decoded("<data> waveform data", {"0.001 sec duration"}));
  realSizes.file.replace(4, 4, U32(static_cast<std::uint32_t>(realSizes.file.size() - 8)));
  CheckReports(
      {// An odd size moves the walk on past a pad byte; only the first entry
       // for an identifier counts, and one without an entry keeps its size.
       LargeForm("OtherChunksTakeTheirTableEntry", "BW64", 0, 0,
                 U32(2) + SizeEntry("JUNK", 3) + SizeEntry("JUNK", 1),
                 junk + ChunkWithSize("IENG", 0xFFFFFFFF, "e\0"s) + Chunk("ICMT", "x"), false,
                 Lines(2, {"<JUNK> length 3", "<JUNK> length 1"}) +
                     Quoted("<JUNK> obsolete data", "abc") + Quoted("<IENG> engineer", "e")),
       // Quoted text gets the size clipped to 32 bits, not its low bits (2).
       LargeForm("OtherDecodersGetTheSizeClipped", "RF64", 0, 0,
                 U32(1) + SizeEntry("ICMT", 0x200000002), ChunkWithSize("ICMT", 0xFFFFFFFF, "abcdef"),
                 false, Lines(2, {"<ICMT> length 8589934594"}) + Quoted("<ICMT> comments", "abcdef")),
       // Walked by its ds64 RIFF length (4 short), the walk would miss IENG.
       LargeForm("WrongRiffLengthInDs64", "RF64", -4, 0, U32(0),
                 Chunk("INAM", "T") + Chunk("IENG", ""), true,
                 Quoted("<INAM> title", "T") + Lines(1, {"<IENG> engineer"})),
       // The payload ends 7 bytes into the second of 3 entries (with the pad
       // byte that entry would read JUNK 3).
       LargeForm("TableCutByTheDs64Length", "RF64", 0, 0,
                 U32(3) + SizeEntry("ICMT", 1) + "JUNK" + U64(3).substr(0, 7),
                 junk + Chunk("IENG", ""), false,
                 Lines(2, {"<ICMT> length 1"}) + Quoted("<JUNK> obsolete data", "abc")),
       LargeForm("ChunksInsideAListKeepTheirSizes", "RF64", 0, 0, U32(1) + SizeEntry("JUNK", 2),
                 List("INFO", junk.substr(0, 10) + Chunk("ICMT", "x")) + Chunk("IENG", ""), false,
                 Lines(2, {"<JUNK> length 2"}) + Lines(1, {"LIST 'INFO'"}) +
                     Lines(2, {"<JUNK> obsolete data", "\t\"abICMT\""}) +
                     Lines(1, {"<IENG> engineer"})),
       // Files that are not RF64 keep their 32-bit sizes.
       LargeForm("RiffFileWithDs64", "RIFF", 0, 8, U32(0),
                 format + ChunkWithSize("data", 0xFFFFFFFF, ""), true, formatLines + clockedOut),
       realSizes,
       {"Ds64ShorterThan28Bytes",
        "RF64"s + U32(0xFFFFFFFF) + "WAVE" + Chunk("ds64", U64(1) + U64(8) + U64(7)) + format +
            ChunkWithSize("data", 0xFFFFFFFF, ""),
        "\r\n **RIFF LENGTH ERROR**\r\nRIFF 'WAVE'" +
            Decoded("<ds64> 64-bit sizes", {"RIFF length 1", "data length 8", "7 samples"}) +
            formatLines + clockedOut + "\r\n"}},
      true);
}

TEST(Walk, FileThatCannotBeOpenedGivesItsPathAlone) {
  ReportFixture file;
  std::string missing = file.Path() + ".missing";
  std::string directory = std::filesystem::path(file.Path()).parent_path().string();
  EXPECT_EQ(std::string(BuildReport(missing.c_str())), missing);
  EXPECT_EQ(std::string(BuildReport(directory.c_str())), directory);
  // A device would deliver no file, or make a read wait.
#ifdef _WIN32
  const char* device = "NUL";
#else
  const char* device = "/dev/null";
#endif
  EXPECT_EQ(std::string(BuildReport(device)), device);
}

#ifdef _WIN32
// name in the ANSI code page, when it converts there and back unchanged (a
// best fit, such as a plain e for an e with an accent, does not count).
bool InAnsi(const std::wstring& name, std::string& text) {
  char converted[3 * MAX_PATH];
  wchar_t back[MAX_PATH];
  if (!WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, converted, sizeof converted, nullptr,
                           nullptr) ||
      !MultiByteToWideChar(CP_ACP, 0, converted, -1, back, MAX_PATH) || name != back)
    return false;
  text = converted;
  return true;
}

// The path line is the text given. The file is the one the UTF-16 name
// names; text given alone names it in the ANSI code page. Whatever that code
// page, the name holds a character beyond ASCII that it has: U+00E9, or else
// the character of its first single byte above 0x7F.
TEST(Walk, WindowsOpensTheFileItsNameNames) {
  ReportFixture file;
  file.Write(Riff(Chunk("INAM", "x")));
  const std::filesystem::path written(file.Path());
  std::wstring name = (written.parent_path() / L"caf\u00e9.wav").wstring();
  std::string text;
  for (int byte = 0x80; byte <= 0xFF && !InAnsi(name, text); ++byte) {
    const char single = static_cast<char>(byte);
    wchar_t letter;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &single, 1, &letter, 1) == 1)
      name = (written.parent_path() / (L"caf" + std::wstring(1, letter) + L".wav")).wstring();
  }
  ASSERT_TRUE(InAnsi(name, text)) << "the ANSI code page holds no character beyond ASCII";
  ASSERT_TRUE(CopyFileW(written.wstring().c_str(), name.c_str(), FALSE)) << text;
  const std::string rest = file.Report().substr(file.Path().size());
  ASSERT_NE(rest.find("RIFF 'WAVE'"), std::string::npos);
  EXPECT_EQ(std::string(BuildReport(text.c_str())), text + rest);
  EXPECT_EQ(std::string(BuildReport(ReportPath("shown", name.c_str()))), "shown" + rest);
}
#endif

TEST(Summary, SizeLineAndLastWriteTimeInUtc) {
  ReportFixture file;
  for (const std::string line :
       {"128 bytes (0.13KB)", "1048576 bytes (1024.00KB)", "1048577 bytes (1.00MB)"}) {
    std::string report = file.ReportOf(Riff("") + Fill(std::stoul(line) - 12));
    EXPECT_EQ(report.substr(0, report.find("\r\n2000")), file.Path() + "\r\n" + line);
  }
  for (const char* time : {"2019-12-31 23:59:59", "1999-01-02 03:04:05", "2024-02-29 00:00:00",
                           "1969-12-31 23:59:58"}) {
    int t[6];
    std::sscanf(time, "%d-%d-%d %d:%d:%d", &t[0], &t[1], &t[2], &t[3], &t[4], &t[5]);
    SetModifiedTime(file.Path(), t[0], t[1], t[2], t[3], t[4], t[5]);
    EXPECT_NE(file.Report().find("\r\n"s + time + "\r\n"), std::string::npos) << time;
  }
}

// Payloads of an undecoded chunk, as DumpQuotedText shows them.
DecoderCase Comment(const char* name, const std::string& payload, const std::string& shown) {
  return {name, Riff(Chunk("ICMT", payload) + Chunk("IENG", "x")),
          Quoted("<ICMT> comments", shown) + Quoted("<IENG> engineer", "x")};
}

TEST(QuotedText, PrintableBytesUpToTheFirstNulAtMost256) {
  CheckReports({Comment("StartsWithNul", "\0abc"s, ""),
                Comment("ControlBytesOnly", "\x01\x02\r\n"s, ""),
                Comment("StopsAtNul", "abc\0def"s, "abc"),
                Comment("TrailingLineBreakDropped", "Take one\r\n", "Take one"),
                Comment("InnerControlByteStays", "a\tb",
                        "a\xB7"
                        "b"),
                Comment("InnerHighByteStays", "Caf\x80 au lait", "Caf\xB7 au lait"),
                Comment("TrailingBlanksKept", "abc  ", "abc  "),
                Comment("DeleteIsPrintable", "a\x7F", "a\x7F"),
                Comment("AtMost256Bytes", Fill(300, 'q'), Fill(256, 'q'))});
}

// A report of count comment chunks, each of whose texts ends in line-break
// bytes that the quoting takes back again.
DecoderCase ManyComments(int count) {
  std::string chunks, body;
  for (int i = 0; i < count; ++i) {
    std::string text = "comment " + std::to_string(i) + std::string(200, '.');
    chunks += Chunk("ICMT", text + "\r\n\r\n");
    body += Quoted("<ICMT> comments", text);
  }
  return {"ManyComments", Riff(chunks), body};
}

TEST(Capacity, LongReportIsItsFirst32767Bytes) {
  for (int count : {100, 140, 141, 142, 143, 400}) {
    SCOPED_TRACE(count);
    CheckReports({ManyComments(count)});
  }
  // Every level writes a line, so the walk stops when the report is full.
  std::string bytes = Chunk("INAM", "deep"), body;
  for (int level = 1; level <= 300; ++level) {
    bytes = List("INFO", bytes);
    body += Lines(level, {"LIST 'INFO'"});
  }
  CheckReports({{"DeepNesting", Riff(bytes), body + Lines(301, {"<INAM> title"})}});
}

TEST(Capacity, BuildingAReportAllocatesNothing) {
  ReportFixture file;
  file.Write(ManyComments(400).file);
  BuildReport(file.Path().c_str());
  long before = Allocations.load();
  BuildReport(file.Path().c_str());
  EXPECT_EQ(Allocations.load(), before);
}

// A report's text and description are its thread's own: another thread
// building reports of another file meanwhile, with and without JSON, changes
// nothing in them.
TEST(Concurrency, ReportIsNotDisturbedByAnotherThread) {
  ReportFixture first, second;
  first.Write(Riff(Chunk("INAM", "first")));
  second.Write(Riff(Chunk("INAM", "second") + Chunk("IENG", "x")));
  std::string firstJson, secondJson, json;
  const std::string expected = first.ReportWithJson(firstJson);
  const std::string expectedOther = second.ReportWithJson(secondJson);
  std::atomic<bool> paging{true};
  std::atomic<int> built{0}, otherMismatches{0};
  std::thread other([&] {
    std::string otherJson;
    for (; paging; ++built)
      if (expectedOther != second.ReportWithJson(otherJson) || otherJson != secondJson)
        ++otherMismatches;
  });
  int mismatches = 0;
  for (int i = 0; i < 200 || built < 200; ++i) {
    const char* report = BuildReport(first.Path().c_str());
    if (expected != report || expected != first.ReportWithJson(json) || json != firstJson)
      ++mismatches;
  }
  paging = false;
  other.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(otherMismatches, 0);
}

// Reports of the Info page of a file on a share that does not answer, and
// of another file: held inside its file read, the first holds up nothing
// of the second, which is built on another thread to its end meanwhile.
// Once the read goes on, the first report is whole.
std::mutex Gate;
std::condition_variable GateMoved;
bool Reading = false, Released = false;
thread_local bool HeldAtRead = false;

void HoldTheHeldThread() {
  if (!HeldAtRead) return;
  std::unique_lock<std::mutex> hold(Gate);
  Reading = true;
  GateMoved.notify_all();
  GateMoved.wait(hold, [] { return Released; });
}

TEST(Concurrency, ReportWaitingForItsFileHoldsUpNoOther) {
  ReportFixture stalled, other;
  stalled.Write(Riff(Chunk("INAM", "stalled")));
  other.Write(Riff(Chunk("INAM", "other") + Chunk("IENG", "x")));
  std::string stalledJson, otherJson, expectedStalledJson, expectedOtherJson;
  const std::string expectedStalled = stalled.ReportWithJson(expectedStalledJson);
  const std::string expectedOther = other.ReportWithJson(expectedOtherJson);
  std::string stalledReport, otherReport;
  bool otherDone = false;
  Reading = Released = false;

  SetBeforeRead(HoldTheHeldThread);
  std::thread held([&] {
    HeldAtRead = true;
    stalledReport = stalled.ReportWithJson(stalledJson);
  });
  bool reading, finished;
  {
    std::unique_lock<std::mutex> hold(Gate);
    reading = GateMoved.wait_for(hold, std::chrono::seconds(10), [] { return Reading; });
  }
  std::thread second([&] {
    std::string report = other.ReportWithJson(otherJson);
    std::lock_guard<std::mutex> hold(Gate);
    otherReport = report;
    otherDone = true;
    GateMoved.notify_all();
  });
  {
    std::unique_lock<std::mutex> hold(Gate);
    finished = GateMoved.wait_for(hold, std::chrono::seconds(10), [&] { return otherDone; });
    Released = true;
    GateMoved.notify_all();
  }
  held.join();
  second.join();
  SetBeforeRead(nullptr);

  EXPECT_TRUE(reading) << "the first report never read its file";
  EXPECT_TRUE(finished) << "the second report waited for the first one's file";
  EXPECT_EQ(otherReport, expectedOther);
  EXPECT_EQ(otherJson, expectedOtherJson);
  EXPECT_EQ(stalledReport, expectedStalled);
  EXPECT_EQ(stalledJson, expectedStalledJson);
}

// Writes head, then dataSize zero bytes that take no room on disk, then tail.
std::uint64_t WriteSparse(const ReportFixture& file, const std::string& head,
                          std::uint64_t dataSize, const std::string& tail) {
  std::ofstream(file.Path(), std::ios::binary | std::ios::trunc) << head;
  std::filesystem::resize_file(file.Path(), head.size() + dataSize);
  std::ofstream(file.Path(), std::ios::binary | std::ios::app) << tail;
  SetModifiedTime(file.Path(), 2000, 5, 27, 15, 22, 8);
  return head.size() + dataSize + tail.size();
}

TEST(LargeFile, ChunkAfterThreeGigabytesOfSamplesIsReached) {
  ReportFixture file;
  const std::uint64_t dataSize = 3ull << 30;  // 3 GiB of (sparse) samples
  const std::string tail = List("INFO", Chunk("INAM", "after the samples"));
  const std::string format = PcmFormat(2, 44100, 16);
  const std::uint64_t size = 12 + format.size() + 8 + dataSize + tail.size();
  std::string head = RiffWithLength(static_cast<std::uint32_t>(size - 8), format) + "data" +
                     U32(static_cast<std::uint32_t>(dataSize));
  WriteSparse(file, head, dataSize, tail);
  EXPECT_EQ(file.Report(), file.Summary(size) + "\r\nRIFF 'WAVE'" +
                               FormatLines("PCM format", 2, 44100, 176400, 4, {"16 bit"}) +
                               Decoded("<data> waveform data", {"304 min 20.915 sec duration"}) +
                               Lines(1, {"LIST 'INFO'"}) +
                               Lines(2, {"<INAM> title", "\t\"after the samples\""}) + "\r\n");
}

// A BW64 file with 5 GiB of samples: its sizes are in the ds64 chunk. A ds64
// RIFF length 2 too large gives the error line, and the walk still goes on
// to the file's end, beyond 4 GiB.
TEST(LargeFile, Bw64FileOfFiveGigabytesIsWalkedByItsDs64Sizes) {
  ReportFixture file;
  const std::uint64_t dataSize = 5ull << 30;
  const std::string tail = List("INFO", Chunk("INAM", "five gigabytes"));
  const std::string format = PcmFormat(2, 48000, 24);
  const std::uint64_t size = 12 + 36 + format.size() + 8 + dataSize + tail.size();
  for (std::uint64_t riffError : {0, 2}) {
    std::string head = "BW64"s + U32(0xFFFFFFFF) + "WAVE" +
                       Chunk("ds64", U64(size - 8 + riffError) + U64(dataSize) +
                                         U64(dataSize / 6) + U32(0)) +
                       format + "data" + U32(0xFFFFFFFF);
    ASSERT_EQ(WriteSparse(file, head, dataSize, tail), size);
    EXPECT_EQ(file.Report(),
              file.Summary(size) + (riffError ? "\r\n **RIFF LENGTH ERROR**" : "") +
                  "\r\nRIFF 'WAVE'" +
                  Decoded("<ds64> 64-bit sizes", {"RIFF length " + std::to_string(size - 8 + riffError),
                                                  "data length 5368709120", "894784853 samples"}) +
                  FormatLines("PCM format", 2, 48000, 288000, 6, {"24 bit"}) +
                  Decoded("<data> waveform data", {"310 min 41.351 sec duration"}) +
                  Lines(1, {"LIST 'INFO'"}) +
                  Lines(2, {"<INAM> title", "\t\"five gigabytes\""}) + "\r\n");
  }
}

TEST(FixedPoint, RoundsHalfAwayFromZeroAfter17Digits) {
  const struct {
    double value;
    int precision;
    const char* text;
  } cases[] = {
      {0.125, 2, "0.13"},
      {-0.125, 2, "-0.13"},
      {-0.0, 2, "-0.00"},
      {-0.001, 2, "-0.00"},
      // 17 digits first: 0.0050000000000000001, 2.6749999999999998
      {0.005, 2, "0.01"},
      {2.675, 2, "2.67"},
      {2.5, 0, "3"},
      {9.9996, 3, "10.000"},
      {1e23, 0, "99999999999999992000000"},
      {5e-324, 3, "0.000"},
      {1.0 / 0.0, 2, "inf"},
      {-1.0 / 0.0, 0, "-inf"},
      {std::nan(""), 3, "nan"},
      {-std::nan(""), 3, "nan"},
  };
  for (const auto& c : cases) EXPECT_STREQ(FixedText(c.value, c.precision).c_str(), c.text);
}

// The report's own printf must agree with the C library's on the conversions
// it takes, on every platform.
template <typename... Arguments>
void ExpectFormattedAsCLibrary(const char* format, Arguments... arguments) {
  char expected[128];
  std::snprintf(expected, sizeof expected, format, arguments...);
  ReportCursor = 0;
  Append(format, arguments...);
  EXPECT_EQ(std::string(ReportText, ReportCursor), expected) << format;
}

TEST(Formatting, ConversionsMatchTheCLibrary) {
  ExpectFormattedAsCLibrary("%d|%i|%u", -2147483647 - 1, 0, 4294967295u);
  ExpectFormattedAsCLibrary("%+d|%+d|%+.2d|%+.2d|%.2d", 0, -5, 7, -7, 123);
  ExpectFormattedAsCLibrary("%x|%X|%.2X|%.4X|%08x", 0xABCDu, 0xABCDu, 10u, 0x12u, 0xBEEFu);
  ExpectFormattedAsCLibrary("%hd|%hu|%hhd|%hhu|%hX", 65535, 70000, 200, 300, 0x12345);
  ExpectFormattedAsCLibrary("%lld|%llu|%ld", -9223372036854775807LL - 1, 18446744073709551615ULL,
                            -3L);
  ExpectFormattedAsCLibrary("[%.4s][%s][%5s][%.0s]", "abcdef", "", "ab", "xyz");
  ExpectFormattedAsCLibrary("%c%c %% %3d%%", 'a', '\xB5', 42);
}

}  // namespace
