// The registry entries that make the shell load tarvo.dll as the property
// sheet handler of WAVE files, written and removed for the whole machine or
// for the current user. setup.exe and tarvo.dll's own registration functions
// (regsvr32) both use this code; setup.exe never loads the library.
#pragma once

#include <windows.h>

#include <cstddef>

// Every path and name setup builds lives in a buffer of this size, NUL
// included.
constexpr DWORD PathBufferSize = 256;

enum class RegistrationScope {
  // HKEY_LOCAL_MACHINE\Software\Classes and the machine's list of approved
  // extensions: every user's shell, and programs running as administrator.
  Machine,
  // HKEY_CURRENT_USER\Software\Classes and the user's own approved list:
  // this user's shell only, written without administrator rights.
  User,
};

// What the steps of one run have met so far. A step that fails, and a note
// on an entry left in place, are written as a line through print when it is
// set; the library has no console and leaves it null.
struct Outcome {
  void (*print)(const char* text) = nullptr;
  bool failed = false;
  bool accessDenied = false;
  // The system's code for the first step that failed.
  DWORD firstError = ERROR_SUCCESS;
  // Whether a registry entry was written or removed: only then is the shell
  // told that associations changed.
  bool changed = false;
};

// Records a failed step and prints "<step> failed: <the system's message>",
// the step given printf-style.
void StepFailed(Outcome& outcome, DWORD error, const char* format, ...);

// Prints one line of its own, beginning with a line feed and four blanks.
void PrintNote(Outcome& outcome, const char* format, ...);

// Appends tail to the text of the given length in buffer. Returns false,
// leaving the buffer as it was, when the result and its NUL do not fit.
bool AppendText(char (&buffer)[PathBufferSize], std::size_t length, const char* tail);

// Whether this is a 32-bit program on 64-bit Windows.
bool RunsUnderWow64();

// A path from the system in UTF-16, as the 8-bit text the registry entries
// hold. Fails with ERROR_NO_UNICODE_TRANSLATION when the ANSI code page
// lacks one of its characters (a registered path with a '?' in place of one
// would name no file), and with ERROR_FILENAME_EXCED_RANGE when it is too
// long.
DWORD ToAnsiPath(const wchar_t* path, char (&text)[PathBufferSize]);

// Writes the class registration and the approved entry naming libraryPath
// (skipped when it is null), then the handler keys: under the file type that
// the ".wav" key of the scope's classes names (in any letter case; for the
// user, the machine's key when the user has none), and under
// SystemFileAssociations\.wav and \.bwf, which the shell of Windows 8 and
// later reads whatever program the user has chosen to play the file.
void Register(RegistrationScope scope, const char* libraryPath, Outcome& outcome);

// Removes what Register writes, each entry only where it names tarvo, and
// the keys on its path that this leaves empty. The handler keys go first,
// so that the shell stops asking for the class before the class goes.
void Unregister(RegistrationScope scope, Outcome& outcome);

// Tells the shell that file associations changed, when the run changed any,
// so that the page appears or goes without a restart.
void NotifyShell(const Outcome& outcome);
