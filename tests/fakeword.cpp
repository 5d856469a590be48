#include "fakeword.h"
#include "vtableslots.h"

#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <utility>

namespace kst::test {
namespace {

enum class Kind { Document, Windows, Window, Selection, Range };

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Document: return "Document";
    case Kind::Windows: return "Windows";
    case Kind::Window: return "Window";
    case Kind::Selection: return "Selection";
    case Kind::Range: return "Range";
  }
  return "?";
}

constexpr GUID kIidDocument = {0x0002096B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidWindows = {0x00020961, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidWindow = {0x00020962, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidSelection = {0x00020975, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidRange = {0x0002095E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

const GUID& IidOf(Kind kind) {
  switch (kind) {
    case Kind::Document: return kIidDocument;
    case Kind::Windows: return kIidWindows;
    case Kind::Window: return kIidWindow;
    case Kind::Selection: return kIidSelection;
    case Kind::Range: return kIidRange;
  }
  return kIidRange;
}

// Enough slots for the largest interface served (the document's Range).
constexpr int kMaxSlots = 180;

}  // namespace

// One COM object of the fake. The vtable pointer comes first, so the object
// is what a caller of Word's interfaces expects to find behind its pointer.
struct FakeObject {
  void* const* vtbl;
  FakeWordState* state;
  Kind kind;
  LONG refs;
  bool persistent;
  int document;
  int window;
  long start, end;  // ranges only
};

struct DocumentModel {
  std::wstring text;
  FakeObject* object = nullptr;
  IMoniker* moniker = nullptr;
  DWORD cookie = 0;
};

struct WindowModel {
  int document = 0;
  std::wstring caption;
  bool active = false;
  long selStart = 0, selEnd = 0;
  POINT position = {};
  HWND frame = nullptr, editor = nullptr;
  FakeObject* object = nullptr;
};

struct FakeWordState {
  std::vector<DocumentModel> documents;
  std::vector<WindowModel> windows;
  std::map<std::string, int> calls;
  std::map<std::string, int> failing;  // member -> nth call to fail, 0 for all
  std::vector<std::string> unexpected;
  std::map<FakeObject*, LONG> marks;
  int liveTransient = 0;
  IRunningObjectTable* table = nullptr;
};

namespace {

// Counts the call and answers E_FAIL when the member is set to fail.
HRESULT Enter(FakeObject* self, const std::string& member) {
  const int count = ++self->state->calls[member];
  auto rule = self->state->failing.find(member);
  if (rule != self->state->failing.end() && (rule->second == 0 || rule->second == count))
    return E_FAIL;
  return S_OK;
}

HRESULT Unexpected(FakeObject* self, const std::string& what) {
  self->state->unexpected.push_back(std::string(KindName(self->kind)) + ": " + what);
  return E_UNEXPECTED;
}

FakeObject* NewObject(FakeWordState* state, Kind kind, int document, int window, bool persistent);

template <int Slot>
HRESULT STDMETHODCALLTYPE UnservedSlot(FakeObject* self) {
  const HRESULT failed = Unexpected(self, "slot " + std::to_string(Slot));
  EndUnservedCall(KindName(self->kind) + std::string(" slot ") + std::to_string(Slot));
  return failed;
}

template <int... Slots>
std::array<void*, kMaxSlots> UnservedTable(std::integer_sequence<int, Slots...>) {
  return {reinterpret_cast<void*>(&UnservedSlot<Slots>)...};
}

// ---- IUnknown and IDispatch, shared by every kind ----

HRESULT STDMETHODCALLTYPE QueryInterface(FakeObject* self, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IidOf(self->kind)) {
    ++self->refs;
    *out = self;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddRef(FakeObject* self) { return static_cast<ULONG>(++self->refs); }

ULONG STDMETHODCALLTYPE Release(FakeObject* self) {
  const LONG refs = --self->refs;
  if (refs < 0) Unexpected(self, "released more often than referenced");
  if (refs == 0 && !self->persistent) {
    --self->state->liveTransient;
    delete self;
  }
  return static_cast<ULONG>(refs < 0 ? 0 : refs);
}

HRESULT STDMETHODCALLTYPE GetTypeInfoCount(FakeObject*, UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GetTypeInfo(FakeObject*, UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

// ---- the text model ----

DocumentModel& DocOf(FakeObject* self) { return self->state->documents[self->document]; }
WindowModel& WinOf(FakeObject* self) { return self->state->windows[self->window]; }

long Clamp(const std::wstring& text, long position) {
  return std::clamp(position, 0L, static_cast<long>(text.size()));
}

HRESULT TextOut(const std::wstring& text, long start, long end, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text.data() + start, static_cast<UINT>(end - start));
  return *out ? S_OK : E_OUTOFMEMORY;
}

template <typename T>
HRESULT HandOut(FakeObject* object, T** out) {
  *out = reinterpret_cast<T*>(object);
  return S_OK;
}

bool IsI4(FakeObject* self, const VARIANT* value, const char* what) {
  if (value && value->vt == VT_I4) return true;
  Unexpected(self, std::string(what) + " is not a VT_I4 VARIANT");
  return false;
}

// Moves one end of [start, end) by whole characters, as Word does for the
// character unit: the other end follows when passed.
HRESULT Move(FakeObject* self, const std::wstring& text, long& start, long& end, bool moveStart,
             VARIANT* unit, VARIANT* count, long* moved) {
  if (!IsI4(self, unit, "Unit") || !IsI4(self, count, "Count")) return E_INVALIDARG;
  if (unit->lVal != 1) return Unexpected(self, "a unit other than characters");
  long& edge = moveStart ? start : end;
  const long from = edge;
  edge = Clamp(text, edge + count->lVal);
  if (start > end) (moveStart ? end : start) = edge;
  if (moved) *moved = edge - from;
  return S_OK;
}

// ---- Document ----

HRESULT STDMETHODCALLTYPE DocumentWindows(FakeObject* self, void** out) {
  if (HRESULT hr = Enter(self, "Document.Windows.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  return HandOut(NewObject(self->state, Kind::Windows, self->document, -1, false), out);
}

HRESULT STDMETHODCALLTYPE DocumentRange(FakeObject* self, VARIANT* start, VARIANT* end,
                                        void** out) {
  if (HRESULT hr = Enter(self, "Document.Range"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  if (!IsI4(self, start, "Start") || !IsI4(self, end, "End")) return E_INVALIDARG;
  const std::wstring& text = DocOf(self).text;
  FakeObject* range = NewObject(self->state, Kind::Range, self->document, -1, false);
  range->start = Clamp(text, start->lVal);
  range->end = std::max(range->start, Clamp(text, end->lVal));
  return HandOut(range, out);
}

// ---- Windows ----

std::vector<int> WindowsOf(FakeWordState* state, int document) {
  std::vector<int> result;
  for (size_t i = 0; i < state->windows.size(); ++i)
    if (state->windows[i].document == document) result.push_back(static_cast<int>(i));
  return result;
}

HRESULT STDMETHODCALLTYPE WindowsCount(FakeObject* self, long* count) {
  if (HRESULT hr = Enter(self, "Windows.Count.get"); FAILED(hr)) return hr;
  if (!count) return E_POINTER;
  *count = static_cast<long>(WindowsOf(self->state, self->document).size());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WindowsItem(FakeObject* self, VARIANT* index, void** out) {
  if (HRESULT hr = Enter(self, "Windows.Item"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  if (!IsI4(self, index, "Index")) return E_INVALIDARG;
  const std::vector<int> windows = WindowsOf(self->state, self->document);
  if (index->lVal < 1 || index->lVal > static_cast<long>(windows.size())) return E_INVALIDARG;
  FakeObject* window = self->state->windows[windows[index->lVal - 1]].object;
  ++window->refs;
  return HandOut(window, out);
}

// ---- Window ----

HRESULT STDMETHODCALLTYPE WindowDocument(FakeObject* self, void** out) {
  if (HRESULT hr = Enter(self, "Window.Document.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  FakeObject* document = self->state->documents[WinOf(self).document].object;
  ++document->refs;
  return HandOut(document, out);
}

HRESULT STDMETHODCALLTYPE WindowSelection(FakeObject* self, void** out) {
  if (HRESULT hr = Enter(self, "Window.Selection.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  return HandOut(NewObject(self->state, Kind::Selection, WinOf(self).document, self->window, false),
                 out);
}

HRESULT STDMETHODCALLTYPE WindowCaptionGet(FakeObject* self, BSTR* out) {
  if (HRESULT hr = Enter(self, "Window.Caption.get"); FAILED(hr)) return hr;
  const std::wstring& caption = WinOf(self).caption;
  return TextOut(caption, 0, static_cast<long>(caption.size()), out);
}

HRESULT STDMETHODCALLTYPE WindowCaptionPut(FakeObject* self, BSTR caption) {
  if (HRESULT hr = Enter(self, "Window.Caption.put"); FAILED(hr)) return hr;
  WindowModel& window = WinOf(self);
  window.caption.assign(caption ? caption : L"", SysStringLen(caption));
  // Word shows the caption in the window's frame at once.
  SetWindowTextW(window.frame, window.caption.c_str());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WindowActive(FakeObject* self, VARIANT_BOOL* active) {
  if (HRESULT hr = Enter(self, "Window.Active.get"); FAILED(hr)) return hr;
  if (!active) return E_POINTER;
  *active = WinOf(self).active ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

bool IsRange(FakeObject* self, IDispatch* object);

HRESULT STDMETHODCALLTYPE WindowScrollIntoView(FakeObject* self, IDispatch* object,
                                               VARIANT* start) {
  if (HRESULT hr = Enter(self, "Window.ScrollIntoView"); FAILED(hr)) return hr;
  if (!IsRange(self, object)) return E_INVALIDARG;
  if (!start || start->vt != VT_BOOL || start->boolVal != VARIANT_TRUE)
    return Unexpected(self, "ScrollIntoView without Start = True");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE WindowGetPoint(FakeObject* self, long* left, long* top, long* width,
                                         long* height, IDispatch* object) {
  if (HRESULT hr = Enter(self, "Window.GetPoint"); FAILED(hr)) return hr;
  if (!left || !top || !width || !height) return E_POINTER;
  if (!IsRange(self, object)) return E_INVALIDARG;
  *left = WinOf(self).position.x;
  *top = WinOf(self).position.y;
  *width = 40;
  *height = 16;
  return S_OK;
}

// ---- Selection ----

HRESULT STDMETHODCALLTYPE SelectionTextGet(FakeObject* self, BSTR* out) {
  if (HRESULT hr = Enter(self, "Selection.Text.get"); FAILED(hr)) return hr;
  const WindowModel& window = WinOf(self);
  return TextOut(DocOf(self).text, window.selStart, window.selEnd, out);
}

HRESULT STDMETHODCALLTYPE SelectionTextPut(FakeObject* self, BSTR text) {
  if (HRESULT hr = Enter(self, "Selection.Text.put"); FAILED(hr)) return hr;
  WindowModel& window = WinOf(self);
  const UINT length = SysStringLen(text);
  DocOf(self).text.replace(window.selStart, window.selEnd - window.selStart, text ? text : L"",
                           length);
  window.selEnd = window.selStart + static_cast<long>(length);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SelectionStart(FakeObject* self, long* out) {
  if (HRESULT hr = Enter(self, "Selection.Start.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  *out = WinOf(self).selStart;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SelectionEnd(FakeObject* self, long* out) {
  if (HRESULT hr = Enter(self, "Selection.End.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  *out = WinOf(self).selEnd;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SelectionRange(FakeObject* self, void** out) {
  if (HRESULT hr = Enter(self, "Selection.Range.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  FakeObject* range = NewObject(self->state, Kind::Range, self->document, -1, false);
  range->start = WinOf(self).selStart;
  range->end = WinOf(self).selEnd;
  return HandOut(range, out);
}

HRESULT STDMETHODCALLTYPE SelectionMoveStart(FakeObject* self, VARIANT* unit, VARIANT* count,
                                             long* moved) {
  if (HRESULT hr = Enter(self, "Selection.MoveStart"); FAILED(hr)) return hr;
  WindowModel& window = WinOf(self);
  return Move(self, DocOf(self).text, window.selStart, window.selEnd, true, unit, count, moved);
}

HRESULT STDMETHODCALLTYPE SelectionMoveEnd(FakeObject* self, VARIANT* unit, VARIANT* count,
                                           long* moved) {
  if (HRESULT hr = Enter(self, "Selection.MoveEnd"); FAILED(hr)) return hr;
  WindowModel& window = WinOf(self);
  return Move(self, DocOf(self).text, window.selStart, window.selEnd, false, unit, count, moved);
}

// ---- Range ----

HRESULT STDMETHODCALLTYPE RangeTextGet(FakeObject* self, BSTR* out) {
  if (HRESULT hr = Enter(self, "Range.Text.get"); FAILED(hr)) return hr;
  return TextOut(DocOf(self).text, self->start, self->end, out);
}

HRESULT STDMETHODCALLTYPE RangeStart(FakeObject* self, long* out) {
  if (HRESULT hr = Enter(self, "Range.Start.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  *out = self->start;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RangeEnd(FakeObject* self, long* out) {
  if (HRESULT hr = Enter(self, "Range.End.get"); FAILED(hr)) return hr;
  if (!out) return E_POINTER;
  *out = self->end;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RangeMoveStart(FakeObject* self, VARIANT* unit, VARIANT* count,
                                         long* moved) {
  if (HRESULT hr = Enter(self, "Range.MoveStart"); FAILED(hr)) return hr;
  return Move(self, DocOf(self).text, self->start, self->end, true, unit, count, moved);
}

HRESULT STDMETHODCALLTYPE RangeMoveEnd(FakeObject* self, VARIANT* unit, VARIANT* count,
                                       long* moved) {
  if (HRESULT hr = Enter(self, "Range.MoveEnd"); FAILED(hr)) return hr;
  return Move(self, DocOf(self).text, self->start, self->end, false, unit, count, moved);
}

// ---- IDispatch: the same members by Word's dispatch identifiers ----

struct DispatchMember {
  Kind kind;
  const wchar_t* name;
  DISPID id;
};

const DispatchMember kDispatchMembers[] = {
    {Kind::Document, L"Windows", 34},  {Kind::Windows, L"Count", 2},
    {Kind::Windows, L"Item", 0},       {Kind::Window, L"Caption", 0},
    {Kind::Window, L"Active", 26},     {Kind::Window, L"Document", 2},
    {Kind::Window, L"Selection", 4},   {Kind::Selection, L"Text", 0},
    {Kind::Selection, L"Start", 3},    {Kind::Selection, L"End", 4},
    {Kind::Range, L"Text", 0},         {Kind::Range, L"Start", 3},
    {Kind::Range, L"End", 4},
};

HRESULT STDMETHODCALLTYPE GetIDsOfNames(FakeObject* self, REFIID, LPOLESTR* names, UINT count,
                                        LCID, DISPID* ids) {
  if (!names || !ids || count != 1) return E_INVALIDARG;
  for (const DispatchMember& member : kDispatchMembers) {
    if (member.kind == self->kind && lstrcmpiW(member.name, names[0]) == 0) {
      ids[0] = member.id;
      return S_OK;
    }
  }
  ids[0] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

// The results take the out value by address: it is read only after the call
// that fills it has run.
HRESULT ObjectResult(HRESULT hr, void** out, VARIANT* result) {
  if (FAILED(hr)) return hr;
  void* object = *out;
  if (!result) {
    Release(static_cast<FakeObject*>(object));
    return S_OK;
  }
  result->vt = VT_DISPATCH;
  result->pdispVal = static_cast<IDispatch*>(object);
  return S_OK;
}

HRESULT LongResult(HRESULT hr, const long* value, VARIANT* result) {
  if (SUCCEEDED(hr) && result) {
    result->vt = VT_I4;
    result->lVal = *value;
  }
  return hr;
}

HRESULT TextResult(HRESULT hr, BSTR* text, VARIANT* result) {
  if (SUCCEEDED(hr) && result) {
    result->vt = VT_BSTR;
    result->bstrVal = *text;
  } else {
    SysFreeString(*text);
  }
  return hr;
}

HRESULT InvokeGet(FakeObject* self, DISPID id, DISPPARAMS* params, VARIANT* result) {
  void* object = nullptr;
  long value = 0;
  BSTR text = nullptr;
  switch (self->kind) {
    case Kind::Document:
      if (id == 34) return ObjectResult(DocumentWindows(self, &object), &object, result);
      break;
    case Kind::Windows:
      if (id == 2) return LongResult(WindowsCount(self, &value), &value, result);
      if (id == 0 && params->cArgs == 1) {
        VARIANT index;
        VariantInit(&index);
        if (FAILED(VariantChangeType(&index, &params->rgvarg[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        return ObjectResult(WindowsItem(self, &index, &object), &object, result);
      }
      break;
    case Kind::Window:
      if (id == 0) return TextResult(WindowCaptionGet(self, &text), &text, result);
      if (id == 2) return ObjectResult(WindowDocument(self, &object), &object, result);
      if (id == 4) return ObjectResult(WindowSelection(self, &object), &object, result);
      if (id == 26) {
        VARIANT_BOOL active = VARIANT_FALSE;
        const HRESULT hr = WindowActive(self, &active);
        if (SUCCEEDED(hr) && result) {
          result->vt = VT_BOOL;
          result->boolVal = active;
        }
        return hr;
      }
      break;
    case Kind::Selection:
      if (id == 0) return TextResult(SelectionTextGet(self, &text), &text, result);
      if (id == 3) return LongResult(SelectionStart(self, &value), &value, result);
      if (id == 4) return LongResult(SelectionEnd(self, &value), &value, result);
      break;
    case Kind::Range:
      if (id == 0) return TextResult(RangeTextGet(self, &text), &text, result);
      if (id == 3) return LongResult(RangeStart(self, &value), &value, result);
      if (id == 4) return LongResult(RangeEnd(self, &value), &value, result);
      break;
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT InvokePut(FakeObject* self, DISPID id, DISPPARAMS* params) {
  if (params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
  if (self->kind == Kind::Window && id == 0) return WindowCaptionPut(self, params->rgvarg[0].bstrVal);
  if (self->kind == Kind::Selection && id == 0)
    return SelectionTextPut(self, params->rgvarg[0].bstrVal);
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT STDMETHODCALLTYPE Invoke(FakeObject* self, DISPID id, REFIID, LCID, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) {
  if (!params) return E_INVALIDARG;
  if (result) VariantInit(result);
  if (flags & DISPATCH_PROPERTYPUT) return InvokePut(self, id, params);
  if (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) return InvokeGet(self, id, params, result);
  return DISP_E_MEMBERNOTFOUND;
}

// ---- vtables ----

template <typename F>
void Serve(std::array<void*, kMaxSlots>& table, int slot, F function) {
  table[slot] = reinterpret_cast<void*>(function);
}

std::array<void*, kMaxSlots> BaseTable() {
  auto table = UnservedTable(std::make_integer_sequence<int, kMaxSlots>());
  Serve(table, 0, &QueryInterface);
  Serve(table, 1, &AddRef);
  Serve(table, 2, &Release);
  Serve(table, 3, &GetTypeInfoCount);
  Serve(table, 4, &GetTypeInfo);
  Serve(table, 5, &GetIDsOfNames);
  Serve(table, 6, &Invoke);
  return table;
}

const std::array<void*, kMaxSlots>& TableOf(Kind kind) {
  using namespace wordslot;
  static const auto document = [] {
    auto t = BaseTable();
    Serve(t, kDocumentWindows, &DocumentWindows);
    Serve(t, kDocumentRange, &DocumentRange);
    return t;
  }();
  static const auto windows = [] {
    auto t = BaseTable();
    Serve(t, kWindowsCount, &WindowsCount);
    Serve(t, kWindowsItem, &WindowsItem);
    return t;
  }();
  static const auto window = [] {
    auto t = BaseTable();
    Serve(t, kWindowDocument, &WindowDocument);
    Serve(t, kWindowSelection, &WindowSelection);
    Serve(t, kWindowCaptionGet, &WindowCaptionGet);
    Serve(t, kWindowCaptionPut, &WindowCaptionPut);
    Serve(t, kWindowActive, &WindowActive);
    Serve(t, kWindowScrollIntoView, &WindowScrollIntoView);
    Serve(t, kWindowGetPoint, &WindowGetPoint);
    return t;
  }();
  static const auto selection = [] {
    auto t = BaseTable();
    Serve(t, kSelectionTextGet, &SelectionTextGet);
    Serve(t, kSelectionTextPut, &SelectionTextPut);
    Serve(t, kSelectionStart, &SelectionStart);
    Serve(t, kSelectionEnd, &SelectionEnd);
    Serve(t, kSelectionRange, &SelectionRange);
    Serve(t, kSelectionMoveStart, &SelectionMoveStart);
    Serve(t, kSelectionMoveEnd, &SelectionMoveEnd);
    return t;
  }();
  static const auto range = [] {
    auto t = BaseTable();
    Serve(t, kRangeTextGet, &RangeTextGet);
    Serve(t, kRangeStart, &RangeStart);
    Serve(t, kRangeEnd, &RangeEnd);
    Serve(t, kRangeMoveStart, &RangeMoveStart);
    Serve(t, kRangeMoveEnd, &RangeMoveEnd);
    return t;
  }();
  switch (kind) {
    case Kind::Document: return document;
    case Kind::Windows: return windows;
    case Kind::Window: return window;
    case Kind::Selection: return selection;
    case Kind::Range: break;
  }
  return range;
}

bool IsRange(FakeObject* self, IDispatch* object) {
  const auto* fake = reinterpret_cast<const FakeObject*>(object);
  if (fake && fake->vtbl == TableOf(Kind::Range).data()) return true;
  Unexpected(self, "an object that is not one of Word's ranges");
  return false;
}

FakeObject* NewObject(FakeWordState* state, Kind kind, int document, int window, bool persistent) {
  auto* object = new FakeObject{TableOf(kind).data(), state, kind, 1, persistent, document, window,
                                0, 0};
  if (!persistent) ++state->liveTransient;
  return object;
}

// ---- frames ----

constexpr wchar_t kFrameClass[] = L"KstFakeWordFrame";
constexpr wchar_t kEditorClass[] = L"_WwG";

// Registered for every fake (a second registration fails harmlessly), since
// a test may have unregistered the editor class in between.
void RegisterClasses() {
  WNDCLASSW frame = {};
  frame.lpfnWndProc = DefWindowProcW;
  frame.hInstance = GetModuleHandleW(nullptr);
  frame.lpszClassName = kFrameClass;
  RegisterClassW(&frame);
  WNDCLASSW editor = frame;
  editor.lpszClassName = kEditorClass;
  RegisterClassW(&editor);
}

}  // namespace

FakeWord::FakeWord() : state_(std::make_unique<FakeWordState>()) {
  RegisterClasses();
}

FakeWord::~FakeWord() {
  Revoke();
  for (WindowModel& window : state_->windows) {
    DestroyWindow(window.frame);
    delete window.object;
  }
  for (DocumentModel& document : state_->documents) delete document.object;
}

int FakeWord::AddDocument(const std::wstring& text) {
  DocumentModel document;
  document.text = text;
  const int index = static_cast<int>(state_->documents.size());
  document.object = NewObject(state_.get(), Kind::Document, index, -1, true);
  state_->documents.push_back(std::move(document));
  return index;
}

int FakeWord::AddWindow(int document, const std::wstring& caption, bool active, long selStart,
                        long selEnd, POINT position) {
  WindowModel window;
  window.document = document;
  window.caption = caption;
  window.active = active;
  window.selStart = selStart;
  window.selEnd = selEnd;
  window.position = position;
  window.frame = CreateWindowExW(0, kFrameClass, caption.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  window.editor = CreateWindowExW(0, kEditorClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200,
                                  window.frame, nullptr, GetModuleHandleW(nullptr), nullptr);
  const int index = static_cast<int>(state_->windows.size());
  window.object = NewObject(state_.get(), Kind::Window, document, index, true);
  state_->windows.push_back(std::move(window));
  return index;
}

bool FakeWord::Register() {
  if (!state_->table && FAILED(GetRunningObjectTable(0, &state_->table))) return false;
  for (size_t i = 0; i < state_->documents.size(); ++i) {
    DocumentModel& document = state_->documents[i];
    if (document.cookie) continue;
    const std::wstring path = L"C:\\KstFakeWord\\Document" + std::to_wstring(GetCurrentProcessId()) +
                              L"_" + std::to_wstring(i) + L".docx";
    if (FAILED(CreateFileMoniker(path.c_str(), &document.moniker))) return false;
    if (FAILED(state_->table->Register(0, reinterpret_cast<IUnknown*>(document.object),
                                       document.moniker, &document.cookie)))
      return false;
  }
  return true;
}

void FakeWord::Revoke() {
  for (DocumentModel& document : state_->documents) {
    if (document.cookie && state_->table) state_->table->Revoke(document.cookie);
    document.cookie = 0;
    if (document.moniker) document.moniker->Release();
    document.moniker = nullptr;
  }
  if (state_->table) state_->table->Release();
  state_->table = nullptr;
}

void FakeWord::Fail(const std::string& member, int nth) { state_->failing[member] = nth; }

int FakeWord::Calls(const std::string& member) const {
  auto found = state_->calls.find(member);
  return found == state_->calls.end() ? 0 : found->second;
}

void FakeWord::Mark() {
  state_->marks.clear();
  for (const DocumentModel& document : state_->documents)
    state_->marks[document.object] = document.object->refs;
  for (const WindowModel& window : state_->windows)
    state_->marks[window.object] = window.object->refs;
}

std::string FakeWord::Leaks() const {
  std::ostringstream leaks;
  for (const auto& [object, refs] : state_->marks) {
    if (object->refs != refs)
      leaks << KindName(object->kind) << " holds " << object->refs << " references, not " << refs
            << "; ";
  }
  if (state_->liveTransient != 0) leaks << state_->liveTransient << " objects not released";
  return leaks.str();
}

std::vector<std::string> FakeWord::Unexpected() const { return state_->unexpected; }

HWND FakeWord::Frame(int window) const { return state_->windows[window].frame; }
HWND FakeWord::Editor(int window) const { return state_->windows[window].editor; }

void FakeWord::SetFrameTitle(int window, const std::wstring& title) {
  SetWindowTextW(state_->windows[window].frame, title.c_str());
}

std::wstring FakeWord::FrameTitle(int window) const {
  wchar_t title[1024] = {};
  GetWindowTextW(state_->windows[window].frame, title, 1024);
  return title;
}

std::wstring FakeWord::Caption(int window) const { return state_->windows[window].caption; }
std::wstring FakeWord::Text(int document) const { return state_->documents[document].text; }
long FakeWord::SelStart(int window) const { return state_->windows[window].selStart; }
long FakeWord::SelEnd(int window) const { return state_->windows[window].selEnd; }

void FakeWord::Select(int window, long start, long end) {
  state_->windows[window].selStart = start;
  state_->windows[window].selEnd = end;
}

}  // namespace kst::test
