// The engine's own procedures, called directly in the test process: the
// plugin table, RunGetText and RunSetText, IsNonBlank and the export walk.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugintable.h"
#include "selvor32.h"
#include "sharedblock.h"
#include "fakeplugin.h"
#include "testsupport.h"

namespace kst {
namespace {

using test::BlockView;

TEST(IsNonBlank, Table) {
  const struct {
    const char* text;
    bool expected;
  } cases[] = {
      {"12+34*2", true},  {"12 + 34", false}, {"", false},       {"a\xC8z", true},
      {"\x80\xFF", true}, {"a\tb", false},    {"a\rb", false},   {"a\nb", false},
      {"\x1F", false},    {" x", false},      {"x ", false},     {"!", true},
      {"\x7F", true},     {" ", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsNonBlank(c.text), c.expected) << '"' << c.text << '"';
  EXPECT_FALSE(IsNonBlank(nullptr));
}

TEST(NormalizeLetter, UpperCasesTheLowByteOnly) {
  EXPECT_EQ(NormalizeLetter('e'), 'E');
  EXPECT_EQ(NormalizeLetter('E'), 'E');
  EXPECT_EQ(NormalizeLetter(0x7700 + 'z'), 'Z');
  EXPECT_EQ(NormalizeLetter('1'), '1');
  EXPECT_EQ(NormalizeLetter('{'), '{');
  EXPECT_EQ(NormalizeLetter('@'), '@');
}

// Each built-in plugin adds its row here as it joins the table.
struct ExpectedPlugin {
  char letter;
  const char* name;
  bool injectable;
};
const std::vector<ExpectedPlugin> kBuiltInPlugins = {
    {'A', "Text Object Model plugin", true},
    {'B', "Microsoft Word plugin", true},
    {'C', "Microsoft Excel plugin", false},
    {'D', "Internet Explorer plugin", true},
    {'E', "Standard edit controls plugin", true},
    {'F', "Clipboard plugin", false},
    {'G', "Copy and paste plugin", false},
};

TEST(PluginTable, HoldsExactlyTheBuiltInPlugins) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const TPluginSlot* slot = FindPlugin(letter);
    const ExpectedPlugin* expected = nullptr;
    for (const auto& plugin : kBuiltInPlugins)
      if (plugin.letter == letter) expected = &plugin;
    if (!expected) {
      EXPECT_EQ(slot, nullptr) << letter;
      continue;
    }
    ASSERT_NE(slot, nullptr) << letter;
    EXPECT_EQ(slot->Injectable != 0, expected->injectable) << letter;
    char name[KST_PLUGIN_NAME_SIZE] = {};
    slot->GetInfo(name);
    EXPECT_STREQ(name, expected->name);
  }
  EXPECT_EQ(FindPlugin('@'), nullptr);
  EXPECT_EQ(FindPlugin('['), nullptr);
}

TEST_F(EngineTest, RunGetTextServesAndRecordsTheLetter) {
  char buffer[32769] = {};
  POINT point = {7, 7};
  EXPECT_EQ(RunGetText(window_, 'X', buffer, &point), 1);
  EXPECT_STREQ(buffer, "text of 1");
  EXPECT_EQ(point.x, 101);
  EXPECT_EQ(point.y, 201);
  EXPECT_EQ(SharedBlock()->LastUsed, 'X');
}

TEST_F(EngineTest, RunGetTextPresetsThePointForPluginsThatKnowNone) {
  FakeX::writesPoint = false;
  char buffer[32769] = {};
  POINT point = {7, 7};
  EXPECT_EQ(RunGetText(window_, 'X', buffer, &point), 1);
  EXPECT_EQ(point.x, -1);
  EXPECT_EQ(point.y, -1);
}

TEST_F(EngineTest, RunGetTextOnADestroyedWindowCallsNoPlugin) {
  DestroyWindow(window_);
  HWND gone = std::exchange(window_, nullptr);
  char buffer[32769] = "untouched";
  POINT point = {7, 7};
  EXPECT_EQ(RunGetText(gone, 'X', buffer, &point), 0);
  EXPECT_EQ(point.x, -1);
  EXPECT_EQ(point.y, -1);
  EXPECT_EQ(FakeX::canHandleCalls, 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(RunSetText(gone, 'X', "new"), 0);
  EXPECT_EQ(FakeX::canHandleCalls, 0);
}

TEST_F(EngineTest, DisabledOrEmptySlotsAreRefusedWithoutCallingThePlugin) {
  SharedBlock()->Disabled['X' - 'A'] = 1;
  char buffer[32769] = {};
  POINT point;
  EXPECT_EQ(RunGetText(window_, 'X', buffer, &point), 0);
  EXPECT_EQ(RunSetText(window_, 'X', "new"), 0);
  EXPECT_EQ(RunGetText(window_, 'Z', buffer, &point), 0);
  EXPECT_EQ(RunGetText(window_, '1', buffer, &point), 0);
  EXPECT_EQ(FakeX::canHandleCalls, 0);
  EXPECT_EQ(SharedBlock()->LastUsed, 0);
}

TEST_F(EngineTest, APluginThatDeclinesOrFailsLeavesTheLastUsedLetter) {
  SharedBlock()->LastUsed = 'Q';
  FakeX::canHandle = 0;
  char buffer[32769] = {};
  POINT point;
  EXPECT_EQ(RunGetText(window_, 'X', buffer, &point), 0);
  EXPECT_EQ(FakeX::getCalls, 0);
  FakeX::canHandle = 1;
  FakeX::getResult = 0;
  FakeX::setResult = 0;
  EXPECT_EQ(RunGetText(window_, 'X', buffer, &point), 0);
  EXPECT_EQ(RunSetText(window_, 'X', "new"), 0);
  EXPECT_EQ(SharedBlock()->LastUsed, 'Q');
}

TEST_F(EngineTest, RunSetTextPassesTheTextAndRecordsTheLetter) {
  EXPECT_EQ(RunSetText(window_, 'Y', "6*7"), 1);
  EXPECT_EQ(FakeY::lastSet, "6*7");
  EXPECT_EQ(SharedBlock()->LastUsed, 'Y');
}

TEST_F(EngineTest, TheWalkStopsAtTheFirstPluginThatServes) {
  FakeX::canHandle = 0;
  char buffer[32769] = {};
  POINT point = {0, 0};
  EXPECT_EQ(kst_get_window_text(window_, buffer, &point), 1);
  EXPECT_STREQ(buffer, "text of 2");
  EXPECT_EQ(FakeX::canHandleCalls, 1);
  EXPECT_EQ(kst_get_last_used_plugin(), 'Y');

  FakeX::canHandle = 1;
  EXPECT_EQ(kst_set_window_text(window_, "42"), 1);
  EXPECT_EQ(FakeX::lastSet, "42");
  EXPECT_EQ(FakeY::setCalls, 0);
  EXPECT_EQ(kst_get_last_used_plugin(), 'X');
}

TEST_F(EngineTest, ANullTextIsWrittenAsTheEmptyText) {
  EXPECT_EQ(kst_set_window_text(window_, nullptr), 1);
  EXPECT_EQ(FakeX::lastSet, "");
}

TEST_F(EngineTest, AWalkThatNobodyServesResetsTheLastUsedLetter) {
  SharedBlock()->LastUsed = 'X';
  FakeX::canHandle = FakeY::canHandle = 0;
  char buffer[32769] = {};
  POINT point = {0, 0};
  EXPECT_EQ(kst_get_window_text(window_, buffer, &point), 0);
  EXPECT_EQ(kst_get_last_used_plugin(), 0);
}

TEST_F(EngineTest, WithEveryPluginDisabledTheWalkTouchesNothing) {
  SharedBlock()->Disabled['X' - 'A'] = 1;
  SharedBlock()->Disabled['Y' - 'A'] = 1;
  char buffer[32769] = "untouched";
  POINT point = {7, 8};
  EXPECT_EQ(kst_get_window_text(window_, buffer, &point), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(point.x, 7);
  EXPECT_EQ(point.y, 8);
  EXPECT_EQ(kst_set_window_text(window_, "new"), 0);
  EXPECT_EQ(FakeX::canHandleCalls + FakeY::canHandleCalls, 0);
}

TEST_F(EngineTest, SwitchExportsNameOnlyPresentPlugins) {
  char name[KST_PLUGIN_NAME_SIZE] = {};
  EXPECT_EQ(kst_get_plugin_info('x', name), 1);
  EXPECT_STREQ(name, "Fake plugin 1");
  EXPECT_EQ(kst_disable_plugin('x'), 1);
  EXPECT_EQ(kst_is_plugin_enabled('X'), 0);
  EXPECT_EQ(SharedBlock()->Disabled['X' - 'A'], 1);
  EXPECT_EQ(kst_enable_plugin(0x100 + 'x'), 1);
  EXPECT_EQ(kst_is_plugin_enabled('x'), 1);
  EXPECT_EQ(SharedBlock()->Disabled['X' - 'A'], 0);

  for (int letter : {'H', 'Q', 'q', '1', '@', '[', '\0'}) {
    std::memset(name, 'z', sizeof(name));
    EXPECT_EQ(kst_get_plugin_info(letter, name), 0) << letter;
    EXPECT_STREQ(name, "Invalid plugin index.");
    EXPECT_EQ(kst_enable_plugin(letter), 0) << letter;
    EXPECT_EQ(kst_disable_plugin(letter), 0) << letter;
    EXPECT_EQ(kst_is_plugin_enabled(letter), 0) << letter;
  }
}

}  // namespace
}  // namespace kst
