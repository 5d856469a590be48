// The engine's side of the bridge that can be checked on a 64-bit-only
// machine: the bitness test for processes of this bitness, and where the
// engine looks for the bridge against where the build put it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <thread>

#include "bridge.h"
#include "hookrequest.h"
#include "sharedblock.h"
#include "testsupport.h"

namespace kst {
namespace {

// The machine a PE file is built for, from its headers; 0 if unreadable.
WORD MachineOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  IMAGE_DOS_HEADER dos = {};
  if (!file.read(reinterpret_cast<char*>(&dos), sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE) return 0;
  DWORD signature = 0;
  IMAGE_FILE_HEADER header = {};
  file.seekg(dos.e_lfanew);
  if (!file.read(reinterpret_cast<char*>(&signature), sizeof(signature)) || signature != IMAGE_NT_SIGNATURE ||
      !file.read(reinterpret_cast<char*>(&header), sizeof(header)))
    return 0;
  return header.Machine;
}

TEST(BitnessTest, ProcessesOfThisBitnessAreTheSame) {
  EXPECT_TRUE(IsSameBitness(GetCurrentProcessId()));
  test::FixtureProcess other("client hold");
  ASSERT_NE(other.ProcessId(), 0u);
  EXPECT_TRUE(IsSameBitness(other.ProcessId()));
  other.Send("");
}

TEST(BitnessTest, AProcessThatCannotBeAskedIsNotTakenForTheSame) {
  // Process ids are multiples of four: this one names no process.
  EXPECT_FALSE(IsSameBitness(0xFFFFFFF1));
  EXPECT_FALSE(IsSameBitness(0));
}

TEST(BridgeFolderTest, TheEngineFindsTheOtherBitnessWhereTheBuildPutIt) {
  SetEnvironmentVariableA(kBridgeDirVariable, nullptr);
  const std::string folder = BridgeFolder();
  EXPECT_EQ(folder, test::ModuleDir() + kOtherBitnessFolder + "\\");
  const WORD other = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
  EXPECT_EQ(MachineOf(folder + kBridgeExeName), other);
  EXPECT_EQ(MachineOf(folder + kBridgeLibraryName), other);
  // Threads of this bitness are hooked directly.
  EXPECT_FALSE(NeedsBridge(GetCurrentThreadId()));
}

TEST(BridgeFolderTest, TheSwitchSendsEveryRequestThroughItsFolder) {
  SetEnvironmentVariableA(kBridgeDirVariable, "C:\\some\\folder");
  EXPECT_EQ(BridgeFolder(), "C:\\some\\folder\\");
  EXPECT_TRUE(NeedsBridge(GetCurrentThreadId()));
  SetEnvironmentVariableA(kBridgeDirVariable, "C:\\other\\");
  EXPECT_EQ(BridgeFolder(), "C:\\other\\");
  SetEnvironmentVariableA(kBridgeDirVariable, nullptr);
  EXPECT_FALSE(NeedsBridge(GetCurrentThreadId()));
}

// A focus-window request for the thread, left in the block as
// SendHookRequest leaves it before it hooks; the event exists meanwhile.
struct PreparedRequest {
  explicit PreparedRequest(DWORD thread) {
    TSharedBlock& block = *SharedBlock();
    block.Pending = rqGetFocusWindow;
    block.Result = 0;
    block.Window = 0;
    block.TargetThread = thread;
  }
  ~PreparedRequest() { SharedBlock()->Pending = 0; }
  unique_handle event{CreateEventA(nullptr, FALSE, FALSE, kInjectEventName)};
};

TEST(BridgeRequestTest, TheOutcomeTellsAnswerMissingBridgeAndEndedTarget) {
  test::FixtureWindow editor("editor");
  ASSERT_NE(editor.child, nullptr);
  const DWORD thread = GetWindowThreadProcessId(editor.top, nullptr);
  // The bridge and library beside the test are of this bitness.
  SetEnvironmentVariableA(kBridgeDirVariable, test::ModuleDir().c_str());
  DWORD outcome = 0;
  {
    PreparedRequest request(thread);
    EXPECT_EQ(BridgeRequest(*SharedBlock(), thread, &outcome), 1);
    EXPECT_EQ(outcome, kBridgeAnswered);
    EXPECT_EQ(SharedBlock()->HookHandle, 0u);
  }
  {
    // No such thread: the bridge cannot ask its process and hooks nothing.
    PreparedRequest request(0xFFFFFFF1);
    EXPECT_EQ(BridgeRequest(*SharedBlock(), 0xFFFFFFF1, &outcome), 0);
    EXPECT_EQ(outcome, kBridgeRefused);
  }
  SetEnvironmentVariableA(kBridgeDirVariable, (test::ModuleDir() + "no such folder").c_str());
  {
    PreparedRequest request(thread);
    EXPECT_EQ(BridgeRequest(*SharedBlock(), thread, &outcome), 0);
    EXPECT_EQ(outcome, kBridgeNotStarted);
  }
  SetEnvironmentVariableA(kBridgeDirVariable, test::ModuleDir().c_str());
  {
    editor.process.Send("hang 20000");
    Sleep(200);
    PreparedRequest request(thread);
    std::thread ender([&] {
      Sleep(1000);
      unique_handle process(OpenProcess(PROCESS_TERMINATE, FALSE, editor.process.ProcessId()));
      TerminateProcess(process.get(), 7);
    });
    EXPECT_EQ(BridgeRequest(*SharedBlock(), thread, &outcome), 0);
    ender.join();
    EXPECT_EQ(outcome, kBridgeTargetEnded);
    EXPECT_EQ(SharedBlock()->HookHandle, 0u);
  }
  SetEnvironmentVariableA(kBridgeDirVariable, nullptr);
}

}  // namespace
}  // namespace kst
