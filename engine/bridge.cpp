#include "bridge.h"

#include <memory>

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

// The bridge this process keeps, and what it shares with it.
struct TKeptBridge {
  std::string Exe;
  unique_handle Process;
  unique_handle Channel, Command, Outcome;
  unique_view View;
  TBridgeChannel* channel() const { return static_cast<TBridgeChannel*>(View.get()); }
};

// Requests of one process are ordered by the request mutex already; this
// guards the kept bridge where that mutex is not to be had.
SRWLOCK g_BridgeLock = SRWLOCK_INIT;
std::unique_ptr<TKeptBridge> g_Bridge;

HANDLE Inheritable(HANDLE handle) {
  if (handle) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return handle;
}

// Starts the bridge with the four handles it inherits, and no other: a
// client's own inheritable handles (its children's pipes, say) must not be
// held open by our helper.
bool StartBridge(const std::string& exe, const std::string& folder, TKeptBridge& bridge) {
  bridge.Channel.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          sizeof(TBridgeChannel), nullptr));
  bridge.View.reset(bridge.Channel ? MapViewOfFile(bridge.Channel.get(), FILE_MAP_ALL_ACCESS, 0, 0,
                                                   sizeof(TBridgeChannel))
                                   : nullptr);
  bridge.Command.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  bridge.Outcome.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  unique_handle client;
  DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), client.put(), SYNCHRONIZE,
                  FALSE, 0);
  if (!bridge.View || !bridge.Command || !bridge.Outcome || !client) return false;

  HANDLE inherited[] = {Inheritable(bridge.Channel.get()), Inheritable(bridge.Command.get()),
                        Inheritable(bridge.Outcome.get()), Inheritable(client.get())};
  // The engine's own handles go back to private at once, so that no later
  // child of the client inherits them.
  auto privateAgain = scope_exit([&] {
    for (HANDLE handle : inherited) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
  });
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::string attributes(size, '\0');
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
  auto deleteList = scope_exit([&] { DeleteProcThreadAttributeList(list); });
  if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof(inherited),
                                 nullptr, nullptr))
    return false;

  std::string command = "\"" + exe + "\"";
  for (HANDLE handle : inherited) command += " " + std::to_string(HandleToBlock(handle));
  STARTUPINFOEXA startup = {};
  startup.StartupInfo.cb = sizeof(startup);
  startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;  // no busy cursor for a helper
  startup.lpAttributeList = list;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT,
                      nullptr, folder.c_str(), &startup.StartupInfo, &info))
    return false;
  CloseHandle(info.hThread);
  bridge.Process.reset(info.hProcess);
  bridge.Exe = exe;
  return true;
}

bool IsRunning(const TKeptBridge& bridge) {
  return bridge.Process && WaitForSingleObject(bridge.Process.get(), 0) == WAIT_TIMEOUT;
}

// Ends a bridge that is still running: asked, when it is idle and will
// listen; terminated otherwise. Its hook goes with it.
void EndBridge(TKeptBridge& bridge, bool idle) {
  if (!IsRunning(bridge)) return;
  if (idle) {
    bridge.channel()->Command = kBridgeEnd;
    SetEvent(bridge.Command.get());
    if (WaitForSingleObject(bridge.Process.get(), 1000) == WAIT_OBJECT_0) return;
  }
  TerminateProcess(bridge.Process.get(), kBridgeStopped);
  WaitForSingleObject(bridge.Process.get(), kBridgeStartAllowance);
}

void ForgetBridge(bool idle) {
  if (!g_Bridge) return;
  EndBridge(*g_Bridge, idle);
  g_Bridge.reset();
}

// The kept bridge for the exe, started when there is none running.
TKeptBridge* KeptBridge(const std::string& exe, const std::string& folder) {
  if (g_Bridge && (g_Bridge->Exe != exe || !IsRunning(*g_Bridge))) ForgetBridge(true);
  if (!g_Bridge) {
    auto bridge = std::make_unique<TKeptBridge>();
    if (!StartBridge(exe, folder, *bridge)) return nullptr;
    g_Bridge = std::move(bridge);
  }
  return g_Bridge.get();
}

