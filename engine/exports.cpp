#include "selvor32.h"

#include "hookrequest.h"
#include "plugintable.h"
#include "sharedblock.h"

using namespace kst;

namespace {

constexpr char kInvalidPluginIndex[] = "Invalid plugin index.";

bool ForegroundIsOurs() {
  return GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == GetCurrentThreadId();
}

bool IsWindowOurs(HWND window) {
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

int SetPluginDisabled(int letter, uint8_t disabled) {
  TSharedBlock* block = SharedBlock();
  const char normalized = NormalizeLetter(letter);
  if (!block || !FindPlugin(normalized)) return 0;
  block->Disabled[normalized - 'A'] = disabled;
  return 1;
}

// Walks the enabled plugins in letter order until one serves the window:
// inside the window's thread for injectable plugins and foreign windows,
// in the calling thread otherwise. `hooked` gets the thread to hook, found
// once for the walk (0 when the window may not be hooked).
template <typename Hooked, typename InThread>
int WalkPlugins(HWND window, Hooked hooked, InThread inThread) {
  TSharedBlock* block = SharedBlock();
  if (!block) return 0;
  const bool foreign = !IsWindowOurs(window);
  block->LastUsed = 0;
  int result = 0;
  bool resolved = false;
  DWORD thread = 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const TPluginSlot* slot = FindPlugin(letter);
    if (!slot || IsPluginDisabled(letter)) continue;
    if (foreign && slot->Injectable) {
      if (!resolved) thread = HookTargetThread(window);
      resolved = true;
      result = thread ? hooked(*block, thread, letter) : 0;
    } else {
      result = inThread(letter);
    }
    if (result == 1) break;
  }
  return result;
}

}  // namespace

extern "C" {

int WINAPI kst_activate_window(HWND window) {
  int result = 0;
  if (ForegroundIsOurs())
    result = IsWindow(window) && SetForegroundWindow(window) ? 1 : 0;
  else if (SharedBlock())
    result = SendHookRequest(rqActivateWindow, window);
  if (result != 1)
    SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_HOTKEY, reinterpret_cast<LPARAM>(window));
  return result;
}

HWND WINAPI kst_get_focus_window() {
  if (ForegroundIsOurs()) return GetFocus();
  TSharedBlock* block = SharedBlock();
  if (block && SendHookRequest(rqGetFocusWindow) != 0) return HandleFromBlock<HWND>(block->Window);
  return nullptr;
}

int WINAPI kst_get_window_text(HWND window, char* buffer, POINT* point) {
  return WalkPlugins(
      window,
      [&](TSharedBlock& block, DWORD thread, char letter) {
        const int result = SendHookRequestTo(thread, rqGetText, window, letter, nullptr);
        if (result != 0) TakeTextAnswer(block, buffer, point);
        return result;
      },
      [&](char letter) { return RunGetText(window, letter, buffer, point); });
}

int WINAPI kst_set_window_text(HWND window, const char* text) {
  // A null text is the empty text, in this thread as through the block.
  if (!text) text = "";
  return WalkPlugins(
      window,
      [&](TSharedBlock&, DWORD thread, char letter) {
        return SendHookRequestTo(thread, rqSetText, window, letter, text);
      },
      [&](char letter) { return RunSetText(window, letter, text); });
}

int WINAPI kst_get_last_used_plugin() {
  const TSharedBlock* block = SharedBlock();
  return block ? block->LastUsed : 0;
}

int WINAPI kst_get_plugin_info(int letter, char* buffer) {
  const TPluginSlot* slot = FindPlugin(NormalizeLetter(letter));
  if (!slot) {
    lstrcpyA(buffer, kInvalidPluginIndex);
    return 0;
  }
  slot->GetInfo(buffer);
  return 1;
}

int WINAPI kst_enable_plugin(int letter) { return SetPluginDisabled(letter, 0); }

int WINAPI kst_disable_plugin(int letter) { return SetPluginDisabled(letter, 1); }

int WINAPI kst_is_plugin_enabled(int letter) {
  const TSharedBlock* block = SharedBlock();
  const char normalized = NormalizeLetter(letter);
  if (!block || !FindPlugin(normalized)) return 0;
  return block->Disabled[normalized - 'A'] == 0 ? 1 : 0;
}

}  // extern "C"
