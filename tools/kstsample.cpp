// kstsample: a small editor for the demo. One top-level window with an edit
// control showing a line of text, the caret placed inside it and nothing
// selected, so that a client can read and replace the run at the caret.
//
//   kstsample [TEXT [CARET]]     default: "x = 12+3 ;" with the caret at 6
//
// Prints "ready TOP EDIT" (window handles) once the window is up.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  const char* text = argc > 1 ? argv[1] : "x = 12+3 ;";
  const int caret = argc > 2 ? std::atoi(argv[2]) : 6;

  WNDCLASSA frame = {};
  frame.lpfnWndProc = FrameProc;
  frame.lpszClassName = "KstSampleEditor";
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassA(&frame);
  HWND top = CreateWindowA("KstSampleEditor", "Sample editor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60,
                           60, 480, 160, nullptr, nullptr, nullptr, nullptr);
  HWND edit = CreateWindowA("EDIT", text, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 20, 30,
                            420, 40, top, nullptr, nullptr, nullptr);
  if (!top || !edit) return 1;
  HFONT font = CreateFontA(30, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0,
                           FIXED_PITCH, "Courier New");
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SetForegroundWindow(top);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, caret, caret);
  std::printf("ready 0x%llx 0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(top)),
              static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(edit)));
  std::fflush(stdout);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DeleteObject(font);
  return 0;
}
