// The Microsoft Excel plugin: the value of the active cell of a workbook
// window, reached through Excel's automation objects from the caller's thread.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <objidl.h>
#include <wrl/client.h>

#include <string>

namespace kst::excel {

void WINAPI GetInfo(char* buffer);
int WINAPI CanHandle(HWND window);
// CanHandle's test of the window class, without its activation message.
int WINAPI IsWorkbookWindow(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

// The Excel window object that shows the workbook behind `window`, or null.
// Raises EOleError when an Excel object fails during the search.
Microsoft::WRL::ComPtr<IDispatch> FindExcelWindow(HWND window);

// The same search over the entries of `table`, bound with `bindContext`
// (FindExcelWindow passes the system's; tests pass their own table).
Microsoft::WRL::ComPtr<IDispatch> FindExcelWindowIn(HWND window, IBindCtx* bindContext,
                                                    IRunningObjectTable* table);

// `s` with every character upper-cased over its whole length.
std::wstring UpperWide(const std::wstring& s);

}  // namespace kst::excel
