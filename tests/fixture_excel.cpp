// The fake Excel process: the fake of fakeexcel.cpp in a process of its
// own, reached from the test through COM marshaling: `_Workbook` through the
// type library fakeexcel.tlb (registered here), the rest as IDispatch.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "fakeexcel.h"
#include "fixture.h"
#include "kstres.h"
#include "testsupport.h"

namespace kst::test {
// fake_excel: registers the type library, makes the main window and the
// workbook desk, says "ready|<main window>", then serves commands and COM
// calls until "quit" or the end of its input.
KST_FIXTURE_ROLE("fake_excel", FakeExcelRole) {
  (void)args;
  if (FAILED(CoInitialize(nullptr))) return 1;
  Microsoft::WRL::ComPtr<ITypeLib> library;
  const std::string path = ModuleDir() + "fakeexcel.tlb";
  const HRESULT hr = LoadTypeLibEx(std::wstring(path.begin(), path.end()).c_str(), REGKIND_REGISTER,
                                   library.GetAddressOf());
  if (FAILED(hr)) {
    Say("typelib|0x%08lx", static_cast<unsigned long>(hr));
    return 1;
  }
  HWND main = StartFakeExcel([](const std::string& line) { Say("%s", line.c_str()); });

  // Commands come from a reader thread; the main thread serves them between
  // the window messages that carry COM calls.
  std::mutex lock;
  std::deque<std::string> commands;
  unique_handle arrived(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  std::thread reader([&] {
    for (;;) {
      std::string line = ReadCommand();
      {
        std::lock_guard<std::mutex> guard(lock);
        commands.push_back(line);
      }
      SetEvent(arrived.get());
      if (line.empty() || line == "quit") return;
    }
  });

  Say("ready|%s", FormatWindow(main).c_str());
  for (bool running = true; running;) {
    HANDLE event = arrived.get();
    MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    for (;;) {
      std::string line;
      {
        std::lock_guard<std::mutex> guard(lock);
        if (commands.empty()) break;
        line = commands.front();
        commands.pop_front();
      }
      if (!RunFakeExcelCommand(line)) running = false;
    }
  }
  reader.join();
  StopFakeExcel();
  library.Reset();
  CoUninitialize();
  return 0;
}

}  // namespace kst::test
