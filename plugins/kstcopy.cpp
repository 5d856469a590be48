#include "kstcopy.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "kstconvert.h"
#include "kstplugin.h"
#include "kstres.h"

// What the clipboard gets back after a read or a replace:
//   - every format held in a global memory block, byte for byte: the texts
//     (CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT) and CF_LOCALE, CF_DIB and
//     CF_DIBV5, CF_HDROP, and every registered format ("HTML Format", the
//     private formats of applications). The text formats the system made
//     from one another are put back as they read, so each reads the same
//     bytes afterwards;
//   - CF_ENHMETAFILE, through its bits, and CF_PALETTE, through its entries;
//   - not put back, for the system makes them again from what is: CF_BITMAP
//     (from the DIB) and CF_METAFILEPICT (from the enhanced metafile);
//   - lost, for only the application that placed them can give them:
//     owner-display formats (CF_OWNERDISPLAY, CF_DSPBITMAP,
//     CF_DSPMETAFILEPICT, CF_DSPENHMETAFILE), the private range
//     (CF_PRIVATEFIRST..CF_PRIVATELAST, handles of the owner's own meaning),
//     the GDI object range (CF_GDIOBJFIRST..CF_GDIOBJLAST), and any format
//     whose owner declines to render it when asked.

namespace kst::copy {
namespace {

constexpr char kDisplayName[] = "Copy and paste plugin";
// The clipboard is looked at this often while the application works.
constexpr DWORD kPollMs = 5;

// A failing call of the system: raised inside the plugin, caught at its
// boundary.
[[noreturn]] void RaiseLastError() {
  const DWORD error = GetLastError();
  throw EOleError{error ? HRESULT_FROM_WIN32(error) : E_FAIL};
}

template <typename T>
T Checked(T value) {
  if (!value) RaiseLastError();
  return value;
}

// A movable global block holding a copy of the bytes, as the clipboard takes it.
unique_hglobal GlobalCopy(const void* bytes, SIZE_T size) {
  unique_hglobal block(Checked(GlobalAlloc(GMEM_MOVEABLE, size)));
  if (size > 0) {
    std::memcpy(Checked(GlobalLock(block.get())), bytes, size);
    GlobalUnlock(block.get());
  }
  return block;
}

// ---- waiting ----

// Waits until `done()` holds or `boundMs` have passed. Messages sent to this
// thread are served meanwhile (the clipboard's requests to render what this
// plugin offers are such messages); posted ones stay for the caller's own
// message loop.
template <typename Done>
bool WaitFor(DWORD boundMs, Done done) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= boundMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(kPollMs, boundMs - elapsed), QS_SENDMESSAGE);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

// Closes the clipboard this thread opened.
struct TClipboardOpening {
  ~TClipboardOpening() { CloseClipboard(); }
};

// Opens the clipboard for `owner`, waiting while another window holds it.
bool OpenClipboardFor(HWND owner) {
  return WaitFor(kClipboardBusyBoundMs, [&] { return OpenClipboard(owner) != FALSE; });
}

// ---- refusals ----

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

bool IsPasswordField(HWND window) {
  if (!window) return false;
  const std::string name = ClassOf(window);
  const bool edit = lstrcmpiA(name.c_str(), "Edit") == 0 || _strnicmp(name.c_str(), "RichEdit", 8) == 0;
  return edit && (GetWindowLongW(window, GWL_STYLE) & ES_PASSWORD) != 0;
}

// The focus window of the thread that owns `window`, or null.
HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// The keystroke goes to the focus of the foreground thread: the window must
// belong to the foreground application and be that focus or hold it.
bool ReceivesKeystrokes(HWND window) {
  HWND foreground = GetForegroundWindow();
  DWORD windowProcess = 0, foregroundProcess = 0;
  GetWindowThreadProcessId(window, &windowProcess);
  GetWindowThreadProcessId(foreground, &foregroundProcess);
  if (!foreground || windowProcess != foregroundProcess) return false;
  HWND focus = FocusOf(foreground);
  if (!focus) return GetAncestor(window, GA_ROOT) == foreground;
  return focus == window || IsChild(window, focus);
}

std::string DesktopName(HDESK desktop) {
  char name[256] = {};
  DWORD needed = 0;
  if (!desktop || !GetUserObjectInformationA(desktop, UOI_NAME, name, sizeof(name), &needed)) return {};
  return name;
}

}  // namespace

