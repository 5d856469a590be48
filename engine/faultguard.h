// Containment of processor faults (access violations, illegal or privileged
// instructions, integer division faults, in-page errors, misalignment)
// raised inside a guarded call, so that a plugin that meets a broken pointer
// ends like one that meets a failing HRESULT, and the host process goes on.
//
// A guarded call puts an exception registration of its own into the thread's
// chain of structured exception handlers (a handler in the call's frame on
// x86_64, a record linked into fs:[0] on i686). The handler sees a fault only
// after every frame inside the call has declined it, so code of other
// modules that handles its own faults keeps doing so. Then:
//   - a fault in this module's code, or a call from this module's code to an
//     address that cannot be executed, becomes a C++ exception (EProcessorFault)
//     thrown from the faulting instruction: destructors run and catch blocks
//     inside the call see it as they see any exception (the sources are built
//     with -fnon-call-exceptions and asynchronous unwind tables);
//   - anything else (a fault inside another module's code, a second fault
//     while the first is still being thrown or handled, std::terminate
//     reached inside the call) abandons the frames inside the call and
//     returns from the call at once. Termination handlers of other modules'
//     frames run; destructors of this module's abandoned frames do not.
// Stack overflow and software exceptions are never claimed.
#pragma once

#include <windows.h>

#include <type_traits>

namespace kst {

// The C++ exception a contained processor fault becomes.
struct EProcessorFault {
  DWORD Code;            // EXCEPTION_ACCESS_VIOLATION, ...
  const void* Address;   // the instruction that faulted
};

enum class TGuardOutcome {
  Completed,  // the body returned
  Raised,     // an exception (a contained fault among them) ended the body
  Abandoned,  // the body's frames were left without unwinding them
};

TGuardOutcome RunGuarded(void (*body)(void*), void* argument) noexcept;

// Runs `body()`; no exception and no contained fault leaves it.
template <typename Body>
TGuardOutcome GuardedCall(Body&& body) noexcept {
  using TBody = std::remove_reference_t<Body>;
  return RunGuarded([](void* p) { (*static_cast<TBody*>(p))(); }, &body);
}

// Process start-up and shut-down: the thread slot that names the innermost
// guarded call, and the terminate handler that abandons it.
void AttachFaultGuard() noexcept;
void DetachFaultGuard() noexcept;

}  // namespace kst
