// The Word plugin as a client reaches it: the library's exports asked about
// the editing window of a fake Word process, so the plugin runs inside that
// process through the hook and calls the fake's objects directly.
#include <gtest/gtest.h>

#include <string>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

constexpr char kTitle[] = "Report.docx - Word";

class FakeWordProcess {
 public:
  FakeWordProcess() : process_("fakeword") {}
  ~FakeWordProcess() { process_.Send("quit"); process_.Wait(); }

  std::string Ask(const std::string& command) {
    process_.Send(command);
    return process_.ReadLine();
  }
  // Adds a window and returns its editing window.
  HWND AddWindow(const std::string& description) {
    const std::string answer = Ask("window " + description);
    const size_t at = answer.find("editor=");
    return at == std::string::npos ? nullptr : ParseWindow(answer.substr(at + 7));
  }
  std::string State(int window, int document = 0) {
    return Ask("state " + std::to_string(window) + " " + std::to_string(document));
  }

 private:
  FixtureProcess process_;
};

struct Read {
  int result;
  std::string text;
  POINT point;
};

Read ReadThroughLibrary(const Selvor32& library, HWND window) {
  std::string buffer(32769, '\0');
  POINT point = {};
  const int result = library.get_window_text(window, buffer.data(), &point);
  return {result, buffer.c_str(), point};
}

TEST(WordThroughTheHook, ReadsAndGrowsTheRunAroundTheInsertionPoint) {
  Selvor32 library;
  FakeWordProcess word;
  ASSERT_EQ(word.Ask("doc x 12+34 \\r"), "doc 0");
  const HWND editor = word.AddWindow(std::string("0 1 4 4 150 260 ") + kTitle);
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(word.Ask("register"), "registered 1");

  const Read read = ReadThroughLibrary(library, editor);
  ASSERT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "12+34");
  EXPECT_EQ(read.point.x, 150);
  EXPECT_EQ(read.point.y, 260 + GetSystemMetrics(SM_CYCAPTION));
  EXPECT_EQ(library.get_last_used_plugin(), 'B');
  EXPECT_EQ(word.State(0), std::string("sel=2,7 caption=") + kTitle + " title=" + kTitle +
                               " captionputs=0 unexpected=0 leaks=none text=x 12+34 \\r");

  ASSERT_EQ(library.set_window_text(editor, "46"), 1);
  EXPECT_EQ(word.State(0), std::string("sel=2,4 caption=") + kTitle + " title=" + kTitle +
                               " captionputs=0 unexpected=0 leaks=none text=x 46 \\r");
}

TEST(WordThroughTheHook, TheMarkerTestFindsTheWindowAndRestoresBothCaptions) {
  Selvor32 library;
  FakeWordProcess word;
  ASSERT_EQ(word.Ask("doc alpha beta\\r"), "doc 0");
  ASSERT_NE(word.AddWindow(std::string("0 1 2 2 10 20 ") + kTitle), nullptr);
  const HWND second = word.AddWindow(std::string("0 1 8 8 10 20 ") + kTitle);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(word.Ask("register"), "registered 1");

  const Read read = ReadThroughLibrary(library, second);
  ASSERT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "beta");
  for (int window : {0, 1}) {
    const std::string state = word.State(window);
    EXPECT_NE(state.find(std::string("caption=") + kTitle + " title=" + kTitle + " captionputs=2 "
                                                                                 "unexpected=0 leaks=none"),
              std::string::npos)
        << state;
  }
}

TEST(WordThroughTheHook, AFailingCallInWordGivesNothing) {
  Selvor32 library;
  FakeWordProcess word;
  ASSERT_EQ(word.Ask("doc 12+34\\r"), "doc 0");
  const HWND editor = word.AddWindow(std::string("0 1 2 2 10 20 ") + kTitle);
  ASSERT_EQ(word.Ask("register"), "registered 1");
  ASSERT_EQ(word.Ask("fail Selection.Text.get 0"), "ok");
  // The clipboard plugin would answer for any window while the clipboard
  // holds text; only the Word plugin is asked here.
  ASSERT_EQ(library.disable_plugin('F'), 1);
  const auto enableAgain = scope_exit([&] { library.enable_plugin('F'); });

  EXPECT_EQ(ReadThroughLibrary(library, editor).result, 0);
  EXPECT_NE(word.State(0).find("unexpected=0 leaks=none"), std::string::npos);
}

}  // namespace
}  // namespace kst::test
