// The clipboard plugin: reads and writes the CF_TEXT text of the system
// clipboard, whatever window it is given.
#pragma once

#include <windows.h>

namespace kst::clip {

void WINAPI GetInfo(char* buffer);
int WINAPI CanHandle(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

// Copies the text of a locked CF_TEXT block into a 32769-byte buffer: at
// most 32768 characters, and never past the block's end, for another
// application may have put text there without its NUL.
void CopyTextBlock(HGLOBAL block, const char* text, char* buffer);

}  // namespace kst::clip
