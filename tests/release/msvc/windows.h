/* The few Windows declarations the public headers use, so that they compile
 * in Visual C++ mode (clang --target=*-windows-msvc) where no Windows SDK is
 * installed. Sizes and calling convention are those of the SDK. */
#ifndef KST_MSVC_WINDOWS_H
#define KST_MSVC_WINDOWS_H
#define WINAPI __stdcall
typedef struct HWND__ *HWND;
typedef struct tagPOINT {
  long x;
  long y;
} POINT;
#endif
