// The copy and paste plugin against real edit and rich edit controls of a
// foreground application in another process, on the real clipboard: what
// it reads and writes, what the clipboard holds afterwards, and what it
// refuses without sending a key.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <map>
#include <ostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kstcopy.h"
#include "plugintable.h"
#include "selvor32.h"
#include "sharedblock.h"
#include "testsupport.h"

namespace kst {
namespace {

using test::AnsiOf;
using test::FixtureWindow;
using test::WithHighLetters;

constexpr char kFormatName[] = "KstCopyTestFormat";
constexpr DWORD kBound = copy::kKeystrokeBoundMs;
// What a refusal may take: the checks alone, never a wait for the application.
constexpr DWORD kRefusalMs = 300;
// Time that the test's own steps add to a bounded wait under Wine.
constexpr DWORD kSlack = 700;

// ---- the clipboard ----

// Every format on the clipboard with its content: the bytes of a global
// block, the bits of an enhanced metafile, and for the formats that hold a
// GDI object of another kind only whether one is there.
using Snapshot = std::map<UINT, std::string>;

std::string GlobalBytes(HANDLE data) {
  const SIZE_T size = GlobalSize(data);
  if (size == 0) return {};
  const char* p = static_cast<const char*>(GlobalLock(data));
  if (!p) return "<cannot lock>";
  std::string bytes(p, size);
  GlobalUnlock(data);
  return bytes;
}

Snapshot TakeSnapshot() {
  Snapshot snapshot;
  if (!OpenClipboard(nullptr)) return {{0u, "<cannot open>"}};
  for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
    HANDLE data = GetClipboardData(format);
    if (format == CF_BITMAP || format == CF_METAFILEPICT || format == CF_PALETTE) {
      snapshot[format] = data ? "<object>" : "<none>";
    } else if (format == CF_ENHMETAFILE) {
      const auto metafile = static_cast<HENHMETAFILE>(data);
      std::string bits(GetEnhMetaFileBits(metafile, 0, nullptr), '\0');
      GetEnhMetaFileBits(metafile, static_cast<UINT>(bits.size()), reinterpret_cast<BYTE*>(bits.data()));
      snapshot[format] = bits;
    } else {
      snapshot[format] = GlobalBytes(data);
    }
  }
  CloseClipboard();
  return snapshot;
}

std::string Describe(const Snapshot& snapshot) {
  std::string text;
  for (const auto& [format, bytes] : snapshot) {
    char name[128] = {};
    if (!GetClipboardFormatNameA(format, name, sizeof(name))) wsprintfA(name, "#%u", format);
    text += std::string(name) + "(" + std::to_string(bytes.size()) + ") ";
  }
  return text;
}

HGLOBAL BlockOf(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

std::string WideBytes(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

// A 2x2 24-bit DIB with distinct pixels.
std::string SmallDib() {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = 2;
  header.biHeight = 2;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = 16;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof(header));
  const unsigned char pixels[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  bytes.append(reinterpret_cast<const char*>(pixels), sizeof(pixels));
  return bytes;
}

std::string FileList() {
  DROPFILES files = {};
  files.pFiles = sizeof(files);
  files.fWide = TRUE;
  std::string bytes(reinterpret_cast<const char*>(&files), sizeof(files));
  const wchar_t names[] = L"C:\\users\\a.txt\0C:\\b c.doc\0";
  bytes.append(reinterpret_cast<const char*>(names), sizeof(names));
  return bytes;
}

HENHMETAFILE SmallMetafile() {
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  Rectangle(dc, 1, 2, 30, 40);
  return CloseEnhMetaFile(dc);
}

// A window of the test's own for its clipboard openings, as applications
// open it.
class TestClipboardWindow {
 public:
  TestClipboardWindow()
      : window_(CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
  ~TestClipboardWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// Empties the clipboard and puts the user's content on it: one text, or
// the whole collection of formats an application may leave.
void PutUserContent(bool everyKind) {
  TestClipboardWindow owner;
  ASSERT_TRUE(OpenClipboard(owner.get()));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, BlockOf(WideBytes(WithHighLetters(L"stale user text K"))));
  if (everyKind) {
    const DWORD locale = 0x0411;
    SetClipboardData(CF_LOCALE, BlockOf(std::string(reinterpret_cast<const char*>(&locale), sizeof(locale))));
    SetClipboardData(RegisterClipboardFormatA("HTML Format"),
                     BlockOf("Version:0.9\r\nStartHTML:0\r\n<b>user</b>"));
    SetClipboardData(RegisterClipboardFormatA(kFormatName), BlockOf(std::string("\0\x01\xFFprivate\0", 11)));
    SetClipboardData(CF_DIB, BlockOf(SmallDib()));
    SetClipboardData(CF_HDROP, BlockOf(FileList()));
    SetClipboardData(CF_ENHMETAFILE, SmallMetafile());
  }
  CloseClipboard();
}

// ---- keys ----

void SendKey(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
}

bool KeyDown(WORD key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

void ReleaseModifiers() {
  for (WORD key : {VK_LSHIFT, VK_RSHIFT, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN, VK_LCONTROL, VK_RCONTROL})
    if (KeyDown(key)) SendKey(key, true);
}

const std::string kPlainShortcut = ":ctrl=1,shift=0,alt=0,win=0;";

// ---- the foreign editor ----

struct EditorOptions {
  const char* control = "EDIT";
  const char* frame = "KstCopyFrame";
  const char* flags = "";
};

// "x = 12+J ;" with "12+J" selected; J is a letter beyond ASCII.
std::wstring EditorText() { return WithHighLetters(L"x = 12+J ;"); }
std::string SelectedText() { return AnsiOf(WithHighLetters(L"12+J")); }

std::unique_ptr<FixtureWindow> StartEditor(const EditorOptions& options = {}) {
  auto editor = std::make_unique<FixtureWindow>(std::string("copypaste-editor ") + options.control + " " +
                                                options.frame + " \"" + AnsiOf(EditorText()) + "\" 4 8 " +
                                                options.flags);
  EXPECT_NE(editor->child, nullptr);
  return editor;
}

// The editor's text once it equals `expected`, or what it is at the end.
std::string TextBecomes(FixtureWindow& editor, const std::string& expected) {
  std::string text;
  test::PumpUntil([&] { return (text = editor.Ask("text")) == "text=" + expected; }, 3000);
  return text.substr(text.find('=') + 1);
}

// ---- the walk and the plugin ----

struct Read {
  int result = 0;
  std::string text;
  POINT point = {};
  char letter = 0;
  DWORD ms = 0;
};

Read ReadThroughWalk(HWND window) {
  Read read;
  std::vector<char> buffer(KST_TEXT_BUFFER_SIZE, '\0');
  lstrcpyA(buffer.data(), "untouched");
  read.point = {5, 5};
  const DWORD start = GetTickCount();
  read.result = kst_get_window_text(window, buffer.data(), &read.point);
  read.ms = GetTickCount() - start;
  read.text = buffer.data();
  read.letter = static_cast<char>(kst_get_last_used_plugin());
  return read;
}

struct Write {
  int result = 0;
  char letter = 0;
  DWORD ms = 0;
};

Write WriteThroughWalk(HWND window, const std::string& text) {
  Write write;
  const DWORD start = GetTickCount();
  write.result = kst_set_window_text(window, text.c_str());
  write.ms = GetTickCount() - start;
  write.letter = static_cast<char>(kst_get_last_used_plugin());
  return write;
}

// Runs G as the walk meets it for foreign windows: A to E, which would
// serve edit controls themselves, switched off; G on; F as the case says.
// Switches and clipboard go back as they were.
class CopyPasteTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(SharedBlock(), nullptr);
    std::memcpy(savedDisabled_, SharedBlock()->Disabled, sizeof(savedDisabled_));
    savedOptIn_ = SharedBlock()->OptIn;
    for (char letter : {'A', 'B', 'C', 'D', 'E'}) kst_disable_plugin(letter);
    kst_enable_plugin('G');
    UseClipboardPlugin(false);
    test::ClearClipboard();
  }
  void TearDown() override {
    ReleaseModifiers();
    std::memcpy(SharedBlock()->Disabled, savedDisabled_, sizeof(savedDisabled_));
    SharedBlock()->OptIn = savedOptIn_;
    SharedBlock()->LastUsed = 0;
    test::ClearClipboard();
  }
  static void UseClipboardPlugin(bool on) { on ? kst_enable_plugin('F') : kst_disable_plugin('F'); }

  uint8_t savedDisabled_[kPluginCount];
  uint8_t savedOptIn_ = 0;
};

// ---- serving ----

struct ServeCase {
  const char* name;
  const char* control;
  bool clipboardPlugin;  // F enabled: G must still serve first
};

class Serving : public CopyPasteTest, public testing::WithParamInterface<ServeCase> {};

TEST_P(Serving, ReadsAndReplacesTheSelectionAndLeavesTheClipboard) {
  const ServeCase& c = GetParam();
  UseClipboardPlugin(c.clipboardPlugin);
  auto editor = StartEditor({c.control});
  PutUserContent(false);
  const Snapshot before = TakeSnapshot();

  const Read read = ReadThroughWalk(editor->child);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.letter, 'G');
  EXPECT_EQ(read.text, SelectedText());
  const auto caret = test::Words(editor->Ask("caret"));
  ASSERT_EQ(caret.size(), 3u);
  EXPECT_EQ(read.point.x, std::stol(caret[1]));
  EXPECT_EQ(read.point.y, std::stol(caret[2]) + GetSystemMetrics(SM_CYCAPTION));
  EXPECT_EQ(editor->Ask("keys"), "keys=C" + kPlainShortcut);
  EXPECT_EQ(TakeSnapshot(), before) << Describe(TakeSnapshot()) << " was " << Describe(before);

  const Write write = WriteThroughWalk(editor->child, AnsiOf(WithHighLetters(L"6*K")));
  EXPECT_EQ(write.result, 1);
  EXPECT_EQ(write.letter, 'G');
  EXPECT_EQ(TextBecomes(*editor, AnsiOf(WithHighLetters(L"x = 6*K ;"))), AnsiOf(WithHighLetters(L"x = 6*K ;")));
  EXPECT_EQ(editor->Ask("keys"), "keys=V" + kPlainShortcut);
  EXPECT_EQ(TakeSnapshot(), before) << Describe(TakeSnapshot()) << " was " << Describe(before);
  // Neither took the time of the bound.
  EXPECT_LT(read.ms, kBound);
  EXPECT_LT(write.ms, kBound);
}

const ServeCase kServeCases[] = {
    {"Edit", "EDIT", false},
    {"EditBeforeTheClipboardPlugin", "EDIT", true},
    {"RichEdit", "RichEdit20W", false},
    {"RichEditBeforeTheClipboardPlugin", "RichEdit20W", true},
};
INSTANTIATE_TEST_SUITE_P(Cases, Serving, testing::ValuesIn(kServeCases),
                         [](const testing::TestParamInfo<ServeCase>& info) { return info.param.name; });

// ---- the clipboard afterwards ----

TEST_F(CopyPasteTest, EveryKindOfFormatComesBackByteForByte) {
  auto editor = StartEditor();
  PutUserContent(true);
  const Snapshot before = TakeSnapshot();
  for (UINT format : {UINT{CF_UNICODETEXT}, UINT{CF_TEXT}, UINT{CF_LOCALE}, UINT{CF_DIB}, UINT{CF_BITMAP},
                      UINT{CF_HDROP}, UINT{CF_ENHMETAFILE}, RegisterClipboardFormatA("HTML Format"),
                      RegisterClipboardFormatA(kFormatName)})
    ASSERT_TRUE(before.count(format)) << format << " missing from " << Describe(before);

  EXPECT_EQ(ReadThroughWalk(editor->child).text, SelectedText());
  EXPECT_EQ(TakeSnapshot(), before) << Describe(TakeSnapshot()) << " was " << Describe(before);

  EXPECT_EQ(WriteThroughWalk(editor->child, "42").result, 1);
  EXPECT_EQ(TextBecomes(*editor, "x = 42 ;"), "x = 42 ;");
  EXPECT_EQ(TakeSnapshot(), before) << Describe(TakeSnapshot()) << " was " << Describe(before);
}

TEST_F(CopyPasteTest, AnEmptyClipboardStaysEmpty) {
  auto editor = StartEditor();
  ASSERT_EQ(CountClipboardFormats(), 0);
  EXPECT_EQ(ReadThroughWalk(editor->child).text, SelectedText());
  EXPECT_EQ(CountClipboardFormats(), 0) << Describe(TakeSnapshot());
  EXPECT_EQ(WriteThroughWalk(editor->child, "7").result, 1);
  EXPECT_EQ(TextBecomes(*editor, "x = 7 ;"), "x = 7 ;");
  EXPECT_EQ(CountClipboardFormats(), 0) << Describe(TakeSnapshot());
}

// ---- bounded time ----

TEST_F(CopyPasteTest, AWindowThatIgnoresTheKeystrokesCostsTheBoundAndNothingElse) {
  auto editor = StartEditor({"EDIT", "KstCopyFrame", "ignore"});
  PutUserContent(false);
  const Snapshot before = TakeSnapshot();
  const DWORD sequence = GetClipboardSequenceNumber();

  const Read read = ReadThroughWalk(editor->child);
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(read.text, "untouched");
  EXPECT_GE(read.ms, kBound - 50);
  EXPECT_LT(read.ms, kBound + kSlack);
  EXPECT_EQ(editor->Ask("keys"), "keys=C" + kPlainShortcut);  // sent, and ignored
  // Nobody wrote the clipboard, not even to put it back.
  EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
  EXPECT_EQ(TakeSnapshot(), before);

  const Write write = WriteThroughWalk(editor->child, "99");
  EXPECT_EQ(write.result, 0);
  EXPECT_EQ(write.letter, 0);
  EXPECT_GE(write.ms, kBound - 50);
  EXPECT_LT(write.ms, kBound + kSlack);
  EXPECT_EQ(editor->Ask("keys"), "keys=V" + kPlainShortcut);
  EXPECT_EQ(editor->Ask("text"), "text=" + AnsiOf(EditorText()));
  EXPECT_EQ(TakeSnapshot(), before);
}

// The application takes the paste only after a while: the user's content
// goes back after it has, so the application pastes the new text, not the
// user's. Meanwhile the offer carries the formats that keep it out of the
// clipboard history and the cloud clipboard.
TEST_F(CopyPasteTest, TheRestoreWaitsForAnApplicationSlowToTakeThePaste) {
  constexpr DWORD kSlowMs = 600;
  auto editor = StartEditor();
  PutUserContent(false);
  const Snapshot before = TakeSnapshot();
  ASSERT_EQ(editor->Ask("slowpaste " + std::to_string(kSlowMs)), "slow");

  const UINT markers[] = {RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing"),
                          RegisterClipboardFormatA("CanIncludeInClipboardHistory"),
                          RegisterClipboardFormatA("CanUploadToCloudClipboard")};
  std::atomic<bool> stop{false};
  std::vector<std::string> seen;  // the markers' values while the offer was there
  const DWORD sequence = GetClipboardSequenceNumber();
  std::thread watcher([&] {
    while (!stop && GetClipboardSequenceNumber() == sequence) Sleep(2);
    Sleep(50);  // the offer is complete; the application sleeps on its keystroke
    TestClipboardWindow window;
    if (stop || !OpenClipboard(window.get())) return;
    for (UINT marker : markers) {
      HANDLE data = GetClipboardData(marker);
      seen.push_back(data ? GlobalBytes(data) : "<none>");
    }
    CloseClipboard();
  });
  const Write write = WriteThroughWalk(editor->child, "5-1");
  stop = true;
  watcher.join();

  EXPECT_EQ(write.result, 1);
  EXPECT_GE(write.ms, kSlowMs);
  EXPECT_EQ(TextBecomes(*editor, "x = 5-1 ;"), "x = 5-1 ;");
  EXPECT_EQ(TakeSnapshot(), before);
  const std::string zero(4, '\0');
  EXPECT_EQ(seen, (std::vector<std::string>{zero, zero, zero}));
}

// ---- refusals ----

struct RefusalCase {
  const char* name;
  EditorOptions options;
  enum { None, SecondEditorInFront, CallerOpensWithWindow, CallerOpensWithoutWindow } situation;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class Refusal : public CopyPasteTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, NothingIsSentAndTheClipboardIsNotTouched) {
  const RefusalCase& c = GetParam();
  auto editor = StartEditor(c.options);
  std::unique_ptr<FixtureWindow> front;
  if (c.situation == RefusalCase::SecondEditorInFront) {
    front = StartEditor();
    ASSERT_EQ(front->Ask("front"), "front=1");
  }
  PutUserContent(false);
  const Snapshot before = TakeSnapshot();
  TestClipboardWindow window;
  if (c.situation == RefusalCase::CallerOpensWithWindow) {
    ASSERT_TRUE(OpenClipboard(window.get()));
  } else if (c.situation == RefusalCase::CallerOpensWithoutWindow) {
    ASSERT_TRUE(OpenClipboard(nullptr));
  }
  const DWORD sequence = GetClipboardSequenceNumber();

  EXPECT_EQ(copy::CanHandle(editor->child), 0);
  char buffer[KST_TEXT_BUFFER_SIZE] = "untouched";
  POINT point = {5, 5};
  const DWORD start = GetTickCount();
  EXPECT_EQ(copy::GetText(editor->child, buffer, &point), 0);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(point.x, -2);
  EXPECT_EQ(point.y, -2);
  EXPECT_EQ(copy::SetText(editor->child, "99"), 0);
  const Read read = ReadThroughWalk(editor->child);
  EXPECT_EQ(read.result, 0);
  EXPECT_EQ(WriteThroughWalk(editor->child, "99").result, 0);
  EXPECT_LT(GetTickCount() - start, 4 * kRefusalMs);

  // The caller's own opening is still there.
  if (c.situation == RefusalCase::CallerOpensWithWindow) {
    EXPECT_EQ(GetOpenClipboardWindow(), window.get());
  }
  if (c.situation != RefusalCase::None && c.situation != RefusalCase::SecondEditorInFront) CloseClipboard();
  EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
  EXPECT_EQ(TakeSnapshot(), before);
  EXPECT_EQ(editor->Ask("keys"), "keys=none");
  if (front) {
    EXPECT_EQ(front->Ask("keys"), "keys=none");
  }
  EXPECT_EQ(editor->Ask("text"), "text=" + AnsiOf(EditorText()));
}

const RefusalCase kRefusalCases[] = {
    {"ConsoleWindow", {"EDIT", "ConsoleWindowClass", ""}, RefusalCase::None},
    {"WindowsTerminal", {"EDIT", "CASCADIA_HOSTING_WINDOW_CLASS", ""}, RefusalCase::None},
    {"PasswordField", {"EDIT", "KstCopyFrame", "password"}, RefusalCase::None},
    {"NotTheForegroundApplication", {}, RefusalCase::SecondEditorInFront},
    {"CallerHoldsTheClipboard", {}, RefusalCase::CallerOpensWithWindow},
    {"CallerHoldsTheClipboardWithoutWindow", {}, RefusalCase::CallerOpensWithoutWindow},
};
INSTANTIATE_TEST_SUITE_P(Cases, Refusal, testing::ValuesIn(kRefusalCases),
                         [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST(CopyPasteTerminals, KnownTerminalClassesOnly) {
  for (const char* name : {"ConsoleWindowClass", "CASCADIA_HOSTING_WINDOW_CLASS", "PuTTY", "mintty",
                           "VirtualConsoleClass", "tty"})
    EXPECT_TRUE(copy::IsTerminalClass(name)) << name;
  for (const char* name : {"Edit", "consolewindowclass", "Chrome_WidgetWin_1", "", "tty2"})
    EXPECT_FALSE(copy::IsTerminalClass(name)) << name;
}

// A window of another desktop, made by a thread of this process that
// moved there: seen from the input desktop, and from that thread.
TEST(CopyPasteDesktop, AWindowOfAnotherDesktopGetsNoKeystrokes) {
  FixtureWindow editor("copypaste-editor EDIT KstCopyFrame x 0 0");
  EXPECT_TRUE(copy::OnInputDesktop(editor.child));
  EXPECT_TRUE(copy::OnInputDesktop(editor.top));

  const unique_any<HDESK, &CloseDesktop> other(
      CreateDesktopA("KstCopyOtherDesktop", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
  ASSERT_TRUE(other);
  const unique_handle made(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  const unique_handle checked(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HWND elsewhere = nullptr;
  bool fromThere = true;
  std::thread thread([&] {
    if (SetThreadDesktop(other.get())) {
      elsewhere = CreateWindowA("STATIC", "elsewhere", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
      fromThere = copy::OnInputDesktop(editor.child);
    }
    SetEvent(made.get());
    WaitForSingleObject(checked.get(), 10000);
    if (elsewhere) DestroyWindow(elsewhere);
  });
  WaitForSingleObject(made.get(), 10000);
  ASSERT_NE(elsewhere, nullptr) << "no window on the other desktop";
  EXPECT_FALSE(copy::OnInputDesktop(elsewhere));
  EXPECT_FALSE(fromThere) << "a caller off the input desktop";
  SetEvent(checked.get());
  thread.join();
}

TEST(CopyPasteIntegrity, InputGoesNoHigherThanTheCallersLevel) {
  constexpr long kLow = 0x1000, kMedium = 0x2000, kHigh = 0x3000, kSystem = 0x4000;
  const struct {
    long ours, theirs;
    bool reaches;
  } cases[] = {
      {kMedium, kMedium, true}, {kMedium, kLow, true},   {kMedium, kHigh, false}, {kHigh, kSystem, false},
      {kLow, kMedium, false},   {kMedium, -1, false},    {-1, kHigh, true},       {-1, -1, true},
  };
  for (const auto& c : cases) EXPECT_EQ(copy::InputReaches(c.ours, c.theirs), c.reaches) << c.ours << " " << c.theirs;
  // The caller's own level reads back, and a fixture it started has the same.
  const long ours = copy::IntegrityLevel(GetCurrentProcess());
  EXPECT_GE(ours, kLow);
  FixtureWindow editor("copypaste-editor EDIT KstCopyFrame x 0 0");
  DWORD process = 0;
  GetWindowThreadProcessId(editor.top, &process);
  const unique_handle target(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  EXPECT_EQ(copy::IntegrityLevel(target.get()), ours);
}

// ---- held modifiers ----

class HeldModifier : public CopyPasteTest, public testing::WithParamInterface<WORD> {};

// The user still holds a modifier: the application sees plain Ctrl+C and
// Ctrl+V all the same.
TEST_P(HeldModifier, TheShortcutArrivesWithoutIt) {
  auto editor = StartEditor();
  SendKey(GetParam(), false);
  ASSERT_TRUE(test::PumpUntil([&] { return KeyDown(GetParam()); }, 2000));

  const Read read = ReadThroughWalk(editor->child);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.text, SelectedText());
  EXPECT_EQ(editor->Ask("keys"), "keys=C" + kPlainShortcut);

  SendKey(GetParam(), false);
  EXPECT_EQ(WriteThroughWalk(editor->child, "8").result, 1);
  EXPECT_EQ(TextBecomes(*editor, "x = 8 ;"), "x = 8 ;");
  EXPECT_EQ(editor->Ask("keys"), "keys=V" + kPlainShortcut);
}

INSTANTIATE_TEST_SUITE_P(Keys, HeldModifier, testing::Values(VK_LSHIFT, VK_SHIFT, VK_LMENU, VK_LWIN, VK_LCONTROL),
                         [](const testing::TestParamInfo<WORD>& info) {
                           switch (info.param) {
                             case VK_LSHIFT: return std::string("LeftShift");
                             case VK_SHIFT: return std::string("Shift");
                             case VK_LMENU: return std::string("Alt");
                             case VK_LWIN: return std::string("Windows");
                             default: return std::string("Ctrl");
                           }
                         });

// ---- the switch ----

// A block as a library version without opt-in plugins leaves it: every
// disabled flag and the opt-in byte zero. G is off there, though its flag
// says enabled, until a client turns it on.
TEST_F(CopyPasteTest, OffInABlockOfAnOlderVersionUntilAClientTurnsItOn) {
  auto editor = StartEditor();
  std::memset(SharedBlock()->Disabled, 0, kPluginCount);
  SharedBlock()->OptIn = 0;
  for (char letter : {'A', 'B', 'C', 'D', 'E', 'F'}) kst_disable_plugin(letter);
  EXPECT_EQ(kst_is_plugin_enabled('G'), 0);
  EXPECT_EQ(ReadThroughWalk(editor->child).result, 0);
  EXPECT_EQ(WriteThroughWalk(editor->child, "1").result, 0);
  EXPECT_EQ(editor->Ask("keys"), "keys=none");

  EXPECT_EQ(kst_enable_plugin('g'), 1);
  EXPECT_EQ(kst_is_plugin_enabled('G'), 1);
  EXPECT_EQ(SharedBlock()->Disabled['G' - 'A'], 0);
  EXPECT_EQ(SharedBlock()->OptIn, OptInBit('G'));
  const Read read = ReadThroughWalk(editor->child);
  EXPECT_EQ(read.result, 1);
  EXPECT_EQ(read.letter, 'G');

  EXPECT_EQ(kst_disable_plugin('G'), 1);
  EXPECT_EQ(kst_is_plugin_enabled('G'), 0);
  EXPECT_EQ(SharedBlock()->Disabled['G' - 'A'], 1);
  EXPECT_EQ(SharedBlock()->OptIn, 0);
  // The opt-in bit alone does not turn it on either.
  SharedBlock()->OptIn = OptInBit('G');
  EXPECT_EQ(kst_is_plugin_enabled('G'), 0);
  editor->Ask("keys");
  EXPECT_EQ(ReadThroughWalk(editor->child).result, 0);
  EXPECT_EQ(editor->Ask("keys"), "keys=none");
}

TEST(CopyPasteWalk, ComesAfterTheOtherPluginsAndBeforeTheClipboard) {
  const std::string order = kWalkOrder;
  EXPECT_EQ(order.size(), 26u);
  EXPECT_EQ(order.substr(0, 7), "ABCDEGH");
  EXPECT_EQ(order.back(), 'F');
  for (char letter = 'A'; letter <= 'Z'; ++letter) EXPECT_NE(order.find(letter), std::string::npos) << letter;
}

}  // namespace
}  // namespace kst
