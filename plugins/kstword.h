// The Microsoft Word plugin (slot B): reads and replaces the selection of a
// Word document window through Word's automation object model.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "kstwordi.h"

namespace kst::word {

void WINAPI GetInfo(char* buffer);
int WINAPI CanHandle(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

// The Word window that shows the document behind `window`, or null.
Microsoft::WRL::ComPtr<msword::Window> FindWordWindow(HWND window);

// The Word window of `window` and its selection, an empty selection grown
// first to the run of non-blank characters around the insertion point. The
// selection is null when there is no window or the growth failed.
void GetWordSelection(HWND window, Microsoft::WRL::ComPtr<msword::Window>& wordWindow,
                      Microsoft::WRL::ComPtr<msword::Selection>& selection);

}  // namespace kst::word
