// Requests of callers that do not coordinate, and targets that hang, answer
// late or die in the middle of a request.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "hookrequest.h"
#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

struct Editor : FixtureWindow {
  explicit Editor(const std::string& text = "x = 12+3 ;", int caret = 6)
      : FixtureWindow("editor \"" + text + "\" " + std::to_string(caret) + " " +
                      std::to_string(caret)),
        edit(child) {}
  HWND edit;
};

class RequestTest : public testing::Test {
 protected:
  void SetUp() override { ClearClipboard(); }
  void TearDown() override {
    for (char letter = 'A'; letter <= 'F'; ++letter) library.enable_plugin(letter);
  }

  std::string Read(HWND window, int expectedResult = 1) {
    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    POINT point = {};
    EXPECT_EQ(library.get_window_text(window, buffer, &point), expectedResult);
    return buffer;
  }
  // Milliseconds that `call` took.
  template <typename Call>
  static DWORD Timed(Call call) {
    const DWORD start = GetTickCount();
    call();
    return GetTickCount() - start;
  }

  Selvor32 library;
};

// "PREFIX served=N refused=N crossed=N ..." as the hammer role says it.
struct Tally {
  int served = -1, refused = -1, crossed = -1;
};

Tally ReadTally(FixtureProcess& caller, const std::string& prefix) {
  const std::string line = caller.ReadLine(120000);
  Tally tally;
  const auto words = Words(line);
  EXPECT_GE(words.size(), 4u) << line;
  if (words.size() < 4 || words[0] != prefix) return tally;
  tally.served = std::atoi(words[1].c_str() + 7);
  tally.refused = std::atoi(words[2].c_str() + 8);
  tally.crossed = std::atoi(words[3].c_str() + 8);
  EXPECT_EQ(tally.crossed, 0) << line;
  return tally;
}

constexpr int kRounds = 200;

void ExpectEveryCallAccountedFor(const Tally& tally, const char* who) {
  EXPECT_EQ(tally.served + tally.refused, 2 * kRounds) << who;
  // Refused calls are those that could not get the request mutex in time.
  std::printf("%s: %d served, %d refused for the wait bound, %d crossed\n", who, tally.served,
              tally.refused, tally.crossed);
}

TEST_F(RequestTest, TwoClientProcessesAtOnceNeverCross) {
  Editor first, second("x = 7*6 ;");
  const std::string rounds = std::to_string(kRounds) + " ";
  FixtureProcess a("hammer " + rounds + FormatWindow(first.edit) + " a");
  FixtureProcess b("hammer " + rounds + FormatWindow(second.edit) + " b");
  ASSERT_EQ(a.ReadLine(), "waiting");
  ASSERT_EQ(b.ReadLine(), "waiting");
  a.Send("go");
  b.Send("go");
  ExpectEveryCallAccountedFor(ReadTally(a, "a"), "client a");
  ExpectEveryCallAccountedFor(ReadTally(b, "b"), "client b");
  const std::string last = "x = a" + std::to_string(kRounds - 1) + " ;";
  EXPECT_EQ(first.Ask("text"), "text=" + last);
}

TEST_F(RequestTest, TwoThreadsOfOneClientAtOnceNeverCross) {
  Editor first, second("x = 7*6 ;");
  FixtureProcess caller("hammer " + std::to_string(kRounds) + " " + FormatWindow(first.edit) +
                        " a " + FormatWindow(second.edit) + " b");
  ASSERT_EQ(caller.ReadLine(), "waiting");
  caller.Send("go");
  ExpectEveryCallAccountedFor(ReadTally(caller, "a"), "thread a");
  ExpectEveryCallAccountedFor(ReadTally(caller, "b"), "thread b");
}

