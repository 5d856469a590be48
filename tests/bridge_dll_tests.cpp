// Requests served through the bridge, by two routes: to an application of
// the other bitness through the bridge beside the library, as a client
// ships it; and to one of the client's own bitness through the bridge that
// the diagnostic switch names, copied with its selvor32.dll into a folder of
// its own. Either way the file the target loads shows which way the request
// went.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bridge.h"
#include "hookrequest.h"
#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

enum class TRoute { Forced, OtherBitness };

// The folder beside the test that holds the bridge of the other bitness.
std::string OtherBitnessFolder() { return ModuleDir() + kOtherBitnessFolder + "\\"; }

// A folder (with a trailing backslash) holding just the given files, copied
// from `source`.
std::string FolderWith(const std::string& folder, std::initializer_list<const char*> files,
                       const std::string& source = ModuleDir()) {
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* file : {kBridgeExeName, kBridgeLibraryName}) DeleteFileA((folder + file).c_str());
  for (const char* file : files)
    EXPECT_TRUE(CopyFileA((source + file).c_str(), (folder + file).c_str(), FALSE))
        << file << ": " << GetLastError();
  return folder;
}

// The diagnostic switch, set for the life of the object.
struct ForcedBridge {
  explicit ForcedBridge(const std::string& folder) { SetEnvironmentVariableA(kBridgeDirVariable, folder.c_str()); }
  ~ForcedBridge() { SetEnvironmentVariableA(kBridgeDirVariable, nullptr); }
  ForcedBridge(const ForcedBridge&) = delete;
  ForcedBridge& operator=(const ForcedBridge&) = delete;
};

// A foreign editor from the fixture, in the foreground.
struct Editor : FixtureWindow {
  explicit Editor(const std::string& program, const std::string& arguments = "\"x = 12+3 ;\" 6 6")
      : FixtureWindow("editor " + arguments, program) {
    if (top && !PumpUntil([&] { return GetForegroundWindow() == top; }, 5000))
      ADD_FAILURE() << "the editor did not come to the foreground";
  }
};

void ExpectNoRequestLeft() {
  BlockView block;
  ASSERT_TRUE(block);
  EXPECT_EQ(block->Pending, 0);
  EXPECT_EQ(block->HookHandle, 0u);
}

// The running bridges that the process started.
std::vector<DWORD> BridgesOf(DWORD parent) {
  std::vector<DWORD> bridges;
  unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == parent && Lower(entry.szExeFile) == kBridgeExeName)
      bridges.push_back(entry.th32ProcessID);
  }
  return bridges;
}

std::vector<DWORD> OwnBridges() { return BridgesOf(GetCurrentProcessId()); }

// The one bridge the process keeps, or 0 (with a failure) when it keeps
// none or several.
DWORD OneBridgeOf(DWORD parent) {
  const std::vector<DWORD> bridges = BridgesOf(parent);
  EXPECT_EQ(bridges.size(), 1u);
  return bridges.size() == 1 ? bridges[0] : 0;
}

// Ends a process at once; true when it is gone.
bool Kill(DWORD processId) {
  unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  return process && TerminateProcess(process.get(), 99) && WaitForSingleObject(process.get(), 5000) == WAIT_OBJECT_0;
}

// How long the process takes to end, at most `limitMs` (then the limit).
DWORD TimeToEnd(DWORD processId, DWORD limitMs) {
  unique_handle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process) return 0;
  const DWORD start = GetTickCount();
  WaitForSingleObject(process.get(), limitMs);
  return GetTickCount() - start;
}

// Kills the first kstbridge.exe this process starts from now on, once it has
// had time to take a request and hook; `killedAt` gets the tick count of the
// kill (0 if none was found).
std::thread KillBridgeWhenStarted(std::atomic<DWORD>& killedAt) {
  const std::vector<DWORD> before = OwnBridges();
  return std::thread([&killedAt, before] {
    const DWORD deadline = GetTickCount() + 5000;
    while (static_cast<LONG>(GetTickCount() - deadline) < 0) {
      for (DWORD bridge : OwnBridges()) {
        if (std::find(before.begin(), before.end(), bridge) != before.end()) continue;
        Sleep(500);  // hooked and waiting by now
        if (Kill(bridge)) killedAt = GetTickCount();
        return;
      }
      Sleep(10);
    }
  });
}

