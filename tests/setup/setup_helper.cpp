// Puts a Wine prefix into the states that make setup.exe's steps fail or
// meet a library in use, which reg.exe cannot do, and runs the library's
// registration where HKEY_CLASSES_ROOT is not what it should write. Usage:
//   setup_helper volatile-key KEY
//     creates HKEY_CLASSES_ROOT\KEY as a volatile key: the registry then
//     refuses to create a lasting key below it.
//   setup_helper hold-library PATH RELEASE_FILE
//     loads the library PATH, prints LOADED, and keeps it loaded until the
//     file RELEASE_FILE exists (two minutes at most).
//   setup_helper classes-redirected KEY LIBRARY ACTION
//     redirects HKEY_CLASSES_ROOT to HKEY_CURRENT_USER\KEY for this process,
//     then loads the library and calls its registration function: ACTION
//     is register or unregister (DllRegisterServer, DllUnregisterServer), or
//     user-register or user-unregister (DllInstall with "user"). Code that
//     writes or reads through HKEY_CLASSES_ROOT then meets KEY.
// Exit status 0 when done, 1 when the key, the library or its registration
// failed, 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

// Redirects HKEY_CLASSES_ROOT and checks that a key made through it lands
// under the redirection: a system that ignored the redirection would let a
// registration through HKEY_CLASSES_ROOT pass unseen.
bool RedirectClassesRoot(const char* keyName) {
  HKEY target;
  HKEY probe;
  if (RegCreateKeyA(HKEY_CURRENT_USER, keyName, &target) != ERROR_SUCCESS) return false;
  bool redirected = RegOverridePredefKey(HKEY_CLASSES_ROOT, target) == ERROR_SUCCESS &&
                    RegCreateKeyA(HKEY_CLASSES_ROOT, "redirection-probe", &probe) == ERROR_SUCCESS;
  if (redirected) {
    RegCloseKey(probe);
    redirected = RegDeleteKeyA(target, "redirection-probe") == ERROR_SUCCESS;
  }
  RegCloseKey(target);
  return redirected;
}

// Calls the registration function that ACTION names; returns the exit status.
int CallRegistration(const char* libraryPath, const char* action) {
  const bool user = std::strncmp(action, "user-", 5) == 0;
  const char* const verb = user ? action + 5 : action;
  const bool install = std::strcmp(verb, "register") == 0;
  if (!install && std::strcmp(verb, "unregister") != 0) {
    std::fprintf(stderr, "setup_helper: unknown action %s\n", action);
    return 2;
  }
  const HMODULE library = LoadLibraryA(libraryPath);
  if (library == nullptr) {
    std::printf("CANNOT-LOAD=%lu\n", GetLastError());
    return 1;
  }
  using ServerFunction = HRESULT(WINAPI*)();
  using InstallFunction = HRESULT(WINAPI*)(BOOL, LPCWSTR);
  HRESULT result;
  if (user) {
    const auto function = reinterpret_cast<InstallFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllInstall")));
    result = function != nullptr ? function(install, L"user") : E_NOTIMPL;
  } else {
    const auto function = reinterpret_cast<ServerFunction>(reinterpret_cast<void*>(
        GetProcAddress(library, install ? "DllRegisterServer" : "DllUnregisterServer")));
    result = function != nullptr ? function() : E_NOTIMPL;
  }
  std::printf("RESULT=0x%08lx\n", static_cast<unsigned long>(result));
  return result == S_OK ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "volatile-key") == 0) {
    HKEY key;
    DWORD disposition;
    const LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, argv[2], 0, nullptr,
                                        REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                        &disposition);
    if (status != ERROR_SUCCESS) {
      std::printf("CANNOT-CREATE=%ld\n", status);
      return 1;
    }
    RegCloseKey(key);
    // An existing key keeps its kind: only a new one is volatile.
    return disposition == REG_CREATED_NEW_KEY ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "hold-library") == 0) {
    if (LoadLibraryA(argv[2]) == nullptr) {
      std::printf("CANNOT-LOAD=%lu\n", GetLastError());
      return 1;
    }
    std::printf("LOADED\n");
    std::fflush(stdout);
    for (int waited = 0; waited < 1200; ++waited) {
      if (GetFileAttributesA(argv[3]) != INVALID_FILE_ATTRIBUTES) return 0;
      Sleep(100);
    }
    return 1;
  }
  if (argc == 5 && std::strcmp(argv[1], "classes-redirected") == 0) {
    if (!RedirectClassesRoot(argv[2])) {
      std::printf("CANNOT-REDIRECT\n");
      return 1;
    }
    return CallRegistration(argv[3], argv[4]);
  }
  std::fprintf(stderr,
               "usage: setup_helper volatile-key KEY | hold-library PATH RELEASE_FILE |\n"
               "       classes-redirected KEY LIBRARY ACTION\n");
  return 2;
}
