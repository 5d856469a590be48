// The standard edit controls plugin in the test's own thread: against Wine's
// real EDIT and rich edit controls, and against a scripted control that
// answers the edit messages from a small text model and a script, for what
// real controls never answer.
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kststd.h"
#include "plugintable.h"
#include "selvor32.h"
#include "testsupport.h"

namespace kst::kststd {
namespace {

using Range = std::pair<LONG, LONG>;

// ---- the scripted control ----

// What the scripted control answers beyond its text model.
struct Script {
  bool rich = false;          // fills the CHARRANGE of EM_EXGETSEL
  bool fillsOnlyMin = false;  // ... but only its cpMin
  bool getSelFails = false;   // EM_GETSEL answers -1 (after writing the positions)
  bool wideText = false;      // EM_GETLINE and EM_GETSELTEXT copy 16-bit text
  std::optional<LONG> lineCount = std::nullopt;
  std::optional<LONG> lineLength = std::nullopt;
  std::optional<LONG> lineIndex = std::nullopt;
  std::optional<LONG> lineFromChar = std::nullopt;
  std::optional<Range> reportedSelection = std::nullopt;  // what EM_GETSEL and EM_EXGETSEL report
  std::optional<LONG> copied = std::nullopt;  // EM_GETLINE and EM_GETSELTEXT copy at most this many
};

// A window class answering the edit messages from a text whose lines end in
// CR LF, as a multi-line edit control keeps it. It fails the test on any
// edit message that the kind of control it plays would not be sent.
class ScriptedEdit {
 public:
  explicit ScriptedEdit(Script script, DWORD style = 0) : script_(std::move(script)) {
    static const ATOM atom = [] {
      WNDCLASSA windowClass = {};
      windowClass.lpfnWndProc = &ScriptedEdit::Proc;
      windowClass.hInstance = GetModuleHandleA(nullptr);
      windowClass.lpszClassName = "KstScriptedEdit";
      return RegisterClassA(&windowClass);
    }();
    EXPECT_NE(atom, 0);
    window_ = CreateWindowExA(0, "KstScriptedEdit", "", WS_POPUP | style, 0, 0, 200, 50, nullptr, nullptr,
                              GetModuleHandleA(nullptr), this);
    EXPECT_NE(window_, nullptr);
  }
  ~ScriptedEdit() { DestroyWindow(window_); }
  ScriptedEdit(const ScriptedEdit&) = delete;
  ScriptedEdit& operator=(const ScriptedEdit&) = delete;

  HWND Window() const { return window_; }
  Script& Answers() { return script_; }
  void SetText(const std::string& text) {
    text_ = text;
    sel_ = {0, 0};
    SplitLines();
  }
  const std::string& Text() const { return text_; }
  void Select(LONG start, LONG end) { sel_ = Clamp({start, end}); }
  Range Selection() const { return sel_; }
  int Count(UINT message) const {
    const auto it = counts_.find(message);
    return it == counts_.end() ? 0 : it->second;
  }
  int TotalCount() const {
    int total = 0;
    for (const auto& entry : counts_) total += entry.second;
    return total;
  }
  void ResetCounts() { counts_.clear(); }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
      SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<ScriptedEdit*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    const bool editMessage = (message >= EM_GETSEL && message <= EM_GETIMESTATUS) ||
                             (message >= WM_USER && message < WM_USER + 0x200);
    if (!self || !editMessage) return DefWindowProcA(window, message, wParam, lParam);
    ++self->counts_[message];
    return self->Answer(message, wParam, lParam);
  }

  LRESULT Answer(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool rich = script_.rich;
    switch (message) {
      case EM_GETLINECOUNT:
        return script_.lineCount.value_or(LineCount());
      case EM_EXGETSEL:
        if (rich) {
          const Range reported = script_.reportedSelection.value_or(sel_);
          auto* range = reinterpret_cast<CHARRANGE*>(lParam);
          range->cpMin = reported.first;
          if (!script_.fillsOnlyMin) range->cpMax = reported.second;
        }
        return 0;
      case EM_SCROLLCARET:
        return 1;
      case EM_LINEINDEX:
        return script_.lineIndex.value_or(LineIndex(static_cast<LONG>(wParam)));
      case EM_LINELENGTH:
        return script_.lineLength.value_or(LineLength(static_cast<LONG>(wParam)));
      case EM_REPLACESEL: {
        const std::string inserted = reinterpret_cast<const char*>(lParam);
        text_.replace(sel_.first, sel_.second - sel_.first, inserted);
        SplitLines();
        sel_.first = sel_.second = sel_.first + static_cast<LONG>(inserted.size());
        return 0;
      }
    }
    if (!rich) {
      switch (message) {
        case EM_GETSEL: {
          const Range reported = script_.reportedSelection.value_or(sel_);
          if (wParam) *reinterpret_cast<DWORD*>(wParam) = reported.first;
          if (lParam) *reinterpret_cast<DWORD*>(lParam) = reported.second;
          return script_.getSelFails ? -1 : MAKELONG(reported.first, reported.second);
        }
        case EM_SETSEL:
          sel_ = Clamp({static_cast<LONG>(wParam), static_cast<LONG>(lParam)});
          return 0;
        case EM_LINEFROMCHAR:
          return script_.lineFromChar.value_or(LineFromChar(static_cast<LONG>(wParam)));
        case EM_GETLINE:
          return GetLine(static_cast<LONG>(wParam), reinterpret_cast<char*>(lParam));
      }
    } else {
      switch (message) {
        case EM_EXSETSEL: {
          const auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
          sel_ = Clamp({range->cpMin, range->cpMax});
          return sel_.second;
        }
        case EM_EXLINEFROMCHAR:
          return script_.lineFromChar.value_or(LineFromChar(static_cast<LONG>(lParam)));
        case EM_GETSELTEXT:
          return Copy(text_.substr(sel_.first, sel_.second - sel_.first), reinterpret_cast<char*>(lParam));
      }
    }
    ADD_FAILURE() << "unexpected message 0x" << std::hex << message << (rich ? " to a rich" : " to an")
                  << " edit control";
    return 0;
  }

