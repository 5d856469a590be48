// The Internet Explorer plugin in the test's own thread, against the
// scripted document behind a window of this thread; the real oleacc carries
// the document from the window to the plugin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "htmldouble.h"
#include "kstie.h"
#include "kstres.h"
#include "plugintable.h"
#include "selvor32.h"
#include "sharedblock.h"
#include "testsupport.h"

namespace kst {
namespace {

using test::HtmlPage;
using test::THtmlActive;
using test::THtmlAnswer;

struct TRead {
  int result;
  std::string text;
  POINT point;
};

std::string Ansi(const std::wstring& text) { return test::AnsiOf(text); }

std::wstring Wide(const std::string& text) {
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(size, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
  return result;
}

class IePluginTest : public testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    test::ResetHtmlPage();
    window_ = test::CreateHtmlDoubleWindow(150, 120);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(test::HtmlOutstandingReferences(), 0);
    for (const auto& call : HtmlPage().Unexpected) ADD_FAILURE() << "unexpected call " << call;
    test::DestroyHtmlDoubleWindow(window_);
    CoUninitialize();
  }

  // A text field holding the text with the caret or selection given.
  static void Field(const std::wstring& text, long selStart, long selEnd = -1) {
    auto& page = HtmlPage();
    page.Active = THtmlActive::Input;
    page.InputType = L"text";
    page.Text = text;
    page.SelStart = selStart;
    page.SelEnd = selEnd < 0 ? selStart : selEnd;
    page.SelectionType = page.SelStart == page.SelEnd ? L"None" : L"Text";
    page.CaretPoint = {37, 21};
  }

  // Each plugin call must leave every interface it obtained released.
  int Handles() {
    const int result = ie::CanHandle(window_);
    EXPECT_EQ(test::HtmlOutstandingReferences(), 0) << "after CanHandle";
    return result;
  }
  TRead Read() {
    static char buffer[32769];
    std::memset(buffer, 'z', sizeof(buffer));
    TRead read = {};
    read.point = {7, 7};
    read.result = ie::GetText(window_, buffer, &read.point);
    read.text = buffer;
    EXPECT_EQ(test::HtmlOutstandingReferences(), 0) << "after GetText";
    return read;
  }
  int Write(const char* text) {
    const int result = ie::SetText(window_, text);
    EXPECT_EQ(test::HtmlOutstandingReferences(), 0) << "after SetText";
    return result;
  }

  static std::wstring Selected() {
    const auto& page = HtmlPage();
    return page.Text.substr(page.SelStart, page.SelEnd - page.SelStart);
  }
  // Where the plugin must place the caret: client to screen, then below the caption.
  POINT CaretOnScreen(POINT client) const {
    ClientToScreen(window_, &client);
    client.y += GetSystemMetrics(SM_CYCAPTION);
    return client;
  }

