// Test programs that link the engine statically attach it as the DLL's
// start-up would, so internal procedures run against a real shared block.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "engine.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A run meant for another ANSI code page (tests/CMakeLists.txt) fails when
  // Wine did not take it from the locale, rather than pass as a second run
  // under the usual one.
  if (const char* expected = std::getenv("KST_EXPECT_ACP")) {
    const unsigned wanted = static_cast<unsigned>(std::strtoul(expected, nullptr, 10));
    if (GetACP() != wanted) {
      std::fprintf(stderr, "ANSI code page %u, not the %u this run is for\n", GetACP(), wanted);
      return 1;
    }
  }
  kst::EngineAttach(GetModuleHandleA(nullptr));
  const int result = RUN_ALL_TESTS();
  kst::EngineDetach();
  return result;
}
