// kstbridge: serves the hooked requests of one client of the other bitness,
// with the hook of the selvor32.dll beside it, until the client ends, shuts
// its library down or leaves it idle. What it is told, what it does and how
// it reports are set out in engine/bridge.h.
#include <windows.h>

#include "bridge.h"
#include "hookrequest.h"
#include "kstres.h"
#include "sharedblock.h"

namespace kst {
namespace {

// Reads a decimal number and the blanks before it; false when there is none.
bool ParseNumber(const char*& cursor, DWORD& value) {
  while (*cursor == ' ' || *cursor == '\t') ++cursor;
  if (*cursor < '0' || *cursor > '9') return false;
  value = 0;
  for (; *cursor >= '0' && *cursor <= '9'; ++cursor) value = value * 10 + static_cast<DWORD>(*cursor - '0');
  return true;
}

// The selvor32.dll in the bridge's own folder, never one on the search path.
HMODULE LoadOwnLibrary(DWORD flags) {
  char path[MAX_PATH + 16] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  char* name = path + length;
  while (name > path && name[-1] != '\\' && name[-1] != '/') --name;
  lstrcpyA(name, kBridgeLibraryName);
  return LoadLibraryExA(path, nullptr, flags);
}

// The library whose hook procedure the bridge installs, loaded once. It is
// first mapped without its start-up and without what it imports: the bridge
// only hands its address to the system, and the start-up (COM, the plugin
// table, the shared block) costs more than a request. Should the system
// refuse a module mapped so, the library is loaded in full (after the first
// mapping is gone, so that its start-up does run) and kept that way.
struct THookLibrary {
  unique_hmodule module;
  HOOKPROC proc = nullptr;
  bool full = false;

  bool Load(bool inFull) {
    proc = nullptr;
    module.reset();
    module.reset(LoadOwnLibrary(inFull ? 0 : DONT_RESOLVE_DLL_REFERENCES));
    full = inFull;
    if (module)
      proc = reinterpret_cast<HOOKPROC>(
          reinterpret_cast<void*>(GetProcAddress(module.get(), MAKEINTRESOURCEA(kHookProcOrdinal))));
    return proc != nullptr;
  }

  HHOOK Install(DWORD thread) {
    if (HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, proc, module.get(), thread)) return hook;
    if (full || !Load(true)) return nullptr;
    return SetWindowsHookExA(WH_GETMESSAGE, proc, module.get(), thread);
  }
};

struct TBridge {
  TBridgeChannel* channel;
  HANDLE command, outcome, client;
  THookLibrary library;

  DWORD HookAndWait(TSharedBlock* block, const TBridgeChannel& request, HANDLE event, HANDLE target) {
    unique_hhook hook(library.Install(request.Thread));
    if (!hook) return kBridgeHookFailed;
    block->HookHandle = HandleToBlock(hook.get());
    auto clearField = scope_exit([&] { block->HookHandle = 0; });
    PostThreadMessageA(request.Thread, WM_NULL, 0, 0);
    const HANDLE waits[3] = {event, target, client};
    switch (WaitForMultipleObjects(3, waits, FALSE, request.TimeoutMs)) {
      case WAIT_OBJECT_0:
        return kBridgeAnswered;
      case WAIT_OBJECT_0 + 1:
        return kBridgeTargetEnded;
      case WAIT_OBJECT_0 + 2:
        return kBridgeClientEnded;
      default:
        return kBridgeTimedOut;
    }
  }

  // Serves the request only while the block holds it for the thread named:
  // a command can never make this bridge hook a thread that no request of
  // its client is waiting for. The block is held for the request alone, so
  // that the bridge never keeps it alive beyond the processes that load the
  // library.
  DWORD Serve(const TBridgeChannel& request) {
    unique_handle mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kSharedBlockName));
    unique_view view(mapping ? MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, kSharedBlockSize)
                             : nullptr);
    auto* block = static_cast<TSharedBlock*>(view.get());
    if (!block || block->Pending == 0 || ReadSerial(block->InFlightSerial) != request.Serial ||
        block->TargetThread != request.Thread)
      return kBridgeNoRequest;
    const DWORD targetId = ProcessOfThread(request.Thread);
    unique_handle target(targetId ? OpenProcess(SYNCHRONIZE, FALSE, targetId) : nullptr);
    // This bridge's hook can load only into a process of its own bitness.
    if (!target || !IsSameBitness(targetId)) return kBridgeRefused;
    unique_handle event(OpenEventA(SYNCHRONIZE, FALSE, kInjectEventName));
    if (!event) return kBridgeNoRequest;
    return HookAndWait(block, request, event.get(), target.get());
  }

  DWORD Run() {
    const HANDLE waits[2] = {command, client};
    for (;;) {
      switch (WaitForMultipleObjects(2, waits, FALSE, kBridgeIdleMs)) {
        case WAIT_OBJECT_0:
          break;
        case WAIT_OBJECT_0 + 1:
          return kBridgeClientEnded;
        case WAIT_TIMEOUT:
          return kBridgeIdle;
        default:
          return kBridgeBadCommand;
      }
      const TBridgeChannel request = *channel;
      if (request.Command != kBridgeServe) return kBridgeQuit;
      channel->TakenSerial = request.Serial;
      const DWORD result = Serve(request);
      if (result == kBridgeClientEnded) return result;
      channel->Outcome = result;
      channel->OutcomeSerial = request.Serial;
      SetEvent(outcome);
    }
  }
};

DWORD Main(const char* arguments) {
  DWORD values[4] = {};
  for (DWORD& value : values)
    if (!ParseNumber(arguments, value)) return kBridgeBadCommand;
  // The handles the client gave this process, owned from here on.
  unique_handle mapping(HandleFromBlock<HANDLE>(values[0])), command(HandleFromBlock<HANDLE>(values[1])),
      outcome(HandleFromBlock<HANDLE>(values[2])), client(HandleFromBlock<HANDLE>(values[3]));
  unique_view channel(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(TBridgeChannel)));
  if (!channel) return kBridgeBadCommand;

  TBridge bridge{static_cast<TBridgeChannel*>(channel.get()), command.get(), outcome.get(), client.get(), {}};
  if (!bridge.library.Load(false)) return kBridgeNoLibrary;
  return bridge.Run();
}

}  // namespace
}  // namespace kst

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  return static_cast<int>(kst::Main(arguments ? arguments : ""));
}
