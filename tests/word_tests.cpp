// The Word plugin in the test's own thread, against the fake Word objects:
// where its calls land in Word's vtables, the window search with the caption
// marker test, the growth of an empty selection, the point and the limits.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "fakeword.h"
#include "kstword.h"
#include "testsupport.h"
#include "vtableslots.h"

namespace kst {
namespace {

using test::FakeWord;
namespace wordslot = test::wordslot;

// ---- the slots the declarations give the members the plugin calls ----

using test::SlotCalled;

TEST(WordInterfaces, EveryMemberCalledSitsInTheSlotOfWordsTypeLibrary) {
  VARIANT v = {};
  long n = 0;
  BSTR s = nullptr;
  VARIANT_BOOL b = 0;
  using msword::_Document, msword::Windows, msword::Window, msword::Selection, msword::Range;
  EXPECT_EQ(SlotCalled<_Document>([&](_Document* d) { d->get_Windows(nullptr); }),
            wordslot::kDocumentWindows);
  EXPECT_EQ(SlotCalled<_Document>([&](_Document* d) { d->Range(&v, &v, nullptr); }),
            wordslot::kDocumentRange);
  EXPECT_EQ(SlotCalled<Windows>([&](Windows* w) { w->get_Count(&n); }), wordslot::kWindowsCount);
  EXPECT_EQ(SlotCalled<Windows>([&](Windows* w) { w->Item(&v, nullptr); }), wordslot::kWindowsItem);
  EXPECT_EQ(SlotCalled<Window>([&](Window* w) { w->get_Document(nullptr); }),
            wordslot::kWindowDocument);
  EXPECT_EQ(SlotCalled<Window>([&](Window* w) { w->get_Selection(nullptr); }),
            wordslot::kWindowSelection);
  EXPECT_EQ(SlotCalled<Window>([&](Window* w) { w->get_Caption(&s); }),
            wordslot::kWindowCaptionGet);
  EXPECT_EQ(SlotCalled<Window>([&](Window* w) { w->put_Caption(s); }),
            wordslot::kWindowCaptionPut);
  EXPECT_EQ(SlotCalled<Window>([&](Window* w) { w->get_Active(&b); }), wordslot::kWindowActive);
  EXPECT_EQ(SlotCalled<Window>([&](Window* w) { w->ScrollIntoView(nullptr, &v); }),
            wordslot::kWindowScrollIntoView);
  EXPECT_EQ(SlotCalled<Window>([&](Window* w) { w->GetPoint(&n, &n, &n, &n, nullptr); }),
            wordslot::kWindowGetPoint);
  EXPECT_EQ(SlotCalled<Selection>([&](Selection* x) { x->get_Text(&s); }),
            wordslot::kSelectionTextGet);
  EXPECT_EQ(SlotCalled<Selection>([&](Selection* x) { x->put_Text(s); }),
            wordslot::kSelectionTextPut);
  EXPECT_EQ(SlotCalled<Selection>([&](Selection* x) { x->get_Start(&n); }),
            wordslot::kSelectionStart);
  EXPECT_EQ(SlotCalled<Selection>([&](Selection* x) { x->get_End(&n); }), wordslot::kSelectionEnd);
  EXPECT_EQ(SlotCalled<Selection>([&](Selection* x) { x->get_Range(nullptr); }),
            wordslot::kSelectionRange);
  EXPECT_EQ(SlotCalled<Selection>([&](Selection* x) { x->MoveStart(&v, &v, &n); }),
            wordslot::kSelectionMoveStart);
  EXPECT_EQ(SlotCalled<Selection>([&](Selection* x) { x->MoveEnd(&v, &v, &n); }),
            wordslot::kSelectionMoveEnd);
  EXPECT_EQ(SlotCalled<Range>([&](Range* r) { r->get_Text(&s); }), wordslot::kRangeTextGet);
  EXPECT_EQ(SlotCalled<Range>([&](Range* r) { r->get_Start(&n); }), wordslot::kRangeStart);
  EXPECT_EQ(SlotCalled<Range>([&](Range* r) { r->get_End(&n); }), wordslot::kRangeEnd);
  EXPECT_EQ(SlotCalled<Range>([&](Range* r) { r->MoveStart(&v, &v, &n); }),
            wordslot::kRangeMoveStart);
  EXPECT_EQ(SlotCalled<Range>([&](Range* r) { r->MoveEnd(&v, &v, &n); }),
            wordslot::kRangeMoveEnd);
}

// ---- CanHandle and GetInfo ----

TEST(WordPlugin, AcceptsClassNamesThatBeginWithTheEditorClassExactly) {
  const struct {
    const wchar_t* className;
    int expected;
  } cases[] = {
      {L"_WwG", 1}, {L"_WwGExtra", 1}, {L"_WwG2", 1}, {L"_wwg", 0}, {L"_WWG", 0},
      {L"_Ww", 0},  {L"_WwF", 0},      {L"Edit", 0},  {L"x_WwG", 0},
  };
  for (const auto& c : cases) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = c.className;
    // Class names are matched without regard to case: each class is alone
    // while it is tested, so that the window has exactly this class name.
    UnregisterClassW(c.className, windowClass.hInstance);
    ASSERT_NE(RegisterClassW(&windowClass), 0) << c.className;
    HWND window = CreateWindowExW(0, c.className, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(word::CanHandle(window), c.expected) << c.className;
    DestroyWindow(window);
    UnregisterClassW(c.className, windowClass.hInstance);
  }
  EXPECT_EQ(word::CanHandle(nullptr), 0);
}

TEST(WordPlugin, NamesItself) {
  char name[64] = {};
  word::GetInfo(name);
  EXPECT_STREQ(name, "Microsoft Word plugin");
}

// ---- against the fake ----

struct ReadResult {
  int result;
  std::string text;
  POINT point;
};

ReadResult ReadText(HWND window) {
  std::vector<char> buffer(32769 + 16, 'Z');
  POINT point = {-1, -1};
  const int result = word::GetText(window, buffer.data(), &point);
  EXPECT_EQ(buffer[32769], 'Z') << "written past the caller's buffer";
  return {result, std::string(buffer.data()), point};
}

int CaptionHeight() { return GetSystemMetrics(SM_CYCAPTION); }

constexpr wchar_t kTitle[] = L"Report.docx - Word";

class WordTest : public testing::Test {
 protected:
  // One document with one active window titled as its frame.
  int OneWindow(const std::wstring& text, long start, long end, POINT at = {120, 240}) {
    const int document = fake.AddDocument(text);
    return fake.AddWindow(document, kTitle, true, start, end, at);
  }
  void Register() {
    ASSERT_TRUE(fake.Register());
    fake.Mark();
  }
  void TearDown() override {
    EXPECT_EQ(fake.Leaks(), "");
    EXPECT_EQ(fake.Unexpected(), std::vector<std::string>{});
  }
  FakeWord fake;
};

TEST_F(WordTest, AnEmptySelectionGrowsToTheRunOfNonBlankCharacters) {
  const struct {
    const wchar_t* text;
    long start, end;
    const wchar_t* expected;
    long grownStart, grownEnd;
  } cases[] = {
      {L"12+34 \r", 2, 2, L"12+34", 0, 5},                 // just after the 2
      {L"abc def\r", 0, 0, L"abc", 0, 3},                  // start of the document
      {L"x ab+cd y\r", 5, 5, L"ab+cd", 2, 7},              // inside a run between blanks
      {L"last\r", 4, 4, L"last", 0, 4},                    // before the final paragraph mark
      {L"ab  cd\r", 3, 3, L"", 3, 3},                      // blanks on both sides
      {L"a\tb\r\nc", 2, 2, L"b", 2, 3},                    // tabs and line ends are blanks
      {L"ab   cd\r", 2, 5, L"   ", 2, 5},                  // a blank selection is kept as it is
      {L"12+34 x\r", 1, 3, L"2+", 1, 3},                   // so is any other selection
      {L"caf\u00e9 au lait\r", 2, 2, L"caf\u00e9", 0, 4},  // ANSI code page
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    FakeWord caseFake;
    const int document = caseFake.AddDocument(c.text);
    const int window = caseFake.AddWindow(document, kTitle, true, c.start, c.end);
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    const ReadResult read = ReadText(caseFake.Editor(window));
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, test::AnsiOf(c.expected));
    EXPECT_EQ(caseFake.SelStart(window), c.grownStart);
    EXPECT_EQ(caseFake.SelEnd(window), c.grownEnd);
    EXPECT_EQ(read.point.x, 120);
    EXPECT_EQ(read.point.y, 240 + CaptionHeight());
    EXPECT_EQ(caseFake.Leaks(), "");
    EXPECT_EQ(caseFake.Unexpected(), std::vector<std::string>{});
  }
}

// What grows and what is cut are characters, whatever the code page: a run
// of multibyte letters, characters blank only once converted (the Western
// code page turns the ideographic and the en space into spaces), and the
// 32767 limit reached just before a multibyte letter.
TEST_F(WordTest, CharactersNotBytesGrowAndAreCut) {
  const struct {
    const wchar_t* text;  // J, K, L: the high letters
    long start, end;
    const wchar_t* expected;
    long grownStart, grownEnd;
  } cases[] = {
      {L"ab JKL cd\r", 5, 5, L"JKL", 3, 6},
      {L"x a\u3000b\u2002c y\r", 4, 4, L"a\u3000b\u2002c", 2, 7},
      {L"JKL\r", 0, 3, L"JKL", 0, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    FakeWord caseFake;
    const int window =
        caseFake.AddWindow(caseFake.AddDocument(test::WithHighLetters(c.text)), kTitle, true, c.start, c.end);
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    const ReadResult read = ReadText(caseFake.Editor(window));
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, test::AnsiOf(test::WithHighLetters(c.expected)));
    EXPECT_EQ(caseFake.SelStart(window), c.grownStart);
    EXPECT_EQ(caseFake.SelEnd(window), c.grownEnd);
    EXPECT_EQ(caseFake.Leaks(), "");
  }
  for (const std::wstring& selected :
       {std::wstring(32766, L'a') + L"J" + std::wstring(100, L'b'), std::wstring(20000, L'K')}) {
    FakeWord caseFake;
    const std::wstring text = test::WithHighLetters(selected);
    const int window = caseFake.AddWindow(caseFake.AddDocument(text + L"\r"), kTitle, true, 0,
                                          static_cast<long>(text.size()));
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    const ReadResult read = ReadText(caseFake.Editor(window));
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, test::WholeCharactersIn(text, 32767)) << read.text.size() << " bytes";
  }
}

