// The clipboard plugin on the real clipboard of the desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "kstclip.h"
#include "testsupport.h"

namespace kst {
namespace {

using test::FixtureProcess;

// Empties the clipboard and puts the given formats on it.
bool ResetClipboard() {
  if (!OpenClipboard(nullptr)) return false;
  const bool emptied = EmptyClipboard();
  CloseClipboard();
  return emptied;
}

bool PutFormat(UINT format, const std::string& bytes) {
  if (!OpenClipboard(nullptr)) return false;
  unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  bool placed = false;
  if (block) {
    std::memcpy(GlobalLock(block.get()), bytes.data(), bytes.size());
    GlobalUnlock(block.get());
    placed = SetClipboardData(format, block.get()) != nullptr;
    if (placed) block.release();
  }
  CloseClipboard();
  return placed;
}

bool PutText(const std::string& text) { return PutFormat(CF_TEXT, text + '\0'); }

// The raw bytes of a format as the clipboard holds them.
std::string FormatBytes(UINT format) {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return "<cannot open>";
  if (HANDLE data = GetClipboardData(format)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      bytes.assign(p, GlobalSize(data));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return bytes;
}

UINT PrivateFormat() { return RegisterClipboardFormatA("KstClipTestFormat"); }

struct Read {
  int result;
  std::string text;
  POINT point;
};

Read ReadClipboard(const char* before = "untouched") {
  static char buffer[32769 + 16];
  std::memset(buffer, 'z', sizeof(buffer));
  lstrcpyA(buffer, before);
  POINT point = {-1, -1};
  const int result = clip::GetText(nullptr, buffer, &point);
  return {result, buffer, point};
}

class ClipboardPlugin : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ResetClipboard()); }
  void TearDown() override { ResetClipboard(); }
};

TEST_F(ClipboardPlugin, NamesItself) {
  char name[64] = {};
  clip::GetInfo(name);
  EXPECT_STREQ(name, "Clipboard plugin");
}

TEST_F(ClipboardPlugin, CanHandleFollowsTextOnTheClipboardForAnyWindow) {
  HWND windows[] = {nullptr, GetDesktopWindow(), reinterpret_cast<HWND>(0x12345)};
  for (HWND window : windows) EXPECT_EQ(clip::CanHandle(window), 0);
  ASSERT_TRUE(PutFormat(PrivateFormat(), "not text"));
  for (HWND window : windows) EXPECT_EQ(clip::CanHandle(window), 0);
  ASSERT_TRUE(PutText("12+34*2"));
  for (HWND window : windows) EXPECT_NE(clip::CanHandle(window), 0);
}

TEST_F(ClipboardPlugin, WithNoTextGetTextFailsAndWritesOnlyThePoint) {
  const Read read = ReadClipboard();
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.text, "untouched");
  EXPECT_EQ(read.point.x, -2);
  EXPECT_EQ(read.point.y, -2);
}

TEST_F(ClipboardPlugin, SetThenGetReturnsTheSameTextAndNoPoint) {
  for (const char* text : {"12+34*2", "two words\r\nand a line", "\xE9t\xE9 \xA7 \x80"}) {
    ASSERT_EQ(clip::SetText(nullptr, text), 1) << text;
    const Read read = ReadClipboard();
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, text);
    EXPECT_EQ(read.point.x, -2);
    EXPECT_EQ(read.point.y, -2);
  }
}

TEST_F(ClipboardPlugin, SetTextAddsTextWithoutEmptyingTheClipboard) {
  ASSERT_TRUE(PutFormat(PrivateFormat(), "kept"));
  ASSERT_EQ(clip::SetText(nullptr, "new text"), 1);
  EXPECT_EQ(FormatBytes(PrivateFormat()).substr(0, 4), "kept");
  EXPECT_EQ(ReadClipboard().text, "new text");
}

TEST_F(ClipboardPlugin, AnEmptyTextIsOneNulOfText) {
  ASSERT_EQ(clip::SetText(nullptr, ""), 1);
  EXPECT_NE(IsClipboardFormatAvailable(CF_TEXT), 0);
  const std::string bytes = FormatBytes(CF_TEXT);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], '\0');
  const Read read = ReadClipboard("before");
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "");
}

TEST_F(ClipboardPlugin, LongTextComesBackCutTo32768Characters) {
  for (size_t length : {32767u, 32768u, 32769u, 40000u}) {
    std::string text(length, '\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(PutText(text));
    const Read read = ReadClipboard();
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, text.substr(0, 32768)) << length;
  }
}

TEST_F(ClipboardPlugin, WhileAnotherProcessHoldsTheClipboardNothingIsReadOrWritten) {
  ASSERT_TRUE(PutText("held"));
  {
    FixtureProcess holder("clipboard-holder");
    ASSERT_EQ(holder.ReadLine(), "open");
    const Read read = ReadClipboard();
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.text, "untouched");
    EXPECT_EQ(read.point.x, -2);
    EXPECT_EQ(read.point.y, -2);
    EXPECT_EQ(clip::SetText(nullptr, "replaced"), 0);
    holder.Send("close");
    EXPECT_EQ(holder.Wait(), 0u);
  }
  const Read read = ReadClipboard();
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "held");
}

// Another application can open the clipboard after every call, whichever
// way the call ended.
TEST_F(ClipboardPlugin, EachCallLeavesTheClipboardClosed) {
  const auto expectClosed = [](const char* after) {
    FixtureProcess holder("clipboard-holder");
    EXPECT_EQ(holder.ReadLine(), "open") << after;
    holder.Send("close");
    EXPECT_EQ(holder.Wait(), 0u);
  };
  ASSERT_TRUE(PutText("x"));
  ReadClipboard();
  expectClosed("a read");
  ResetClipboard();
  ReadClipboard();
  expectClosed("a read with no text");
  clip::SetText(nullptr, "y");
  expectClosed("a write");
}

TEST(ClipboardTextBlock, ACopyNeverReadsPastTheBlock) {
  for (const SIZE_T requested : {SIZE_T{1}, SIZE_T{10}, SIZE_T{4096}, SIZE_T{40000}}) {
    unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, requested));
    ASSERT_TRUE(block);
    const SIZE_T size = GlobalSize(block.get());
    char* text = static_cast<char*>(GlobalLock(block.get()));
    ASSERT_NE(text, nullptr);
    std::memset(text, 'x', size);  // no NUL anywhere in the block
    std::string buffer(32769 + 16, 'G');
    clip::CopyTextBlock(block.get(), text, buffer.data());
    GlobalUnlock(block.get());
    EXPECT_EQ(std::strlen(buffer.c_str()), std::min<size_t>(size, 32768)) << requested;
    EXPECT_EQ(buffer.substr(32769), std::string(16, 'G'));
  }
}

TEST(ClipboardTextBlock, ATerminatedTextIsCopiedWhole) {
  unique_hglobal block(GlobalAlloc(GMEM_MOVEABLE, 64));
  char* text = static_cast<char*>(GlobalLock(block.get()));
  lstrcpyA(text, "12+34*2");
  char buffer[32769];
  clip::CopyTextBlock(block.get(), text, buffer);
  GlobalUnlock(block.get());
  EXPECT_STREQ(buffer, "12+34*2");
}

}  // namespace
}  // namespace kst
