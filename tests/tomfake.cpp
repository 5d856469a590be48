#include "tomfake.h"

#include <algorithm>
#include <cstdio>

#include "ksttomi.h"

namespace kst::test {

// Every fake object: a reference count and its model. Objects stay allocated
// until the model goes, so a release too many is counted, not a crash.
struct TomModel::Object {
  explicit Object(TomModel& model) : model_(model) {}
  virtual ~Object() = default;
  ULONG AddRefObject() { return static_cast<ULONG>(++refs_); }
  ULONG ReleaseObject() {
    if (refs_ == 0) {
      ++model_.overReleases;
      return 0;
    }
    return static_cast<ULONG>(--refs_);
  }
  int refs_ = 1;
  TomModel& model_;
};

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

#define KST_UNEXPECTED(name, params) \
  HRESULT WINAPI name params override { return model_.Unexpected(#name); }
#define KST_UNEXPECTED_DISPATCH                                                         \
  KST_UNEXPECTED(GetTypeInfoCount, (UINT*))                                             \
  KST_UNEXPECTED(GetTypeInfo, (UINT, LCID, ITypeInfo**))                                \
  KST_UNEXPECTED(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))               \
  KST_UNEXPECTED(Invoke, (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
#define KST_REFCOUNT                                                  \
  ULONG WINAPI AddRef() override { return self_.AddRefObject(); }     \
  ULONG WINAPI Release() override { return self_.ReleaseObject(); }

// Unexpected calls are recorded by name with the object's prefix.
struct ModelRef {
  TomModel& model;
  const char* prefix;
  HRESULT Unexpected(const char* method) {
    model.unexpected.push_back(std::string(prefix) + "." + method);
    return E_NOTIMPL;
  }
};

template <typename T>
HRESULT HandOut(TomModel& model, const std::string& name, T* object, T** out) {
  if (name == model.nullCall && (model.failOn == 0 || model.CallCount(name) == model.failOn)) {
    object->Release();
    *out = nullptr;
  } else {
    *out = object;
  }
  return S_OK;
}

// QueryInterface for the interfaces an object has; asking for any other is
// a call the plugin has no business making.
template <typename I>
HRESULT AnswerQuery(bool known, I* self, ModelRef& ref, void** out) {
  if (!known) {
    *out = nullptr;
    ref.Unexpected("QueryInterface");
    return E_NOINTERFACE;
  }
  *out = self;
  self->AddRef();
  return S_OK;
}

class FakeRange final : public ITextSelection {
 public:
  FakeRange(TomModel& model, bool isSelection, long start, long end)
      : self_(*new TomModel::Object(model)), model_{model, isSelection ? "Selection" : "Range"},
        isSelection_(isSelection), start_(start), end_(end) {
    model.objects.emplace_back(&self_);
  }

  HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
    const bool known = riid == IID_IUnknown || riid == __uuidof(ITextRange) ||
                       (isSelection_ && riid == __uuidof(ITextSelection));
    return AnswerQuery(known, static_cast<ITextSelection*>(this), model_, out);
  }
  KST_REFCOUNT
  KST_UNEXPECTED_DISPATCH

  HRESULT WINAPI GetText(BSTR* text) override {
    *text = nullptr;
    if (HRESULT hr = Enter("GetText"); FAILED(hr)) return hr;
    const std::wstring part = model_.model.text.substr(Start(), End() - Start());
    *text = SysAllocStringLen(part.data(), static_cast<UINT>(part.size()));
    return S_OK;
  }
  HRESULT WINAPI SetText(BSTR text) override {
    const std::wstring with(text ? text : L"", SysStringLen(text));
    if (HRESULT hr = Enter("SetText", Narrow(with)); FAILED(hr)) return hr;
    const long start = Start();
    model_.model.Replace(start, End(), with);
    Set(start, start + static_cast<long>(with.size()));
    return S_OK;
  }
  HRESULT WINAPI GetStart(long* start) override {
    *start = 0;
    if (HRESULT hr = Enter("GetStart"); FAILED(hr)) return hr;
    *start = Start();
    return S_OK;
  }
  HRESULT WINAPI GetEnd(long* end) override {
    *end = 0;
    if (HRESULT hr = Enter("GetEnd"); FAILED(hr)) return hr;
    *end = End();
    return S_OK;
  }
  HRESULT WINAPI SetStart(long cp) override {
    if (HRESULT hr = Enter("SetStart", std::to_string(cp)); FAILED(hr)) return hr;
    cp = Clamp(cp);
    Set(cp, std::max(cp, End()));
    return S_OK;
  }
  HRESULT WINAPI SetEnd(long cp) override {
    if (HRESULT hr = Enter("SetEnd", std::to_string(cp)); FAILED(hr)) return hr;
    cp = Clamp(cp);
    Set(std::min(cp, Start()), cp);
    return S_OK;
  }
  HRESULT WINAPI Collapse(long start) override {
    if (HRESULT hr = Enter("Collapse", std::to_string(start)); FAILED(hr)) return hr;
    const long at = start ? Start() : End();
    Set(at, at);
    return S_OK;
  }
  HRESULT WINAPI Expand(long unit, long* delta) override {
    if (HRESULT hr = Enter("Expand", std::to_string(unit)); FAILED(hr)) return hr;
    const TomModel& m = model_.model;
    const long before = End() - Start();
    if (unit == tomLine) {
      Set(m.lineStarts[m.LineOf(Start())], m.LineEnd(m.LineOf(End())));
    } else if (unit == tomWindow) {
      Set(m.lineStarts[m.firstVisibleLine], m.LineEnd(m.firstVisibleLine + m.visibleLines - 1));
    } else {
      return model_.Unexpected("Expand(other unit)");
    }
    if (delta) *delta = End() - Start() - before;
    return S_OK;
  }
  HRESULT WINAPI GetPoint(long type, long* x, long* y) override {
    if (HRESULT hr = Enter("GetPoint", std::to_string(type)); FAILED(hr)) return hr;
    if (type != tomStart) return model_.Unexpected("GetPoint(other type)");
    const TomModel& m = model_.model;
    const long line = m.LineOf(Start());
    POINT origin = {0, 0};
    ClientToScreen(m.window, &origin);
    *x = origin.x + (Start() - m.lineStarts[line]) * TomModel::kCharWidth;
    *y = origin.y + (line - m.firstVisibleLine) * TomModel::kLineHeight;
    return S_OK;
  }
  HRESULT WINAPI ScrollIntoView(long value) override {
    if (HRESULT hr = Enter("ScrollIntoView", std::to_string(value)); FAILED(hr)) return hr;
    TomModel& m = model_.model;
    if (value == tomStart)
      m.firstVisibleLine = m.LineOf(Start());
    else if (value == tomEnd)
      m.firstVisibleLine = std::max(0L, m.LineOf(End()) - m.visibleLines + 1);
    else
      return model_.Unexpected("ScrollIntoView(other value)");
    return S_OK;
  }

  KST_UNEXPECTED(GetChar, (long*))
  KST_UNEXPECTED(SetChar, (long))
  KST_UNEXPECTED(GetDuplicate, (ITextRange**))
  KST_UNEXPECTED(GetFormattedText, (ITextRange**))
  KST_UNEXPECTED(SetFormattedText, (ITextRange*))
  KST_UNEXPECTED(GetFont, (ITextFont**))
  KST_UNEXPECTED(SetFont, (ITextFont*))
  KST_UNEXPECTED(GetPara, (ITextPara**))
  KST_UNEXPECTED(SetPara, (ITextPara*))
  KST_UNEXPECTED(GetStoryLength, (long*))
  KST_UNEXPECTED(GetStoryType, (long*))
  KST_UNEXPECTED(GetIndex, (long, long*))
  KST_UNEXPECTED(SetIndex, (long, long, long))
  KST_UNEXPECTED(SetRange, (long, long))
  KST_UNEXPECTED(InRange, (ITextRange*, long*))
  KST_UNEXPECTED(InStory, (ITextRange*, long*))
  KST_UNEXPECTED(IsEqual, (ITextRange*, long*))
  KST_UNEXPECTED(Select, ())
  KST_UNEXPECTED(StartOf, (long, long, long*))
  KST_UNEXPECTED(EndOf, (long, long, long*))
  KST_UNEXPECTED(Move, (long, long, long*))
  KST_UNEXPECTED(MoveStart, (long, long, long*))
  KST_UNEXPECTED(MoveEnd, (long, long, long*))
  KST_UNEXPECTED(MoveWhile, (VARIANT*, long, long*))
  KST_UNEXPECTED(MoveStartWhile, (VARIANT*, long, long*))
  KST_UNEXPECTED(MoveEndWhile, (VARIANT*, long, long*))
  KST_UNEXPECTED(MoveUntil, (VARIANT*, long, long*))
  KST_UNEXPECTED(MoveStartUntil, (VARIANT*, long, long*))
  KST_UNEXPECTED(MoveEndUntil, (VARIANT*, long, long*))
  KST_UNEXPECTED(FindText, (BSTR, long, long, long*))
  KST_UNEXPECTED(FindTextStart, (BSTR, long, long, long*))
  KST_UNEXPECTED(FindTextEnd, (BSTR, long, long, long*))
  KST_UNEXPECTED(Delete, (long, long, long*))
  KST_UNEXPECTED(Cut, (VARIANT*))
  KST_UNEXPECTED(Copy, (VARIANT*))
  KST_UNEXPECTED(Paste, (VARIANT*, long))
  KST_UNEXPECTED(CanPaste, (VARIANT*, long, long*))
  KST_UNEXPECTED(CanEdit, (long*))
  KST_UNEXPECTED(ChangeCase, (long))
  KST_UNEXPECTED(SetPoint, (long, long, long, long))
  KST_UNEXPECTED(GetEmbeddedObject, (IUnknown**))
  KST_UNEXPECTED(GetFlags, (long*))
  KST_UNEXPECTED(SetFlags, (LONG))
  KST_UNEXPECTED(GetType, (long*))
  KST_UNEXPECTED(MoveLeft, (long, long, long, long*))
  KST_UNEXPECTED(MoveRight, (long, long, long, long*))
  KST_UNEXPECTED(MoveUp, (long, long, long, long*))
  KST_UNEXPECTED(MoveDown, (long, long, long, long*))
  KST_UNEXPECTED(HomeKey, (long, long, long*))
  KST_UNEXPECTED(EndKey, (long, long, long*))
  KST_UNEXPECTED(TypeText, (BSTR))

 private:
  HRESULT Enter(const char* method, const std::string& args = "") {
    if (self_.refs_ == 0) model_.Unexpected((std::string(method) + " after release").c_str());
    return model_.model.Enter(std::string(model_.prefix) + "." + method, args);
  }
  long Start() const { return isSelection_ ? model_.model.selStart : start_; }
  long End() const { return isSelection_ ? model_.model.selEnd : end_; }
  long Clamp(long cp) const { return std::clamp(cp, 0L, model_.model.Length()); }
  void Set(long start, long end) {
    if (isSelection_ && model_.model.stuckSelection) return;
    (isSelection_ ? model_.model.selStart : start_) = start;
    (isSelection_ ? model_.model.selEnd : end_) = end;
  }

  TomModel::Object& self_;
  ModelRef model_;
  bool isSelection_;
  long start_, end_;
};

class FakeDocument final : public ITextDocument {
 public:
  explicit FakeDocument(TomModel& model) : self_(*new TomModel::Object(model)), model_{model, "Document"} {
    model.objects.emplace_back(&self_);
  }

  HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
    const bool known = riid == IID_IUnknown || riid == __uuidof(ITextDocument);
    return AnswerQuery(known, static_cast<ITextDocument*>(this), model_, out);
  }
  KST_REFCOUNT
  KST_UNEXPECTED_DISPATCH

  HRESULT WINAPI GetSelection(ITextSelection** selection) override {
    *selection = nullptr;
    if (HRESULT hr = Enter("GetSelection"); FAILED(hr)) return hr;
    return HandOut<ITextSelection>(model_.model, "Document.GetSelection",
                                   new FakeRange(model_.model, true, 0, 0), selection);
  }
  HRESULT WINAPI Range(long cp1, long cp2, ITextRange** range) override {
    *range = nullptr;
    if (HRESULT hr = Enter("Range", std::to_string(cp1) + "," + std::to_string(cp2)); FAILED(hr)) return hr;
    const long length = model_.model.Length();
    cp1 = std::clamp(cp1, 0L, length);
    cp2 = std::clamp(cp2, 0L, length);
    return HandOut<ITextRange>(model_.model, "Document.Range",
                               new FakeRange(model_.model, false, std::min(cp1, cp2), std::max(cp1, cp2)),
                               range);
  }
  HRESULT WINAPI RangeFromPoint(long x, long y, ITextRange** range) override {
    *range = nullptr;
    if (HRESULT hr = Enter("RangeFromPoint", std::to_string(x) + "," + std::to_string(y)); FAILED(hr))
      return hr;
    const long cp = model_.model.lineStarts[model_.model.firstVisibleLine];
    return HandOut<ITextRange>(model_.model, "Document.RangeFromPoint",
                               new FakeRange(model_.model, false, cp, cp), range);
  }

  KST_UNEXPECTED(GetName, (BSTR*))
  KST_UNEXPECTED(GetStoryCount, (long*))
  KST_UNEXPECTED(GetStoryRanges, (ITextStoryRanges**))
  KST_UNEXPECTED(GetSaved, (long*))
  KST_UNEXPECTED(SetSaved, (long))
  KST_UNEXPECTED(GetDefaultTabStop, (float*))
  KST_UNEXPECTED(SetDefaultTabStop, (float))
  KST_UNEXPECTED(New, ())
  KST_UNEXPECTED(Open, (VARIANT*, long, long))
  KST_UNEXPECTED(Save, (VARIANT*, long, long))
  KST_UNEXPECTED(Freeze, (long*))
  KST_UNEXPECTED(Unfreeze, (long*))
  KST_UNEXPECTED(BeginEditCollection, ())
  KST_UNEXPECTED(EndEditCollection, ())
  KST_UNEXPECTED(Undo, (long, long*))
  KST_UNEXPECTED(Redo, (long, long*))

 private:
  HRESULT Enter(const char* method, const std::string& args = "") {
    if (self_.refs_ == 0) model_.Unexpected((std::string(method) + " after release").c_str());
    return model_.model.Enter(std::string("Document.") + method, args);
  }
  TomModel::Object& self_;
  ModelRef model_;
};

class FakeOle final : public IRichEditOle {
 public:
  explicit FakeOle(TomModel& model) : self_(*new TomModel::Object(model)), model_{model, "Ole"} {
    model.objects.emplace_back(&self_);
  }

  HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
    *out = nullptr;
    if (riid != __uuidof(ITextDocument)) {
      model_.Unexpected("QueryInterface");
      return E_NOINTERFACE;
    }
    if (HRESULT hr = model_.model.Enter("Ole.QueryInterface"); FAILED(hr)) return hr;
    return HandOut<ITextDocument>(model_.model, "Ole.QueryInterface", new FakeDocument(model_.model),
                                  reinterpret_cast<ITextDocument**>(out));
  }
  KST_REFCOUNT

  KST_UNEXPECTED(GetClientSite, (LPOLECLIENTSITE*))
  LONG WINAPI GetObjectCount() override { return model_.Unexpected("GetObjectCount"), 0; }
  LONG WINAPI GetLinkCount() override { return model_.Unexpected("GetLinkCount"), 0; }
  KST_UNEXPECTED(GetObject, (LONG, REOBJECT*, DWORD))
  KST_UNEXPECTED(InsertObject, (REOBJECT*))
  KST_UNEXPECTED(ConvertObject, (LONG, REFCLSID, LPCSTR))
  KST_UNEXPECTED(ActivateAs, (REFCLSID, REFCLSID))
  KST_UNEXPECTED(SetHostNames, (LPCSTR, LPCSTR))
  KST_UNEXPECTED(SetLinkAvailable, (LONG, WINBOOL))
  KST_UNEXPECTED(SetDvaspect, (LONG, DWORD))
  KST_UNEXPECTED(HandsOffStorage, (LONG))
  KST_UNEXPECTED(SaveCompleted, (LONG, LPSTORAGE))
  KST_UNEXPECTED(InPlaceDeactivate, ())
  KST_UNEXPECTED(ContextSensitiveHelp, (WINBOOL))
  KST_UNEXPECTED(GetClipboardData, (CHARRANGE*, DWORD, LPDATAOBJECT*))
  KST_UNEXPECTED(ImportDataObject, (LPDATAOBJECT, CLIPFORMAT, HGLOBAL))

 private:
  TomModel::Object& self_;
  ModelRef model_;
};

LRESULT CALLBACK TomWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* model = reinterpret_cast<TomModel*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == EM_GETOLEINTERFACE && model) {
    model->calls.push_back("Window.EM_GETOLEINTERFACE");
    if (model->noOle) return 0;
    *reinterpret_cast<void**>(lParam) = model->NewOle();
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void* TomModel::NewOle() { return static_cast<IRichEditOle*>(new FakeOle(*this)); }

TomModel::~TomModel() = default;

HRESULT TomModel::Enter(const std::string& name, const std::string& args) {
  calls.push_back(name + "(" + args + ")");
  if (name != failCall) return S_OK;
  const int count = CallCount(name);
  return failOn == 0 || count == failOn ? failWith : S_OK;
}

int TomModel::CallCount(const std::string& name) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& call) {
    return call.compare(0, name.size() + 1, name + "(") == 0;
  }));
}

