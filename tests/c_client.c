/* A C client that links selvor32 through its import library and the public
 * header alone, as a client application written in C does. */
#include <stdio.h>
#include <string.h>

#include "selvor32.h"

int main(void) {
  char name[KST_PLUGIN_NAME_SIZE];
  const int result = kst_get_plugin_info('H', name);
  if (result != 0 || strcmp(name, "Invalid plugin index.") != 0) {
    printf("unexpected answer %d \"%s\"\n", result, name);
    return 1;
  }
  printf("linked: %s\n", name);
  return 0;
}
