// Reading and replacing the selection of another application's edit
// controls through the exports, as a client application does: an
// application of the client's bitness, reached through the client's own
// hook, and one of the other bitness, reached through the bridge.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge.h"
#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

enum class TTarget { OwnBitness, OtherBitness };

class CrossProcessEditTest : public testing::TestWithParam<TTarget> {
 protected:
  struct Editor : FixtureWindow {
    Editor(const std::string& arguments, const std::string& program)
        : FixtureWindow("editor " + arguments, program), edit(child) {}
    HWND edit;
  };
  void SetUp() override {
    ClearClipboard();
  }
  std::string Program() const { return GetParam() == TTarget::OwnBitness ? OwnFixture() : OtherBitnessFixture(); }
  Selvor32 library;
};

TEST_P(CrossProcessEditTest, TheRunAtTheCaretIsReadAndReplacedThroughTheHook) {
  // J, K and L are letters beyond ASCII: two bytes each on a multibyte code page.
  const struct {
    std::wstring text, run, replacement, after;
  } texts[] = {
      {L"x = 12+3 ;", L"12+3", L"15", L"x = 15 ;"},
      {L"x = 1J+K ;", L"1J+K", L"L5", L"x = L5 ;"},
  };
  for (const auto& t : texts) {
    for (const char* control : {"EDIT", "RichEdit20A", "RichEdit20W"}) {
      SCOPED_TRACE(AnsiOf(WithHighLetters(t.text)));
      Editor editor("\"" + AnsiOf(WithHighLetters(t.text)) + "\" 6 6 " + control, Program());
      char buffer[KST_TEXT_BUFFER_SIZE] = {};
      POINT point = {0, 0};
      ASSERT_EQ(library.get_window_text(editor.edit, buffer, &point), 1) << control;
      EXPECT_EQ(buffer, AnsiOf(WithHighLetters(t.run))) << control;
      EXPECT_EQ(library.get_last_used_plugin(), 'E') << control;
      EXPECT_EQ(editor.Ask("sel"), "sel=4 8") << control;
      // The caret of the editor's own thread, moved down by a caption.
      const auto caret = Words(editor.Ask("caret"));
      ASSERT_EQ(caret.size(), 3u);
      EXPECT_EQ(point.x, std::atoi(caret[1].c_str())) << control;
      EXPECT_EQ(point.y, std::atoi(caret[2].c_str()) + GetSystemMetrics(SM_CYCAPTION)) << control;

      EXPECT_EQ(library.set_window_text(editor.edit, AnsiOf(WithHighLetters(t.replacement)).c_str()), 1) << control;
      // With the run now selected, a rich edit control's own object model
      // can replace it, and comes first in the walk.
      EXPECT_EQ(library.get_last_used_plugin(), std::string(control) == "EDIT" ? 'E' : 'A') << control;
      EXPECT_EQ(editor.Ask("text"), "text=" + AnsiOf(WithHighLetters(t.after))) << control;
      // The editor runs the library of its own bitness: the client's, or the
      // one beside the bridge.
      const std::string loaded = GetParam() == TTarget::OwnBitness
                                      ? ModuleDir() + kBridgeLibraryName
                                      : ModuleDir() + kOtherBitnessFolder + "\\" + kBridgeLibraryName;
      EXPECT_EQ(Lower(editor.Ask("module")), Lower("module=" + loaded)) << control;
      BlockView block;
      EXPECT_EQ(block->Pending, 0);
      EXPECT_EQ(block->HookHandle, 0u);
    }
  }
}

TEST_P(CrossProcessEditTest, SwitchesSetInOneProcessHoldInAnother) {
  Editor editor("\"x = 12+3 ;\" 6 6", Program());
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

TEST_P(CrossProcessEditTest, WithEveryPluginDisabledNothingIsTouched) {
  Editor editor("\"x = 12+3 ;\" 6 6", Program());
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

INSTANTIATE_TEST_SUITE_P(Targets, CrossProcessEditTest,
                         testing::Values(TTarget::OwnBitness, TTarget::OtherBitness),
                         [](const testing::TestParamInfo<TTarget>& info) {
                           return info.param == TTarget::OwnBitness ? "OwnBitness" : "OtherBitness";
                         });

}  // namespace
}  // namespace kst::test
