// Start-up and shut-down of the engine in a process.
#pragma once

#include <windows.h>

namespace kst {

// The module that holds the engine: the DLL itself, or the executable that
// links the engine statically (unit tests).
HINSTANCE EngineInstance() noexcept;

void EngineAttach(HINSTANCE instance) noexcept;
void EngineDetach() noexcept;

}  // namespace kst