class BridgeTest : public testing::TestWithParam<TRoute> {
 protected:
  void SetUp() override {
    ClearClipboard();
    if (Forced()) {
      folder_ = FolderWith(ModuleDir() + "forced-bridge\\", {kBridgeExeName, kBridgeLibraryName});
      forced_.emplace(folder_);
    } else {
      folder_ = OtherBitnessFolder();
    }
  }
  bool Forced() const { return GetParam() == TRoute::Forced; }
  // The program that plays the target application.
  std::string Program() const { return Forced() ? OwnFixture() : OtherBitnessFixture(); }
  // What the target loads when the bridge hooks it.
  std::string BridgeLibrary() const { return folder_ + kBridgeLibraryName; }
  // Stops the editor's thread from pumping for the given time.
  static void Hang(Editor& editor, int ms) {
    editor.process.Send("hang " + std::to_string(ms));
    Sleep(200);
  }
  std::string folder_;
  std::optional<ForcedBridge> forced_;
  Selvor32 library;
};

TEST_P(BridgeTest, TheRunAtTheCaretIsReadAndReplacedThroughTheBridge) {
  for (const char* control : {"EDIT", "RichEdit20A"}) {
    Editor editor(Program(), std::string("\"x = 12+3 ;\" 6 6 ") + control);
    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    POINT point = {0, 0};
    ASSERT_EQ(library.get_window_text(editor.child, buffer, &point), 1) << control;
    EXPECT_STREQ(buffer, "12+3") << control;
    EXPECT_EQ(library.get_last_used_plugin(), 'E') << control;
    EXPECT_EQ(editor.Ask("sel"), "sel=4 8") << control;
    const auto caret = Words(editor.Ask("caret"));
    ASSERT_EQ(caret.size(), 3u);
    EXPECT_EQ(point.x, std::atoi(caret[1].c_str())) << control;

    EXPECT_EQ(library.set_window_text(editor.child, "15"), 1) << control;
    EXPECT_EQ(editor.Ask("text"), "text=x = 15 ;") << control;
    // The target holds the bridge's library, not the client's.
    EXPECT_EQ(Lower(editor.Ask("module")), Lower("module=" + BridgeLibrary())) << control;
    ExpectNoRequestLeft();
  }
}

TEST_P(BridgeTest, TheFocusWindowComesThroughTheBridge) {
  Editor editor(Program());
  EXPECT_EQ(library.get_focus_window(), editor.child);
  EXPECT_EQ(Lower(editor.Ask("module")), Lower("module=" + BridgeLibrary()));
  ExpectNoRequestLeft();
}

TEST_P(BridgeTest, AMissingBridgeOrLibraryAnswersZeroAtOnceAndWritesNothing) {
  const struct {
    const char* name;
    std::initializer_list<const char*> files;
  } cases[] = {
      {"bridge-none", {}},
      {"bridge-no-library", {kBridgeExeName}},
      {"bridge-no-exe", {kBridgeLibraryName}},
  };
  for (const auto& c : cases) {
    // Forced: the switch names a folder with just these files. Other
    // bitness: a copy of the client's library whose folder for the other
    // bitness holds just these files.
    std::optional<ForcedBridge> forced;
    std::unique_ptr<Selvor32> lonely;
    const std::string folder = ModuleDir() + c.name + "\\";
    if (Forced()) {
      forced.emplace(FolderWith(folder, c.files));
    } else {
      FolderWith(folder, {kBridgeLibraryName});
      FolderWith(folder + kOtherBitnessFolder + "\\", c.files, OtherBitnessFolder());
      lonely = std::make_unique<Selvor32>(folder + kBridgeLibraryName);
    }
    Selvor32& client = lonely ? *lonely : library;
    Editor editor(Program());
    DWORD start = GetTickCount();
    EXPECT_EQ(client.get_focus_window(), nullptr) << c.name;
    EXPECT_LT(GetTickCount() - start, 1500u) << c.name;

    // Only the hooked plugins: those of the caller's thread preset the point.
    client.disable_plugin('C');
    client.disable_plugin('F');
    char buffer[KST_TEXT_BUFFER_SIZE] = "untouched";
    POINT point = {3, 4};
    start = GetTickCount();
    EXPECT_EQ(client.get_window_text(editor.child, buffer, &point), 0) << c.name;
    EXPECT_EQ(client.set_window_text(editor.child, "15"), 0) << c.name;
    // Each plugin of both walks starts a bridge that gives up at once.
    EXPECT_LT(GetTickCount() - start, 4000u) << c.name;
    EXPECT_STREQ(buffer, "untouched") << c.name;
    EXPECT_EQ(point.x, 3);
    EXPECT_EQ(point.y, 4);
    EXPECT_EQ(editor.Ask("text"), "text=x = 12+3 ;") << c.name;
    EXPECT_EQ(editor.Ask("loaded"), "loaded=0") << c.name;
    ExpectNoRequestLeft();
    client.enable_plugin('C');
    client.enable_plugin('F');
  }
}

