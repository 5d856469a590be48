// Processor faults inside plugin functions, in this thread: a plugin double
// in slot X faults in each way a broken pointer or a broken instruction can
// make it; the function returns what its result held, the destructors that
// can run do, and the thread goes on serving.
#include <gtest/gtest.h>

#include <windows.h>
#include <unknwn.h>

#include <exception>
#include <string>

#include "faultguard.h"
#include "fakeplugin.h"
#include "kstplugin.h"
#include "plugintable.h"

namespace kst {
namespace {

int g_Destroyed = 0;
struct TCounted {
  ~TCounted() { ++g_Destroyed; }
};

// An address range that is reserved and never committed: no access at all.
void* NoAccess() {
  static void* const region = VirtualAlloc(nullptr, 0x10000, MEM_RESERVE, PAGE_NOACCESS);
  return region;
}

// A page that can be read but not written.
int* ReadOnlyPage() {
  static int* const page = [] {
    void* p = VirtualAlloc(nullptr, 0x1000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD old;
    VirtualProtect(p, 0x1000, PAGE_READONLY, &old);
    return static_cast<int*>(p);
  }();
  return page;
}

// An object that can be read, whose every vtable entry points to memory that
// cannot be executed.
struct TJunkObject {
  void* entries[8];
  void* vtable = entries;
  TJunkObject() {
    for (void*& entry : entries) entry = static_cast<char*>(NoAccess()) + 0x100;
  }
  IUnknown* AsUnknown() { return reinterpret_cast<IUnknown*>(&vtable); }
};

// The faults. Each lives in a frame with a destructor of its own to run.
__attribute__((noinline)) void ReadUnmapped() {
  TCounted inner;
  std::string text = *static_cast<const volatile char*>(NoAccess()) == 'x' ? "x" : "y";
}
__attribute__((noinline)) void WriteReadOnly() {
  TCounted inner;
  *static_cast<volatile int*>(ReadOnlyPage()) = 1;
}
__attribute__((noinline)) void DivideByZero() {
  TCounted inner;
  volatile int zero = 0;
  volatile int quotient = 1 / zero;
  (void)quotient;
}
__attribute__((noinline)) void IllegalInstruction() {
  TCounted inner;
  asm volatile("ud2");
}
__attribute__((noinline)) void PrivilegedInstruction() {
  TCounted inner;
  asm volatile("hlt");
}
__attribute__((noinline)) void CallThroughUnreadablePointer() {
  TCounted inner;
  IUnknown* volatile junk = static_cast<IUnknown*>(NoAccess());
  junk->AddRef();
}
__attribute__((noinline)) void CallThroughJunkVtableEntry() {
  TCounted inner;
  TJunkObject object;
  IUnknown* volatile junk = object.AsUnknown();
  junk->Release();
}

struct TFaultyDestructor {
  ~TFaultyDestructor() { ReadUnmapped(); }
};
// A fault while the frames of the first one are unwound.
__attribute__((noinline)) void FaultInADestructorWhileUnwinding() {
  TCounted first;
  TFaultyDestructor second;
  ReadUnmapped();
}
// A fault that cannot leave the function it happens in.
__attribute__((noinline)) void FaultInANoexceptFunction() noexcept {
  TCounted inner;
  *static_cast<volatile int*>(ReadOnlyPage()) = 2;
}
// A fault inside the C runtime library, another module.
__attribute__((noinline)) void FaultInAnotherModule() {
  TCounted inner;
  using TStrlen = size_t(__cdecl*)(const char*);
  const TStrlen volatile strlenOf = reinterpret_cast<TStrlen>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), "strlen")));
  ASSERT_NE(strlenOf, nullptr);
  strlenOf(static_cast<const char*>(NoAccess()));
}

// Plugin X: accepts every window; GetText and SetText set their results to
// 1, write into the buffer and then meet the fault.
struct FaultingPlugin {
  static inline void (*fault)() = nullptr;

  static int WINAPI CanHandle(HWND) { return 1; }
  static int WINAPI GetText(HWND, char* buffer, POINT*) {
    return PluginBoundary([&](int& result) {
      TCounted outer;
      lstrcpyA(buffer, "before the fault");
      result = 1;
      fault();
      result = 0;
    });
  }
  static int WINAPI SetText(HWND, const char*) {
    return PluginBoundary([&](int& result) {
      TCounted outer;
      result = 1;
      fault();
      result = 0;
    });
  }
  static TPluginSlot Slot() { return {1, 0, FakeX::GetInfo, CanHandle, GetText, SetText, nullptr}; }
};

struct TFaultCase {
  const char* name;
  void (*fault)();
  DWORD code;            // the exception a thrown fault carries; 0 when abandoned
  int destroyed;         // destructors run per call
};

const TFaultCase kThrownFaults[] = {
    {"read of an unmapped address", ReadUnmapped, EXCEPTION_ACCESS_VIOLATION, 2},
    {"write to a read-only page", WriteReadOnly, EXCEPTION_ACCESS_VIOLATION, 2},
    {"integer division by zero", DivideByZero, EXCEPTION_INT_DIVIDE_BY_ZERO, 2},
    // The compiler does not count an asm statement among the instructions
    // that can throw, so the faulting frame has no cleanup for it: its own
    // destructor is skipped, the frames outside it unwind.
    {"illegal instruction", IllegalInstruction, EXCEPTION_ILLEGAL_INSTRUCTION, 1},
    {"privileged instruction", PrivilegedInstruction, EXCEPTION_PRIV_INSTRUCTION, 1},
    {"call through an unreadable interface pointer", CallThroughUnreadablePointer,
     EXCEPTION_ACCESS_VIOLATION, 2},
    {"call through a junk vtable entry", CallThroughJunkVtableEntry, EXCEPTION_ACCESS_VIOLATION, 2},
};

