// The foreign application of the copy and paste tests: an editor in the
// foreground that answers copy and paste keystrokes as applications do, and
// tells which keys reached it.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "fixture.h"
#include "testsupport.h"

namespace kst::test {
namespace {

std::wstring Wide(const std::string& ansi) {
  std::wstring wide(ansi.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1);
  return wide;
}

struct TEditorState {
  bool ignoreShortcuts = false;
  DWORD slowPasteMs = 0;
  std::string keys;  // the Ctrl shortcuts that arrived, with the modifiers down then
};
TEditorState g_Editor;

bool Down(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool IsShortcut(UINT message, WPARAM key) {
  return (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && (key == 'C' || key == 'V');
}

// Logs each C or V key-down with the modifiers the control sees, delays a
// paste as a busy application would, and swallows the shortcuts when told
// to ignore them.
LRESULT CALLBACK ShortcutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (IsShortcut(message, wParam)) {
    char entry[64];
    wsprintfA(entry, "%c:ctrl=%d,shift=%d,alt=%d,win=%d;", static_cast<char>(wParam), Down(VK_CONTROL),
              Down(VK_SHIFT), Down(VK_MENU), Down(VK_LWIN) || Down(VK_RWIN));
    g_Editor.keys += entry;
    if (wParam == 'V' && g_Editor.slowPasteMs) Sleep(std::exchange(g_Editor.slowPasteMs, 0));
  }
  if (g_Editor.ignoreShortcuts) {
    if (IsShortcut(message, wParam)) return 0;
    if (message == WM_CHAR && (wParam == 3 || wParam == 22)) return 0;
    if (message == WM_COPY || message == WM_PASTE) return 0;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

bool CopyPasteCommand(HWND top, HWND edit, const std::string& line) {
  if (line == "text") {
    Say("text=%s", WindowText(edit).c_str());
  } else if (line == "keys") {
    Say("keys=%s", g_Editor.keys.empty() ? "none" : g_Editor.keys.c_str());
    g_Editor.keys.clear();
  } else if (line == "caret") {
    POINT caret = {};
    GetCaretPos(&caret);
    ClientToScreen(edit, &caret);
    Say("caret %ld %ld", caret.x, caret.y);
  } else if (line.rfind("slowpaste ", 0) == 0) {
    g_Editor.slowPasteMs = static_cast<DWORD>(std::atoi(line.c_str() + 10));
    Say("slow");
  } else if (line.rfind("select ", 0) == 0) {
    const auto words = Words(line);
    SendMessageW(edit, EM_SETSEL, std::atoi(words.at(1).c_str()), std::atoi(words.at(2).c_str()));
    Say("selected");
  } else if (line == "front") {
    SetForegroundWindow(top);
    SetFocus(edit);
    Say("front=%d", GetForegroundWindow() == top ? 1 : 0);
  } else {
    return false;
  }
  return true;
}

}  // namespace

// copypaste-editor CONTROL FRAME TEXT START END [ignore] [password]: a
// top-level window of class FRAME with a child control of class CONTROL
// (EDIT or a rich edit class) holding TEXT (ANSI, made Unicode), the
// characters START..END selected, in the foreground with the focus in the
// control. "ignore" swallows the copy and paste shortcuts and messages;
// "password" gives an EDIT ES_PASSWORD. Says "ready TOP CONTROL", then
// serves: text, keys (the Ctrl+C / Ctrl+V key-downs since the last "keys",
// or "none"), caret, select START END, slowpaste MS (the next Ctrl+V waits
// MS milliseconds first), front, quit.
KST_FIXTURE_ROLE("copypaste-editor", CopyPasteEditorRole) {
  if (args.size() < 5) return 2;
  const std::wstring control = Wide(args[0]), frame = Wide(args[1]), text = Wide(args[2]);
  bool password = false;
  for (size_t i = 5; i < args.size(); ++i) {
    if (args[i] == "ignore") g_Editor.ignoreShortcuts = true;
    if (args[i] == "password") password = true;
  }
  if (control != L"EDIT") LoadLibraryA("riched20.dll");
  WNDCLASSW frameClass = {};
  frameClass.lpfnWndProc = DefWindowProcW;
  frameClass.lpszClassName = frame.c_str();
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&frameClass);
  HWND top = CreateWindowW(frame.c_str(), L"Copy paste editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                           420, 200, nullptr, nullptr, nullptr, nullptr);
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | (password ? ES_PASSWORD : ES_MULTILINE);
  HWND edit = CreateWindowW(control.c_str(), text.c_str(), style, 10, 10, 380, 120, top, nullptr, nullptr,
                            nullptr);
  if (!top || !edit) {
    Say("failed %lu", GetLastError());
    return 1;
  }
  SetWindowSubclass(edit, ShortcutProc, 1, 0);
  SetForegroundWindow(top);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, std::atoi(args[3].c_str()), std::atoi(args[4].c_str()));
  Say("ready %s %s", FormatWindow(top).c_str(), FormatWindow(edit).c_str());
  const int result = ServeWindowRole([&](const std::string& line) { return CopyPasteCommand(top, edit, line); });
  DestroyWindow(top);
  return result;
}

}  // namespace kst::test
