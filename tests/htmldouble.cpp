// The document double is written against the C form of the interfaces: its
// vtables are filled slot by slot, and every slot the double does not
// implement records the call as unexpected.
#define CINTERFACE
#include "htmldouble.h"

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>
#include <initguid.h>  // the IIDs below come from the system's declarations
#include <mshtml.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "vtableslots.h"

namespace kst::test {
namespace {

THtmlPage g_page;
long g_references = 0;
int g_failSeen = 0;  // calls of the failing method so far

class TFakeObject;

// One interface of a fake object: the vtable pointer the caller sees, then
// what the double needs to find its way back.
struct TFakeInterface {
  const void* Vtbl;
  const char* Name;
  TFakeObject* Owner;
};

class TFakeObject {
 public:
  virtual ~TFakeObject() = default;
  // The interface for the IID, or null.
  virtual TFakeInterface* Find(REFIID iid) = 0;

  ULONG AddRef() {
    ++g_references;
    return static_cast<ULONG>(++refs_);
  }
  ULONG Release() {
    --g_references;
    const long left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    TFakeInterface* found = Find(iid);
    *out = found;
    if (!found) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }

 private:
  long refs_ = 0;
};

TFakeObject* OwnerOf(void* self) { return static_cast<TFakeInterface*>(self)->Owner; }

void Log(std::string call) { g_page.Calls.push_back(std::move(call)); }

// Logs the call and tells whether the failure switch is set on it.
bool Fails(const std::string& name, const std::string& arguments = "") {
  Log(name + "(" + arguments + ")");
  if (name != g_page.FailCall) return false;
  ++g_failSeen;
  return g_page.FailOccurrence == 0 || g_failSeen == g_page.FailOccurrence;
}

BSTR MakeBstr(const std::wstring& text) {
  return text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::string Narrow(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) result += c < 128 ? static_cast<char>(c) : '?';
  return result;
}

// --- the catch-all slots -------------------------------------------------

constexpr size_t kMaxSlots = 256;

template <size_t Slot>
HRESULT STDMETHODCALLTYPE UnexpectedCall(void* self) {
  const std::string call = std::string(static_cast<TFakeInterface*>(self)->Name) + "#" + std::to_string(Slot);
  g_page.Unexpected.push_back(call);
  EndUnservedCall(call);
  return E_NOTIMPL;
}

template <size_t... Slots>
constexpr std::array<void*, kMaxSlots> MakeCatchAll(std::index_sequence<Slots...>) {
  return {reinterpret_cast<void*>(&UnexpectedCall<Slots>)...};
}

const std::array<void*, kMaxSlots>& CatchAll() {
  static const std::array<void*, kMaxSlots> slots = MakeCatchAll(std::make_index_sequence<kMaxSlots>());
  return slots;
}

template <typename I>
HRESULT STDMETHODCALLTYPE FakeQueryInterface(I* self, REFIID iid, void** out) {
  return OwnerOf(self)->QueryInterface(iid, out);
}
template <typename I>
ULONG STDMETHODCALLTYPE FakeAddRef(I* self) {
  return OwnerOf(self)->AddRef();
}
template <typename I>
ULONG STDMETHODCALLTYPE FakeRelease(I* self) {
  return OwnerOf(self)->Release();
}

// A vtable with IUnknown, the given methods, and the catch-all elsewhere.
template <typename I, typename Vtbl, typename Fill>
Vtbl MakeVtbl(Fill fill) {
  static_assert(sizeof(Vtbl) / sizeof(void*) <= kMaxSlots);
  Vtbl table{};
  table.QueryInterface = &FakeQueryInterface<I>;
  table.AddRef = &FakeAddRef<I>;
  table.Release = &FakeRelease<I>;
  fill(table);
  void* slots[sizeof(Vtbl) / sizeof(void*)];
  std::memcpy(slots, &table, sizeof(table));
  for (size_t i = 0; i < std::size(slots); ++i)
    if (!slots[i]) slots[i] = CatchAll()[i];
  std::memcpy(&table, slots, sizeof(table));
  return table;
}

template <typename I, typename Vtbl>
const Vtbl* PlainVtbl() {
  static const Vtbl table = MakeVtbl<I, Vtbl>([](Vtbl&) {});
  return &table;
}

// --- text ranges -----------------------------------------------------------

long TextLength() { return static_cast<long>(g_page.Text.size()); }

class TFakeRange : public TFakeObject {
 public:
  TFakeRange(long start, long end, bool control) : start_(start), end_(end), control_(control) {}
  TFakeInterface* Find(REFIID iid) override {
    if (control_ && iid == IID_IHTMLTxtRange) return nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLTxtRange) return &range_;
    return nullptr;
  }
  static TFakeRange* Of(IHTMLTxtRange* self) { return static_cast<TFakeRange*>(OwnerOf(self)); }
  // Positions are kept inside the text even when another range changed it.
  void Clamp() {
    start_ = std::clamp(start_, 0L, TextLength());
    end_ = std::clamp(end_, start_, TextLength());
  }

