// setup.exe: installs tarvo for this machine in one run, or removes it.
//
// With no argument it copies tarvo.dll from the current working folder into
// the system directory, registers it as an in-process server, adds it to the
// shell's approved extensions and names it as the property sheet handler of
// the file type behind ".wav", then prints how to use it and waits for a key.
// With /uninstall it removes those entries and the library again.
//
// Every step's result is examined. A step that fails prints one line naming
// the step, its path or key and the system's message; the steps that do not
// need it still run, and the run ends with status 1 instead of the message
// of success. The key wait comes either way: a console window opened for
// setup alone must stay until its text has been read.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr char ClassIdText[] = "{899a4e00-2984-11d4-bb70-444553540000}";
constexpr DWORD ClassIdTextLength = sizeof ClassIdText - 1;
static_assert(ClassIdTextLength == 38);
// Appended to the system directory to make the library path; without its
// backslash it names the copy's source in the current working folder.
constexpr const char LibraryPathTail[] = "\\tarvo.dll";
constexpr const char* ClassKey = "CLSID\\{899a4e00-2984-11d4-bb70-444553540000}";
constexpr const char* ServerKey =
    "CLSID\\{899a4e00-2984-11d4-bb70-444553540000}\\InProcServer32";
// RegCreateKeyA refuses a path with a leading backslash (ERROR_BAD_PATHNAME)
// and creates nothing, so this one is relative to HKEY_LOCAL_MACHINE.
constexpr const char* ApprovedKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr const char* HandlerKeySuffix = "\\shellex\\PropertySheetHandlers\\Tarvo";
constexpr const char ThreadingModel[] = "Apartment";
constexpr const char* ClassesRoot = "HKEY_CLASSES_ROOT";
constexpr const char* LocalMachine = "HKEY_LOCAL_MACHINE";

// Every path and name setup builds lives in a buffer of this size, NUL
// included.
constexpr DWORD PathBufferSize = 256;

const char Usage[] =
    "usage: setup.exe [/uninstall]\n"
    "\n"
    "  setup.exe             copy tarvo.dll from the current folder into the\n"
    "                        system directory and register it as the property\n"
    "                        sheet handler of .wav files\n"
    "  setup.exe /uninstall  remove that registration and delete tarvo.dll from\n"
    "                        the system directory (at the next restart when it\n"
    "                        is in use)\n"
    "  setup.exe /?          show this text\n"
    "\n"
    "Run it from a console opened as administrator. Exit status: 0 done,\n"
    "1 a step failed, 2 an unknown argument.\n";

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

// What the steps of one run have met so far.
struct Outcome {
  bool failed = false;
  bool accessDenied = false;
};

