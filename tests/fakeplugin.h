// A scripted plugin for the engine's own tests, put into the empty slots X
// and Y through the table's test seam.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "plugintable.h"
#include "sharedblock.h"

namespace kst {

// A scripted plugin: answers as told and counts what it was asked.
template <int N>
struct FakePlugin {
  static inline int canHandle = 1, getResult = 1, setResult = 1;
  static inline int canHandleCalls = 0, getCalls = 0, setCalls = 0;
  static inline bool writesPoint = true;
  static inline std::string lastSet;

  static void WINAPI GetInfo(char* buffer) { lstrcpyA(buffer, ("Fake plugin " + std::to_string(N)).c_str()); }
  static inline DWORD lastThread = 0;
  static int WINAPI CanHandle(HWND) {
    lastThread = GetCurrentThreadId();
    return ++canHandleCalls, canHandle;
  }
  static int WINAPI GetText(HWND, char* buffer, POINT* point) {
    ++getCalls;
    lstrcpyA(buffer, ("text of " + std::to_string(N)).c_str());
    if (writesPoint) *point = {100 + N, 200 + N};
    return getResult;
  }
  static int WINAPI SetText(HWND, const char* text) {
    ++setCalls;
    lastSet = text;
    return setResult;
  }
  static TPluginSlot Slot(bool injectable) {
    return {1, static_cast<uint8_t>(injectable), GetInfo, CanHandle, GetText, SetText, nullptr};
  }
  static void Reset() {
    canHandle = getResult = setResult = 1;
    canHandleCalls = getCalls = setCalls = 0;
    writesPoint = true;
    lastSet.clear();
    lastThread = 0;
  }
};
using FakeX = FakePlugin<1>;
using FakeY = FakePlugin<2>;

// Puts fakes into the empty slots X and Y and disables every other plugin,
// so that only the fakes can serve; restores table and switches afterwards.
class EngineTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(SharedBlock(), nullptr);
    std::memcpy(savedDisabled_, SharedBlock()->Disabled, sizeof(savedDisabled_));
    std::memset(SharedBlock()->Disabled, 1, sizeof(savedDisabled_));
    FakeX::Reset();
    FakeY::Reset();
    savedX_ = ReplacePluginSlot('X', FakeX::Slot(false));
    savedY_ = ReplacePluginSlot('Y', FakeY::Slot(false));
    SharedBlock()->Disabled['X' - 'A'] = 0;
    SharedBlock()->Disabled['Y' - 'A'] = 0;
    window_ = CreateWindowA("STATIC", "target", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
    ReplacePluginSlot('X', savedX_);
    ReplacePluginSlot('Y', savedY_);
    std::memcpy(SharedBlock()->Disabled, savedDisabled_, sizeof(savedDisabled_));
    SharedBlock()->LastUsed = 0;
  }

  HWND window_ = nullptr;
  uint8_t savedDisabled_[kPluginCount];
  TPluginSlot savedX_, savedY_;
};

}  // namespace kst
