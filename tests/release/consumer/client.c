/* A client of both libraries, in C, built against the release archive: it
 * reads and replaces the run at the caret of an edit control of its own
 * window, then stores a setting through marbeck and reads it back.
 * Prints one line per step; the exit status is the number of failed steps. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "marbeck.h"
#include "selvor32.h"

static int failures = 0;

static void check(int ok, const char *step) {
  printf("%s: %s\n", ok ? "ok" : "FAILED", step);
  if (!ok) ++failures;
}

static void read_and_replace_at_the_caret(void) {
  static char buffer[KST_TEXT_BUFFER_SIZE];
  char text[64] = "";
  POINT point = {0, 0};
  HWND frame = CreateWindowExA(0, "STATIC", "consumer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 80,
                               NULL, NULL, NULL, NULL);
  HWND edit = CreateWindowExA(0, "EDIT", "x = 12+3 ;", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 4, 4, 300, 24,
                              frame, NULL, NULL, NULL);
  check(frame && edit, "window with an edit control");
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 5, 5); /* caret inside 12+3 */

  check(kst_get_window_text(edit, buffer, &point) == 1 && strcmp(buffer, "12+3") == 0,
        "kst_get_window_text reads the run at the caret");
  printf("read \"%s\" at (%ld, %ld)\n", buffer, (long)point.x, (long)point.y);
  check(kst_get_last_used_plugin() == 'E', "served by the standard edit controls plugin");
  check(kst_set_window_text(edit, "15") == 1, "kst_set_window_text replaces it");
  GetWindowTextA(edit, text, sizeof text);
  printf("edit control now holds \"%s\"\n", text);
  check(strcmp(text, "x = 15 ;") == 0, "the edit control holds the replacement");
  DestroyWindow(frame);
}

/* "AutomaticRatesUpdate" as stored for the current user, or -1. */
static long stored_auto_update(void) {
  HKEY key = NULL;
  DWORD value = 0, size = sizeof value;
  long result = -1;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrivo", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return -1;
  if (RegQueryValueExA(key, "AutomaticRatesUpdate", NULL, NULL, (BYTE *)&value, &size) == ERROR_SUCCESS)
    result = (long)value;
  RegCloseKey(key);
  return result;
}

/* Both ways, so that a value left by someone else cannot pass for ours. */
static void store_a_setting(void) {
  save_auth_params("0", "0", NULL, NULL);
  check(stored_auto_update() == 0, "save_auth_params stores the update switch off");
  save_auth_params("1", "0", NULL, NULL);
  check(stored_auto_update() == 1, "save_auth_params stores the update switch on");
}

int main(void) {
  read_and_replace_at_the_caret();
  store_a_setting();
  return failures;
}
