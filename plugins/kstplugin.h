// What every plugin unit shares: the one exception type for failing
// HRESULTs, and the boundary that keeps exceptions inside the plugin.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "faultguard.h"

namespace kst {

// A failing HRESULT from an object-model call, raised inside a plugin and
// caught at the plugin function's boundary.
struct EOleError {
  HRESULT Code;
};

inline HRESULT OleCheck(HRESULT hr) {
  if (FAILED(hr)) throw EOleError{hr};
  return hr;
}

// A call that succeeded but left no interface counts as a failed one.
template <typename T>
T* Required(const Microsoft::WRL::ComPtr<T>& pointer) {
  if (!pointer) throw EOleError{E_POINTER};
  return pointer.Get();
}

// Runs the body of a plugin function. The body sets `result` as it goes; an
// exception or a processor fault ends it and the function returns what
// `result` held then.
template <typename Body>
int PluginBoundary(Body&& body) noexcept {
  int result = 0;
  GuardedCall([&] { body(result); });
  return result;
}

// Moves a screen point down by the height of a window caption, as the
// plugins report positions.
inline void AddCaptionHeight(POINT& point) noexcept { point.y += GetSystemMetrics(SM_CYCAPTION); }

}  // namespace kst
