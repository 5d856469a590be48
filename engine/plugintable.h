// The table of 26 plugin slots named 'A'..'Z' and the procedures that run one
// plugin in the calling thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kst {

struct TSharedBlock;

// The plugin contract: stdcall, 1 for success and 0 for failure, and no
// exception ever leaves a plugin function.
using TGetInfo = void(WINAPI*)(char* buffer);
using TCanHandle = int(WINAPI*)(HWND window);
using TGetText = int(WINAPI*)(HWND window, char* buffer, POINT* point);
using TSetText = int(WINAPI*)(HWND window, const char* text);

struct TPluginSlot {
  uint8_t Present;
  uint8_t Injectable;  // runs inside the window's thread for foreign windows
  TGetInfo GetInfo;
  TCanHandle CanHandle;
  TGetText GetText;
  TSetText SetText;
  // The part of CanHandle that the caller can judge from its own thread,
  // without side effects (null: none). For an injectable plugin, a window it
  // refuses is never hooked for this plugin; for one of the caller's thread,
  // a window it refuses lets the hooked requests on either side go as one.
  TCanHandle CallerTest;
};

using TPluginTable = TPluginSlot[26];

// Zero-fills the table and fills the slots of the plugins that are built in.
void BuildPluginTable() noexcept;

// Upper-cases the low byte of a letter argument; 'a'..'z' only.
char NormalizeLetter(int letter) noexcept;

// The slot of a present plugin, or null for anything but a present 'A'..'Z'.
const TPluginSlot* FindPlugin(char letter) noexcept;

// Whether the shared block marks the letter disabled ('A'..'Z' only). An
// opt-in plugin counts as disabled until a client has turned it on.
bool IsPluginDisabled(char letter) noexcept;

// Turns a letter on or off in the shared block: its disabled flag, and for
// an opt-in plugin its bit too. The letter must be 'A'..'Z'.
void SetPluginSwitch(TSharedBlock& block, char letter, bool enabled) noexcept;

// The order in which the exported functions try the plugins: letter order,
// except the clipboard plugin, which takes whatever window it is given and
// so comes last of all.
inline constexpr char kWalkOrder[] = "ABCDEGHIJKLMNOPQRSTUVWXYZF";

int RunGetText(HWND window, char letter, char* buffer, POINT* point) noexcept;
int RunSetText(HWND window, char letter, const char* text) noexcept;

// RunGetText and RunSetText without recording the letter: a hooked thread
// records it with its answer, and only while that answer is still awaited.
int CallGetText(HWND window, char letter, char* buffer, POINT* point) noexcept;
int CallSetText(HWND window, char letter, const char* text) noexcept;

// True for a non-empty string of characters above 32 (taken as unsigned).
bool IsNonBlank(const char* s) noexcept;

// Test seam: puts a plugin into a slot (or empties it with a zeroed slot) and
// returns what the slot held. Not exported from the library.
TPluginSlot ReplacePluginSlot(char letter, const TPluginSlot& slot) noexcept;

}  // namespace kst
