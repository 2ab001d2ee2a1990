// Peak, display, data and fact chunks.
#include <cmath>
#include <cstring>

#include "engine.h"

namespace {

constexpr std::uint32_t PeakHeaderBytes = 8;  // version, time stamp
constexpr std::uint32_t PeakEntryBytes = 8;   // float value, position
constexpr std::uint32_t ClipboardCodeBytes = 4;

const char* ClipboardLabel(std::uint32_t code) {
  switch (code) {
    case 1: case 7: case 13: return "Text: ";
    case 2: case 8: return "Bitmap: ";
    case 3: case 14: return "Metafile: ";
    case 11: return "RIFF: ";
    case 12: return "WAVE: ";
    default: return nullptr;
  }
}

}  // namespace

// PEAK: 0 u32 version, 4 u32 time stamp, then per channel a float peak value
// and a u32 position. The channel count comes from the length alone.
void DescribePeakChunk(std::uint32_t length, std::uint32_t depth) {
  std::int32_t version = ReadS32();
  NewLine(depth);
  Append("Version %d", version);
  Append(" (timestamp %d)", ReadS32());
  if (length < PeakHeaderBytes + PeakEntryBytes) return;

  std::uint32_t channels = (length - PeakHeaderBytes) / PeakEntryBytes;
  // Past a full report nothing more can show; stop reading there.
  for (std::uint32_t channel = 1; channel <= channels && !ReportIsFull(); ++channel) {
    std::uint32_t bits = ReadU32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    std::int32_t position = ReadS32();
    NewLine(depth);
    Append("Channel %u: %s dB @ %d", channel,
           FixedText(20.0 * std::log10(static_cast<double>(value)), 2).c_str(), position);
  }
}

// DISP: 0 u32 clipboard format, 4 the data.
void DescribeDisplayChunk(std::uint32_t length, std::uint32_t depth) {
  std::uint32_t code = ReadU32();
  NewLine(depth);
  if (const char* label = ClipboardLabel(code))
    AppendText(label);
  else
    Append("Clipboard format %d: ", static_cast<std::int32_t>(code));
  if (length > ClipboardCodeBytes) DumpQuotedText(length - ClipboardCodeBytes, 0);
}

// data: only its length is used; the samples are never read.
void DescribeDataChunk(std::uint32_t length, std::uint32_t depth) {
  double seconds = static_cast<double>(length) * SecondsPerByte;
  NewLine(depth);
  if (seconds >= 60.0)
    Append("%s min ", FixedText(std::floor(seconds * 0.016666666666666666), 0).c_str());
  Append("%s sec duration", FixedText(std::fmod(seconds, 60.0), 3).c_str());
}

// fact: 0 u32 sample count.
void DescribeFactChunk(std::uint32_t depth) {
  std::int32_t samples = ReadS32();
  NewLine(depth);
  Append("%d samples", samples);
}