bool OnInputDesktop(HWND window) {
  const unique_any<HDESK, &CloseDesktop> input(OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
  const std::string inputName = DesktopName(input.get());
  // The thread's desktop handle belongs to the system: not closed.
  return !inputName.empty() && inputName == DesktopName(GetThreadDesktop(GetCurrentThreadId())) &&
         GetAncestor(GetAncestor(window, GA_ROOT), GA_PARENT) == GetDesktopWindow();
}

long IntegrityLevel(HANDLE process) {
  unique_handle token;
  if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return -1;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) return -1;
  std::vector<unsigned char> data(size);
  if (!GetTokenInformation(token.get(), TokenIntegrityLevel, data.data(), size, &size)) return -1;
  const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(data.data())->Label.Sid;
  if (!IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0) return -1;
  return static_cast<long>(*GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u));
}

bool InputReaches(long ours, long theirs) {
  if (ours < 0) return true;
  return theirs >= 0 && theirs <= ours;
}

namespace {

bool BelowOrAtOurLevel(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  const unique_handle target(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  return InputReaches(IntegrityLevel(GetCurrentProcess()), target ? IntegrityLevel(target.get()) : -1);
}

// A caller that holds the clipboard open itself would have its opening
// closed by this plugin. An opening without a window is told by the
// enumeration, which works only for the thread that has it open.
bool CallerHoldsClipboard() {
  if (HWND open = GetOpenClipboardWindow())
    return GetWindowThreadProcessId(open, nullptr) == GetCurrentThreadId();
  SetLastError(ERROR_SUCCESS);
  return EnumClipboardFormats(0) != 0 || GetLastError() == ERROR_SUCCESS;
}

bool Refuses(HWND window) {
  if (!IsWindow(window)) return true;
  // A window of the caller's own thread would see the keystroke only after
  // this plugin has stopped waiting for it.
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return true;
  if (IsTerminalClass(ClassOf(window).c_str()) ||
      IsTerminalClass(ClassOf(GetAncestor(window, GA_ROOT)).c_str()))
    return true;
  if (!ReceivesKeystrokes(window)) return true;
  if (IsPasswordField(window) || IsPasswordField(FocusOf(window))) return true;
  if (!OnInputDesktop(window) || !BelowOrAtOurLevel(window)) return true;
  return CallerHoldsClipboard();
}

// ---- keystrokes ----

INPUT Key(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  const bool extended = key == VK_RMENU || key == VK_RCONTROL || key == VK_LWIN || key == VK_RWIN;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

bool IsDown(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

// Sends Ctrl+`key`; false when the system did not take all of it.
bool SendShortcut(WORD key) {
  std::vector<INPUT> input = ShortcutInput(key, HeldModifiers());
  return SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT)) == input.size();
}

// ---- the caller's clipboard window ----

// The text this plugin offers for a paste, rendered when the application
// asks for it.
struct TOffer {
  std::string Text;
  DWORD TargetProcess = 0;
  bool Taken = false;  // the target (or an opener without a window) asked for it
};

unique_hglobal RenderedBlock(const TOffer& offer, UINT format) {
  if (format == CF_UNICODETEXT) {
    const std::wstring wide = AnsiToWide(offer.Text.c_str());
    return GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  }
  if (format == CF_TEXT) return GlobalCopy(offer.Text.c_str(), offer.Text.size() + 1);
  return {};
}

void Render(TOffer& offer, UINT format) {
  unique_hglobal block = RenderedBlock(offer, format);
  if (!block || !SetClipboardData(format, block.get())) return;
  block.release();
  // A clipboard monitor that reads it is no paste; the window that opened
  // the clipboard tells who asks.
  DWORD opener = 0;
  if (HWND open = GetOpenClipboardWindow()) GetWindowThreadProcessId(open, &opener);
  if (opener == 0 || opener == offer.TargetProcess) offer.Taken = true;
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* offer = reinterpret_cast<TOffer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_RENDERFORMAT:
      try {
        if (offer) Render(*offer, static_cast<UINT>(wParam));
      } catch (...) {
        // Not rendered: the application reads nothing, and the paste is not counted.
      }
      return 0;
    case WM_RENDERALLFORMATS:
      // Only a restore that could not open the clipboard leaves the offer
      // there when the window goes: it goes with the window, rather than
      // stay on the user's clipboard.
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void DestroyOwner(HWND window) { DestroyWindow(window); }
using unique_owner = unique_any<HWND, &DestroyOwner>;

// A message-only window of the caller's thread that owns what this plugin
// places on the clipboard and renders it.
unique_owner CreateOwner(TOffer* offer) {
  unique_owner window(Checked(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              nullptr, nullptr)));
  SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(offer));
  SetWindowLongPtrW(window.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnerProc));
  return window;
}

