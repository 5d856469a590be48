// Vtables filled slot by slot: catch-alls for the slots a double does not
// serve, and probes that tell which slot a declaration calls.
//
// A catch-all cannot know the signature of the slot it stands in. Under the
// x64 convention the caller removes the arguments, so it may record the call
// and return. Under stdcall (i686) the callee removes exactly the bytes its
// caller pushed; a catch-all that returns would leave the caller's stack
// off, so there it reports the call and ends the program with
// kUnservedSlotExit: the test fails either way, and never on a wrecked stack.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <utility>

namespace kst::test {

inline constexpr UINT kUnservedSlotExit = 0xBADC;

// Called by a catch-all after it has recorded `what`: returns under the x64
// convention, ends the program under stdcall.
void EndUnservedCall(const std::string& what);

// ---- probes ----

namespace slotprobe {
// The jump buffer of __builtin_setjmp and the slot the probe saw.
inline void* g_jump[5];
inline volatile int g_slot = -1;

// Records its slot and jumps back into SlotCalled: the stack is restored
// from the jump buffer, whatever the callee would have had to remove.
template <int Slot>
HRESULT STDMETHODCALLTYPE Record(void*) {
  g_slot = Slot;
  __builtin_longjmp(g_jump, 1);
}

template <int... Slots>
const std::array<void*, sizeof...(Slots)>& Table(std::integer_sequence<int, Slots...>) {
  static const std::array<void*, sizeof...(Slots)> table = {reinterpret_cast<void*>(&Record<Slots>)...};
  return table;
}

[[gnu::noinline]] inline void Run(void (*call)(void*, void*), void* context, void* object) {
  if (__builtin_setjmp(g_jump) == 0) call(context, object);
}
}  // namespace slotprobe

// The vtable slot a call through Interface uses: `call` gets an object whose
// every slot records its own number; -1 when it called none.
template <typename Interface, typename Call>
int SlotCalled(Call call) {
  struct Object {
    const void* const* vtbl;
  } object = {slotprobe::Table(std::make_integer_sequence<int, 256>()).data()};
  slotprobe::g_slot = -1;
  slotprobe::Run([](void* context, void* self) { (*static_cast<Call*>(context))(static_cast<Interface*>(self)); },
                 &call, &object);
  return slotprobe::g_slot;
}

}  // namespace kst::test
