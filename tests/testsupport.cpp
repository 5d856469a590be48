#include "testsupport.h"
#include "vtableslots.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace kst::test {

std::string ModuleDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path);
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

namespace {
// A run meant for another ANSI code page (KST_EXPECT_ACP, set by
// tests/CMakeLists.txt) fails when Wine did not take it from the locale,
// rather than pass as a second run under the usual one.
class TCodePageCheck : public testing::Environment {
 public:
  void SetUp() override {
    if (const char* expected = std::getenv("KST_EXPECT_ACP")) {
      ASSERT_EQ(GetACP(), std::strtoul(expected, nullptr, 10)) << "the ANSI code page of this run";
    }
  }
};
[[maybe_unused]] testing::Environment* const g_codePageCheck =
    testing::AddGlobalTestEnvironment(new TCodePageCheck);
}  // namespace

std::string OwnFixture() { return ModuleDir() + "fixture.exe"; }

std::string OtherBitnessFixture() {
  std::string bin = KST_OTHER_BIN_DIR;
  if (!bin.empty() && bin[0] == '/') bin = "Z:" + bin;
  for (char& c : bin)
    if (c == '/') c = '\\';
  return bin + "\\fixture.exe";
}

void EndUnservedCall(const std::string& what) {
#ifdef _WIN64
  (void)what;
#else
  std::fprintf(stderr, "unexpected call: %s (the double cannot return from it under stdcall)\n", what.c_str());
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), kUnservedSlotExit);
#endif
}

namespace {
template <typename F>
void Resolve(HMODULE module, F& function, const char* name) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  EXPECT_NE(function, nullptr) << name;
}
}  // namespace

Selvor32::Selvor32() : Selvor32(ModuleDir() + "selvor32.dll") {}

Selvor32::Selvor32(const std::string& path) {
  module = LoadLibraryA(path.c_str());
  EXPECT_NE(module, nullptr) << "LoadLibrary " << path << ": " << GetLastError();
  if (!module) return;
  Resolve(module, activate_window, "kst_activate_window");
  Resolve(module, get_focus_window, "kst_get_focus_window");
  Resolve(module, get_window_text, "kst_get_window_text");
  Resolve(module, set_window_text, "kst_set_window_text");
  Resolve(module, get_last_used_plugin, "kst_get_last_used_plugin");
  Resolve(module, get_plugin_info, "kst_get_plugin_info");
  Resolve(module, enable_plugin, "kst_enable_plugin");
  Resolve(module, disable_plugin, "kst_disable_plugin");
  Resolve(module, is_plugin_enabled, "kst_is_plugin_enabled");
}

Selvor32::~Selvor32() {
  if (module) FreeLibrary(module);
}

BlockView::BlockView()
    : mapping_(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kSharedBlockName)) {
  if (mapping_) view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, kSharedBlockSize));
  block_ = static_cast<TSharedBlock*>(view_.get());
}

FixtureProcess::FixtureProcess(const std::string& arguments, const std::string& program) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  unique_handle childOut, childIn;
  if (!CreatePipe(stdoutRead_.put(), childOut.put(), &inherit, 0) ||
      !CreatePipe(childIn.put(), stdinWrite_.put(), &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed";
    return;
  }
  // Only the child's ends are inherited.
  SetHandleInformation(stdoutRead_.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(stdinWrite_.get(), HANDLE_FLAG_INHERIT, 0);
  const HANDLE outWrite = childOut.get(), inRead = childIn.get();

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = outWrite;
  startup.hStdError = outWrite;
  startup.hStdInput = inRead;
  std::string commandLine = "\"" + program + "\" " + arguments;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "CreateProcess " << commandLine << ": " << GetLastError();
    return;
  }
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  processId_ = info.dwProcessId;
}

