#include "kstword.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <string>

#include "kstconvert.h"
#include "kstplugin.h"
#include "kstres.h"

namespace kst::word {

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kDisplayName[] = "Microsoft Word plugin";
constexpr char kWindowClass[] = "_WwG";
constexpr char kCaptionMarker[] = "KSTWord120601";
constexpr wchar_t kCaptionMarkerW[] = L"KSTWord120601";
constexpr int kTitleSize = 260;

bool SameText(BSTR a, BSTR b) {
  const UINT length = SysStringLen(a);
  return length == SysStringLen(b) && std::wmemcmp(a, b, length) == 0;
}

bool SameText(BSTR caption, const wchar_t* title) {
  const size_t length = std::wcslen(title);
  return SysStringLen(caption) == length && std::wmemcmp(caption, title, length) == 0;
}

// The parent's title: its wide text, or its ANSI text converted when the wide
// read gives nothing. Longer titles are cut to 259 characters.
void ReadTitle(HWND parent, wchar_t (&title)[kTitleSize]) {
  title[0] = L'\0';
  if (GetWindowTextW(parent, title, kTitleSize) != 0) return;
  char ansi[kTitleSize] = {};
  GetWindowTextA(parent, ansi, kTitleSize);
  if (MultiByteToWideChar(CP_ACP, 0, ansi, -1, title, kTitleSize) == 0) title[0] = L'\0';
  title[kTitleSize - 1] = L'\0';
}

void SetI4(VARIANT& variant, long value) {
  variant.vt = VT_I4;
  variant.lVal = value;
}

template <typename T>
T* Checked(const ComPtr<T>& object) {
  if (!object) throw EOleError{E_POINTER};
  return object.Get();
}

// The marker test for a further candidate: its caption becomes the marker
// for as long as it takes to read the parent's text back, then the title.
bool ShowsMarker(msword::Window* candidate, HWND parent, const wchar_t* title) {
  unique_bstr marker = MakeBstr(kCaptionMarkerW, std::wcslen(kCaptionMarkerW));
  unique_bstr restored = MakeBstr(title, std::wcslen(title));
  OleCheck(candidate->put_Caption(marker.get()));
  char shown[kTitleSize] = {};
  GetWindowTextA(parent, shown, kTitleSize);
  OleCheck(candidate->put_Caption(restored.get()));
  // Byte for byte: lstrcmpA skips characters without weight, such as a soft
  // hyphen, and would take a look-alike for the marker.
  return std::strcmp(shown, kCaptionMarker) == 0;
}

// Walks one document's windows; a window chosen by the marker test ends the
// walk over this document.
void MatchDocumentWindows(msword::_Document* document, HWND parent, const wchar_t* title,
                          ComPtr<msword::Window>& result) {
  ComPtr<msword::Windows> windows;
  OleCheck(document->get_Windows(&windows));
  if (!windows) return;
  long count = 0;
  OleCheck(windows->get_Count(&count));
  for (long i = 1; i <= count; ++i) {
    unique_variant index;
    SetI4(index, i);
    ComPtr<msword::Window> candidate;
    OleCheck(windows->Item(&index, &candidate));
    Checked(candidate);
    VARIANT_BOOL active = VARIANT_FALSE;
    OleCheck(candidate->get_Active(&active));
    if (!active) continue;
    unique_bstr caption;
    OleCheck(candidate->get_Caption(caption.put()));
    if (!SameText(caption.get(), title)) continue;
    if (!result) {
      result = candidate;
      continue;
    }
    if (ShowsMarker(candidate.Get(), parent, title)) {
      result = candidate;
      return;
    }
  }
}

// Word's MoveStart or MoveEnd (`move`) by characters, on a selection or a range.
template <typename T>
void MoveBy(T* object, HRESULT (STDMETHODCALLTYPE T::*move)(VARIANT*, VARIANT*, long*),
            long count) {
  unique_variant unit, by;
  SetI4(unit, msword::wdCharacter);
  SetI4(by, count);
  long moved = 0;
  OleCheck((object->*move)(&unit, &by, &moved));
}

unique_bstr TextOf(msword::Range* range) {
  unique_bstr text;
  OleCheck(range->get_Text(text.put()));
  return text;
}

ComPtr<msword::Range> DocumentRange(msword::_Document* document, VARIANT& start, VARIANT& end) {
  ComPtr<msword::Range> range;
  OleCheck(document->Range(&start, &end, &range));
  Checked(range);
  return range;
}

// One step of the growth: the probe moves first, and the selection follows
// only while the probe's whole text stays non-blank and still changes.
template <typename MoveProbe>
bool ProbeStep(msword::Range* probe, MoveProbe moveProbe) {
  unique_bstr before = TextOf(probe);
  moveProbe();
  unique_bstr after = TextOf(probe);
  if (SameText(after.get(), before.get())) return false;
  return IsNonBlankBstr(after.get());
}

void GrowSelection(msword::_Document* document, msword::Selection* selection, VARIANT& keptStart,
                   VARIANT& keptEnd) {
  ComPtr<msword::Range> probe = DocumentRange(document, keptStart, keptEnd);
  while (ProbeStep(probe.Get(), [&] { MoveBy(probe.Get(), &msword::Range::MoveStart, -1); }))
    MoveBy(selection, &msword::Selection::MoveStart, -1);

  long start = 0;
  OleCheck(selection->get_Start(&start));
  unique_variant grownStart;
  SetI4(grownStart, start);
  probe = DocumentRange(document, grownStart, keptEnd);
  while (ProbeStep(probe.Get(), [&] { MoveBy(probe.Get(), &msword::Range::MoveEnd, +1); }))
    MoveBy(selection, &msword::Selection::MoveEnd, +1);
}

}  // namespace