  HWND window_ = nullptr;
};

void ExpectPoint(POINT actual, POINT expected) {
  EXPECT_EQ(actual.x, expected.x);
  EXPECT_EQ(actual.y, expected.y);
}

TEST_F(IePluginTest, NamesItself) {
  char name[KST_PLUGIN_NAME_SIZE] = {};
  ie::GetInfo(name);
  EXPECT_STREQ(name, "Internet Explorer plugin");
}

TEST_F(IePluginTest, ServesTextFieldsTextAreasAndTheBodyOnly) {
  const struct {
    THtmlActive active;
    const wchar_t* inputType;
    bool textEdit;
    int expected;
  } cases[] = {
      {THtmlActive::Body, L"", true, 1},          {THtmlActive::TextArea, L"", true, 1},
      {THtmlActive::Input, L"text", true, 1},     {THtmlActive::Input, L"TEXT", true, 1},
      {THtmlActive::Input, L"tExT", true, 1},     {THtmlActive::Input, L"file", true, 1},
      {THtmlActive::Input, L"File", true, 1},     {THtmlActive::Input, L"password", true, 0},
      {THtmlActive::Input, L"checkbox", false, 0}, {THtmlActive::Input, L"checkbox", true, 0},
      {THtmlActive::Input, L"texts", true, 0},    {THtmlActive::Input, L"", true, 0},
      {THtmlActive::Input, L"text", false, 0},    {THtmlActive::Body, L"", false, 0},
      {THtmlActive::Other, L"", true, 0},         {THtmlActive::None, L"", true, 0},
  };
  for (const auto& c : cases) {
    test::ResetHtmlPage();
    HtmlPage().Active = c.active;
    HtmlPage().InputType = c.inputType;
    HtmlPage().TextEdit = c.textEdit;
    EXPECT_EQ(Handles(), c.expected) << static_cast<int>(c.active) << " " << Ansi(c.inputType) << " "
                                     << c.textEdit;
  }
}

TEST_F(IePluginTest, WindowsWithoutADocumentAreRefused) {
  Field(L"12+34*2", 3);
  for (THtmlAnswer answer : {THtmlAnswer::Zero, THtmlAnswer::Garbage}) {
    HtmlPage().Answer = answer;
    EXPECT_EQ(Handles(), 0);
    const TRead read = Read();
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.text, "");
    ExpectPoint(read.point, {-2, -2});
    EXPECT_EQ(Write("x"), 0);
    EXPECT_EQ(HtmlPage().Text, L"12+34*2");
  }
  HWND plain = CreateWindowA("STATIC", "plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(ie::CanHandle(plain), 0);
  DestroyWindow(plain);
}

TEST_F(IePluginTest, ACaretInARunGrowsToTheRunWhichIsReturnedSelectedAndReplaced) {
  const struct {
    const wchar_t* text;
    long caret;
    long runStart, runEnd;
    const wchar_t* replaced;
  } cases[] = {
      {L"sum 12+34*2 now", 7, 4, 11, L"sum 46 now"},   {L"12+34*2", 3, 0, 7, L"46"},
      {L"12+34*2", 0, 0, 7, L"46"},                    {L"12+34*2", 7, 0, 7, L"46"},
      {L"a\t12+34*2\r\nb", 6, 2, 9, L"a\t46\r\nb"},     {L"x 12+34*2", 2, 2, 9, L"x 46"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Ansi(c.text) + " caret " + std::to_string(c.caret));
    test::ResetHtmlPage();
    Field(c.text, c.caret);
    const TRead read = Read();
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, "12+34*2");
    EXPECT_EQ(HtmlPage().SelStart, c.runStart);
    EXPECT_EQ(HtmlPage().SelEnd, c.runEnd);
    ExpectPoint(read.point, CaretOnScreen({37, 21}));

    Field(c.text, c.caret);
    EXPECT_EQ(Write("46"), 1);
    EXPECT_EQ(HtmlPage().Text, c.replaced);
  }
}

TEST_F(IePluginTest, ACaretBeforeAWordAtTheStartGrowsOnlyForwards) {
  Field(L"abc def", 0);
  const TRead read = Read();
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "abc");
  EXPECT_EQ(Selected(), L"abc");
  // The probe's one step back changed nothing, so the range never moved back.
  EXPECT_EQ(test::CountCalls("IHTMLTxtRange::moveStart"), 1);
  // Forwards: the probe took a, b, c and then met the blank; the range followed three times.
  EXPECT_EQ(test::CountCalls("IHTMLTxtRange::moveEnd"), 7);
}

TEST_F(IePluginTest, ACaretBetweenBlanksReadsNothingButSucceedsWithTheCaretPoint) {
  Field(L"a  b", 2);
  const TRead read = Read();
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "");
  ExpectPoint(read.point, CaretOnScreen({37, 21}));
  EXPECT_EQ(HtmlPage().SelStart, 2);
  EXPECT_EQ(HtmlPage().SelEnd, 2);
  EXPECT_EQ(test::CountCalls("IHTMLTxtRange::select"), 1);
}