// Prints the line of a failed step, "<step> failed: <the system's message>",
// the step given printf-style, and records the failure.
void StepFailed(Outcome& outcome, DWORD error, const char* format, ...) {
  outcome.failed = true;
  if (error == ERROR_ACCESS_DENIED) outcome.accessDenied = true;

  char reason[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, reason, sizeof reason, nullptr);
  while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n')) --length;
  if (length == 0) {
    std::snprintf(reason, sizeof reason, "error %lu", static_cast<unsigned long>(error));
  } else {
    reason[length] = 0;
  }

  char step[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(step, sizeof step, format, arguments);
  va_end(arguments);

  char line[sizeof step + sizeof reason + 16];
  std::snprintf(line, sizeof line, "\n    %s failed: %s", step, reason);
  Print(line);
}

// Appends tail to the text of the given length in buffer. Returns false,
// leaving the buffer as it was, when the result and its NUL do not fit.
bool AppendText(char (&buffer)[PathBufferSize], std::size_t length, const char* tail) {
  const std::size_t tailLength = std::strlen(tail);
  if (length >= PathBufferSize || tailLength >= PathBufferSize - length) return false;
  std::memcpy(buffer + length, tail, tailLength + 1);
  return true;
}

// The library path: the system directory and "\tarvo.dll".
bool GetLibraryPath(char (&libraryPath)[PathBufferSize], Outcome& outcome) {
  const UINT systemLength = GetSystemDirectoryA(libraryPath, PathBufferSize);
  if (systemLength == 0) {
    StepFailed(outcome, GetLastError(), "Finding the system directory");
    return false;
  }
  // A system directory that does not leave room for the file name gives no
  // library path; the steps that need one are skipped rather than given a
  // truncated path.
  if (systemLength >= PathBufferSize || !AppendText(libraryPath, systemLength, LibraryPathTail)) {
    StepFailed(outcome, ERROR_FILENAME_EXCED_RANGE,
               "Making the library path in the system directory");
    return false;
  }
  return true;
}

// Where a 32-bit setup's library really is on 64-bit Windows: its view of
// the system directory is redirected for files, but a deletion at restart is
// carried out by the system, which would take the path as the 64-bit
// library's.
bool GetScheduledPath(const char* libraryPath, char (&scheduledPath)[PathBufferSize]) {
  BOOL underWow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64) {
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

// A library already in the system directory is kept, not replaced, unless
// an uninstall left it there to be deleted at the next restart: kept, it
// would leave tarvo registered without its library after the restart.
void CopyLibrary(const char* libraryPath, Outcome& outcome) {
  if (CopyFileA(LibraryPathTail + 1, libraryPath, TRUE)) return;
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
    StepFailed(outcome, error, "Copying tarvo.dll from the current folder to %s", libraryPath);
    return;
  }
  char scheduledPath[PathBufferSize];
  if (!GetScheduledPath(libraryPath, scheduledPath) || !DeletionPending(scheduledPath)) return;
  outcome.failed = true;
  char line[PathBufferSize + 200];
  std::snprintf(line, sizeof line,
                "\n    Copying tarvo.dll from the current folder to %s failed: the file there is "
                "to be deleted when Windows restarts; restart Windows, then run setup again.",
                libraryPath);
  Print(line);
}

void SetDefaultValue(HKEY key, const char* keyName, const char* text, Outcome& outcome) {
  const LONG status =
      RegSetValueA(key, nullptr, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Setting the default value of %s\\%s", ClassesRoot, keyName);
  }
}

bool CreateKey(HKEY root, const char* keyName, HKEY& key, Outcome& outcome) {
  const LONG status = RegCreateKeyA(root, keyName, &key);
  if (status == ERROR_SUCCESS) return true;
  StepFailed(outcome, status, "Creating the registry key %s\\%s",
             root == HKEY_LOCAL_MACHINE ? LocalMachine : ClassesRoot, keyName);
  return false;
}

// The class registration and the approved entry: everything that names the
// library path.
void RegisterServer(const char* libraryPath, Outcome& outcome) {
  const DWORD pathLength = static_cast<DWORD>(std::strlen(libraryPath));
  HKEY key;

  if (CreateKey(HKEY_CLASSES_ROOT, ClassKey, key, outcome)) {
    SetDefaultValue(key, ClassKey, libraryPath, outcome);
    RegCloseKey(key);
  }

  if (CreateKey(HKEY_CLASSES_ROOT, ServerKey, key, outcome)) {
    SetDefaultValue(key, ServerKey, libraryPath, outcome);
    const LONG status =
        RegSetValueExA(key, "ThreadingModel", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(ThreadingModel), sizeof ThreadingModel);
    if (status != ERROR_SUCCESS) {
      StepFailed(outcome, status, "Setting the value ThreadingModel of %s\\%s", ClassesRoot,
                 ServerKey);
    }
    RegCloseKey(key);
  }

  // The byte count leaves out the NUL; the value is stored as a string all the same.
  if (CreateKey(HKEY_LOCAL_MACHINE, ApprovedKey, key, outcome)) {
    const LONG status = RegSetValueExA(key, ClassIdText, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(libraryPath), pathLength);
    if (status != ERROR_SUCCESS) {
      StepFailed(outcome, status, "Setting the value %s of %s\\%s", ClassIdText, LocalMachine,
                 ApprovedKey);
    }
    RegCloseKey(key);
  }
}

struct ExtensionKeyName {
  char text[PathBufferSize];
};

// The subkeys of HKEY_CLASSES_ROOT named ".wav" or ".WAV", matched byte for
// byte: ".Wav" is not ".wav". They are gathered first, so that removing keys
// afterwards cannot shift the enumeration's indexes.
std::vector<ExtensionKeyName> FindExtensionKeys(Outcome& outcome) {
  std::vector<ExtensionKeyName> found;
  ExtensionKeyName name;
  DWORD index = 0;
  LONG status;
  while ((status = RegEnumKeyA(HKEY_CLASSES_ROOT, index, name.text, PathBufferSize)) ==
         ERROR_SUCCESS) {
    if (std::strcmp(name.text, ".wav") == 0 || std::strcmp(name.text, ".WAV") == 0) {
      found.push_back(name);
    }
    ++index;
  }
  if (status != ERROR_NO_MORE_ITEMS) {
    StepFailed(outcome, status, "Listing the keys of %s", ClassesRoot);
  }
  return found;
}

// The handler key path under the file type that the extension key points
// to. An extension key without a file type name gets none: an empty name
// would put the handler at the root of HKEY_CLASSES_ROOT. Neither that nor a
// name too long for the path buffer is a failure of setup; only a read that
// fails for another reason is. (RegQueryValueA reads a missing default
// value as an empty one, but some systems may answer "not found" instead.)
bool GetHandlerKey(const char* extensionKey, char (&handlerKey)[PathBufferSize],
                   Outcome& outcome) {
  LONG size = PathBufferSize;
  const LONG status = RegQueryValueA(HKEY_CLASSES_ROOT, extensionKey, handlerKey, &size);
  if (status == ERROR_MORE_DATA || status == ERROR_FILE_NOT_FOUND) return false;
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Reading the file type of %s\\%s", ClassesRoot, extensionKey);
    return false;
  }
  const std::size_t length = strnlen(handlerKey, PathBufferSize);
  return length != 0 && AppendText(handlerKey, length, HandlerKeySuffix);
}