// Where throwing cannot help, the frames are abandoned: their destructors
// do not run, the function still returns what its result held.
const TFaultCase kAbandonedFaults[] = {
    // The first fault's own frame is unwound before the destructor faults.
    {"fault in a destructor while unwinding", FaultInADestructorWhileUnwinding, 0, 1},
    {"fault in a noexcept function", FaultInANoexceptFunction, 0, 0},
    {"fault inside another module", FaultInAnotherModule, 0, 0},
};

class FaultGuardTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ReplacePluginSlot('X', FaultingPlugin::Slot());
  }

  // Reads and writes through slot X, then checks that slot Y still serves.
  void ExpectContained(const TFaultCase& c) {
    SCOPED_TRACE(c.name);
    FaultingPlugin::fault = c.fault;
    g_Destroyed = 0;
    char buffer[32769] = {};
    POINT point = {0, 0};
    EXPECT_EQ(RunGetText(window_, 'X', buffer, &point), 1);
    EXPECT_STREQ(buffer, "before the fault");
    EXPECT_EQ(g_Destroyed, c.destroyed);
    EXPECT_EQ(SharedBlock()->LastUsed, 'X');

    g_Destroyed = 0;
    EXPECT_EQ(RunSetText(window_, 'X', "new"), 1);
    EXPECT_EQ(g_Destroyed, c.destroyed);

    EXPECT_EQ(std::uncaught_exceptions(), 0);
    EXPECT_EQ(RunGetText(window_, 'Y', buffer, &point), 1);
    EXPECT_STREQ(buffer, "text of 2");
  }
};

TEST_F(FaultGuardTest, FaultsInOwnCodeAreThrownAndUnwound) {
  for (const TFaultCase& c : kThrownFaults) ExpectContained(c);
}

TEST_F(FaultGuardTest, FaultsThatCannotBeThrownAbandonTheFrames) {
  for (const TFaultCase& c : kAbandonedFaults) ExpectContained(c);
}

TEST(FaultGuard, ThrownFaultsCarryTheirCodeIntoCatchBlocks) {
  for (const TFaultCase& c : kThrownFaults) {
    DWORD code = 0;
    const void* address = nullptr;
    const TGuardOutcome outcome = GuardedCall([&] {
      try {
        c.fault();
      } catch (const EProcessorFault& fault) {
        code = fault.Code;
        address = fault.Address;
      }
    });
    EXPECT_EQ(outcome, TGuardOutcome::Completed) << c.name;
    EXPECT_EQ(code, c.code) << c.name;
    EXPECT_NE(address, nullptr) << c.name;
  }
}

TEST(FaultGuard, TellsWhichWayTheBodyEnded) {
  for (const TFaultCase& c : kThrownFaults)
    EXPECT_EQ(GuardedCall([&] { c.fault(); }), TGuardOutcome::Raised) << c.name;
  for (const TFaultCase& c : kAbandonedFaults)
    EXPECT_EQ(GuardedCall([&] { c.fault(); }), TGuardOutcome::Abandoned) << c.name;
  EXPECT_EQ(GuardedCall([] { throw 1; }), TGuardOutcome::Raised);
  EXPECT_EQ(GuardedCall([] {}), TGuardOutcome::Completed);
}

TEST(FaultGuard, AFaultCaughtInsideLeavesTheCallFreeForTheNextOne) {
  int caught = 0;
  const TGuardOutcome outcome = GuardedCall([&] {
    for (int i = 0; i < 3; ++i) {
      try {
        ReadUnmapped();
      } catch (const EProcessorFault&) {
        ++caught;
      }
    }
  });
  EXPECT_EQ(outcome, TGuardOutcome::Completed);
  EXPECT_EQ(caught, 3);
}

TEST(FaultGuard, TheInnermostCallContainsTheFault) {
  TGuardOutcome inner = TGuardOutcome::Completed;
  bool after = false;
  const TGuardOutcome outer = GuardedCall([&] {
    inner = GuardedCall([] { FaultInAnotherModule(); });
    after = true;
  });
  EXPECT_EQ(inner, TGuardOutcome::Abandoned);
  EXPECT_TRUE(after);
  EXPECT_EQ(outer, TGuardOutcome::Completed);
}

// Code that handles its own faults keeps handling them: the guard sees a
// fault only when no frame inside the call took it.
TEST(FaultGuard, AnotherModuleHandlesItsOwnFaultsFirst) {
  BOOL bad = FALSE;
  EXPECT_EQ(GuardedCall([&] { bad = IsBadReadPtr(NoAccess(), 4); }), TGuardOutcome::Completed);
  EXPECT_TRUE(bad);
}

// A software exception is never taken for a fault: it travels on to the
// handlers outside the call (here the process's last-chance filter, which
// lets the raising code go on).
LONG WINAPI ContinueSoftwareException(EXCEPTION_POINTERS* pointers) {
  return pointers->ExceptionRecord->ExceptionCode == 0xE0001234 ? EXCEPTION_CONTINUE_EXECUTION
                                                               : EXCEPTION_CONTINUE_SEARCH;
}

TEST(FaultGuard, SoftwareExceptionsAreNotClaimed) {
  const LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ContinueSoftwareException);
  bool after = false;
  const TGuardOutcome outcome = GuardedCall([&] {
    RaiseException(0xE0001234, 0, 0, nullptr);
    after = true;
  });
  SetUnhandledExceptionFilter(previous);
  EXPECT_EQ(outcome, TGuardOutcome::Completed);
  EXPECT_TRUE(after);
}

}  // namespace
}  // namespace kst
