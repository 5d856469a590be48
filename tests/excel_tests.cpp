// The Excel plugin against a fake Excel (fakeexcel.h). In its own process,
// every call crosses the process boundary through COM marshaling, as it
// would into Excel; in the test's own thread, every reference counts. The
// fake reports its workbooks, counts calls, fails chosen calls and counts
// the objects still alive.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakeexcel.h"
#include "kstexcel.h"
#include "kstexceli.h"
#include "selvor32.h"
#include "sharedblock.h"
#include "testsupport.h"
#include "vtableslots.h"

namespace kst {
namespace {

using Microsoft::WRL::ComPtr;
using test::FixtureProcess;
using test::ParseWindow;

struct TFakeReport {
  std::map<std::string, int> calls;
  std::vector<std::string> bad;
  std::map<std::string, std::string> captions;  // "book|window" -> caption (UTF-8)
  std::map<std::string, std::string> cells;     // "book|window|cell" -> text (UTF-8)
  std::map<std::string, long> refs;             // "book" -> references to the workbook
  long live = -1;
  int activate = -1;

  int Calls(const std::string& member) const {
    const auto it = calls.find(member);
    return it == calls.end() ? 0 : it->second;
  }
};

// The fake Excel, driven line by line: in a process of its own, or in this
// thread, where the workbooks' reference counts are exact.
class FakeExcel {
 public:
  explicit FakeExcel(bool inThread = false) {
    if (inThread) {
      main_ = test::StartFakeExcel([this](const std::string& line) { lines_.push_back(line); });
      return;
    }
    process_ = std::make_unique<FixtureProcess>("fake_excel");
    const auto ready = test::FakeExcelFields(NextLine());
    EXPECT_EQ(ready[0], "ready") << process_->Output();
    if (ready.size() > 1) main_ = ParseWindow(ready[1]);
  }
  ~FakeExcel() {
    if (!process_) {
      test::StopFakeExcel();
      return;
    }
    process_->Send("quit");
    process_->Wait();
  }
  bool InThread() const { return !process_; }

  std::vector<std::string> Ask(const std::string& command) {
    Send(command);
    return test::FakeExcelFields(NextLine());
  }
  void Do(const std::string& command) { EXPECT_EQ(Ask(command)[0], "ok") << command; }

  void Book(const std::string& path, const std::string& kind = "") {
    const auto answer = Ask("book|" + path + (kind.empty() ? "" : "|" + kind));
    ASSERT_EQ(answer.size(), 3u);
    EXPECT_EQ(answer[2], "0x00000000") << "running object table registration";
    baselineRefs_ = Report().refs;
  }
  // A workbook with one window whose caption and title are both `name`.
  HWND BookWithWindow(const std::string& name) {
    Book("C:\\kst\\" + name + ".xls");
    return Window(name, name);
  }
  // A window of the last book: its caption in Excel and the title of its
  // workbook window (UTF-8).
  HWND Window(const std::string& caption, const std::string& title, const std::string& cls = "EXCEL7") {
    const auto answer = Ask("window|" + caption + "|" + title + "|" + cls);
    EXPECT_EQ(answer[0], "window");
    return answer.size() > 1 ? ParseWindow(answer[1]) : nullptr;
  }

  TFakeReport Report() {
    Send("report");
    TFakeReport report;
    for (std::string line = NextLine(); line != "end"; line = NextLine()) {
      if (line.empty()) {
        ADD_FAILURE() << "report cut short";
        break;
      }
      const auto f = test::FakeExcelFields(line);
      if (f[0] == "calls") report.calls[f[1]] = std::stoi(f[2]);
      if (f[0] == "bad") report.bad.push_back(f[1]);
      if (f[0] == "caption") report.captions[f[1] + "|" + f[2]] = f[3];
      if (f[0] == "cell") report.cells[f[1] + "|" + f[2] + "|" + f[3]] = f[5];
      if (f[0] == "refs") report.refs[f[1]] = std::stol(f[2]);
      if (f[0] == "live") report.live = std::stol(f[1]);
      if (f[0] == "activate") report.activate = std::stoi(f[1]);
    }
    return report;
  }

