// The shared block as clients see it: created zeroed by the first process,
// joined by the next, left by each, and the library usable without it.
#include <gtest/gtest.h>

#include <cstring>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

bool BlockExists() { return static_cast<bool>(BlockView()); }

class BlockTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(BlockExists()) << "another process holds the block"; }
};

TEST_F(BlockTest, TheFirstClientCreatesAZeroedBlockWithCountOne) {
  Selvor32 library;
  BlockView block;
  ASSERT_TRUE(block);
  EXPECT_EQ(block->ClientCount, 1);
  const auto* bytes = reinterpret_cast<const unsigned char*>(block.get());
  size_t nonZero = 0;
  for (size_t i = 0; i < kSharedBlockSize; ++i)
    if (i < 4 || i >= 8) nonZero += bytes[i] != 0;
  EXPECT_EQ(nonZero, 0u);
  EXPECT_EQ(library.get_last_used_plugin(), 0);
}

TEST_F(BlockTest, ASecondProcessJoinsTheBlockWithItsSwitches) {
  Selvor32 library;
  BlockView block;
  ASSERT_TRUE(block);
  block->Disabled['E' - 'A'] = 1;
  block->LastUsed = 'E';

  const FixtureResult second = RunFixture("client");
  EXPECT_EQ(second.exitCode, 0u) << second.output;
  EXPECT_EQ(second.output.substr(0, second.output.find('\r')),
            "count=2 disabled=00001000000000000000000000 lastused=69");

  // The second process has gone: one holder less, nothing else changed.
  EXPECT_EQ(block->ClientCount, 1);
  EXPECT_EQ(block->Disabled['E' - 'A'], 1);
  EXPECT_EQ(library.get_last_used_plugin(), 'E');
}

TEST_F(BlockTest, UnloadingLeavesTheBlockToTheOtherClients) {
  FixtureProcess holder("client hold");
  ASSERT_EQ(holder.ReadLine(), "count=1 disabled=00000000000000000000000000 lastused=0");
  BlockView block;
  ASSERT_TRUE(block);
  {
    Selvor32 library;
    EXPECT_EQ(block->ClientCount, 2);
    block->Disabled['Z' - 'A'] = 1;
  }
  EXPECT_EQ(block->ClientCount, 1);
  EXPECT_EQ(block->Disabled['Z' - 'A'], 1);
  holder.Send("quit");
  EXPECT_EQ(holder.Wait(), 0u);
  EXPECT_EQ(block->ClientCount, 0);
}

TEST_F(BlockTest, SwitchesDoNotOutliveTheLastHolder) {
  {
    Selvor32 library;
    BlockView block;
    ASSERT_TRUE(block);
    block->Disabled[0] = 1;
  }
  EXPECT_FALSE(BlockExists());
  Selvor32 library;
  BlockView block;
  ASSERT_TRUE(block);
  EXPECT_EQ(block->Disabled[0], 0);
  EXPECT_EQ(block->ClientCount, 1);
}

TEST_F(BlockTest, WithoutTheBlockTheLibraryStillLoadsAndAnswers) {
  // An object of another type under the block's name makes the mapping fail.
  unique_handle squatter(CreateEventA(nullptr, TRUE, FALSE, kSharedBlockName));
  ASSERT_TRUE(squatter);
  ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  Selvor32 library;
  ASSERT_NE(library.module, nullptr);
  EXPECT_FALSE(BlockExists());
  char name[KST_PLUGIN_NAME_SIZE] = {};
  EXPECT_EQ(library.get_plugin_info('Q', name), 0);
  EXPECT_STREQ(name, "Invalid plugin index.");
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    EXPECT_EQ(library.enable_plugin(letter), 0) << letter;
    EXPECT_EQ(library.disable_plugin(letter), 0) << letter;
    EXPECT_EQ(library.is_plugin_enabled(letter), 0) << letter;
  }
  EXPECT_EQ(library.get_last_used_plugin(), 0);

  HWND window = CreateWindowA("EDIT", "text", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, nullptr, nullptr);
  char buffer[KST_TEXT_BUFFER_SIZE] = "untouched";
  POINT point = {3, 4};
  EXPECT_EQ(library.get_window_text(window, buffer, &point), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(point.x, 3);
  EXPECT_EQ(library.set_window_text(window, "new"), 0);
  EXPECT_EQ(WindowText(window), "text");
  DestroyWindow(window);
}

// A block that a library version without opt-in plugins created and
// keeps: all zero, and every plugin it knew switched on. The copy and paste
// plugin stays off there, and its switch is the library's alone.
TEST_F(BlockTest, TheCopyAndPastePluginIsOffUntilAClientTurnsItOn) {
  unique_handle older(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedBlockSize,
                                         kSharedBlockName));
  ASSERT_TRUE(older);
  BlockView block;
  ASSERT_TRUE(block);
  std::memset(block.get(), 0, kSharedBlockSize);

  Selvor32 library;
  char name[KST_PLUGIN_NAME_SIZE] = {};
  EXPECT_EQ(library.get_plugin_info('g', name), 1);
  EXPECT_STREQ(name, "Copy and paste plugin");
  for (char letter = 'A'; letter <= 'F'; ++letter) EXPECT_EQ(library.is_plugin_enabled(letter), 1) << letter;
  EXPECT_EQ(library.is_plugin_enabled('G'), 0);

  EXPECT_EQ(library.enable_plugin('G'), 1);
  EXPECT_EQ(library.is_plugin_enabled('g'), 1);
  EXPECT_EQ(block->Disabled['G' - 'A'], 0);
  EXPECT_EQ(block->OptIn, OptInBit('G'));
  EXPECT_EQ(library.disable_plugin('g'), 1);
  EXPECT_EQ(library.is_plugin_enabled('G'), 0);
  EXPECT_EQ(block->Disabled['G' - 'A'], 1);
}

TEST_F(BlockTest, ANewBlockHasTheCopyAndPastePluginOff) {
  Selvor32 library;
  EXPECT_EQ(library.is_plugin_enabled('G'), 0);
  EXPECT_EQ(library.enable_plugin('G'), 1);
  EXPECT_EQ(library.is_plugin_enabled('G'), 1);
}

TEST_F(BlockTest, LettersOutsideThePresentSlotsAreInvalid) {
  Selvor32 library;
  for (int letter : {'H', 'h', 'Q', '1', '@', '\0'}) {
    char name[KST_PLUGIN_NAME_SIZE] = {};
    EXPECT_EQ(library.get_plugin_info(letter, name), 0) << letter;
    EXPECT_STREQ(name, "Invalid plugin index.");
    EXPECT_EQ(library.enable_plugin(letter), 0) << letter;
    EXPECT_EQ(library.disable_plugin(letter), 0) << letter;
    EXPECT_EQ(library.is_plugin_enabled(letter), 0) << letter;
  }
}

}  // namespace
}  // namespace kst::test
