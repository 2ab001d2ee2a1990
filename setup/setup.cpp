// setup.exe: installs tarvo in one run, or removes it.
//
// With no argument it copies tarvo.dll from the current working folder into
// the system directory and registers it for the whole machine: as an
// in-process server, among the shell's approved extensions, and as the
// property sheet handler of WAVE files (registration.h), then prints how to
// use it and waits for a key. With /user it copies the library into the
// user's own program folder instead and registers it for the current user
// alone, which needs no administrator rights. With /uninstall it removes
// those entries and the library again. Every run first deletes what an
// earlier per-user run renamed aside because it was in use.
//
// Every step's result is examined. A step that fails prints one line naming
// the step, its path or key and the system's message; the steps that do not
// need it still run, and the run ends with status 1 instead of the message
// of success. The key wait comes either way: a console window opened for
// setup alone must stay until its text has been read.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "registration.h"

namespace {

// Appended to the system directory to make the library path; without its
// backslash it names the copy's source in the current working folder.
constexpr const char LibraryPathTail[] = "\\tarvo.dll";
// Appended to the user's local application data folder. The 32-bit library
// on 64-bit Windows has a folder of its own: the 64-bit one may be
// installed for the same user, and the two widths cannot share one file.
constexpr const char UserLibraryTail[] = "\\Programs\\tarvo\\tarvo.dll";
constexpr const char UserWow64LibraryTail[] = "\\Programs\\tarvo\\x86\\tarvo.dll";

const char Usage[] =
    "usage: setup.exe [/uninstall]\n"
    "       setup.exe /user [/uninstall]\n"
    "\n"
    "  setup.exe             copy tarvo.dll from the current folder into the\n"
    "                        system directory and register it as the property\n"
    "                        sheet handler of .wav files\n"
    "  setup.exe /uninstall  remove that registration and delete tarvo.dll from\n"
    "                        the system directory (at the next restart when it\n"
    "                        is in use)\n"
    "  setup.exe /user       the same for the current user alone, without\n"
    "                        administrator rights: tarvo.dll goes into\n"
    "                        %LOCALAPPDATA%\\Programs\\tarvo\n"
    "  setup.exe /user /uninstall\n"
    "                        remove what setup.exe /user installed (renaming\n"
    "                        tarvo.dll when it is in use, for the next run of\n"
    "                        setup to delete)\n"
    "  setup.exe /?          show this text\n"
    "\n"
    "Without /user, run it from a console opened as administrator. Exit\n"
    "status: 0 done, 1 a step failed, 2 an unknown argument.\n";

// Writes one message. On a console every message must be on the screen
// before the key wait; into a file or a pipe, ordinary buffering will do.
void Print(const char* text) {
  static const bool toConsole = [] {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  }();
  std::fputs(text, stdout);
  if (toConsole) std::fflush(stdout);
}

// Where the library goes. The folders in path after ownFoldersAt are made
// by setup for the library alone: none in the system directory.
struct LibraryPlace {
  char path[PathBufferSize];
  std::size_t ownFoldersAt;
};

// The library path: the system directory and "\tarvo.dll"; for the user,
// the local application data folder and "\Programs\tarvo\tarvo.dll".
bool GetLibraryPath(RegistrationScope scope, LibraryPlace& library, Outcome& outcome) {
  if (scope == RegistrationScope::User) {
    wchar_t folder[MAX_PATH];
    HRESULT result = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                      folder);
    const DWORD error = FAILED(result) ? HRESULT_CODE(result) : ToAnsiPath(folder, library.path);
    if (error != ERROR_SUCCESS) {
      StepFailed(outcome, error, "Finding the local application data folder");
      return false;
    }
    library.ownFoldersAt = std::strlen(library.path);
    if (!AppendText(library.path, library.ownFoldersAt,
                    RunsUnderWow64() ? UserWow64LibraryTail : UserLibraryTail)) {
      StepFailed(outcome, ERROR_FILENAME_EXCED_RANGE,
                 "Making the library path in the local application data folder");
      return false;
    }
    return true;
  }
  const UINT systemLength = GetSystemDirectoryA(library.path, PathBufferSize);
  if (systemLength == 0) {
    StepFailed(outcome, GetLastError(), "Finding the system directory");
    return false;
  }
  // A system directory that does not leave room for the file name gives no
  // library path; the steps that need one are skipped rather than given a
  // truncated path.
  if (systemLength >= PathBufferSize || !AppendText(library.path, systemLength, LibraryPathTail)) {
    StepFailed(outcome, ERROR_FILENAME_EXCED_RANGE,
               "Making the library path in the system directory");
    return false;
  }
  library.ownFoldersAt = systemLength;
  return true;
}