// ---- what this plugin places on the clipboard ----

void PutDword(const char* formatName, DWORD value) {
  const UINT format = Checked(RegisterClipboardFormatA(formatName));
  unique_hglobal block = GlobalCopy(&value, sizeof(value));
  if (SetClipboardData(format, block.get())) block.release();
}

// The formats that keep the clipboard's content out of the user's clipboard
// history and out of the cloud clipboard.
void PutPrivacyFormats() {
  PutDword("ExcludeClipboardContentFromMonitorProcessing", 0);
  PutDword("CanIncludeInClipboardHistory", 0);
  PutDword("CanUploadToCloudClipboard", 0);
}

// With the clipboard open for the owner: empties it and offers the text,
// rendered only when asked for.
void PlaceOffer() {
  Checked(EmptyClipboard());
  SetClipboardData(CF_UNICODETEXT, nullptr);
  SetClipboardData(CF_TEXT, nullptr);
  PutPrivacyFormats();
}

// ---- reading the copy ----

// The text on the open clipboard, in the ANSI code page and cut to whole
// characters; false when it holds none.
bool ReadClipboardText(std::string& text) {
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
    if (!wide) return false;
    auto unlock = scope_exit([&] { GlobalUnlock(data); });
    text = WideToAnsiPrefix(wide, wcsnlen(wide, GlobalSize(data) / sizeof(wchar_t)));
    return true;
  }
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    const auto* ansi = static_cast<const char*>(GlobalLock(data));
    if (!ansi) return false;
    auto unlock = scope_exit([&] { GlobalUnlock(data); });
    text = AnsiPrefix(std::string(ansi, strnlen(ansi, GlobalSize(data))), kMaxDeliveredText);
    return true;
  }
  return false;
}

// The caret of the window's thread in screen coordinates, moved down by a
// caption as the other plugins report it, or (-2, -2).
POINT CaretPoint(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || !info.hwndCaret)
    return {-2, -2};
  POINT point = {info.rcCaret.left, info.rcCaret.top};
  ClientToScreen(info.hwndCaret, &point);
  AddCaptionHeight(point);
  return point;
}

// ---- saving and restoring ----

