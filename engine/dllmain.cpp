#include <windows.h>

#include "engine.h"
#include "hookrequest.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      kst::EngineAttach(instance);
      break;
    case DLL_PROCESS_DETACH:
      kst::EngineDetach();
      break;
    default:  // thread notifications are not needed
      break;
  }
  return TRUE;
}

// The hook procedure for the bridge of this bitness, which installs it on
// behalf of an engine of the other bitness. selvor32.def exports it by
// ordinal only, so the library's named exports stay the nine of its
// interface.
extern "C" LRESULT CALLBACK kst_hook_proc(int code, WPARAM wParam, LPARAM lParam) {
  return kst::HookProc(code, wParam, lParam);
}
