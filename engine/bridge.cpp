#include "bridge.h"

#include "engine.h"
#include "hookrequest.h"
#include "kstres.h"
#include "sharedblock.h"

namespace kst {
namespace {

bool BridgeForced() {
  char first[2];
  return GetEnvironmentVariableA(kBridgeDirVariable, first, sizeof(first)) > 0;
}

std::string EngineFolder() {
  char file[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(EngineInstance(), file, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string folder(file, length);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

bool StartBridge(DWORD thread, PROCESS_INFORMATION& info) {
  const std::string folder = BridgeFolder();
  if (folder.empty()) return false;
  const std::string exe = folder + kBridgeExeName;
  std::string command = "\"" + exe + "\" " + std::to_string(thread) + " " +
                        std::to_string(GetCurrentProcessId());
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_FORCEOFFFEEDBACK;  // no busy cursor for a helper
  return CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info) != FALSE;
}

// The bridge's exit code; kBridgeTargetEnded when the target ended first;
// kBridgeStopped when the bound ran out. The bridge has ended either way
// when this returns.
DWORD WaitForBridge(HANDLE bridge, HANDLE target) {
  const HANDLE waits[2] = {bridge, target};
  const DWORD count = target ? 2 : 1;
  const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, kHookRequestTimeout + kBridgeStartAllowance);
  if (woken == WAIT_OBJECT_0) {
    DWORD code = kBridgeStopped;
    GetExitCodeProcess(bridge, &code);
    return code;
  }
  // Its hook goes with it, so the target cannot be left hooked.
  TerminateProcess(bridge, kBridgeStopped);
  WaitForSingleObject(bridge, kBridgeStartAllowance);
  return woken == WAIT_OBJECT_0 + 1 ? kBridgeTargetEnded : kBridgeStopped;
}

}  // namespace

bool NeedsBridge(DWORD thread) noexcept {
  return BridgeForced() || !IsSameBitness(ProcessOfThread(thread));
}

bool NeedsBridgeFor(HANDLE process) noexcept { return BridgeForced() || !IsSameBitnessProcess(process); }

std::string BridgeFolder() {
  std::string folder;
  if (const DWORD size = GetEnvironmentVariableA(kBridgeDirVariable, nullptr, 0); size > 1) {
    folder.resize(size);
    folder.resize(GetEnvironmentVariableA(kBridgeDirVariable, folder.data(), size));
  } else {
    folder = EngineFolder();
    if (folder.empty()) return {};
    folder += kOtherBitnessFolder;
  }
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

int BridgeRequest(TSharedBlock& block, DWORD thread, DWORD* outcomeOut) noexcept {
  DWORD outcome = kBridgeNotStarted;
  auto report = scope_exit([&] {
    if (outcomeOut) *outcomeOut = outcome;
  });
  try {
    // Watched so that a target that ends ends the wait at once.
    unique_handle target(OpenProcess(SYNCHRONIZE, FALSE, ProcessOfThread(thread)));
    PROCESS_INFORMATION info = {};
    if (!StartBridge(thread, info)) return 0;
    unique_handle bridge(info.hProcess);
    CloseHandle(info.hThread);
    outcome = WaitForBridge(bridge.get(), target.get());
    // A bridge that did not end on its own leaves the field set. The system
    // may keep a hook beyond the end of the thread that set it (Wine does),
    // so it is removed here by the handle the bridge left.
    if (block.HookHandle) UnhookWindowsHookEx(HandleFromBlock<HHOOK>(block.HookHandle));
    block.HookHandle = 0;
    return outcome == kBridgeAnswered || outcome == kBridgeTimedOut ? block.Result : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace kst
