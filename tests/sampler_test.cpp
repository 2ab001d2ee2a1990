// Sampler (smpl) and instrument (inst) chunks.
#include "decoder_cases.h"

namespace {

const std::string Smpl = "<smpl> sample paramters", Inst = "<inst> sample paramters";
const std::string Period = "Sample period 22675 ns (44100 Hz)",
                  Root = "MIDI root note 60 +00 cents";

// The first 28 bytes of a sampler chunk: manufacturer to SMPTE offset.
std::string Head(std::uint32_t manufacturer, std::uint32_t product, std::uint32_t period,
                 std::uint32_t rootNote, std::uint32_t fraction, std::uint32_t smpteFormat,
                 const std::string& smpteOffset = U32(0)) {
  return U32(manufacturer) + U32(product) + U32(period) + U32(rootNote) + U32(fraction) +
         U32(smpteFormat) + smpteOffset;
}
const std::string PlainHead = Head(0, 0, 22675, 60, 0, 0);
const std::uint32_t Cent = 42949672;  // 2^32 / 100

// Sampler chunks without loops or manufacturer data.
TEST(SamplerChunk, ManufacturerPeriodRootNoteAndSmpte) {
  auto sampler = [](const char* name, const std::string& head,
                    std::initializer_list<std::string> lines) -> DecoderCase {
    return {name, Riff(Chunk("smpl", head + U32(0) + U32(0))), Decoded(Smpl, lines)};
  };
  CheckReports({
      sampler("TopByte2PeriodRoundedDownFiveCentsSmpte25",
              Head(0x02ABCDEF, 0xDEADBEEF, 20833, 60, 5 * Cent, 25, "\x05\x04\x03\x02"),
              {"MMA manufacturer CDEFh, product DEADBEEFh", "Sample period 20833 ns (47999 Hz)",
               "MIDI root note 60 +05 cents", "SMPTE offset 02:03:04:05 @ 25 fps"}),
      sampler("TopByte3PeriodZeroJustUnder51CentsDropFrame",
              Head(0x03000041, 0, 0, 60, 51 * Cent - 1, 29),
              {"MMA manufacturer 000041h, product 0h", "Sample period 0 ns (2000000000 Hz)",
               "MIDI root note 60 +50 cents", "SMPTE offset 00:00:00:00 @ 30 fps drop"}),
      sampler("OtherTopByteLowByteOnly51CentsRaiseTheNoteSignedFields",
              Head(0xFF000147, 0x5A, 0xFFFFFFFF, 60, 51 * Cent, 0xFFFFFFFF, "\x80\0\0\xFF"s),
              {"MMA manufacturer 47h, product 5Ah", "Sample period -1 ns (0 Hz)",
               "MIDI root note 61 -49 cents", "SMPTE offset -01:00:00:-128 @ -1 fps"}),
      sampler("NoManufacturerNoSmpteFormatRaisedNoteWraps",
              Head(0, 5, 22675, 0x7FFFFFFF, 0xFFFFFFFF, 0, "\x05\x04\x03\x02"),
              {Period, "MIDI root note -2147483648 +00 cents"}),
  });
}

std::string Loop(const std::string& id, std::uint32_t type, std::uint32_t start, std::uint32_t end,
                 std::uint32_t fraction, std::uint32_t playCount) {
  return id + U32(type) + U32(start) + U32(end) + U32(fraction) + U32(playCount);
}

TEST(SamplerChunk, LoopsAndManufacturerData) {
  std::string nine, nineLines;
  for (unsigned i = 1; i <= 9; ++i) {
    nine += Loop(U32(i), 0, i, 10 * i, 0, i);
    nineLines +=
        Lines(2, {"Loop #" + std::to_string(i) + ": " + std::to_string(i) + " to " +
                  std::to_string(10 * i) + ".00, forward, " + std::to_string(i) + " repeats"});
  }
  const std::string extra = "\x01\xAB\xFF", dataLine = "Manufacturer data (3 bytes): 01 AB FF";
  CheckReports({
      {"TypesFractionsCountsAndData",
       Riff(Chunk("smpl", PlainHead + U32(5) + U32(3) + Loop(U32(0), 0, 0, 1000, 0, 0) +
                              Loop(U32(1), 1, 100, 200, 0x80000000, 3) +
                              Loop("LP01", 2, 0xFFFFFFFB, 0xFFFFFFFF, 0xFFFFFFFF, 1) +
                              Loop(U32(2), 3, 0, 1, 5 * Cent, 0xFFFFFFFF) +
                              Loop(U32(3), 0xFFFFFFFF, 0, 1, Cent - 1, 2) + extra)),
       Decoded(Smpl, {Period, Root, "Loop #0: 0 to 1000.00, forward, infinite",
                      "Loop #1: 100 to 200.50, alternating, 3 repeats",
                      "Loop #LP01: -5 to -1.100, backward, 1 repeats",
                      "Loop #2: 0 to 1.05, mode 3, -1 repeats",
                      "Loop #3: 0 to 1.00, mode -1, 2 repeats", dataLine})},
      {"NineLoops", Riff(Chunk("smpl", PlainHead + U32(9) + U32(3) + nine + extra)),
       Decoded(Smpl, {Period, Root}) + nineLines + Lines(2, {dataLine})},
      {"TenLoopsStopAfterTheHeader",
       Riff(Chunk("smpl", PlainHead + U32(10) + U32(3) + nine + nine.substr(0, 24) + extra)),
       Decoded(Smpl, {Period, Root})},
      {"LoopCountIsUnsigned",
       Riff(Chunk("smpl", Head(0, 0, 22675, 60, 0, 25) + U32(0xFFFFFFFF) + U32(3) + nine)),
       Decoded(Smpl, {Period, Root, "SMPTE offset 00:00:00:00 @ 25 fps"})},
      {"DataLength128ShowsNoBytes",
       Riff(Chunk("smpl", PlainHead + U32(0) + U32(128) + Counting(128))),
       Decoded(Smpl, {Period, Root, "Manufacturer data (128 bytes):"})},
      {"DataLength200Shows72Bytes",
       Riff(Chunk("smpl", PlainHead + U32(0) + U32(200) + Counting(200, 0x80))),
       Decoded(Smpl, {Period, Root, "Manufacturer data (200 bytes):" + Hex(Counting(72, 0x80))})},
      {"DataLengthSigned",
       Riff(Chunk("smpl", PlainHead + U32(0) + U32(0xFFFFFFFF) + Counting(127, 1))),
       Decoded(Smpl, {Period, Root, "Manufacturer data (-1 bytes):" + Hex(Counting(127, 1))})},
  });
}

TEST(InstrumentChunk, SignedBytes) {
  CheckReports({
      {"Example", Riff(Chunk("inst", "\x3C\xFB\x00\x00\x7F\x01\x7F"s) + Chunk("JUNK", "x")),
       Decoded(Inst, {"MIDI root note 60 -5 cents", "Gain 0 dB", "Key range 0 - 127",
                      "Vel range 1 - 127"}) +
           Decoded("<JUNK> obsolete data", {"\"x\""})},
      {"Negative", Riff(Chunk("inst", "\x80\x00\xF4\x00\x80\xFF\x40"s)),
       Decoded(Inst, {"MIDI root note -128 +0 cents", "Gain -12 dB", "Key range 0 - -128",
                      "Vel range -1 - 64"})},
  });
}

}  // namespace