  Range Clamp(Range range) const {
    const LONG size = static_cast<LONG>(text_.size());
    auto clamp = [&](LONG value) { return value < 0 ? 0 : value > size ? size : value; };
    Range clamped = {clamp(range.first), clamp(range.second)};
    if (clamped.first > clamped.second) std::swap(clamped.first, clamped.second);
    return clamped;
  }
  // Where each line starts; lines end in CR LF, which belongs to the line.
  void SplitLines() {
    starts_ = {0};
    for (size_t at = text_.find("\r\n"); at != std::string::npos; at = text_.find("\r\n", at + 2))
      starts_.push_back(static_cast<LONG>(at + 2));
  }
  LONG LineCount() const { return static_cast<LONG>(starts_.size()); }
  LONG LineIndex(LONG line) const {
    if (line == -1) line = LineFromChar(sel_.first);
    return line >= 0 && line < LineCount() ? starts_[line] : -1;
  }
  LONG LineFromChar(LONG position) const {
    if (position == -1) position = sel_.first;
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), position);
    return after == starts_.begin() ? 0 : static_cast<LONG>(after - starts_.begin() - 1);
  }
  LONG LineLength(LONG position) const {
    const LONG line = LineFromChar(position);
    const LONG end = line + 1 < LineCount() ? starts_[line + 1] - 2 : static_cast<LONG>(text_.size());
    return end - starts_[line];
  }
  LRESULT GetLine(LONG line, char* buffer) {
    const LONG start = LineIndex(line);
    if (start < 0) return 0;
    WORD capacity;
    std::memcpy(&capacity, buffer, sizeof(capacity));
    const std::string text =
        text_.substr(start, std::min<LONG>({LineLength(start), capacity, script_.copied.value_or(capacity)}));
    if (script_.wideText) {
      for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = static_cast<unsigned char>(text[i]);
        std::memcpy(buffer + 2 * i, &c, sizeof(c));
      }
    } else {
      std::memcpy(buffer, text.data(), text.size());
    }
    return static_cast<LRESULT>(text.size());
  }
  // Copies text and its NUL, in the width the script asks for.
  LRESULT Copy(const std::string& whole, char* buffer) const {
    const std::string text = whole.substr(0, script_.copied.value_or(static_cast<LONG>(whole.size())));
    if (script_.wideText) {
      std::wstring wide;
      for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
      std::memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    } else {
      std::memcpy(buffer, text.c_str(), text.size() + 1);
    }
    return static_cast<LRESULT>(text.size());
  }

  Script script_;
  HWND window_ = nullptr;
  std::string text_;
  std::vector<LONG> starts_ = {0};
  Range sel_ = {0, 0};
  std::map<UINT, int> counts_;
};

// ---- real controls and scripted ones behind one face ----

using test::AnsiOf;
using test::HighLetters;
using test::WholeCharactersIn;
using test::WithHighLetters;

enum class Kind {
  Edit,
  EditW,
  EditMulti,
  RichA,
  RichW,
  Scripted,
  ScriptedRich,
  ScriptedWide,
  ScriptedRichWide
};

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Edit:
      return "EDIT";
    case Kind::EditW:
      return "EDIT, Unicode window";
    case Kind::EditMulti:
      return "EDIT multi-line";
    case Kind::RichA:
      return "RichEdit20A";
    case Kind::RichW:
      return "RichEdit20W";
    case Kind::Scripted:
      return "scripted edit";
    case Kind::ScriptedRich:
      return "scripted rich edit";
    case Kind::ScriptedWide:
      return "scripted edit, 16-bit text";
    case Kind::ScriptedRichWide:
      return "scripted rich edit, 16-bit text";
  }
  return "?";
}

bool IsRich(Kind kind) {
  return kind == Kind::RichA || kind == Kind::RichW || kind == Kind::ScriptedRich ||
         kind == Kind::ScriptedRichWide;
}
bool IsScripted(Kind kind) { return kind >= Kind::Scripted; }

