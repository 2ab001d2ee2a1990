// The registry entries of tarvo's class and of its property sheet handler
// keys, for one scope: see registration.h.
#include "registration.h"

#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "class_id.h"

namespace {

constexpr DWORD ClassIdTextLength = sizeof ExtensionClassIdText - 1;
static_assert(ClassIdTextLength == 38);
constexpr const char* ClassKey = "CLSID\\{899a4e00-2984-11d4-bb70-444553540000}";
constexpr const char* ServerKey =
    "CLSID\\{899a4e00-2984-11d4-bb70-444553540000}\\InProcServer32";
constexpr const char* HandlerKeySuffix = "\\shellex\\PropertySheetHandlers\\Tarvo";
// Windows 8 and later take a file's type from the user's choice of player
// when there is one, and each player brings its own type, so a handler
// under the type that ".wav" names may never be read. They read these keys
// whatever the type; ".bwf" is the other name Broadcast Wave files go by.
constexpr const char* SystemAssociationKeys[] = {
    "SystemFileAssociations\\.wav\\shellex\\PropertySheetHandlers\\Tarvo",
    "SystemFileAssociations\\.bwf\\shellex\\PropertySheetHandlers\\Tarvo",
};
constexpr const char ThreadingModel[] = "Apartment";

// Where the entries of one scope live. Key paths are relative to their
// root: RegCreateKeyA refuses one with a leading backslash
// (ERROR_BAD_PATHNAME) and creates nothing. Neither scope goes through
// HKEY_CLASSES_ROOT: Windows writes a value set under a key of it into
// HKEY_CURRENT_USER\Software\Classes when the user has a key of that name,
// so a machine-wide run after a per-user one would write into the running
// user's profile. The machine's classes key is opened once for the run and
// the keys below it are named from there, as they were from
// HKEY_CLASSES_ROOT, so that a file type name may fill the path buffer. Both
// scopes use the program's own registry view, where CLSID is the class
// registration of its width.
struct Place {
  HKEY classesRoot;
  const char* classesRootName;
  // Put before every key named relative to the classes root.
  const char* classesPrefix;
  HKEY approvedRoot;
  const char* approvedRootName;
  const char* approvedKey;
  bool forMachine;
};

// Where HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER each keep their classes.
constexpr const char* ClassesUnderRoot = "Software\\Classes";
constexpr const char* MachineClassesName = "HKEY_LOCAL_MACHINE\\Software\\Classes";

// The place of a scope for one run; the machine's classes root is opened,
// with whatever rights the caller has, and closed by ClosePlace. Returns
// false when it cannot be opened.
bool OpenPlace(RegistrationScope scope, Place& place, Outcome& outcome) {
  if (scope == RegistrationScope::User) {
    place = {
        HKEY_CURRENT_USER,
        "HKEY_CURRENT_USER",
        "Software\\Classes\\",
        HKEY_CURRENT_USER,
        "HKEY_CURRENT_USER",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
        false,
    };
    return true;
  }
  place = {
      nullptr,
      MachineClassesName,
      "",
      HKEY_LOCAL_MACHINE,
      "HKEY_LOCAL_MACHINE",
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
      true,
  };
  const LONG status =
      RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassesUnderRoot, 0, MAXIMUM_ALLOWED, &place.classesRoot);
  if (status == ERROR_SUCCESS) return true;
  StepFailed(outcome, status, "Opening the registry key %s", MachineClassesName);
  return false;
}

void ClosePlace(const Place& place) {
  if (place.forMachine) RegCloseKey(place.classesRoot);
}

std::string ClassesKey(const Place& place, const char* key) {
  return std::string(place.classesPrefix) + key;
}

bool CreateKey(HKEY root, const char* rootName, const std::string& keyName, HKEY& key,
               Outcome& outcome) {
  const LONG status = RegCreateKeyA(root, keyName.c_str(), &key);
  if (status == ERROR_SUCCESS) return true;
  StepFailed(outcome, status, "Creating the registry key %s\\%s", rootName, keyName.c_str());
  return false;
}

void SetDefaultValue(HKEY key, const Place& place, const std::string& keyName, const char* text,
                     Outcome& outcome) {
  const LONG status =
      RegSetValueA(key, nullptr, REG_SZ, text, static_cast<DWORD>(std::strlen(text)));
  if (status == ERROR_SUCCESS) {
    outcome.changed = true;
  } else {
    StepFailed(outcome, status, "Setting the default value of %s\\%s", place.classesRootName,
               keyName.c_str());
  }
}

