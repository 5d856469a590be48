#include "fakeexcel.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kstexceli.h"
#include "kstres.h"
#include "testsupport.h"
#include "vtableslots.h"

using Microsoft::WRL::ComPtr;

namespace kst::test {
namespace {

constexpr UINT kActivateMessage = WM_USER + 18;
constexpr int kWorkbookSlots = kWorkbookWindowsSlot + 1;

// --- The model ---------------------------------------------------------------

enum class TValueKind { Empty, Text, Number, Error };

struct TFakeCell {
  TValueKind Kind = TValueKind::Empty;
  std::wstring Text;
  double Number = 0;
  double Left = 0, Top = 0;
};

struct TFakeWindow {
  std::wstring Caption;
  HWND Handle = nullptr;
  double Zoom = 100, VisibleLeft = 0, VisibleTop = 0;
  std::vector<TFakeCell> Cells = std::vector<TFakeCell>(1);
  int Active = 0;  // -1: no active cell
};

struct FakeWorkbook;

// What a registered object is: a workbook, a workbook whose `Windows` is
// nothing, some other application's object, or one that answers the query
// for _Workbook with success and no interface.
enum class TBookKind { Workbook, NoWindows, Other, NoInterface };

struct TFakeBook {
  std::wstring Path;
  TBookKind Kind = TBookKind::Workbook;
  std::vector<TFakeWindow> Windows;
  FakeWorkbook* Object = nullptr;
  DWORD Cookie = 0;
};

std::deque<TFakeBook> g_Books;
std::map<std::string, int> g_Calls;
std::map<std::string, int> g_FailAt;  // member -> failing call number, 0 = every call
std::vector<std::string> g_Bad;
int g_ActivateMessages = 0;
LONG g_LiveObjects = 0;
HWND g_Desk = nullptr;
HWND g_Main = nullptr;
TFakeExcelSay g_Say;

void Say(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  g_Say(line);
}

void Bad(const std::string& what) { g_Bad.push_back(what); }

// Counts the call; true when the test asked this call to fail.
bool Fails(const std::string& member) {
  const int number = ++g_Calls[member];
  const auto it = g_FailAt.find(member);
  return it != g_FailAt.end() && (it->second == 0 || it->second == number);
}

std::wstring Wide(const std::string& utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

// --- Dispatch objects: the Windows collection, a Window, a Range -------------

enum class TKind { Windows, Window, Range };

class FakeDispatch : public IDispatch {
 public:
  FakeDispatch(TKind kind, int book, int window = 0, int cell = 0)
      : kind_(kind), book_(book), window_(window), cell_(cell) {
    ++g_LiveObjects;
  }
  virtual ~FakeDispatch() { --g_LiveObjects; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || (kind_ == TKind::Windows && iid == IID_ExcelWindows)) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    Bad("names looked up");
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (iid != IID_NULL) Bad("Invoke without IID_NULL");
    if (lcid != 0) Bad("Invoke with locale " + std::to_string(lcid));
    if (!params) {
      Bad("Invoke without parameters");
      return E_INVALIDARG;
    }
    if (result) VariantInit(result);
    switch (kind_) {
      case TKind::Windows: return InvokeWindows(id, flags, *params, result);
      case TKind::Window: return InvokeWindow(id, flags, *params, result);
      case TKind::Range: return InvokeRange(id, flags, *params, result);
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  TFakeWindow& Model() { return g_Books[book_].Windows[window_]; }

  // Checks the form of a call: flags, positional and named arguments.
  bool Expect(const char* member, WORD flags, WORD expected, const DISPPARAMS& params,
              std::initializer_list<VARTYPE> positional, bool putValue = false) {
    const bool flagsOk = expected == DISPATCH_PROPERTYGET
                             ? (flags & DISPATCH_PROPERTYGET) && !(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
                             : flags == expected;
    const UINT count = static_cast<UINT>(positional.size()) + (putValue ? 1 : 0);
    bool ok = flagsOk && params.cArgs == count;
    if (ok && putValue)
      ok = params.cNamedArgs == 1 && params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT &&
           params.rgvarg[0].vt == VT_BSTR;
    if (ok && !putValue) ok = params.cNamedArgs == 0;
    UINT k = 0;
    for (VARTYPE type : positional) {
      if (ok && params.rgvarg[params.cArgs - 1 - k].vt != type) ok = false;
      ++k;
    }
    if (!ok) Bad(std::string("malformed call of ") + member);
    return ok;
  }

  static HRESULT Return(VARIANT* result, VARTYPE type, double number) {
    if (!result) return S_OK;
    result->vt = type;
    if (type == VT_I4) result->lVal = static_cast<LONG>(number);
    if (type == VT_R8) result->dblVal = number;
    return S_OK;
  }
  static HRESULT ReturnObject(VARIANT* result, IDispatch* object) {
    if (!result) {
      if (object) object->Release();
      return S_OK;
    }
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
    return S_OK;
  }

  HRESULT InvokeWindows(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    const auto& windows = g_Books[book_].Windows;
    if (id == dispidWindowsCount) {
      if (!Expect("Count", flags, DISPATCH_PROPERTYGET, params, {})) return DISP_E_BADPARAMCOUNT;
      if (Fails("Count")) return E_FAIL;
      return Return(result, VT_I4, static_cast<double>(windows.size()));
    }
    if (id == dispidWindowsItem) {
      if (!Expect("Item", flags, DISPATCH_PROPERTYGET, params, {VT_I4})) return DISP_E_BADPARAMCOUNT;
      if (Fails("Item")) return E_FAIL;
      const LONG index = params.rgvarg[0].lVal;
      if (index < 1 || index > static_cast<LONG>(windows.size())) return DISP_E_BADINDEX;
      return ReturnObject(result, new FakeDispatch(TKind::Window, book_, index - 1));
    }
    Bad("Windows member " + std::to_string(id));
    return DISP_E_MEMBERNOTFOUND;
  }

  HRESULT InvokeWindow(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    TFakeWindow& window = Model();
    if (id == dispidWindowCaption && flags == DISPATCH_PROPERTYPUT) {
      if (!Expect("Caption", flags, DISPATCH_PROPERTYPUT, params, {}, true)) return DISP_E_BADPARAMCOUNT;
      if (Fails("Caption.put")) return E_FAIL;
      window.Caption.assign(params.rgvarg[0].bstrVal, SysStringLen(params.rgvarg[0].bstrVal));
      // The workbook window shows its caption as its title at once.
      SetWindowTextW(window.Handle, window.Caption.c_str());
      return S_OK;
    }
    if (id == dispidWindowCaption) {
      if (!Expect("Caption", flags, DISPATCH_PROPERTYGET, params, {})) return DISP_E_BADPARAMCOUNT;
      if (Fails("Caption.get")) return E_FAIL;
      if (result) {
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(window.Caption.data(), static_cast<UINT>(window.Caption.size()));
      }
      return S_OK;
    }
    if (id == dispidWindowActiveCell) {
      if (!Expect("ActiveCell", flags, DISPATCH_PROPERTYGET, params, {})) return DISP_E_BADPARAMCOUNT;
      if (Fails("ActiveCell")) return E_FAIL;
      return ReturnObject(result, window.Active < 0 ? nullptr : new FakeDispatch(TKind::Range, book_, window_, window.Active));
    }
    if (id == dispidWindowZoom) {
      if (!Expect("Zoom", flags, DISPATCH_PROPERTYGET, params, {})) return DISP_E_BADPARAMCOUNT;
      if (Fails("Zoom")) return E_FAIL;
      return Return(result, VT_R8, window.Zoom);
    }
    if (id == dispidWindowVisibleRange) {
      if (!Expect("VisibleRange", flags, DISPATCH_PROPERTYGET, params, {})) return DISP_E_BADPARAMCOUNT;
      if (Fails("VisibleRange")) return E_FAIL;
      return ReturnObject(result, new FakeDispatch(TKind::Range, book_, window_, -1));
    }
    Bad("Window member " + std::to_string(id));
    return DISP_E_MEMBERNOTFOUND;
  }

  HRESULT InvokeRange(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result) {
    TFakeWindow& window = Model();
    const bool visible = cell_ < 0;
    if (id == dispidRangeLeft || id == dispidRangeTop) {
      const bool left = id == dispidRangeLeft;
      if (!Expect(left ? "Left" : "Top", flags, DISPATCH_PROPERTYGET, params, {})) return DISP_E_BADPARAMCOUNT;
      if (Fails(left ? "Left" : "Top")) return E_FAIL;
      if (visible) return Return(result, VT_R8, left ? window.VisibleLeft : window.VisibleTop);
      return Return(result, VT_R8, left ? window.Cells[cell_].Left : window.Cells[cell_].Top);
    }
    if (visible) {
      Bad("visible range member " + std::to_string(id));
      return DISP_E_MEMBERNOTFOUND;
    }
    TFakeCell& cell = window.Cells[cell_];
    if (id == dispidRangeValue && flags == DISPATCH_PROPERTYPUT) {
      if (!Expect("Value", flags, DISPATCH_PROPERTYPUT, params, {VT_I4}, true)) return DISP_E_BADPARAMCOUNT;
      if (params.rgvarg[1].lVal != xlRangeValueDefault) Bad("Value written with another value type");
      if (Fails("Value.put")) return E_FAIL;
      cell.Kind = TValueKind::Text;
      cell.Text.assign(params.rgvarg[0].bstrVal, SysStringLen(params.rgvarg[0].bstrVal));
      return S_OK;
    }
    if (id == dispidRangeValue) {
      if (!Expect("Value", flags, DISPATCH_PROPERTYGET, params, {VT_I4})) return DISP_E_BADPARAMCOUNT;
      if (params.rgvarg[0].lVal != xlRangeValueDefault) Bad("Value read with another value type");
      if (Fails("Value.get")) return E_FAIL;
      if (!result) return S_OK;
      switch (cell.Kind) {
        case TValueKind::Empty: break;
        case TValueKind::Text:
          result->vt = VT_BSTR;
          result->bstrVal = SysAllocStringLen(cell.Text.data(), static_cast<UINT>(cell.Text.size()));
          break;
        case TValueKind::Number: return Return(result, VT_R8, cell.Number);
        case TValueKind::Error:
          result->vt = VT_ERROR;
          result->scode = static_cast<SCODE>(0x800A07FA);  // #N/A
          break;
      }
      return S_OK;
    }
    if (id == dispidRangeShow) {
      if (!Expect("Show", flags, DISPATCH_METHOD, params, {})) return DISP_E_BADPARAMCOUNT;
      if (Fails("Show")) return E_FAIL;
      return S_OK;
    }
    Bad("Range member " + std::to_string(id));
    return DISP_E_MEMBERNOTFOUND;
  }

  LONG refs_ = 1;
  TKind kind_;
  int book_, window_, cell_;
};

// --- The workbook: Excel's vtable layout, built slot by slot ----------------

struct FakeWorkbook {
  const void* const* Vtable;
  LONG Refs;
  int Book;
};

using WorkbookMethod = void*;
WorkbookMethod g_WorkbookVtable[kWorkbookSlots];

HRESULT STDMETHODCALLTYPE WorkbookQueryInterface(FakeWorkbook* self, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  const TBookKind kind = g_Books[self->Book].Kind;
  if (kind == TBookKind::NoInterface && iid == IID_ExcelWorkbook) return S_OK;
  const bool workbook = kind != TBookKind::Other && kind != TBookKind::NoInterface;
  if (iid != IID_IUnknown && !(workbook && (iid == IID_IDispatch || iid == IID_ExcelWorkbook)))
    return E_NOINTERFACE;
  InterlockedIncrement(&self->Refs);
  *object = self;
  return S_OK;
}
ULONG STDMETHODCALLTYPE WorkbookAddRef(FakeWorkbook* self) { return InterlockedIncrement(&self->Refs); }
ULONG STDMETHODCALLTYPE WorkbookRelease(FakeWorkbook* self) {
  const ULONG refs = InterlockedDecrement(&self->Refs);
  if (refs == 0) delete self;
  return refs;
}
HRESULT STDMETHODCALLTYPE WorkbookGetTypeInfoCount(FakeWorkbook*, UINT* count) {
  *count = 0;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE WorkbookNotImplemented(FakeWorkbook*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE WorkbookInvoke(FakeWorkbook*) {
  Bad("workbook called late-bound");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE WorkbookWindows(FakeWorkbook* self, IDispatch** windows) {
  *windows = nullptr;
  if (Fails("Windows")) return E_FAIL;
  if (g_Books[self->Book].Kind == TBookKind::NoWindows) return S_OK;
  *windows = new FakeDispatch(TKind::Windows, self->Book);
  return S_OK;
}
// Any other member of _Workbook: the plugin never calls one.
template <int Slot>
HRESULT STDMETHODCALLTYPE WorkbookUnexpected(FakeWorkbook*) {
  Bad("workbook slot " + std::to_string(Slot));
  EndUnservedCall("workbook slot " + std::to_string(Slot));
  return E_NOTIMPL;
}

template <int... Slots>
void FillUnexpected(std::integer_sequence<int, Slots...>) {
  ((g_WorkbookVtable[Slots] = reinterpret_cast<void*>(&WorkbookUnexpected<Slots>)), ...);
}

void BuildWorkbookVtable() {
  FillUnexpected(std::make_integer_sequence<int, kWorkbookSlots>());
  g_WorkbookVtable[0] = reinterpret_cast<void*>(&WorkbookQueryInterface);
  g_WorkbookVtable[1] = reinterpret_cast<void*>(&WorkbookAddRef);
  g_WorkbookVtable[2] = reinterpret_cast<void*>(&WorkbookRelease);
  g_WorkbookVtable[3] = reinterpret_cast<void*>(&WorkbookGetTypeInfoCount);
  g_WorkbookVtable[4] = reinterpret_cast<void*>(&WorkbookNotImplemented);  // GetTypeInfo
  g_WorkbookVtable[5] = reinterpret_cast<void*>(&WorkbookNotImplemented);  // GetIDsOfNames
  g_WorkbookVtable[6] = reinterpret_cast<void*>(&WorkbookInvoke);
  g_WorkbookVtable[kWorkbookWindowsSlot] = reinterpret_cast<void*>(&WorkbookWindows);
}

IUnknown* AsUnknown(FakeWorkbook* book) { return reinterpret_cast<IUnknown*>(book); }

// --- Windows -------------------------------------------------------------------

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kActivateMessage && wParam == 0 && lParam == 0) ++g_ActivateMessages;
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClassOnce(const wchar_t* name, WNDPROC proc) {
  WNDCLASSW wc = {};
  if (GetClassInfoW(GetModuleHandleW(nullptr), name, &wc)) return;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  RegisterClassW(&wc);
}

HWND CreateWorkbookWindow(const std::wstring& className, const std::wstring& title) {
  RegisterClassOnce(className.c_str(), DefWindowProcW);
  const int n = static_cast<int>(g_Books.empty() ? 0 : g_Books.back().Windows.size());
  return CreateWindowExW(0, className.c_str(), title.c_str(), WS_CHILD | WS_VISIBLE, 10 + 20 * n,
                         10 + 20 * n, 300, 200, g_Desk, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// --- Commands from the test ----------------------------------------------------

TFakeWindow& WindowAt(const std::vector<std::string>& f, size_t i) {
  return g_Books.at(std::stoi(f.at(i))).Windows.at(std::stoi(f.at(i + 1)));
}

void Report() {
  for (size_t b = 0; b < g_Books.size(); ++b) {
    Say("refs|%zu|%ld", b, g_Books[b].Object->Refs);
    for (size_t w = 0; w < g_Books[b].Windows.size(); ++w) {
      const TFakeWindow& window = g_Books[b].Windows[w];
      Say("caption|%zu|%zu|%s", b, w, Utf8(window.Caption).c_str());
      for (size_t c = 0; c < window.Cells.size(); ++c) {
        const TFakeCell& cell = window.Cells[c];
        Say("cell|%zu|%zu|%zu|%d|%s", b, w, c, static_cast<int>(cell.Kind), Utf8(cell.Text).c_str());
      }
    }
  }
  for (const auto& [member, count] : g_Calls) Say("calls|%s|%d", member.c_str(), count);
  for (const auto& bad : g_Bad) Say("bad|%s", bad.c_str());
  Say("live|%ld", g_LiveObjects);
  Say("activate|%d", g_ActivateMessages);
  Say("end");
}

}  // namespace

bool RunFakeExcelCommand(const std::string& line) {
  const std::vector<std::string> f = FakeExcelFields(line);
  const std::string& verb = f[0];
  if (verb == "quit" || verb.empty()) return false;
  try {
    if (verb == "book") {  // book|path[|nowindows|other|nointerface]
      TFakeBook& book = g_Books.emplace_back();
      book.Path = Wide(f.at(1));
      if (f.size() > 2)
        book.Kind = f[2] == "nowindows"     ? TBookKind::NoWindows
                    : f[2] == "nointerface" ? TBookKind::NoInterface
                                            : TBookKind::Other;
      book.Object = new FakeWorkbook{g_WorkbookVtable, 1, static_cast<int>(g_Books.size() - 1)};
      ComPtr<IRunningObjectTable> table;
      ComPtr<IMoniker> moniker;
      HRESULT hr = GetRunningObjectTable(0, table.GetAddressOf());
      if (SUCCEEDED(hr)) hr = CreateFileMoniker(book.Path.c_str(), moniker.GetAddressOf());
      if (SUCCEEDED(hr))
        hr = table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, AsUnknown(book.Object), moniker.Get(), &book.Cookie);
      Say("book|%zu|0x%08lx", g_Books.size() - 1, static_cast<unsigned long>(hr));
    } else if (verb == "window") {  // window|caption|title[|class]: in the last book
      TFakeWindow& window = g_Books.back().Windows.emplace_back();
      window.Caption = Wide(f.at(1));
      window.Handle = CreateWorkbookWindow(f.size() > 3 ? Wide(f[3]) : L"EXCEL7", Wide(f.at(2)));
      Say("window|%s", FormatWindow(window.Handle).c_str());
    } else if (verb == "cell") {  // cell|book|window|index|kind|value|left|top
      TFakeWindow& window = WindowAt(f, 1);
      const size_t index = std::stoul(f.at(3));
      if (window.Cells.size() <= index) window.Cells.resize(index + 1);
      TFakeCell& cell = window.Cells[index];
      const std::string& kind = f.at(4);
      cell.Kind = kind == "text" || kind == "repeat" ? TValueKind::Text
                  : kind == "number"                ? TValueKind::Number
                  : kind == "error"                 ? TValueKind::Error
                                                    : TValueKind::Empty;
      cell.Text = kind == "repeat" ? std::wstring(std::stoul(f.at(5)), L'x') + L"END" : Wide(f.at(5));
      cell.Number = kind == "number" ? std::stod(f.at(5)) : 0;
      cell.Left = std::stod(f.at(6));
      cell.Top = std::stod(f.at(7));
      Say("ok");
    } else if (verb == "active") {  // active|book|window|index
      WindowAt(f, 1).Active = std::stoi(f.at(3));
      Say("ok");
    } else if (verb == "view") {  // view|book|window|zoom|left|top
      TFakeWindow& window = WindowAt(f, 1);
      window.Zoom = std::stod(f.at(3));
      window.VisibleLeft = std::stod(f.at(4));
      window.VisibleTop = std::stod(f.at(5));
      Say("ok");
    } else if (verb == "fail") {  // fail|member[|call number]
      g_FailAt[f.at(1)] = f.size() > 2 ? std::stoi(f[2]) : 0;
      Say("ok");
    } else if (verb == "report") {
      Report();
    } else {
      Say("unknown command %s", verb.c_str());
    }
  } catch (const std::exception& e) {
    Say("error %s", e.what());
  }
  return true;
}

std::vector<std::string> FakeExcelFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t bar = line.find('|', start);
    fields.push_back(line.substr(start, bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

HWND StartFakeExcel(TFakeExcelSay say) {
  g_Say = std::move(say);
  BuildWorkbookVtable();
  RegisterClassOnce(L"KstFakeXLMAIN", MainProc);
  RegisterClassOnce(L"KstFakeXLDESK", DefWindowProcW);
  // Never shown: destroying a shown top-level window waits on the X server.
  g_Main = CreateWindowExW(0, L"KstFakeXLMAIN", L"Fake Excel", WS_OVERLAPPEDWINDOW, 100, 100, 640,
                           480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  g_Desk = CreateWindowExW(0, L"KstFakeXLDESK", L"", WS_CHILD | WS_VISIBLE, 0, 0, 600, 400, g_Main,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  return g_Main;
}

void StopFakeExcel() {
  ComPtr<IRunningObjectTable> table;
  GetRunningObjectTable(0, table.GetAddressOf());
  for (TFakeBook& book : g_Books) {
    if (table && book.Cookie) table->Revoke(book.Cookie);
    AsUnknown(book.Object)->Release();
  }
  g_Books.clear();
  g_Calls.clear();
  g_FailAt.clear();
  g_Bad.clear();
  g_ActivateMessages = 0;
  DestroyWindow(g_Main);
  g_Main = g_Desk = nullptr;
}

}  // namespace kst::test
