// Requests carried into another thread: HookProc as the hooked thread runs
// it, and SendHookRequest against threads of this process, which the hook
// reaches without loading anything.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <utility>

#include "fakeplugin.h"
#include "hookrequest.h"
#include "selvor32.h"
#include "testsupport.h"

namespace kst {
namespace {

using test::PumpMessages;

// A thread of this process owning a window of the given class. It pumps
// messages unless told to stop pumping, as a hung application would.
class WindowThread {
 public:
  explicit WindowThread(const char* className, bool pumps = true) : pumps_(pumps) {
    thread_ = std::thread([this, className] { Run(className); });
    WaitForSingleObject(ready_.get(), 10000);
  }
  ~WindowThread() {
    SetEvent(release_.get());
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND window() const { return window_; }
  DWORD threadId() const { return threadId_; }

 private:
  void Run(const char* className) {
    threadId_ = GetCurrentThreadId();
    window_ = CreateWindowA(className, "target", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                            nullptr, nullptr, nullptr);
    SetEvent(ready_.get());
    if (!pumps_) WaitForSingleObject(release_.get(), INFINITE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(window_);
  }

  bool pumps_;
  unique_handle ready_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  unique_handle release_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::thread thread_;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
};

bool IsSignalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

class HookTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    event_.reset(CreateEventA(nullptr, FALSE, FALSE, kInjectEventName));
    ASSERT_TRUE(event_);
  }
  // Leaves a request in the block as SendHookRequest would before hooking.
  void Request(int code, DWORD thread, char letter = 'X') {
    TSharedBlock& block = *SharedBlock();
    block.Pending = static_cast<uint8_t>(code);
    block.Result = 0;
    block.TargetThread = thread;
    block.Window = HandleToBlock(window_);
    block.RequestPlugin = static_cast<uint8_t>(letter);
    block.PointX = block.PointY = -2;
  }
  LRESULT Hook(int code = HC_ACTION) {
    MSG msg = {};
    return HookProc(code, PM_REMOVE, reinterpret_cast<LPARAM>(&msg));
  }

  unique_handle event_;
};

TEST_F(HookTest, TheHookedThreadServesAGetTextRequest) {
  Request(rqGetText, GetCurrentThreadId());
  EXPECT_EQ(Hook(), 0);
  const TSharedBlock& block = *SharedBlock();
  EXPECT_EQ(block.Pending, 0);
  EXPECT_EQ(block.Result, 1);
  EXPECT_STREQ(block.Text, "text of 1");
  EXPECT_EQ(block.PointX, 101);
  EXPECT_EQ(block.PointY, 201);
  EXPECT_EQ(block.LastUsed, 'X');
  EXPECT_TRUE(IsSignalled(event_.get()));
}

TEST_F(HookTest, TheHookedThreadServesASetTextRequestWithinTheTextArea) {
  Request(rqSetText, GetCurrentThreadId(), 'Y');
  std::memset(SharedBlock()->Text, 'x', kTextAreaSize);
  Hook();
  EXPECT_EQ(SharedBlock()->Result, 1);
  EXPECT_EQ(FakeY::lastSet, std::string(kMaxBlockText, 'x'));
  EXPECT_TRUE(IsSignalled(event_.get()));
}

TEST_F(HookTest, TheHookedThreadReportsAFailingPlugin) {
  FakeX::canHandle = 0;
  Request(rqGetText, GetCurrentThreadId());
  Hook();
  EXPECT_EQ(SharedBlock()->Result, 0);
  EXPECT_EQ(SharedBlock()->Pending, 0);
  EXPECT_TRUE(IsSignalled(event_.get()));
}

TEST_F(HookTest, TheHookedThreadAnswersWithItsFocusWindow) {
  HWND edit = CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window_, nullptr,
                            nullptr, nullptr);
  ShowWindow(window_, SW_SHOW);
  SetFocus(edit);
  Request(rqGetFocusWindow, GetCurrentThreadId());
  Hook();
  EXPECT_EQ(HandleFromBlock<HWND>(SharedBlock()->Window), GetFocus());
  EXPECT_EQ(SharedBlock()->Result, GetFocus() ? 1 : 0);
}

TEST_F(HookTest, OtherThreadsMessagesAndEmptyRequestsPassTheHookUntouched) {
  Request(rqGetText, GetCurrentThreadId() + 1);
  Hook();
  EXPECT_EQ(SharedBlock()->Pending, rqGetText);
  Request(rqGetText, GetCurrentThreadId());
  Hook(-1);
  EXPECT_EQ(SharedBlock()->Pending, rqGetText);
  Request(rqNone, GetCurrentThreadId());
  Hook();
  EXPECT_EQ(FakeX::canHandleCalls, 0);
  EXPECT_FALSE(IsSignalled(event_.get()));
}

TEST_F(HookTest, ARequestRunsThePluginInTheWindowsThread) {
  WindowThread target("STATIC");
  EXPECT_EQ(SendHookRequest(rqGetText, target.window(), 'X'), 1);
  EXPECT_EQ(FakeX::lastThread, target.threadId());
  EXPECT_STREQ(SharedBlock()->Text, "text of 1");

  EXPECT_EQ(SendHookRequest(rqSetText, target.window(), 'Y', "6*7"), 1);
  EXPECT_EQ(FakeY::lastSet, "6*7");
  EXPECT_EQ(FakeY::lastThread, target.threadId());
  EXPECT_EQ(SharedBlock()->Pending, 0);
  EXPECT_EQ(SharedBlock()->HookHandle, 0u);
}

TEST_F(HookTest, ALongTextTravelsCutTo32768Characters) {
  WindowThread target("STATIC");
  const std::string text(40000, 'n');
  EXPECT_EQ(SendHookRequest(rqSetText, target.window(), 'X', text.c_str()), 1);
  EXPECT_EQ(FakeX::lastSet, std::string(kMaxBlockText, 'n'));
}

TEST_F(HookTest, AThreadThatDoesNotPumpTimesOutAndTheHookIsRemoved) {
  WindowThread hung("STATIC", false);
  // A signal left over from an earlier, late answer must not end the wait.
  SetEvent(event_.get());
  const DWORD start = GetTickCount();
  EXPECT_EQ(SendHookRequest(rqGetText, hung.window(), 'X'), 0);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 9500u);
  EXPECT_LT(elapsed, 15000u);
  EXPECT_EQ(SharedBlock()->HookHandle, 0u);
  EXPECT_EQ(SharedBlock()->Pending, 0);
  EXPECT_EQ(FakeX::canHandleCalls, 0);
}

