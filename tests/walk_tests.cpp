// The plugin walk for windows of other processes: the plugins of the
// window's thread go there together, in as few hooked requests as the
// plugins of the caller's thread allow, and the walk serves exactly as one
// that tries each plugin on its own in letter order.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "selvor32.h"
#include "testsupport.h"

namespace kst::test {
namespace {

uint32_t Serial(const uint8_t (&field)[3]) { return field[0] | field[1] << 8 | field[2] << 16; }

// A foreign application of the fixture and the window to read.
struct Foreign {
  std::unique_ptr<FixtureProcess> process;
  HWND window = nullptr;
};

HWND WindowFromLine(const std::string& line, size_t word) {
  const auto words = Words(line);
  return words.size() > word ? ParseWindow(words[word]) : nullptr;
}

Foreign Editor() {
  Foreign f{std::make_unique<FixtureProcess>("editor \"x = 12+3 ;\" 6 6")};
  f.window = WindowFromLine(f.process->ReadLine(), 2);
  return f;
}

Foreign TextObjectModel() {
  Foreign f{std::make_unique<FixtureProcess>("scripted-tom \"l0/ab 12+3[]4*2 cd/l2\" 1")};
  const std::string line = f.process->ReadLine();
  f.window = line.rfind("window=", 0) == 0 ? ParseWindow(line.substr(7)) : nullptr;
  return f;
}

Foreign Word() {
  Foreign f{std::make_unique<FixtureProcess>("fakeword")};
  f.process->Send("doc x 12+34 \\r");
  f.process->ReadLine();
  f.process->Send("window 0 1 4 4 150 260 Report.docx - Word");
  const std::string answer = f.process->ReadLine();
  const size_t at = answer.find("editor=");
  f.window = at == std::string::npos ? nullptr : ParseWindow(answer.substr(at + 7));
  f.process->Send("register");
  EXPECT_EQ(f.process->ReadLine(), "registered 1");
  return f;
}

Foreign Page() {
  Foreign f{std::make_unique<FixtureProcess>("htmlpage")};
  f.window = WindowFromLine(f.process->ReadLine(), 1);
  f.process->Send("page input text 1 7 7 None 37 21 sum 12+34*2 now");
  EXPECT_EQ(f.process->ReadLine(), "ok");
  return f;
}

// A window that the Excel plugin, which runs in the caller, takes by its
// class, though no workbook is behind it.
Foreign Workbook() {
  Foreign f{std::make_unique<FixtureProcess>("console EXCEL7")};
  f.window = WindowFromLine(f.process->ReadLine(), 1);
  return f;
}

struct Outcome {
  int result = 0;
  char letter = 0;
  std::string text;
};

struct Case {
  const char* name;
  std::function<Foreign()> start;
  const char* disabled;   // letters switched off for the whole case
  const char* clipboard;  // clipboard text, or null for an empty clipboard
  char serving;           // the letter expected to serve, 0 for none
  uint32_t requests;      // hooked requests of one read
};

class WalkTest : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(block_);
    const Case& c = GetParam();
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      if (c.clipboard) {
        const size_t size = std::strlen(c.clipboard) + 1;
        if (HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, size)) {
          std::memcpy(GlobalLock(data), c.clipboard, size);
          GlobalUnlock(data);
          if (!SetClipboardData(CF_TEXT, data)) GlobalFree(data);
        }
      }
      CloseClipboard();
    }
  }
  void TearDown() override { EnableOnly("ABCDEF", ""); }

  void EnableOnly(const char* letters, const char* disabled) {
    for (char letter = 'A'; letter <= 'F'; ++letter) {
      const bool on = std::strchr(letters, letter) && !std::strchr(disabled, letter);
      on ? library_.enable_plugin(letter) : library_.disable_plugin(letter);
    }
  }
  uint32_t Issued() const { return Serial(block_->LastSerial); }

  Outcome Read(HWND window) {
    Outcome outcome;
    char buffer[KST_TEXT_BUFFER_SIZE] = {};
    POINT point = {};
    outcome.result = library_.get_window_text(window, buffer, &point);
    outcome.letter = static_cast<char>(library_.get_last_used_plugin());
    outcome.text = buffer;
    return outcome;
  }

  // What a walk that asks each plugin on its own, in letter order, gives.
  Outcome LetterByLetter(HWND window, const char* disabled) {
    for (char letter = 'A'; letter <= 'F'; ++letter) {
      if (std::strchr(disabled, letter)) continue;
      const char only[] = {letter, '\0'};
      EnableOnly(only, disabled);
      const Outcome outcome = Read(window);
      if (outcome.result == 1) return outcome;
    }
    return {};
  }

  Selvor32 library_;
  BlockView block_;
};

TEST_P(WalkTest, OneRoundTripPerRunServesAsTheLetterOrderWalk) {
  const Case& c = GetParam();
  Foreign foreign = c.start();
  ASSERT_NE(foreign.window, nullptr);

  EnableOnly("ABCDEF", c.disabled);
  const uint32_t before = Issued();
  const Outcome walk = Read(foreign.window);
  EXPECT_EQ(Issued() - before, c.requests);
  EXPECT_EQ(walk.letter, c.serving);
  EXPECT_EQ(walk.result, c.serving ? 1 : 0);

  const Outcome reference = LetterByLetter(foreign.window, c.disabled);
  EXPECT_EQ(walk.result, reference.result);
  EXPECT_EQ(walk.letter, reference.letter);
  EXPECT_EQ(walk.text, reference.text);

  // A replace goes the same way, to the same plugin.
  EnableOnly("ABCDEF", c.disabled);
  const uint32_t beforeSet = Issued();
  EXPECT_EQ(library_.set_window_text(foreign.window, "9"), c.serving ? 1 : 0);
  EXPECT_EQ(Issued() - beforeSet, c.requests);
  EXPECT_EQ(library_.get_last_used_plugin(), c.serving);
}

const Case kCases[] = {
    {"EditControl", Editor, "", nullptr, 'E', 1},
    {"EditControlWithoutAAndD", Editor, "AD", nullptr, 'E', 1},
    {"EditControlWithoutE", Editor, "E", nullptr, 0, 1},
    {"EditControlWithoutEClipboardAnswers", Editor, "E", "clipped", 'F', 1},
    {"TextObjectModel", TextObjectModel, "", nullptr, 'A', 1},
    {"Word", Word, "", nullptr, 'B', 1},
    {"WordWithoutB", Word, "B", nullptr, 0, 1},
    {"WebPage", Page, "", nullptr, 'D', 1},
    {"WebPageWithoutAB", Page, "AB", nullptr, 'D', 1},
    // The Excel plugin takes the window by its class: the runs before and
    // after it are two requests, and it keeps its place between them.
    {"WorkbookClassBetweenTheRuns", Workbook, "", nullptr, 0, 2},
    {"WorkbookClassWithoutC", Workbook, "C", nullptr, 0, 1},
};

INSTANTIATE_TEST_SUITE_P(Cases, WalkTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace kst::test