  HWND Main() const { return main_; }
  const std::map<std::string, long>& BaselineRefs() const { return baselineRefs_; }

 private:
  void Send(const std::string& command) {
    if (process_)
      process_->Send(command);
    else
      test::RunFakeExcelCommand(command);
  }
  std::string NextLine() {
    if (process_) return process_->ReadLine();
    if (lines_.empty()) return "";
    std::string line = lines_.front();
    lines_.pop_front();
    return line;
  }

  std::unique_ptr<FixtureProcess> process_;
  std::deque<std::string> lines_;
  HWND main_ = nullptr;
  std::map<std::string, long> baselineRefs_;
};

// Every window, range and collection the fake handed out has been released
// again, and every call kept the rules (IID_NULL, locale 0, argument forms,
// no late-bound workbook, no other member of _Workbook). The workbooks'
// counts are compared in this thread only: across processes the marshaling
// stubs keep references of their own.
void ExpectClean(const FakeExcel& excel, const TFakeReport& report) {
  EXPECT_EQ(report.live, 0) << "objects handed out and not released";
  for (const auto& bad : report.bad) ADD_FAILURE() << "fake: " << bad;
  if (excel.InThread()) {
    EXPECT_EQ(report.refs, excel.BaselineRefs()) << "workbook references";
  }
}

struct TReadResult {
  int result;
  std::string text;
  POINT point;
};

TReadResult Read(HWND window) {
  TReadResult read;
  std::vector<char> buffer(32769, 'z');
  read.point = {-1, -1};
  read.result = excel::GetText(window, buffer.data(), &read.point);
  read.text = buffer.data();
  return read;
}

POINT ClientOrigin(HWND window) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  origin.y += GetSystemMetrics(SM_CYCAPTION);
  return origin;
}

// --- Declarations ------------------------------------------------------------

TEST(ExcelDeclarations, WindowsIsSlot130OfTheWorkbookVtable) {
  Windows* windows = nullptr;
  EXPECT_EQ(test::SlotCalled<_Workbook>([&](_Workbook* book) { book->get_Windows(&windows); }),
            kWorkbookWindowsSlot);
  EXPECT_EQ(kWorkbookWindowsSlot, 130);
}

TEST(ExcelDeclarations, TheFakeTypeLibraryPutsWindowsInTheSameSlot) {
  ITypeLib* library = nullptr;
  const std::wstring path = [] {
    const std::string dir = test::ModuleDir() + "fakeexcel.tlb";
    return std::wstring(dir.begin(), dir.end());
  }();
  ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library), S_OK);
  // The dual interface's vtable side.
  ITypeInfo* dispatchSide = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(IID_ExcelWorkbook, &dispatchSide), S_OK);
  HREFTYPE vtableSide = 0;
  ITypeInfo* info = nullptr;
  ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(-1, &vtableSide), S_OK);
  ASSERT_EQ(dispatchSide->GetRefTypeInfo(vtableSide, &info), S_OK);
  dispatchSide->Release();
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  bool found = false;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* func = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &func), S_OK);
    BSTR name = nullptr;
    info->GetDocumentation(func->memid, &name, nullptr, nullptr, nullptr);
    if (name && std::wcscmp(name, L"Windows") == 0) {
      found = true;
      EXPECT_EQ(func->oVft, kWorkbookWindowsSlot * static_cast<int>(sizeof(void*)));
    }
    SysFreeString(name);
    info->ReleaseFuncDesc(func);
  }
  EXPECT_TRUE(found);
  info->ReleaseTypeAttr(attr);
  info->Release();
  library->Release();
}

// --- Recognising the window ------------------------------------------------------

