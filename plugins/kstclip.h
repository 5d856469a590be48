// The clipboard plugin: reads and writes the CF_TEXT text of the system
// clipboard, whatever window it is given.
#pragma once

#include <windows.h>

namespace kst::clip {

void WINAPI GetInfo(char* buffer);
int WINAPI CanHandle(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

}  // namespace kst::clip