TEST_F(HookTest, ConsoleWindowsAreNeverHooked) {
  for (const char* className : {"ConsoleWindowClass", "tty"}) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    WindowThread console(className);
    ASSERT_NE(console.window(), nullptr) << className;
    const DWORD start = GetTickCount();
    EXPECT_EQ(SendHookRequest(rqGetText, console.window(), 'X'), 0) << className;
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(FakeX::canHandleCalls, 0);
    EXPECT_EQ(SharedBlock()->Pending, 0);
    UnregisterClassA(className, nullptr);
  }
}

TEST_F(HookTest, InvalidWindowsAndUnknownCodesAreRefused) {
  WindowThread target("STATIC");
  HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  EXPECT_EQ(SendHookRequest(rqGetText, gone, 'X'), 0);
  EXPECT_EQ(SendHookRequest(5, target.window(), 'X'), 0);
  EXPECT_EQ(SendHookRequest(0, target.window(), 'X'), 0);
  EXPECT_EQ(SharedBlock()->Pending, 0);
  EXPECT_EQ(FakeX::canHandleCalls, 0);
}

int g_CallerTests = 0;
int WINAPI RefusingCallerTest(HWND) { return ++g_CallerTests, 0; }

TEST_F(HookTest, APluginThatTheCallerCanJudgeIsNotAskedInTheWindowsThread) {
  TPluginSlot judged = FakeX::Slot(true);
  judged.CallerTest = RefusingCallerTest;
  ReplacePluginSlot('X', judged);
  ReplacePluginSlot('Y', FakeY::Slot(true));
  g_CallerTests = 0;
  WindowThread target("STATIC");
  char buffer[KST_TEXT_BUFFER_SIZE] = {};
  POINT point = {};
  EXPECT_EQ(kst_get_window_text(target.window(), buffer, &point), 1);
  EXPECT_STREQ(buffer, "text of 2");
  EXPECT_EQ(kst_get_last_used_plugin(), 'Y');
  EXPECT_EQ(g_CallerTests, 1);
  EXPECT_EQ(FakeX::canHandleCalls, 0);
  EXPECT_EQ(FakeY::lastThread, target.threadId());
}

TEST(WordSlot, TheCallerJudgesWordWindowsByTheirClassAlone) {
  const TPluginSlot* word = FindPlugin('B');
  ASSERT_NE(word, nullptr);
  ASSERT_NE(word->CallerTest, nullptr);
  for (const auto& [className, accepted] :
       {std::pair{"_WwG", 1}, {"_WwGx", 1}, {"_wwg", 0}, {"EDIT", 0}, {"_Ww", 0}}) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND window = CreateWindowA(className, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr) << className;
    EXPECT_EQ(word->CallerTest(window), accepted) << className;
    DestroyWindow(window);
    if (std::strcmp(className, "EDIT") != 0) UnregisterClassA(className, nullptr);
  }
}

TEST(TakeTextAnswer, AnUnterminatedTextAreaNeverOverrunsTheCallersBuffer) {
  TSharedBlock& block = *SharedBlock();
  std::memset(block.Text, 'x', kTextAreaSize);
  block.PointX = 5;
  block.PointY = -6;
  std::string buffer(KST_TEXT_BUFFER_SIZE + 64, 'G');
  POINT point = {};
  TakeTextAnswer(block, buffer.data(), &point);
  EXPECT_EQ(std::strlen(buffer.c_str()), static_cast<size_t>(kMaxBlockText));
  EXPECT_EQ(buffer.substr(KST_TEXT_BUFFER_SIZE), std::string(64, 'G'));
  EXPECT_EQ(point.x, 5);
  EXPECT_EQ(point.y, -6);
  std::memset(block.Text, 0, kTextAreaSize);
}

}  // namespace
}  // namespace kst
