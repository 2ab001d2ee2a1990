// setup.exe: installs tarvo for this machine in one run, with no arguments.
//
// Copies tarvo.dll from the current working folder into the system
// directory, registers it as an in-process server, adds it to the shell's
// approved extensions and names it as the property sheet handler of the
// file type behind ".wav", then prints how to use it and waits for a key.
//
// No step's result stops the later steps, and the exit status is always 0:
// setup is run once by hand, from a console, and says nothing about errors.
#include <windows.h>

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

// Every path and name setup builds lives in a buffer of this size, NUL
// included.
constexpr DWORD PathBufferSize = 256;

// Appends tail to the text of the given length in buffer. Returns false,
// leaving the buffer as it was, when the result and its NUL do not fit.
bool AppendText(char (&buffer)[PathBufferSize], std::size_t length, const char* tail) {
  const std::size_t tailLength = std::strlen(tail);
  if (length >= PathBufferSize || tailLength >= PathBufferSize - length) return false;
  std::memcpy(buffer + length, tail, tailLength + 1);
  return true;
}

void SetDefaultValue(HKEY key, const char* text) {
  RegSetValueA(key, nullptr, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
}

// The class registration and the approved entry: everything that names the
// library path.
void RegisterServer(const char* libraryPath) {
  const DWORD pathLength = static_cast<DWORD>(std::strlen(libraryPath));
  HKEY key;

  if (RegCreateKeyA(HKEY_CLASSES_ROOT, ClassKey, &key) == ERROR_SUCCESS) {
    SetDefaultValue(key, libraryPath);
    RegCloseKey(key);
  }

  if (RegCreateKeyA(HKEY_CLASSES_ROOT, ServerKey, &key) == ERROR_SUCCESS) {
    SetDefaultValue(key, libraryPath);
    RegSetValueExA(key, "ThreadingModel", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(ThreadingModel), sizeof ThreadingModel);
    RegCloseKey(key);
  }

  // The byte count leaves out the NUL; the value is stored as a string all the same.
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, ApprovedKey, &key) == ERROR_SUCCESS) {
    RegSetValueExA(key, ClassIdText, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(libraryPath), pathLength);
    RegCloseKey(key);
  }
}

// Names the class as property sheet handler of the file type that the
// extension key (".wav" or ".WAV") points to. An extension key without a
// usable file type name gets nothing: an empty name would put the handler
// at the root of HKEY_CLASSES_ROOT.
void RegisterHandlerFor(const char* extensionKey) {
  char handlerKey[PathBufferSize];
  LONG size = PathBufferSize;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, extensionKey, handlerKey, &size) != ERROR_SUCCESS) return;
  const std::size_t length = strnlen(handlerKey, PathBufferSize);
  if (length == 0 || !AppendText(handlerKey, length, HandlerKeySuffix)) return;

  HKEY key;
  if (RegCreateKeyA(HKEY_CLASSES_ROOT, handlerKey, &key) == ERROR_SUCCESS) {
    RegSetValueA(key, nullptr, REG_SZ, ClassIdText, ClassIdTextLength);
    RegCloseKey(key);
  }
}

// Extension names are matched byte for byte: ".Wav" is not ".wav".
void RegisterHandlers() {
  char name[PathBufferSize];
  for (DWORD index = 0; RegEnumKeyA(HKEY_CLASSES_ROOT, index, name, PathBufferSize) == ERROR_SUCCESS;
       ++index) {
    if (std::strcmp(name, ".wav") == 0 || std::strcmp(name, ".WAV") == 0) {
      RegisterHandlerFor(name);
    }
  }
}

void PrintMessages() {
  static const char* const Messages[] = {
      "\n    tarvo is now installed!",
      "\n",
      "\n    To use: Right-click a .WAV file in Explorer    ",
      "\n    and select \"Properties\" then the \"Info\" tab. ",
      "\n",
      "\n    press a key to exit setup program...",
      "\n",
  };
  // On a console every message must be on the screen before the key wait;
  // into a file or a pipe, ordinary buffering will do.
  DWORD mode;
  const bool toConsole = GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
  for (const char* message : Messages) {
    std::fputs(message, stdout);
    if (toConsole) std::fflush(stdout);
  }
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

}  // namespace

int main() {
  char libraryPath[PathBufferSize];
  const UINT systemLength = GetSystemDirectoryA(libraryPath, PathBufferSize);
  // A system directory that does not leave room for the file name gives no
  // library path; the steps that need one are skipped rather than given a
  // truncated path.
  const bool havePath = systemLength > 0 && systemLength < PathBufferSize &&
                        AppendText(libraryPath, systemLength, LibraryPathTail);
  if (havePath) {
    CopyFileA(LibraryPathTail + 1, libraryPath, TRUE);
    RegisterServer(libraryPath);
  }
  RegisterHandlers();
  PrintMessages();
  WaitForKeyPress();
  return 0;
}
