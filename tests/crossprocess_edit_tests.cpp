// Reading and replacing the selection of another application's edit
// controls through the exports, as a client application does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

struct Editor : FixtureWindow {
  explicit Editor(const std::string& arguments) : FixtureWindow("editor " + arguments), edit(child) {}
  HWND edit;
};

class CrossProcessEditTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearClipboard();
  }
  Selvor32 library;
};

TEST_F(CrossProcessEditTest, TheRunAtTheCaretIsReadAndReplacedThroughTheHook) {
  for (const char* control : {"EDIT", "RichEdit20A", "RichEdit20W"}) {
    Editor editor(std::string("\"x = 12+3 ;\" 6 6 ") + control);
    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    POINT point = {0, 0};
    ASSERT_EQ(library.get_window_text(editor.edit, buffer, &point), 1) << control;
    EXPECT_STREQ(buffer, "12+3") << control;
    EXPECT_EQ(library.get_last_used_plugin(), 'E') << control;
    EXPECT_EQ(editor.Ask("sel"), "sel=4 8") << control;
    // The caret of the editor's own thread, moved down by a caption.
    const auto caret = Words(editor.Ask("caret"));
    ASSERT_EQ(caret.size(), 3u);
    EXPECT_EQ(point.x, std::atoi(caret[1].c_str())) << control;
    EXPECT_EQ(point.y, std::atoi(caret[2].c_str()) + GetSystemMetrics(SM_CYCAPTION)) << control;

    EXPECT_EQ(library.set_window_text(editor.edit, "15"), 1) << control;
    // With the run now selected, a rich edit control's own object model
    // can replace it, and comes first in the walk.
    EXPECT_EQ(library.get_last_used_plugin(), std::string(control) == "EDIT" ? 'E' : 'A') << control;
    EXPECT_EQ(editor.Ask("text"), "text=x = 15 ;") << control;
    BlockView block;
    EXPECT_EQ(block->Pending, 0);
    EXPECT_EQ(block->HookHandle, 0u);
  }
}

TEST_F(CrossProcessEditTest, SwitchesSetInOneProcessHoldInAnother) {
  Editor editor("\"x = 12+3 ;\" 6 6");
  ASSERT_EQ(RunFixture("client").exitCode, 0u);
  EXPECT_EQ(library.disable_plugin('A'), 1);
  const FixtureResult other = RunFixture("client");
  EXPECT_NE(other.output.find("disabled=10000000000000000000000000"), std::string::npos)
      << other.output;
  EXPECT_EQ(library.is_plugin_enabled('a'), 0);

  library.disable_plugin('E');
  char buffer[KST_TEXT_BUFFER_SIZE] = {};
  POINT point = {0, 0};
  // Inside the editor's process the disabled E is refused too.
  EXPECT_EQ(library.get_window_text(editor.edit, buffer, &point), 0);
  library.enable_plugin('E');
  library.enable_plugin('A');
  EXPECT_EQ(library.get_window_text(editor.edit, buffer, &point), 1);
}

TEST_F(CrossProcessEditTest, WithEveryPluginDisabledNothingIsTouched) {
  Editor editor("\"x = 12+3 ;\" 6 6");
  for (char letter = 'A'; letter <= 'Z'; ++letter) library.disable_plugin(letter);
  char buffer[KST_TEXT_BUFFER_SIZE] = "untouched";
  POINT point = {3, 4};
  EXPECT_EQ(library.get_window_text(editor.edit, buffer, &point), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(point.x, 3);
  EXPECT_EQ(point.y, 4);
  EXPECT_EQ(library.set_window_text(editor.edit, "15"), 0);
  EXPECT_EQ(editor.Ask("text"), "text=x = 12+3 ;");
  EXPECT_EQ(editor.Ask("loaded"), "loaded=0");
  for (char letter = 'A'; letter <= 'Z'; ++letter) library.enable_plugin(letter);
}

}  // namespace
}  // namespace kst::test