// Makes the library's own folders, outermost first.
bool MakeLibraryFolders(const LibraryPlace& library, Outcome& outcome) {
  const char* const path = library.path;
  for (const char* separator = std::strchr(path + library.ownFoldersAt + 1, '\\');
       separator != nullptr; separator = std::strchr(separator + 1, '\\')) {
    const std::string folder(path, separator);
    if (CreateDirectoryA(folder.c_str(), nullptr)) continue;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) {
      StepFailed(outcome, error, "Creating the folder %s", folder.c_str());
      return false;
    }
  }
  return true;
}

// Removes the library's own folders, innermost first, as far as they are
// empty.
void RemoveLibraryFolders(const LibraryPlace& library) {
  std::string folder = library.path;
  for (std::size_t separator = folder.rfind('\\');
       separator != std::string::npos && separator > library.ownFoldersAt;
       separator = folder.rfind('\\')) {
    folder.resize(separator);
    if (!RemoveDirectoryA(folder.c_str())) return;
  }
}

// Where the library really is, for the system: a 32-bit setup's view of
// the system directory on 64-bit Windows is redirected for files, but a
// deletion at restart is carried out by the system, which would take the
// path as the 64-bit library's.
bool GetScheduledPath(RegistrationScope scope, const char* libraryPath,
                      char (&scheduledPath)[PathBufferSize]) {
  if (scope == RegistrationScope::Machine && RunsUnderWow64()) {
    const UINT length = GetSystemWow64DirectoryA(scheduledPath, PathBufferSize);
    return length > 0 && length < PathBufferSize &&
           AppendText(scheduledPath, length, LibraryPathTail);
  }
  std::strcpy(scheduledPath, libraryPath);
  return true;
}

// Whether the system is to delete the file at path when it restarts: the
// list holds pairs of names, the file's and its new one, empty for a
// deletion.
bool DeletionPending(const char* path) {
  constexpr const char* ListName = "PendingFileRenameOperations";
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD size = 0;
  std::vector<char> list;
  LONG status = RegQueryValueExA(key, ListName, nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS && type == REG_MULTI_SZ) {
    list.assign(size + 2, 0);  // the NULs a value may lack
    status = RegQueryValueExA(key, ListName, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(list.data()), &size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || list.empty()) return false;
  const char* const end = list.data() + size;
  for (const char* name = list.data(); name < end && *name != 0;) {
    const char* newName = name + std::strlen(name) + 1;
    if (newName >= end) break;
    if (*newName == 0 && std::strncmp(name, "\\??\\", 4) == 0 && lstrcmpiA(name + 4, path) == 0) {
      return true;
    }
    name = newName + std::strlen(newName) + 1;
  }
  return false;
}

// A library already in its place is kept, not replaced, unless an
// uninstall left it there to be deleted at the next restart: kept, it would
// leave tarvo registered without its library after the restart.
void CopyLibrary(RegistrationScope scope, const LibraryPlace& library, Outcome& outcome) {
  const char* const libraryPath = library.path;
  if (!MakeLibraryFolders(library, outcome)) return;
  if (CopyFileA(LibraryPathTail + 1, libraryPath, TRUE)) return;
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
    StepFailed(outcome, error, "Copying tarvo.dll from the current folder to %s", libraryPath);
    return;
  }
  char scheduledPath[PathBufferSize];
  if (!GetScheduledPath(scope, libraryPath, scheduledPath) || !DeletionPending(scheduledPath)) {
    return;
  }
  outcome.failed = true;
  PrintNote(outcome,
            "Copying tarvo.dll from the current folder to %s failed: the file there is to be "
            "deleted when Windows restarts; restart Windows, then run setup again.",
            libraryPath);
}