  long start_, end_;

 private:
  static const IHTMLTxtRangeVtbl* Vtbl();
  bool control_;
  TFakeInterface range_ = {Vtbl(), "IHTMLTxtRange", this};
};

bool IsCharacterUnit(BSTR unit) {
  // The unit must be a real BSTR: its length prefix has to match.
  return unit && SysStringLen(unit) == std::wcslen(unit) && std::wcscmp(unit, L"character") == 0;
}

HRESULT STDMETHODCALLTYPE RangeGetText(IHTMLTxtRange* self, BSTR* text) {
  if (Fails("IHTMLTxtRange::get_text")) return E_FAIL;
  TFakeRange* range = TFakeRange::Of(self);
  range->Clamp();
  *text = MakeBstr(g_page.Text.substr(range->start_, range->end_ - range->start_));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RangePutText(IHTMLTxtRange* self, BSTR text) {
  const std::wstring value(text ? text : L"", SysStringLen(text));
  if (Fails("IHTMLTxtRange::put_text", Narrow(value))) return E_FAIL;
  TFakeRange* range = TFakeRange::Of(self);
  range->Clamp();
  g_page.Text.replace(range->start_, range->end_ - range->start_, value);
  // The range collapses behind the text it received.
  range->start_ = range->end_ = range->start_ + static_cast<long>(value.size());
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RangeDuplicate(IHTMLTxtRange* self, IHTMLTxtRange** copy) {
  if (Fails("IHTMLTxtRange::duplicate")) return E_FAIL;
  TFakeRange* range = TFakeRange::Of(self);
  auto* duplicate = new TFakeRange(range->start_, range->end_, false);
  return duplicate->QueryInterface(IID_IHTMLTxtRange, reinterpret_cast<void**>(copy));
}

// Moves one end by whole characters inside the text; the other end follows
// when they would cross, as a document's ranges do.
HRESULT MoveEnd(const char* name, IHTMLTxtRange* self, BSTR unit, LONG count, LONG* actual, bool start) {
  if (!IsCharacterUnit(unit)) {
    g_page.Unexpected.push_back(std::string(name) + " with another unit than \"character\"");
    return E_INVALIDARG;
  }
  if (Fails(name, std::to_string(count))) return E_FAIL;
  TFakeRange* range = TFakeRange::Of(self);
  range->Clamp();
  long& end = start ? range->start_ : range->end_;
  const long moved = std::clamp(end + count, 0L, TextLength());
  if (actual) *actual = moved - end;
  end = moved;
  if (range->start_ > range->end_) (start ? range->end_ : range->start_) = moved;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RangeMoveStart(IHTMLTxtRange* self, BSTR unit, LONG count, LONG* actual) {
  return MoveEnd("IHTMLTxtRange::moveStart", self, unit, count, actual, true);
}

HRESULT STDMETHODCALLTYPE RangeMoveEnd(IHTMLTxtRange* self, BSTR unit, LONG count, LONG* actual) {
  return MoveEnd("IHTMLTxtRange::moveEnd", self, unit, count, actual, false);
}

HRESULT STDMETHODCALLTYPE RangeScrollIntoView(IHTMLTxtRange*, VARIANT_BOOL start) {
  return Fails("IHTMLTxtRange::scrollIntoView", std::to_string(start)) ? E_FAIL : S_OK;
}

HRESULT STDMETHODCALLTYPE RangeSelect(IHTMLTxtRange* self) {
  if (Fails("IHTMLTxtRange::select")) return E_FAIL;
  TFakeRange* range = TFakeRange::Of(self);
  range->Clamp();
  g_page.SelStart = range->start_;
  g_page.SelEnd = range->end_;
  return S_OK;
}

const IHTMLTxtRangeVtbl* TFakeRange::Vtbl() {
  static const IHTMLTxtRangeVtbl table = MakeVtbl<IHTMLTxtRange, IHTMLTxtRangeVtbl>([](auto& t) {
    t.get_text = &RangeGetText;
    t.put_text = &RangePutText;
    t.duplicate = &RangeDuplicate;
    t.moveStart = &RangeMoveStart;
    t.moveEnd = &RangeMoveEnd;
    t.scrollIntoView = &RangeScrollIntoView;
    t.select = &RangeSelect;
  });
  return &table;
}

// --- the selection object ------------------------------------------------------

class TFakeSelection : public TFakeObject {
 public:
  TFakeInterface* Find(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLSelectionObject) return &selection_;
    return nullptr;
  }

 private:
  static const IHTMLSelectionObjectVtbl* Vtbl();
  TFakeInterface selection_ = {Vtbl(), "IHTMLSelectionObject", this};
};

HRESULT STDMETHODCALLTYPE SelectionGetType(IHTMLSelectionObject*, BSTR* type) {
  if (Fails("IHTMLSelectionObject::get_type")) return E_FAIL;
  *type = MakeBstr(g_page.SelectionType);
  return S_OK;
}

// A control selection gives a range of controls, which is no text range.
HRESULT STDMETHODCALLTYPE SelectionCreateRange(IHTMLSelectionObject*, IDispatch** range) {
  if (Fails("IHTMLSelectionObject::createRange")) return E_FAIL;
  const bool control = _wcsicmp(g_page.SelectionType.c_str(), L"Control") == 0;
  auto* created = new TFakeRange(g_page.SelStart, g_page.SelEnd, control);
  return created->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(range));
}

const IHTMLSelectionObjectVtbl* TFakeSelection::Vtbl() {
  static const IHTMLSelectionObjectVtbl table =
      MakeVtbl<IHTMLSelectionObject, IHTMLSelectionObjectVtbl>([](auto& t) {
        t.get_type = &SelectionGetType;
        t.createRange = &SelectionCreateRange;
      });
  return &table;
}

// --- the active element --------------------------------------------------------

class TFakeElement : public TFakeObject {
 public:
  TFakeInterface* Find(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLElement) return &element_;
    const THtmlActive kind = g_page.Active;
    if (iid == IID_IHTMLInputElement && kind == THtmlActive::Input) return &input_;
    if (iid == IID_IHTMLTextAreaElement && kind == THtmlActive::TextArea) return &textArea_;
    if (iid == IID_IHTMLBodyElement && kind == THtmlActive::Body) return &body_;
    return nullptr;
  }

 private:
  static const IHTMLElementVtbl* Vtbl();
  static const IHTMLInputElementVtbl* InputVtbl();
  TFakeInterface element_ = {Vtbl(), "IHTMLElement", this};
  TFakeInterface input_ = {InputVtbl(), "IHTMLInputElement", this};
  TFakeInterface textArea_ = {PlainVtbl<IHTMLTextAreaElement, IHTMLTextAreaElementVtbl>(),
                              "IHTMLTextAreaElement", this};
  TFakeInterface body_ = {PlainVtbl<IHTMLBodyElement, IHTMLBodyElementVtbl>(), "IHTMLBodyElement", this};
};

HRESULT STDMETHODCALLTYPE ElementGetIsTextEdit(IHTMLElement*, VARIANT_BOOL* textEdit) {
  if (Fails("IHTMLElement::get_isTextEdit")) return E_FAIL;
  *textEdit = g_page.TextEdit ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE InputGetType(IHTMLInputElement*, BSTR* type) {
  if (Fails("IHTMLInputElement::get_type")) return E_FAIL;
  *type = MakeBstr(g_page.InputType);
  return S_OK;
}

const IHTMLElementVtbl* TFakeElement::Vtbl() {
  static const IHTMLElementVtbl table =
      MakeVtbl<IHTMLElement, IHTMLElementVtbl>([](auto& t) { t.get_isTextEdit = &ElementGetIsTextEdit; });
  return &table;
}

const IHTMLInputElementVtbl* TFakeElement::InputVtbl() {
  static const IHTMLInputElementVtbl table =
      MakeVtbl<IHTMLInputElement, IHTMLInputElementVtbl>([](auto& t) { t.get_type = &InputGetType; });
  return &table;
}

// --- caret ----------------------------------------------------------------------

class TFakeCaret : public TFakeObject {
 public:
  TFakeInterface* Find(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IHTMLCaret) return &caret_;
    return nullptr;
  }

 private:
  static const IHTMLCaretVtbl* Vtbl();
  TFakeInterface caret_ = {Vtbl(), "IHTMLCaret", this};
};

HRESULT STDMETHODCALLTYPE CaretGetLocation(IHTMLCaret*, POINT* point, WINBOOL translate) {
  if (Fails("IHTMLCaret::GetLocation", std::to_string(translate))) return E_FAIL;
  *point = g_page.CaretPoint;
  return S_OK;
}

const IHTMLCaretVtbl* TFakeCaret::Vtbl() {
  static const IHTMLCaretVtbl table =
      MakeVtbl<IHTMLCaret, IHTMLCaretVtbl>([](auto& t) { t.GetLocation = &CaretGetLocation; });
  return &table;
}

// --- the document ----------------------------------------------------------------

class TFakeDocument : public TFakeObject {
 public:
  TFakeInterface* Find(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument ||
        iid == IID_IHTMLDocument2)
      return &document_;
    if (iid == IID_IDisplayServices && g_page.DisplayServices) return &display_;
    return nullptr;
  }
  IUnknown* Unknown() { return reinterpret_cast<IUnknown*>(&document_); }

