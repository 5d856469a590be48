// Plugin D: the selection of an HTML document shown by Internet Explorer's
// rendering engine, reached from its window through Active Accessibility.
#pragma once

#include <windows.h>

namespace kst::ie {

void WINAPI GetInfo(char* buffer) noexcept;
int WINAPI CanHandle(HWND window) noexcept;
int WINAPI GetText(HWND window, char* buffer, POINT* point) noexcept;
int WINAPI SetText(HWND window, const char* text) noexcept;

}  // namespace kst::ie
