#include "kstclip.h"

#include "kstplugin.h"
#include "kstres.h"

namespace kst::clip {
namespace {

// The clipboard holds at most this many characters for the engine.
constexpr int kClipboardTextMax = 32768;
constexpr UINT kTextBlockFlags = GMEM_MOVEABLE | GMEM_DDESHARE;

// Closes the clipboard this thread opened.
struct ClipboardCloser {
  ~ClipboardCloser() { CloseClipboard(); }
};

}  // namespace

void WINAPI GetInfo(char* buffer) { lstrcpyA(buffer, "Clipboard plugin"); }

int WINAPI CanHandle(HWND) {
  return PluginBoundary([&](int& result) { result = IsClipboardFormatAvailable(CF_TEXT); });
}

int WINAPI GetText(HWND, char* buffer, POINT* point) {
  // The clipboard never has a position, on success or failure.
  point->x = -2;
  point->y = -2;
  return PluginBoundary([&](int& result) {
    if (!OpenClipboard(nullptr)) return;
    ClipboardCloser closer;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data) return;
    const char* text = static_cast<const char*>(GlobalLock(data));
    if (!text) return;
    auto unlock = scope_exit([&] { GlobalUnlock(data); });
    CopyTextBlock(data, text, buffer);
    result = 1;
  });
}

void CopyTextBlock(HGLOBAL block, const char* text, char* buffer) {
  // lstrcpynA copies at most one character less than its count, so nothing
  // past the block's last byte is read. A size the system does not know
  // leaves the engine's own bound.
  const SIZE_T size = GlobalSize(block);
  const SIZE_T count = size > 0 && size < kClipboardTextMax + 1 ? size + 1 : kClipboardTextMax + 1;
  lstrcpynA(buffer, text, static_cast<int>(count));
}

int WINAPI SetText(HWND, const char* text) {
  return PluginBoundary([&](int& result) {
    if (!OpenClipboard(nullptr)) return;
    ClipboardCloser closer;
    // Declared after the closer: a block that was not handed over is freed
    // while the clipboard is still open.
    unique_hglobal block(GlobalAlloc(kTextBlockFlags, lstrlenA(text) + 1));
    if (!block) return;
    char* p = static_cast<char*>(GlobalLock(block.get()));
    if (!p) return;
    {
      auto unlock = scope_exit([&] { GlobalUnlock(block.get()); });
      lstrcpyA(p, text);
      // Once taken, the block belongs to the clipboard. A block it refused
      // means the text is not there: that is no success.
      if (SetClipboardData(CF_TEXT, block.get())) result = 1;
    }
    if (result == 1) block.release();
  });
}

}  // namespace kst::clip