// Names the class as property sheet handler of the file type behind each
// ".wav" or ".WAV" key.
void RegisterHandlers(Outcome& outcome) {
  for (const ExtensionKeyName& extension : FindExtensionKeys(outcome)) {
    char handlerKey[PathBufferSize];
    if (!GetHandlerKey(extension.text, handlerKey, outcome)) continue;
    HKEY key;
    if (CreateKey(HKEY_CLASSES_ROOT, handlerKey, key, outcome)) {
      SetDefaultValue(key, handlerKey, ClassIdText, outcome);
      RegCloseKey(key);
    }
  }
}

// On 64-bit Windows a file type's keys are shared by 32-bit and 64-bit
// programs (only a few keys, CLSID among them, have one view per width), so
// the handler key may serve the tarvo of the other width too. Names that
// width when its class is registered, else returns null.
const char* OtherWidthStillRegistered() {
#ifdef _WIN64
  const REGSAM otherView = KEY_WOW64_32KEY;
  const char* otherWidth = "32-bit";
#else
  BOOL underWow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &underWow64) || !underWow64) return nullptr;
  const REGSAM otherView = KEY_WOW64_64KEY;
  const char* otherWidth = "64-bit";
#endif
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ClassKey, 0, KEY_QUERY_VALUE | otherView, &key) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  RegCloseKey(key);
  return otherWidth;
}

// Removes the handler key, but only when it names tarvo's class: a key of
// the same name that another program wrote is left alone, and so is one
// that the tarvo of the other width still needs. The keys on its path that
// are left with nothing in them, up to the file type's own key, go too, so
// that an install and an uninstall leave the registry as it was.
void UnregisterHandler(char (&handlerKey)[PathBufferSize], const char* otherWidth,
                       Outcome& outcome) {
  HKEY key;
  LONG status = RegOpenKeyExA(HKEY_CLASSES_ROOT, handlerKey, 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_FILE_NOT_FOUND) return;
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Opening the registry key %s\\%s", ClassesRoot, handlerKey);
    return;
  }
  char value[ClassIdTextLength + 2] = {};
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_MORE_DATA) return;
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Reading the default value of %s\\%s", ClassesRoot, handlerKey);
    return;
  }
  if (type != REG_SZ || std::strcmp(value, ClassIdText) != 0) return;
  if (otherWidth != nullptr) {
    char line[PathBufferSize + 100];
    std::snprintf(line, sizeof line, "\n    %s\\%s is kept: the %s tarvo still uses it.",
                  ClassesRoot, handlerKey, otherWidth);
    Print(line);
    return;
  }

  status = RegDeleteKeyA(HKEY_CLASSES_ROOT, handlerKey);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    StepFailed(outcome, status, "Removing the registry key %s\\%s", ClassesRoot, handlerKey);
    return;
  }

  // "<file type>\shellex\PropertySheetHandlers", "<file type>\shellex",
  // "<file type>": each removed only while it holds no key and no value.
  for (int level = 0; level < 3; ++level) {
    char* separator = std::strrchr(handlerKey, '\\');
    if (separator == nullptr) return;
    *separator = 0;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, handlerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
      return;
    }
    DWORD subkeys = 1;
    DWORD values = 1;
    status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                              nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || subkeys != 0 || values != 0) return;
    if (RegDeleteKeyA(HKEY_CLASSES_ROOT, handlerKey) != ERROR_SUCCESS) return;
  }
}