class TestControl {
 public:
  TestControl(Kind kind, const std::string& text, DWORD style = 0) : kind_(kind) {
    if (IsScripted(kind)) {
      Script script;
      script.rich = IsRich(kind);
      script.wideText = kind == Kind::ScriptedWide || kind == Kind::ScriptedRichWide;
      scripted_ = std::make_unique<ScriptedEdit>(script, style);
      window_ = scripted_->Window();
      scripted_->SetText(text);
      return;
    }
    static const HMODULE richEdit = LoadLibraryA("riched20.dll");
    EXPECT_NE(richEdit, nullptr);
    // Hidden: without a window manager, hiding a shown window waits for X.
    const DWORD common = WS_POPUP | ES_AUTOHSCROLL | style;
    const DWORD multi = ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL;
    switch (kind) {
      case Kind::Edit:
        window_ = CreateWindowExA(0, "EDIT", "", common, 0, 0, 400, 40, nullptr, nullptr, nullptr, nullptr);
        break;
      case Kind::EditW:
        window_ = CreateWindowExW(0, L"EDIT", L"", common, 0, 0, 400, 40, nullptr, nullptr, nullptr, nullptr);
        break;
      case Kind::EditMulti:
        window_ = CreateWindowExA(0, "EDIT", "", common | multi, 0, 0, 400, 200, nullptr, nullptr, nullptr,
                                  nullptr);
        break;
      case Kind::RichA:
        window_ = CreateWindowExA(0, "RichEdit20A", "", common | multi, 0, 0, 400, 200, nullptr, nullptr,
                                  nullptr, nullptr);
        break;
      default:
        window_ = CreateWindowExW(0, L"RichEdit20W", L"", common | multi, 0, 0, 400, 200, nullptr, nullptr,
                                  nullptr, nullptr);
        break;
    }
    EXPECT_NE(window_, nullptr) << KindName(kind);
    if (IsRich(kind))
      SendMessageA(window_, EM_EXLIMITTEXT, 0, 1 << 20);
    else
      SendMessageA(window_, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextA(window_, text.c_str());
  }
  ~TestControl() {
    if (!scripted_) DestroyWindow(window_);
  }

  HWND Window() const { return window_; }
  ScriptedEdit* Scripted() const { return scripted_.get(); }

  void Select(LONG start, LONG end) {
    if (scripted_) return scripted_->Select(start, end);
    if (IsRich(kind_)) {
      CHARRANGE range = {start, end};
      SendMessageA(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    } else {
      SendMessageA(window_, EM_SETSEL, start, end);
    }
  }
  Range Selection() const {
    if (scripted_) return scripted_->Selection();
    if (IsRich(kind_)) {
      CHARRANGE range = {-1, -1};
      SendMessageA(window_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
      return {range.cpMin, range.cpMax};
    }
    DWORD start = 0, end = 0;
    SendMessageA(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<LONG>(start), static_cast<LONG>(end)};
  }
  // A RichEdit20A window reports its length in characters, too short for
  // the ANSI text of a multibyte code page: the buffer holds two bytes each.
  std::string Text() const {
    if (scripted_) return scripted_->Text();
    std::string text(2 * (SendMessageA(window_, WM_GETTEXTLENGTH, 0, 0) + 1), '\0');
    text.resize(SendMessageA(window_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    return text;
  }

 private:
  Kind kind_;
  HWND window_ = nullptr;
  std::unique_ptr<ScriptedEdit> scripted_;
};

constexpr Kind kAllKinds[] = {Kind::Edit,         Kind::EditW,        Kind::EditMulti,
                              Kind::RichA,        Kind::RichW,        Kind::Scripted,
                              Kind::ScriptedRich, Kind::ScriptedWide, Kind::ScriptedRichWide};
// The controls that hold text of any code page: the scripted ones that copy
// 16-bit text only widen bytes.
constexpr Kind kTextKinds[] = {Kind::Edit,  Kind::EditW,    Kind::EditMulti,   Kind::RichA,
                               Kind::RichW, Kind::Scripted, Kind::ScriptedRich};
constexpr Kind kRealKinds[] = {Kind::Edit, Kind::EditW, Kind::EditMulti, Kind::RichA, Kind::RichW};
constexpr Kind kMultiLineKinds[] = {Kind::EditMulti, Kind::Scripted, Kind::ScriptedWide};

// Real controls count characters (Wine's ANSI edit controls too); the
// scripted one counts bytes, as an ANSI edit control of Windows does on a
// multibyte code page.
LONG Units(Kind kind, const std::wstring& text, LONG characters) {
  return IsScripted(kind) ? static_cast<LONG>(AnsiOf(text.substr(0, characters)).size()) : characters;
}
Range Units(Kind kind, const std::wstring& text, Range characters) {
  return {Units(kind, text, characters.first), Units(kind, text, characters.second)};
}

struct Read {
  int result;
  std::string text;
  POINT point;
};

Read ReadText(HWND window) {
  static char buffer[KST_TEXT_BUFFER_SIZE];
  std::memset(buffer, 'z', sizeof(buffer));
  POINT point = {-1, -1};
  const int result = GetText(window, buffer, &point);
  return {result, std::string(buffer, strnlen(buffer, sizeof(buffer))), point};
}

// The time this thread has run, in milliseconds: what a call costs the
// thread it runs in, whatever the load of the machine.
double ThreadMs() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

// ---- the cases, on every kind of control ----

TEST(StdEdit, ClassifiesByTheAnswersNotByTheClass) {
  for (Kind kind : kAllKinds) {
    TestControl control(kind, "text");
    EXPECT_EQ(ClassifyEditWindow(control.Window()), IsRich(kind) ? 2 : 1) << KindName(kind);
    EXPECT_EQ(CanHandle(control.Window()), 1) << KindName(kind);
  }
  HWND other =
      CreateWindowExA(0, "STATIC", "text", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(CanHandle(other), 0);
  DestroyWindow(other);

  const struct {
    Script script;
    int expected;
  } cases[] = {
      {{.lineCount = 0}, 0},
      {{.lineCount = -1}, 0},
      {{.rich = true, .lineCount = 0}, 0},
      {{.rich = true, .fillsOnlyMin = true}, 1},
      {{.rich = true, .reportedSelection = Range{-1, 3}}, 1},
      {{.rich = true, .reportedSelection = Range{2, 3}}, 2},
      {{.lineCount = 7}, 1},
  };
  for (const auto& c : cases) {
    ScriptedEdit control(c.script);
    EXPECT_EQ(ClassifyEditWindow(control.Window()), c.expected)
        << "lines " << c.script.lineCount.value_or(1) << " rich " << c.script.rich;
  }
}

TEST(StdEdit, TheRangeIsLaidOutAsACharRange) {
  TestControl control(Kind::RichA, "abc def");
  control.Select(2, 5);
  const std::unique_ptr<TSelection> selection = CreateSelection(control.Window());
  ASSERT_NE(selection, nullptr);
  EXPECT_NE(dynamic_cast<TRichEditSelection*>(selection.get()), nullptr);
  EXPECT_EQ(reinterpret_cast<char*>(&selection->FEnd) - reinterpret_cast<char*>(&selection->FStart),
            static_cast<ptrdiff_t>(offsetof(CHARRANGE, cpMax) - offsetof(CHARRANGE, cpMin)));
  EXPECT_EQ(selection->FStart, 2);
  EXPECT_EQ(selection->FEnd, 5);
}

TEST(StdEdit, ConstructionReadsWithTheCreatedClassAndOrdersTheEnds) {
  ScriptedEdit plain({.reportedSelection = Range{5, 2}});
  plain.SetText("abcdefg");
  std::unique_ptr<TSelection> selection = CreateSelection(plain.Window());
  ASSERT_NE(dynamic_cast<TEditSelection*>(selection.get()), nullptr);
  EXPECT_EQ(plain.Count(EM_GETSEL), 1);
  EXPECT_EQ(selection->FStart, 2);
  EXPECT_EQ(selection->FEnd, 5);

  ScriptedEdit rich({.rich = true, .reportedSelection = Range{6, 1}});
  rich.SetText("abcdefg");
  selection = CreateSelection(rich.Window());
  ASSERT_NE(dynamic_cast<TRichEditSelection*>(selection.get()), nullptr);
  EXPECT_EQ(rich.Count(EM_EXGETSEL), 2);  // classification and the range
  EXPECT_EQ(selection->FStart, 1);
  EXPECT_EQ(selection->FEnd, 6);
}

TEST(StdEdit, ACaretGrowsToTheRunAroundItAndLeavesItSelected) {
  const struct {
    const char* text;
    LONG caret;
    const char* expected;
    Range selected;
  } cases[] = {
      {"x = 12+3 ;", 5, "12+3", {4, 8}},                // between the 1 and the 2
      {"x = 12+3 ;", 4, "12+3", {4, 8}},                // at the run's start
      {"x = 12+3 ;", 8, "12+3", {4, 8}},                // just after its end
      {"x =  y", 4, "", {4, 4}},                        // between two spaces
      {"word", 0, "word", {0, 4}},                      // at the start of the text
      {"word", 4, "word", {0, 4}},                      // at its end
      {"", 0, "", {0, 0}},                              // nothing to grow into
      {"a\tb c", 1, "a", {0, 1}},                       // a tab is blank
      {"\xE4\xF6\xFC=1", 2, "\xE4\xF6\xFC=1", {0, 5}},  // characters above 127 are not
  };
  for (Kind kind : kAllKinds) {
    for (const auto& c : cases) {
      // Bytes above 127 are these characters on the Western code page only;
      // other code pages have their own table below.
      if (GetACP() != 1252 && std::string_view(c.text).find('\xE4') != std::string_view::npos) continue;
      TestControl control(kind, c.text);
      control.Select(c.caret, c.caret);
      const Read read = ReadText(control.Window());
      EXPECT_EQ(read.result, 1) << KindName(kind) << " '" << c.text << "' " << c.caret;
      EXPECT_EQ(read.text, c.expected) << KindName(kind) << " '" << c.text << "' " << c.caret;
      EXPECT_EQ(control.Selection(), c.selected) << KindName(kind) << " '" << c.text << "' " << c.caret;
      EXPECT_EQ(control.Text(), c.text) << KindName(kind);
    }
  }
}

TEST(StdEdit, GrowthNeverCrossesALine) {
  for (Kind kind : kMultiLineKinds) {
    TestControl control(kind, "abc\r\ndef gh\r\nij");
    const struct {
      LONG caret;
      const char* expected;
      Range selected;
    } cases[] = {{5, "def", {5, 8}}, {3, "abc", {0, 3}}, {10, "gh", {9, 11}}, {13, "ij", {13, 15}}};
    for (const auto& c : cases) {
      control.Select(c.caret, c.caret);
      const Read read = ReadText(control.Window());
      EXPECT_EQ(read.text, c.expected) << KindName(kind) << " caret " << c.caret;
      EXPECT_EQ(control.Selection(), c.selected) << KindName(kind) << " caret " << c.caret;
    }
  }
  for (Kind kind : {Kind::RichA, Kind::RichW}) {
    TestControl control(kind, "abc\rdef gh");  // one character ends a rich edit paragraph
    control.Select(4, 4);
    EXPECT_EQ(ReadText(control.Window()).text, "def") << KindName(kind);
    EXPECT_EQ(control.Selection(), Range(4, 7)) << KindName(kind);
    control.Select(3, 3);
    EXPECT_EQ(ReadText(control.Window()).text, "abc") << KindName(kind);
    EXPECT_EQ(control.Selection(), Range(0, 3)) << KindName(kind);
  }
}

TEST(StdEdit, AUserSelectionIsReturnedAsItIs) {
  for (Kind kind : kAllKinds) {
    TestControl control(kind, "x a b y");
    control.Select(2, 5);
    const Read read = ReadText(control.Window());
    EXPECT_EQ(read.result, 1) << KindName(kind);
    EXPECT_EQ(read.text, "a b") << KindName(kind);
    EXPECT_EQ(control.Selection(), Range(2, 5)) << KindName(kind);
  }
}

TEST(StdEdit, MultiLineSelectionsAreJoinedWithCrLf) {
  const std::string text = "ab cd\r\nx\r\n\r\nef gh";
  const struct {
    LONG start, end;
    const char* expected;
  } cases[] = {
      {3, 14, "cd\r\nx\r\n\r\nef"},  // through a one-character line and an empty one
      {7, 8, "x"},                   // the one-character line alone
      {5, 7, "\r\n"},                // from the end of a line to the next one's start
      {8, 12, "\r\n\r\n"},           // around the empty line
  };
  for (Kind kind : kMultiLineKinds) {
    for (const auto& c : cases) {
      TestControl control(kind, text);
      control.Select(c.start, c.end);
      const Read read = ReadText(control.Window());
      EXPECT_EQ(read.result, 1) << KindName(kind);
      EXPECT_EQ(read.text, c.expected) << KindName(kind) << " " << c.start << ".." << c.end;
      EXPECT_EQ(control.Selection(), Range(c.start, c.end)) << KindName(kind);
    }
  }
}

TEST(StdEdit, LongTextsAreCutAndLongRunsGrowWhole) {
  const std::string run(kMaxText, 'k');
  const std::string longer(40000, 'q');
  for (Kind kind : kAllKinds) {
    {
      TestControl control(kind, "( " + run + " )");
      control.Select(20000, 20000);
      const Read read = ReadText(control.Window());
      EXPECT_EQ(read.result, 1) << KindName(kind);
      EXPECT_EQ(read.text, run) << KindName(kind) << ": " << read.text.size() << " characters";
      EXPECT_EQ(control.Selection(), Range(2, 2 + static_cast<LONG>(kMaxText))) << KindName(kind);
    }
    {
      TestControl control(kind, longer);
      control.Select(0, 40000);
      EXPECT_EQ(ReadText(control.Window()).text, longer.substr(0, kMaxText)) << KindName(kind);
    }
  }
}

// The growth done the long way, as the edit messages allow it one character
// at a time: each step selected in the control and the range read back from
// it. The plugin, which reads the line once, must end exactly here.
struct Grown {
  std::string text;
  Range range;
};

Grown GrowStepByStep(const TestControl& control, bool rich, LONG caret) {
  const HWND window = control.Window();
  auto send = [&](UINT message, WPARAM wParam, LPARAM lParam) {
    return static_cast<LONG>(SendMessageA(window, message, wParam, lParam));
  };
  CHARRANGE range = {caret, caret};
  auto lineOf = [&](LONG position) {
    return rich ? send(EM_EXLINEFROMCHAR, 0, position) : send(EM_LINEFROMCHAR, position, 0);
  };
  auto step = [&](LONG& position, int delta) {
    const LONG target = position + delta;
    if (target < 0 || lineOf(target) != lineOf(position)) return false;
    const LONG lineStart = send(EM_LINEINDEX, lineOf(position), 0);
    if (target - lineStart > send(EM_LINELENGTH, lineStart, 0)) return false;
    position = target;
    if (rich)
      send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    else
      send(EM_SETSEL, range.cpMin, range.cpMax);
    return true;
  };
  auto text = [&]() -> std::string {
    if (!rich) {  // a range within one line, which ends before its line break
      const LONG lineStart = send(EM_LINEINDEX, lineOf(range.cpMin), 0);
      const std::string line = control.Text().substr(lineStart, send(EM_LINELENGTH, lineStart, 0));
      const size_t from = std::min<size_t>(range.cpMin - lineStart, line.size());
      return line.substr(from, range.cpMax - range.cpMin);
    }
    std::string buffer((range.cpMax - range.cpMin + 1) * 2, '\0');
    send(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()));
    TSelection::WideBufferToAnsi(buffer.data(), buffer.size(), range.cpMax - range.cpMin);
    return buffer.c_str();
  };
  while (step(range.cpMin, -1)) {
    if (!IsNonBlank(text().c_str())) {
      step(range.cpMin, +1);
      break;
    }
  }
  while (step(range.cpMax, +1)) {
    if (!IsNonBlank(text().c_str())) {
      step(range.cpMax, -1);
      break;
    }
  }
  return {text(), {range.cpMin, range.cpMax}};
}

TEST(StdEdit, GrowthEndsWhereStepByStepGrowthEnds) {
  // Letters above 127 as single bytes where the code page has them so.
  const std::string high = GetACP() == 1252 ? "\xE9t\xE9" : "ete";
  const std::string text = "ab  c+d\r\n\r\nx\r\n e\tf;; \r\n" + high + " last";
  std::string richText = text;
  for (size_t at = richText.find("\r\n"); at != std::string::npos; at = richText.find("\r\n", at))
    richText.erase(at + 1, 1);
  for (Kind kind :
       {Kind::Edit, Kind::EditMulti, Kind::RichA, Kind::RichW, Kind::Scripted, Kind::ScriptedRich}) {
    const bool rich = IsRich(kind);
    const std::string content = kind == Kind::Edit ? "ab  c+d ;x=1  e\tf;; " + high + " last"
                                : rich             ? richText
                                                   : text;
    TestControl control(kind, content);
    for (LONG caret = 0; caret <= static_cast<LONG>(content.size()); ++caret) {
      control.Select(caret, caret);
      ASSERT_EQ(control.Selection(), Range(caret, caret)) << KindName(kind);
      const Grown expected = GrowStepByStep(control, rich, caret);
      control.Select(caret, caret);
      const Read read = ReadText(control.Window());
      EXPECT_EQ(read.text, expected.text) << KindName(kind) << " caret " << caret;
      EXPECT_EQ(control.Selection(), expected.range) << KindName(kind) << " caret " << caret;
    }
  }
}

TEST(StdEdit, GrowthReadsTheLineOnceAndSelectsOnce) {
  for (bool rich : {false, true}) {
    ScriptedEdit control({.rich = rich});
    control.SetText("(" + std::string(1000, 'r') + ")");
    control.Select(500, 500);
    EXPECT_EQ(ReadText(control.Window()).text.size(), 1002u);
    // One read of the line for the growth and one of the grown range.
    EXPECT_EQ(control.Count(rich ? EM_GETSELTEXT : EM_GETLINE), 2) << rich;
    EXPECT_EQ(control.Count(rich ? EM_EXSETSEL : EM_SETSEL), rich ? 2 : 1) << rich;
    EXPECT_EQ(control.Selection(), Range(0, 1002));
  }
}

// J, K and L stand for letters beyond ASCII (two bytes each on a multibyte
// code page): a replace keeps every character outside the run.
TEST(StdEdit, SetTextReplacesTheRunAndReportsAWholeRun) {
  const struct {
    const wchar_t* before;
    Range selected;  // in characters
    const wchar_t* text;
    int expected;
    const wchar_t* after;
    Range selectedAfter;
  } cases[] = {
      {L"x = 6*7 ;", {5, 5}, L"42", 1, L"x = 42 ;", {4, 6}},
      {L"x = 6*7 ;", {5, 5}, L"4 2", 0, L"x = 4 2 ;", {6, 7}},
      {L"abcd", {1, 3}, L"X", 0, L"aXd", {0, 3}},
      {L"a b", {1, 2}, L"+", 0, L"a+b", {0, 3}},
      {L"a  b", {2, 2}, L"c", 1, L"a c b", {2, 3}},
      {L"ab cd", {3, 5}, L"", 1, L"ab ", {3, 3}},
      {L"ab cd", {2, 3}, L"", 0, L"abcd", {0, 4}},
      {L"one two", {4, 7}, L"TWO", 1, L"one TWO", {4, 7}},
      {L"JK abc def", {3, 3}, L"XYZ", 1, L"JK XYZ def", {3, 6}},
      {L"JK abc def", {4, 4}, L"JKL", 1, L"JK JKL def", {3, 6}},
      {L"a 12 b", {3, 3}, L"JK", 1, L"a JK b", {2, 4}},
      {L"JKL abc", {0, 2}, L"x", 0, L"xL abc", {0, 2}},
      {L"x JKL y", {3, 3}, L"J K", 0, L"x J K y", {4, 5}},
  };
  for (Kind kind : kAllKinds) {
    for (const auto& c : cases) {
      const std::wstring before = WithHighLetters(c.before), after = WithHighLetters(c.after);
      const std::string text = AnsiOf(WithHighLetters(c.text));
      // The scripted controls that copy 16-bit text only widen bytes.
      const bool high = before != c.before || text != AnsiOf(c.text);
      if (high && std::find(std::begin(kTextKinds), std::end(kTextKinds), kind) == std::end(kTextKinds)) continue;
      TestControl control(kind, AnsiOf(before));
      control.Select(Units(kind, before, c.selected).first, Units(kind, before, c.selected).second);
      const std::string label = std::string(KindName(kind)) + " '" + AnsiOf(before) + "' '" + text + "'";
      EXPECT_EQ(SetText(control.Window(), text.c_str()), c.expected) << label;
      EXPECT_EQ(control.Text(), AnsiOf(after)) << label;
      EXPECT_EQ(control.Selection(), Units(kind, after, c.selectedAfter)) << label;
    }
  }
}

TEST(StdEdit, SetTextCanBeUndone) {
  TestControl control(Kind::Edit, "x = 6*7 ;");
  control.Select(5, 5);
  ASSERT_EQ(SetText(control.Window(), "42"), 1);
  SendMessageA(control.Window(), EM_UNDO, 0, 0);
  EXPECT_EQ(control.Text(), "x = 6*7 ;");
}

TEST(StdEdit, ReadOnlyFieldsAreReadButNeverWritten) {
  for (Kind kind : kAllKinds) {
    TestControl control(kind, "x = 6*7 ;", ES_READONLY);
    control.Select(5, 5);
    EXPECT_EQ(SetText(control.Window(), "42"), 0) << KindName(kind);
    EXPECT_EQ(control.Text(), "x = 6*7 ;") << KindName(kind);
    EXPECT_EQ(control.Selection(), Range(5, 5)) << KindName(kind);
    if (ScriptedEdit* scripted = control.Scripted()) {
      EXPECT_EQ(scripted->TotalCount(), 0) << KindName(kind);
    }
    const Read read = ReadText(control.Window());
    EXPECT_EQ(read.result, 1) << KindName(kind);
    EXPECT_EQ(read.text, "6*7") << KindName(kind);
  }
}

TEST(StdEdit, PasswordFieldsAreRefusedEverywhere) {
  for (Kind kind : kAllKinds) {
    TestControl control(kind, "secret", ES_PASSWORD);
    control.Select(2, 4);
    EXPECT_EQ(CanHandle(control.Window()), 0) << KindName(kind);
    const Read read = ReadText(control.Window());
    EXPECT_EQ(read.result, 0) << KindName(kind);
    EXPECT_EQ(read.text, "") << KindName(kind);
    EXPECT_EQ(read.point.x, -2) << KindName(kind);
    EXPECT_EQ(read.point.y, -2) << KindName(kind);
    EXPECT_EQ(SetText(control.Window(), "open"), 0) << KindName(kind);
    EXPECT_EQ(control.Text(), "secret") << KindName(kind);
    if (ScriptedEdit* scripted = control.Scripted()) {
      EXPECT_EQ(scripted->Count(EM_REPLACESEL), 0) << KindName(kind);
      EXPECT_EQ(scripted->Count(EM_GETSEL) + scripted->Count(EM_EXGETSEL), 0) << KindName(kind);
    }
  }
}

TEST(StdEdit, ThePointIsTheCaretOnScreenBelowACaption) {
  HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 120, 500, 300,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  HWND edit = CreateWindowExA(0, "EDIT", "x = 12+3 ; tail", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 30, 40,
                              300, 30, parent, nullptr, nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 5, 5);
  const Read read = ReadText(edit);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "12+3");
  POINT caret = {};
  ASSERT_TRUE(GetCaretPos(&caret));
  POINT expected = caret;
  ClientToScreen(edit, &expected);
  EXPECT_EQ(read.point.x, expected.x);
  EXPECT_EQ(read.point.y, expected.y + GetSystemMetrics(SM_CYCAPTION));
  // The caret stands at the grown run's end, inside the edit control.
  RECT frame;
  GetWindowRect(edit, &frame);
  EXPECT_GT(read.point.x, frame.left);
  EXPECT_LT(read.point.x, frame.right);
  EXPECT_EQ(static_cast<LONG>(SendMessageA(edit, EM_POSFROMCHAR, 8, 0) & 0xFFFF), caret.x);
  DestroyWindow(parent);
}

// ---- answers only a scripted control gives ----

TEST(StdEdit, AnInvalidRangeReadsEmptyAndIsNeverReplaced) {
  ScriptedEdit control({.getSelFails = true});
  control.SetText("x = 6*7 ;");
  control.Select(5, 5);
  const Read read = ReadText(control.Window());
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "");
  EXPECT_EQ(control.Count(EM_SETSEL), 0);
  EXPECT_EQ(control.Count(EM_GETLINE), 0);
  EXPECT_EQ(control.Selection(), Range(5, 5));

  // What EM_REPLACESEL would replace is not known: the control stays as it is.
  control.Select(4, 7);
  EXPECT_EQ(SetText(control.Window(), "42"), 0);
  EXPECT_EQ(control.Text(), "x = 6*7 ;");
  EXPECT_EQ(control.Count(EM_REPLACESEL), 0);
}

// Like Windows' own, the scripted control copies no NUL with EM_GETLINE, so
// an empty line leaves the capacity word in the buffer: a range that ends
// between the line's CR and LF must not read it as a character.
TEST(StdEdit, NothingIsReadPastALinesEnd) {
  ScriptedEdit control({});
  control.SetText("ab\r\n\r\ncd");
  control.Select(5, 5);  // between the empty line's CR and LF
  const Read read = ReadText(control.Window());
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "");
  control.Select(4, 5);
  EXPECT_EQ(ReadText(control.Window()).text, "");
  control.Select(3, 5);
  EXPECT_EQ(ReadText(control.Window()).text, "\r\n");
  control.Select(1, 5);
  EXPECT_EQ(ReadText(control.Window()).text, "b\r\n");
}

// A range that yields no text although it is not empty, here the CR that
// ends a line, grows like a caret: the run before it is taken and selected.
TEST(StdEdit, ARangeThatReadsNothingGrowsLikeACaret) {
  for (Kind kind : kMultiLineKinds) {
    TestControl control(kind, "x ab\r\ncd");
    control.Select(4, 5);
    ASSERT_EQ(control.Selection(), Range(4, 5)) << KindName(kind);
    const Read read = ReadText(control.Window());
    EXPECT_EQ(read.result, 1) << KindName(kind);
    EXPECT_EQ(read.text, "ab") << KindName(kind);
    EXPECT_EQ(control.Selection(), Range(2, 5)) << KindName(kind);
  }
}

TEST(StdEdit, SixteenBitLinesAreConverted) {
  ScriptedEdit control({.wideText = true});
  control.SetText("first line\r\nx = 12+3 ;\r\nz");
  control.Select(17, 17);
  EXPECT_EQ(ReadText(control.Window()).text, "12+3");
  control.Select(6, 25);
  EXPECT_EQ(ReadText(control.Window()).text, "line\r\nx = 12+3 ;\r\nz");
  control.Select(24, 24);  // a line of one character
  EXPECT_EQ(ReadText(control.Window()).text, "z");
}

TEST(StdEdit, WideBufferToAnsi) {
  const struct {
    const char* name;
    std::string buffer;  // the bytes a control left, before zero padding
    LONG charCount;
    size_t size;
    std::string expected;
  } cases[] = {
      {"16-bit ab", std::string("a\0b\0", 4), 2, 6, "ab"},
      {"8-bit ab", "ab", 2, 6, "ab"},
      {"a zero byte past a count of one", std::string("a\0b\0", 4), 1, 6, "a"},
      {"one 16-bit character below 256", std::string("a\0", 2), 1, 4, "a"},
      {"16-bit text stops at its NUL", std::string("a\0b\0\0\0c\0", 8), 4, 10, "ab"},
      {"no characters", std::string("a\0b\0", 4), 0, 6, std::string("a\0b\0", 4)},
      {"16-bit text in a buffer shorter than the count", std::string("a\0b\0", 4), 9, 4, "ab"},
      {"16-bit text filling its buffer", std::string("a\0b\0c\0", 6), 3, 6, "abc"},
      {"8-bit text of a negative count", "abc", -4, 6, "abc"},
      {"16-bit character above 255", std::string("\xe4\0\x3b\x04", 4), 2, 6, "\xe4?"},
  };
  for (const auto& c : cases) {
    if (GetACP() != 1252 && c.expected.find('\xe4') != std::string::npos) continue;  // a Western letter
    std::string buffer = c.buffer;
    buffer.resize(c.size, '\0');
    buffer += "GUARD";
    TSelection::WideBufferToAnsi(buffer.data(), c.size, c.charCount);
    EXPECT_EQ(buffer.substr(0, strnlen(buffer.data(), c.size)), c.expected.c_str()) << c.name;
    if (c.expected.find('\0') != std::string::npos) {
      EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected) << c.name;
    }
    EXPECT_EQ(buffer.substr(c.size), "GUARD") << c.name;
  }
}

// Whatever a control answers, the plugin returns 0 or a bounded text, and
// neither writes outside its buffers nor asks for unbounded memory.
bool HeapsAreValid() {
  HANDLE heaps[64];
  const DWORD count = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < count && i < 64; ++i)
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  return true;
}