// The class registration and the approved entry: everything that names the
// library path.
void RegisterServer(const Place& place, const char* libraryPath, Outcome& outcome) {
  const DWORD pathLength = static_cast<DWORD>(std::strlen(libraryPath));
  HKEY key;

  const std::string classKey = ClassesKey(place, ClassKey);
  if (CreateKey(place.classesRoot, place.classesRootName, classKey, key, outcome)) {
    SetDefaultValue(key, place, classKey, libraryPath, outcome);
    RegCloseKey(key);
  }

  const std::string serverKey = ClassesKey(place, ServerKey);
  if (CreateKey(place.classesRoot, place.classesRootName, serverKey, key, outcome)) {
    SetDefaultValue(key, place, serverKey, libraryPath, outcome);
    const LONG status =
        RegSetValueExA(key, "ThreadingModel", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(ThreadingModel), sizeof ThreadingModel);
    if (status != ERROR_SUCCESS) {
      StepFailed(outcome, status, "Setting the value ThreadingModel of %s\\%s",
                 place.classesRootName, serverKey.c_str());
    }
    RegCloseKey(key);
  }

  // The byte count leaves out the NUL; the value is stored as a string all the same.
  if (CreateKey(place.approvedRoot, place.approvedRootName, place.approvedKey, key, outcome)) {
    const LONG status = RegSetValueExA(key, ExtensionClassIdText, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(libraryPath), pathLength);
    if (status == ERROR_SUCCESS) {
      outcome.changed = true;
    } else {
      StepFailed(outcome, status, "Setting the value %s of %s\\%s", ExtensionClassIdText,
                 place.approvedRootName, place.approvedKey);
    }
    RegCloseKey(key);
  }
}

// Opens the key of the ".wav" extension in the classes of a scope, by name:
// key names ignore letter case, so this is also ".WAV" or ".Wav", and no two
// of them can exist side by side. A key in the user's own classes hides the
// machine's key of the same name from that user; without one, the user sees
// the machine's. keyName is set to the key's name from its root. Returns
// false when there is no such key, which is no failure, or when opening it
// failed, which is.
bool OpenExtensionKey(const Place& place, HKEY& key, std::string& keyName, Outcome& outcome) {
  const std::string name = ClassesKey(place, ".wav");
  keyName = std::string(place.classesRootName) + "\\" + name;
  LONG status = RegOpenKeyExA(place.classesRoot, name.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_FILE_NOT_FOUND && !place.forMachine) {
    keyName = std::string(MachineClassesName) + "\\.wav";
    status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(ClassesUnderRoot) + "\\.wav").c_str(),
                           0, KEY_QUERY_VALUE, &key);
  }
  if (status == ERROR_SUCCESS) return true;
  if (status != ERROR_FILE_NOT_FOUND) {
    StepFailed(outcome, status, "Opening the registry key %s", keyName.c_str());
  }
  return false;
}

// The handler key path under the file type that the extension key names,
// relative to the classes root. An extension key without a file type name
// gets none: an empty name would put the handler at the classes root.
// Neither that nor a name too long for the path buffer is a failure of
// setup; only a read that fails for another reason is. (RegQueryValueA reads
// a missing default value as an empty one, but some systems may answer "not
// found" instead.)
bool GetHandlerKey(const Place& place, char (&handlerKey)[PathBufferSize], Outcome& outcome) {
  HKEY key;
  std::string keyName;
  if (!OpenExtensionKey(place, key, keyName, outcome)) return false;
  LONG size = PathBufferSize;
  const LONG status = RegQueryValueA(key, nullptr, handlerKey, &size);
  RegCloseKey(key);
  if (status == ERROR_MORE_DATA || status == ERROR_FILE_NOT_FOUND) return false;
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Reading the file type of %s", keyName.c_str());
    return false;
  }
  const std::size_t length = strnlen(handlerKey, PathBufferSize);
  return length != 0 && AppendText(handlerKey, length, HandlerKeySuffix);
}

// The handler keys, under the file type of the ".wav" key and under
// SystemFileAssociations: the paths relative to the classes root.
std::vector<std::string> HandlerKeys(const Place& place, Outcome& outcome) {
  std::vector<std::string> keys;
  char handlerKey[PathBufferSize];
  if (GetHandlerKey(place, handlerKey, outcome)) keys.emplace_back(handlerKey);
  keys.insert(keys.end(), std::begin(SystemAssociationKeys), std::end(SystemAssociationKeys));
  return keys;
}

