// Puts a Wine prefix into the states that make setup.exe's steps fail or
// meet a library in use, which reg.exe cannot do. Usage:
//   setup_helper volatile-key KEY
//     creates HKEY_CLASSES_ROOT\KEY as a volatile key: the registry then
//     refuses to create a lasting key below it.
//   setup_helper hold-library PATH RELEASE_FILE
//     loads the library PATH, prints LOADED, and keeps it loaded until the
//     file RELEASE_FILE exists (two minutes at most).
// Exit status 0 when done, 1 when the key or the library failed, 2 for a
// usage error.
#include <windows.h>

#include <cstdio>
#include <cstring>

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
  std::fprintf(stderr, "usage: setup_helper volatile-key KEY | hold-library PATH RELEASE_FILE\n");
  return 2;
}
