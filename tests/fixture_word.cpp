// Roles around the Word plugin: a fake Word process whose documents sit in
// the running object table and whose editing windows the library is asked
// about from another process, so the plugin runs here through the hook.
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "fakeword.h"
#include "fixture.h"
#include "testsupport.h"

namespace kst::test {
namespace {

constexpr UINT kCommandMessage = WM_APP + 1;

// Lines on the command line and in output carry a paragraph mark as "\r".
std::wstring Unescape(const std::string& text) {
  std::wstring result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'r') {
      result += L'\r';
      ++i;
    } else {
      result += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
  }
  return result;
}

std::string Escape(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) result += c == L'\r' ? std::string("\\r") : std::string(1, static_cast<char>(c));
  return result;
}

std::string RestOf(std::istringstream& in) {
  std::string rest;
  std::getline(in >> std::ws, rest);
  return rest;
}

// Carries out one command on the window thread; false ends the role.
bool RunCommand(FakeWord& word, const std::string& line) {
  std::istringstream in(line);
  std::string command;
  in >> command;
  if (command == "doc") {
    Say("doc %d", word.AddDocument(Unescape(RestOf(in))));
  } else if (command == "window") {
    int document = 0, active = 0;
    long start = 0, end = 0;
    POINT at = {};
    in >> document >> active >> start >> end >> at.x >> at.y;
    const int window = word.AddWindow(document, Unescape(RestOf(in)), active != 0, start, end, at);
    Say("window %d editor=%s", window, FormatWindow(word.Editor(window)).c_str());
  } else if (command == "register") {
    const bool registered = word.Register();
    word.Mark();
    Say("registered %d", registered ? 1 : 0);
  } else if (command == "fail") {
    std::string member;
    int nth = 0;
    in >> member >> nth;
    word.Fail(member, nth);
    Say("ok");
  } else if (command == "state") {
    int window = 0, document = 0;
    in >> window >> document;
    const std::string leaks = word.Leaks();
    Say("sel=%ld,%ld caption=%s title=%s captionputs=%d unexpected=%d leaks=%s text=%s",
        word.SelStart(window), word.SelEnd(window), Escape(word.Caption(window)).c_str(),
        Escape(word.FrameTitle(window)).c_str(), word.Calls("Window.Caption.put"),
        static_cast<int>(word.Unexpected().size()), leaks.empty() ? "none" : leaks.c_str(),
        Escape(word.Text(document)).c_str());
  } else if (command == "quit" || command.empty()) {
    return false;
  }
  return true;
}

}  // namespace

// fakeword: plays Word. Commands, one a line, each answered with a line:
//   doc TEXT                                  -> doc N
//   window DOC ACTIVE START END X Y CAPTION   -> window N editor=HWND
//   register                                  -> registered 1|0 (references marked)
//   fail MEMBER NTH                           -> ok
//   state WINDOW DOC  -> sel=S,E caption=C title=T captionputs=N unexpected=N leaks=L text=X
//   quit
// Commands are read on a second thread and carried out on the window
// thread, which keeps pumping messages so that the library's hook runs.
KST_FIXTURE_ROLE("fakeword", FakeWordRole) {
  (void)args;
  if (FAILED(CoInitialize(nullptr))) return 1;
  int exitCode = 0;
  {
    FakeWord word;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the reader posts
    const DWORD windowThread = GetCurrentThreadId();
    std::thread reader([windowThread] {
      for (;;) {
        auto* line = new std::string(ReadCommand());
        const bool last = line->empty() || *line == "quit";
        if (!PostThreadMessageW(windowThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(line)))
          delete line;
        if (last) return;
      }
    });
    bool running = true;
    while (running && GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (message.message == kCommandMessage && message.hwnd == nullptr) {
        auto* line = reinterpret_cast<std::string*>(message.lParam);
        running = RunCommand(word, *line);
        delete line;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    reader.join();
  }
  CoUninitialize();
  return exitCode;
}

}  // namespace kst::test
