// The Text Object Model plugin: reads and replaces the selection of any
// window that hands out a rich edit text document.
#pragma once

#include <windows.h>

namespace kst::tom {

void WINAPI GetInfo(char* buffer);
int WINAPI CanHandle(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

}  // namespace kst::tom