// Names the class as the property sheet handler in each handler key.
void RegisterHandlers(const Place& place, Outcome& outcome) {
  for (const std::string& handlerKey : HandlerKeys(place, outcome)) {
    const std::string keyName = ClassesKey(place, handlerKey.c_str());
    HKEY key;
    if (CreateKey(place.classesRoot, place.classesRootName, keyName, key, outcome)) {
      SetDefaultValue(key, place, keyName, ExtensionClassIdText, outcome);
      RegCloseKey(key);
    }
  }
}

// Reads the server path of the class registration in one registry view. The
// key is named from the root of the scope, in the view asked for.
bool ReadServerPath(const Place& place, REGSAM view, char (&path)[PathBufferSize]) {
  const HKEY root = place.forMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const std::string keyName = std::string(ClassesUnderRoot) + "\\" + ServerKey;
  HKEY key;
  if (RegOpenKeyExA(root, keyName.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD size = PathBufferSize - 1;
  path[size] = 0;
  const LONG status =
      RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return false;
  path[size] = 0;
  return true;
}

// On 64-bit Windows a file type's keys are shared by 32-bit and 64-bit
// programs (only a few keys, CLSID among them, have one view per width), so
// the handler keys may serve the tarvo of the other width too. Names that
// width when its class is registered in the same scope, else returns null.
// The two widths' libraries for the user lie in different folders; the
// same path seen in both views is then one registration that the system
// keeps in a single view (Wine does so for the user's classes).
const char* OtherWidthStillRegistered(const Place& place) {
#ifdef _WIN64
  const REGSAM otherView = KEY_WOW64_32KEY;
  const char* otherWidth = "32-bit";
#else
  if (!RunsUnderWow64()) return nullptr;
  const REGSAM otherView = KEY_WOW64_64KEY;
  const char* otherWidth = "64-bit";
#endif
  char otherPath[PathBufferSize];
  char ownPath[PathBufferSize];
  if (!ReadServerPath(place, otherView, otherPath)) return nullptr;
  if (!place.forMachine && ReadServerPath(place, 0, ownPath) &&
      lstrcmpiA(ownPath, otherPath) == 0) {
    return nullptr;
  }
  return otherWidth;
}

// Removes the key at path, then each key above it in turn, for as long as
// the one in turn holds no key and no value, so that an install and an
// uninstall leave the registry as it was.
void RemoveEmptyKeys(HKEY root, std::string path, Outcome& outcome) {
  for (;;) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 1;
    DWORD values = 1;
    const LONG status = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                         nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || subkeys != 0 || values != 0) return;
    if (RegDeleteKeyA(root, path.c_str()) != ERROR_SUCCESS) return;
    outcome.changed = true;
    const std::size_t separator = path.rfind('\\');
    if (separator == std::string::npos) return;
    path.resize(separator);
  }
}

// Removes a handler key, but only when it names tarvo's class: a key of the
// same name that another program wrote is left alone, and so is one that the
// tarvo of the other width still needs.
void UnregisterHandler(const Place& place, const std::string& handlerKey, const char* otherWidth,
                       Outcome& outcome) {
  const std::string keyName = ClassesKey(place, handlerKey.c_str());
  const char* const rootName = place.classesRootName;
  HKEY key;
  LONG status = RegOpenKeyExA(place.classesRoot, keyName.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_FILE_NOT_FOUND) return;
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Opening the registry key %s\\%s", rootName, keyName.c_str());
    return;
  }
  char value[ClassIdTextLength + 2] = {};
  DWORD type = 0;
  DWORD size = sizeof value - 1;
  status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_MORE_DATA) return;
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Reading the default value of %s\\%s", rootName, keyName.c_str());
    return;
  }
  if (type != REG_SZ || std::strcmp(value, ExtensionClassIdText) != 0) return;
  if (otherWidth != nullptr) {
    PrintNote(outcome, "%s\\%s is kept: the %s tarvo still uses it.", rootName, keyName.c_str(),
              otherWidth);
    return;
  }

  status = RegDeleteKeyA(place.classesRoot, keyName.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return;
  if (status != ERROR_SUCCESS) {
    StepFailed(outcome, status, "Removing the registry key %s\\%s", rootName, keyName.c_str());
    return;
  }
  outcome.changed = true;
  // "<file type>\shellex\PropertySheetHandlers" and the keys above it.
  RemoveEmptyKeys(place.classesRoot, keyName.substr(0, keyName.rfind('\\')), outcome);
}

