// What the command finds at a path given to it, and the forms in which it
// shows the path.
#pragma once

#include <string>
#include <vector>

#include "report.h"

// A path as the command takes it. POSIX systems name files in bytes;
// Windows names them in UTF-16, which holds a name in any script.
#ifdef _WIN32
using PathName = std::wstring;
#else
using PathName = std::string;
#endif

// Builds the report of the file at path on the calling thread and
// sets pathLine to the text of its first line: the path's bytes on POSIX
// systems; on Windows the name in the ANSI code page, as the shell's 8-bit
// calls give it, so that the report is the Info page's byte for byte. With
// json, its JSON description goes there in the same pass, and with tags its
// Tags report.
const char* ReportOf(const PathName& path, std::string& pathLine, JsonSink* json = nullptr,
                     std::string* tags = nullptr);

// Writes the JSON object of a path that could not be reported on.
void WriteJsonErrorOf(const PathName& path, const std::string& reason, JsonSink& json);

// The path as the command's UTF-8 output and its messages name it: its
// bytes as given on POSIX systems, the UTF-8 form on Windows.
std::string PathText(const PathName& path);

// A name read from a list of paths: its bytes on POSIX systems; on Windows
// it is read as UTF-8.
PathName PathFromList(const std::string& name);

// True when path names a directory.
bool IsDirectory(const PathName& path);

// Appends every file below directory (at any depth) whose name ends in .wav
// or .bwf, in any letter case. Returns false, with reason set, when the directory or
// one below it cannot be read.
bool FindWaveFiles(const PathName& directory, std::vector<PathName>& files,
                   std::string& reason);

// Sorts paths into the order in which their reports are printed: by the
// bytes of their path lines.
void SortByPathLine(std::vector<PathName>& paths);

// Why path cannot be opened for reading, in the system's words.
std::string OpenFailureReason(const PathName& path);
