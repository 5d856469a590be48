// The engine's side of the bridge that can be checked on a 64-bit-only
// machine: the bitness test for processes of this bitness, and where the
// engine looks for the bridge against where the build put it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "bridge.h"
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

}  // namespace
}  // namespace kst
