/* marbeck: stores the client's update and proxy settings for the current
 * user under HKEY_CURRENT_USER\Software\Kestrivo.
 *
 * Load marbeck.dll of the application's own bitness: in the release archive,
 * x86\bin\marbeck.dll for a 32-bit process, x64\bin\marbeck.dll for a 64-bit
 * one; ship it next to the application's .exe. To link:
 *   CMake, any toolchain:  find_package(selvor32 CONFIG REQUIRED) and
 *                          target_link_libraries(app PRIVATE selvor32::marbeck)
 *                          (picks the bitness and import library itself)
 *   MinGW-w64:             -I include -L x86/lib -lmarbeck  (x64/lib for 64-bit):
 *                          the import library libmarbeck.dll.a
 *   Visual C++:            /I include and x86\lib\marbeck.lib (x64\lib\ for x64)
 *   at run time:           LoadLibraryA("marbeck.dll") and GetProcAddress with
 *                          the undecorated name "save_auth_params"
 *
 * The function uses the stdcall convention (WINAPI).
 * Arguments are NUL-terminated strings in the system's ANSI code page. */
#ifndef MARBECK_H
#define MARBECK_H

#include <windows.h>

/* "ProxyPassword" opens to this marker followed by the password. */
#define MARBECK_PASSWORD_MARKER "MAKE_SURE_STRING_IS_NOT_EMPTY"

#ifdef __cplusplus
extern "C" {
#endif

/* Writes "AutomaticRatesUpdate" (REG_DWORD, 1 when auto_update is exactly
 * "1", else 0). When auto_update and proxy_auth are both exactly "1", also
 * writes "ProxyAuthentication" (REG_DWORD 1), "ProxyLogin" (REG_SZ) and
 * "ProxyPassword" (REG_SZ: the password sealed for the current user, in
 * hexadecimal; empty when it could not be encrypted). Otherwise the proxy
 * values keep what they held. A null login or password counts as the empty
 * string, a null flag as off. Nothing is reported back. */
void WINAPI save_auth_params(const char *auto_update, const char *proxy_auth,
                             const char *proxy_login, const char *proxy_password);

#ifdef __cplusplus
}
#endif

#endif /* MARBECK_H */
