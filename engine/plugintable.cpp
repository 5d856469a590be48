#include "plugintable.h"

#include <cstring>

#include "plugins.h"
#include "sharedblock.h"

namespace kst {
namespace {

TPluginTable g_Table;

TPluginSlot* SlotOf(char letter) noexcept {
  if (letter < 'A' || letter > 'Z') return nullptr;
  return &g_Table[letter - 'A'];
}

}  // namespace

void BuildPluginTable() noexcept {
  std::memset(g_Table, 0, sizeof(g_Table));
  for (const TPluginEntry& entry : BuiltInPlugins()) *SlotOf(entry.Letter) = entry.Slot;
}

char NormalizeLetter(int letter) noexcept {
  char c = static_cast<char>(letter & 0xFF);
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return c;
}

const TPluginSlot* FindPlugin(char letter) noexcept {
  const TPluginSlot* slot = SlotOf(letter);
  return slot && slot->Present ? slot : nullptr;
}

bool IsPluginDisabled(char letter) noexcept {
  const TSharedBlock* block = SharedBlock();
  if (!block || !SlotOf(letter)) return false;
  const uint8_t optIn = OptInBit(letter);
  return block->Disabled[letter - 'A'] != 0 || (optIn && !(block->OptIn & optIn));
}

void SetPluginSwitch(TSharedBlock& block, char letter, bool enabled) noexcept {
  block.Disabled[letter - 'A'] = enabled ? 0 : 1;
  if (const uint8_t optIn = OptInBit(letter))
    block.OptIn = static_cast<uint8_t>(enabled ? block.OptIn | optIn : block.OptIn & ~optIn);
}

namespace {

// The steps every plugin run shares: a live window, and an enabled and
// present plugin that accepts it.
template <typename Operation>
int CallPlugin(HWND window, char letter, Operation operation) noexcept {
  if (!IsWindow(window)) return 0;
  const TPluginSlot* slot = FindPlugin(letter);
  if (!slot || IsPluginDisabled(letter) || !slot->CanHandle(window)) return 0;
  return operation(*slot);
}

int Recorded(char letter, int result) noexcept {
  if (result != 0) {
    if (TSharedBlock* block = SharedBlock()) block->LastUsed = static_cast<uint8_t>(letter);
  }
  return result;
}

}  // namespace

int CallGetText(HWND window, char letter, char* buffer, POINT* point) noexcept {
  point->x = -1;
  point->y = -1;
  return CallPlugin(window, letter, [&](const TPluginSlot& slot) {
    return slot.GetText(window, buffer, point);
  });
}

int CallSetText(HWND window, char letter, const char* text) noexcept {
  return CallPlugin(window, letter,
                    [&](const TPluginSlot& slot) { return slot.SetText(window, text); });
}

int RunGetText(HWND window, char letter, char* buffer, POINT* point) noexcept {
  return Recorded(letter, CallGetText(window, letter, buffer, point));
}

int RunSetText(HWND window, char letter, const char* text) noexcept {
  return Recorded(letter, CallSetText(window, letter, text));
}

bool IsNonBlank(const char* s) noexcept {
  if (!s || *s == '\0') return false;
  for (; *s; ++s) {
    if (static_cast<unsigned char>(*s) <= 32) return false;
  }
  return true;
}

TPluginSlot ReplacePluginSlot(char letter, const TPluginSlot& slot) noexcept {
  TPluginSlot* target = SlotOf(letter);
  if (!target) return TPluginSlot{};
  TPluginSlot previous = *target;
  *target = slot;
  return previous;
}

}  // namespace kst
