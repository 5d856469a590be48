// The Internet Explorer plugin across processes: a fixture process hosts the
// scripted document, and the library, loaded as a client loads it, reaches
// it through the hook in the fixture's own thread.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

class IeAcrossProcesses : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library_.module, nullptr);
    // Only plugin D may answer, so that a refusal is its own.
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      enabled_[letter - 'A'] = library_.is_plugin_enabled(letter);
      if (letter != 'D') library_.disable_plugin(letter);
    }
    ASSERT_EQ(library_.enable_plugin('D'), 1);
    page_ = std::make_unique<FixtureProcess>("htmlpage");
    const auto words = Words(page_->ReadLine());
    ASSERT_EQ(words.size(), 2u);
    ASSERT_EQ(words[0], "window");
    window_ = ParseWindow(words[1]);
    ASSERT_TRUE(IsWindow(window_));
  }
  void TearDown() override {
    if (page_) {
      page_->Send("quit");
      EXPECT_EQ(page_->Wait(), 0u);
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter)
      if (enabled_[letter - 'A']) library_.enable_plugin(letter);
  }

  std::string Command(const std::string& line) {
    page_->Send(line);
    return page_->ReadLine();
  }
  std::string Page(const std::string& description) { return Command("page " + description); }

  struct TRead {
    int result;
    std::string text;
    POINT point;
  };
  TRead Read() {
    TRead read = {};
    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    read.point = {7, 7};
    read.result = library_.get_window_text(window_, buffer, &read.point);
    read.text = buffer;
    return read;
  }
  POINT CaretOnScreen(POINT client) const {
    ClientToScreen(window_, &client);
    client.y += GetSystemMetrics(SM_CYCAPTION);
    return client;
  }

  Selvor32 library_;
  int enabled_[26] = {};
  std::unique_ptr<FixtureProcess> page_;
  HWND window_ = nullptr;
};

TEST_F(IeAcrossProcesses, TheRunAtTheCaretIsReadSelectedAndReplacedInTheOtherProcess) {
  ASSERT_EQ(Page("input text 1 7 7 None 37 21 sum 12+34*2 now"), "ok");
  const TRead read = Read();
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "12+34*2");
  const POINT expected = CaretOnScreen({37, 21});
  EXPECT_EQ(read.point.x, expected.x);
  EXPECT_EQ(read.point.y, expected.y);
  EXPECT_EQ(library_.get_last_used_plugin(), 'D');
  EXPECT_EQ(Command("state"), "refs=0 unexpected=0 sel=4,11 text=sum 12+34*2 now");

  EXPECT_EQ(library_.set_window_text(window_, "46"), 1);
  EXPECT_EQ(Command("state"), "refs=0 unexpected=0 sel=6,6 text=sum 46 now");
}

TEST_F(IeAcrossProcesses, OnlyTextFieldsTextAreasAndTheBodyAreServed) {
  const struct {
    const char* page;
    int expected;
  } cases[] = {
      {"input password 1 1 3 Text 5 5 secret", 0}, {"input checkbox 0 1 3 Text 5 5 secret", 0},
      {"input FiLe 1 1 3 Text 5 5 c:\\a.txt", 1},   {"input TEXT 1 1 3 Text 5 5 abcdef", 1},
      {"textarea - 1 1 3 Text 5 5 abcdef", 1},      {"body - 1 1 3 Text 5 5 abcdef", 1},
      {"body - 1 1 3 Control 5 5 abcdef", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    ASSERT_EQ(Page(c.page), "ok");
    const TRead read = Read();
    EXPECT_EQ(read.result, c.expected);
    if (c.expected == 1) {
      EXPECT_EQ(read.text.size(), 2u);
    }
    EXPECT_EQ(library_.set_window_text(window_, "XY"), c.expected);
    const std::string state = Command("state");
    EXPECT_EQ(state.substr(0, 24), "refs=0 unexpected=0 sel=");
    EXPECT_EQ(state.find("XY") != std::string::npos, c.expected == 1) << state;
  }
}

}  // namespace
}  // namespace kst::test
