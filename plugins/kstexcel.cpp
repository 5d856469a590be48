#include "kstexcel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "kstexceli.h"
#include "kstconvert.h"
#include "kstplugin.h"
#include "kstres.h"

using Microsoft::WRL::ComPtr;

namespace kst::excel {
namespace {

constexpr char kDisplayName[] = "Microsoft Excel plugin";
constexpr char kWindowClass[] = "EXCEL7";
constexpr UINT kActivateMessage = WM_USER + 18;  // sent to the window two levels up
constexpr wchar_t kExtension[] = L".XLS";
constexpr wchar_t kMarkerWide[] = L"KSTExcel120601";
constexpr char kMarker[] = "KSTExcel120601";
constexpr int kTitleSize = 260;
constexpr int kMaxText = 32768;  // lstrcpynA limit: 32767 characters and the NUL

// --- Conversions -----------------------------------------------------------

std::wstring FromBstr(BSTR text) { return std::wstring(text ? text : L"", SysStringLen(text)); }

// --- Late-bound calls ------------------------------------------------------

// IDispatch::Invoke with a fixed identifier, IID_NULL and locale 0. `args`
// are in call order; a property write passes its last one as the named
// argument DISPID_PROPERTYPUT. The caller keeps ownership of the arguments.
void Invoke(IDispatch* object, DISPID id, WORD flags, std::initializer_list<VARIANT> args,
            unique_variant& result) {
  if (!object) throw EOleError{E_POINTER};
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  OleCheck(object->Invoke(id, IID_NULL, 0, flags, &params, result.reset_and_addressof(), nullptr,
                          nullptr));
}

void Get(IDispatch* object, DISPID id, unique_variant& result,
         std::initializer_list<VARIANT> args = {}) {
  Invoke(object, id, DISPATCH_PROPERTYGET, args, result);
}

void Put(IDispatch* object, DISPID id, std::initializer_list<VARIANT> args) {
  unique_variant ignored;
  Invoke(object, id, DISPATCH_PROPERTYPUT, args, ignored);
}

VARIANT LongArg(LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT BstrArg(const unique_bstr& value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = value.get();
  return v;
}

// An object-valued property; null when the object answers with nothing.
ComPtr<IDispatch> GetDispatch(IDispatch* object, DISPID id, std::initializer_list<VARIANT> args = {}) {
  unique_variant value;
  Get(object, id, value, args);
  ComPtr<IDispatch> result;
  if (value.vt == VT_DISPATCH) {
    result = value.pdispVal;
  } else if (value.vt == VT_UNKNOWN && value.punkVal) {
    OleCheck(value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(result.GetAddressOf())));
  } else if (value.vt != VT_EMPTY && value.vt != VT_NULL) {
    throw EOleError{DISP_E_TYPEMISMATCH};
  }
  return result;
}

void ChangeType(unique_variant& value, VARTYPE type) {
  if (value.vt != type) OleCheck(VariantChangeType(&value, &value, 0, type));
}

LONG GetLong(IDispatch* object, DISPID id) {
  unique_variant value;
  Get(object, id, value);
  ChangeType(value, VT_I4);
  return value.lVal;
}

double GetDouble(IDispatch* object, DISPID id) {
  unique_variant value;
  Get(object, id, value);
  ChangeType(value, VT_R8);
  return value.dblVal;
}

std::wstring GetString(IDispatch* object, DISPID id) {
  unique_variant value;
  Get(object, id, value);
  ChangeType(value, VT_BSTR);
  return FromBstr(value.bstrVal);
}

void PutCaption(IDispatch* window, const unique_bstr& caption) {
  Put(window, dispidWindowCaption, {BstrArg(caption)});
}

void Show(IDispatch* cell) {
  unique_variant ignored;
  Invoke(cell, dispidRangeShow, DISPATCH_METHOD, {}, ignored);
}

// --- Finding the Excel window ----------------------------------------------

// The window's own title; through the 8-bit text when the wide read gives none.
std::wstring WindowTitle(HWND window) {
  wchar_t title[kTitleSize] = {};
  if (GetWindowTextW(window, title, kTitleSize) == 0) {
    char ansi[kTitleSize] = {};
    GetWindowTextA(window, ansi, kTitleSize);
    title[0] = L'\0';
    // At most 259 bytes make at most 259 characters: the NUL always fits.
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, title, kTitleSize);
    title[kTitleSize - 1] = L'\0';
  }
  return title;
}

struct TCaptionMatch {
  std::wstring Title;
  std::wstring UpperTitleWithExtension;  // the second form, through the ANSI code page

