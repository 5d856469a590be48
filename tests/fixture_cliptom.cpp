// Roles for the clipboard and Text Object Model tests: a process that holds
// the clipboard open, and windows of another process that the library reads
// through its hook.
#include <windows.h>
#include <richedit.h>

#include <memory>
#include <string>
#include <thread>

#include "fixture.h"
#include "testsupport.h"
#include "tomfake.h"

namespace kst::test {
namespace {

constexpr UINT kCommandMessage = WM_APP + 1;

// Runs the thread's message loop (the hook serves requests from it) and
// hands each line the test writes to `handle`, on this thread. Ends when
// the test sends "quit" or closes the pipe.
template <typename Handler>
void ServeCommands(Handler handle) {
  const DWORD thread = GetCurrentThreadId();
  std::thread reader([thread] {
    for (;;) {
      auto line = std::make_unique<std::string>(ReadCommand());
      const bool last = line->empty() || *line == "quit";
      while (!PostThreadMessageA(thread, kCommandMessage, 0, reinterpret_cast<LPARAM>(line.get())))
        Sleep(10);
      line.release();
      if (last) return;
    }
  });
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kCommandMessage) {
      std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(msg.lParam));
      if (line->empty() || *line == "quit") break;
      handle(*line);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  reader.join();
}

}  // namespace

// clipboard-holder: opens the clipboard for a window of its own, as
// applications do, says "open", and keeps it open until the test writes a
// line.
KST_FIXTURE_ROLE("clipboard-holder", ClipboardHolderRole) {
  (void)args;
  HWND owner = CreateWindowA("STATIC", "clipboard holder", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
  if (!OpenClipboard(owner)) {
    Say("cannot open %lu", GetLastError());
    return 1;
  }
  Say("open");
  ReadCommand();
  CloseClipboard();
  DestroyWindow(owner);
  return 0;
}

// scripted-tom DESCRIPTION [VISIBLE-LINES]: a window serving the scripted
// Text Object Model over the described text; says "window=HANDLE". On
// "state" it says "text=DESCRIPTION live=N unexpected=N overreleases=N".
KST_FIXTURE_ROLE("scripted-tom", ScriptedTomRole) {
  if (args.empty()) return 2;
  auto model = TomModel::Parse(args[0]);
  if (args.size() > 1) model->visibleLines = std::stol(args[1]);
  HWND window = CreateTomWindow(*model);
  if (!window) return 1;
  Say("window=%s", FormatWindow(window).c_str());
  ServeCommands([&](const std::string&) {
    Say("text=%s live=%d unexpected=%zu overreleases=%d", model->Describe().c_str(), model->LiveObjects(),
        model->unexpected.size(), model->overReleases);
    for (const auto& call : model->unexpected) Say("unexpected %s", call.c_str());
  });
  DestroyWindow(window);
  return 0;
}

// richedit TEXT START END: a rich edit control with TEXT, characters START
// to END selected; says "window=HANDLE". On "state" it says
// "text=TEXT sel=START,END".
KST_FIXTURE_ROLE("richedit", RichEditRole) {
  if (args.size() < 3 || !LoadLibraryA("riched20.dll")) return 2;
  HWND frame = CreateWindowA("STATIC", "rich edit host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 200,
                             nullptr, nullptr, nullptr, nullptr);
  HWND edit = CreateWindowA("RichEdit20A", args[0].c_str(), WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0,
                            380, 150, frame, nullptr, nullptr, nullptr);
  if (!edit) return 1;
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, std::stoi(args[1]), std::stoi(args[2]));
  Say("window=%s", FormatWindow(edit).c_str());
  ServeCommands([&](const std::string&) {
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    Say("text=%s sel=%lu,%lu", WindowText(edit).c_str(), start, end);
  });
  DestroyWindow(frame);
  return 0;
}

}  // namespace kst::test
