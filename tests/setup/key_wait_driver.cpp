// Runs setup.exe on this program's own console and checks its key wait from
// the inside: what a terminal cannot send (a modifier key alone) is written
// into the console input here, and the key that ends the wait comes from the
// terminal. Usage: key_wait_driver SETUP.EXE KEY, where KEY is one letter or
// "up" for the up arrow. Prints one line per finding for key-wait.sh:
//   MODIFIERS-SENT, STILL-WAITING, SETUP-EXIT=<status>, KEY-KEPT=<yes|no>
// Exits 1 when setup.exe could not be started or ended too early.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void Say(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

INPUT_RECORD KeyRecord(WORD virtualKey, bool down, char character, DWORD controlState) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
  record.Event.KeyEvent.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
  record.Event.KeyEvent.uChar.AsciiChar = character;
  record.Event.KeyEvent.dwControlKeyState = controlState;
  return record;
}

// Each modifier and lock key pressed and released on its own, as a keyboard
// reports them: no character.
std::vector<INPUT_RECORD> ModifierPresses() {
  struct Key { WORD code; DWORD state; };
  const Key keys[] = {
      {VK_SHIFT, SHIFT_PRESSED},     {VK_CONTROL, LEFT_CTRL_PRESSED},
      {VK_CONTROL, RIGHT_CTRL_PRESSED | ENHANCED_KEY},
      {VK_MENU, LEFT_ALT_PRESSED},   {VK_MENU, RIGHT_ALT_PRESSED | ENHANCED_KEY},
      {VK_CAPITAL, CAPSLOCK_ON},     {VK_NUMLOCK, NUMLOCK_ON | ENHANCED_KEY},
      {VK_SCROLL, SCROLLLOCK_ON},
  };
  std::vector<INPUT_RECORD> records;
  for (const Key& key : keys) {
    records.push_back(KeyRecord(key.code, true, 0, key.state));
    records.push_back(KeyRecord(key.code, false, 0, 0));
  }
  return records;
}

// The key the terminal sends: a letter, or the up arrow, which carries no
// character.
struct ExpectedKey {
  char letter;
  WORD virtualKey;
  bool Matches(const KEY_EVENT_RECORD& key) const {
    return key.bKeyDown && (letter != 0 ? key.uChar.AsciiChar == letter
                                        : key.wVirtualKeyCode == virtualKey);
  }
};

bool KeyStillQueued(HANDLE input, const ExpectedKey& expected) {
  DWORD pending = 0;
  if (!GetNumberOfConsoleInputEvents(input, &pending) || pending == 0) return false;
  std::vector<INPUT_RECORD> records(pending);
  DWORD peeked = 0;
  if (!PeekConsoleInputA(input, records.data(), pending, &peeked)) return false;
  for (DWORD i = 0; i < peeked; ++i) {
    if (records[i].EventType == KEY_EVENT && expected.Matches(records[i].Event.KeyEvent)) {
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || argv[2][0] == 0) {
    std::fprintf(stderr, "usage: key_wait_driver SETUP.EXE LETTER|up\n");
    return 2;
  }
  const ExpectedKey expected =
      std::strcmp(argv[2], "up") == 0 ? ExpectedKey{0, VK_UP} : ExpectedKey{argv[2][0], 0};
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (!GetConsoleMode(input, &mode)) {
    Say("NO-CONSOLE");
    return 1;
  }

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(argv[1], nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    Say("NOT-STARTED");
    return 1;
  }

  // Time enough for setup to register, print and start waiting.
  if (WaitForSingleObject(process.hProcess, 3000) != WAIT_TIMEOUT) {
    Say("ENDED-BEFORE-ANY-KEY");
    return 1;
  }

  const std::vector<INPUT_RECORD> modifiers = ModifierPresses();
  DWORD written = 0;
  WriteConsoleInputA(input, modifiers.data(), static_cast<DWORD>(modifiers.size()), &written);
  Say(written == modifiers.size() ? "MODIFIERS-SENT" : "MODIFIERS-NOT-SENT");
  if (WaitForSingleObject(process.hProcess, 1500) != WAIT_TIMEOUT) {
    Say("ENDED-BY-MODIFIERS");
    return 1;
  }
  Say("STILL-WAITING");

  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    Say("NOT-ENDED-BY-KEY");
    return 1;
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  std::printf("SETUP-EXIT=%lu\n", status);
  std::printf("KEY-KEPT=%s\n", KeyStillQueued(input, expected) ? "yes" : "no");
  std::fflush(stdout);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