TEST_F(WordTest, AtTheStartOfTheDocumentTheBackwardGrowthStopsAtOnce) {
  const int window = OneWindow(L"abc def\r", 0, 0);
  Register();
  EXPECT_EQ(ReadText(fake.Editor(window)).text, "abc");
  EXPECT_EQ(fake.Calls("Range.MoveStart"), 1);
  EXPECT_EQ(fake.Calls("Selection.MoveStart"), 0);
  EXPECT_EQ(fake.Calls("Selection.MoveEnd"), 3);
}

TEST_F(WordTest, SetTextReplacesTheRunAroundTheInsertionPoint) {
  const int window = OneWindow(L"x = 12+34 \r", 6, 6);
  Register();
  EXPECT_EQ(word::SetText(fake.Editor(window), "46"), 1);
  EXPECT_EQ(fake.Text(0), L"x = 46 \r");
}

TEST_F(WordTest, SetTextAfterGetTextReplacesExactlyWhatWasRead) {
  const int window = OneWindow(L"a 12+34 b\r", 4, 4);
  Register();
  ASSERT_EQ(ReadText(fake.Editor(window)).text, "12+34");
  const std::wstring replacement = L"r" + test::HighLetters() + L"sum";
  EXPECT_EQ(word::SetText(fake.Editor(window), test::AnsiOf(replacement).c_str()), 1);
  EXPECT_EQ(fake.Text(0), L"a " + replacement + L" b\r");
}