void UnregisterServer(const Place& place, Outcome& outcome) {
  HKEY key;
  LONG status =
      RegOpenKeyExA(place.approvedRoot, place.approvedKey, 0, KEY_SET_VALUE, &key);
  if (status == ERROR_SUCCESS) {
    status = RegDeleteValueA(key, ExtensionClassIdText);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS) {
      outcome.changed = true;
      // The machine's list of approved extensions is the system's own and
      // stays when tarvo's value was its last; the user's goes, with the
      // keys above it, when tarvo's removal leaves them empty.
      if (!place.forMachine) RemoveEmptyKeys(place.approvedRoot, place.approvedKey, outcome);
    } else if (status != ERROR_FILE_NOT_FOUND) {
      StepFailed(outcome, status, "Removing the value %s of %s\\%s", ExtensionClassIdText,
                 place.approvedRootName, place.approvedKey);
    }
  } else if (status != ERROR_FILE_NOT_FOUND) {
    StepFailed(outcome, status, "Opening the registry key %s\\%s", place.approvedRootName,
               place.approvedKey);
  }

  const std::string classKey = ClassesKey(place, ClassKey);
  status = RegDeleteTreeA(place.classesRoot, classKey.c_str());
  if (status == ERROR_SUCCESS) {
    outcome.changed = true;
    // "CLSID", which a per-user install may have been the first to make.
    RemoveEmptyKeys(place.classesRoot, classKey.substr(0, classKey.rfind('\\')), outcome);
  } else if (status != ERROR_FILE_NOT_FOUND) {
    StepFailed(outcome, status, "Removing the registry key %s\\%s", place.classesRootName,
               classKey.c_str());
  }
}

// Formats one line, a line feed, four blanks and the text, and prints it.
void PrintLine(const Outcome& outcome, const char* format, va_list arguments) {
  if (outcome.print == nullptr) return;
  char text[2048];
  std::vsnprintf(text, sizeof text, format, arguments);
  char line[sizeof text + 8];
  std::snprintf(line, sizeof line, "\n    %s", text);
  outcome.print(line);
}

}  // namespace

void StepFailed(Outcome& outcome, DWORD error, const char* format, ...) {
  outcome.failed = true;
  if (outcome.firstError == ERROR_SUCCESS) outcome.firstError = error;
  if (error == ERROR_ACCESS_DENIED) outcome.accessDenied = true;
  if (outcome.print == nullptr) return;

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
  PrintNote(outcome, "%s failed: %s", step, reason);
}

void PrintNote(Outcome& outcome, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PrintLine(outcome, format, arguments);
  va_end(arguments);
}

bool AppendText(char (&buffer)[PathBufferSize], std::size_t length, const char* tail) {
  const std::size_t tailLength = std::strlen(tail);
  if (length >= PathBufferSize || tailLength >= PathBufferSize - length) return false;
  std::memcpy(buffer + length, tail, tailLength + 1);
  return true;
}

bool RunsUnderWow64() {
  BOOL underWow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64;
}

DWORD ToAnsiPath(const wchar_t* path, char (&text)[PathBufferSize]) {
  // With UTF-8 as the ANSI code page every character has its bytes, and the
  // conversion refuses to be asked whether a default was used.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, path, -1, text,
                          PathBufferSize, nullptr, utf8 ? nullptr : &usedDefault) == 0) {
    const DWORD error = GetLastError();
    return error == ERROR_INSUFFICIENT_BUFFER ? ERROR_FILENAME_EXCED_RANGE : error;
  }
  return usedDefault ? ERROR_NO_UNICODE_TRANSLATION : ERROR_SUCCESS;
}

void Register(RegistrationScope scope, const char* libraryPath, Outcome& outcome) {
  Place place;
  if (!OpenPlace(scope, place, outcome)) return;
  if (libraryPath != nullptr) RegisterServer(place, libraryPath, outcome);
  RegisterHandlers(place, outcome);
  ClosePlace(place);
}

void Unregister(RegistrationScope scope, Outcome& outcome) {
  Place place;
  if (!OpenPlace(scope, place, outcome)) return;
  const char* otherWidth = OtherWidthStillRegistered(place);
  for (const std::string& handlerKey : HandlerKeys(place, outcome)) {
    UnregisterHandler(place, handlerKey, otherWidth, outcome);
  }
  UnregisterServer(place, outcome);
  ClosePlace(place);
}

void NotifyShell(const Outcome& outcome) {
  if (outcome.changed) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