TEST(StdEdit, OddAnswersGiveZeroOrABoundedText) {
  const struct {
    const char* name;
    Script script;
  } cases[] = {
      {"negative line length", {.lineLength = -5}},
      {"huge line length", {.lineLength = INT32_MAX}},
      {"line longer than EM_GETLINE's capacity", {.lineLength = 70000}},
      {"line length of 65536", {.lineLength = 65536}},
      {"line index before the text", {.lineIndex = -1000}},
      {"line index past the text", {.lineIndex = 1000000000}},
      {"every line the last", {.lineFromChar = INT32_MAX}},
      {"negative line numbers", {.lineFromChar = -7}},
      {"selection past the end", {.reportedSelection = Range{100, 200}}},
      {"selection over everything", {.reportedSelection = Range{INT32_MIN, INT32_MAX}}},
      {"negative caret", {.reportedSelection = Range{-3, -3}}},
      {"caret far past the end", {.reportedSelection = Range{INT32_MAX, INT32_MAX}}},
      {"16-bit text and huge lines", {.wideText = true, .lineLength = INT32_MAX}},
      {"16-bit text and negative lines", {.wideText = true, .lineLength = -2}},
      {"rich, negative line length", {.rich = true, .lineLength = -5}},
      {"rich, huge line length", {.rich = true, .lineLength = INT32_MAX}},
      {"rich, line index past the text", {.rich = true, .lineIndex = 1000000000}},
      {"rich, selection past the end", {.rich = true, .reportedSelection = Range{100, 200}}},
      {"rich, selection over everything", {.rich = true, .reportedSelection = Range{INT32_MIN, INT32_MAX}}},
      {"rich, selection of 2^31-1", {.rich = true, .reportedSelection = Range{0, INT32_MAX}}},
      {"rich, caret far past the end", {.rich = true, .reportedSelection = Range{INT32_MAX, INT32_MAX}}},
      {"rich 16-bit, huge line", {.rich = true, .wideText = true, .lineLength = INT32_MAX}},
      {"line length of 1,000,000", {.lineLength = 1000000}},
      {"line length of 4,000,000", {.lineLength = 4000000}},
      {"huge line count", {.lineCount = INT32_MAX}},
      {"EM_GETLINE copies nothing", {.copied = 0}},
      {"EM_GETLINE copies two characters", {.copied = 2}},
      {"16-bit text, EM_GETLINE copies nothing", {.wideText = true, .copied = 0}},
      {"rich, EM_GETSELTEXT copies nothing", {.rich = true, .copied = 0}},
      {"rich, EM_GETSELTEXT copies two characters", {.rich = true, .copied = 2}},
      {"rich, negative caret", {.rich = true, .reportedSelection = Range{-3, -3}}},
  };
  const std::string text = "ab 12+3 cd\r\nline two\r\n\r\nz";
  for (const auto& c : cases) {
    for (LONG caret : {0, 5, 9}) {
      ScriptedEdit control(c.script);
      control.SetText(text);
      control.Select(caret, caret);
      double started = ThreadMs();
      const Read read = ReadText(control.Window());
      EXPECT_LT(ThreadMs() - started, 1000.0) << c.name;
      EXPECT_TRUE(read.result == 0 || read.result == 1) << c.name;
      EXPECT_LE(read.text.size(), kMaxText) << c.name;
      // Nothing but text the control holds.
      EXPECT_NE(text.find(read.text), std::string::npos) << c.name << ": '" << read.text << "'";
      control.Select(caret, caret);
      started = ThreadMs();
      const int written = SetText(control.Window(), "new");
      EXPECT_LT(ThreadMs() - started, 1000.0) << c.name;
      EXPECT_EQ(written & ~1, 0) << c.name;
      // A replace that reports failure has changed nothing.
      if (written == 0) {
        EXPECT_EQ(control.Text(), text) << c.name << " caret " << caret;
      }
      EXPECT_TRUE(HeapsAreValid()) << c.name;
      EXPECT_LE(control.Count(EM_GETLINE), 200) << c.name;
    }
  }
}

