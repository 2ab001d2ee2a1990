// What the command finds at a path given to it.
#pragma once

#include <string>
#include <vector>

// True when path names a directory.
bool IsDirectory(const std::string& path);

// Appends every file below directory (at any depth) whose name ends in .wav,
// in any letter case. Returns false, with reason set, when the directory or
// one below it cannot be read.
bool FindWaveFiles(const std::string& directory, std::vector<std::string>& files,
                   std::string& reason);

// Why path cannot be opened for reading, in the system's words.
std::string OpenFailureReason(const std::string& path);
