// A plugin that meets a broken answer inside another application's process,
// where the hook serves it: the call fails, the application lives on, and
// its next request is served.
#include <gtest/gtest.h>

#include <string>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

// The application answers WM_USER+60, which the Text Object Model plugin
// sends to ask for a rich edit control's OLE object, with an unreadable
// pointer or with a readable object whose vtable entries are junk.
class JunkInterface : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    // With the clipboard empty, no plugin after A can answer for the window.
    ClearClipboard();
  }
  Selvor32 library;
};

INSTANTIATE_TEST_SUITE_P(, JunkInterface, testing::Values("unreadable", "vtable"));

TEST_P(JunkInterface, TheCallFailsAndTheApplicationServesTheNextRequest) {
  FixtureWindow application(std::string("junk_ole ") + GetParam());
  ASSERT_NE(application.child, nullptr);
  char buffer[KST_TEXT_BUFFER_SIZE] = {};
  POINT point = {0, 0};
  // The hooked thread answers at once: a fault that ended the hook
  // procedure instead would leave the request to its ten-second timeout.
  DWORD start = GetTickCount();
  EXPECT_EQ(library.get_window_text(application.top, buffer, &point), 0);
  EXPECT_LT(GetTickCount() - start, 5000u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(application.Ask("asked"), "asked=1");
  start = GetTickCount();
  EXPECT_EQ(library.set_window_text(application.top, "15"), 0);
  EXPECT_LT(GetTickCount() - start, 5000u);
  EXPECT_EQ(application.Ask("asked"), "asked=2");
  EXPECT_EQ(application.Ask("loaded"), "loaded=1");

  EXPECT_EQ(library.get_window_text(application.child, buffer, &point), 1);
  EXPECT_STREQ(buffer, "12+3");
  EXPECT_EQ(library.get_last_used_plugin(), 'E');
  EXPECT_EQ(library.set_window_text(application.child, "15"), 1);
  EXPECT_EQ(application.Ask("text"), "text=x = 15 ;");
  application.process.Send("quit");
  EXPECT_EQ(application.process.Wait(), 0u) << "the application ends normally";
}

}  // namespace
}  // namespace kst::test