  explicit TCaptionMatch(const std::wstring& title) : Title(title) {
    const std::string ansi = WideToAnsi(title.data(), title.size());
    UpperTitleWithExtension = UpperWide(AnsiToWide(ansi.c_str()) + kExtension);
  }
  bool operator()(const std::wstring& caption) const {
    return caption == Title || UpperWide(caption) == UpperTitleWithExtension;
  }
};

// Sets the candidate's caption to the marker and reads the target window's
// text back: the window that shows the marker is the candidate's own. The
// caption goes back to the title whatever the read gave.
bool ShowsMarker(IDispatch* candidate, HWND window, const std::wstring& title) {
  // Both captions are made before the first is written, so that nothing
  // can keep the title from going back once the marker is up.
  const unique_bstr marker = MakeBstr(kMarkerWide);
  const unique_bstr restore = MakeBstr(title);
  PutCaption(candidate, marker);
  char text[kTitleSize] = {};
  GetWindowTextA(window, text, kTitleSize);
  PutCaption(candidate, restore);
  return std::strcmp(text, kMarker) == 0;
}

// Walks the windows of one workbook; returns once a later candidate has
// proved by the marker to be the target's window.
void SearchWorkbook(_Workbook* book, HWND window, const TCaptionMatch& match,
                    ComPtr<IDispatch>& result) {
  ComPtr<Windows> windows;
  OleCheck(book->get_Windows(windows.GetAddressOf()));
  if (!windows) return;
  const LONG count = GetLong(windows.Get(), dispidWindowsCount);
  for (LONG i = 1; i <= count; ++i) {
    const ComPtr<IDispatch> candidate = GetDispatch(windows.Get(), dispidWindowsItem, {LongArg(i)});
    if (!candidate) throw EOleError{E_POINTER};
    if (!match(GetString(candidate.Get(), dispidWindowCaption))) continue;
    if (!result) {
      result = candidate;
      continue;
    }
    if (ShowsMarker(candidate.Get(), window, match.Title)) {
      result = candidate;
      return;
    }
  }
}

// --- Reading and writing the active cell -----------------------------------

std::string CellText(IDispatch* cell) {
  unique_variant value;
  Get(cell, dispidRangeValue, value, {LongArg(xlRangeValueDefault)});
  if (value.vt != VT_BSTR)
    OleCheck(VariantChangeTypeEx(&value, &value, LOCALE_USER_DEFAULT, 0, VT_BSTR));
  return BstrToAnsi(value.bstrVal);
}

// A value rounded to double. The x87 unit of the 32-bit build keeps
// intermediate results in 80 bits, which would tip a product such as
// 1.2 * 125 / 100 off the halfway value the 64-bit build sees.
double AsDouble(double value) {
  volatile double stored = value;
  return stored;
}

// Points to pixels at the window's zoom. Halfway values go to the even
// integer, whatever rounding mode the host has set.
LONG ToPixels(double points, double zoom) {
  const double exact = AsDouble(AsDouble(AsDouble(points * 1.2) * zoom) / 100.0);
  double pixels = std::floor(exact);
  const double fraction = exact - pixels;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(pixels, 2.0) != 0.0)) pixels += 1.0;
  if (!(pixels >= static_cast<double>(LONG_MIN) && pixels <= static_cast<double>(LONG_MAX)))
    throw EOleError{DISP_E_OVERFLOW};
  return static_cast<LONG>(pixels);
}

