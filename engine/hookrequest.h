// Requests carried into another thread by a WH_GETMESSAGE hook and answered
// through the shared block and the event "SELVOR32.InjectEvent".
#pragma once

#include <windows.h>

namespace kst {

struct TSharedBlock;

enum TRequestCode : int {
  rqNone = 0,
  rqActivateWindow = 1,
  rqGetFocusWindow = 2,
  rqGetText = 3,
  rqSetText = 4,
};

inline constexpr char kInjectEventName[] = "SELVOR32.InjectEvent";
inline constexpr DWORD kHookRequestTimeout = 10000;

// Runs one request in the thread that owns the window to hook and returns
// the block's result byte.
int SendHookRequest(int code, HWND window = nullptr, char letter = 0,
                    const char* text = nullptr) noexcept;

// Copies the text and point a get-text request left in the block to the
// caller. Any process may write the block, so the text area may lack its
// NUL: at most 32768 characters and a NUL are copied.
void TakeTextAnswer(const TSharedBlock& block, char* buffer, POINT* point) noexcept;

// The thread whose hook serves requests for a window, or 0 when none may:
// the window is gone, or it is a console window, which is never hooked.
DWORD HookTargetThread(HWND toHook) noexcept;

// SendHookRequest for a caller that has already resolved the window's thread
// with HookTargetThread (0: resolve it here). A walk over the plugins asks
// the same window once instead of once per plugin: under some window
// systems each of those queries is a round trip of its own.
int SendHookRequestTo(DWORD thread, int code, HWND window, char letter, const char* text) noexcept;

LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace kst
