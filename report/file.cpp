// The engine's file layer: field reads from the file being reported, served
// from a read-ahead buffer so that a report costs a few large reads instead
// of one system call per field.
#include <atomic>
#include <cstring>

#include "platform_file.h"
#include "read_ahead.h"

namespace {

// A file whose rest fits the buffer is read whole; otherwise a first look
// takes a page's worth, which holds the chunk headers of most files without
// copying much of a large file's samples.
constexpr std::size_t ReadAheadBytes = 16384;
constexpr std::size_t FirstLookBytes = 4096;

// Each thread reads its own report's file.
thread_local std::uint64_t Position = 0;
thread_local std::uint64_t FileSize = 0;
thread_local bool ReadAheadEnabled = true;

// Bytes of the file from AheadStart, AheadLength of them.
thread_local unsigned char Ahead[ReadAheadBytes];
thread_local std::uint64_t AheadStart = 0;
thread_local std::size_t AheadLength = 0;
thread_local bool AheadFilled = false;
thread_local bool AheadAtEnd = false;  // the buffer ends where the file ended

// Set by tests only, for every thread.
std::atomic<void (*)()> BeforeRead{nullptr};

std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (void (*wait)() = BeforeRead.load(std::memory_order_acquire)) wait();
  return PlatformReadAt(offset, buffer, count);
}

}  // namespace

void SetReadAhead(bool enabled) { ReadAheadEnabled = enabled; }

void SetBeforeRead(void (*wait)()) { BeforeRead.store(wait, std::memory_order_release); }

bool OpenReportFile(ReportPath path) {
  Position = 0;
  AheadStart = 0;
  AheadLength = 0;
  AheadFilled = false;
  FileSize = 0;
  return PlatformOpen(path);
}

void CloseReportFile() { PlatformClose(); }

FileSummary SummariseReportFile() {
  FileSummary summary = PlatformSummary();
  FileSize = summary.size;
  return summary;
}

std::size_t ReadBytes(void* buffer, std::size_t count) {
  unsigned char* bytes = static_cast<unsigned char*>(buffer);
  // Most reads are of a few bytes that the buffer already holds.
  if (ReadAheadEnabled && AheadFilled && Position >= AheadStart &&
      Position - AheadStart + count <= AheadLength) {
    std::memcpy(bytes, Ahead + (Position - AheadStart), count);
    Position += count;
    return count;
  }
  std::size_t delivered;
  if (!ReadAheadEnabled || count > ReadAheadBytes) {
    delivered = ReadAt(Position, bytes, count);
  } else {
    bool inside = AheadFilled && Position >= AheadStart && Position - AheadStart <= AheadLength;
    std::size_t offset = inside ? static_cast<std::size_t>(Position - AheadStart) : 0;
    // A buffer that ended at the end of the file already holds all there is
    // to deliver.
    if (!inside || (AheadLength - offset < count && !AheadAtEnd)) {
      std::size_t wanted = ReadAheadBytes;
      if (FileSize > Position + ReadAheadBytes && count <= FirstLookBytes) wanted = FirstLookBytes;
      AheadStart = Position;
      AheadLength = ReadAt(Position, Ahead, wanted);
      AheadAtEnd = AheadLength < wanted;
      AheadFilled = true;
      offset = 0;
    }
    std::size_t available = AheadLength - offset;
    delivered = count < available ? count : available;
    std::memcpy(bytes, Ahead + offset, delivered);
  }
  if (delivered < count) std::memset(bytes + delivered, 0, count - delivered);
  Position += delivered;
  return delivered;
}

std::uint64_t ReportFileSize() { return FileSize; }

std::uint8_t ReadU8() {
  unsigned char byte[1];
  ReadBytes(byte, 1);
  return byte[0];
}

std::uint16_t ReadU16() {
  unsigned char bytes[2];
  ReadBytes(bytes, 2);
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t ReadU32() {
  unsigned char bytes[4];
  ReadBytes(bytes, 4);
  return FourCCValue(bytes);
}

std::int32_t ReadS32() { return static_cast<std::int32_t>(ReadU32()); }

std::uint64_t ReadU64() {
  std::uint64_t low = ReadU32();
  std::uint64_t high = ReadU32();
  return high << 32 | low;
}

std::uint64_t FilePosition() { return Position; }

void SeekFile(std::uint64_t position) { Position = position; }
