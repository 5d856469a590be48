// Roles around the shared block: a second client of the library.
#include <windows.h>

#include <string>

#include "fixture.h"
#include "testsupport.h"

namespace kst::test {
namespace {

std::string DisabledFlags(const TSharedBlock& block) {
  std::string flags;
  for (uint8_t flag : block.Disabled) flags += static_cast<char>('0' + flag);
  return flags;
}

}  // namespace

// client [hold]: loads selvor32.dll and reports the block as it then is:
//   count=N disabled=<26 flags A..Z> lastused=N
// With "hold" it keeps the library loaded until the test sends a line.
KST_FIXTURE_ROLE("client", ClientRole) {
  Selvor32 library;
  if (!library.module) return 1;
  BlockView block;
  if (!block) {
    Say("no block");
    return 1;
  }
  Say("count=%d disabled=%s lastused=%d", block->ClientCount, DisabledFlags(*block.get()).c_str(),
      library.get_last_used_plugin());
  if (!args.empty() && args[0] == "hold") ReadCommand();
  return 0;
}

}  // namespace kst::test
