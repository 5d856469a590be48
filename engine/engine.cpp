#include "engine.h"

#include <objbase.h>

#include "bridge.h"
#include "faultguard.h"
#include "hookrequest.h"
#include "plugintable.h"
#include "sharedblock.h"

namespace kst {
namespace {
HINSTANCE g_Instance = nullptr;
bool g_ComInitialized = false;
}  // namespace

HINSTANCE EngineInstance() noexcept { return g_Instance; }

void EngineAttach(HINSTANCE instance) noexcept {
  g_Instance = instance;
  AttachFaultGuard();
  // A thread the host already put into the multithreaded apartment refuses;
  // then the host owns COM there and shut-down must not uninitialise it.
  g_ComInitialized = SUCCEEDED(CoInitialize(nullptr));
  BuildPluginTable();
  AttachSharedBlock();
}

void EngineDetach() noexcept {
  DetachBridge();
  DetachHookRequests();
  DetachSharedBlock();
  if (g_ComInitialized) CoUninitialize();
  g_ComInitialized = false;
  DetachFaultGuard();
}

}  // namespace kst
