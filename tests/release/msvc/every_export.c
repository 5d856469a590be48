/* Calls every export of both libraries through the public headers, compiled
 * as a Visual C++ client is: the decorated names it references (_name@N for
 * x86) must all resolve in the .lib import libraries. No C runtime: the
 * entry point is the program. */
#include "marbeck.h"
#include "selvor32.h"

static char buffer[KST_TEXT_BUFFER_SIZE];

int __stdcall entry(void) {
  POINT point;
  HWND window = kst_get_focus_window();
  int served = kst_activate_window(window);
  served += kst_get_window_text(window, buffer, &point);
  served += kst_set_window_text(window, "text");
  served += kst_get_last_used_plugin();
  served += kst_get_plugin_info('E', buffer);
  served += kst_enable_plugin('E');
  served += kst_disable_plugin('E');
  served += kst_is_plugin_enabled('E');
  save_auth_params("0", "0", 0, 0);
  return served;
}
