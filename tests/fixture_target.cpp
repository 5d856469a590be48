// Roles of foreign applications the engine reaches through its hook: an
// editor with an edit control, and console-like windows it must never hook.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "fixture.h"
#include "testsupport.h"

namespace kst::test {
namespace {

std::string Argument(const std::vector<std::string>& args, size_t index, const char* fallback) {
  return index < args.size() ? args[index] : fallback;
}

// "slowsel MS": the edit control's next EM_GETSEL takes MS milliseconds, as
// an application that is busy in the middle of a request.
// A subclass, not a new window procedure: the control stays as Unicode or
// as ANSI as its class made it.
DWORD g_SlowSelectionMs = 0;

LRESULT CALLBACK SlowSelectionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR) {
  if (message == EM_GETSEL && g_SlowSelectionMs) Sleep(std::exchange(g_SlowSelectionMs, 0));
  return DefSubclassProc(window, message, wParam, lParam);
}

// Reports the edit control's text and selection on request.
bool EditorCommand(HWND edit, const std::string& line) {
  if (line.rfind("slowsel ", 0) == 0) {
    g_SlowSelectionMs = static_cast<DWORD>(std::atoi(line.c_str() + 8));
    Say("slow");
  } else if (line == "text") {
    Say("text=%s", WindowText(edit).c_str());
  } else if (line == "sel") {
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    Say("sel=%lu %lu", start, end);
  } else if (line == "caret") {
    POINT caret = {};
    GetCaretPos(&caret);
    ClientToScreen(edit, &caret);
    Say("caret %ld %ld", caret.x, caret.y);
  } else {
    return false;
  }
  return true;
}

}  // namespace

// editor TEXT START END [CLASS]: a top-level window "Sample editor" with a
// multi-line edit control (or a child of CLASS, e.g. RichEdit20A) holding
// TEXT, the selection START..END, the focus in the control. Says
// "ready TOP EDIT", then serves: text, sel, caret, slowsel MS, loaded,
// module, hang MS, quit.
KST_FIXTURE_ROLE("editor", EditorRole) {
  const std::string text = Argument(args, 0, "x = 12+3 ;");
  const int start = std::atoi(Argument(args, 1, "6").c_str());
  const int end = std::atoi(Argument(args, 2, "6").c_str());
  const std::string className = Argument(args, 3, "EDIT");
  if (className != "EDIT") LoadLibraryA("riched20.dll");
  WNDCLASSA frame = {};
  frame.lpfnWndProc = DefWindowProcA;
  frame.lpszClassName = "KstSampleFrame";
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&frame);
  HWND top = CreateWindowA("KstSampleFrame", "Sample editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 400,
                           200, nullptr, nullptr, nullptr, nullptr);
  HWND edit = CreateWindowA(className.c_str(), text.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL, 10, 10,
                            360, 120, top, nullptr, nullptr, nullptr);
  if (!top || !edit) {
    Say("failed %lu", GetLastError());
    return 1;
  }
  SendMessageA(edit, EM_LIMITTEXT, 0x7FFFFFFE, 0);
  SetWindowSubclass(edit, SlowSelectionProc, 1, 0);
  SetForegroundWindow(top);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, start, end);
  Say("ready %s %s", FormatWindow(top).c_str(), FormatWindow(edit).c_str());
  const int result = ServeWindowRole([&](const std::string& line) { return EditorCommand(edit, line); });
  DestroyWindow(top);
  return result;
}

// console CLASS: a top-level window of CLASS ("ConsoleWindowClass" or "tty")
// in the foreground. Says "ready WINDOW", then serves: loaded, quit.
KST_FIXTURE_ROLE("console", ConsoleRole) {
  const std::string className = Argument(args, 0, "ConsoleWindowClass");
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = className.c_str();
  RegisterClassA(&wc);
  HWND window = CreateWindowA(className.c_str(), "console", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              200, 100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(window);
  Say("ready %s", FormatWindow(window).c_str());
  return ServeWindowRole([](const std::string&) { return false; });
}

}  // namespace kst::test