void UnregisterServer(Outcome& outcome) {
  HKEY key;
  LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ApprovedKey, 0, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) {
    status = RegDeleteValueA(key, ClassIdText);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      StepFailed(outcome, status, "Removing the value %s of %s\\%s", ClassIdText, LocalMachine,
                 ApprovedKey);
    }
    RegCloseKey(key);
  } else if (status != ERROR_FILE_NOT_FOUND) {
    StepFailed(outcome, status, "Opening the registry key %s\\%s", LocalMachine, ApprovedKey);
  }

  status = RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    StepFailed(outcome, status, "Removing the registry key %s\\%s", ClassesRoot, ClassKey);
  }
}

// Deletes the library, or, when it cannot be deleted now because a program
// (the shell) has it loaded, has the system delete it at the next restart.
void DeleteLibrary(const char* libraryPath, Outcome& outcome) {
  if (DeleteFileA(libraryPath)) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return;
  char scheduledPath[PathBufferSize];
  if ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) &&
      GetScheduledPath(libraryPath, scheduledPath) &&
      MoveFileExA(scheduledPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    char line[PathBufferSize + 80];
    std::snprintf(line, sizeof line,
                  "\n    %s is in use: it will be deleted when Windows restarts.", scheduledPath);
    Print(line);
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
// exit status.
int Finish(const Outcome& outcome, const char* const* successMessages, const char* failureMessage) {
  if (outcome.failed) {
    if (outcome.accessDenied) {
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

int Install() {
  Outcome outcome;
  char libraryPath[PathBufferSize];
  if (GetLibraryPath(libraryPath, outcome)) {
    CopyLibrary(libraryPath, outcome);
    RegisterServer(libraryPath, outcome);
  }
  RegisterHandlers(outcome);

  static const char* const Installed[] = {
      "\n    tarvo is now installed!",
      "\n",
      "\n    To use: Right-click a .WAV file in Explorer    ",
      "\n    and select \"Properties\" then the \"Info\" tab. ",
      nullptr,
  };
  return Finish(outcome, Installed, "\n    Setup failed.");
}

// The handler keys go first, so that the shell stops asking for the class
// before the class goes; the library goes last, so that no entry is left
// naming a library that is already gone.
int Uninstall() {
  Outcome outcome;
  const char* otherWidth = OtherWidthStillRegistered();
  for (const ExtensionKeyName& extension : FindExtensionKeys(outcome)) {
    char handlerKey[PathBufferSize];
    if (GetHandlerKey(extension.text, handlerKey, outcome)) {
      UnregisterHandler(handlerKey, otherWidth, outcome);
    }
  }
  UnregisterServer(outcome);
  char libraryPath[PathBufferSize];
  if (GetLibraryPath(libraryPath, outcome)) DeleteLibrary(libraryPath, outcome);

  static const char* const Uninstalled[] = {"\n    tarvo is now uninstalled.", nullptr};
  return Finish(outcome, Uninstalled, "\n    Uninstall failed.");
}

bool IsOption(const char* argument, const char* name) {
  return (argument[0] == '/' || argument[0] == '-') && lstrcmpiA(argument + 1, name) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return Install();
  if (argc == 2 && IsOption(argv[1], "uninstall")) return Uninstall();
  if (argc == 2 && IsOption(argv[1], "?")) {
    std::fputs(Usage, stdout);
    return 0;
  }
  // "/uninstall /uninstall" names its second argument, not its first.
  const bool firstKnown = IsOption(argv[1], "uninstall") || IsOption(argv[1], "?");
  std::fprintf(stderr, "setup.exe: unexpected argument %s\n%s", argv[firstKnown ? 2 : 1], Usage);
  return 2;
}
