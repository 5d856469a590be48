// kstclient: a command-line client of selvor32.dll.
//
//   kstclient focus                      the focus window of the foreground application
//   kstclient get [--json] [WINDOW]      read the selection (default: the focus window);
//                                        --json adds the point, the plugin and the route
//   kstclient set TEXT [WINDOW]          replace the selection with TEXT
//   kstclient plugins                    list the plugins and their switches
//   kstclient enable LETTER | disable LETTER
//   kstclient activate WINDOW            bring WINDOW to the foreground
//   kstclient --version                  the release this program belongs to
//
// Exit status: 0 on success, 1 when no plugin served (or the call failed),
// 2 on bad usage or a bad window handle.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "selvor32.h"

namespace {

constexpr int kServed = 0, kNotServed = 1, kBadUsage = 2;

int Usage(const char* problem) {
  std::fprintf(stderr,
               "kstclient: %s\n"
               "usage: kstclient focus\n"
               "       kstclient get [--json] [WINDOW]\n"
               "       kstclient set TEXT [WINDOW]\n"
               "       kstclient plugins\n"
               "       kstclient enable LETTER | disable LETTER\n"
               "       kstclient activate WINDOW\n"
               "       kstclient --version\n"
               "WINDOW is a window handle, decimal or 0x hexadecimal.\n",
               problem);
  return kBadUsage;
}

// Parses a window handle; false when the text is no number.
bool ParseHandle(const char* text, HWND& window) {
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0') return false;
  window = reinterpret_cast<HWND>(static_cast<intptr_t>(value));
  return true;
}

void PrintWindow(HWND window) {
  std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
}

// The window named on the command line, or the focus window when none is.
// Returns kServed, or an exit status when there is no usable window.
int ResolveWindow(const char* argument, HWND& window) {
  if (argument) {
    if (!ParseHandle(argument, window)) return Usage("not a window handle");
  } else {
    window = kst_get_focus_window();
    if (!window) {
      std::fprintf(stderr, "kstclient: no focus window in the foreground application\n");
      return kNotServed;
    }
  }
  if (!IsWindow(window)) {
    std::fprintf(stderr, "kstclient: 0x%llx is not a window\n",
                 static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    return kBadUsage;
  }
  return kServed;
}

std::string JsonString(const char* text) {
  std::string out = "\"";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    switch (*p) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (*p < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof(escape), "\\u%04x", *p);
          out += escape;
        } else {
          out += static_cast<char>(*p);
        }
    }
  }
  return out + "\"";
}

// Texts come in the ANSI code page; JSON wants UTF-8.
std::string AnsiToUtf8(const char* text) {
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(wideLength, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), wideLength);
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), length, nullptr, nullptr);
  utf8.resize(length > 0 ? length - 1 : 0);
  return utf8;
}

// Bits of a process: 32 when it runs under WoW64 or the system is 32-bit;
// 0 when it cannot be asked.
int ProcessBits(HANDLE process) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(process, &wow64)) return 0;
  if (wow64) return 32;
#ifdef _WIN64
  return 64;
#else
  BOOL selfWow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &selfWow64) && selfWow64 ? 64 : 32;
#endif
}

// How the library reached the plugin that served the window: in this
// thread (the window's own, or a plugin that always runs in the caller),
// through its hook in the window's thread, or through the bridge to an
// application of the other bitness (or the one the diagnostic switch names).
std::string Route(HWND window, char letter) {
  DWORD processId = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &processId);
  if (thread == GetCurrentThreadId() || !std::strchr("ABDE", letter)) return "caller's thread";
  if (GetEnvironmentVariableA("SELVOR32_BRIDGE_DIR", nullptr, 0) > 0) return "bridge (diagnostic switch)";
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  const int own = ProcessBits(GetCurrentProcess()), target = process ? ProcessBits(process) : 0;
  if (process) CloseHandle(process);
  if (own == target) return "hook";
  return "bridge (" + std::to_string(own) + "-bit client, " +
         (target ? std::to_string(target) + "-bit" : std::string("unknown")) + " application)";
}