// Too long for one buffer, a rich edit selection is still read: its head,
// through a shorter selection, so that no later plugin answers instead.
TEST(StdEdit, ARichSelectionTooLongToHoldDeliversItsHead) {
  ScriptedEdit control({.rich = true});
  control.SetText(std::string(kMaxRichRange + 1, 'r'));
  control.Select(0, kMaxRichRange + 1);
  const Read read = ReadText(control.Window());
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, std::string(kMaxText, 'r'));
  EXPECT_EQ(control.Count(EM_GETSELTEXT), 1);
  EXPECT_EQ(control.Selection(), Range(0, kMaxRichRange + 1));
  EXPECT_EQ(SetText(control.Window(), "x"), 1);
  EXPECT_EQ(control.Text(), "x");
}

// ---- the code page: characters, not bytes ----

TEST(StdEdit, TheHighLettersBelongToTheCodePage) {
  const std::wstring high = HighLetters();
  ASSERT_EQ(AnsiToWide(AnsiOf(high).c_str()), high) << "code page " << GetACP();
  EXPECT_EQ(AnsiOf(high).size(), GetACP() == 932 ? 6u : 3u);
}

TEST(StdEdit, ReadsTheCharactersAtTheCaretOnEveryCodePage) {
  const struct {
    const wchar_t* text;
    Range selected;  // in characters
    const wchar_t* expected;
    Range selectedAfter;
  } cases[] = {
      {L"JK abc def", {3, 3}, L"abc", {3, 6}},   // the run after multibyte letters on the line
      {L"JK abc def", {5, 5}, L"abc", {3, 6}},   // where a byte count would put the caret
      {L"x JKL y", {3, 3}, L"JKL", {2, 5}},      // a run of multibyte letters
      {L"ab JKL", {6, 6}, L"JKL", {3, 6}},       // behind it, at the line's end
      {L"JKL abc", {0, 2}, L"JK", {0, 2}},       // a selection ending inside a byte count's reach
      {L"L=J+K; x", {2, 2}, L"L=J+K;", {0, 6}},  // letters and signs together
  };
  for (Kind kind : kTextKinds) {
    for (const auto& c : cases) {
      const std::wstring text = WithHighLetters(c.text);
      TestControl control(kind, AnsiOf(text));
      control.Select(Units(kind, text, c.selected).first, Units(kind, text, c.selected).second);
      const Read read = ReadText(control.Window());
      const std::string label = std::string(KindName(kind)) + " '" + AnsiOf(text) + "'";
      EXPECT_EQ(read.result, 1) << label;
      EXPECT_EQ(read.text, AnsiOf(WithHighLetters(c.expected))) << label;
      EXPECT_EQ(control.Selection(), Units(kind, text, c.selectedAfter)) << label;
      EXPECT_EQ(control.Text(), AnsiOf(text)) << label;
    }
  }
}

