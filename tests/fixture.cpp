#include "fixture.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <map>
#include <memory>

namespace kst::test {
namespace {
std::map<std::string, FixtureRole>& Roles() {
  static std::map<std::string, FixtureRole> roles;
  return roles;
}
}  // namespace

FixtureRoleRegistrar::FixtureRoleRegistrar(const char* name, FixtureRole role) {
  Roles()[name] = role;
}

void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string ReadCommand() {
  std::string line;
  char c;
  DWORD read = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(input, &c, 1, &read, nullptr) && read == 1 && c != '\n') {
    if (c != '\r') line += c;
  }
  return line;
}

namespace {
constexpr UINT kCommandMessage = WM_APP + 0x101;

DWORD WINAPI ForwardInput(void* mainThread) {
  const DWORD thread = static_cast<DWORD>(reinterpret_cast<uintptr_t>(mainThread));
  for (;;) {
    auto* line = new std::string(ReadCommand());
    const bool end = line->empty() || *line == "quit";
    if (!PostThreadMessageA(thread, kCommandMessage, 0, reinterpret_cast<LPARAM>(line))) delete line;
    if (end) return 0;
  }
}
}  // namespace

int ServeWindowRole(const std::function<bool(const std::string&)>& command) {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue exists from here on
  const uintptr_t self = GetCurrentThreadId();
  HANDLE reader = CreateThread(nullptr, 0, ForwardInput, reinterpret_cast<void*>(self), 0, nullptr);
  if (reader) CloseHandle(reader);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message != kCommandMessage || msg.hwnd) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;
    }
    std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(msg.lParam));
    if (line->empty() || *line == "quit") break;
    if (*line == "loaded") {
      Say("loaded=%d", GetModuleHandleA("selvor32.dll") ? 1 : 0);
    } else if (*line == "module") {
      char path[MAX_PATH] = {};
      if (HMODULE library = GetModuleHandleA("selvor32.dll")) GetModuleFileNameA(library, path, MAX_PATH);
      Say("module=%s", path);
    } else if (line->rfind("hang ", 0) == 0) {
      Sleep(static_cast<DWORD>(std::atoi(line->c_str() + 5)));
      Say("unhung");
    } else if (!command(*line)) {
      Say("unknown");
    }
  }
  return 0;
}

}  // namespace kst::test

int main(int argc, char** argv) {
  using namespace kst::test;
  if (argc < 2 || !Roles().count(argv[1])) {
    std::fprintf(stderr, "usage: fixture ROLE ARGS...; roles:");
    for (const auto& [name, role] : Roles()) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  return Roles()[argv[1]](std::vector<std::string>(argv + 2, argv + argc));
}
