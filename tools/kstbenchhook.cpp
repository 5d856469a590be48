// The least a hooked request can do: the hooked thread signals the waiting
// side and nothing else. kstbench measures its round trip as the floor.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK BenchHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0) {
    if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, "KstBench.HookEvent")) {
      SetEvent(event);
      CloseHandle(event);
    }
    return 0;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