TEST(StdEdit, TheLimitIsReachedBetweenCharacters) {
  const std::wstring run(20000, HighLetters()[0]);
  const std::wstring text = L"( " + run + L" )";
  for (Kind kind : kTextKinds) {
    TestControl control(kind, AnsiOf(text));
    control.Select(Units(kind, text, 5000), Units(kind, text, 5000));
    const Read read = ReadText(control.Window());
    EXPECT_EQ(read.result, 1) << KindName(kind);
    EXPECT_EQ(read.text, WholeCharactersIn(run, kMaxText)) << KindName(kind) << ": " << read.text.size();
    EXPECT_EQ(control.Selection(), Units(kind, text, Range(2, 20002))) << KindName(kind);
  }
}

// ---- long lines ----

// One line far longer than EM_GETLINE's 16-bit capacity word can hold.
TEST(StdEdit, LongLinesAreReadAndReplacedWhereTheCaretIs) {
  const struct {
    const char* name;
    const wchar_t* before;  // the lines before the long one
    size_t length;
    size_t wordAt;
    size_t wordLength;
    wchar_t letter;  // of the word; J stands for a letter beyond ASCII
    size_t caret;    // within the long line
  } cases[] = {
      {"70,000 characters, a word at 40,000", L"", 70000, 40000, 6, L'w', 40001},
      {"65,542 characters, a word at 100", L"", 65542, 100, 6, L'w', 101},
      {"70,000 characters, a run of 60,000 at the start", L"", 70000, 0, 60000, L'w', 50},
      {"70,000 characters, a multibyte word at 40,000", L"", 70000, 40000, 6, L'J', 40003},
      {"70,000 characters, a multibyte run of 60,000", L"", 70000, 0, 60000, L'J', 50},
      {"70,000 characters after a short line", L"ab cd\r\n", 70000, 40000, 6, L'w', 40001},
  };
  for (Kind kind : kRealKinds) {
    for (const auto& c : cases) {
      // A rich edit control counts one character for a line break, an edit
      // control two.
      if (*c.before && kind != Kind::EditMulti) continue;
      const std::wstring word(c.wordLength, WithHighLetters(std::wstring(1, c.letter))[0]);
      std::wstring line(c.length, L' ');
      line.replace(c.wordAt, c.wordLength, word);
      const std::wstring text = c.before + line;
      const LONG offset = static_cast<LONG>(std::wcslen(c.before));
      const std::string label = std::string(KindName(kind)) + ", " + c.name;
      TestControl control(kind, AnsiOf(text));
      ASSERT_EQ(control.Text(), AnsiOf(text)) << label;
      const LONG caret = offset + static_cast<LONG>(c.caret);
      control.Select(caret, caret);
      double started = ThreadMs();
      const Read read = ReadText(control.Window());
      EXPECT_LT(ThreadMs() - started, 1000.0) << label;
      EXPECT_EQ(read.result, 1) << label;
      EXPECT_EQ(read.text, WholeCharactersIn(word, kMaxText)) << label << ": " << read.text.size() << " bytes";
      const LONG wordStart = offset + static_cast<LONG>(c.wordAt);
      EXPECT_EQ(control.Selection(), Range(wordStart, wordStart + static_cast<LONG>(c.wordLength))) << label;

      control.Select(caret, caret);
      started = ThreadMs();
      EXPECT_EQ(SetText(control.Window(), "XYZ"), 1) << label;
      EXPECT_LT(ThreadMs() - started, 1000.0) << label;
      std::wstring expected = text;
      expected.replace(wordStart, c.wordLength, L"XYZ");
      EXPECT_TRUE(control.Text() == AnsiOf(expected)) << label << ": " << control.Text().size() << " bytes";
      EXPECT_EQ(control.Selection(), Range(wordStart, wordStart + 3)) << label;
    }
  }
}

TEST(StdEdit, GetInfoNamesThePlugin) {
  char name[KST_PLUGIN_NAME_SIZE] = {};
  GetInfo(name);
  EXPECT_STREQ(name, "Standard edit controls plugin");
}

}  // namespace
}  // namespace kst::kststd