int g_ActivateMessages = 0;
LRESULT CALLBACK CountActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 18 && wParam == 0 && lParam == 0) ++g_ActivateMessages;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(ExcelPlugin, AcceptsClassNamesThatBeginWithExcel7AndTellsTheWindowTwoLevelsUp) {
  WNDCLASSA main = {};
  main.lpfnWndProc = CountActivate;
  main.hInstance = GetModuleHandleA(nullptr);
  main.lpszClassName = "KstExcelMain";
  RegisterClassA(&main);
  HWND top = CreateWindowA("KstExcelMain", "main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr,
                           nullptr, nullptr, nullptr);
  HWND desk = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 200, 200, top, nullptr, nullptr, nullptr);
  const struct {
    const char* name;
    int expected;
  } cases[] = {{"EXCEL7", 1}, {"EXCEL7X", 1}, {"EXCEL7Book", 1}, {"excel7", 0}, {"Excel7", 0},
               {"EXCEL", 0},  {"EXCEL6", 0},  {"XEXCEL7", 0},   {"EDIT", 0}};
  for (const auto& c : cases) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = c.name;
    // Class names are looked up without regard to case: one at a time.
    ASSERT_NE(RegisterClassA(&wc), 0) << c.name;
    HWND window = CreateWindowA(c.name, "Book1", WS_CHILD, 0, 0, 100, 100, desk, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr) << c.name;
    g_ActivateMessages = 0;
    EXPECT_EQ(excel::CanHandle(window), c.expected) << c.name;
    EXPECT_EQ(g_ActivateMessages, c.expected) << c.name;
    DestroyWindow(window);
    UnregisterClassA(c.name, GetModuleHandleA(nullptr));
  }
  DestroyWindow(top);
}

TEST(ExcelPlugin, WithoutAnyWorkbookNothingIsFound) {
  HWND window = CreateWindowA("STATIC", "Book1", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  const TReadResult read = Read(window);
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.text, "");
  EXPECT_EQ(read.point.x, -2);
  EXPECT_EQ(read.point.y, -2);
  EXPECT_EQ(excel::SetText(window, "1"), 0);
  DestroyWindow(window);
}

// --- Reading and writing through the fake Excel -------------------------------------

// Each case runs against the fake in its own process, through COM
// marshaling, and again in this thread, where every reference counts.
class ExcelFake : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(, ExcelFake, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "InThread" : "AcrossProcesses";
                         });

TEST_P(ExcelFake, ReadsAndWritesTheActiveCell) {
  FakeExcel excel(GetParam());
  HWND window = excel.BookWithWindow("Book1");
  excel.Do("cell|0|0|0|text|12+34|0|0");

  const TReadResult read = Read(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "12+34");
  const POINT origin = ClientOrigin(window);
  EXPECT_EQ(read.point.x, origin.x);
  EXPECT_EQ(read.point.y, origin.y);

  EXPECT_EQ(excel::SetText(window, "46"), 1);
  const TFakeReport after = excel.Report();
  EXPECT_EQ(after.cells.at("0|0|0"), "46");
  EXPECT_EQ(after.Calls("Show"), 2);
  EXPECT_EQ(after.Calls("Caption.put"), 0) << "one matching window: no caption is touched";
  EXPECT_EQ(after.activate, 0) << "only CanHandle sends the message";
  ExpectClean(excel, after);
}

TEST(ExcelPlugin, TheEngineServesExcelInTheCallersThread) {
  FakeExcel excel;
  HWND window = excel.BookWithWindow("Engine");
  excel.Do("cell|0|0|0|text|7*6|0|0");
  uint8_t saved[kPluginCount];
  std::memcpy(saved, SharedBlock()->Disabled, sizeof(saved));
  std::memset(SharedBlock()->Disabled, 1, sizeof(saved));
  SharedBlock()->Disabled['C' - 'A'] = 0;

  std::vector<char> buffer(32769, 'z');
  POINT point = {0, 0};
  EXPECT_EQ(kst_get_window_text(window, buffer.data(), &point), 1);
  EXPECT_STREQ(buffer.data(), "7*6");
  EXPECT_EQ(kst_get_last_used_plugin(), 'C');
  EXPECT_EQ(kst_set_window_text(window, "42"), 1);
  std::memcpy(SharedBlock()->Disabled, saved, sizeof(saved));

  const TFakeReport report = excel.Report();
  EXPECT_EQ(report.cells.at("0|0|0"), "42");
  EXPECT_EQ(report.activate, 2) << "each CanHandle tells the main window";
  ExpectClean(excel, report);
}

