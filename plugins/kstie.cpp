#include "kstie.h"

#include <wrl/client.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "kstconvert.h"
#include "kstiei.h"
#include "kstplugin.h"
#include "kstres.h"

namespace kst::ie {
namespace {

using Microsoft::WRL::ComPtr;

constexpr char kPluginName[] = "Internet Explorer plugin";
constexpr char kGetObjectMessage[] = "WM_HTML_GETOBJECT";
constexpr char kOleAccLibrary[] = "oleacc.dll";
constexpr char kObjectFromLresult[] = "ObjectFromLresult";
constexpr wchar_t kCharacterUnit[] = L"character";

// A document and the text range the plugin works on; the range is empty
// when the document offers none.
struct THtmlRange {
  ComPtr<IHTMLDocument2> Document;
  ComPtr<IHTMLTxtRange> Range;
};

// A call that succeeded but handed out no interface is as bad as a failure.
// Type names are compared upper-cased in the ANSI code page. Names are short;
// the limit only keeps a hostile one from costing much.
std::string UpperTypeName(BSTR name) {
  std::string upper = BstrToAnsi(name, 64);
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

bool SameText(BSTR a, BSTR b) {
  const UINT length = SysStringLen(a);
  return length == SysStringLen(b) && (length == 0 || std::wmemcmp(a, b, length) == 0);
}

unique_bstr RangeText(IHTMLTxtRange* range) {
  unique_bstr text;
  OleCheck(range->get_text(text.put()));
  return text;
}

// The document behind the window, or none. The accessibility library is
// loaded for this lookup only, without the system's error box.
ComPtr<IHTMLDocument2> GetHtmlDocument(HWND window) {
  ComPtr<IHTMLDocument2> document;
  // A registered message keeps its number for the whole session.
  static const UINT message = RegisterWindowMessageA(kGetObjectMessage);
  const LRESULT lresult = SendMessageA(window, message, 0, 0);
  if (lresult == 0) return document;
  const UINT previousMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  unique_hmodule library(LoadLibraryA(kOleAccLibrary));
  SetErrorMode(previousMode);
  if (!library) return document;
  const auto entry = reinterpret_cast<LPFNOBJECTFROMLRESULT>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), kObjectFromLresult)));
  if (entry) entry(lresult, kIID_IHTMLDocument2, 0, reinterpret_cast<void**>(document.GetAddressOf()));
  return document;
}

// Text edits the plugin serves: input fields of type text or file, text
// areas and the page body.
bool IsServedElement(IHTMLElement* element) {
  ComPtr<IHTMLInputElement> input;
  element->QueryInterface(kIID_IHTMLInputElement, reinterpret_cast<void**>(input.GetAddressOf()));
  if (input) {
    unique_bstr type;
    OleCheck(input->get_type(type.put()));
    const std::string name = UpperTypeName(type.get());
    if (name == "TEXT" || name == "FILE") return true;
  }
  ComPtr<IUnknown> other;
  element->QueryInterface(kIID_IHTMLTextAreaElement, reinterpret_cast<void**>(other.GetAddressOf()));
  if (other) return true;
  element->QueryInterface(kIID_IHTMLBodyElement, reinterpret_cast<void**>(other.ReleaseAndGetAddressOf()));
  return other != nullptr;
}

// The document and the text range of its selection; no range when the
// selection holds a control rather than text.
THtmlRange GetHtmlSelectionRange(HWND window) {
  THtmlRange work;
  work.Document = GetHtmlDocument(window);
  if (!work.Document) return work;
  ComPtr<IHTMLSelectionObject> selection;
  OleCheck(work.Document->get_selection(selection.GetAddressOf()));
  if (!selection) return work;
  unique_bstr type;
  OleCheck(selection->get_type(type.put()));
  if (UpperTypeName(type.get()) == "CONTROL") return work;
  ComPtr<IDispatch> object;
  OleCheck(selection->createRange(object.GetAddressOf()));
  if (object) object->QueryInterface(kIID_IHTMLTxtRange, reinterpret_cast<void**>(work.Range.GetAddressOf()));
  return work;
}