TEST_F(WordTest, NoMatchingWindowReadsNothing) {
  const struct {
    const wchar_t* caption;
    bool active;
  } cases[] = {
      {kTitle, false},                    // inactive
      {L"Report.docx - word", true},      // case differs
      {L"Report.docx - Word ", true},     // length differs
  };
  for (const auto& c : cases) {
    FakeWord caseFake;
    const int document = caseFake.AddDocument(L"12+34\r");
    const int window = caseFake.AddWindow(document, c.caption, c.active, 1, 1);
    caseFake.SetFrameTitle(window, kTitle);
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    const ReadResult read = ReadText(caseFake.Editor(window));
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.point.x, -2);
    EXPECT_EQ(read.point.y, -2);
    EXPECT_EQ(word::SetText(caseFake.Editor(window), "x"), 0);
    EXPECT_EQ(caseFake.Text(document), L"12+34\r");
    EXPECT_EQ(caseFake.Leaks(), "");
  }
}

TEST_F(WordTest, WithoutADocumentInTheRunningObjectTableNothingIsRead) {
  const int window = OneWindow(L"12+34\r", 1, 1);
  fake.Mark();  // not registered
  const ReadResult read = ReadText(fake.Editor(window));
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.point.x, -2);
}

TEST_F(WordTest, OneMatchingWindowChangesNoCaption) {
  const int document = fake.AddDocument(L"first 12+34\r");
  fake.AddWindow(document, L"Other.docx - Word", true, 0, 0);
  const int window = fake.AddWindow(document, kTitle, true, 8, 8);
  Register();
  EXPECT_EQ(ReadText(fake.Editor(window)).text, "12+34");
  EXPECT_EQ(fake.Calls("Window.Caption.put"), 0);
}

