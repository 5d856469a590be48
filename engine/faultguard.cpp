#include "faultguard.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <exception>

// Not declared by every winnt.h that this code is built with.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace kst {

// What the guarded call, its handler and the throw of a fault share. It
// lives in the frame of RunGuarded for the whole call.
struct TGuardFrame {
  void (*Body)(void*);
  void* Argument;
  TGuardFrame* Outer;     // the enclosing guarded call of this thread
  LONG LiveFaults;        // fault exceptions thrown here and not yet destroyed
  DWORD Code;             // the fault being turned into an exception
  const void* Address;
  // The thread's C++ runtime state on entry, put back when frames are
  // abandoned: their exceptions never reach a catch that would settle it.
  void* CaughtExceptions;
  unsigned int UncaughtExceptions;
};

}  // namespace kst

using kst::TGuardFrame;

// The pieces the assembly below calls or is called by.
extern "C" {
int kst_guarded_call(TGuardFrame* frame);
void kst_fault_entry();
int kst_guard_body(TGuardFrame* frame);
[[noreturn]] void kst_throw_fault(TGuardFrame* frame);
EXCEPTION_DISPOSITION kst_guard_handler(EXCEPTION_RECORD* record, void* establisher,
                                        CONTEXT* context, void* dispatch);
#if defined(__x86_64__)
void kst_guard_resume();
#else
[[noreturn]] void kst_guard_abandon(void* registration, EXCEPTION_RECORD* record);
#endif
}

// kst_guarded_call(frame) runs kst_guard_body(frame) under kst_guard_handler
// and returns its result, or 1 when the handler abandoned the call.
//
// kst_fault_entry is where a fault that becomes an exception resumes: the
// handler leaves the frame in the first argument register and, in the
// second, the return address the fault stands for (the faulting
// instruction + 1, so that the unwinder's look-up of "return address - 1"
// lands on the faulting instruction itself). The entry pushes that address
// and enters kst_fault_thunk as if the faulting instruction had called it;
// the thunk has unwind information of its own, realigns the stack and calls
// kst_throw_fault.
#if defined(__x86_64__)
asm(R"(
    .text
    .p2align 4
    .globl kst_guarded_call
    .def kst_guarded_call; .scl 2; .type 32; .endef
    .seh_proc kst_guarded_call
    .seh_handler kst_guard_handler, @except
kst_guarded_call:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %rcx, 32(%rsp)          # the frame, found by the handler above its home area
    call kst_guard_body
    nop                          # the return address must not read as an epilogue
    .globl kst_guard_resume
kst_guard_resume:                # unwinding to this frame continues here, eax = 1
    addq $40, %rsp
    ret
    .seh_endproc

    .p2align 4
    .globl kst_fault_entry
    .def kst_fault_entry; .scl 2; .type 32; .endef
kst_fault_entry:
    pushq %rdx
    jmp kst_fault_thunk

    .p2align 4
    .def kst_fault_thunk; .scl 3; .type 32; .endef
    .seh_proc kst_fault_thunk
kst_fault_thunk:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    .seh_endprologue
    andq $-16, %rsp
    subq $32, %rsp
    call kst_throw_fault
    int3
    .seh_endproc
)");
#elif defined(__i386__)
asm(R"(
    .text
    .p2align 4
    .globl _kst_guarded_call
    .def _kst_guarded_call; .scl 2; .type 32; .endef
_kst_guarded_call:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    .cfi_offset %ebx, -12
    .cfi_offset %esi, -16
    .cfi_offset %edi, -20
    pushl $_kst_guard_handler    # the registration record: handler,
    pushl %fs:0                  # then the previous head of the chain
    movl %esp, %fs:0
    pushl 8(%ebp)
    call _kst_guard_body
    addl $4, %esp
Lkst_guard_resume:               # esp = the registration record
    popl %fs:0
    addl $4, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    .cfi_def_cfa %esp, 4
    ret
    .cfi_endproc

    # kst_guard_abandon(registration, record): unwinds the chain of
    # registrations down to the guarded call's own, running the
    # termination handlers on the way, and resumes that call with eax = 1.
    # RtlUnwind may not keep ebx, esi and edi: nothing here relies on them,
    # and the guarded call restores them from its frame.
    .p2align 4
    .globl _kst_guard_abandon
    .def _kst_guard_abandon; .scl 2; .type 32; .endef
_kst_guard_abandon:
    movl 4(%esp), %eax
    movl 8(%esp), %ecx
    pushl $0
    pushl %ecx
    pushl $0
    pushl %eax
    call _RtlUnwind@16
    movl 4(%esp), %eax
    movl %eax, %esp
    leal 20(%esp), %ebp
    movl $1, %eax
    jmp Lkst_guard_resume

    .p2align 4
    .globl _kst_fault_entry
    .def _kst_fault_entry; .scl 2; .type 32; .endef
_kst_fault_entry:
    pushl %edx
    jmp Lkst_fault_thunk

    .p2align 4
Lkst_fault_thunk:
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    andl $-16, %esp
    subl $12, %esp
    pushl %eax
    call _kst_throw_fault
    int3
    .cfi_endproc
)");
#else
#error "processor faults are contained on x86_64 and i686 only"
#endif

