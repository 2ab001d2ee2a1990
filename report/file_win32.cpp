// Win32 file calls of the engine's file layer.
#include <windows.h>

#include "platform_file.h"

namespace {

// The open file of this thread's report.
thread_local HANDLE ReportFile = INVALID_HANDLE_VALUE;
thread_local std::uint64_t FilePointer = 0;  // where the system's file pointer stands

// The UTF-16 form of a path given as 8-bit text alone; as long as the
// longest name the system takes (too large for the stack of a shell thread).
thread_local wchar_t NameFromText[32768];

}  // namespace

bool PlatformOpen(ReportPath path) {
  const wchar_t* name = path.Name;
  if (!name) {
    // Read as the system's 8-bit calls read a name; text that does not fit
    // names no file that could be opened.
    if (!MultiByteToWideChar(CP_ACP, 0, path.Text, -1, NameFromText,
                             sizeof NameFromText / sizeof NameFromText[0]))
      return false;
    name = NameFromText;
  }
  // A directory cannot be opened this way (that needs backup semantics).
  HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Devices, pipes and consoles open too, but a read from them may wait for
  // ever: only disk files are reported.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return false;
  }
  ReportFile = file;
  FilePointer = 0;
  return true;
}

void PlatformClose() {
  if (ReportFile != INVALID_HANDLE_VALUE) CloseHandle(ReportFile);
  ReportFile = INVALID_HANDLE_VALUE;
}

std::size_t PlatformReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset != FilePointer) {
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(ReportFile, target, nullptr, FILE_BEGIN)) return 0;
    FilePointer = offset;
  }
  std::size_t delivered = 0;
  char* bytes = static_cast<char*>(buffer);
  while (delivered < count) {
    DWORD asked = static_cast<DWORD>(count - delivered);
    DWORD got = 0;
    if (!ReadFile(ReportFile, bytes + delivered, asked, &got, nullptr) || got == 0) break;
    delivered += got;
    // A disk file delivers less than asked only at its end.
    if (got < asked) break;
  }
  FilePointer += delivered;
  return delivered;
}

FileSummary PlatformSummary() {
  FileSummary summary{};
  LARGE_INTEGER size;
  if (GetFileSizeEx(ReportFile, &size)) summary.size = static_cast<std::uint64_t>(size.QuadPart);
  FILETIME written;
  SYSTEMTIME fields;
  if (GetFileTime(ReportFile, nullptr, nullptr, &written) &&
      FileTimeToSystemTime(&written, &fields)) {
    summary.year = fields.wYear;
    summary.month = fields.wMonth;
    summary.day = fields.wDay;
    summary.hour = fields.wHour;
    summary.minute = fields.wMinute;
    summary.second = fields.wSecond;
  }
  return summary;
}