TEST_F(WordTest, TheMarkerTestPicksTheWindowThatShowsTheMarker) {
  // Two windows on one document with the same caption; each selection is
  // somewhere else, so the text read tells which window was taken.
  for (int target : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "target window " << target);
    FakeWord caseFake;
    const int document = caseFake.AddDocument(L"alpha beta\r");
    const int first = caseFake.AddWindow(document, kTitle, true, 2, 2);
    const int second = caseFake.AddWindow(document, kTitle, true, 8, 8);
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    const ReadResult read = ReadText(caseFake.Editor(target == 0 ? first : second));
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, target == 0 ? "alpha" : "beta");
    // Only the later candidate was tested: marker, then the title again.
    EXPECT_EQ(caseFake.Calls("Window.Caption.put"), 2);
    for (int window : {first, second}) {
      EXPECT_EQ(caseFake.Caption(window), kTitle);
      EXPECT_EQ(caseFake.FrameTitle(window), kTitle);
    }
    EXPECT_EQ(caseFake.Leaks(), "");
    EXPECT_EQ(caseFake.Unexpected(), std::vector<std::string>{});
  }
}

TEST_F(WordTest, OnlyTheMarkerItselfReadBackPicksTheLaterWindow) {
  // The target's own frame shows the marker with a soft hyphen after it: a
  // comparison that skips characters without weight would take it for the
  // marker and pick the other window.
  const std::wstring title = L"KSTWord120601\u00AD";
  const int document = fake.AddDocument(L"alpha beta\r");
  const int first = fake.AddWindow(document, title, true, 2, 2);
  const int second = fake.AddWindow(document, title, true, 8, 8);
  Register();
  EXPECT_EQ(ReadText(fake.Editor(first)).text, "alpha");
  EXPECT_EQ(fake.Calls("Window.Caption.put"), 2);
  EXPECT_EQ(fake.Caption(second), title);
}