TEST_F(IePluginTest, ASelectionWithTextIsReadUnchangedAndSelectedAgain) {
  Field(L"one two  three", 4, 9);
  const TRead read = Read();
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "two  ");
  EXPECT_EQ(test::CountCalls("IHTMLTxtRange::move"), 0);
  EXPECT_EQ(test::CountCalls("IHTMLTxtRange::duplicate"), 0);
  // Scrolled into view with its start at the top, then selected.
  const auto& calls = HtmlPage().Calls;
  const auto scrolled = std::find(calls.begin(), calls.end(), "IHTMLTxtRange::scrollIntoView(-1)");
  const auto selected = std::find(calls.begin(), calls.end(), "IHTMLTxtRange::select()");
  EXPECT_LT(scrolled, selected);
  EXPECT_NE(selected, calls.end());
  EXPECT_EQ(test::CountCalls("IHTMLTxtRange::scrollIntoView"), 1);
  EXPECT_EQ(test::CountCalls("IHTMLTxtRange::select"), 1);
  EXPECT_EQ(Selected(), L"two  ");

  EXPECT_EQ(Write("2"), 1);
  EXPECT_EQ(HtmlPage().Text, L"one 2three");
}

TEST_F(IePluginTest, AControlSelectionHasNoText) {
  for (const wchar_t* type : {L"Control", L"CONTROL", L"control"}) {
    test::ResetHtmlPage();
    Field(L"a [img] b", 2, 7);
    HtmlPage().SelectionType = type;
    const TRead read = Read();
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.text, "");
    ExpectPoint(read.point, {-2, -2});
    EXPECT_EQ(Write("x"), 0);
    EXPECT_EQ(HtmlPage().Text, L"a [img] b");
    EXPECT_EQ(test::CountCalls("IHTMLSelectionObject::createRange"), 0);
  }
}

TEST_F(IePluginTest, NoSelectionObjectMeansNothingToRead) {
  Field(L"12+34*2", 3);
  HtmlPage().HasSelectionObject = false;
  EXPECT_EQ(Read().result, 0);
  EXPECT_EQ(Write("x"), 0);
}

TEST_F(IePluginTest, WithoutDisplayServicesOrCaretThePositionIsUnknown) {
  for (bool displayServices : {false, true}) {
    test::ResetHtmlPage();
    Field(L"sum 12+34*2 now", 7);
    HtmlPage().DisplayServices = displayServices;
    HtmlPage().Caret = false;
    const TRead read = Read();
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, "12+34*2");
    ExpectPoint(read.point, {-1, -1});
    EXPECT_EQ(test::CountCalls("IHTMLCaret::GetLocation"), 0);
  }
}

// A call that succeeds but hands out nothing is taken for a failure.
TEST_F(IePluginTest, ACaretThatIsNoneDespiteSuccessFailsTheRead) {
  Field(L"one two", 1, 3);
  HtmlPage().NullCaret = true;
  EXPECT_EQ(Read().result, 0);
}

TEST_F(IePluginTest, ThePointIsTheTranslatedCaretLocationOnScreenBelowTheCaption) {
  Field(L"one two", 1, 3);
  HtmlPage().CaretPoint = {-5, 300};
  const TRead read = Read();
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(test::CountCalls("IHTMLCaret::GetLocation(1)"), 1);
  POINT expected = {-5, 300};
  ClientToScreen(window_, &expected);
  expected.y += GetSystemMetrics(SM_CYCAPTION);
  ExpectPoint(read.point, expected);
  EXPECT_GT(expected.x, 100);  // the window does not sit at the screen's origin
}

