// The Text Object Model plugin against a scripted Text Object Model (every
// call logged, any call made to fail, references counted), and against
// Wine's rich edit control, whose model lacks the calls the plugin needs to
// finish a read.
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "ksttom.h"
#include "plugintable.h"
#include "testsupport.h"
#include "tomfake.h"

namespace kst {
namespace {

using test::TomModel;

struct Read {
  int result;
  std::string text;
  POINT point;
};

Read ReadSelection(HWND window) {
  static char buffer[32769 + 16];
  std::memset(buffer, 'z', sizeof(buffer));
  lstrcpyA(buffer, "untouched");
  POINT point = {7, 7};
  const int result = tom::GetText(window, buffer, &point);
  return {result, buffer, point};
}

// Where the scripted model shows a character, moved down by the caption as
// the plugin reports it.
POINT ExpectedPoint(const TomModel& model, long cp) {
  POINT origin = {0, 0};
  ClientToScreen(model.window, &origin);
  const long line = model.LineOf(cp);
  return {origin.x + (cp - model.lineStarts[line]) * TomModel::kCharWidth,
          origin.y + (line - model.firstVisibleLine) * TomModel::kLineHeight + GetSystemMetrics(SM_CYCAPTION)};
}

// A scripted document in a window of this thread; each test ends by
// checking that the plugin released everything and kept to its calls.
class ScriptedTom : public testing::Test {
 protected:
  HWND Open(const std::string& description, DWORD style = WS_OVERLAPPEDWINDOW) {
    Close();
    model_ = TomModel::Parse(description);
    window_ = test::CreateTomWindow(*model_, style);
    EXPECT_NE(window_, nullptr);
    return window_;
  }
  void Close() {
    if (!model_) return;
    ExpectClean();
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    model_.reset();
  }
  void ExpectClean() {
    EXPECT_EQ(model_->LiveObjects(), 0) << model_->CallLog();
    EXPECT_EQ(model_->overReleases, 0);
    for (const auto& call : model_->unexpected) ADD_FAILURE() << "unexpected call " << call;
  }
  void TearDown() override { Close(); }