// Moves the start of a range back (forwards == false) or its end on by one
// character.
void MoveOneCharacter(IHTMLTxtRange* range, bool forwards, BSTR unit) {
  long count = 0;
  OleCheck(forwards ? range->moveEnd(unit, 1, &count) : range->moveStart(unit, -1, &count));
}

// Widens one end of the range a character at a time for as long as the
// probe, which always steps first, still changes and holds no blank.
void GrowRangeEnd(IHTMLTxtRange* range, IHTMLTxtRange* probe, bool forwards) {
  const unique_bstr unit = MakeBstr(kCharacterUnit, std::wcslen(kCharacterUnit));
  unique_bstr previous = RangeText(probe);
  for (;;) {
    MoveOneCharacter(probe, forwards, unit.get());
    unique_bstr current = RangeText(probe);
    if (SameText(current.get(), previous.get())) return;
    if (!IsNonBlankBstr(current.get())) return;
    MoveOneCharacter(range, forwards, unit.get());
    previous = std::move(current);
  }
}

// As GetHtmlSelectionRange, but an empty range is first grown to the run of
// non-blank characters around the caret. A selection with text stays as it is.
THtmlRange GetHtmlWorkRange(HWND window) {
  THtmlRange work = GetHtmlSelectionRange(window);
  if (!work.Range || SysStringLen(RangeText(work.Range.Get()).get()) != 0) return work;
  ComPtr<IHTMLTxtRange> probe;
  OleCheck(work.Range->duplicate(probe.GetAddressOf()));
  if (!probe) return work;
  GrowRangeEnd(work.Range.Get(), probe.Get(), false);
  OleCheck(work.Range->duplicate(probe.ReleaseAndGetAddressOf()));
  GrowRangeEnd(work.Range.Get(), Required(probe), true);
  return work;
}

// Makes the range the document's selection, scrolled into view.
void ShowRange(IHTMLTxtRange* range) {
  OleCheck(range->scrollIntoView(VARIANT_TRUE));
  OleCheck(range->select());
}

// The caret's screen point just below the caption; left as it is when the
// document has no display services or no caret.
void ReadCaretPoint(HWND window, IHTMLDocument2* document, POINT& point) {
  ComPtr<IDisplayServices> display;
  if (FAILED(document->QueryInterface(kIID_IDisplayServices, reinterpret_cast<void**>(display.GetAddressOf()))))
    return;
  ComPtr<IHTMLCaret> caret;
  if (FAILED(Required(display)->GetCaret(caret.GetAddressOf()))) return;
  Required(caret)->GetLocation(&point, TRUE);
  ClientToScreen(window, &point);
  AddCaptionHeight(point);
}

}  // namespace

void WINAPI GetInfo(char* buffer) noexcept { lstrcpyA(buffer, kPluginName); }

int WINAPI CanHandle(HWND window) noexcept {
  return PluginBoundary([&](int& result) {
    const ComPtr<IHTMLDocument2> document = GetHtmlDocument(window);
    if (!document) return;
    ComPtr<IHTMLElement> element;
    OleCheck(document->get_activeElement(element.GetAddressOf()));
    if (!element) return;
    VARIANT_BOOL textEdit = VARIANT_FALSE;
    OleCheck(element->get_isTextEdit(&textEdit));
    if (textEdit == VARIANT_FALSE) return;
    result = IsServedElement(element.Get()) ? 1 : 0;
  });
}

int WINAPI GetText(HWND window, char* buffer, POINT* point) noexcept {
  return PluginBoundary([&](int& result) {
    lstrcpyA(buffer, "");
    *point = {-2, -2};
    const THtmlRange work = GetHtmlWorkRange(window);
    if (!work.Range) return;
    DeliverText(RangeText(work.Range.Get()).get(), buffer);
    ShowRange(work.Range.Get());
    *point = {-1, -1};
    ReadCaretPoint(window, work.Document.Get(), *point);
    result = 1;
  });
}

int WINAPI SetText(HWND window, const char* text) noexcept {
  return PluginBoundary([&](int& result) {
    const THtmlRange work = GetHtmlWorkRange(window);
    if (!work.Range) return;
    const unique_bstr wide = AnsiToBstr(text);
    OleCheck(work.Range->put_text(wide.get()));
    ShowRange(work.Range.Get());
    result = 1;
  });
}

}  // namespace kst::ie
