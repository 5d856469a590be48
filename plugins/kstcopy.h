// The copy and paste plugin: reads and replaces the selection of any window
// of the foreground application through the application's own copy and
// paste keystrokes, and puts the user's clipboard back as it was.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kst::copy {

void WINAPI GetInfo(char* buffer);
// Also the caller's test of the walk: every refusal is judged from outside
// the application, without side effects.
int WINAPI CanHandle(HWND window);
int WINAPI GetText(HWND window, char* buffer, POINT* point);
int WINAPI SetText(HWND window, const char* text);

// How long the application may take to answer a keystroke: to put its copy
// on the clipboard, or to take the text offered for a paste. A window that
// ignores the keystroke costs this much and no more.
constexpr DWORD kKeystrokeBoundMs = 1000;
// How long the clipboard may stay open in another window (the application
// still writing its copy or reading the paste) before this plugin gives up
// opening it.
constexpr DWORD kClipboardBusyBoundMs = 1000;

// Keystrokes go to the desktop that receives the user's input: a window on
// another one never sees them, and neither does any window while the input
// desktop is one this process may not even open (the secure desktop). True
// when the caller's thread is on the input desktop and the window on the
// caller's: its top-level window is a child of this desktop's window.
bool OnInputDesktop(HWND window);

// The mandatory integrity level (the label's RID) of a process, or -1 when
// it cannot be read.
long IntegrityLevel(HANDLE process);
// Whether input sent from level `ours` reaches a window of level `theirs`:
// the system drops input sent up to a higher level without telling the
// sender. A target whose level cannot be read (-1) is taken for a higher
// one; with no level of our own (a system without integrity levels) there
// is nothing to compare.
bool InputReaches(long ours, long theirs);

// Window classes of consoles and terminals, whose programs take the copy
// keystroke (Ctrl+C) as an interrupt.
bool IsTerminalClass(const char* className);

// One format of the clipboard as saved to be put back, its data as bytes:
// a global memory block's whole content, an enhanced metafile's bits, or a
// palette's entries.
enum class TSavedKind : unsigned char { Global, EnhMetafile, Palette };
struct TSavedFormat {
  UINT Format;
  TSavedKind Kind;
  std::vector<unsigned char> Bytes;
};
using TSavedClipboard = std::vector<TSavedFormat>;

// With the clipboard open in this thread: what it holds, in the order of
// its formats, leaving out what cannot be put back (see the unit).
TSavedClipboard SaveClipboard();
// With the clipboard open in this thread for a window of its own (a
// clipboard emptied without one takes no data): empties it and puts the
// saved formats back.
void RestoreClipboard(const TSavedClipboard& saved);

// The modifier keys the user holds now, as virtual keys.
std::vector<WORD> HeldModifiers();
// The input that presses Ctrl+`key` for the focus of the foreground thread,
// releasing the modifiers in `held` under the pressed Ctrl.
std::vector<INPUT> ShortcutInput(WORD key, const std::vector<WORD>& held);

}  // namespace kst::copy
