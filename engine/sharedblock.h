// The block of shared memory that every process holding selvor32 maps: the
// plugin switches, the last-used letter and the one request in flight.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace kst {

inline constexpr char kSharedBlockName[] = "SELVOR32.Clients.FR56TR3WE3";
inline constexpr DWORD kSharedBlockSize = 32832;
inline constexpr int kPluginCount = 26;
// The text area carries at most this many characters and a NUL.
inline constexpr int kMaxBlockText = 32768;
// The text area runs from offset 60 to the end of the block.
inline constexpr size_t kTextAreaSize = kSharedBlockSize - 60;

// Fixed little-endian layout shared by 32-bit and 64-bit processes: handles
// are stored as their 32 significant bits, never as pointers.
#pragma pack(push, 1)
struct TSharedBlock {
  uint32_t HookHandle;
  int32_t ClientCount;
  uint32_t TargetThread;
  uint8_t Disabled[kPluginCount];  // 'A' .. 'Z'; 1 = disabled
  uint8_t LastUsed;                // letter code, 0 = none
  uint8_t Pending;                 // request code, 0 = none
  uint8_t Result;
  // Serial of the request that waits for its answer, 0 when none does: a
  // hooked thread answers only the request it took. 24 bits, little-endian,
  // in bytes that library versions without serials leave zero.
  uint8_t InFlightSerial[3];
  uint32_t Window;
  uint8_t RequestPlugin;
  uint8_t LastSerial[3];  // the serial issued last; the next one follows it
  int32_t PointX;
  int32_t PointY;
  char Text[kMaxBlockText + 1];
  // The text area's last bytes, which no text reaches: a request that runs
  // several plugins in one round trip names the last letter it may try, and
  // its answer the letter that served.
  uint8_t WalkLast;
  uint8_t WalkServed;
  // One bit per plugin that stays off until a client turns it on (see
  // kOptInPlugins). A block made by a library version without such plugins
  // is zero here, and such a version never writes this byte, so a plugin of
  // this kind is never taken for enabled by mistake.
  uint8_t OptIn;
};
#pragma pack(pop)

static_assert(sizeof(TSharedBlock) == 32832);
static_assert(offsetof(TSharedBlock, HookHandle) == 0);
static_assert(offsetof(TSharedBlock, ClientCount) == 4);
static_assert(offsetof(TSharedBlock, TargetThread) == 8);
static_assert(offsetof(TSharedBlock, Disabled) == 12);
static_assert(offsetof(TSharedBlock, Disabled) + kPluginCount - 1 == 37);
static_assert(offsetof(TSharedBlock, LastUsed) == 38);
static_assert(offsetof(TSharedBlock, Pending) == 39);
static_assert(offsetof(TSharedBlock, Result) == 40);
static_assert(offsetof(TSharedBlock, InFlightSerial) == 41);
static_assert(offsetof(TSharedBlock, Window) == 44);
static_assert(offsetof(TSharedBlock, RequestPlugin) == 48);
static_assert(offsetof(TSharedBlock, LastSerial) == 49);
static_assert(offsetof(TSharedBlock, PointX) == 52);
static_assert(offsetof(TSharedBlock, PointY) == 56);
static_assert(offsetof(TSharedBlock, Text) == 60);
static_assert(offsetof(TSharedBlock, WalkLast) == 60 + kMaxBlockText + 1);
static_assert(offsetof(TSharedBlock, OptIn) == 32831);

// The plugins that stay off until a client turns them on, in the order of
// their bits in TSharedBlock::OptIn: the copy and paste plugin sends the
// application keystrokes and uses the user's clipboard, which no client
// should meet without asking for it.
inline constexpr char kOptInPlugins[] = "G";

// The bit of an opt-in plugin in TSharedBlock::OptIn, 0 for any other letter.
constexpr uint8_t OptInBit(char letter) noexcept {
  for (int i = 0; kOptInPlugins[i] != '\0'; ++i)
    if (kOptInPlugins[i] == letter) return static_cast<uint8_t>(1u << i);
  return 0;
}

// A 24-bit little-endian serial field (InFlightSerial, LastSerial).
inline uint32_t ReadSerial(const uint8_t (&field)[3]) noexcept {
  return field[0] | field[1] << 8 | field[2] << 16;
}

// The view of this process, or null when the block is not available.
TSharedBlock* SharedBlock() noexcept;

// Process start-up and shut-down of the block.
void AttachSharedBlock() noexcept;
void DetachSharedBlock() noexcept;

// Window and hook handles are 32 bits wide on both targets; widening
// sign-extends, as the system does for handles passed between bitnesses.
inline uint32_t HandleToBlock(const void* handle) noexcept {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}
template <typename H>
inline H HandleFromBlock(uint32_t value) noexcept {
  return reinterpret_cast<H>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

}  // namespace kst