// Stores the cell's top-left corner relative to the visible range, in screen
// coordinates and one caption bar down; each coordinate as soon as it is known.
void StoreCellPoint(HWND window, IDispatch* excelWindow, IDispatch* cell, POINT* point) {
  const double zoom = GetDouble(excelWindow, dispidWindowZoom);
  const ComPtr<IDispatch> visible = GetDispatch(excelWindow, dispidWindowVisibleRange);
  point->x = ToPixels(GetDouble(cell, dispidRangeLeft) - GetDouble(visible.Get(), dispidRangeLeft), zoom);
  point->y = ToPixels(GetDouble(cell, dispidRangeTop) - GetDouble(visible.Get(), dispidRangeTop), zoom);
  ClientToScreen(window, point);
  AddCaptionHeight(*point);
}

}  // namespace

std::wstring UpperWide(const std::wstring& s) {
  std::wstring upper = s;
  if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

ComPtr<IDispatch> FindExcelWindow(HWND window) {
  ComPtr<IBindCtx> bindContext;
  ComPtr<IRunningObjectTable> table;
  if (FAILED(CreateBindCtx(0, bindContext.GetAddressOf())) || !bindContext ||
      FAILED(bindContext->GetRunningObjectTable(table.GetAddressOf())))
    return nullptr;
  return FindExcelWindowIn(window, bindContext.Get(), table.Get());
}

// A call that succeeds and leaves no object is taken as one that failed:
// the table, the enumerator and each entry may come from another process.
ComPtr<IDispatch> FindExcelWindowIn(HWND window, IBindCtx* bindContext, IRunningObjectTable* table) {
  const TCaptionMatch match(WindowTitle(window));
  ComPtr<IEnumMoniker> monikers;
  if (!table || FAILED(table->EnumRunning(monikers.GetAddressOf())) || !monikers) return nullptr;
  monikers->Reset();

  ComPtr<IDispatch> result;
  ComPtr<IMoniker> moniker;
  ULONG fetched = 0;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), &fetched) == S_OK) {
    if (!moniker) continue;
    ComPtr<_Workbook> book;
    if (FAILED(moniker->BindToObject(bindContext, nullptr, IID_ExcelWorkbook,
                                     reinterpret_cast<void**>(book.GetAddressOf()))) ||
        !book)
      continue;
    SearchWorkbook(book.Get(), window, match, result);
  }
  return result;
}

void WINAPI GetInfo(char* buffer) { lstrcpyA(buffer, kDisplayName); }

int WINAPI IsWorkbookWindow(HWND window) {
  return PluginBoundary([&](int& result) {
    char name[8] = {};
    GetClassNameA(window, name, 7);
    result = lstrcmpA(name, kWindowClass) == 0 ? 1 : 0;
  });
}

int WINAPI CanHandle(HWND window) {
  return PluginBoundary([&](int& result) {
    if (!IsWorkbookWindow(window)) return;
    result = 1;
    SendMessageA(GetParent(GetParent(window)), kActivateMessage, 0, 0);
  });
}

int WINAPI GetText(HWND window, char* buffer, POINT* point) {
  lstrcpyA(buffer, "");
  *point = {-2, -2};
  return PluginBoundary([&](int& result) {
    const ComPtr<IDispatch> excelWindow = FindExcelWindow(window);
    if (!excelWindow) return;
    const ComPtr<IDispatch> cell = GetDispatch(excelWindow.Get(), dispidWindowActiveCell);
    if (!cell) return;
    const std::string text = CellText(cell.Get());
    if (!text.empty()) lstrcpynA(buffer, text.c_str(), kMaxText);
    Show(cell.Get());
    result = 1;
    StoreCellPoint(window, excelWindow.Get(), cell.Get(), point);
  });
}

int WINAPI SetText(HWND window, const char* text) {
  return PluginBoundary([&](int& result) {
    const ComPtr<IDispatch> excelWindow = FindExcelWindow(window);
    if (!excelWindow) return;
    const ComPtr<IDispatch> cell = GetDispatch(excelWindow.Get(), dispidWindowActiveCell);
    if (!cell) return;
    const unique_bstr value = MakeBstr(AnsiToWide(text));
    Put(cell.Get(), dispidRangeValue, {LongArg(xlRangeValueDefault), BstrArg(value)});
    Show(cell.Get());
    result = 1;
  });
}

}  // namespace kst::excel