TEST_P(ExcelFake, CaptionsMatchExactlyOrWithTheExtensionThroughTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1252u) << "the cases below assume the Western code page";
  const struct {
    const char* caption;  // UTF-8
    const char* title;    // UTF-8
    bool matches;
  } cases[] = {
      {"A Report.xls", "A Report", true},
      {"B Report.XLS", "B Report", true},
      {"C REPORT.xls", "C report", true},
      {"D Report.xls", "D Report.xls", true},
      {"E Report", "E Report.xls", false},
      {"F Report.xlsx", "F Report", false},
      {"G report", "G Report", false},
      {"H Donn\xC3\xA9" "es.xls", "H Donn\xC3\xA9" "es", true},             // é is in the code page
      {"I \xE2\x98\x83 Data.xls", "I \xE2\x98\x83 Data", false},          // the snowman is not
      {"J \xE2\x98\x83 Data", "J \xE2\x98\x83 Data", true},               // exact equality holds
  };
  FakeExcel excel(GetParam());
  std::vector<HWND> windows;
  for (size_t i = 0; i < std::size(cases); ++i) {
    excel.Book("C:\\kst\\Case" + std::to_string(i) + ".xls");
    windows.push_back(excel.Window(cases[i].caption, cases[i].title));
    excel.Do("cell|" + std::to_string(i) + "|0|0|text|case " + std::to_string(i) + "|0|0");
  }
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TReadResult read = Read(windows[i]);
    EXPECT_EQ(read.result, cases[i].matches ? 1 : 0) << cases[i].caption;
    EXPECT_EQ(read.text, cases[i].matches ? "case " + std::to_string(i) : "") << cases[i].caption;
  }
  const TFakeReport report = excel.Report();
  EXPECT_EQ(report.Calls("Caption.put"), 0);
  ExpectClean(excel, report);
}

TEST_P(ExcelFake, CellValuesBecomeAnsiTextCutAt32767Characters) {
  ASSERT_EQ(GetACP(), 1252u);
  FakeExcel excel(GetParam());
  HWND window = excel.BookWithWindow("Values");
  const struct {
    const char* cell;  // kind|value as the fake takes it
    int result;
    std::string text;
  } cases[] = {
      {"empty|", 1, ""},
      {"text|12 + 34", 1, "12 + 34"},
      {"number|1234.5", 1, "1234.5"},
      {"number|-0.25", 1, "-0.25"},
      {"text|Caf\xC3\xA9 \xE2\x98\x83", 1, "Caf\xE9 ?"},
      {"repeat|40000", 1, std::string(32767, 'x')},
      {"error|", 0, ""},  // #N/A has no text form
  };
  for (const auto& c : cases) {
    excel.Do(std::string("cell|0|0|0|") + c.cell + "|0|0");
    const TReadResult read = Read(window);
    EXPECT_EQ(read.result, c.result) << c.cell;
    EXPECT_EQ(read.text, c.text) << c.cell;
    if (c.result == 0) {
      EXPECT_EQ(read.point.x, -2) << c.cell;
      EXPECT_EQ(read.point.y, -2) << c.cell;
    }
  }
  ExpectClean(excel, excel.Report());
}

// Sets the user's decimal separator for the life of the object.
class UserDecimal {
 public:
  explicit UserDecimal(const wchar_t* separator) {
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_, 8);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator);
  }
  ~UserDecimal() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved_); }

 private:
  wchar_t saved_[8] = {};
};

TEST_P(ExcelFake, NumbersAreWrittenInTheUsersLocale) {
  FakeExcel excel(GetParam());
  HWND window = excel.BookWithWindow("Locale");
  excel.Do("cell|0|0|0|number|1234.5|0|0");
  UserDecimal comma(L",");
  const TReadResult read = Read(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "1234,5");
}

