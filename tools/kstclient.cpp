// kstclient: calls the exports of selvor32.dll from the command line.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "selvor32.h"

namespace {

int ListPlugins() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    char name[KST_PLUGIN_NAME_SIZE] = {};
    if (!kst_get_plugin_info(letter, name)) continue;
    std::printf("%c  %-32s %s\n", letter, name,
                kst_is_plugin_enabled(letter) ? "enabled" : "disabled");
  }
  return 0;
}

int Usage() {
  std::fprintf(stderr, "usage: kstclient plugins\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "plugins") == 0) return ListPlugins();
  return Usage();
}
