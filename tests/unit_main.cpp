// Test programs that link the engine statically attach it as the DLL's
// start-up would, so internal procedures run against a real shared block.
#include <gtest/gtest.h>

#include "engine.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  kst::EngineAttach(GetModuleHandleA(nullptr));
  const int result = RUN_ALL_TESTS();
  kst::EngineDetach();
  return result;
}