TEST_P(ExcelFake, WrittenTextArrivesAsUtf16FromTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 1252u);
  FakeExcel excel(GetParam());
  HWND window = excel.BookWithWindow("Write");
  EXPECT_EQ(excel::SetText(window, "Caf\xE9 \x80"), 1);
  EXPECT_EQ(excel::SetText(window, ""), 1);
  excel.Do("cell|0|0|1|text|other|0|0");
  const TFakeReport report = excel.Report();
  EXPECT_EQ(report.cells.at("0|0|0"), "");
  EXPECT_EQ(excel::SetText(window, "Caf\xE9 \x80"), 1);
  EXPECT_EQ(excel.Report().cells.at("0|0|0"), "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST_P(ExcelFake, OnlyTheActiveCellOfASelectionIsTouched) {
  FakeExcel excel(GetParam());
  HWND window = excel.BookWithWindow("Selection");
  excel.Do("cell|0|0|0|text|first|0|0");
  excel.Do("cell|0|0|1|text|second|48|0");
  excel.Do("cell|0|0|2|text|third|96|0");
  excel.Do("active|0|0|1");
  const TReadResult read = Read(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "second");
  EXPECT_EQ(read.point.x, ClientOrigin(window).x + 58);  // 48 points at 1.2 pixels: 57.6
  EXPECT_EQ(excel::SetText(window, "new"), 1);
  const TFakeReport report = excel.Report();
  EXPECT_EQ(report.cells.at("0|0|0"), "first");
  EXPECT_EQ(report.cells.at("0|0|1"), "new");
  EXPECT_EQ(report.cells.at("0|0|2"), "third");
  ExpectClean(excel, report);
}

TEST_P(ExcelFake, WithoutAnActiveCellNothingIsReadOrWritten) {
  FakeExcel excel(GetParam());
  HWND window = excel.BookWithWindow("Chart");
  excel.Do("active|0|0|-1");
  const TReadResult read = Read(window);
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.point.x, -2);
  EXPECT_EQ(excel::SetText(window, "x"), 0);
  ExpectClean(excel, excel.Report());
}

TEST_P(ExcelFake, ThePointIsTheCellCornerScaledByTheZoom) {
  FakeExcel excel(GetParam());
  HWND window = excel.BookWithWindow("Zoom");
  const POINT origin = ClientOrigin(window);
  const struct {
    const char* view;  // zoom|visible left|visible top
    const char* cell;  // left|top of the active cell
    LONG dx, dy;
  } cases[] = {
      {"100|0|0", "0|0", 0, 0},
      {"200|0|0", "0|0", 0, 0},
      {"100|120|300", "120|300", 0, 0},     // the top-left visible cell is the client origin
      {"100|120|300", "170|325", 60, 30},   // 50 and 25 points
      {"200|120|300", "170|325", 120, 60},  // doubled at 200 per cent
      {"125|0|0", "1|7", 2, 10},            // 1.5 and 10.5 go to the even neighbour
      {"100|100|100", "90|95", -12, -6},    // left of and above the visible range
  };
  for (const auto& c : cases) {
    excel.Do(std::string("view|0|0|") + c.view);
    excel.Do(std::string("cell|0|0|0|text|v|") + c.cell);
    const TReadResult read = Read(window);
    EXPECT_EQ(read.result, 1) << c.view << " " << c.cell;
    EXPECT_EQ(read.point.x, origin.x + c.dx) << c.view << " " << c.cell;
    EXPECT_EQ(read.point.y, origin.y + c.dy) << c.view << " " << c.cell;
  }
  // A distance no screen coordinate can hold is no position at all.
  excel.Do("view|0|0|1e300|0|0");
  excel.Do("cell|0|0|0|text|far|10|10");
  const TReadResult distant = Read(window);
  EXPECT_EQ(distant.result, 1);
  EXPECT_EQ(distant.text, "far");
  EXPECT_EQ(distant.point.x, -2);
  EXPECT_EQ(distant.point.y, -2);
  ExpectClean(excel, excel.Report());
}