bool CannotBeRestored(UINT format) {
  return format == CF_OWNERDISPLAY || format == CF_DSPBITMAP || format == CF_DSPMETAFILEPICT ||
         format == CF_DSPENHMETAFILE || (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
         (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

bool MadeAgainBySystem(UINT format) { return format == CF_BITMAP || format == CF_METAFILEPICT; }

bool SaveGlobal(HANDLE data, TSavedFormat& saved) {
  const SIZE_T size = GlobalSize(data);
  saved.Kind = TSavedKind::Global;
  if (size == 0) return true;
  const void* p = GlobalLock(data);
  if (!p) return false;
  saved.Bytes.assign(static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + size);
  GlobalUnlock(data);
  return true;
}

bool SaveEnhMetafile(HANDLE data, TSavedFormat& saved) {
  const auto metafile = static_cast<HENHMETAFILE>(data);
  const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
  if (size == 0) return false;
  saved.Kind = TSavedKind::EnhMetafile;
  saved.Bytes.resize(size);
  return GetEnhMetaFileBits(metafile, size, saved.Bytes.data()) == size;
}

bool SavePalette(HANDLE data, TSavedFormat& saved) {
  const auto palette = static_cast<HPALETTE>(data);
  WORD count = 0;
  if (GetObjectW(palette, sizeof(count), &count) != sizeof(count) || count == 0) return false;
  saved.Kind = TSavedKind::Palette;
  saved.Bytes.resize(count * sizeof(PALETTEENTRY));
  return GetPaletteEntries(palette, 0, count, reinterpret_cast<PALETTEENTRY*>(saved.Bytes.data())) == count;
}

void SetRestored(UINT format, HANDLE data, void (*free)(HANDLE)) {
  if (!SetClipboardData(format, data)) free(data);
}

void RestoreFormat(const TSavedFormat& saved) {
  switch (saved.Kind) {
    case TSavedKind::Global:
      SetRestored(saved.Format, GlobalCopy(saved.Bytes.data(), saved.Bytes.size()).release(),
                  [](HANDLE h) { GlobalFree(h); });
      break;
    case TSavedKind::EnhMetafile:
      SetRestored(saved.Format,
                  Checked(SetEnhMetaFileBits(static_cast<UINT>(saved.Bytes.size()), saved.Bytes.data())),
                  [](HANDLE h) { DeleteEnhMetaFile(static_cast<HENHMETAFILE>(h)); });
      break;
    case TSavedKind::Palette: {
      const WORD count = static_cast<WORD>(saved.Bytes.size() / sizeof(PALETTEENTRY));
      std::vector<unsigned char> logical(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
      auto* palette = reinterpret_cast<LOGPALETTE*>(logical.data());
      palette->palVersion = 0x300;
      palette->palNumEntries = count;
      std::memcpy(palette->palPalEntry, saved.Bytes.data(), saved.Bytes.size());
      SetRestored(saved.Format, Checked(CreatePalette(palette)), [](HANDLE h) { DeleteObject(h); });
      break;
    }
  }
}

// ---- the two operations ----

// Saves the clipboard, runs `operation` (which sends the keystroke and waits
// for the application), and puts the saved contents back once it has
// opened the clipboard again. Nothing is sent when the clipboard cannot be
// saved.
template <typename Operation>
void WithClipboardSaved(HWND owner, Operation operation) {
  TSavedClipboard saved;
  {
    if (!OpenClipboardFor(owner)) return;
    TClipboardOpening opening;
    saved = SaveClipboard();
  }
  operation(saved);
}

}  // namespace

bool IsTerminalClass(const char* className) {
  // The console host, Windows Terminal, PuTTY, mintty, ConEmu, and the tty
  // windows the engine's hook also leaves alone.
  static const char* const kTerminals[] = {"ConsoleWindowClass", "CASCADIA_HOSTING_WINDOW_CLASS",
                                           "PuTTY",              "mintty",
                                           "VirtualConsoleClass", "tty"};
  for (const char* terminal : kTerminals)
    if (std::strcmp(className, terminal) == 0) return true;
  return false;
}

std::vector<WORD> HeldModifiers() {
  std::vector<WORD> held;
  // Each side on its own; the side-less code only when the system knows no side.
  const WORD pairs[][3] = {{VK_SHIFT, VK_LSHIFT, VK_RSHIFT}, {VK_MENU, VK_LMENU, VK_RMENU}};
  for (const auto& pair : pairs) {
    const bool left = IsDown(pair[1]), right = IsDown(pair[2]);
    if (left) held.push_back(pair[1]);
    if (right) held.push_back(pair[2]);
    if (!left && !right && IsDown(pair[0])) held.push_back(pair[0]);
  }
  for (WORD key : {VK_LWIN, VK_RWIN})
    if (IsDown(key)) held.push_back(key);
  return held;
}

std::vector<INPUT> ShortcutInput(WORD key, const std::vector<WORD>& held) {
  // Ctrl goes down first: released under it, Alt opens no menu and the
  // Windows key no Start menu. The released keys are not pressed again
  // afterwards: the user may let go of them meanwhile, and a key pressed by
  // this plugin would then stay down; one the user still holds only needs
  // pressing again. A Ctrl the user holds comes up at the end like ours.
  std::vector<INPUT> input = {Key(VK_CONTROL, false)};
  for (WORD modifier : held) input.push_back(Key(modifier, true));
  input.push_back(Key(key, false));
  input.push_back(Key(key, true));
  input.push_back(Key(VK_CONTROL, true));
  return input;
}

TSavedClipboard SaveClipboard() {
  TSavedClipboard saved;
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    if (CannotBeRestored(format) || MadeAgainBySystem(format)) continue;
    HANDLE data = GetClipboardData(format);
    if (!data) continue;  // its owner declined to render it
    TSavedFormat one{format, TSavedKind::Global, {}};
    const bool kept = format == CF_ENHMETAFILE ? SaveEnhMetafile(data, one)
                      : format == CF_PALETTE   ? SavePalette(data, one)
                                               : SaveGlobal(data, one);
    if (kept) saved.push_back(std::move(one));
  }
  return saved;
}

void RestoreClipboard(const TSavedClipboard& saved) {
  Checked(EmptyClipboard());
  for (const TSavedFormat& format : saved) {
    try {
      RestoreFormat(format);
    } catch (const EOleError&) {
      // This one format is lost; the others still go back.
    }
  }
}

void WINAPI GetInfo(char* buffer) { lstrcpyA(buffer, kDisplayName); }

int WINAPI CanHandle(HWND window) {
  return PluginBoundary([&](int& result) { result = Refuses(window) ? 0 : 1; });
}

int WINAPI GetText(HWND window, char* buffer, POINT* point) {
  *point = {-2, -2};
  return PluginBoundary([&](int& result) {
    if (Refuses(window)) return;
    unique_owner owner = CreateOwner(nullptr);
    WithClipboardSaved(owner.get(), [&](const TSavedClipboard& saved) {
      const DWORD before = GetClipboardSequenceNumber();
      if (!SendShortcut('C')) return;
      // A window that ignores the keystroke leaves the clipboard untouched.
      if (!WaitFor(kKeystrokeBoundMs, [&] { return GetClipboardSequenceNumber() != before; })) return;
      // The sequence moves as the application empties the clipboard; its
      // copy is complete once it has closed it again.
      if (!OpenClipboardFor(owner.get())) return;
      TClipboardOpening opening;
      std::string text;
      const bool found = ReadClipboardText(text);
      RestoreClipboard(saved);
      if (!found) return;
      lstrcpynA(buffer, text.c_str(), static_cast<int>(kMaxDeliveredText + 1));
      *point = CaretPoint(window);
      result = 1;
    });
  });
}

int WINAPI SetText(HWND window, const char* text) {
  return PluginBoundary([&](int& result) {
    if (!text || Refuses(window)) return;
    TOffer offer;
    offer.Text = text;
    GetWindowThreadProcessId(window, &offer.TargetProcess);
    unique_owner owner = CreateOwner(&offer);
    WithClipboardSaved(owner.get(), [&](const TSavedClipboard& saved) {
      {
        if (!OpenClipboardFor(owner.get())) return;
        TClipboardOpening opening;
        PlaceOffer();
      }
      // Whatever happens from here, the saved contents go back: after the
      // application took the text, or after the bound.
      const bool sent = SendShortcut('V');
      if (sent) WaitFor(kKeystrokeBoundMs, [&] { return offer.Taken; });
      // The application reads the paste with the clipboard open; it is put
      // back once the application has closed it. A paste asked for until
      // that moment still counts; none after it can come.
      const bool opened = OpenClipboardFor(owner.get());
      result = sent && offer.Taken ? 1 : 0;
      if (!opened) return;
      TClipboardOpening opening;
      RestoreClipboard(saved);
    });
  });
}

}  // namespace kst::copy
