// What the test programs share: the client's view of selvor32.dll, child
// processes of the fixture program, message pumps and a test window class.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "kstres.h"
#include "sharedblock.h"

namespace kst::test {

// Folder of the running test program; the DLL and the fixture are there too.
std::string ModuleDir();

// The fixture program of this build, and that of the build of the other
// bitness (its bin folder is known to the build; Wine shows the Unix file
// system as drive Z:).
std::string OwnFixture();
std::string OtherBitnessFixture();

// selvor32.dll loaded by LoadLibrary, its exports found by name, freed on
// destruction: exactly what a client application does.
struct Selvor32 {
  Selvor32();
  // The library at another place, with what lies beside it there.
  explicit Selvor32(const std::string& path);
  ~Selvor32();
  Selvor32(const Selvor32&) = delete;
  Selvor32& operator=(const Selvor32&) = delete;

  HMODULE module = nullptr;
  int(WINAPI* activate_window)(HWND) = nullptr;
  HWND(WINAPI* get_focus_window)() = nullptr;
  int(WINAPI* get_window_text)(HWND, char*, POINT*) = nullptr;
  int(WINAPI* set_window_text)(HWND, const char*) = nullptr;
  int(WINAPI* get_last_used_plugin)() = nullptr;
  int(WINAPI* get_plugin_info)(int, char*) = nullptr;
  int(WINAPI* enable_plugin)(int) = nullptr;
  int(WINAPI* disable_plugin)(int) = nullptr;
  int(WINAPI* is_plugin_enabled)(int) = nullptr;
};

// The shared block as any process on the desktop can map it by name, without
// loading the library (so the client count is not touched).
class BlockView {
 public:
  BlockView();
  TSharedBlock* operator->() const { return block_; }
  TSharedBlock* get() const { return block_; }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  unique_handle mapping_;
  unique_view view_;
  TSharedBlock* block_ = nullptr;
};

// A child process of the fixture program playing one role, with its
// standard output readable line by line. Killed on destruction if running.
class FixtureProcess {
 public:
  explicit FixtureProcess(const std::string& arguments, const std::string& program = OwnFixture());
  ~FixtureProcess();
  FixtureProcess(const FixtureProcess&) = delete;
  FixtureProcess& operator=(const FixtureProcess&) = delete;

  // The next line of output (without the line end), or "" after the timeout
  // or at the end of output. Pumps this thread's messages while it waits.
  std::string ReadLine(DWORD timeoutMs = 30000);
  // Everything until the process ends; then its exit code.
  DWORD Wait(DWORD timeoutMs = 60000);
  const std::string& Output() const { return output_; }
  DWORD ProcessId() const { return processId_; }
  // Writes a line to the child's standard input.
  void Send(const std::string& line);
  // Ends the child at once, as a crash or the task manager would.
  void Kill();

 private:
  bool Fill(DWORD timeoutMs);
  unique_handle process_, stdoutRead_, stdinWrite_;
  DWORD processId_ = 0;
  std::string pending_, output_;
};

// A foreign application played by the fixture: a role that says
// "ready TOP [CHILD]" once its windows are up, then answers commands.
struct FixtureWindow {
  explicit FixtureWindow(const std::string& arguments, const std::string& program = OwnFixture());
  // Sends a command and returns the role's one-line answer.
  std::string Ask(const std::string& command);
  FixtureProcess process;
  HWND top = nullptr;
  HWND child = nullptr;
};

// Runs the fixture with the arguments to the end: exit code and output.
struct FixtureResult {
  DWORD exitCode;
  std::string output;
};
FixtureResult RunFixture(const std::string& arguments, DWORD timeoutMs = 60000);

// Dispatches this thread's messages for the given time.
void PumpMessages(DWORD ms);
// Pumps until the condition holds or the time is over; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Parses a window handle written as a decimal or 0x hexadecimal number.
HWND ParseWindow(const std::string& text);
std::string FormatWindow(HWND window);

// Empties the clipboard, so that the clipboard plugin serves nothing.
void ClearClipboard();

// The whole text of a window of any process (WM_GETTEXT).
std::string WindowText(HWND window);

// ---- text in the system's ANSI code page ----

// UTF-16 text in the ANSI code page, as the plugins convert it.
std::string AnsiOf(const std::wstring& text);
// Three letters of the system's code page beyond ASCII: two bytes each on the
// Japanese code page (932), one each on the Western one (1252).
std::wstring HighLetters();
// The text with J, K and L standing for the three high letters.
std::wstring WithHighLetters(std::wstring text);
// The first whole characters of a text that fit in `limit` bytes of the ANSI
// code page, counted one character at a time.
std::string WholeCharactersIn(const std::wstring& text, size_t limit);

// The text with ASCII letters in lower case (file names, for comparison).
std::string Lower(std::string text);

// Splits a line of output on blanks.
std::vector<std::string> Words(const std::string& line);

}  // namespace kst::test
