// kstbridge: serves one hooked request for an engine of the other bitness,
// with the hook of the selvor32.dll beside it. What it is told, what it does
// and how it reports are set out in bridge.h.
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

// The hook and the library whose procedure it runs; the hook goes first.
struct THook {
  unique_hmodule library;
  unique_hhook hook;
  DWORD failure = 0;  // why there is no hook
};

// Installs the library's hook procedure on the thread. The library is first
// mapped without its start-up and without what it imports: the bridge only
// hands its address to the system, and the start-up (COM, the plugin table,
// the shared block) costs more than the rest of a bridged request. Should
// the system refuse a module mapped so, the library is loaded in full (after
// the first mapping is gone, so that its start-up does run) and tried again.
THook InstallHook(DWORD thread) {
  THook installed;
  for (const DWORD flags : {static_cast<DWORD>(DONT_RESOLVE_DLL_REFERENCES), DWORD{0}}) {
    installed.library.reset();
    installed.library.reset(LoadOwnLibrary(flags));
    const auto proc = installed.library ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(
                                              installed.library.get(), MAKEINTRESOURCEA(kHookProcOrdinal))))
                                        : nullptr;
    if (!proc) {
      installed.failure = kBridgeNoLibrary;
      continue;
    }
    installed.hook.reset(SetWindowsHookExA(WH_GETMESSAGE, proc, installed.library.get(), thread));
    if (installed.hook) return installed;
    installed.failure = kBridgeHookFailed;
  }
  return installed;
}

DWORD HookAndWait(TSharedBlock& block, DWORD thread, HANDLE event, HANDLE target, HANDLE client) {
  const THook installed = InstallHook(thread);
  if (!installed.hook) return installed.failure;
  block.HookHandle = HandleToBlock(installed.hook.get());
  auto clearField = scope_exit([&] { block.HookHandle = 0; });
  PostThreadMessageA(thread, WM_NULL, 0, 0);
  const HANDLE waits[3] = {event, target, client};
  switch (WaitForMultipleObjects(client ? 3 : 2, waits, FALSE, kHookRequestTimeout)) {
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

DWORD Serve(DWORD thread, DWORD clientId) {
  const DWORD targetId = ProcessOfThread(thread);
  unique_handle target(targetId ? OpenProcess(SYNCHRONIZE, FALSE, targetId) : nullptr);
  // This bridge's hook can load only into a process of its own bitness.
  if (!target || !IsSameBitness(targetId)) return kBridgeRefused;

  unique_handle mapping(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kSharedBlockName));
  unique_view view(mapping ? MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, kSharedBlockSize)
                           : nullptr);
  unique_handle event(OpenEventA(SYNCHRONIZE, FALSE, kInjectEventName));
  if (!view || !event) return kBridgeNoRequest;

  unique_handle client(OpenProcess(SYNCHRONIZE, FALSE, clientId));
  return HookAndWait(*static_cast<TSharedBlock*>(view.get()), thread, event.get(), target.get(), client.get());
}

}  // namespace
}  // namespace kst

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  const char* cursor = arguments ? arguments : "";
  DWORD thread = 0, client = 0;
  if (!kst::ParseNumber(cursor, thread) || !kst::ParseNumber(cursor, client) || thread == 0)
    return kst::kBridgeBadCommand;
  return static_cast<int>(kst::Serve(thread, client));
}