TEST_P(BridgeTest, AHungTargetCostsTheBoundAndIsLeftUnhooked) {
  Editor editor(Program());
  Hang(editor, 13000);
  const DWORD start = GetTickCount();
  EXPECT_EQ(library.get_focus_window(), nullptr);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 9500u);
  EXPECT_LT(elapsed, kHookRequestTimeout + kBridgeStartAllowance);
  ExpectNoRequestLeft();
  EXPECT_EQ(editor.process.ReadLine(10000), "unhung");
  // The late WM_NULL finds no hook: the editor goes on at once, untouched.
  const DWORD answered = GetTickCount();
  EXPECT_EQ(editor.Ask("sel"), "sel=6 6");
  EXPECT_LT(GetTickCount() - answered, 1000u);
  EXPECT_EQ(editor.Ask("loaded"), "loaded=0");
  // And the next request is served by the same bridge.
  const DWORD bridge = OneBridgeOf(GetCurrentProcessId());
  EXPECT_EQ(library.get_focus_window(), editor.child);
  EXPECT_EQ(OneBridgeOf(GetCurrentProcessId()), bridge);
  ExpectNoRequestLeft();
}

TEST_P(BridgeTest, ABridgeKilledMidRequestEndsTheCallPromptly) {
  Editor editor(Program());
  Hang(editor, 8000);
  std::atomic<DWORD> killedAt{0};
  std::thread killer = KillBridgeWhenStarted(killedAt);
  EXPECT_EQ(library.get_focus_window(), nullptr);
  const DWORD returnedAt = GetTickCount();
  killer.join();
  ASSERT_NE(killedAt.load(), 0u) << "no bridge was started";
  EXPECT_LT(returnedAt - killedAt.load(), 1000u);
  ExpectNoRequestLeft();
  EXPECT_EQ(editor.process.ReadLine(10000), "unhung");
  // The hook went with the bridge: nothing is loaded into the editor.
  EXPECT_EQ(editor.Ask("sel"), "sel=6 6");
  EXPECT_EQ(editor.Ask("loaded"), "loaded=0");
  // The next request starts a fresh bridge and is served.
  EXPECT_EQ(library.get_focus_window(), editor.child);
  EXPECT_EQ(OwnBridges().size(), 1u);
}

TEST_P(BridgeTest, OneBridgeServesRequestAfterRequest) {
  Editor editor(Program());
  std::vector<DWORD> seen;
  for (int round = 0; round < 10; ++round) {
    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    POINT point = {};
    ASSERT_EQ(library.get_window_text(editor.child, buffer, &point), 1) << round;
    EXPECT_STREQ(buffer, "12+3");
    seen.push_back(OneBridgeOf(GetCurrentProcessId()));
    // The run, selected by the read, replaced by itself: the text stays.
    ASSERT_EQ(library.set_window_text(editor.child, "12+3"), 1) << round;
    seen.push_back(OneBridgeOf(GetCurrentProcessId()));
    EXPECT_EQ(library.get_focus_window(), editor.child);
    seen.push_back(OneBridgeOf(GetCurrentProcessId()));
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()) - seen.begin(), 1) << "bridge processes started";
  EXPECT_NE(seen[0], 0u);
  EXPECT_EQ(editor.Ask("text"), "text=x = 12+3 ;");
  ExpectNoRequestLeft();
}

TEST_P(BridgeTest, ABridgeKilledBetweenRequestsIsReplacedAtOnce) {
  Editor editor(Program());
  ASSERT_EQ(library.get_focus_window(), editor.child);
  const DWORD first = OneBridgeOf(GetCurrentProcessId());
  ASSERT_TRUE(Kill(first));
  const DWORD start = GetTickCount();
  EXPECT_EQ(library.get_focus_window(), editor.child);
  // One failed attempt on the dead bridge costs nothing but the new start.
  EXPECT_LT(GetTickCount() - start, 1000u);
  const DWORD second = OneBridgeOf(GetCurrentProcessId());
  EXPECT_NE(second, first);
  EXPECT_NE(second, 0u);
  ExpectNoRequestLeft();
}

