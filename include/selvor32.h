/* selvor32: read and replace the selected text of the window the user works
 * in, across threads and processes.
 *
 * Load selvor32.dll of the application's own bitness: in the release
 * archive, x86\bin\selvor32.dll for a 32-bit process, x64\bin\selvor32.dll
 * for a 64-bit one; ship it next to the application's .exe. To reach
 * applications of the other bitness, also ship the other bitness's
 * selvor32.dll and kstbridge.exe in a folder beside it: x64\ (from
 * x64\bin\) for a 32-bit application, x86\ (from x86\bin\) for a 64-bit
 * one. To link:
 *   CMake, any toolchain:  find_package(selvor32 CONFIG REQUIRED) and
 *                          target_link_libraries(app PRIVATE selvor32::selvor32)
 *                          (picks the bitness and import library itself)
 *   MinGW-w64:             -I include -L x86/lib -lselvor32  (x64/lib for 64-bit):
 *                          the import library libselvor32.dll.a
 *   Visual C++:            /I include and x86\lib\selvor32.lib (x64\lib\ for x64)
 *   at run time:           LoadLibraryA("selvor32.dll") and GetProcAddress with
 *                          the undecorated names, e.g. "kst_get_window_text"
 *
 * Every function uses the stdcall convention and returns a 32-bit integer
 * (1 for success, 0 for failure, unless stated otherwise). Texts are
 * NUL-terminated strings in the system's ANSI code page. The caller owns
 * every buffer it passes. */
#ifndef SELVOR32_H
#define SELVOR32_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the buffer kst_get_window_text fills: 32768 characters and a NUL. */
#define KST_TEXT_BUFFER_SIZE 32769
/* Enough for the longest plugin display name and its NUL. */
#define KST_PLUGIN_NAME_SIZE 64

/* Brings window to the foreground; 1 when the first attempt succeeded. */
int WINAPI kst_activate_window(HWND window);

/* The window with the keyboard focus in the foreground application, or 0. */
HWND WINAPI kst_get_focus_window(void);

/* Copies the selection of window (or the run of non-blank characters at the
 * caret) into buffer (KST_TEXT_BUFFER_SIZE bytes) and a screen point near it
 * into point: (-1, -1) when no position is known, (-2, -2) for none. */
int WINAPI kst_get_window_text(HWND window, char *buffer, POINT *point);

/* Replaces the selection of window (or the run at the caret) with text. */
int WINAPI kst_set_window_text(HWND window, const char *text);

/* Letter code ('A'..'Z') of the plugin that served the last successful text
 * operation, or 0. */
int WINAPI kst_get_last_used_plugin(void);

/* Writes the display name of the plugin with that letter into buffer and
 * returns 1, or writes "Invalid plugin index." and returns 0. Letters are
 * case-insensitive; only the low byte counts. */
int WINAPI kst_get_plugin_info(int letter, char *buffer);

int WINAPI kst_enable_plugin(int letter);
int WINAPI kst_disable_plugin(int letter);
int WINAPI kst_is_plugin_enabled(int letter);

#ifdef __cplusplus
}
#endif

#endif /* SELVOR32_H */
