// The bitness test and what it needs, shared by the engine and the bridge.
#include "bridge.h"

#include "kstres.h"

namespace kst {

bool IsSameBitness(DWORD processId) noexcept {
  BOOL selfWow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &selfWow64)) return false;
#ifndef _WIN64
  // A 32-bit process outside WOW64 runs on 32-bit Windows: every process there is 32-bit.
  if (!selfWow64) return true;
#endif
  unique_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  BOOL targetWow64 = FALSE;
  if (!process || !IsWow64Process(process.get(), &targetWow64)) return false;
  return targetWow64 == selfWow64;
}

DWORD ProcessOfThread(DWORD thread) noexcept {
  unique_handle handle(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread));
  return handle ? GetProcessIdOfThread(handle.get()) : 0;
}

}  // namespace kst