TEST_P(BridgeTest, TheBridgeEndsWithinASecondOfItsClient) {
  Editor editor(Program());
  // A client of the test's bitness, with the test's environment (and so the
  // forced route where that is set).
  FixtureProcess client("get " + FormatWindow(editor.child) + " hold");
  ASSERT_EQ(client.ReadLine(), "calling");
  ASSERT_EQ(client.ReadLine(), "result=1 text=12+3");
  const DWORD bridge = OneBridgeOf(client.ProcessId());
  ASSERT_NE(bridge, 0u);
  client.Kill();
  EXPECT_LT(TimeToEnd(bridge, 5000), 1000u);
}

TEST_P(BridgeTest, AnIdleBridgeEndsByItself) {
  if (Forced()) GTEST_SKIP() << "the idle time is the bridge's own: one route shows it";
  Editor editor(Program());
  ASSERT_EQ(library.get_focus_window(), editor.child);
  const DWORD bridge = OneBridgeOf(GetCurrentProcessId());
  ASSERT_NE(bridge, 0u);
  const DWORD lived = TimeToEnd(bridge, kBridgeIdleMs + 5000);
  EXPECT_GT(lived, kBridgeIdleMs - 2000);
  EXPECT_LT(lived, kBridgeIdleMs + 2000);
  // The next request starts another and is served.
  EXPECT_EQ(library.get_focus_window(), editor.child);
  EXPECT_EQ(OwnBridges().size(), 1u);
}

TEST_P(BridgeTest, TwoClientsAtOnceEachKeepTheirOwnBridgeAndNeverCross) {
  Editor first(Program()), second(Program(), "\"x = 7*6 ;\" 6 6");
  constexpr int kRounds = 100;
  FixtureProcess a("hammer " + std::to_string(kRounds) + " " + FormatWindow(first.child) + " a");
  FixtureProcess b("hammer " + std::to_string(kRounds) + " " + FormatWindow(second.child) + " b");
  ASSERT_EQ(a.ReadLine(), "waiting");
  ASSERT_EQ(b.ReadLine(), "waiting");
  // The bridges each client runs while the two hammer at once.
  std::vector<DWORD> bridgesOfA, bridgesOfB;
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    while (!done) {
      for (DWORD bridge : BridgesOf(a.ProcessId())) bridgesOfA.push_back(bridge);
      for (DWORD bridge : BridgesOf(b.ProcessId())) bridgesOfB.push_back(bridge);
      Sleep(10);
    }
  });
  a.Send("go");
  b.Send("go");
  for (auto* caller : {&a, &b}) {
    // "PREFIX served=N refused=N crossed=N [first crossing]"
    const std::string line = caller->ReadLine(120000);
    const auto words = Words(line);
    EXPECT_GE(words.size(), 4u) << line;
    if (words.size() < 4) continue;
    EXPECT_EQ(words[1], "served=" + std::to_string(2 * kRounds)) << line;
    EXPECT_EQ(words[3], "crossed=0") << line;
  }
  done = true;
  watcher.join();
  EXPECT_EQ(first.Ask("text"), "text=x = a" + std::to_string(kRounds - 1) + " ;");
  EXPECT_EQ(second.Ask("text"), "text=x = b" + std::to_string(kRounds - 1) + " ;");
  // Each client kept one bridge of its own for all its requests.
  for (auto* bridges : {&bridgesOfA, &bridgesOfB}) {
    std::sort(bridges->begin(), bridges->end());
    bridges->erase(std::unique(bridges->begin(), bridges->end()), bridges->end());
    EXPECT_EQ(bridges->size(), 1u);
  }
  if (!bridgesOfA.empty() && !bridgesOfB.empty()) {
    EXPECT_NE(bridgesOfA[0], bridgesOfB[0]);
  }
}

TEST_P(BridgeTest, ATargetThatEndsEndsTheBridgedCallPromptly) {
  Editor editor(Program());
  Hang(editor, 20000);
  const DWORD pid = editor.process.ProcessId();
  std::thread ender([pid] {
    Sleep(1000);
    unique_handle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    TerminateProcess(process.get(), 7);
  });
  const DWORD start = GetTickCount();
  EXPECT_EQ(library.get_focus_window(), nullptr);
  const DWORD elapsed = GetTickCount() - start;
  ender.join();
  EXPECT_LT(elapsed, 3000u);
  ExpectNoRequestLeft();
  // The bridge saw the end too and stays for the next request.
  const DWORD bridge = OneBridgeOf(GetCurrentProcessId());
  Editor next(Program());
  EXPECT_EQ(library.get_focus_window(), next.child);
  EXPECT_EQ(OneBridgeOf(GetCurrentProcessId()), bridge);
}