TEST_F(RequestTest, ALateAnswerNeverReachesTheNextRequest) {
  library.disable_plugin('F');  // the clipboard would answer for the slow editor
  Editor slow, other("y = 7*6 ;");
  ASSERT_EQ(slow.Ask("slowsel 12000"), "slow");
  const DWORD timedOut = Timed([&] { Read(slow.edit, 0); });
  EXPECT_GE(timedOut, 9500u);
  EXPECT_LT(timedOut, 11500u);
  EXPECT_EQ(Read(other.edit), "7*6");
  // The slow editor finishes its read now; its answer must stay out.
  PumpMessages(3000);
  EXPECT_EQ(Read(other.edit), "7*6");
  BlockView block;
  EXPECT_STREQ(block->Text, "7*6");

  ASSERT_EQ(slow.Ask("slowsel 12000"), "slow");
  EXPECT_EQ(library.set_window_text(slow.edit, "late"), 0);
  EXPECT_EQ(library.set_window_text(other.edit, "fresh"), 1);
  PumpMessages(3000);
  // The slow editor replaced its run with the text meant for it, never with
  // the next caller's.
  EXPECT_EQ(slow.Ask("text"), "text=x = late ;");
  EXPECT_EQ(other.Ask("text"), "text=y = fresh ;");
  EXPECT_EQ(block->Pending, 0);
}

TEST_F(RequestTest, AHungTargetCostsOneTimeoutWithEveryPluginEnabled) {
  Editor hung, other("y = 7*6 ;");
  hung.process.Send("hang 30000");
  PumpMessages(300);  // the editor has taken the command and stopped pumping
  EXPECT_LT(Timed([&] { Read(hung.edit, 0); }), 11500u);
  EXPECT_LT(Timed([&] { library.set_window_text(hung.edit, "15"); }), 11500u);
  // The next call, to an application that answers, is served as usual.
  EXPECT_EQ(Read(other.edit), "7*6");
}

TEST_F(RequestTest, ATargetKilledInTheMiddleOfARequestEndsTheCallPromptly) {
  Editor doomed, other("y = 7*6 ;");
  doomed.process.Send("hang 30000");
  PumpMessages(300);  // the editor has taken the command and stopped pumping
  std::thread killer([&] {
    Sleep(1000);
    doomed.process.Kill();
  });
  const DWORD elapsed = Timed([&] { Read(doomed.edit, 0); });
  killer.join();
  EXPECT_LT(elapsed, 2500u);
  EXPECT_EQ(Read(other.edit), "7*6");
}

TEST_F(RequestTest, ACallerThatDiesWhileItHoldsTheRequestsBlocksNoOne) {
  Editor hung, other("y = 7*6 ;");
  hung.process.Send("hang 30000");
  FixtureProcess holder("get " + FormatWindow(hung.edit));
  ASSERT_EQ(holder.ReadLine(), "calling");
  Sleep(500);  // the holder waits for the hung editor now
  holder.Kill();
  std::string text;
  EXPECT_LT(Timed([&] { text = Read(other.edit); }), 2500u);
  EXPECT_EQ(text, "7*6");
}

TEST_F(RequestTest, ACallerThatCannotHaveTheRequestsInTimeGetsZeroAndChangesNothing) {
  Editor editor;
  unique_handle held(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  unique_handle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::thread owner([&] {
    unique_handle mutex(CreateMutexA(nullptr, TRUE, kRequestMutexName));
    SetEvent(held.get());
    WaitForSingleObject(release.get(), 60000);
    ReleaseMutex(mutex.get());
  });
  WaitForSingleObject(held.get(), 5000);
  const DWORD elapsed = Timed([&] { EXPECT_EQ(library.set_window_text(editor.edit, "15"), 0); });
  SetEvent(release.get());
  owner.join();
  EXPECT_GE(elapsed, kRequestLockTimeout - 500);
  EXPECT_LT(elapsed, kRequestLockTimeout + 1500);
  EXPECT_EQ(editor.Ask("text"), "text=x = 12+3 ;");
  EXPECT_EQ(Read(editor.edit), "12+3");
}

}  // namespace
}  // namespace kst::test