TEST_P(ExcelFake, EntriesWithoutWindowsAndOtherObjectsAreSkipped) {
  FakeExcel excel(GetParam());
  excel.Book("C:\\kst\\Other.doc", "other");
  excel.Book("C:\\kst\\Nothing.xls", "nowindows");
  excel.Book("C:\\kst\\Empty.xls");
  HWND window = excel.BookWithWindow("Found");
  excel.Do("cell|3|0|0|text|found|0|0");
  const TReadResult read = Read(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "found");
  const TFakeReport report = excel.Report();
  EXPECT_EQ(report.Calls("Windows"), 3) << "every workbook is asked, the other object is not";
  EXPECT_EQ(report.Calls("Count"), 2) << "no count of a Windows that is nothing";
  ExpectClean(excel, report);
}

// --- Entries that succeed without an object ------------------------------------------

TEST(ExcelPlugin, ABindingThatSucceedsWithoutAWorkbookIsSkipped) {
  FakeExcel excel(true);
  excel.Book("C:\\kst\\Hollow.xls", "nointerface");
  HWND window = excel.BookWithWindow("Found");
  excel.Do("cell|1|0|0|text|found|0|0");
  const TReadResult read = Read(window);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "found");
  EXPECT_EQ(excel::SetText(window, "new"), 1);
  ExpectClean(excel, excel.Report());
}

