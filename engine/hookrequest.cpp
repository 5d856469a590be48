#include "hookrequest.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "bridge.h"
#include "engine.h"
#include "plugintable.h"
#include "sharedblock.h"

namespace kst {

namespace {

// The process keeps one handle to each named mutex from its first use on:
// every request takes them, and opening a named object is a trip to the
// system of its own.
struct TKeptMutex {
  const char* Name;
  std::atomic<HANDLE> Handle;
};
TKeptMutex g_KeptMutexes[] = {{kRequestMutexName, nullptr}, {kBlockMutexName, nullptr}};

HANDLE KeptMutex(const char* name) noexcept {
  for (TKeptMutex& kept : g_KeptMutexes) {
    if (std::strcmp(kept.Name, name) != 0) continue;
    if (HANDLE mutex = kept.Handle.load()) return mutex;
    HANDLE created = CreateMutexA(nullptr, FALSE, name);
    if (!created) return nullptr;
    HANDLE expected = nullptr;
    if (kept.Handle.compare_exchange_strong(expected, created)) return created;
    CloseHandle(created);  // another thread of this process was first
    return expected;
  }
  return nullptr;
}

}  // namespace

TNamedLock::TNamedLock(const char* name, DWORD timeoutMs) noexcept : mutex_(KeptMutex(name)) {
  if (!mutex_) {
    held_ = true;
    return;
  }
  const DWORD wait = WaitForSingleObject(mutex_, timeoutMs);
  owned_ = held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

TNamedLock::~TNamedLock() {
  if (owned_) ReleaseMutex(mutex_);
}

void DetachHookRequests() noexcept {
  for (TKeptMutex& kept : g_KeptMutexes) {
    if (HANDLE mutex = kept.Handle.exchange(nullptr)) CloseHandle(mutex);
  }
}

namespace {

constexpr uint32_t kSerialMask = 0xFFFFFF;

void WriteSerial(uint8_t (&field)[3], uint32_t serial) noexcept {
  field[0] = static_cast<uint8_t>(serial);
  field[1] = static_cast<uint8_t>(serial >> 8);
  field[2] = static_cast<uint8_t>(serial >> 16);
}

bool IsTextRequest(int code) noexcept { return code >= rqGetText && code <= rqWalkSetText; }
bool CarriesText(int code) noexcept { return code == rqSetText || code == rqWalkSetText; }
bool IsWalk(int code) noexcept { return code == rqWalkGetText || code == rqWalkSetText; }

// Fills in the request under a new serial, which becomes the one in flight.
void PrepareRequest(TSharedBlock& block, int code, HWND window, char letter, const char* text,
                    char lastLetter, DWORD thread) noexcept {
  uint32_t serial = (ReadSerial(block.LastSerial) + 1) & kSerialMask;
  if (serial == 0) serial = 1;
  WriteSerial(block.LastSerial, serial);
  WriteSerial(block.InFlightSerial, serial);
  block.Result = 0;
  block.RequestPlugin = 0;
  block.PointX = -2;
  block.PointY = -2;
  std::memset(block.Text, 0, kMaxBlockText + 1);
  block.WalkLast = IsWalk(code) ? static_cast<uint8_t>(lastLetter) : 0;
  block.WalkServed = 0;
  block.Window = code == rqGetFocusWindow ? 0 : HandleToBlock(window);
  if (IsTextRequest(code)) block.RequestPlugin = static_cast<uint8_t>(letter);
  if (CarriesText(code)) lstrcpynA(block.Text, text ? text : "", kMaxBlockText + 1);
  block.TargetThread = thread;
  block.Pending = static_cast<uint8_t>(code);
}

// No thread takes the request any more, and no answer to it is accepted.
void WithdrawRequest(TSharedBlock& block) noexcept {
  TNamedLock lock(kBlockMutexName, kBlockLockTimeout);
  block.Pending = 0;
  WriteSerial(block.InFlightSerial, 0);
}

bool IsConsoleWindow(HWND window) noexcept {
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  return std::strcmp(className, "ConsoleWindowClass") == 0 || std::strcmp(className, "tty") == 0;
}

HMODULE OwnModule() noexcept {
  char fileName[260] = {};
  GetModuleFileNameA(EngineInstance(), fileName, sizeof(fileName));
  return GetModuleHandleA(fileName);
}

enum class TWaitOutcome { NotHooked, Answered, TimedOut, TargetEnded };

// Installs the hook, wakes the thread and waits for its answer, or for the
// end of its process. The hook is removed and its field cleared whatever
// happens.
TWaitOutcome HookAndWait(TSharedBlock& block, HANDLE event, const THookTarget& target) noexcept {
  unique_hhook hook(SetWindowsHookExA(WH_GETMESSAGE, HookProc, OwnModule(), target.Thread));
  if (!hook) return TWaitOutcome::NotHooked;
  block.HookHandle = HandleToBlock(hook.get());
  auto clearField = scope_exit([&] { block.HookHandle = 0; });
  PostThreadMessageA(target.Thread, WM_NULL, 0, 0);
  const HANDLE handles[] = {event, target.ProcessHandle.get()};
  switch (WaitForMultipleObjects(target.Waitable ? 2 : 1, handles, FALSE, kHookRequestTimeout)) {
    case WAIT_OBJECT_0:
      return TWaitOutcome::Answered;
    case WAIT_OBJECT_0 + 1:
      return TWaitOutcome::TargetEnded;
    default:
      return TWaitOutcome::TimedOut;
  }
}

// The bridge's account of a request, as the engine's own wait tells it.
TWaitOutcome BridgeAndWait(TSharedBlock& block, const THookTarget& target) noexcept {
  DWORD outcome = kBridgeNotStarted;
  BridgeRequest(block, target.Thread, &outcome);
  switch (outcome) {
    case kBridgeAnswered:
      return TWaitOutcome::Answered;
    case kBridgeTimedOut:
    case kBridgeStopped:
      return TWaitOutcome::TimedOut;
    case kBridgeTargetEnded:
      return TWaitOutcome::TargetEnded;
    default:
      return TWaitOutcome::NotHooked;
  }
}

// Wakes the target thread for the request prepared in the block and waits
// for the outcome.
TWaitOutcome Deliver(TSharedBlock& block, THookTarget& target) noexcept {
  unique_handle event(CreateEventA(nullptr, FALSE, FALSE, kInjectEventName));
  if (!event) return TWaitOutcome::NotHooked;
  // A signal left over from an answer that came too late is not this one's.
  if (GetLastError() == ERROR_ALREADY_EXISTS) ResetEvent(event.get());
  // This build cannot load into a process of the other bitness: never hook
  // such a thread, the bridge of that bitness serves it.
  if (target.Bridged < 0) target.Bridged = NeedsBridgeFor(target.ProcessHandle.get()) ? 1 : 0;
  if (target.Bridged) return BridgeAndWait(block, target);
  return HookAndWait(block, event.get(), target);
}

// A request as the hooked thread took it: served from this copy, so that
// whatever the block holds meanwhile cannot change what is done.
struct TTakenRequest {
  int Code = rqNone;
  uint32_t Serial = 0;
  HWND Window = nullptr;
  char Plugin = 0;
  char LastPlugin = 0;
  std::string Text;
};

struct TAnswer {
  int Result = 0;
  char Served = 0;
  HWND Focus = nullptr;
  POINT Point = {-2, -2};
  std::vector<char> Text;
};

bool TakeRequest(TSharedBlock& block, TTakenRequest& request) {
  TNamedLock lock(kBlockMutexName, kBlockLockTimeout);
  if (!lock.Held() || block.Pending == 0 || block.TargetThread != GetCurrentThreadId()) return false;
  request.Code = block.Pending;
  request.Serial = ReadSerial(block.InFlightSerial);
  request.Window = HandleFromBlock<HWND>(block.Window);
  request.Plugin = static_cast<char>(block.RequestPlugin);
  request.LastPlugin = IsWalk(request.Code) ? static_cast<char>(block.WalkLast) : request.Plugin;
  // Any process may write the block: never read past the text area.
  if (CarriesText(request.Code)) request.Text.assign(block.Text, strnlen(block.Text, kMaxBlockText));
  block.Pending = 0;
  return true;
}

// Runs the request's plugins in letter order until one serves. Letters of
// the caller's thread within the run were judged there to refuse.
template <typename Operation>
void RunPlugins(const TTakenRequest& request, TAnswer& answer, Operation operation) {
  for (char letter = request.Plugin; letter >= 'A' && letter <= request.LastPlugin; ++letter) {
    const TPluginSlot* slot = FindPlugin(letter);
    if (!slot || (IsWalk(request.Code) && !slot->Injectable)) continue;
    if (operation(letter)) {
      answer.Result = 1;
      answer.Served = letter;
      return;
    }
  }
}

TAnswer Serve(const TTakenRequest& request) {
  TAnswer answer;
  switch (request.Code) {
    case rqActivateWindow:
      answer.Result = IsWindow(request.Window) && SetForegroundWindow(request.Window) ? 1 : 0;
      break;
    case rqGetFocusWindow:
      answer.Focus = GetFocus();
      answer.Result = answer.Focus ? 1 : 0;
      break;
    case rqGetText:
    case rqWalkGetText:
      answer.Text.assign(kMaxBlockText + 1, '\0');
      RunPlugins(request, answer, [&](char letter) {
        return CallGetText(request.Window, letter, answer.Text.data(), &answer.Point) != 0;
      });
      break;
    case rqSetText:
    case rqWalkSetText:
      RunPlugins(request, answer, [&](char letter) {
        return CallSetText(request.Window, letter, request.Text.c_str()) != 0;
      });
      break;
    default:
      break;
  }
  return answer;
}

void SignalRequester() noexcept {
  unique_handle event(OpenEventA(EVENT_MODIFY_STATE, FALSE, kInjectEventName));
  if (event) SetEvent(event.get());
}

// Writes the answer and wakes the requester, but only while the request is
// still the one in flight: a requester that gave up has withdrawn it, and
// the block may already carry the next caller's request.
void Answer(TSharedBlock& block, const TTakenRequest& request, const TAnswer& answer) {
  TNamedLock lock(kBlockMutexName, kBlockLockTimeout);
  if (!lock.Held() || ReadSerial(block.InFlightSerial) != request.Serial) return;
  block.Result = static_cast<uint8_t>(answer.Result);
  if (request.Code == rqGetFocusWindow) block.Window = HandleToBlock(answer.Focus);
  if (request.Code == rqGetText || request.Code == rqWalkGetText) {
    lstrcpynA(block.Text, answer.Text.data(), kMaxBlockText + 1);
    block.PointX = answer.Point.x;
    block.PointY = answer.Point.y;
  }
  if (answer.Served) {
    block.LastUsed = static_cast<uint8_t>(answer.Served);
    block.WalkServed = static_cast<uint8_t>(answer.Served);
  }
  SignalRequester();
}

// Takes the request addressed to this thread, serves it and answers.
// False when there was none to take.
bool ServeHookedRequest(TSharedBlock& block) noexcept {
  try {
    TTakenRequest request;
    if (!TakeRequest(block, request)) return false;
    Answer(block, request, Serve(request));
  } catch (...) {
    // Out of memory for the copies: the requester's wait ends without an answer.
  }
  return true;
}

}  // namespace

THookTarget FindHookTarget(HWND toHook) noexcept {
  THookTarget target;
  if (!IsWindow(toHook) || IsConsoleWindow(toHook)) return target;
  target.Thread = GetWindowThreadProcessId(toHook, &target.Process);
  target.ProcessHandle.reset(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, target.Process));
  target.Waitable = static_cast<bool>(target.ProcessHandle);
  // A process that refuses to be waited on may still tell its bitness.
  if (!target.ProcessHandle)
    target.ProcessHandle.reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, target.Process));
  return target;
}

