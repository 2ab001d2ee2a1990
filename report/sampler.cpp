// Sampler (smpl) and instrument (inst) chunks.
#include "engine.h"

namespace {

constexpr std::uint32_t HundredthOfTwoTo32 = 42949672;  // 2^32 / 100, rounded down
constexpr std::uint32_t LoopLimit = 10;                 // 10 loops or more: none shown
constexpr std::uint32_t ManufacturerByteMask = 127;
constexpr int InstrumentChunkBytes = 7;

int Signed8(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

}  // namespace

// smpl:  0 manufacturer   4 product   8 sample period (ns)   12 MIDI root note
//       16 pitch fraction 20 SMPTE format   24 SMPTE offset (frames, seconds,
//       minutes, hours; signed bytes)   28 loop count   32 manufacturer data
//       length   36 loops of 24 bytes   then the manufacturer data
void DescribeSamplerChunk(std::uint32_t, std::uint32_t depth) {
  std::uint32_t manufacturer = ReadU32();
  std::uint32_t product = ReadU32();
  if (manufacturer != 0) {
    NewLine(depth);
    Append("MMA manufacturer ");
    switch (manufacturer >> 24) {
      case 2: Append("%.4Xh", manufacturer & 0xFFFF); break;
      case 3: Append("%.6Xh", manufacturer & 0xFFFFFF); break;
      default: Append("%.2Xh", manufacturer & 0xFF); break;
    }
    Append(", product %Xh", product);
  }

  std::uint32_t period = ReadU32();
  NewLine(depth);
  Append("Sample period %d ns (%d Hz)", static_cast<std::int32_t>(period),
         static_cast<std::int32_t>(1000000000.0 / (static_cast<double>(period) + 0.5)));

  std::uint32_t rootNote = ReadU32();
  std::uint32_t pitchFraction = ReadU32();
  int cents = static_cast<int>(pitchFraction / HundredthOfTwoTo32);
  if (cents > 50) {
    rootNote += 1;  // wraps like the 32-bit note it is
    cents -= 100;
  }
  NewLine(depth);
  Append("MIDI root note %d %+.2d cents", static_cast<std::int32_t>(rootNote), cents);

  std::int32_t smpteFormat = ReadS32();
  unsigned char offset[4];
  ReadBytes(offset, sizeof offset);
  if (smpteFormat != 0) {
    NewLine(depth);
    Append("SMPTE offset %.2d:%.2d:%.2d:%.2d ", Signed8(offset[3]), Signed8(offset[2]),
           Signed8(offset[1]), Signed8(offset[0]));
    if (smpteFormat == 29)
      Append("@ 30 fps drop");
    else
      Append("@ %d fps", smpteFormat);
  }

  std::uint32_t loops = ReadU32();
  std::uint32_t manufacturerBytes = ReadU32();
  if (loops >= LoopLimit) return;

  for (std::uint32_t i = 0; i < loops; ++i) {
    BeginItemLine(depth, "Loop #%.4s", "Loop #%d");
    std::int32_t type = ReadS32();
    std::int32_t start = ReadS32();
    std::int32_t end = ReadS32();
    std::uint32_t fraction = ReadU32();
    std::int32_t playCount = ReadS32();
    Append(": %d to %d.%.2d, ", start, end, static_cast<int>(fraction / HundredthOfTwoTo32));
    switch (type) {
      case 0: Append("forward"); break;
      case 1: Append("alternating"); break;
      case 2: Append("backward"); break;
      default: Append("mode %d", type); break;
    }
    if (playCount == 0)
      Append(", infinite");
    else
      Append(", %d repeats", playCount);
  }

  if (manufacturerBytes != 0) {
    NewLine(depth);
    Append("Manufacturer data (%d bytes):", static_cast<std::int32_t>(manufacturerBytes));
    for (std::uint32_t i = 0; i < (manufacturerBytes & ManufacturerByteMask); ++i)
      Append(" %.2X", ReadU8());
  }
}

// inst: root note, fine tuning (cents), gain (dB), lowest and highest key,
// lowest and highest velocity; all signed bytes.
void DescribeInstrumentChunk(std::uint32_t, std::uint32_t depth) {
  unsigned char fields[InstrumentChunkBytes];
  ReadBytes(fields, sizeof fields);
  NewLine(depth);
  Append("MIDI root note %d %+d cents", Signed8(fields[0]), Signed8(fields[1]));
  NewLine(depth);
  Append("Gain %d dB", Signed8(fields[2]));
  NewLine(depth);
  Append("Key range %d - %d", Signed8(fields[3]), Signed8(fields[4]));
  NewLine(depth);
  Append("Vel range %d - %d", Signed8(fields[5]), Signed8(fields[6]));
}