// An enumerator whose Next hands out `nulls` empty entries with S_OK, then
// the entries of the system's table. Counts its references; any call the
// search has no business making fails the test.
class TNullFirstMonikers : public IEnumMoniker {
 public:
  TNullFirstMonikers(int nulls, IEnumMoniker* system) : nulls_(nulls), system_(system) {}
  LONG Refs() const { return refs_; }
  int NextCalls() const { return nextCalls_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    ADD_FAILURE() << "IEnumMoniker::QueryInterface";
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** monikers, ULONG* fetched) override {
    ++nextCalls_;
    EXPECT_EQ(count, 1u);
    if (handedOut_ < nulls_) {
      ++handedOut_;
      *monikers = nullptr;
      if (fetched) *fetched = 1;
      return S_OK;
    }
    return system_->Next(count, monikers, fetched);
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override {
    ADD_FAILURE() << "IEnumMoniker::Skip";
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    handedOut_ = 0;
    return system_->Reset();
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker**) override {
    ADD_FAILURE() << "IEnumMoniker::Clone";
    return E_NOTIMPL;
  }

 private:
  LONG refs_ = 1;
  int nulls_, handedOut_ = 0, nextCalls_ = 0;
  IEnumMoniker* system_;
};

// A running object table whose EnumRunning succeeds with `monikers`, which
// may be null. Only EnumRunning is expected.
class TScriptedTable : public IRunningObjectTable {
 public:
  explicit TScriptedTable(IEnumMoniker* monikers) : monikers_(monikers) {}
  LONG Refs() const { return refs_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    ADD_FAILURE() << "IRunningObjectTable::QueryInterface";
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE EnumRunning(IEnumMoniker** monikers) override {
    if (monikers_) monikers_->AddRef();
    *monikers = monikers_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Register(DWORD, IUnknown*, IMoniker*, DWORD*) override { return Unexpected("Register"); }
  HRESULT STDMETHODCALLTYPE Revoke(DWORD) override { return Unexpected("Revoke"); }
  HRESULT STDMETHODCALLTYPE IsRunning(IMoniker*) override { return Unexpected("IsRunning"); }
  HRESULT STDMETHODCALLTYPE GetObject(IMoniker*, IUnknown**) override { return Unexpected("GetObject"); }
  HRESULT STDMETHODCALLTYPE NoteChangeTime(DWORD, FILETIME*) override { return Unexpected("NoteChangeTime"); }
  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IMoniker*, FILETIME*) override {
    return Unexpected("GetTimeOfLastChange");
  }

 private:
  static HRESULT Unexpected(const char* member) {
    ADD_FAILURE() << "IRunningObjectTable::" << member;
    return E_NOTIMPL;
  }
  LONG refs_ = 1;
  IEnumMoniker* monikers_;
};

TEST(ExcelPlugin, ATableThatEnumeratesWithoutAnEnumeratorGivesNothing) {
  HWND window = CreateWindowA("EXCEL7", "Book1", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ComPtr<IBindCtx> bindContext;
  ASSERT_EQ(CreateBindCtx(0, bindContext.GetAddressOf()), S_OK);
  TScriptedTable table(nullptr);
  EXPECT_EQ(excel::FindExcelWindowIn(window, bindContext.Get(), &table), nullptr);
  EXPECT_EQ(table.Refs(), 1);
  if (window) DestroyWindow(window);
}

TEST(ExcelPlugin, EmptyEntriesOfTheEnumeratorAreSkipped) {
  FakeExcel excel(true);
  HWND window = excel.BookWithWindow("Found");
  ComPtr<IBindCtx> bindContext;
  ComPtr<IRunningObjectTable> system;
  ComPtr<IEnumMoniker> systemMonikers;
  ASSERT_EQ(CreateBindCtx(0, bindContext.GetAddressOf()), S_OK);
  ASSERT_EQ(bindContext->GetRunningObjectTable(system.GetAddressOf()), S_OK);
  ASSERT_EQ(system->EnumRunning(systemMonikers.GetAddressOf()), S_OK);
  TNullFirstMonikers monikers(2, systemMonikers.Get());
  TScriptedTable table(&monikers);

  const ComPtr<IDispatch> found = excel::FindExcelWindowIn(window, bindContext.Get(), &table);
  EXPECT_NE(found, nullptr) << "the workbook after the empty entries";
  EXPECT_GT(monikers.NextCalls(), 2);
  EXPECT_EQ(monikers.Refs(), 1);
  EXPECT_EQ(table.Refs(), 1);
}

// --- Several windows with the same caption ------------------------------------------

struct TwoWindows {
  FakeExcel excel;
  HWND first, second;
  TwoWindows(bool inThread, const char* firstCaption, const char* secondCaption) : excel(inThread) {
    excel.Book("C:\\kst\\Twins.xls");
    first = excel.Window(firstCaption, "Twins");
    second = excel.Window(secondCaption, "Twins");
    excel.Do("cell|0|0|0|text|from the first|0|0");
    excel.Do("cell|0|1|0|text|from the second|0|0");
  }
};

TEST_P(ExcelFake, TheMarkerPicksTheLaterWindowWhenItIsTheTarget) {
  TwoWindows twins(GetParam(), "Twins", "Twins");
  const TReadResult read = Read(twins.second);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, "from the second");
  const TFakeReport report = twins.excel.Report();
  EXPECT_EQ(report.Calls("Caption.put"), 2) << "the marker, then the title";
  EXPECT_EQ(report.captions.at("0|0"), "Twins");
  EXPECT_EQ(report.captions.at("0|1"), "Twins");
  EXPECT_EQ(test::WindowText(twins.second), "Twins");
  ExpectClean(twins.excel, report);
}

TEST_P(ExcelFake, TheMarkerKeepsTheFirstWindowWhenTheLaterOneIsAnother) {
  TwoWindows twins(GetParam(), "Twins", "Twins");
  EXPECT_EQ(excel::SetText(twins.first, "written"), 1);
  const TFakeReport report = twins.excel.Report();
  EXPECT_EQ(report.cells.at("0|0|0"), "written");
  EXPECT_EQ(report.cells.at("0|1|0"), "from the second");
  EXPECT_EQ(report.Calls("Caption.put"), 2);
  EXPECT_EQ(report.captions.at("0|0"), "Twins");
  EXPECT_EQ(report.captions.at("0|1"), "Twins");
  EXPECT_EQ(test::WindowText(twins.second), "Twins");
  ExpectClean(twins.excel, report);
}

TEST_P(ExcelFake, ALaterCandidateMatchedWithTheExtensionGetsTheTitleBack) {
  TwoWindows twins(GetParam(), "Twins.xls", "twins.XLS");
  const TReadResult read = Read(twins.first);
  EXPECT_EQ(read.text, "from the first");
  const TFakeReport report = twins.excel.Report();
  EXPECT_EQ(report.captions.at("0|0"), "Twins.xls") << "the first candidate is never touched";
  EXPECT_EQ(report.captions.at("0|1"), "Twins") << "written back as the title";
  ExpectClean(twins.excel, report);
}

// --- Failing calls ---------------------------------------------------------------------

TEST_P(ExcelFake, AFailingCallEndsTheReadWhereTheContractSays) {
  enum TPoint { None, XOnly, Full };
  const struct {
    const char* fail;  // member|call number (0: every call)
    bool twins;        // two windows with the same caption, the target second
    int result;
    const char* text;
    TPoint point;
  } cases[] = {
      {"Windows|0", false, 0, "", None},
      {"Count|0", false, 0, "", None},
      {"Item|0", false, 0, "", None},
      {"Caption.get|0", false, 0, "", None},
      {"Caption.get|2", true, 0, "", None},  // the first window was found already
      {"Caption.put|1", true, 0, "", None},  // the marker cannot be written
      {"Caption.put|2", true, 0, "", None},  // the title cannot be written back
      {"ActiveCell|0", false, 0, "", None},
      {"Value.get|0", false, 0, "", None},
      {"Show|0", false, 0, "value", None},
      {"Zoom|0", false, 1, "value", None},
      {"VisibleRange|0", false, 1, "value", None},
      {"Left|1", false, 1, "value", None},
      {"Top|1", false, 1, "value", XOnly},
      {"Top|2", false, 1, "value", XOnly},
  };
  for (const auto& c : cases) {
    FakeExcel excel(GetParam());
    HWND window = excel.BookWithWindow("Fail");
    if (c.twins) window = excel.Window("Fail", "Fail");
    excel.Do("cell|0|" + std::string(c.twins ? "1" : "0") + "|0|text|value|40|0");
    excel.Do(std::string("fail|") + c.fail);
    const TReadResult read = Read(window);
    EXPECT_EQ(read.result, c.result) << c.fail;
    EXPECT_EQ(read.text, c.text) << c.fail;
    const POINT origin = ClientOrigin(window);
    const POINT expected = c.point == None ? POINT{-2, -2} : c.point == XOnly ? POINT{48, -2} : origin;
    EXPECT_EQ(read.point.x, expected.x) << c.fail;
    EXPECT_EQ(read.point.y, expected.y) << c.fail;
    const TFakeReport report = excel.Report();
    if (c.twins) {
      EXPECT_EQ(report.captions.at("0|0"), "Fail") << c.fail;
      if (std::string(c.fail) != "Caption.put|2") {
        EXPECT_EQ(report.captions.at("0|1"), "Fail") << c.fail;
      }
    }
    ExpectClean(excel, report);
  }
}

TEST_P(ExcelFake, AFailingWriteOrShowMakesSetTextFail) {
  const struct {
    const char* fail;
    const char* value;  // what the cell holds afterwards
  } cases[] = {
      {"Value.put|0", "old"},
      {"Show|0", "new"},  // the value is written all the same
      {"ActiveCell|0", "old"},
      {"Windows|0", "old"},
  };
  for (const auto& c : cases) {
    FakeExcel excel(GetParam());
    HWND window = excel.BookWithWindow("FailWrite");
    excel.Do("cell|0|0|0|text|old|0|0");
    excel.Do(std::string("fail|") + c.fail);
    EXPECT_EQ(excel::SetText(window, "new"), 0) << c.fail;
    const TFakeReport report = excel.Report();
    EXPECT_EQ(report.cells.at("0|0|0"), c.value) << c.fail;
    ExpectClean(excel, report);
  }
}

}  // namespace
}  // namespace kst