TEST_F(IePluginTest, ALongSelectionIsCutTo32767Characters) {
  std::wstring text;
  for (int i = 0; i < 40000; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
  for (long length : {32766L, 32767L, 32768L, 40000L}) {
    test::ResetHtmlPage();
    Field(text, 0, length);
    const TRead read = Read();
    EXPECT_EQ(read.result, 1);
    const size_t expected = std::min<size_t>(length, 32767);
    ASSERT_EQ(read.text.size(), expected) << length;
    EXPECT_EQ(read.text, Ansi(text.substr(0, expected)));
  }
}

// What grows and what is cut are characters, whatever the code page: a run
// of multibyte letters, characters blank only once converted (the Western
// code page turns the ideographic and the en space into spaces), and the
// 32767 limit reached just before a multibyte letter.
TEST_F(IePluginTest, CharactersNotBytesGrowAndAreCut) {
  const struct {
    const wchar_t* text;  // J, K, L: the high letters
    long caret;
    const wchar_t* expected;
    long runStart, runEnd;
  } cases[] = {
      {L"ab JKL cd", 5, L"JKL", 3, 6},
      {L"x a\u3000b\u2002c y", 4, L"a\u3000b\u2002c", 2, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    test::ResetHtmlPage();
    Field(test::WithHighLetters(c.text), c.caret);
    const TRead read = Read();
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, Ansi(test::WithHighLetters(c.expected)));
    EXPECT_EQ(HtmlPage().SelStart, c.runStart);
    EXPECT_EQ(HtmlPage().SelEnd, c.runEnd);
  }
  for (const std::wstring& selected :
       {std::wstring(32766, L'a') + L"J" + std::wstring(100, L'b'), std::wstring(20000, L'K')}) {
    test::ResetHtmlPage();
    const std::wstring text = test::WithHighLetters(selected);
    Field(text, 0, static_cast<long>(text.size()));
    const TRead read = Read();
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, test::WholeCharactersIn(text, 32767)) << read.text.size() << " bytes";
  }
}

TEST_F(IePluginTest, TextCrossesInTheAnsiCodePage) {
  Field(L"x caf\u00e9\u20ac y", 4);
  const TRead read = Read();
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, Ansi(L"caf\u00e9\u20ac"));
  const std::string replacement = "\xe9t\xe9";
  EXPECT_EQ(Write(replacement.c_str()), 1);
  EXPECT_EQ(HtmlPage().Text, L"x " + Wide(replacement) + L" y");
}

// Which call fails, which of its calls, and what the plugin then reports.
struct TFailure {
  const char* call;
  int occurrence;
  int result;
  const char* text;        // what the buffer holds afterwards
  bool knownPoint;         // point from the caret rather than (-2, -2)
};

TEST_F(IePluginTest, AFailingCallEndsGetTextAndReleasesEverything) {
  // A caret inside "12+34*2": one step back and two forwards each side.
  const TFailure failures[] = {
      {"IHTMLDocument2::get_selection", 0, 0, "", false},
      {"IHTMLSelectionObject::get_type", 0, 0, "", false},
      {"IHTMLSelectionObject::createRange", 0, 0, "", false},
      {"IHTMLTxtRange::get_text", 1, 0, "", false},
      {"IHTMLTxtRange::get_text", 2, 0, "", false},
      {"IHTMLTxtRange::get_text", 4, 0, "", false},
      {"IHTMLTxtRange::duplicate", 1, 0, "", false},
      {"IHTMLTxtRange::duplicate", 2, 0, "", false},
      {"IHTMLTxtRange::moveStart", 1, 0, "", false},
      {"IHTMLTxtRange::moveStart", 2, 0, "", false},
      {"IHTMLTxtRange::moveEnd", 3, 0, "", false},
      {"IHTMLTxtRange::scrollIntoView", 0, 0, "12+34*2", false},
      {"IHTMLTxtRange::select", 0, 0, "12+34*2", false},
      {"IDisplayServices::GetCaret", 0, 1, "12+34*2", false},
      {"IHTMLCaret::GetLocation", 0, 1, "12+34*2", true},
  };
  // The last get_text of a clean run is the one that reads the result.
  Field(L"sum 12+34*2 now", 7);
  ASSERT_EQ(Read().result, 1);
  const int lastGetText = test::CountCalls("IHTMLTxtRange::get_text");

  auto check = [&](const TFailure& f, int occurrence) {
    SCOPED_TRACE(std::string(f.call) + " #" + std::to_string(occurrence));
    test::ResetHtmlPage();
    Field(L"sum 12+34*2 now", 7);
    HtmlPage().FailCall = f.call;
    HtmlPage().FailOccurrence = occurrence;
    const TRead read = Read();
    EXPECT_EQ(read.result, f.result);
    EXPECT_EQ(read.text, f.text);
    if (f.result == 1 && !f.knownPoint) {
      ExpectPoint(read.point, {-1, -1});
    } else if (f.knownPoint) {
      // GetLocation's outcome is not examined: the preset point is converted.
      ExpectPoint(read.point, CaretOnScreen({-1, -1}));
    } else {
      ExpectPoint(read.point, {-2, -2});
    }
    if (f.result == 0 && std::string(f.call) != "IHTMLTxtRange::select") {
      EXPECT_EQ(HtmlPage().SelStart, 7);  // the page's selection is untouched
      EXPECT_EQ(HtmlPage().SelEnd, 7);
    }
  };
  for (const auto& f : failures) check(f, f.occurrence);
  check({"IHTMLTxtRange::get_text", 0, 0, "", false}, lastGetText);
}

