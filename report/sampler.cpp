// Sampler (smpl) and instrument (inst) chunks.
#include <algorithm>

#include "engine.h"

namespace {

constexpr std::uint32_t HundredthOfTwoTo32 = 42949672;  // 2^32 / 100, rounded down
constexpr std::uint32_t LoopLimit = 10;                 // 10 loops or more: none shown
constexpr std::uint32_t ManufacturerByteMask = 127;
constexpr std::uint32_t InstrumentChunkBytes = 7;
constexpr std::uint32_t SamplerFixedBytes = 36;  // up to the first loop
constexpr std::uint32_t LoopBytes = 24;

int Signed8(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

}  // namespace

// smpl:  0 manufacturer   4 product   8 sample period (ns)   12 MIDI root note
//       16 pitch fraction 20 SMPTE format   24 SMPTE offset (frames, seconds,
//       minutes, hours; signed bytes)   28 loop count   32 manufacturer data
//       length   36 loops of 24 bytes   then the manufacturer data
void DescribeSamplerChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope sampler("sampler");
  Showing fixed(true, HoldsFixedPart(length, SamplerFixedBytes));
  std::uint64_t start = FilePosition();
  std::uint32_t manufacturer = ReadU32();
  std::uint32_t product = ReadU32();
  JsonUnsigned("manufacturer", manufacturer);
  JsonUnsigned("product", product);
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
  Field("sample_period", "Sample period %d ns", period);
  Field("sample_rate", " (%d Hz)",
        static_cast<std::int32_t>(1000000000.0 / (static_cast<double>(period) + 0.5)));

  // The pitch fraction in hundredths of a semitone, from 0 to 100; above 50
  // the note shown is the next one, less the rest.
  std::uint32_t unityNote = ReadU32();
  std::uint32_t pitchFraction = ReadU32();
  JsonUnsigned("midi_unity_note", unityNote);
  JsonUnsigned("midi_pitch_fraction", pitchFraction);
  std::uint32_t rootNote = unityNote;
  int cents = static_cast<int>(pitchFraction / HundredthOfTwoTo32);
  if (cents > 50) {
    rootNote += 1;  // wraps like the 32-bit note it is
    cents -= 100;
  }
  NewLine(depth);
  Field("root_note", "MIDI root note %d", static_cast<std::int32_t>(rootNote));
  Field("cents", " %+.2d cents", cents);

  std::int32_t smpteFormat = ReadS32();
  unsigned char offset[4];
  ReadBytes(offset, sizeof offset);
  JsonSigned("smpte_format", smpteFormat);
  {
    Showing shown(smpteFormat != 0, true);
    JsonScope smpteOffset("smpte_offset");
    NewLine(depth);
    Field("hours", "SMPTE offset %.2d", Signed8(offset[3]));
    Field("minutes", ":%.2d", Signed8(offset[2]));
    Field("seconds", ":%.2d", Signed8(offset[1]));
    Field("frames", ":%.2d ", Signed8(offset[0]));
    if (smpteFormat == 29)
      Append("@ 30 fps drop");
    else
      Append("@ %d fps", smpteFormat);
  }

  // The report shows 9 loops at most, and with 10 or more, neither loops nor
  // manufacturer data; JSON shows the loops and data the chunk holds.
  std::uint32_t loops = ReadU32();
  std::uint32_t manufacturerBytes = ReadU32();
  JsonUnsigned("loop_count", loops);
  JsonUnsigned("manufacturer_data_length", manufacturerBytes);
  std::uint32_t shownLoops = loops < LoopLimit ? loops : 0;
  std::uint32_t heldLoops = RecordsHeld(start, length, SamplerFixedBytes, LoopBytes, loops);
  DescribeRecords("loops", shownLoops, heldLoops, [depth] {
    BeginItemLine(depth, "Loop #%.4s", "Loop #%d");
    std::uint32_t type = ReadU32();
    Field("start", ": %d", ReadU32());
    Field("end", " to %d", ReadU32());
    std::uint32_t fraction = ReadU32();
    JsonUnsigned("fraction", fraction);
    Append(".%.2d, ", static_cast<int>(fraction / HundredthOfTwoTo32));
    JsonUnsigned("type", type);
    switch (type) {
      case 0: TextField("type_name", "forward"); break;
      case 1: TextField("type_name", "alternating"); break;
      case 2: TextField("type_name", "backward"); break;
      default: Append("mode %d", type); break;
    }
    std::uint32_t playCount = ReadU32();
    JsonUnsigned("play_count", playCount);
    if (playCount == 0)
      Append(", infinite");
    else
      Append(", %d repeats", playCount);
  });

  if (loops < LoopLimit && manufacturerBytes != 0) {
    NewLine(depth);
    Append("Manufacturer data (%d bytes):", static_cast<std::int32_t>(manufacturerBytes));
    for (std::uint32_t i = 0; i < (manufacturerBytes & ManufacturerByteMask); ++i)
      Append(" %.2X", ReadU8());
  }
  if (JsonWanted()) {
    std::uint64_t dataStart = start + SamplerFixedBytes + std::uint64_t{loops} * LoopBytes;
    std::uint64_t end = std::min<std::uint64_t>(start + length, ReportFileSize());
    std::uint64_t held = end > dataStart ? end - dataStart : 0;
    JsonFileBytes("manufacturer_data", dataStart, std::min<std::uint64_t>(held, manufacturerBytes));
  }
}

// inst: root note, fine tuning (cents), gain (dB), lowest and highest key,
// lowest and highest velocity; all signed bytes.
void DescribeInstrumentChunk(std::uint32_t length, std::uint32_t depth) {
  JsonScope instrument("instrument");
  Showing fixed(true, HoldsFixedPart(length, InstrumentChunkBytes));
  unsigned char fields[InstrumentChunkBytes];
  ReadBytes(fields, sizeof fields);
  NewLine(depth);
  Field("unshifted_note", "MIDI root note %d", Signed8(fields[0]));
  Field("fine_tune", " %+d cents", Signed8(fields[1]));
  NewLine(depth);
  Field("gain", "Gain %d dB", Signed8(fields[2]));
  NewLine(depth);
  Field("low_note", "Key range %d", Signed8(fields[3]));
  Field("high_note", " - %d", Signed8(fields[4]));
  NewLine(depth);
  Field("low_velocity", "Vel range %d", Signed8(fields[5]));
  Field("high_velocity", " - %d", Signed8(fields[6]));
}