std::string TomModel::CallLog() const {
  std::string log;
  for (const auto& call : calls) log += call + "\n";
  return log;
}

int TomModel::LiveObjects() const {
  return static_cast<int>(std::count_if(objects.begin(), objects.end(),
                                        [](const auto& object) { return object->refs_ > 0; }));
}

long TomModel::LineOf(long cp) const {
  const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), cp);
  return static_cast<long>(after - lineStarts.begin()) - 1;
}

long TomModel::LineEnd(long line) const {
  return line + 1 < static_cast<long>(lineStarts.size()) ? lineStarts[line + 1] : Length();
}

void TomModel::Replace(long start, long end, const std::wstring& with) {
  text.replace(start, end - start, with);
  const long shift = static_cast<long>(with.size()) - (end - start);
  for (long& lineStart : lineStarts)
    if (lineStart > start) lineStart = std::max(start, lineStart + shift);
  if (selStart > start) selStart = std::max(start, selStart + shift);
  if (selEnd > start) selEnd = std::max(start, selEnd + shift);
}

std::unique_ptr<TomModel> TomModel::Parse(const std::string& description) {
  auto model = std::make_unique<TomModel>();
  for (char c : description) {
    const long here = model->Length();
    switch (c) {
      case '[': model->selStart = here; break;
      case ']': model->selEnd = here; break;
      case '|': model->lineStarts.push_back(here); break;
      case '/':
        model->text += L'\r';
        model->lineStarts.push_back(here + 1);
        break;
      default: model->text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
  }
  return model;
}

std::string TomModel::Describe() const {
  std::string out;
  for (long p = 0; p <= Length(); ++p) {
    const bool lineStart = std::binary_search(lineStarts.begin(), lineStarts.end(), p);
    if (p == selEnd && selStart < selEnd) out += ']';
    if (p > 0 && lineStart && text[p - 1] != L'\r') out += '|';
    if (p == selStart) out += '[';
    if (p == selEnd && selStart == selEnd) out += ']';
    if (p < Length()) out += text[p] == L'\r' ? '/' : static_cast<char>(text[p]);
  }
  return out;
}

HWND CreateTomWindow(TomModel& model, DWORD style) {
  static const ATOM atom = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = TomWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KstScriptedTom";
    return RegisterClassA(&windowClass);
  }();
  if (!atom) return nullptr;
  model.window = CreateWindowA("KstScriptedTom", "scripted document", style, 40, 60, 300, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), &model);
  return model.window;
}

}  // namespace kst::test