namespace kst {
namespace {

// Raised by the terminate handler to abandon the innermost guarded call;
// the one argument names that call's frame.
constexpr DWORD kAbandonCode = 0xE04B5354;

DWORD g_FrameSlot = TLS_OUT_OF_INDEXES;
std::terminate_handler g_PreviousTerminate = nullptr;

TGuardFrame* InnermostFrame() noexcept {
  if (g_FrameSlot == TLS_OUT_OF_INDEXES) return nullptr;
  return static_cast<TGuardFrame*>(TlsGetValue(g_FrameSlot));
}

void SetInnermostFrame(TGuardFrame* frame) noexcept {
  if (g_FrameSlot != TLS_OUT_OF_INDEXES) TlsSetValue(g_FrameSlot, frame);
}

// Faults of the instruction being executed; never a stack overflow (no
// stack left to throw with) and never an exception raised by software.
bool IsProcessorFault(DWORD code) noexcept {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
      return true;
    default:
      return false;
  }
}

// Whether `address` lies in an executable section of this module.
bool IsOwnCode(uintptr_t address) noexcept {
  const auto base = reinterpret_cast<uintptr_t>(&__ImageBase);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + __ImageBase.e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (!(section->Characteristics & IMAGE_SCN_MEM_EXECUTE)) continue;
    const uintptr_t start = base + section->VirtualAddress;
    if (address >= start && address - start < section->Misc.VirtualSize) return true;
  }
  return false;
}

// The thread's information block, through its self pointer.
const NT_TIB* ThreadInformationBlock() noexcept {
  const NT_TIB* tib;
#if defined(__x86_64__)
  asm("movq %%gs:0x30, %0" : "=r"(tib));
#else
  asm("movl %%fs:0x18, %0" : "=r"(tib));
#endif
  return tib;
}

bool IsOnStack(uintptr_t address) noexcept {
  const NT_TIB* tib = ThreadInformationBlock();
  return address >= reinterpret_cast<uintptr_t>(tib->StackLimit) &&
         address + sizeof(void*) <= reinterpret_cast<uintptr_t>(tib->StackBase);
}

#if defined(__x86_64__)
// The unwinder decodes the bytes at a return address to see whether it lies
// in an epilogue. Faulting instruction + 1 is the middle of an instruction;
// where its bytes could start a ret, jmp, pop or stack release, the fault is
// not thrown from there.
bool MayReadAsEpilogue(const uint8_t* p) noexcept {
  const uint8_t b = p[0];
  if (b == 0xC3 || b == 0xC2 || b == 0xE9 || b == 0xEB || b == 0xFF || (b >= 0x58 && b <= 0x5F))
    return true;
  if ((b == 0x41 || b == 0x49) && p[1] >= 0x58 && p[1] <= 0x5F) return true;
  if ((b & 0xF0) == 0x40 && (p[1] == 0x83 || p[1] == 0x81 || p[1] == 0x8D || p[1] == 0xFF))
    return true;
  return b == 0xF3 && p[1] == 0xC3;
}
#endif

// Resumes the faulting thread in kst_fault_entry when the fault can be
// thrown from where it happened: an instruction of this module, or a call
// from this module to an address that cannot be executed (then the call
// itself counts as the faulting instruction). False leaves the context as
// it is.
bool RedirectToThrow(const EXCEPTION_RECORD& record, TGuardFrame& frame, CONTEXT& context) noexcept {
#if defined(__x86_64__)
  uintptr_t ip = context.Rip, sp = context.Rsp;
#else
  uintptr_t ip = context.Eip, sp = context.Esp;
#endif
  uintptr_t returnTo = 0;
  if (IsOwnCode(ip)) {
    returnTo = ip + 1;
#if defined(__x86_64__)
    if (MayReadAsEpilogue(reinterpret_cast<const uint8_t*>(returnTo))) return false;
#endif
  } else if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2 &&
             record.ExceptionInformation[1] == ip && IsOnStack(sp) &&
             IsOwnCode(*reinterpret_cast<const uintptr_t*>(sp))) {
    returnTo = *reinterpret_cast<const uintptr_t*>(sp);
    sp += sizeof(void*);
  } else {
    return false;
  }
  frame.Code = record.ExceptionCode;
  frame.Address = reinterpret_cast<const void*>(ip);
  ++frame.LiveFaults;  // from here until the exception object is destroyed
  const auto entry = reinterpret_cast<uintptr_t>(&kst_fault_entry);
  const auto self = reinterpret_cast<uintptr_t>(&frame);
#if defined(__x86_64__)
  context.Rip = entry;
  context.Rsp = sp;
  context.Rcx = self;
  context.Rdx = returnTo;
#else
  context.Eip = entry;
  context.Esp = sp;
  context.Eax = self;
  context.Edx = returnTo;
