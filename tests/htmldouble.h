// A scripted HTML document behind a window, in place of the browser's
// rendering engine, which this platform lacks. The window answers
// "WM_HTML_GETOBJECT" with LresultFromObject of an IHTMLDocument2 over a
// small text model: an active element of a chosen kind, a selection object,
// text ranges that move by character, and optional display services with a
// caret. Any implemented call can be made to fail; every call is logged, a
// call of a method the document does not implement is recorded as
// unexpected, and the references it handed out are counted.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kst::test {

enum class THtmlActive { None, Body, TextArea, Input, Other };

// How the window answers "WM_HTML_GETOBJECT".
enum class THtmlAnswer { Document, Zero, Garbage };

struct THtmlPage {
  std::wstring Text;
  // The document's selection, [SelStart, SelEnd) in Text; empty = caret.
  long SelStart = 0, SelEnd = 0;
  // As get_type of the selection object reports it: "None", "Text", "Control".
  std::wstring SelectionType = L"None";
  bool HasSelectionObject = true;
  THtmlActive Active = THtmlActive::Body;
  std::wstring InputType = L"text";  // for THtmlActive::Input
  bool TextEdit = true;              // what get_isTextEdit reports
  bool DisplayServices = true;
  bool Caret = true;         // false: GetCaret fails
  bool NullCaret = false;    // GetCaret succeeds but hands out no caret
  POINT CaretPoint = {0, 0};  // what IHTMLCaret::GetLocation writes
  THtmlAnswer Answer = THtmlAnswer::Document;

  // "Interface::method" of a call that fails with E_FAIL; only its n-th call
  // when FailOccurrence is n > 0, every call when it is 0.
  std::string FailCall;
  int FailOccurrence = 0;

  // Every implemented call, as "Interface::method(arguments)".
  std::vector<std::string> Calls;
  // Calls of methods the double does not implement, as "Interface#slot".
  std::vector<std::string> Unexpected;
};

// The one page of this process; reset puts every field back to its default.
THtmlPage& HtmlPage();
void ResetHtmlPage();

// Creates the window that hosts the page (a top-level window at the given
// screen position, hidden) and destroys it again.
HWND CreateHtmlDoubleWindow(int x, int y);
void DestroyHtmlDoubleWindow(HWND window);

// References the double handed out that have not been released yet.
long HtmlOutstandingReferences();

// How many logged calls start with the prefix.
int CountCalls(const std::string& prefix);

}  // namespace kst::test