int Focus() {
  HWND window = kst_get_focus_window();
  if (!window) {
    std::fprintf(stderr, "kstclient: no focus window in the foreground application\n");
    return kNotServed;
  }
  PrintWindow(window);
  return kServed;
}

int Get(const std::vector<const char*>& args) {
  bool json = false;
  const char* windowArgument = nullptr;
  for (const char* arg : args) {
    if (std::strcmp(arg, "--json") == 0)
      json = true;
    else if (!windowArgument)
      windowArgument = arg;
    else
      return Usage("get takes at most one window");
  }
  HWND window = nullptr;
  if (int status = ResolveWindow(windowArgument, window); status != kServed) return status;
  std::vector<char> buffer(KST_TEXT_BUFFER_SIZE, '\0');
  POINT point = {-2, -2};
  if (!kst_get_window_text(window, buffer.data(), &point)) {
    std::fprintf(stderr, "kstclient: no plugin served the window\n");
    return kNotServed;
  }
  const char letter = static_cast<char>(kst_get_last_used_plugin());
  if (json) {
    std::printf("{\"text\": %s, \"point\": {\"x\": %ld, \"y\": %ld}, \"plugin\": \"%c\", \"route\": %s}\n",
                JsonString(AnsiToUtf8(buffer.data()).c_str()).c_str(), point.x, point.y,
                letter ? letter : '?', JsonString(Route(window, letter).c_str()).c_str());
  } else {
    std::printf("%s\n", buffer.data());
  }
  return kServed;
}

int Set(const std::vector<const char*>& args) {
  if (args.empty() || args.size() > 2) return Usage("set takes a text and at most one window");
  HWND window = nullptr;
  if (int status = ResolveWindow(args.size() == 2 ? args[1] : nullptr, window); status != kServed)
    return status;
  if (!kst_set_window_text(window, args[0])) {
    std::fprintf(stderr, "kstclient: no plugin served the window\n");
    return kNotServed;
  }
  const char letter = static_cast<char>(kst_get_last_used_plugin());
  std::printf("replaced by plugin %c (route: %s)\n", letter, Route(window, letter).c_str());
  return kServed;
}

int Plugins() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    char name[KST_PLUGIN_NAME_SIZE] = {};
    if (!kst_get_plugin_info(letter, name)) continue;
    std::printf("%c  %-32s %s\n", letter, name,
                kst_is_plugin_enabled(letter) ? "enabled" : "disabled");
  }
  return kServed;
}

int Switch(const std::vector<const char*>& args, bool enable) {
  if (args.size() != 1 || std::strlen(args[0]) != 1) return Usage("expected one plugin letter");
  const int letter = static_cast<unsigned char>(args[0][0]);
  const int result = enable ? kst_enable_plugin(letter) : kst_disable_plugin(letter);
  if (!result) {
    char message[KST_PLUGIN_NAME_SIZE] = {};
    kst_get_plugin_info(letter, message);
    std::fprintf(stderr, "kstclient: %c: %s\n", args[0][0], message);
    return kBadUsage;
  }
  return kServed;
}

int Activate(const std::vector<const char*>& args) {
  if (args.size() != 1) return Usage("activate takes one window");
  HWND window = nullptr;
  if (int status = ResolveWindow(args[0], window); status != kServed) return status;
  if (!kst_activate_window(window)) {
    std::fprintf(stderr, "kstclient: the window was not brought to the foreground\n");
    return kNotServed;
  }
  return kServed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("no command");
  const std::string command = argv[1];
  const std::vector<const char*> args(argv + 2, argv + argc);
  if (command == "focus" && args.empty()) return Focus();
  if (command == "get") return Get(args);
  if (command == "set") return Set(args);
  if (command == "plugins" && args.empty()) return Plugins();
  if (command == "enable") return Switch(args, true);
  if (command == "disable") return Switch(args, false);
  if (command == "activate") return Activate(args);
  if (command == "--version" && args.empty()) {
    std::printf("kstclient %s\n", KST_VERSION);
    return kServed;
  }
  return Usage(("unknown command or arguments: " + command).c_str());
}