FixtureProcess::~FixtureProcess() {
  stdinWrite_.reset();  // a role that waits on its input ends now
  if (process_ && WaitForSingleObject(process_.get(), 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

void FixtureProcess::Kill() {
  if (!process_) return;
  TerminateProcess(process_.get(), 98);
  WaitForSingleObject(process_.get(), 5000);
}

bool FixtureProcess::Fill(DWORD timeoutMs) {
  const DWORD deadline = GetTickCount() + timeoutMs;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(stdoutRead_.get(), nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available > 0) {
      std::string chunk(available, '\0');
      DWORD read = 0;
      if (!ReadFile(stdoutRead_.get(), chunk.data(), available, &read, nullptr)) return false;
      chunk.resize(read);
      pending_ += chunk;
      output_ += chunk;
      return true;
    }
    if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
    PumpMessages(10);
  }
}

std::string FixtureProcess::ReadLine(DWORD timeoutMs) {
  const DWORD deadline = GetTickCount() + timeoutMs;
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    const LONG left = static_cast<LONG>(deadline - GetTickCount());
    if (left <= 0 || !Fill(static_cast<DWORD>(left))) return "";
  }
}

DWORD FixtureProcess::Wait(DWORD timeoutMs) {
  if (!process_) return 0xFFFFFFFF;
  const DWORD deadline = GetTickCount() + timeoutMs;
  while (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) {
    if (static_cast<LONG>(GetTickCount() - deadline) >= 0) {
      ADD_FAILURE() << "fixture did not end; output so far:\n" << output_;
      return 0xFFFFFFFF;
    }
    Fill(20);
  }
  while (Fill(0)) {
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void FixtureProcess::Send(const std::string& line) {
  const std::string data = line + "\n";
  DWORD written = 0;
  WriteFile(stdinWrite_.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

FixtureWindow::FixtureWindow(const std::string& arguments, const std::string& program)
    : process(arguments, program) {
  const auto words = Words(process.ReadLine());
  if (words.size() < 2 || words[0] != "ready") {
    ADD_FAILURE() << "fixture " << arguments << " said: " << process.Output();
    return;
  }
  top = ParseWindow(words[1]);
  if (words.size() > 2) child = ParseWindow(words[2]);
}

std::string FixtureWindow::Ask(const std::string& command) {
  process.Send(command);
  return process.ReadLine();
}

FixtureResult RunFixture(const std::string& arguments, DWORD timeoutMs) {
  FixtureProcess process(arguments);
  const DWORD code = process.Wait(timeoutMs);
  return {code, process.Output()};
}

void PumpMessages(DWORD ms) {
  const DWORD deadline = GetTickCount() + ms;
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (ms) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (static_cast<LONG>(GetTickCount() - deadline) < 0);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD deadline = GetTickCount() + timeoutMs;
  while (!condition()) {
    if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
    PumpMessages(10);
  }
  return true;
}

HWND ParseWindow(const std::string& text) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(std::strtoll(text.c_str(), nullptr, 0)));
}

std::string FormatWindow(HWND window) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
  return text;
}

void ClearClipboard() {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
}

std::string WindowText(HWND window) {
  // Messages, not GetWindowText, which gives no control text of another process.
  // Rich edit controls count the length in characters, which on a
  // multibyte code page take up to two bytes each.
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(2 * length + 1, '\0');
  text.resize(SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  return text;
}

std::string AnsiOf(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string ansi(size, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), size, nullptr,
                      nullptr);
  return ansi;
}

std::wstring HighLetters() { return GetACP() == 932 ? L"\u65e5\u672c\u8a9e" : L"\u00e9\u00e0\u00fc"; }

std::wstring WithHighLetters(std::wstring text) {
  const std::wstring high = HighLetters();
  for (wchar_t& c : text)
    if (c >= L'J' && c <= L'L') c = high[c - L'J'];
  return text;
}

std::string WholeCharactersIn(const std::wstring& text, size_t limit) {
  std::string head;
  for (wchar_t c : text) {
    const std::string one = AnsiOf(std::wstring(1, c));
    if (head.size() + one.size() > limit) break;
    head += one;
  }
  return head;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace kst::test
