// The standard edit controls plugin reached the way a client reaches it:
// through selvor32.dll, for an edit control of the caller's own thread.
#include <gtest/gtest.h>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

TEST(StdEditThroughTheLibrary, ServesAnEditControlOfTheCallersThread) {
  Selvor32 library;
  ASSERT_NE(library.module, nullptr);
  // Plugins that come before it in the walk must not take the window.
  for (char letter = 'A'; letter < 'E'; ++letter) library.disable_plugin(letter);

  char name[KST_PLUGIN_NAME_SIZE] = {};
  EXPECT_EQ(library.get_plugin_info('e', name), 1);
  EXPECT_STREQ(name, "Standard edit controls plugin");
  EXPECT_EQ(library.is_plugin_enabled('E'), 1);

  HWND edit = CreateWindowExA(0, "EDIT", "x = 12+3 ;", WS_POPUP | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 300, 30,
                              nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, EM_SETSEL, 5, 5);
  char buffer[KST_TEXT_BUFFER_SIZE] = {};
  POINT point = {0, 0};
  EXPECT_EQ(library.get_window_text(edit, buffer, &point), 1);
  EXPECT_STREQ(buffer, "12+3");
  EXPECT_EQ(library.get_last_used_plugin(), 69);
  EXPECT_NE(point.x, -2);

  EXPECT_EQ(library.set_window_text(edit, "15"), 1);
  EXPECT_EQ(WindowText(edit), "x = 15 ;");
  EXPECT_EQ(library.get_last_used_plugin(), 'E');

  // Switched off, the plugin no longer serves the window (nor may the
  // clipboard, which serves any window while it holds text).
  library.disable_plugin('F');
  EXPECT_EQ(library.disable_plugin('e'), 1);
  EXPECT_EQ(library.get_window_text(edit, buffer, &point), 0);
  EXPECT_EQ(library.get_last_used_plugin(), 0);
  EXPECT_EQ(library.enable_plugin('e'), 1);
  library.enable_plugin('F');
  DestroyWindow(edit);
}

}  // namespace
}  // namespace kst::test
