#include "hookrequest.h"

#include <cstring>

#include "bridge.h"
#include "engine.h"
#include "kstres.h"
#include "plugintable.h"
#include "sharedblock.h"

namespace kst {
namespace {

// Fills in the request and returns the window whose thread must serve it.
HWND PrepareRequest(TSharedBlock& block, int code, HWND window, char letter, const char* text) {
  block.Pending = static_cast<uint8_t>(code);
  block.Result = 0;
  block.RequestPlugin = 0;
  block.PointX = -2;
  block.PointY = -2;
  std::memset(block.Text, 0, kMaxBlockText + 1);
  switch (code) {
    case rqActivateWindow:
      block.Window = HandleToBlock(window);
      return GetForegroundWindow();
    case rqGetFocusWindow:
      block.Window = 0;
      return GetForegroundWindow();
    case rqSetText:
      lstrcpynA(block.Text, text ? text : "", kMaxBlockText + 1);
      [[fallthrough]];
    case rqGetText:
      block.Window = HandleToBlock(window);
      block.RequestPlugin = static_cast<uint8_t>(letter);
      return window;
    default:
      return nullptr;
  }
}

bool IsConsoleWindow(HWND window) {
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  return std::strcmp(className, "ConsoleWindowClass") == 0 || std::strcmp(className, "tty") == 0;
}

HMODULE OwnModule() {
  char fileName[260] = {};
  GetModuleFileNameA(EngineInstance(), fileName, sizeof(fileName));
  return GetModuleHandleA(fileName);
}

// Installs the hook, wakes the thread and waits for its answer. The hook is
// removed and its field cleared whatever happens.
void HookAndWait(TSharedBlock& block, HANDLE event) {
  unique_hhook hook(SetWindowsHookExA(WH_GETMESSAGE, HookProc, OwnModule(), block.TargetThread));
  if (!hook) return;
  block.HookHandle = HandleToBlock(hook.get());
  auto clearField = scope_exit([&] { block.HookHandle = 0; });
  PostThreadMessageA(block.TargetThread, WM_NULL, 0, 0);
  // A timeout is no error of its own: the result byte tells what happened.
  WaitForSingleObject(event, kHookRequestTimeout);
}

void ServeRequest(TSharedBlock& block, int code) {
  HWND window = HandleFromBlock<HWND>(block.Window);
  switch (code) {
    case rqActivateWindow:
      block.Result = IsWindow(window) && SetForegroundWindow(window) ? 1 : 0;
      break;
    case rqGetFocusWindow: {
      HWND focus = GetFocus();
      block.Window = HandleToBlock(focus);
      block.Result = focus ? 1 : 0;
      break;
    }
    case rqGetText: {
      POINT point = {block.PointX, block.PointY};
      block.Result = RunGetText(window, static_cast<char>(block.RequestPlugin), block.Text, &point) ? 1 : 0;
      block.PointX = point.x;
      block.PointY = point.y;
      break;
    }
    case rqSetText:
      // Any process may write the block: never read past the text area.
      block.Text[kMaxBlockText] = '\0';
      block.Result = RunSetText(window, static_cast<char>(block.RequestPlugin), block.Text) ? 1 : 0;
      break;
    default:
      break;
  }
}

void SignalRequester() {
  unique_handle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, kInjectEventName));
  if (event) SetEvent(event.get());
}

}  // namespace

DWORD HookTargetThread(HWND toHook) noexcept {
  if (!IsWindow(toHook) || IsConsoleWindow(toHook)) return 0;
  return GetWindowThreadProcessId(toHook, nullptr);
}

int SendHookRequest(int code, HWND window, char letter, const char* text) noexcept {
  return SendHookRequestTo(0, code, window, letter, text);
}

int SendHookRequestTo(DWORD thread, int code, HWND window, char letter, const char* text) noexcept {
  TSharedBlock* block = SharedBlock();
  if (!block || code < rqActivateWindow || code > rqSetText) return 0;
  HWND toHook = PrepareRequest(*block, code, window, letter, text);
  // Whatever way the request ends, no thread may take it up afterwards.
  auto withdraw = scope_exit([&] { block->Pending = 0; });
  if (!thread) thread = HookTargetThread(toHook);
  if (!thread) return 0;
  block->TargetThread = thread;
  unique_handle event(CreateEventA(nullptr, FALSE, FALSE, kInjectEventName));
  if (!event) return block->Result;
  // A signal left over from an answer that came too late is not this one's.
  if (GetLastError() == ERROR_ALREADY_EXISTS) ResetEvent(event.get());
  // This build cannot load into a process of the other bitness: never hook
  // such a thread, the bridge of that bitness serves it.
  if (NeedsBridge(thread)) return BridgeRequest(*block, thread);
  HookAndWait(*block, event.get());
  return block->Result;
}

void TakeTextAnswer(const TSharedBlock& block, char* buffer, POINT* point) noexcept {
  lstrcpynA(buffer, block.Text, kMaxBlockText + 1);
  point->x = block.PointX;
  point->y = block.PointY;
}

LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  TSharedBlock* block = SharedBlock();
  if (code >= 0 && block && GetCurrentThreadId() == block->TargetThread && block->Pending != 0) {
    const int request = block->Pending;
    block->Pending = 0;
    ServeRequest(*block, request);
    SignalRequester();
    return 0;
  }
  return CallNextHookEx(block ? HandleFromBlock<HHOOK>(block->HookHandle) : nullptr, code, wParam,
                        lParam);
}

}  // namespace kst
