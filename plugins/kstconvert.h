// Text between the caller's 8-bit strings (the system's ANSI code page) and
// the UTF-16 strings of the object models the plugins talk to.
#pragma once

#include <windows.h>

#include <climits>
#include <string>

#include "kstres.h"

namespace kst {

// `length` UTF-16 units in the ANSI code page.
std::string WideToAnsi(const wchar_t* text, size_t length);

// An ANSI string (null counts as empty) as UTF-16.
std::wstring AnsiToWide(const char* text);

// The text of a BSTR in the ANSI code page. At most `limit` UTF-16 units are
// converted: each gives at least one byte, so a caller that cuts the result
// at `limit` bytes gets what a cut of the whole text would give.
std::string BstrToAnsi(BSTR text, UINT limit = UINT_MAX);

// A new BSTR; running out of memory raises EOleError.
unique_bstr MakeBstr(const wchar_t* text, size_t length);
unique_bstr MakeBstr(const std::wstring& text);

// An ANSI string (null counts as empty) as a new BSTR.
unique_bstr AnsiToBstr(const char* text);

}  // namespace kst