  std::unique_ptr<TomModel> model_;
  HWND window_ = nullptr;
};

TEST_F(ScriptedTom, NamesItself) {
  char name[64] = {};
  tom::GetInfo(name);
  EXPECT_STREQ(name, "Text Object Model plugin");
}

TEST_F(ScriptedTom, CanHandleWantsADocumentAndNoPasswordStyle) {
  HWND window = Open("ab []cd");
  EXPECT_EQ(tom::CanHandle(window), 1);
  EXPECT_EQ(model_->CallCount("Ole.QueryInterface"), 1);

  window = Open("ab []cd", WS_OVERLAPPEDWINDOW | ES_PASSWORD);
  EXPECT_EQ(tom::CanHandle(window), 0);
  EXPECT_EQ(model_->CallCount("Ole.QueryInterface"), 1);  // the document was offered

  window = Open("ab []cd");
  model_->noOle = true;
  EXPECT_EQ(tom::CanHandle(window), 0);
  model_->noOle = false;
  model_->failCall = "Ole.QueryInterface";
  EXPECT_EQ(tom::CanHandle(window), 0);
  model_->failCall.clear();
  model_->nullCall = "Ole.QueryInterface";
  EXPECT_EQ(tom::CanHandle(window), 0);

  HWND plain = CreateWindowA("STATIC", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
  EXPECT_EQ(tom::CanHandle(plain), 0);
  DestroyWindow(plain);
}

// A read of an empty selection grows it in the window to the run around the
// caret, within the caret's line.
TEST_F(ScriptedTom, AnEmptySelectionGrowsToTheRunWithinItsLine) {
  const struct {
    const char* before;
    const char* text;
    const char* after;
  } cases[] = {
      {"x = 12+3[]4*2 ;/next", "12+34*2", "x = [12+34*2] ;/next"},
      {"[]12+34*2", "12+34*2", "[12+34*2]"},
      {"12+34*2[]", "12+34*2", "[12+34*2]"},
      {"ab 12+34*2[] cd", "12+34*2", "ab [12+34*2] cd"},
      {"ab\t12+[]34*2/cd", "12+34*2", "ab\t[12+34*2]/cd"},
      {"xyz/[]abc def", "abc", "xyz/[abc] def"},
      {"xyz|[]abc def", "abc", "xyz|[abc] def"},
      {"xyz a[]bc|def", "abc", "xyz [abc]|def"},
      {"uvw|x[]yz|abc", "xyz", "uvw|[xyz]|abc"},
      {"ab [] cd", "", "ab [] cd"},
      {"[]", "", "[]"},
      {"ab/[]/cd", "", "ab/[]/cd"},
      {"a\xE9[]\xFC b", "a\xE9\xFC", "[a\xE9\xFC] b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    // The model reads description bytes as Latin-1, which only the Western
    // code page gives back byte for byte.
    if (GetACP() != 1252 && std::string_view(c.before).find('\xE9') != std::string_view::npos) continue;
    HWND window = Open(c.before);
    model_->visibleLines = 5;
    const Read read = ReadSelection(window);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, c.text);
    EXPECT_EQ(model_->Describe(), c.after);
    const POINT expected = ExpectedPoint(*model_, model_->selStart);
    EXPECT_EQ(read.point.x, expected.x);
    EXPECT_EQ(read.point.y, expected.y);
    EXPECT_EQ(std::count(model_->calls.begin(), model_->calls.end(), "Range.Expand(5)"), 1);
  }
}

TEST_F(ScriptedTom, BehindARunOnlyTheBackwardStepsRun) {
  HWND window = Open("ab 12+34*2[] cd");
  EXPECT_EQ(ReadSelection(window).text, "12+34*2");
  EXPECT_EQ(model_->CallCount("Selection.SetStart"), 7);
  EXPECT_EQ(model_->CallCount("Selection.SetEnd"), 0);
  // The forward step tested the whole run with the blank behind it.
  EXPECT_NE(model_->CallLog().find("Document.Range(3,11)"), std::string::npos) << model_->CallLog();
}

TEST_F(ScriptedTom, AtALineStartOnlyTheForwardStepsRun) {
  HWND window = Open("xyz|[]abc def");
  EXPECT_EQ(ReadSelection(window).text, "abc");
  EXPECT_EQ(model_->CallCount("Selection.SetStart"), 0);
  EXPECT_EQ(model_->CallCount("Selection.SetEnd"), 3);
}

// A control that accepts the steps but does not move its selection must not
// keep the plugin, and the application it runs in, looping.
TEST_F(ScriptedTom, ASelectionThatDoesNotMoveEndsTheGrowing) {
  HWND window = Open("ab 12+3[]4*2 cd");
  model_->stuckSelection = true;
  const Read read = ReadSelection(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "");
  EXPECT_EQ(model_->CallCount("Selection.SetStart"), 1);
  EXPECT_EQ(model_->CallCount("Selection.SetEnd"), 1);
}

TEST_F(ScriptedTom, ANonEmptySelectionIsReadUnchanged) {
  HWND window = Open("ab[ 12 + 3\t]cd");
  const Read read = ReadSelection(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, " 12 + 3\t");
  EXPECT_EQ(model_->Describe(), "ab[ 12 + 3\t]cd");
  EXPECT_EQ(model_->CallCount("Document.Range"), 0);
  EXPECT_EQ(model_->CallCount("Selection.SetStart") + model_->CallCount("Selection.SetEnd"), 0);
}

TEST_F(ScriptedTom, ALongSelectionIsCutTo32767Characters) {
  std::string text(40000, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  HWND window = Open("[" + text + "]");
  const Read read = ReadSelection(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, text.substr(0, 32767));
}

// What grows and what is cut are characters, whatever the code page: a run
// of multibyte letters, characters blank only once converted (the Western
// code page turns the ideographic and the en space into spaces), and the
// 32767 limit reached just before a multibyte letter.
TEST_F(ScriptedTom, CharactersNotBytesGrowAndAreCut) {
  const struct {
    const char* description;  // J, K, L: the high letters; _ and ~: the two spaces
    const wchar_t* expected;
    long start, end;
  } cases[] = {
      {"ab JK[]L cd", L"JKL", 3, 6},
      {"x a_b[]~c y", L"a\u3000b\u2002c", 2, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    HWND window = Open(c.description);
    for (wchar_t& ch : model_->text) ch = ch == L'_' ? L'\u3000' : ch == L'~' ? L'\u2002' : ch;
    model_->text = test::WithHighLetters(model_->text);
    const Read read = ReadSelection(window);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, test::AnsiOf(test::WithHighLetters(c.expected)));
    EXPECT_EQ(model_->selStart, c.start);
    EXPECT_EQ(model_->selEnd, c.end);
  }
  for (const std::string& selected :
       {std::string(32766, 'a') + "J" + std::string(100, 'b'), std::string(20000, 'K')}) {
    HWND window = Open("[" + selected + "]");
    model_->text = test::WithHighLetters(model_->text);
    const Read read = ReadSelection(window);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, test::WholeCharactersIn(model_->text, 32767)) << read.text.size() << " bytes";
  }
}

TEST_F(ScriptedTom, TheSelectionIsScrolledIntoViewBeforeThePointIsRead) {
  const struct {
    const char* description;
    long firstVisible;
    const char* scrolls;  // the ScrollIntoView calls made
    long firstAfter;
  } cases[] = {
      {"l0/l1/l2/l3/a[]b/l5", 0, "Selection.ScrollIntoView(0)\n", 3},
      {"l0/a[]b/l2/l3/l4/l5", 4, "Selection.ScrollIntoView(32)\n", 1},
      {"l0/l1/a[]b/l3/l4/l5", 1, "", 1},
      // Taller than the view: scrolled to its end, then back to its start.
      {"l0/l1/l2/[x//l5]/l6", 0, "Selection.ScrollIntoView(0)\nSelection.ScrollIntoView(32)\n", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    HWND window = Open(c.description);
    model_->firstVisibleLine = c.firstVisible;
    const Read read = ReadSelection(window);
    EXPECT_EQ(read.result, 1);
    std::string scrolls;
    for (const auto& call : model_->calls)
      if (call.find("ScrollIntoView") != std::string::npos) scrolls += call + "\n";
    EXPECT_EQ(scrolls, c.scrolls);
    EXPECT_EQ(model_->firstVisibleLine, c.firstAfter);
    const POINT expected = ExpectedPoint(*model_, model_->selStart);
    EXPECT_EQ(read.point.x, expected.x);
    EXPECT_EQ(read.point.y, expected.y);
  }
}

TEST_F(ScriptedTom, SetTextReplacesTheRunAndSelectsTheNewText) {
  HWND window = Open("x = 12+3[]4*2 ;/next");
  EXPECT_EQ(tom::SetText(window, "44.5"), 1);
  EXPECT_EQ(model_->Describe(), "x = [44.5] ;/next");
  EXPECT_NE(model_->CallLog().find("Selection.SetText(44.5)"), std::string::npos);
  // After the replacement: the end read, the selection collapsed to its
  // start and stretched to that end, and nothing after.
  const auto& calls = model_->calls;
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[calls.size() - 3], "Selection.GetEnd()");
  EXPECT_EQ(calls[calls.size() - 2], "Selection.Collapse(32)");
  EXPECT_EQ(calls[calls.size() - 1], "Selection.SetEnd(8)");

  window = Open("ab[ 1 + 2 ]cd");
  EXPECT_EQ(tom::SetText(window, ""), 1);
  EXPECT_EQ(model_->Describe(), "ab[]cd");
  window = Open("ab [] cd");
  const std::string high = test::AnsiOf(test::HighLetters());
  EXPECT_EQ(tom::SetText(window, high.c_str()), 1);
  EXPECT_EQ(model_->text, L"ab " + test::HighLetters() + L" cd");
  EXPECT_EQ(model_->selStart, 3);
  EXPECT_EQ(model_->selEnd, 6);
}

// Each call the plugin makes, failing (or leaving no interface): what the
// read and the write then give, and that nothing is left unreleased.
TEST_F(ScriptedTom, EveryFailingCallIsCaughtAndEverythingReleased) {
  constexpr const char* kText = "l0/ab 12+3[]4*2 cd/l2";
  enum PointKind { kNone, kUnknown, kKnown };
  const struct {
    const char* failCall;
    int failOn;  // 0: every call; -1: the last call a successful write makes (write only)
    bool null;   // the call succeeds but leaves no interface
    int getResult;
    const char* getText;
    PointKind point;
    const char* afterGet;
    int setResult;
    const char* afterSet;
  } cases[] = {
      {"", 0, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Ole.QueryInterface", 0, false, 0, "", kNone, kText, 0, kText},
      {"Ole.QueryInterface", 0, true, 0, "", kNone, kText, 0, kText},
      {"Document.GetSelection", 1, false, 0, "", kNone, kText, 0, kText},
      {"Document.GetSelection", 1, true, 0, "", kNone, kText, 0, kText},
      {"Selection.GetStart", 1, false, 0, "", kNone, kText, 0, kText},
      {"Selection.GetEnd", 1, false, 0, "", kNone, kText, 0, kText},
      {"Document.Range", 1, false, 0, "", kNone, kText, 0, kText},
      {"Document.Range", 1, true, 0, "", kNone, kText, 0, kText},
      {"Range.Expand", 1, false, 0, "", kNone, kText, 0, kText},
      {"Range.GetStart", 1, false, 0, "", kNone, kText, 0, kText},
      {"Range.GetEnd", 1, false, 0, "", kNone, kText, 0, kText},
      {"Document.Range", 3, false, 0, "", kNone, "l0/ab 12+[3]4*2 cd/l2", 0, "l0/ab 12+[3]4*2 cd/l2"},
      {"Range.GetText", 2, false, 0, "", kNone, "l0/ab 12+[3]4*2 cd/l2", 0, "l0/ab 12+[3]4*2 cd/l2"},
      {"Selection.SetStart", 1, false, 0, "", kNone, kText, 0, kText},
      {"Selection.SetEnd", 1, false, 0, "", kNone, "l0/ab [12+3]4*2 cd/l2", 0, "l0/ab [12+3]4*2 cd/l2"},
      {"Selection.GetText", 0, false, 0, "", kNone, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Document.RangeFromPoint", 0, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Document.RangeFromPoint", 0, true, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Range.Expand", 2, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Document.GetSelection", 2, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Document.GetSelection", 2, true, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Selection.ScrollIntoView", 0, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Selection.GetPoint", 0, false, 0, "12+34*2", kUnknown, "l0/ab [12+34*2] cd/l2", 1, "l0/ab [44] cd/l2"},
      {"Selection.SetText", 0, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 0, "l0/ab [12+34*2] cd/l2"},
      {"Selection.GetEnd", -1, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 0, "l0/ab [44] cd/l2"},
      {"Selection.Collapse", 0, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 0, "l0/ab [44] cd/l2"},
      {"Selection.SetEnd", -1, false, 1, "12+34*2", kKnown, "l0/ab [12+34*2] cd/l2", 0, "l0/ab []44 cd/l2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.failCall) + (c.null ? " null " : " fails ") + std::to_string(c.failOn));
    // The read and the write each on a fresh document, scrolled so that the
    // selection lies below the view and scrolling has work to do.
    for (bool write : {false, true}) {
      if (c.failOn == -1 && !write) continue;
      HWND window = Open(kText);
      model_->visibleLines = 1;
      if (c.failOn == -1) {
        tom::SetText(window, "44");
        const int last = model_->CallCount(c.failCall);
        window = Open(kText);
        model_->visibleLines = 1;
        model_->failOn = last;
      } else {
        model_->failOn = c.failOn;
      }
      (c.null ? model_->nullCall : model_->failCall) = c.failCall;
      if (write) {
        EXPECT_EQ(tom::SetText(window, "44"), c.setResult);
        EXPECT_EQ(model_->Describe(), c.afterSet);
        continue;
      }
      const Read read = ReadSelection(window);
      EXPECT_EQ(read.result, c.getResult);
      EXPECT_EQ(read.text, c.getText);
      EXPECT_EQ(model_->Describe(), c.afterGet);
      const POINT expected = c.point == kNone      ? POINT{-2, -2}
                             : c.point == kUnknown ? POINT{-1, -1}
                                                   : ExpectedPoint(*model_, model_->selStart);
      EXPECT_EQ(read.point.x, expected.x);
      EXPECT_EQ(read.point.y, expected.y);
    }
  }
}

TEST_F(ScriptedTom, TheEngineRunsThePluginInItsSlot) {
  HWND window = Open("ab 12+3[]4*2 cd");
  char buffer[32769] = {};
  POINT point = {0, 0};
  EXPECT_EQ(RunGetText(window, 'A', buffer, &point), 1);
  EXPECT_STREQ(buffer, "12+34*2");
  EXPECT_EQ(RunSetText(window, 'A', "6*7"), 1);
  EXPECT_EQ(model_->Describe(), "ab [6*7] cd");
}

// Wine's rich edit hands out a document whose Expand(tomLine), GetPoint,
// ScrollIntoView and RangeFromPoint are not implemented: the plugin fails
// where those calls are needed and leaves the control as it was.
class WineRichEdit : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(LoadLibraryA("riched20.dll"), nullptr);
    window_ = CreateWindowA("RichEdit20A", "ab 12+34*2 cd", WS_OVERLAPPEDWINDOW | ES_MULTILINE | style_, 0, 0,
                            300, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }
  CHARRANGE Selection() {
    CHARRANGE range = {};
    SendMessageA(window_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
  }
  void Select(long start, long end) { SendMessageA(window_, EM_SETSEL, start, end); }

  HWND window_ = nullptr;
  DWORD style_ = 0;
};

TEST_F(WineRichEdit, IsAcceptedButAnEmptySelectionCannotGrow) {
  EXPECT_EQ(tom::CanHandle(window_), 1);
  Select(6, 6);
  const Read read = ReadSelection(window_);
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.text, "");
  EXPECT_EQ(read.point.x, -2);
  EXPECT_EQ(read.point.y, -2);
  EXPECT_EQ(Selection().cpMin, 6);
  EXPECT_EQ(Selection().cpMax, 6);
  EXPECT_EQ(tom::SetText(window_, "44"), 0);
  EXPECT_EQ(test::WindowText(window_), "ab 12+34*2 cd");
}

TEST_F(WineRichEdit, ASelectionIsReadButThePointIsUnknown) {
  Select(3, 10);
  const Read read = ReadSelection(window_);
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.text, "12+34*2");
  EXPECT_EQ(read.point.x, -1);
  EXPECT_EQ(read.point.y, -1);
}

// Wine's selection is left behind the new text by SetText, so the steps
// that stretch it from its start to its end leave it there.
TEST_F(WineRichEdit, ASelectionIsReplaced) {
  Select(3, 10);
  EXPECT_EQ(tom::SetText(window_, "44"), 1);
  EXPECT_EQ(test::WindowText(window_), "ab 44 cd");
  EXPECT_EQ(Selection().cpMin, 5);
  EXPECT_EQ(Selection().cpMax, 5);
}

class WinePasswordRichEdit : public WineRichEdit {
 protected:
  void SetUp() override {
    style_ = ES_PASSWORD;
    WineRichEdit::SetUp();
  }
};

TEST_F(WinePasswordRichEdit, IsRefusedThoughItOffersADocument) {
  IUnknown* ole = nullptr;
  SendMessageA(window_, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
  ASSERT_NE(ole, nullptr);
  ole->Release();
  EXPECT_EQ(tom::CanHandle(window_), 0);
}

}  // namespace
}  // namespace kst