DWORD Remaining(DWORD start, DWORD bound) {
  const DWORD spent = GetTickCount() - start;
  return spent < bound ? bound - spent : 0;
}

enum class TDelivery { Done, NotTaken };

// Gives the request to the bridge and waits for its outcome until the
// bound. NotTaken: the bridge ended before it took the request.
TDelivery Deliver(TKeptBridge& bridge, uint32_t serial, DWORD thread, HANDLE target, DWORD start,
                  DWORD& outcome) {
  TBridgeChannel& channel = *bridge.channel();
  channel.Serial = serial;
  channel.Thread = thread;
  channel.TimeoutMs = kHookRequestTimeout;
  channel.Command = kBridgeServe;
  SetEvent(bridge.Command.get());
  const HANDLE waits[] = {bridge.Outcome.get(), bridge.Process.get(), target};
  const DWORD count = target ? 3 : 2;
  for (;;) {
    const DWORD woken =
        WaitForMultipleObjects(count, waits, FALSE, Remaining(start, kHookRequestTimeout + kBridgeStartAllowance));
    if (woken == WAIT_OBJECT_0) {
      if (channel.OutcomeSerial != serial) continue;  // a late outcome of an earlier request
      outcome = channel.Outcome;
      return TDelivery::Done;
    }
    if (woken == WAIT_OBJECT_0 + 1 && channel.TakenSerial != serial) return TDelivery::NotTaken;
    if (woken == WAIT_OBJECT_0 + 2) {
      // The bridge watches the target too and is about to say so; it stays.
      outcome = kBridgeTargetEnded;
      if (WaitForMultipleObjects(2, waits, FALSE, 1000) == WAIT_OBJECT_0 && channel.OutcomeSerial == serial)
        return TDelivery::Done;
    } else {
      outcome = kBridgeStopped;
    }
    // Ended in the middle of the request, or still busy with it: this bridge
    // is done with.
    ForgetBridge(false);
    return TDelivery::Done;
  }
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
    const DWORD start = GetTickCount();
    const std::string folder = BridgeFolder();
    if (folder.empty()) return 0;
    const std::string exe = folder + kBridgeExeName;
    // Watched so that a target that ends ends the wait at once.
    unique_handle target(OpenProcess(SYNCHRONIZE, FALSE, ProcessOfThread(thread)));
    const uint32_t serial = ReadSerial(block.InFlightSerial);
    AcquireSRWLockExclusive(&g_BridgeLock);
    auto unlock = scope_exit([] { ReleaseSRWLockExclusive(&g_BridgeLock); });
    // A kept bridge that ended between requests is replaced once, at once.
    for (int attempt = 0; attempt < 2; ++attempt) {
      TKeptBridge* bridge = KeptBridge(exe, folder);
      if (!bridge) break;
      if (Deliver(*bridge, serial, thread, target.get(), start, outcome) == TDelivery::Done) break;
      ForgetBridge(false);
      outcome = kBridgeNotStarted;
    }
    // The system may keep a hook beyond the end of the thread that set it
    // (Wine does): one that an ended bridge left is removed here.
    if (block.HookHandle && !(g_Bridge && IsRunning(*g_Bridge))) {
      UnhookWindowsHookEx(HandleFromBlock<HHOOK>(block.HookHandle));
      block.HookHandle = 0;
    }
    return outcome == kBridgeAnswered || outcome == kBridgeTimedOut ? block.Result : 0;
  } catch (...) {
    return 0;
  }
}

void DetachBridge() noexcept {
  // Shut-down may run under the loader lock, or as the process ends: the
  // bridge is told to end, never waited for. It also ends by itself when
  // the client process does.
  AcquireSRWLockExclusive(&g_BridgeLock);
  if (g_Bridge && IsRunning(*g_Bridge)) {
    g_Bridge->channel()->Command = kBridgeEnd;
    SetEvent(g_Bridge->Command.get());
  }
  g_Bridge.reset();
  ReleaseSRWLockExclusive(&g_BridgeLock);
}

}  // namespace kst
