// The bridge to applications of the other bitness.
//
// A WH_GETMESSAGE hook loads its DLL into the hooked process, and a process
// loads only DLLs of its own bitness: a 32-bit selvor32.dll cannot serve a
// 64-bit application, nor the reverse. For such a thread the engine never
// installs its own hook; it hands the request to kstbridge.exe, a small
// program built for the other bitness, which installs the hook of the
// selvor32.dll of that bitness beside it.
//
// Contract between the engine (the requester) and the bridge:
//
// Where. At a fixed place relative to the engine's own file: a 32-bit
// engine uses "x64\kstbridge.exe" and "x64\selvor32.dll" in its folder, a
// 64-bit engine "x86\kstbridge.exe" and "x86\selvor32.dll". The bridge
// loads the selvor32.dll beside itself by full path, and finds its hook
// procedure by ordinal (kHookProcOrdinal, exported without a name, so the
// library still exports only its nine names).
// Diagnosis and tests: when the environment variable SELVOR32_BRIDGE_DIR is
// set (read at every request), every hooked request goes through the bridge
// in that folder, whatever the target's bitness.
//
// Before the start. The engine has prepared the request in the shared block
// exactly as for its own hook (pending code, fields, text, target thread),
// and holds the event "SELVOR32.InjectEvent", created and reset.
//
// Start. `kstbridge.exe THREAD CLIENT`: the target thread id and the
// engine's process id, both decimal. No handles are inherited; the bridge
// has no window and no console.
//
// The bridge, in this order: refuses a target whose process is not of its
// own bitness or cannot be asked (kBridgeRefused), so that neither side
// ever hooks a thread of the other bitness; opens the block and the event
// (kBridgeNoRequest); maps its selvor32.dll, finds the hook procedure
// (kBridgeNoLibrary), installs the hook on THREAD (kBridgeHookFailed) and
// writes its handle into the block's hook-handle field; posts WM_NULL to
// THREAD; waits at most kHookRequestTimeout for the event, the end of the
// target process or the end of the client; removes the hook, clears the
// hook-handle field and exits with the outcome (kBridgeAnswered,
// kBridgeTimedOut, kBridgeTargetEnded, kBridgeClientEnded). It never writes
// the request's fields or answer itself: the hooked thread does that.
//
// The engine waits for the bridge process and the target process, at most
// kHookRequestTimeout + kBridgeStartAllowance. It returns the block's
// result when the bridge exits with kBridgeAnswered or kBridgeTimedOut (as
// its own hook's timeout does: 0 unless the target answered meanwhile), and
// 0 otherwise: bridge missing, not started, refused, crashed or killed,
// target ended, bound exceeded. A bridge still running when the engine stops
// waiting is terminated (its hook goes with it) before the engine returns,
// and the hook-handle field is cleared; the caller's buffer is written only
// for a nonzero result, as for any hooked request.
//
// Whatever serialises requests between clients is held by the engine for
// the whole call and never taken by the bridge. The hooked thread runs the
// bridge folder's selvor32.dll, not the requester's: both come from one
// release, and a request code that build does not know is answered with the
// result 0.
#pragma once

#include <windows.h>

#include <string>

namespace kst {

struct TSharedBlock;

inline constexpr char kBridgeExeName[] = "kstbridge.exe";
inline constexpr char kBridgeLibraryName[] = "selvor32.dll";
inline constexpr char kBridgeDirVariable[] = "SELVOR32_BRIDGE_DIR";
// The folder, beside the engine, that holds the bridge of the other bitness.
#ifdef _WIN64
inline constexpr char kOtherBitnessFolder[] = "x86";
#else
inline constexpr char kOtherBitnessFolder[] = "x64";
#endif
// selvor32.def exports the hook procedure under this ordinal, without a name.
inline constexpr WORD kHookProcOrdinal = 10;
// Time the bridge may take to start, load its library and hook, on top of
// the bound of the request itself.
inline constexpr DWORD kBridgeStartAllowance = 5000;

enum TBridgeExit : DWORD {
  kBridgeAnswered = 0,     // the hooked thread answered; the answer is in the block
  kBridgeTimedOut = 1,     // no answer within the bound; the hook is removed
  kBridgeTargetEnded = 2,  // the target process ended during the wait
  kBridgeClientEnded = 3,  // the requesting process ended during the wait
  kBridgeBadCommand = 10,  // command line not understood
  kBridgeRefused = 11,     // target not of the bridge's bitness, or its bitness unknown
  kBridgeNoLibrary = 12,   // selvor32.dll beside the bridge or its hook procedure missing
  kBridgeNoRequest = 13,   // the shared block or the event is not there
  kBridgeHookFailed = 14,  // SetWindowsHookExA refused the thread
  // Reported by the engine, never by the bridge:
  kBridgeNotStarted = 0xFFFFFFFE,  // no bridge in its folder, or it could not start
  kBridgeStopped = 0xFFFFFFFF,     // still running at the bound: terminated
};

// Whether the process has the bitness of the calling process; on 32-bit
// Windows always. False also when the process cannot be asked: a thread of
// unknown bitness is hooked by neither side.
bool IsSameBitness(DWORD processId) noexcept;
// The same for an open process (PROCESS_QUERY_LIMITED_INFORMATION).
bool IsSameBitnessProcess(HANDLE process) noexcept;

// The process a thread belongs to, or 0 when the thread cannot be asked.
DWORD ProcessOfThread(DWORD thread) noexcept;

// Whether a request for the thread goes through the bridge: the thread's
// process is of the other bitness, or the diagnostic switch is set.
bool NeedsBridge(DWORD thread) noexcept;
// The same for a thread of an open process.
bool NeedsBridgeFor(HANDLE process) noexcept;

// The folder of the bridge to use, with a trailing backslash: the switch's
// folder when it is set, else the fixed folder beside the engine's file.
std::string BridgeFolder();

// Serves the request prepared in the block through the bridge, as described
// above, and returns the result the engine reports. `outcome`, if given,
// gets how the bridge ended: its exit code; kBridgeTargetEnded when the
// engine saw the target end first; kBridgeNotStarted; kBridgeStopped.
// kBridgeTimedOut, kBridgeTargetEnded and kBridgeStopped mean that the thread
// did not answer in time.
int BridgeRequest(TSharedBlock& block, DWORD thread, DWORD* outcome = nullptr) noexcept;

}  // namespace kst
