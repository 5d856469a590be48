#include <windows.h>

#include "engine.h"

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
