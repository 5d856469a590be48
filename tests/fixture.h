// The fixture program plays every out-of-process role of the tests, one
// sub-command per role: `fixture.exe ROLE ARGS...`. A role writes what the
// test needs to know as lines on standard output and returns the exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kst::test {

using FixtureRole = int (*)(const std::vector<std::string>& args);

struct FixtureRoleRegistrar {
  FixtureRoleRegistrar(const char* name, FixtureRole role);
};

// Prints a line and flushes it at once: the test reads it through a pipe.
void Say(const char* format, ...);

// Blocks until the test writes a line (or closes the pipe); returns it.
std::string ReadCommand();

// Pumps this thread's messages and hands each line the test sends to
// `command` on this thread, until "quit" or the end of input. Built in:
//   loaded      -> "loaded=0|1": whether selvor32.dll is in this process
//   module      -> "module=PATH": the file it was loaded from ("" if none)
//   hang MS     -> stops pumping for MS milliseconds, then "unhung"
// `command` returns false for a line it does not know ("unknown" is said).
int ServeWindowRole(const std::function<bool(const std::string&)>& command);

}  // namespace kst::test

#define KST_FIXTURE_ROLE(name, function)                                              \
  static int function(const std::vector<std::string>& args);                         \
  static const ::kst::test::FixtureRoleRegistrar function##Registrar(name, function); \
  static int function(const std::vector<std::string>& args)
