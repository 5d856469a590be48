// Requests carried into another thread by a WH_GETMESSAGE hook and answered
// through the shared block and the event "SELVOR32.InjectEvent".
#pragma once

#include <windows.h>

#include "kstres.h"

namespace kst {

struct TSharedBlock;

enum TRequestCode : int {
  rqNone = 0,
  rqActivateWindow = 1,
  rqGetFocusWindow = 2,
  rqGetText = 3,
  rqSetText = 4,
  // Get or set text through a run of plugins, in letter order from the
  // request plugin to the block's last walk letter, in one round trip: the
  // first plugin that serves ends the run and is named in the answer.
  rqWalkGetText = 5,
  rqWalkSetText = 6,
};

inline constexpr char kInjectEventName[] = "SELVOR32.InjectEvent";
inline constexpr DWORD kHookRequestTimeout = 10000;

// Held by a client for one whole export call that uses the block, so that
// calls of several clients (or threads) never interleave their requests.
inline constexpr char kRequestMutexName[] = "SELVOR32.RequestMutex";
// A call holds the request mutex for one hooked timeout and the plugins run
// in its own thread; a waiter gets past such a call, not past two.
inline constexpr DWORD kRequestLockTimeout = kHookRequestTimeout + 2000;
// Held for the moments in which a request is put into the block, taken from
// it, answered or withdrawn: never across a wait for another party.
inline constexpr char kBlockMutexName[] = "SELVOR32.BlockMutex";
inline constexpr DWORD kBlockLockTimeout = 2000;

// Ownership of a named mutex for one scope. A holder that ends leaves the
// mutex abandoned, which the next waiter takes over at once. Where the
// system gives no mutex of that name (the name taken by another kind of
// object), the scope goes ahead unguarded, as library versions that know no
// such mutex do.
class TNamedLock {
 public:
  TNamedLock(const char* name, DWORD timeoutMs) noexcept;
  ~TNamedLock();
  TNamedLock(const TNamedLock&) = delete;
  TNamedLock& operator=(const TNamedLock&) = delete;
  // False when the wait ran out: the caller must leave the block alone.
  bool Held() const noexcept { return held_; }

 private:
  HANDLE mutex_ = nullptr;  // the process's handle, kept until shut-down
  bool owned_ = false;
  bool held_ = false;
};

// Process shut-down: closes the handles the locks keep open.
void DetachHookRequests() noexcept;

// The thread that serves a call's hooked requests, resolved once per call.
struct THookTarget {
  DWORD Thread = 0;  // 0: the window is gone or is a console window, never hooked
  DWORD Process = 0;
  // Waited on beside the answer, and asked for its bitness (null when the
  // process cannot be opened).
  unique_handle ProcessHandle;
  bool Waitable = false;  // the handle has SYNCHRONIZE
  // Whether the thread's requests go through the bridge: asked once, at
  // the first request (-1: not yet).
  int Bridged = -1;
  // Set when a request timed out or the process ended: a thread that did not
  // answer once is not asked again in the same call.
  bool GaveUp = false;
};

THookTarget FindHookTarget(HWND toHook) noexcept;

// Runs one request in the thread that owns the window to hook and returns
// the block's result byte.
int SendHookRequest(int code, HWND window = nullptr, char letter = 0,
                    const char* text = nullptr, char lastLetter = 0) noexcept;

// SendHookRequest for a target resolved by the caller. The caller holds the
// request mutex; when the call returns, the request is withdrawn, so the
// block holds this request's answer and nothing arrives later.
int SendHookRequestTo(THookTarget& target, int code, HWND window, char letter,
                      const char* text, char lastLetter = 0) noexcept;

// Copies the text and point a get-text request left in the block to the
// caller. Any process may write the block, so the text area may lack its
// NUL: at most 32768 characters and a NUL are copied.
void TakeTextAnswer(const TSharedBlock& block, char* buffer, POINT* point) noexcept;

LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace kst
