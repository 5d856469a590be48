#include "fixture.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

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
