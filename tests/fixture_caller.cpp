// Roles of client applications that call the library at the same time as
// the test does: each loads selvor32.dll as a client would.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fixture.h"
#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

// What one caller saw: a call that did what it reported, a call refused
// with nothing changed, or anything else (another window's text, a write
// that landed elsewhere, a success reported for nothing).
struct TTally {
  int served = 0;
  int refused = 0;
  int crossed = 0;
  std::string firstCrossing;
};

void Crossed(TTally& tally, const std::string& what) {
  if (tally.crossed++ == 0) tally.firstCrossing = what;
}

// The editor holds "x = RUN ;" with the caret in RUN. Each round writes a
// new run of this caller's own and reads it back.
void Hammer(Selvor32& library, HWND edit, const std::string& prefix, int rounds, TTally& tally) {
  std::string shown = WindowText(edit);
  std::string run = shown.size() > 6 ? shown.substr(4, shown.size() - 6) : "";
  for (int round = 0; round < rounds; ++round) {
    const std::string word = prefix + std::to_string(round);
    const int written = library.set_window_text(edit, word.c_str());
    const std::string now = WindowText(edit);
    if (written == 1 && now == "x = " + word + " ;") {
      ++tally.served;
      run = word;
    } else if (written == 0 && now == shown) {
      ++tally.refused;
    } else {
      Crossed(tally, "set " + word + " -> " + std::to_string(written) + " \"" + now + "\"");
    }
    shown = now;

    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    POINT point = {};
    const int read = library.get_window_text(edit, buffer, &point);
    if (read == 1 && run == buffer) {
      ++tally.served;
    } else if (read == 0) {
      ++tally.refused;
    } else {
      Crossed(tally, "get -> \"" + std::string(buffer) + "\" expected \"" + run + "\"");
    }
  }
}

}  // namespace

// hammer ROUNDS WINDOW PREFIX [WINDOW PREFIX ...]: one thread per editor
// window, all at once, each writing runs made of its PREFIX and reading them
// back ROUNDS times. Waits for a line on standard input before it starts,
// so that several callers can be set off together, then says per thread
// "PREFIX served=N refused=N crossed=N [first crossing]".
KST_FIXTURE_ROLE("hammer", HammerRole) {
  if (args.size() < 3 || args.size() % 2 == 0) return 2;
  Selvor32 library;
  if (!library.module) return 1;
  const int rounds = std::atoi(args[0].c_str());
  const size_t callers = (args.size() - 1) / 2;
  std::vector<TTally> tallies(callers);
  Say("waiting");
  ReadCommand();
  std::vector<std::thread> threads;
  for (size_t i = 0; i < callers; ++i) {
    threads.emplace_back([&, i] {
      Hammer(library, ParseWindow(args[1 + 2 * i]), args[2 + 2 * i], rounds, tallies[i]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < callers; ++i) {
    Say("%s served=%d refused=%d crossed=%d %s", args[2 + 2 * i].c_str(), tallies[i].served,
        tallies[i].refused, tallies[i].crossed, tallies[i].firstCrossing.c_str());
  }
  return 0;
}

// get WINDOW [hold]: says "calling", reads the window's selection, then says
// "result=R text=TEXT"; with "hold", keeps the library loaded until a line
// comes on standard input.
KST_FIXTURE_ROLE("get", GetRole) {
  if (args.empty()) return 2;
  Selvor32 library;
  if (!library.module) return 1;
  char buffer[KST_TEXT_BUFFER_SIZE] = {};
  POINT point = {};
  Say("calling");
  const int result = library.get_window_text(ParseWindow(args[0]), buffer, &point);
  Say("result=%d text=%s", result, buffer);
  if (args.size() > 1 && args[1] == "hold") ReadCommand();
  return 0;
}

}  // namespace kst::test
