// The chunk report engine's public face: one call turns a file path into
// the report text.
#pragma once

#include <cstddef>
#include <string>

// Size of the report buffer, terminating NUL included. A report never holds
// more than ReportCapacity - 1 characters.
constexpr std::size_t ReportCapacity = 32768;

// The file a report is about. Its 8-bit text is the report's first line.
// On POSIX systems a file name is bytes, and the same bytes open the file.
// Windows names files in UTF-16, which 8-bit text cannot always hold: there
// the file is opened through its UTF-16 name when one is given, and the text
// is only what the path line shows (the name in the ANSI code page, as the
// shell's 8-bit calls give it). Given the text alone, Windows opens the file
// by that text read in the ANSI code page, as the system's 8-bit calls do.
struct ReportPath {
  ReportPath(const char* text) : Text(text) {}
  const char* Text;
#ifdef _WIN32
  ReportPath(const char* text, const wchar_t* name) : Text(text), Name(name) {}
  const wchar_t* Name = nullptr;
#endif
};

// Builds the report of the file at path and returns it: NUL-terminated
// Windows-1252 text with CR LF line breaks, after the path line, which holds
// the path's text as given. Each thread has a report buffer of its own: the
// text stays valid until the same thread begins its next report, whatever
// other threads build meanwhile. Reports on several threads run side by
// side; none waits for another's file.
const char* BuildReport(ReportPath path);

// Receives the JSON description of a report, piece by piece, as the report
// is built.
class JsonSink {
 public:
  virtual void Write(const char* bytes, std::size_t count) = 0;

 protected:
  ~JsonSink() = default;
};

// Builds the report of path as above and, in the same pass over the file,
// writes its JSON description to json: one object on one line, ended by a
// line feed. The report text is the same as without json. When the file
// cannot be opened nothing is written to json (see WriteJsonError).
const char* BuildReport(ReportPath path, JsonSink& json);

// Builds the report of path as above, with its JSON description written to
// json when json is given, and its Tags report appended to tags when tags is
// given, all in the same pass over the file. The Tags report is the file's
// tag chunks (iXML, XMP and the like at the top level of its form) decoded
// into sections of labelled lines, in file order: UTF-8 text with LF line
// breaks, each section begun by an empty line; nothing for a file without
// such chunks. Its path line is the caller's to write.
const char* BuildReport(ReportPath path, JsonSink* json, std::string* tags);

// Writes the JSON object of a file that could not be reported on: its path
// and why, as error.
void WriteJsonError(ReportPath path, const char* error, JsonSink& json);
