// The two ways the command goes through its paths: one after the other on
// the main thread, or on several threads at once. Both print the same bytes
// in the same order and return the same exit status: 0, or 1 when a path
// could not be opened, a folder or list could not be read, or the output
// could not be written.
#pragma once

#include "output.h"
#include "path_list.h"

int RunInOrder(PathSource& source, Mode mode);

// A report made ahead of its turn is held in memory up to this many bytes;
// past them its thread waits for its turn, and then writes straight to
// standard output, so a JSON description of any length streams.
constexpr std::size_t HeldOutputBytes = 128 * 1024;
// Reports made ahead of the one being printed, per thread: with the bytes
// above, at most 4 MiB of output per thread wait for their turn.
constexpr unsigned HeldReportsPerThread = 32;

int RunOnThreads(PathSource& source, Mode mode, unsigned threads);