int SendHookRequest(int code, HWND window, char letter, const char* text, char lastLetter) noexcept {
  if (code < rqActivateWindow || code > rqWalkSetText) return 0;
  const bool toForeground = code == rqActivateWindow || code == rqGetFocusWindow;
  THookTarget target = FindHookTarget(toForeground ? GetForegroundWindow() : window);
  return SendHookRequestTo(target, code, window, letter, text, lastLetter);
}

int SendHookRequestTo(THookTarget& target, int code, HWND window, char letter, const char* text,
                      char lastLetter) noexcept {
  TSharedBlock* block = SharedBlock();
  if (!block || code < rqActivateWindow || code > rqWalkSetText || !target.Thread || target.GaveUp)
    return 0;
  {
    TNamedLock lock(kBlockMutexName, kBlockLockTimeout);
    if (!lock.Held()) return 0;
    PrepareRequest(*block, code, window, letter, text, lastLetter, target.Thread);
  }
  const TWaitOutcome outcome = Deliver(*block, target);
  if (outcome == TWaitOutcome::TimedOut || outcome == TWaitOutcome::TargetEnded)
    target.GaveUp = true;
  // Whatever way the request ended, no thread takes it up or answers it
  // later; what the block holds now is this request's answer.
  WithdrawRequest(*block);
  return block->Result;
}

void TakeTextAnswer(const TSharedBlock& block, char* buffer, POINT* point) noexcept {
  lstrcpynA(buffer, block.Text, kMaxBlockText + 1);
  point->x = block.PointX;
  point->y = block.PointY;
}

LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  TSharedBlock* block = SharedBlock();
  // The unguarded look only spares other messages the mutex; the request is
  // taken under it.
  if (code >= 0 && block && GetCurrentThreadId() == block->TargetThread && block->Pending != 0 &&
      ServeHookedRequest(*block))
    return 0;
  return CallNextHookEx(block ? HandleFromBlock<HHOOK>(block->HookHandle) : nullptr, code, wParam,
                        lParam);
}

}  // namespace kst
