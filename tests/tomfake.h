// A scripted Text Object Model for tests: a window that answers
// EM_GETOLEINTERFACE with an IRichEditOle whose document, selection and
// ranges work over a small text model. Any call can be made to fail or to
// leave a null interface; every call is logged, calls the plugin has no
// business making are collected, and references are counted so a test can
// tell whether everything handed out was released.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace kst::test {

struct TomModel {
  // The text as lines on screen. A line either ends with '\r' (written '/'
  // in a description) or wraps into the next without one (written '|').
  std::wstring text;
  std::vector<long> lineStarts{0};
  long selStart = 0, selEnd = 0;  // written '[' and ']'
  long firstVisibleLine = 0, visibleLines = 2;
  static constexpr long kCharWidth = 8, kLineHeight = 16;

  // Script: the call named "Object.Method" (e.g. "Selection.GetStart") fails
  // with failWith on its failOn-th call (0: on every call). A call named in
  // nullCall succeeds but hands out no interface. noOle: the window gives no
  // object; "Ole.QueryInterface" in failCall: the object gives no document.
  std::string failCall, nullCall;
  int failOn = 0;
  HRESULT failWith = E_FAIL;
  bool noOle = false;
  // The selection's SetStart and SetEnd succeed without moving it.
  bool stuckSelection = false;

  // Record.
  std::vector<std::string> calls;       // "Selection.SetStart(4)", ...
  std::vector<std::string> unexpected;  // calls outside what the plugin may use
  int overReleases = 0;
  HWND window = nullptr;

  // Builds the model from a description such as "ab [12+34*2] x/next|wrap".
  static std::unique_ptr<TomModel> Parse(const std::string& description);
  // The text and selection in the same notation.
  std::string Describe() const;
  // Objects handed out that were not released yet.
  int LiveObjects() const;
  // How many times a method was called, by "Object.Method"; a null
  // interface is handed out on the failOn-th call like a failure.
  int CallCount(const std::string& name) const;
  std::string CallLog() const;

  // For the fake objects.
  HRESULT Enter(const std::string& name, const std::string& args = "");
  long LineOf(long cp) const;
  long LineEnd(long line) const;
  long Length() const { return static_cast<long>(text.size()); }
  void Replace(long start, long end, const std::wstring& with);
  void* NewOle();
  struct Object;
  std::vector<std::unique_ptr<Object>> objects;
  ~TomModel();
};

// The window class "KstScriptedTom" serving a model; the model must outlive
// the window.
HWND CreateTomWindow(TomModel& model, DWORD style = WS_OVERLAPPEDWINDOW);

}  // namespace kst::test
