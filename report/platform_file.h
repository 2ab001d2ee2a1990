// The platform's file calls, as the engine's file layer uses them. Each
// thread has one file open at a time, its report's. Implemented with Win32 calls on Windows and POSIX calls
// elsewhere; both behave the same.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine.h"

// Opens path read-only, sharing it with readers only. Fails for anything
// that is not a regular file (a directory in particular).
bool PlatformOpen(ReportPath path);
void PlatformClose();

// Reads up to count bytes at offset; returns how many the file delivered
// (fewer only at its end).
std::size_t PlatformReadAt(std::uint64_t offset, void* buffer, std::size_t count);

// Size and last-write time (UTC, whole seconds) of the open file.
FileSummary PlatformSummary();
