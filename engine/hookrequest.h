// Requests carried into another thread by a WH_GETMESSAGE hook and answered
// through the shared block and the event "SELVOR32.InjectEvent".
#pragma once

#include <windows.h>

namespace kst {

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

LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace kst
