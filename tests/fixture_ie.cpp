// Roles around the Internet Explorer plugin: a process whose main thread
// hosts the scripted HTML document, so that requests reach it through the hook.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "fixture.h"
#include "htmldouble.h"
#include "testsupport.h"

namespace kst::test {
namespace {

constexpr UINT kCommandMessage = WM_APP + 1;

// Reads the test's commands and hands each to the main thread, which keeps
// pumping messages meanwhile (the hook arrives as one of them).
DWORD WINAPI ForwardCommands(void* mainThread) {
  const DWORD thread = static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread));
  for (;;) {
    auto line = std::make_unique<std::string>(ReadCommand());
    const bool last = line->empty() || *line == "quit";
    PostThreadMessageA(thread, kCommandMessage, 0, reinterpret_cast<LPARAM>(line.release()));
    if (last) return 0;
  }
}

THtmlActive ParseActive(const std::string& name) {
  if (name == "body") return THtmlActive::Body;
  if (name == "textarea") return THtmlActive::TextArea;
  if (name == "input") return THtmlActive::Input;
  if (name == "other") return THtmlActive::Other;
  return THtmlActive::None;
}

// page ACTIVE TYPE TEXTEDIT SELSTART SELEND SELTYPE CARETX CARETY TEXT...
// (the text is the rest of the line, blanks included; TYPE "-" for none).
void SetPage(std::istringstream& in) {
  std::string active, type, selectionType;
  int textEdit = 1;
  long selStart = 0, selEnd = 0;
  POINT caret = {};
  in >> active >> type >> textEdit >> selStart >> selEnd >> selectionType >> caret.x >> caret.y;
  in.get();
  std::string text;
  std::getline(in, text);
  ResetHtmlPage();
  THtmlPage& page = HtmlPage();
  page.Active = ParseActive(active);
  page.InputType = type == "-" ? L"" : std::wstring(type.begin(), type.end());
  page.TextEdit = textEdit != 0;
  page.SelStart = selStart;
  page.SelEnd = selEnd;
  page.SelectionType = std::wstring(selectionType.begin(), selectionType.end());
  page.CaretPoint = caret;
  page.Text = std::wstring(text.begin(), text.end());
}

void SayState() {
  const THtmlPage& page = HtmlPage();
  std::string text;
  for (wchar_t c : page.Text) text += static_cast<char>(c);
  Say("refs=%ld unexpected=%d sel=%ld,%ld text=%s", HtmlOutstandingReferences(),
      static_cast<int>(page.Unexpected.size()), page.SelStart, page.SelEnd, text.c_str());
  for (const auto& call : page.Unexpected) Say("unexpected %s", call.c_str());
}

// Carries out one command; false ends the role.
bool RunCommand(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb == "page") {
    SetPage(in);
    Say("ok");
  } else if (verb == "state") {
    SayState();
  } else {
    return false;
  }
  return true;
}

}  // namespace

// htmlpage: shows the document double in a window of the main thread and
// prints "window HANDLE"; then serves the commands "page ..." (answers "ok"),
// "state" (answers "refs=N unexpected=N sel=S,E text=TEXT") and "quit".
KST_FIXTURE_ROLE("htmlpage", HtmlPageRole) {
  (void)args;
  CoInitialize(nullptr);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the reader posts
  HWND window = CreateHtmlDoubleWindow(220, 160);
  if (!window) return 1;
  unique_handle reader(CreateThread(nullptr, 0, ForwardCommands,
                                    reinterpret_cast<void*>(static_cast<uintptr_t>(GetCurrentThreadId())),
                                    0, nullptr));
  Say("window %s", FormatWindow(window).c_str());
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kCommandMessage) {
      std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(msg.lParam));
      if (!RunCommand(*line)) break;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  WaitForSingleObject(reader.get(), 5000);
  DestroyHtmlDoubleWindow(window);
  CoUninitialize();
  return 0;
}

}  // namespace kst::test