TEST_F(WordTest, ATitleOf260CharactersOrMoreNeverMatches) {
  for (size_t length : {258u, 259u, 260u, 300u}) {
    SCOPED_TRACE(testing::Message() << "title length " << length);
    FakeWord caseFake;
    const std::wstring title(length, L't');
    const int document = caseFake.AddDocument(L"12+34\r");
    const int window = caseFake.AddWindow(document, title, true, 1, 1);
    ASSERT_TRUE(caseFake.Register());
    EXPECT_EQ(ReadText(caseFake.Editor(window)).result, length < 260 ? 1 : 0);
  }
}

TEST_F(WordTest, AFailingCallDuringTheSearchEndsItWithNothing) {
  const struct {
    const char* member;
    int nth;
  } cases[] = {
      {"Document.Windows.get", 0}, {"Windows.Count.get", 0},  {"Windows.Item", 2},
      {"Window.Active.get", 2},    {"Window.Caption.get", 2}, {"Window.Caption.put", 1},
      {"Window.Caption.put", 2},  // writing the title back
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.member << " #" << c.nth);
    FakeWord caseFake;
    const int document = caseFake.AddDocument(L"alpha beta\r");
    const int first = caseFake.AddWindow(document, kTitle, true, 2, 2);
    caseFake.AddWindow(document, kTitle, true, 8, 8);
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    caseFake.Fail(c.member, c.nth);
    // The first window had already been found when the call failed.
    const ReadResult read = ReadText(caseFake.Editor(first));
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.point.x, -2);
    EXPECT_EQ(read.point.y, -2);
    EXPECT_EQ(caseFake.SelStart(first), 2);
    EXPECT_EQ(caseFake.Leaks(), "");
  }
}

TEST_F(WordTest, AFailingCallWhileGrowingLeavesWhatWasAdded) {
  const int window = OneWindow(L"xx abcd yy\r", 5, 5);
  Register();
  fake.Fail("Selection.MoveEnd", 1);
  const ReadResult read = ReadText(fake.Editor(window));
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.point.x, -2);
  EXPECT_EQ(fake.SelStart(window), 3);
  EXPECT_EQ(fake.SelEnd(window), 5);
  // The selection is no longer empty, so the next call takes it as it is.
  EXPECT_EQ(word::SetText(fake.Editor(window), "q"), 1);
  EXPECT_EQ(fake.Text(0), L"xx qcd yy\r");
}

TEST_F(WordTest, FailingCallsBeforeTheTextIsReadGiveNothing) {
  for (const char* member : {"Window.Document.get", "Window.Selection.get", "Selection.Start.get",
                             "Document.Range", "Range.Text.get", "Range.MoveStart",
                             "Selection.Text.get"}) {
    SCOPED_TRACE(member);
    FakeWord caseFake;
    const int document = caseFake.AddDocument(L"12+34\r");
    const int window = caseFake.AddWindow(document, kTitle, true, 2, 2);
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    caseFake.Fail(member);
    const ReadResult read = ReadText(caseFake.Editor(window));
    EXPECT_EQ(read.result, 0);
    EXPECT_EQ(read.text, "");
    EXPECT_EQ(read.point.x, -2);
    EXPECT_EQ(read.point.y, -2);
    EXPECT_EQ(caseFake.Leaks(), "");
  }
}

TEST_F(WordTest, AFailingTextWriteFailsSetText) {
  const int window = OneWindow(L"12+34\r", 2, 2);
  Register();
  fake.Fail("Selection.Text.put");
  EXPECT_EQ(word::SetText(fake.Editor(window), "x"), 0);
  EXPECT_EQ(fake.Text(0), L"12+34\r");
}