#endif
  return true;
}

// The layout libstdc++ gives the per-thread exception state (cxxabi.h
// declares the type without its members).
struct TEhGlobals {
  void* CaughtExceptions;
  unsigned int UncaughtExceptions;
};

TEhGlobals* EhGlobals() noexcept {
  return reinterpret_cast<TEhGlobals*>(abi::__cxa_get_globals());
}

[[noreturn]] void Abandon(EXCEPTION_RECORD* record, void* establisher, TGuardFrame& frame,
                          void* dispatch) noexcept {
  TEhGlobals* globals = EhGlobals();
  globals->CaughtExceptions = frame.CaughtExceptions;
  globals->UncaughtExceptions = frame.UncaughtExceptions;
#if defined(__x86_64__)
  auto* dispatcher = static_cast<DISPATCHER_CONTEXT*>(dispatch);
  RtlUnwindEx(establisher, reinterpret_cast<void*>(&kst_guard_resume), record,
              reinterpret_cast<void*>(1), dispatcher->ContextRecord, dispatcher->HistoryTable);
  std::abort();  // RtlUnwindEx does not return
#else
  (void)dispatch;
  kst_guard_abandon(establisher, record);
#endif
}

TGuardFrame& FrameOf(void* establisher) noexcept {
#if defined(__x86_64__)
  return **reinterpret_cast<TGuardFrame**>(static_cast<char*>(establisher) + 32);
#else
  // The registration record sits 20 bytes below the saved ebp, the frame
  // argument 8 bytes above it.
  return **reinterpret_cast<TGuardFrame**>(static_cast<char*>(establisher) + 28);
#endif
}

// Thrown for a contained fault; counts itself so that a fault that arrives
// while one is still on its way is not thrown over it.
struct TFaultException : EProcessorFault {
  TGuardFrame* Frame;
  explicit TFaultException(TGuardFrame* frame) noexcept
      : EProcessorFault{frame->Code, frame->Address}, Frame(frame) {}
  TFaultException(const TFaultException& other) noexcept : EProcessorFault(other), Frame(other.Frame) {
    ++Frame->LiveFaults;
  }
  TFaultException& operator=(const TFaultException&) = delete;
  ~TFaultException() { --Frame->LiveFaults; }
};

[[noreturn]] void AbandonOnTerminate() {
  if (TGuardFrame* frame = InnermostFrame()) {
    const ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(frame);
    RaiseException(kAbandonCode, EXCEPTION_NONCONTINUABLE, 1, &argument);
  }
  if (g_PreviousTerminate) g_PreviousTerminate();
  std::abort();
}

}  // namespace

TGuardOutcome RunGuarded(void (*body)(void*), void* argument) noexcept {
  const TEhGlobals* globals = EhGlobals();
  TGuardFrame frame = {body, argument, InnermostFrame(), 0, 0, nullptr,
                       globals->CaughtExceptions, globals->UncaughtExceptions};
  SetInnermostFrame(&frame);
  const int outcome = kst_guarded_call(&frame);
  SetInnermostFrame(frame.Outer);
  switch (outcome) {
    case 0:
      return TGuardOutcome::Completed;
    case 1:
      return TGuardOutcome::Abandoned;
    default:
      return TGuardOutcome::Raised;
  }
}

void AttachFaultGuard() noexcept {
  g_FrameSlot = TlsAlloc();
  g_PreviousTerminate = std::set_terminate(AbandonOnTerminate);
}

void DetachFaultGuard() noexcept {
  std::set_terminate(g_PreviousTerminate);
  if (g_FrameSlot != TLS_OUT_OF_INDEXES) TlsFree(g_FrameSlot);
  g_FrameSlot = TLS_OUT_OF_INDEXES;
}

}  // namespace kst

using kst::TGuardFrame;

extern "C" int kst_guard_body(TGuardFrame* frame) {
  try {
    frame->Body(frame->Argument);
  } catch (...) {
    return 2;
  }
  return 0;
}

extern "C" void kst_throw_fault(TGuardFrame* frame) { throw kst::TFaultException(frame); }

extern "C" EXCEPTION_DISPOSITION kst_guard_handler(EXCEPTION_RECORD* record, void* establisher,
                                                   CONTEXT* context, void* dispatch) {
  using namespace kst;
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  TGuardFrame& frame = FrameOf(establisher);
  if (record->ExceptionCode == kAbandonCode) {
    if (record->NumberParameters == 1 &&
        record->ExceptionInformation[0] == reinterpret_cast<ULONG_PTR>(&frame))
      Abandon(record, establisher, frame, dispatch);
    return ExceptionContinueSearch;
  }
  if (!IsProcessorFault(record->ExceptionCode)) return ExceptionContinueSearch;
  if (frame.LiveFaults == 0 && !(record->ExceptionFlags & EXCEPTION_NONCONTINUABLE) &&
      RedirectToThrow(*record, frame, *context))
    return ExceptionContinueExecution;
  Abandon(record, establisher, frame, dispatch);
}
