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
// Lifetime. A client process keeps one bridge: started at its first bridged
// request, reused for the following ones, ended when the client's library
// shuts down or a request needs the bridge of another folder. The bridge
// ends by itself when its client process ends (it waits on it) and after
// kBridgeIdleMs without a request.
//
// Start. `kstbridge.exe CHANNEL COMMAND REPLY CLIENT`, four handle values
// in decimal, inherited by the bridge and by nothing else (the handle list
// of the start-up attributes): an unnamed mapping holding a TBridgeChannel,
// the auto-reset events "command given" and "outcome written", and the
// client process (SYNCHRONIZE). Only the client and its bridge hold them, so
// no other process can give the bridge a command or take its outcome. The
// bridge has no window and no console.
//
// A request. The engine prepares it in the shared block exactly as for its
// own hook (pending code, fields, text, target thread, serial in flight) and
// holds the event "SELVOR32.InjectEvent", created and reset. It writes
// kBridgeServe with the request's serial and thread into the channel and
// sets "command given". The bridge marks the serial taken, then serves it
// only while the block's request in flight is that serial for that thread:
// it refuses a target whose process is not of its own bitness or cannot be
// asked (kBridgeRefused), so that neither side ever hooks a thread of the
// other bitness; opens the event (kBridgeNoRequest); installs the hook of
// its selvor32.dll on the thread (kBridgeHookFailed) and writes its handle
// into the block's hook-handle field; posts WM_NULL to the thread; waits at
// most the channel's timeout for the event, the end of the target process
// or the end of the client; removes the hook and clears the field. Then it
// writes the outcome (kBridgeAnswered, kBridgeTimedOut, kBridgeTargetEnded)
// with the serial into the channel and sets "outcome written". It never
// writes the request's fields or answer itself: the hooked thread does that.
//
// The engine waits for the outcome of its serial, the end of the bridge and
// the end of the target, at most kHookRequestTimeout + kBridgeStartAllowance
// from the request's start. It returns the block's result for
// kBridgeAnswered and kBridgeTimedOut (as its own hook's timeout does: 0
// unless the target answered meanwhile), and 0 otherwise. A kept bridge that
// ended before it took the request (it died, was ended or went idle between
// requests) costs nothing but its replacement: a fresh bridge is started at
// once and given the request, within the same bound. A bridge that ends
// after it took the request, or is still busy at the bound, is terminated
// and forgotten (its hook goes with it; the engine also removes a hook it
// left in the block), and that request returns 0; the next request starts a
// fresh one.
//
// Whatever serialises requests between clients is held by the engine for
// the whole call and never taken by the bridge. The hooked thread runs the
// bridge folder's selvor32.dll, not the requester's: both come from one
// release, and a request code that build does not know is answered with the
// result 0.
#pragma once

#include <windows.h>

#include <cstdint>
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
// A bridge with no request for this long ends. Reading a selection and then
// replacing it, or a burst of hotkey presses, comes within seconds and finds
// the bridge kept; a client that has gone quiet does not keep a second
// process for long, and the next request pays one start again.
inline constexpr DWORD kBridgeIdleMs = 30000;

// Outcomes of a request, written into the channel, and the bridge's exit
// codes.
enum TBridgeExit : DWORD {
  kBridgeAnswered = 0,     // the hooked thread answered; the answer is in the block
  kBridgeTimedOut = 1,     // no answer within the bound; the hook is removed
  kBridgeTargetEnded = 2,  // the target process ended during the wait
  kBridgeClientEnded = 3,  // exit: the client process ended
  kBridgeIdle = 4,         // exit: no request for kBridgeIdleMs
  kBridgeQuit = 5,         // exit: the client's library shut down
  kBridgeBadCommand = 10,  // exit: command line not understood
  kBridgeRefused = 11,     // target not of the bridge's bitness, or its bitness unknown
  kBridgeNoLibrary = 12,   // exit: selvor32.dll beside the bridge or its hook procedure missing
  kBridgeNoRequest = 13,   // the block holds no such request, or the event is not there
  kBridgeHookFailed = 14,  // SetWindowsHookExA refused the thread
  // Reported by the engine, never by the bridge:
  kBridgeNotStarted = 0xFFFFFFFE,  // no bridge in its folder, or it could not start
  kBridgeStopped = 0xFFFFFFFF,     // ended during the request or still busy at the bound
};

enum TBridgeCommand : uint32_t { kBridgeServe = 1, kBridgeEnd = 2 };

// The unnamed mapping a client shares with its bridge: one command and its
// outcome at a time. Fixed layout for both bitnesses.
struct TBridgeChannel {
  uint32_t Command;        // TBridgeCommand, written by the engine
  uint32_t Serial;         // the request's serial in the block
  uint32_t Thread;         // the thread to hook
  uint32_t TimeoutMs;      // how long to wait for the thread's answer
  uint32_t TakenSerial;    // written by the bridge when it takes the command
  uint32_t OutcomeSerial;  // written by the bridge with the outcome
  uint32_t Outcome;        // TBridgeExit
};
static_assert(sizeof(TBridgeChannel) == 28);

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
// gets the request's outcome: as the bridge wrote it; kBridgeTargetEnded
// when the engine saw the target end first; kBridgeNotStarted;
// kBridgeStopped.
// kBridgeTimedOut, kBridgeTargetEnded and kBridgeStopped mean that the thread
// did not answer in time.
int BridgeRequest(TSharedBlock& block, DWORD thread, DWORD* outcome = nullptr) noexcept;

// Library shut-down: tells the kept bridge to end and forgets it.
void DetachBridge() noexcept;

}  // namespace kst
