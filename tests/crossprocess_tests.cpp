// Requests that the engine carries into another application's thread: the
// focus window, activation, console windows and a target that stops pumping.
#include <gtest/gtest.h>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

// A foreign application from the fixture, in the foreground.
struct Target : FixtureWindow {
  explicit Target(const std::string& arguments) : FixtureWindow(arguments) {
    if (top && !PumpUntil([&] { return GetForegroundWindow() == top; }, 5000))
      ADD_FAILURE() << "the target did not come to the foreground";
  }
};

void ExpectNoRequestLeft() {
  BlockView block;
  ASSERT_TRUE(block);
  EXPECT_EQ(block->Pending, 0);
  EXPECT_EQ(block->HookHandle, 0u);
}

class CrossProcessTest : public testing::Test {
 protected:
  void SetUp() override { ClearClipboard(); }
  Selvor32 library;
};

TEST_F(CrossProcessTest, TheFocusWindowComesFromTheForegroundThread) {
  Target editor("editor");
  ASSERT_NE(editor.child, nullptr);
  HWND focus = library.get_focus_window();
  EXPECT_EQ(focus, editor.child);
  EXPECT_NE(focus, editor.top);
  ExpectNoRequestLeft();
  // The hook brought the library into the editor's process.
  EXPECT_EQ(editor.Ask("loaded"), "loaded=1");
}

TEST_F(CrossProcessTest, ActivationRunsInTheForegroundThread) {
  Target first("editor");
  Target second("editor");
  ASSERT_EQ(GetForegroundWindow(), second.top);
  EXPECT_EQ(library.activate_window(first.top), 1);
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == first.top; }, 3000));
  ExpectNoRequestLeft();
}

TEST_F(CrossProcessTest, AHandleThatIsNoWindowIsNotActivated) {
  Target editor("editor");
  HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  EXPECT_EQ(library.activate_window(gone), 0);
  EXPECT_EQ(GetForegroundWindow(), editor.top);
  ExpectNoRequestLeft();
}

TEST_F(CrossProcessTest, ConsoleWindowsAreRefusedAtOnceAndNeverHooked) {
  for (const char* className : {"ConsoleWindowClass", "tty"}) {
    Target console(std::string("console ") + className);
    const DWORD start = GetTickCount();
    EXPECT_EQ(library.get_focus_window(), nullptr) << className;
    char buffer[KST_TEXT_BUFFER_SIZE] = "untouched";
    POINT point = {3, 4};
    EXPECT_EQ(library.get_window_text(console.top, buffer, &point), 0) << className;
    EXPECT_EQ(library.set_window_text(console.top, "text"), 0) << className;
    EXPECT_LT(GetTickCount() - start, 2000u) << className;
    EXPECT_STREQ(buffer, "untouched");
    ExpectNoRequestLeft();
    EXPECT_EQ(console.Ask("loaded"), "loaded=0") << className;
  }
}

TEST_F(CrossProcessTest, ATargetThatStopsPumpingTimesOutAndIsUnhooked) {
  Target editor("editor");
  editor.process.Send("hang 13000");
  Sleep(200);
  const DWORD start = GetTickCount();
  EXPECT_EQ(library.get_focus_window(), nullptr);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 9500u);
  EXPECT_LT(elapsed, 12500u);
  ExpectNoRequestLeft();
  EXPECT_EQ(editor.process.ReadLine(10000), "unhung");
  // The late WM_NULL finds no request: the editor goes on unharmed.
  EXPECT_EQ(editor.Ask("sel"), "sel=6 6");
  ExpectNoRequestLeft();
}

}  // namespace
}  // namespace kst::test
