// The chunk report engine's public face: one call turns a file path into
// the report text.
#pragma once

#include <cstddef>
#include <mutex>

// Size of the report buffer, terminating NUL included. A report never holds
// more than ReportCapacity - 1 characters.
constexpr std::size_t ReportCapacity = 32768;

// Builds the report of the file at path (a NUL-terminated 8-bit string) and
// returns it: NUL-terminated Windows-1252 text with CR LF line breaks. The
// text lives in the engine's one buffer and stays valid until the next
// report begins; hold ReportLock() while copying it out.
const char* BuildReport(const char* path);

// The lock that serialises reports. BuildReport takes it itself; a caller
// that copies the text out holds it from before BuildReport until the copy
// is made. It is recursive, so holding it across BuildReport is allowed.
std::recursive_mutex& ReportLock();