 private:
  static const IHTMLDocument2Vtbl* Vtbl();
  static const IDisplayServicesVtbl* DisplayVtbl();
  TFakeInterface document_ = {Vtbl(), "IHTMLDocument2", this};
  TFakeInterface display_ = {DisplayVtbl(), "IDisplayServices", this};
};

HRESULT STDMETHODCALLTYPE DocumentGetActiveElement(IHTMLDocument2*, IHTMLElement** element) {
  if (Fails("IHTMLDocument2::get_activeElement")) return E_FAIL;
  *element = nullptr;
  if (g_page.Active == THtmlActive::None) return S_OK;
  auto* created = new TFakeElement;
  return created->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(element));
}

HRESULT STDMETHODCALLTYPE DocumentGetSelection(IHTMLDocument2*, IHTMLSelectionObject** selection) {
  if (Fails("IHTMLDocument2::get_selection")) return E_FAIL;
  *selection = nullptr;
  if (!g_page.HasSelectionObject) return S_OK;
  auto* created = new TFakeSelection;
  return created->QueryInterface(IID_IHTMLSelectionObject, reinterpret_cast<void**>(selection));
}

HRESULT STDMETHODCALLTYPE DisplayGetCaret(IDisplayServices*, IHTMLCaret** caret) {
  *caret = nullptr;
  if (Fails("IDisplayServices::GetCaret") || !g_page.Caret) return E_FAIL;
  if (g_page.NullCaret) return S_OK;
  auto* created = new TFakeCaret;
  return created->QueryInterface(IID_IHTMLCaret, reinterpret_cast<void**>(caret));
}