void WINAPI GetInfo(char* buffer) { lstrcpyA(buffer, kDisplayName); }

int WINAPI CanHandle(HWND window) {
  return PluginBoundary([&](int& result) {
    char name[6] = {};
    GetClassNameA(window, name, 5);
    result = lstrcmpA(name, kWindowClass) == 0 ? 1 : 0;
  });
}

ComPtr<msword::Window> FindWordWindow(HWND window) {
  const HWND parent = GetParent(window);
  wchar_t title[kTitleSize];
  ReadTitle(parent, title);

  ComPtr<IBindCtx> bindContext;
  ComPtr<IRunningObjectTable> table;
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(CreateBindCtx(0, &bindContext)) || FAILED(bindContext->GetRunningObjectTable(&table)) ||
      FAILED(table->EnumRunning(&monikers)) || !monikers)
    return nullptr;
  monikers->Reset();

  ComPtr<msword::Window> result;
  try {
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), &fetched) == S_OK) {
      if (!moniker) continue;
      ComPtr<msword::_Document> document;
      if (FAILED(moniker->BindToObject(bindContext.Get(), nullptr, __uuidof(msword::_Document),
                                       reinterpret_cast<void**>(document.GetAddressOf()))) ||
          !document)
        continue;
      MatchDocumentWindows(document.Get(), parent, title, result);
    }
  } catch (...) {
    return nullptr;
  }
  return result;
}

void GetWordSelection(HWND window, ComPtr<msword::Window>& wordWindow,
                      ComPtr<msword::Selection>& selection) {
  selection.Reset();
  wordWindow = FindWordWindow(window);
  if (!wordWindow) return;
  try {
    ComPtr<msword::_Document> document;
    ComPtr<msword::Selection> current;
    OleCheck(wordWindow->get_Document(&document));
    Checked(document);
    OleCheck(wordWindow->get_Selection(&current));
    Checked(current);
    long start = 0, end = 0;
    OleCheck(current->get_Start(&start));
    OleCheck(current->get_End(&end));
    unique_variant keptStart, keptEnd;
    SetI4(keptStart, start);
    SetI4(keptEnd, end);
    OleCheck(current->get_Start(&start));
    OleCheck(current->get_End(&end));
    // A selection that holds anything is used as it stands, blanks and all.
    if (start == end) GrowSelection(document.Get(), current.Get(), keptStart, keptEnd);
    selection = current;
  } catch (...) {
    selection.Reset();
  }
}

int WINAPI GetText(HWND window, char* buffer, POINT* point) {
  lstrcpyA(buffer, "");
  point->x = -2;
  point->y = -2;
  return PluginBoundary([&](int& result) {
    ComPtr<msword::Window> wordWindow;
    ComPtr<msword::Selection> selection;
    GetWordSelection(window, wordWindow, selection);
    if (!selection) return;
    unique_bstr text;
    OleCheck(selection->get_Text(text.put()));
    DeliverText(text.get(), buffer);
    result = 1;
    point->x = -1;
    point->y = -1;

    ComPtr<msword::Range> range;
    OleCheck(selection->get_Range(&range));
    unique_variant toStart;
    toStart.vt = VT_BOOL;
    toStart.boolVal = VARIANT_TRUE;
    OleCheck(wordWindow->ScrollIntoView(Checked(range), &toStart));
    OleCheck(selection->get_Range(range.ReleaseAndGetAddressOf()));
    long width = 0, height = 0;
    OleCheck(wordWindow->GetPoint(&point->x, &point->y, &width, &height, Checked(range)));
    AddCaptionHeight(*point);
    if (point->x < 0 || point->y < 0) *point = POINT{-1, -1};
  });
}

int WINAPI SetText(HWND window, const char* text) {
  return PluginBoundary([&](int& result) {
    ComPtr<msword::Window> wordWindow;
    ComPtr<msword::Selection> selection;
    GetWordSelection(window, wordWindow, selection);
    if (!selection) return;
    unique_bstr replacement = AnsiToBstr(text);
    OleCheck(selection->put_Text(replacement.get()));
    result = 1;
  });
}

}  // namespace kst::word
