#include "selvor32.h"

#include <optional>

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

int SetPluginEnabled(int letter, bool enabled) {
  TSharedBlock* block = SharedBlock();
  const char normalized = NormalizeLetter(letter);
  if (!block || !FindPlugin(normalized)) return 0;
  SetPluginSwitch(*block, normalized, enabled);
  return 1;
}

// Whether a plugin of the caller's thread could accept the window, judged
// without side effects; one without such a test might.
bool MayAccept(const TPluginSlot& slot, HWND window) {
  return !slot.CallerTest || slot.CallerTest(window);
}

// The last letter of the run of plugins that one hooked request tries,
// starting at the injectable `first`: the run goes on over injectable
// plugins and over plugins of the caller's thread that cannot accept the
// window, and ends before one that could, which keeps its place in the order.
char RunEnd(HWND window, const char* first) {
  char last = *first;
  for (const char* next = first + 1; *next; ++next) {
    const char letter = *next;
    const TPluginSlot* slot = FindPlugin(letter);
    if (!slot || IsPluginDisabled(letter)) continue;
    if (!slot->Injectable) {
      if (MayAccept(*slot, window)) break;
      continue;
    }
    last = letter;
  }
  return last;
}

// Walks the enabled plugins in their order until one serves the window:
// inside the window's thread for injectable plugins and foreign windows,
// in the calling thread otherwise. Consecutive plugins of the window's
// thread go there in one request. The whole walk holds the request mutex,
// so its requests, its last-used letter and its answers are this caller's.
template <typename Hooked, typename InThread>
int WalkPlugins(HWND window, Hooked hooked, InThread inThread) {
  TSharedBlock* block = SharedBlock();
  if (!block) return 0;
  TNamedLock lock(kRequestMutexName, kRequestLockTimeout);
  if (!lock.Held()) return 0;
  const bool foreign = !IsWindowOurs(window);
  block->LastUsed = 0;
  int result = 0;
  std::optional<THookTarget> target;  // found once for the walk
  for (const char* next = kWalkOrder; *next; ++next) {
    const char letter = *next;
    const TPluginSlot* slot = FindPlugin(letter);
    if (!slot || IsPluginDisabled(letter)) continue;
    if (!foreign || !slot->Injectable) {
      result = inThread(letter);
    } else if (slot->CallerTest && !slot->CallerTest(window)) {
      result = 0;  // what the hooked thread would answer, without asking it
    } else {
      if (!target) target = FindHookTarget(window);
      const char last = RunEnd(window, next);
      result = hooked(*block, *target, letter, last);
      // The hooked thread tries the injectable letters up to `last` in
      // letter order, which is their order here too.
      while (*next != last) ++next;
    }
    if (result == 1) break;
  }
  return result;
}

// SendHookRequest for the foreground window's thread, alone with the block;
// `answered` gets the window the hooked thread wrote, before another caller
// can write the block.
int SendForegroundRequest(int code, HWND window, HWND* answered = nullptr) {
  TNamedLock lock(kRequestMutexName, kRequestLockTimeout);
  if (!lock.Held()) return 0;
  const int result = SendHookRequest(code, window);
  if (answered) *answered = HandleFromBlock<HWND>(SharedBlock()->Window);
  return result;
}

}  // namespace

extern "C" {

int WINAPI kst_activate_window(HWND window) {
  int result = 0;
  if (ForegroundIsOurs())
    result = IsWindow(window) && SetForegroundWindow(window) ? 1 : 0;
  else if (SharedBlock())
    result = SendForegroundRequest(rqActivateWindow, window);
  if (result != 1)
    SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_HOTKEY, reinterpret_cast<LPARAM>(window));
  return result;
}

HWND WINAPI kst_get_focus_window() {
  if (ForegroundIsOurs()) return GetFocus();
  HWND focus = nullptr;
  if (SharedBlock() && SendForegroundRequest(rqGetFocusWindow, nullptr, &focus) != 0) return focus;
  return nullptr;
}

int WINAPI kst_get_window_text(HWND window, char* buffer, POINT* point) {
  return WalkPlugins(
      window,
      [&](TSharedBlock& block, THookTarget& target, char first, char last) {
        const int result = SendHookRequestTo(target, rqWalkGetText, window, first, nullptr, last);
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
      [&](TSharedBlock&, THookTarget& target, char first, char last) {
        return SendHookRequestTo(target, rqWalkSetText, window, first, text, last);
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

int WINAPI kst_enable_plugin(int letter) { return SetPluginEnabled(letter, true); }

int WINAPI kst_disable_plugin(int letter) { return SetPluginEnabled(letter, false); }

int WINAPI kst_is_plugin_enabled(int letter) {
  const char normalized = NormalizeLetter(letter);
  if (!SharedBlock() || !FindPlugin(normalized)) return 0;
  return IsPluginDisabled(normalized) ? 0 : 1;
}

}  // extern "C"