TEST_F(IePluginTest, AFailingCallEndsCanHandle) {
  for (const char* call :
       {"IHTMLDocument2::get_activeElement", "IHTMLElement::get_isTextEdit", "IHTMLInputElement::get_type"}) {
    test::ResetHtmlPage();
    Field(L"12+34*2", 3);
    HtmlPage().FailCall = call;
    EXPECT_EQ(Handles(), 0) << call;
  }
}

TEST_F(IePluginTest, AFailingCallEndsSetTextAndAReplacementMadeStays) {
  const struct {
    const char* call;
    const wchar_t* text;
  } cases[] = {
      {"IHTMLTxtRange::moveEnd", L"sum 12+34*2 now"},
      {"IHTMLTxtRange::put_text", L"sum 12+34*2 now"},
      {"IHTMLTxtRange::scrollIntoView", L"sum 46 now"},
      {"IHTMLTxtRange::select", L"sum 46 now"},
  };
  for (const auto& c : cases) {
    test::ResetHtmlPage();
    Field(L"sum 12+34*2 now", 7);
    HtmlPage().FailCall = c.call;
    EXPECT_EQ(Write("46"), 0) << c.call;
    EXPECT_EQ(HtmlPage().Text, c.text) << c.call;
  }
}

// Through the engine's own walk, for a window of the calling thread.
TEST_F(IePluginTest, TheEngineRunsThePluginInThisThread) {
  TSharedBlock* block = SharedBlock();
  ASSERT_NE(block, nullptr);
  uint8_t saved[kPluginCount];
  std::memcpy(saved, block->Disabled, sizeof(saved));
  const auto restore = scope_exit([&] {
    std::memcpy(block->Disabled, saved, sizeof(saved));
    block->LastUsed = 0;
  });
  std::memset(block->Disabled, 1, sizeof(saved));
  block->Disabled['D' - 'A'] = 0;

  Field(L"sum 12+34*2 now", 7);
  char buffer[KST_TEXT_BUFFER_SIZE] = {};
  POINT point = {0, 0};
  EXPECT_EQ(kst_get_window_text(window_, buffer, &point), 1);
  EXPECT_STREQ(buffer, "12+34*2");
  ExpectPoint(point, CaretOnScreen({37, 21}));
  EXPECT_EQ(kst_get_last_used_plugin(), 'D');
  EXPECT_EQ(kst_set_window_text(window_, "46"), 1);
  EXPECT_EQ(HtmlPage().Text, L"sum 46 now");
}

}  // namespace
}  // namespace kst
