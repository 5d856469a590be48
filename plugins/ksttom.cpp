#include "ksttom.h"

#include <wrl/client.h>

#include <string>

#include "kstconvert.h"
#include "kstplugin.h"
#include "kstres.h"
#include "ksttomi.h"

using Microsoft::WRL::ComPtr;

namespace kst::tom {
namespace {

long StartOf(ITextRange* range) {
  long start = 0;
  OleCheck(range->GetStart(&start));
  return start;
}

long EndOf(ITextRange* range) {
  long end = 0;
  OleCheck(range->GetEnd(&end));
  return end;
}

unique_bstr TextOf(ITextRange* range) {
  unique_bstr text;
  OleCheck(range->GetText(text.put()));
  return text;
}

ComPtr<ITextRange> RangeOf(ITextDocument* document, long start, long end) {
  ComPtr<ITextRange> range;
  OleCheck(document->Range(start, end, &range));
  Required(range);
  return range;
}

ComPtr<ITextRange> Expanded(ComPtr<ITextRange> range, long unit) {
  long delta = 0;
  OleCheck(Required(range)->Expand(unit, &delta));
  return range;
}

ComPtr<ITextDocument> GetTomDocument(HWND window) noexcept {
  ComPtr<ITextDocument> document;
  try {
    ComPtr<IRichEditOle> ole;
    // Neither the answer nor the HRESULT says more than the pointer left.
    SendMessageA(window, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(ole.GetAddressOf()));
    if (ole) ole->QueryInterface(IID_PPV_ARGS(&document));
  } catch (...) {
  }
  return document;
}

// Grows an empty selection to the run of non-blank characters around the
// caret, never past the caret's line. Every accepted step moves the
// window's selection, so the user sees what is taken.
void GrowSelection(ITextDocument* document, ITextSelection* selection) {
  const long caret = StartOf(selection);
  ComPtr<ITextRange> line = Expanded(RangeOf(document, caret, EndOf(selection)), tomLine);
  const long lineStart = StartOf(line.Get());
  const long lineEnd = EndOf(line.Get());
  // A control that does not move its selection must not keep us looping.
  for (long start = StartOf(selection); start > lineStart;) {
    if (!IsNonBlankBstr(TextOf(RangeOf(document, start - 1, EndOf(selection)).Get()).get())) break;
    OleCheck(selection->SetStart(start - 1));
    const long moved = StartOf(selection);
    if (moved >= start) break;
    start = moved;
  }
  for (long end = EndOf(selection); end < lineEnd;) {
    if (!IsNonBlankBstr(TextOf(RangeOf(document, StartOf(selection), end + 1).Get()).get())) break;
    OleCheck(selection->SetEnd(end + 1));
    const long moved = EndOf(selection);
    if (moved <= end) break;
    end = moved;
  }
}

// The document's selection, grown first when it is empty; none when there
// is no document or selection, or when a call fails on the way.
ComPtr<ITextSelection> GetTomSelection(HWND window) noexcept {
  try {
    ComPtr<ITextDocument> document = GetTomDocument(window);
    if (!document) return nullptr;
    ComPtr<ITextSelection> selection;
    OleCheck(document->GetSelection(&selection));
    if (!selection) return nullptr;
    if (StartOf(selection.Get()) == EndOf(selection.Get())) GrowSelection(document.Get(), selection.Get());
    return selection;
  } catch (...) {
    return nullptr;
  }
}

ComPtr<ITextSelection> SelectionOf(ITextDocument* document) {
  ComPtr<ITextSelection> selection;
  OleCheck(document->GetSelection(&selection));
  Required(selection);
  return selection;
}

// The text visible in the window.
ComPtr<ITextRange> VisibleRange(ITextDocument* document) {
  ComPtr<ITextRange> visible;
  OleCheck(document->RangeFromPoint(0, 0, &visible));
  return Expanded(visible, tomWindow);
}

// Scrolls the start of the selection into view. The caller goes on
// whatever happens here.
void ScrollTomSelectionIntoView(HWND window) noexcept {
  try {
    ComPtr<ITextDocument> document = GetTomDocument(window);
    Required(document);
    if (StartOf(SelectionOf(document.Get()).Get()) > EndOf(VisibleRange(document.Get()).Get()))
      OleCheck(SelectionOf(document.Get())->ScrollIntoView(tomEnd));
    if (StartOf(SelectionOf(document.Get()).Get()) < StartOf(VisibleRange(document.Get()).Get()))
      OleCheck(SelectionOf(document.Get())->ScrollIntoView(tomStart));
  } catch (...) {
  }
}

}  // namespace

void WINAPI GetInfo(char* buffer) { lstrcpyA(buffer, "Text Object Model plugin"); }

int WINAPI CanHandle(HWND window) {
  return PluginBoundary([&](int& result) {
    if (!GetTomDocument(window)) return;
    result = (GetWindowLongA(window, GWL_STYLE) & ES_PASSWORD) ? 0 : 1;
  });
}

int WINAPI GetText(HWND window, char* buffer, POINT* point) {
  lstrcpyA(buffer, "");
  point->x = -2;
  point->y = -2;
  return PluginBoundary([&](int& result) {
    ComPtr<ITextSelection> selection = GetTomSelection(window);
    if (!selection) return;
    DeliverText(TextOf(selection.Get()).get(), buffer);
    ScrollTomSelectionIntoView(window);
    *point = {-1, -1};
    long x = 0, y = 0;
    OleCheck(selection->GetPoint(tomStart, &x, &y));
    *point = {x, y};
    AddCaptionHeight(*point);
    result = 1;
  });
}

int WINAPI SetText(HWND window, const char* text) {
  return PluginBoundary([&](int& result) {
    ComPtr<ITextSelection> selection = GetTomSelection(window);
    if (!selection) return;
    OleCheck(selection->SetText(AnsiToBstr(text).get()));
    ScrollTomSelectionIntoView(window);
    // The new text stays selected, from its start to the end it now has.
    const long end = EndOf(selection.Get());
    OleCheck(selection->Collapse(tomStart));
    OleCheck(selection->SetEnd(end));
    result = 1;
  });
}

}  // namespace kst::tom