// A per-user library that a program (the shell) has loaded cannot be
// deleted, and only an administrator may have Windows delete it at the next
// restart; but it may be renamed. It is renamed in its own folder to its
// name followed by ".<number>.old", and deleted by a later run of setup.
constexpr const char LeftoverPattern[] = ".*.old";
constexpr int MostLeftovers = 99;

// Renames the library to the first free leftover name; its file name is
// then put in asideName.
bool RenameAside(const char* libraryPath, char (&asideName)[PathBufferSize]) {
  const std::size_t length = std::strlen(libraryPath);
  for (int number = 1; number <= MostLeftovers; ++number) {
    char asidePath[PathBufferSize];
    char tail[16];
    std::snprintf(tail, sizeof tail, ".%d.old", number);
    std::memcpy(asidePath, libraryPath, length + 1);
    if (!AppendText(asidePath, length, tail)) return false;
    if (MoveFileExA(libraryPath, asidePath, 0)) {
      std::strcpy(asideName, std::strrchr(asidePath, '\\') + 1);
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

// Deletes the leftovers of the user's library that no program has loaded
// any more, and the library's own folders when that leaves them empty.
// Every run does so first; one still loaded waits for a later run.
void DeleteLeftovers() {
  Outcome unprinted;
  LibraryPlace library;
  char pattern[PathBufferSize];
  if (!GetLibraryPath(RegistrationScope::User, library, unprinted)) return;
  std::memcpy(pattern, library.path, sizeof pattern);
  if (!AppendText(pattern, std::strlen(pattern), LeftoverPattern)) return;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  const std::string folder(library.path, std::strrchr(library.path, '\\') + 1);
  bool deleted = false;
  do {
    if (DeleteFileA((folder + found.cFileName).c_str())) deleted = true;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  if (deleted) RemoveLibraryFolders(library);
}

// Deletes the library and its own folders. When a program (the shell) has
// it loaded, the machine's is deleted by the system at the next restart,
// and the user's is renamed aside for a later run of setup to delete.
void DeleteLibrary(RegistrationScope scope, const LibraryPlace& library, Outcome& outcome) {
  const char* const libraryPath = library.path;
  if (DeleteFileA(libraryPath)) {
    RemoveLibraryFolders(library);
    return;
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) {
    RemoveLibraryFolders(library);
    return;
  }
  const bool inUse = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
  char asideName[PathBufferSize];
  if (inUse && scope == RegistrationScope::User && RenameAside(libraryPath, asideName)) {
    PrintNote(outcome, "%s is in use: renamed %s, it will be deleted the next time setup runs.",
              libraryPath, asideName);
    return;
  }
  char scheduledPath[PathBufferSize];
  if (inUse && scope == RegistrationScope::Machine &&
      GetScheduledPath(scope, libraryPath, scheduledPath) &&
      MoveFileExA(scheduledPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    PrintNote(outcome, "%s is in use: it will be deleted when Windows restarts.", scheduledPath);
    return;
  }
  StepFailed(outcome, error, "Deleting %s", libraryPath);
}

// Keys that end the wait although they carry no character. Shift, Ctrl,
// Alt and the lock keys carry none either and are not among these, so
// pressing one alone does not end the wait.
bool IsNavigationOrFunctionKey(WORD key) {
  return (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE ||
         key == VK_CLEAR || (key >= VK_F1 && key <= VK_F24);
}

bool IsKeyPress(const INPUT_RECORD& record) {
  if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) return false;
  const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  return key.uChar.AsciiChar != 0 || IsNavigationOrFunctionKey(key.wVirtualKeyCode);
}

// Pause between looks at an input queue that holds only events that do not
// end the wait (a Shift press, mouse moves): the input handle stays signalled
// while they are queued, so waiting on it would return at once.
constexpr DWORD IgnoredInputPauseMs = 50;

// Waits until a key press is pending on the console input, and leaves it
// there: events are only peeked at, never read. Without a console on
// standard input there is nothing to wait for.
void WaitForKeyPress() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (!GetConsoleMode(input, &mode)) return;

  std::vector<INPUT_RECORD> records;
  for (;;) {
    DWORD pending = 0;
    if (!GetNumberOfConsoleInputEvents(input, &pending)) return;
    if (pending == 0) {
      if (WaitForSingleObject(input, INFINITE) != WAIT_OBJECT_0) Sleep(IgnoredInputPauseMs);
      continue;
    }
    records.resize(pending);
    DWORD peeked = 0;
    if (!PeekConsoleInputA(input, records.data(), pending, &peeked)) return;
    for (DWORD i = 0; i < peeked; ++i) {
      if (IsKeyPress(records[i])) return;
    }
    Sleep(IgnoredInputPauseMs);
  }
}

// The end of every run: what came of it, the prompt, the key wait, and the
// exit status. Access refused to a machine-wide run means it lacks the
// administrator's rights; a per-user run needs none, so that advice is not
// for it.
int Finish(RegistrationScope scope, const Outcome& outcome, const char* const* successMessages,
           const char* failureMessage) {
  if (outcome.failed) {
    if (outcome.accessDenied && scope == RegistrationScope::Machine) {
      Print("\n    Setup must be run from a console opened as administrator.");
    }
    Print("\n");
    Print(failureMessage);
  } else {
    for (; *successMessages != nullptr; ++successMessages) Print(*successMessages);
  }
  Print("\n");
  Print("\n    press a key to exit setup program...");
  Print("\n");
  WaitForKeyPress();
  return outcome.failed ? 1 : 0;
}

int Install(RegistrationScope scope) {
  DeleteLeftovers();
  Outcome outcome;
  outcome.print = Print;
  LibraryPlace library;
  const bool placed = GetLibraryPath(scope, library, outcome);
  if (placed) CopyLibrary(scope, library, outcome);
  Register(scope, placed ? library.path : nullptr, outcome);
  NotifyShell(outcome);

  static const char* const Installed[] = {
      "\n    tarvo is now installed!",
      "\n",
      "\n    To use: Right-click a .WAV file in Explorer    ",
      "\n    and select \"Properties\" then the \"Info\" tab. ",
      nullptr,
  };
  return Finish(scope, outcome, Installed, "\n    Setup failed.");
}

// The library goes last, so that no entry is left naming a library that is
// already gone.
int Uninstall(RegistrationScope scope) {
  DeleteLeftovers();
  Outcome outcome;
  outcome.print = Print;
  Unregister(scope, outcome);
  NotifyShell(outcome);
  LibraryPlace library;
  if (GetLibraryPath(scope, library, outcome)) DeleteLibrary(scope, library, outcome);

  static const char* const Uninstalled[] = {"\n    tarvo is now uninstalled.", nullptr};
  return Finish(scope, outcome, Uninstalled, "\n    Uninstall failed.");
}

bool IsOption(const char* argument, const char* name) {
  return (argument[0] == '/' || argument[0] == '-') && lstrcmpiA(argument + 1, name) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && IsOption(argv[1], "?")) {
    std::fputs(Usage, stdout);
    return 0;
  }
  // /user and /uninstall, each at most once, in either order. What is named
  // as unexpected is the first argument that is neither, or the second of
  // a pair; /? goes alone, so beside another it names that other.
  bool user = false;
  bool uninstall = false;
  const char* unexpected = nullptr;
  for (int i = 1; i < argc && unexpected == nullptr; ++i) {
    if (IsOption(argv[i], "user") && !user) {
      user = true;
    } else if (IsOption(argv[i], "uninstall") && !uninstall) {
      uninstall = true;
    } else {
      unexpected = i == 1 && IsOption(argv[i], "?") ? argv[2] : argv[i];
    }
  }
  if (unexpected != nullptr) {
    std::fprintf(stderr, "setup.exe: unexpected argument %s\n%s", unexpected, Usage);
    return 2;
  }
  const RegistrationScope scope = user ? RegistrationScope::User : RegistrationScope::Machine;
  return uninstall ? Uninstall(scope) : Install(scope);
}
