// The clipboard and Text Object Model plugins as a client reaches them: the
// exports of selvor32.dll, with windows of other processes read through the
// hook.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testsupport.h"

namespace kst {
namespace {

using test::FixtureProcess;
using test::Selvor32;

// A window no plugin but the clipboard serves.
HWND CreatePlainWindow() {
  static const ATOM atom = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KstPlainWindow";
    return RegisterClassA(&windowClass);
  }();
  if (!atom) return nullptr;
  return CreateWindowA("KstPlainWindow", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                       GetModuleHandleA(nullptr), nullptr);
}

// Empties the clipboard and leaves one private format on it.
bool ClipboardWithoutText(UINT format) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, 4));
  const bool placed = block && SetClipboardData(format, block.get());
  if (placed) block.release();
  CloseClipboard();
  return placed;
}

// Leaves no text on the clipboard for the tests that follow.
class ClipboardThroughTheEngine : public testing::Test {
 protected:
  void TearDown() override {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
};

TEST_F(ClipboardThroughTheEngine, WithNoTextAWriteFallsThroughWithoutTouchingIt) {
  Selvor32 library;
  ASSERT_NE(library.module, nullptr);
  HWND window = CreatePlainWindow();
  ASSERT_NE(window, nullptr);
  const UINT format = RegisterClipboardFormatA("KstClipTestFormat");
  ASSERT_TRUE(ClipboardWithoutText(format));
  const DWORD sequence = GetClipboardSequenceNumber();

  EXPECT_EQ(library.set_window_text(window, "12+34*2"), 0);
  EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
  EXPECT_EQ(IsClipboardFormatAvailable(CF_TEXT), 0);
  EXPECT_NE(IsClipboardFormatAvailable(format), 0);
  EXPECT_EQ(library.get_last_used_plugin(), 0);

  // An empty clipboard is no different.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  char buffer[32769] = {};
  POINT point = {0, 0};
  EXPECT_EQ(library.set_window_text(window, ""), 0);  // still nothing there
  EXPECT_EQ(library.get_window_text(window, buffer, &point), 0);
  EXPECT_EQ(library.get_last_used_plugin(), 0);
  DestroyWindow(window);
}

TEST_F(ClipboardThroughTheEngine, ReadsAndReplacesClipboardText) {
  Selvor32 library;
  ASSERT_NE(library.module, nullptr);
  HWND window = CreatePlainWindow();
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, 8));
  lstrcpyA(static_cast<char*>(GlobalLock(block.get())), "6*7");
  GlobalUnlock(block.get());
  ASSERT_TRUE(SetClipboardData(CF_TEXT, block.get()));
  block.release();
  CloseClipboard();

  char buffer[32769] = {};
  POINT point = {0, 0};
  EXPECT_EQ(library.get_window_text(window, buffer, &point), 1);
  EXPECT_STREQ(buffer, "6*7");
  EXPECT_EQ(point.x, -2);
  EXPECT_EQ(point.y, -2);
  EXPECT_EQ(library.get_last_used_plugin(), 'F');
  EXPECT_EQ(library.set_window_text(window, "42"), 1);
  EXPECT_EQ(library.get_window_text(window, buffer, &point), 1);
  EXPECT_STREQ(buffer, "42");
  DestroyWindow(window);
}

// A foreign window's process, read and written through the library.
struct ForeignWindow {
  explicit ForeignWindow(const std::string& arguments) : process(arguments) {
    const std::string line = process.ReadLine();
    if (line.rfind("window=", 0) == 0) window = test::ParseWindow(line.substr(7));
    EXPECT_NE(window, nullptr) << process.Output();
  }
  std::string State() {
    process.Send("state");
    return process.ReadLine();
  }
  struct Read {
    int result;
    std::string text;
    POINT point;
  };
  Read ReadThrough(Selvor32& library) {
    char buffer[32769] = {};
    POINT point = {0, 0};
    const int result = library.get_window_text(window, buffer, &point);
    return {result, buffer, point};
  }
  FixtureProcess process;
  HWND window = nullptr;
};

TEST(TextObjectModelThroughTheEngine, AScriptedDocumentInAnotherProcessIsServedThroughTheHook) {
  Selvor32 library;
  ASSERT_NE(library.module, nullptr);
  ForeignWindow foreign("scripted-tom \"l0/ab 12+3[]4*2 cd/l2\" 1");
  ASSERT_NE(foreign.window, nullptr);

  const auto read = foreign.ReadThrough(library);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "12+34*2");
  EXPECT_EQ(library.get_last_used_plugin(), 'A');
  // Scrolled so that the selection's line is the first one shown.
  POINT origin = {0, 0};
  ClientToScreen(foreign.window, &origin);
  EXPECT_EQ(read.point.x, origin.x + 3 * 8);
  EXPECT_EQ(read.point.y, origin.y + GetSystemMetrics(SM_CYCAPTION));
  EXPECT_EQ(foreign.State(), "text=l0/ab [12+34*2] cd/l2 live=0 unexpected=0 overreleases=0");

  EXPECT_EQ(library.set_window_text(foreign.window, "6*7"), 1);
  EXPECT_EQ(library.get_last_used_plugin(), 'A');
  EXPECT_EQ(foreign.State(), "text=l0/ab [6*7] cd/l2 live=0 unexpected=0 overreleases=0");
  foreign.process.Send("quit");
  EXPECT_EQ(foreign.process.Wait(), 0u);
}

// Wine's rich edit cannot finish a read through its Text Object Model, so
// the walk goes on to the edit-control plugin, which serves the control.
TEST(TextObjectModelThroughTheEngine, AForeignRichEditIsStillReadAndReplaced) {
  Selvor32 library;
  ASSERT_NE(library.module, nullptr);
  char name[64] = {};
  if (!library.get_plugin_info('E', name)) GTEST_SKIP() << "no plugin in slot E yet";
  ForeignWindow foreign("richedit \"ab 12+34*2 cd\" 6 6");
  ASSERT_NE(foreign.window, nullptr);

  const auto read = foreign.ReadThrough(library);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "12+34*2");
  EXPECT_EQ(library.get_last_used_plugin(), 'E');
  EXPECT_EQ(foreign.State(), "text=ab 12+34*2 cd sel=3,10");

  // The run is selected now, so the Text Object Model can replace it; Wine
  // leaves the caret behind the new text.
  EXPECT_EQ(library.set_window_text(foreign.window, "6*7"), 1);
  EXPECT_EQ(library.get_last_used_plugin(), 'A');
  EXPECT_EQ(foreign.State(), "text=ab 6*7 cd sel=6,6");
  foreign.process.Send("quit");
  EXPECT_EQ(foreign.process.Wait(), 0u);
}

}  // namespace
}  // namespace kst