TEST_F(WordTest, ThePointIsTheSelectionOnScreenBelowTheCaption) {
  const int cy = CaptionHeight();
  const struct {
    POINT at;
    const char* failing;
    POINT expected;
  } cases[] = {
      {{120, 240}, nullptr, {120, 240 + cy}},
      {{-300, 240}, nullptr, {-1, -1}},         // left of the origin
      {{120, -500}, nullptr, {-1, -1}},         // above it
      {{0, -cy}, nullptr, {0, 0}},              // the caption height brings it back
      {{120, 240}, "Selection.Range.get", {-1, -1}},
      {{120, 240}, "Window.ScrollIntoView", {-1, -1}},
      {{120, 240}, "Window.GetPoint", {-1, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    FakeWord caseFake;
    const int document = caseFake.AddDocument(L"12+34\r");
    const int window = caseFake.AddWindow(document, kTitle, true, 2, 2, c.at);
    ASSERT_TRUE(caseFake.Register());
    caseFake.Mark();
    if (c.failing) caseFake.Fail(c.failing);
    const ReadResult read = ReadText(caseFake.Editor(window));
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.text, "12+34");
    EXPECT_EQ(read.point.x, c.expected.x);
    EXPECT_EQ(read.point.y, c.expected.y);
    EXPECT_EQ(caseFake.Leaks(), "");
    EXPECT_EQ(caseFake.Unexpected(), std::vector<std::string>{});
  }
}

// The fake is a dual object like Word's: its dispatch interface reaches the
// same members as its vtable.
TEST_F(WordTest, TheFakeAnswersThroughIDispatchAsThroughItsVtable) {
  const int window = OneWindow(L"12+34\r", 0, 2);
  Register();
  {
    Microsoft::WRL::ComPtr<msword::Window> found = word::FindWordWindow(fake.Editor(window));
    ASSERT_TRUE(found);
    Microsoft::WRL::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(found.As(&dispatch), S_OK);
    wchar_t name[] = L"Caption";
    LPOLESTR names[] = {name};
    DISPID id = -1;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 0);

    VARIANT caption;
    VariantInit(&caption);
    DISPPARAMS none = {};
    ASSERT_EQ(dispatch->Invoke(0, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &caption, nullptr,
                               nullptr),
              S_OK);
    ASSERT_EQ(caption.vt, VT_BSTR);
    EXPECT_STREQ(caption.bstrVal, kTitle);
    VariantClear(&caption);

    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"Renamed");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put = {&value, &named, 1, 1};
    EXPECT_EQ(dispatch->Invoke(0, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr,
                               nullptr),
              S_OK);
    VariantClear(&value);
    EXPECT_EQ(fake.FrameTitle(window), L"Renamed");

    VARIANT selection;
    VariantInit(&selection);
    ASSERT_EQ(dispatch->Invoke(4, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &selection, nullptr,
                               nullptr),
              S_OK);
    ASSERT_EQ(selection.vt, VT_DISPATCH);
    Microsoft::WRL::ComPtr<msword::Selection> typed;
    ASSERT_EQ(selection.pdispVal->QueryInterface(__uuidof(msword::Selection),
                                                 reinterpret_cast<void**>(typed.GetAddressOf())),
              S_OK);
    BSTR text = nullptr;
    ASSERT_EQ(typed->get_Text(&text), S_OK);
    EXPECT_STREQ(text, L"12");
    SysFreeString(text);
    VariantClear(&selection);
  }
}

TEST_F(WordTest, ALongSelectionIsCutTo32767Characters) {
  std::wstring text(40000, L'a');
  text[32767] = L'b';
  const int window = OneWindow(text + L"\r", 0, 40000);
  Register();
  const ReadResult read = ReadText(fake.Editor(window));
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, std::string(32767, 'a'));
}

}  // namespace
}  // namespace kst
