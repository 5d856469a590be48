// A foreign application whose window class uses WM_USER+60 for something
// of its own and answers it with a value that is no interface: the Text
// Object Model plugin, which sends that message to ask for a rich edit
// control's OLE object, then calls through it inside this process.
#include <windows.h>

#include <string>

#include "fixture.h"
#include "testsupport.h"

namespace kst::test {
namespace {

constexpr UINT kOleInterfaceMessage = WM_USER + 60;

// Reserved and never committed: nothing there can be read or executed.
void* NoAccess() {
  static void* const region = VirtualAlloc(nullptr, 0x10000, MEM_RESERVE, PAGE_NOACCESS);
  return region;
}

// An object that can be read, whose vtable entries point into NoAccess().
struct TJunkObject {
  void* entries[8];
  void* vtable = entries;
};

void* g_Answer = nullptr;
int g_Asked = 0;

LRESULT CALLBACK JunkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kOleInterfaceMessage && lParam) {
    ++g_Asked;
    *reinterpret_cast<void**>(lParam) = g_Answer;
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// junk_ole unreadable|vtable: a window "Junk answers" whose WM_USER+60 hands
// out an unreadable pointer, or a readable object with junk vtable entries;
// and, in the same thread, an editor window whose edit control holds
// "x = 12+3 ;" with the caret at 6. Says "ready JUNK EDIT", then serves:
//   asked -> "asked=N": how often WM_USER+60 was answered
//   text  -> "text=..." of the edit control
//   loaded, hang MS, quit
KST_FIXTURE_ROLE("junk_ole", JunkOleRole) {
  static TJunkObject object;
  for (void*& entry : object.entries) entry = static_cast<char*>(NoAccess()) + 0x200;
  const std::string kind = args.empty() ? "unreadable" : args[0];
  g_Answer = kind == "vtable" ? static_cast<void*>(&object.vtable) : NoAccess();

  WNDCLASSA junk = {};
  junk.lpfnWndProc = JunkProc;
  junk.lpszClassName = "KstJunkAnswers";
  RegisterClassA(&junk);
  HWND junkWindow = CreateWindowA("KstJunkAnswers", "Junk answers", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                                  20, 300, 100, nullptr, nullptr, nullptr, nullptr);
  HWND frame = CreateWindowA("STATIC", "Sample editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 160, 400,
                             200, nullptr, nullptr, nullptr, nullptr);
  HWND edit = CreateWindowA("EDIT", "x = 12+3 ;", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE, 10, 10,
                            360, 120, frame, nullptr, nullptr, nullptr);
  if (!junkWindow || !frame || !edit) {
    Say("failed %lu", GetLastError());
    return 1;
  }
  SendMessageA(edit, EM_SETSEL, 6, 6);
  Say("ready %s %s", FormatWindow(junkWindow).c_str(), FormatWindow(edit).c_str());
  const int result = ServeWindowRole([&](const std::string& line) {
    if (line == "asked") {
      Say("asked=%d", g_Asked);
    } else if (line == "text") {
      Say("text=%s", WindowText(edit).c_str());
    } else {
      return false;
    }
    return true;
  });
  DestroyWindow(frame);
  DestroyWindow(junkWindow);
  return result;
}

}  // namespace kst::test
