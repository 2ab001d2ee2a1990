// Opens a file's Properties dialog the way the shell's context menu does,
// turns to the "  Info" page and writes the text of its report box
// (control 1003) to a file, byte for byte, then closes the dialog.
//
// Usage: open_properties [--tags] FILE OUTPUT [RELEASE]
//   The arguments are taken in UTF-16, so FILE may be named in any script.
//   With --tags, the "  Tags" page instead, its text read in UTF-16 and
//   written in UTF-8.
//   With RELEASE, the dialog stays open on the page until a file of that
//   name exists (for a screenshot), at most two minutes.
// Exit status: 0 when the text was written; 1 on a usage error, 2 when no
// dialog appeared, 3 when it had no such page, 4 when the text could not be
// read or written, 5 when the shell could not be asked for the dialog.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr int ReportControlId = 1003;
constexpr char InfoTabText[] = "  Info";
constexpr char TagsTabText[] = "  Tags";
constexpr DWORD DialogTimeoutMs = 60000;
constexpr DWORD ReleaseTimeoutMs = 120000;
constexpr DWORD PollMs = 100;

struct Watch {
  const wchar_t* outputPath;
  const wchar_t* releasePath;
  bool tags;
  int status;
};

BOOL CALLBACK FindSheet(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (process == GetCurrentProcessId() && std::strcmp(className, "#32770") == 0 &&
      SendMessageA(window, PSM_GETTABCONTROL, 0, 0) != 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND WaitForSheet() {
  for (DWORD waited = 0; waited < DialogTimeoutMs; waited += PollMs) {
    HWND sheet = nullptr;
    EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&sheet));
    if (sheet) return sheet;
    Sleep(PollMs);
  }
  return nullptr;
}

int FindTab(HWND sheet, const char* title) {
  const HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
  const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[64] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)) &&
        std::strcmp(text, title) == 0) {
      return i;
    }
  }
  return -1;
}

bool WriteFileBytes(const wchar_t* path, const std::string& bytes) {
  FILE* file = _wfopen(path, L"wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// The text of the box: its 8-bit text, or its UTF-16 text in UTF-8.
std::string BoxText(HWND box, bool wide) {
  if (!wide) {
    const LRESULT length = SendMessageA(box, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(copied));
    return text;
  }
  const LRESULT length = SendMessageW(box, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(copied),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(copied), &utf8[0], size,
                        nullptr, nullptr);
  return utf8;
}

// Runs beside the dialog, which is modal on the main thread: messages sent
// from here are handled by that thread's dialog loop.
int ReadPage(const Watch& watch) {
  const HWND sheet = WaitForSheet();
  if (!sheet) {
    std::fprintf(stderr, "no Properties dialog appeared\n");
    return 2;
  }
  const char* title = watch.tags ? TagsTabText : InfoTabText;
  const int tab = FindTab(sheet, title);
  int status = 0;
  if (tab < 0) {
    std::fprintf(stderr, "the Properties dialog has no \"%s\" page\n", title);
    status = 3;
  } else {
    SendMessageA(sheet, PSM_SETCURSEL, tab, 0);
    const HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    const HWND box = page ? GetDlgItem(page, ReportControlId) : nullptr;
    if (!box) {
      std::fprintf(stderr, "the \"%s\" page has no control %d\n", title, ReportControlId);
      status = 4;
    } else {
      if (!WriteFileBytes(watch.outputPath, BoxText(box, watch.tags))) {
        std::fprintf(stderr, "cannot write %ls\n", watch.outputPath);
        status = 4;
      }
    }
    if (watch.releasePath) {
      for (DWORD waited = 0; waited < ReleaseTimeoutMs &&
                             GetFileAttributesW(watch.releasePath) == INVALID_FILE_ATTRIBUTES;
           waited += PollMs) {
        Sleep(PollMs);
      }
    }
  }
  SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  return status;
}

DWORD WINAPI WatchThread(void* parameter) {
  Watch& watch = *static_cast<Watch*>(parameter);
  watch.status = ReadPage(watch);
  return 0;
}

// Asks the shell's context menu of the file for its "properties" verb.
bool InvokeProperties(const wchar_t* path) {
  PIDLIST_ABSOLUTE item = nullptr;
  if (FAILED(SHParseDisplayName(path, nullptr, &item, 0, nullptr))) return false;
  IShellFolder* folder = nullptr;
  PCUITEMID_CHILD child = nullptr;
  bool invoked = false;
  if (SUCCEEDED(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child))) {
    IContextMenu* menu = nullptr;
    if (SUCCEEDED(folder->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr,
                                        reinterpret_cast<void**>(&menu)))) {
      CMINVOKECOMMANDINFO command{};
      command.cbSize = sizeof command;
      command.lpVerb = "properties";
      command.nShow = SW_SHOWNORMAL;
      invoked = SUCCEEDED(menu->InvokeCommand(&command));
      menu->Release();
    }
    folder->Release();
  }
  CoTaskMemFree(item);
  return invoked;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool tags = argc > 1 && std::wcscmp(argv[1], L"--tags") == 0;
  if (tags) {
    --argc;
    ++argv;
  }
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: open_properties [--tags] FILE OUTPUT [RELEASE]\n");
    return 1;
  }
  // Without COM the shell leaves out every extension page.
  if (FAILED(CoInitialize(nullptr))) return 5;
  Watch watch{argv[2], argc == 4 ? argv[3] : nullptr, tags, 2};
  const HANDLE watcher = CreateThread(nullptr, 0, WatchThread, &watch, 0, nullptr);
  if (!watcher) return 5;

  const bool invoked = InvokeProperties(argv[1]);
  // The dialog has closed; should the shell have shown it without waiting,
  // keep its messages flowing until the watcher is done with it.
  while (MsgWaitForMultipleObjects(1, &watcher, FALSE, DialogTimeoutMs + ReleaseTimeoutMs,
                                   QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  CloseHandle(watcher);
  CoUninitialize();
  if (!invoked && watch.status == 2) {
    std::fprintf(stderr, "the shell did not open the Properties dialog of %ls\n", argv[1]);
    return 5;
  }
  return watch.status;
}
