// The copy and paste plugin in the walk of a client of selvor32.dll: the
// plugins of the window's thread still go there in one hooked request, ahead
// of it, and it serves what they leave.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

uint32_t Serial(const uint8_t (&field)[3]) { return field[0] | field[1] << 8 | field[2] << 16; }

TEST(CopyPasteWalk, TheHookedPluginsGoFirstInOneRequest) {
  Selvor32 library;
  BlockView block;
  ASSERT_TRUE(block);
  ClearClipboard();
  FixtureWindow editor("copypaste-editor EDIT KstCopyFrame \"x = 12+3 ;\" 4 8");
  ASSERT_NE(editor.child, nullptr);
  const struct {
    bool editPlugin;
    char serving;
    const char* keys;
  } cases[] = {{true, 'E', "keys=none"}, {false, 'G', "keys=C:ctrl=1,shift=0,alt=0,win=0;"}};
  for (const auto& c : cases) {
    for (char letter = 'A'; letter <= 'G'; ++letter) library.enable_plugin(letter);
    if (!c.editPlugin) library.disable_plugin('E');
    ASSERT_EQ(editor.Ask("select 4 8"), "selected");
    const uint32_t before = Serial(block->LastSerial);
    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    POINT point = {};
    EXPECT_EQ(library.get_window_text(editor.child, buffer, &point), 1) << c.serving;
    EXPECT_EQ(library.get_last_used_plugin(), c.serving);
    EXPECT_STREQ(buffer, "12+3") << c.serving;
    EXPECT_EQ(Serial(block->LastSerial) - before, 1u) << c.serving;
    EXPECT_EQ(editor.Ask("keys"), c.keys);
  }
  library.disable_plugin('G');
  library.enable_plugin('E');
}

}  // namespace
}  // namespace kst::test