INSTANTIATE_TEST_SUITE_P(Routes, BridgeTest, testing::Values(TRoute::Forced, TRoute::OtherBitness),
                         [](const testing::TestParamInfo<TRoute>& info) {
                           return info.param == TRoute::Forced ? "Forced" : "OtherBitness";
                         });

}  // namespace
}  // namespace kst::test

namespace kst::test {
namespace {

// The bridge program on its own, given commands as its client would: it
// hooks a thread only for the request in flight in the block, for that
// thread, under that serial.
class BridgeProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearClipboard();
    channelMapping_.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             sizeof(TBridgeChannel), nullptr));
    view_.reset(MapViewOfFile(channelMapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TBridgeChannel)));
    channel_ = static_cast<TBridgeChannel*>(view_.get());
    command_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    outcome_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), client_.put(), SYNCHRONIZE,
                    FALSE, 0);
    ASSERT_TRUE(channel_ && command_ && outcome_ && client_);
    std::string line = "\"" + ModuleDir() + kBridgeExeName + "\"";
    for (HANDLE handle : {channelMapping_.get(), command_.get(), outcome_.get(), client_.get()}) {
      SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
      line += " " + std::to_string(HandleToBlock(handle));
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(info.hThread);
    bridge_.reset(info.hProcess);
  }
  void TearDown() override {
    if (block_) {
      block_->Pending = 0;
      for (uint8_t& byte : block_->InFlightSerial) byte = 0;
    }
    if (bridge_) {
      channel_->Command = kBridgeEnd;
      SetEvent(command_.get());
      EXPECT_EQ(WaitForSingleObject(bridge_.get(), 2000), WAIT_OBJECT_0);
    }
  }
  // Gives the bridge one command and returns its outcome.
  DWORD Command(uint32_t serial, DWORD thread) {
    *channel_ = {kBridgeServe, serial, thread, 3000, 0, 0, 0};
    SetEvent(command_.get());
    EXPECT_EQ(WaitForSingleObject(outcome_.get(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(channel_->TakenSerial, serial);
    EXPECT_EQ(channel_->OutcomeSerial, serial);
    return channel_->Outcome;
  }
  // A focus-window request in flight for the thread, as a client puts it.
  void PutRequest(uint32_t serial, DWORD thread) {
    block_->Window = 0;
    block_->Result = 0;
    block_->TargetThread = thread;
    block_->InFlightSerial[0] = static_cast<uint8_t>(serial);
    block_->InFlightSerial[1] = static_cast<uint8_t>(serial >> 8);
    block_->InFlightSerial[2] = static_cast<uint8_t>(serial >> 16);
    block_->Pending = rqGetFocusWindow;
  }

  Selvor32 library;  // holds the block
  BlockView block_;
  unique_handle channelMapping_, command_, outcome_, client_, bridge_;
  unique_view view_;
  TBridgeChannel* channel_ = nullptr;
};

TEST_F(BridgeProgramTest, HooksOnlyForTheRequestInFlightOfTheThreadNamed) {
  Editor editor(OwnFixture());
  const DWORD thread = GetWindowThreadProcessId(editor.top, nullptr);
  unique_handle event(CreateEventA(nullptr, FALSE, FALSE, kInjectEventName));
  ASSERT_TRUE(block_);

  // No request in flight, another serial, another thread: nothing hooked.
  EXPECT_EQ(Command(0x123, thread), kBridgeNoRequest);
  PutRequest(0x456, thread);
  EXPECT_EQ(Command(0x457, thread), kBridgeNoRequest);
  EXPECT_EQ(Command(0x456, thread + 4), kBridgeNoRequest);
  EXPECT_EQ(editor.Ask("loaded"), "loaded=0");
  EXPECT_EQ(block_->Pending, rqGetFocusWindow);

  // The request itself: the thread answers it through the hook.
  EXPECT_EQ(Command(0x456, thread), kBridgeAnswered);
  EXPECT_EQ(block_->Result, 1);
  EXPECT_EQ(HandleFromBlock<HWND>(block_->Window), editor.child);
  EXPECT_EQ(block_->HookHandle, 0u);
  EXPECT_EQ(editor.Ask("loaded"), "loaded=1");
}

TEST_F(BridgeProgramTest, EndsAtOnceWhenItsClientSaysSo) {
  // Told to end, it ends at once with that outcome.
  channel_->Command = kBridgeEnd;
  SetEvent(command_.get());
  ASSERT_EQ(WaitForSingleObject(bridge_.get(), 2000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(bridge_.get(), &code);
  EXPECT_EQ(code, static_cast<DWORD>(kBridgeQuit));
  bridge_.reset();
}

}  // namespace
}  // namespace kst::test
