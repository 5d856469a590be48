// The bitness test and what it needs, shared by the engine and the bridge.
#include "bridge.h"

#include "kstres.h"

namespace kst {

bool IsSameBitnessProcess(HANDLE process) noexcept {
  // This process's answer never changes; ask the system once.
  static const int selfWow64 = [] {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) ? (wow64 ? 1 : 0) : -1;
  }();
  if (selfWow64 < 0) return false;
#ifndef _WIN64
  // A 32-bit process outside WOW64 runs on 32-bit Windows: every process there is 32-bit.
  if (!selfWow64) return true;
#endif
  BOOL targetWow64 = FALSE;
  if (!process || !IsWow64Process(process, &targetWow64)) return false;
  return (targetWow64 ? 1 : 0) == selfWow64;
}

bool IsSameBitness(DWORD processId) noexcept {
  unique_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  return IsSameBitnessProcess(process.get());
}

DWORD ProcessOfThread(DWORD thread) noexcept {
  unique_handle handle(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread));
  return handle ? GetProcessIdOfThread(handle.get()) : 0;
}

}  // namespace kst
