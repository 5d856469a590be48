// A fake Excel: a main window with workbook windows two levels below it, and
// workbooks in the running object table whose windows and cells answer
// Excel's dispatch identifiers. It serves the thread that starts it, either
// inside the fixture process (calls arrive through COM marshaling) or inside
// the test's own thread (calls arrive directly, so every reference counts).
//
// Every call is counted, any member can be made to fail, every call that
// breaks the rules the plugin must keep is recorded as "bad", and every
// window, range and collection handed out is counted while it lives.
//
// Commands, one a line, fields separated by '|', texts in UTF-8; each is
// answered with one line ("report" with several and "end"):
//   book|path[|nowindows|other|nointerface]
//                                   a workbook in the running object table;
//                                   one whose `Windows` is nothing, an
//                                   object that is no workbook, or one whose
//                                   query for _Workbook succeeds with null
//                                   (in the test's own thread only: COM
//                                   marshaling does not carry that answer)
//   window|caption|title[|class]    a window of the last workbook
//   cell|book|window|index|kind|value|left|top
//                                   kind: empty, text, number, error, repeat
//                                   (value 'x' repeated, then "END")
//   active|book|window|index        the active cell (-1: none)
//   view|book|window|zoom|left|top  zoom and the visible range's corner
//   fail|member[|call]              fail that call (or every call) of a
//                                   member: Windows, Count, Item, Caption.get,
//                                   Caption.put, ActiveCell, Zoom,
//                                   VisibleRange, Value.get, Value.put, Show,
//                                   Left, Top
//   report                          refs, caption, cell, calls, bad, live,
//                                   activate lines, then "end"
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kst::test {

using TFakeExcelSay = std::function<void(const std::string& line)>;

// Makes the windows in this thread; answers go to `say`. Returns the main window.
HWND StartFakeExcel(TFakeExcelSay say);
// False for "quit" (and the end of input).
bool RunFakeExcelCommand(const std::string& line);
// Revokes the workbooks, releases them and destroys the windows.
void StopFakeExcel();
// The '|'-separated fields of a command or an answer.
std::vector<std::string> FakeExcelFields(const std::string& line);

}  // namespace kst::test