const IHTMLDocument2Vtbl* TFakeDocument::Vtbl() {
  static const IHTMLDocument2Vtbl table = MakeVtbl<IHTMLDocument2, IHTMLDocument2Vtbl>([](auto& t) {
    t.get_activeElement = &DocumentGetActiveElement;
    t.get_selection = &DocumentGetSelection;
  });
  return &table;
}

const IDisplayServicesVtbl* TFakeDocument::DisplayVtbl() {
  static const IDisplayServicesVtbl table =
      MakeVtbl<IDisplayServices, IDisplayServicesVtbl>([](auto& t) { t.GetCaret = &DisplayGetCaret; });
  return &table;
}

// --- the window ---------------------------------------------------------------------

constexpr char kWindowClass[] = "KstHtmlDocumentDouble";
TFakeDocument* g_document = nullptr;  // the window's own reference

LRESULT CALLBACK DoubleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT getObject = RegisterWindowMessageA("WM_HTML_GETOBJECT");
  if (message == getObject && getObject != 0) {
    Log("WM_HTML_GETOBJECT");
    switch (g_page.Answer) {
      case THtmlAnswer::Document:
        return g_document ? LresultFromObject(IID_IHTMLDocument2, wParam, g_document->Unknown()) : 0;
      case THtmlAnswer::Zero:
        return 0;
      case THtmlAnswer::Garbage:
        return 0x12345678;  // no object lives behind this
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

THtmlPage& HtmlPage() { return g_page; }

void ResetHtmlPage() {
  g_page = THtmlPage{};
  g_failSeen = 0;
}

HWND CreateHtmlDoubleWindow(int x, int y) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DoubleWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
  if (!g_document) {
    g_document = new TFakeDocument;
    g_document->AddRef();
  }
  return CreateWindowA(kWindowClass, "HTML document", WS_OVERLAPPEDWINDOW, x, y, 400, 300,
                       nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void DestroyHtmlDoubleWindow(HWND window) {
  DestroyWindow(window);
  if (g_document) std::exchange(g_document, nullptr)->Release();
}

long HtmlOutstandingReferences() { return g_references - (g_document ? 1 : 0); }

int CountCalls(const std::string& prefix) {
  return static_cast<int>(std::count_if(g_page.Calls.begin(), g_page.Calls.end(), [&](const std::string& call) {
    return call.compare(0, prefix.size(), prefix) == 0;
  }));
}

}  // namespace kst::test
