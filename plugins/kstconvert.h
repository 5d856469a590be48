// Text between the caller's 8-bit strings (the system's ANSI code page) and
// the UTF-16 strings of the object models the plugins talk to.
#pragma once

#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

#include "kstres.h"

namespace kst {

// What a plugin other than the clipboard hands back at most, not counting
// the NUL: 8-bit characters (bytes) of the ANSI string, as lstrcpynA counts.
constexpr size_t kMaxDeliveredText = 32767;

// `length` UTF-16 units in the ANSI code page.
std::string WideToAnsi(const wchar_t* text, size_t length);

// An ANSI string (null counts as empty) as UTF-16.
std::wstring AnsiToWide(const char* text);
// `length` bytes of ANSI text as UTF-16.
std::wstring AnsiToWide(const char* text, size_t length);

// The longest prefix of `text` of at most `limit` bytes that ends between two
// characters of the ANSI code page: a cut never splits a multibyte one.
size_t AnsiCutPoint(std::string_view text, size_t limit);
std::string AnsiPrefix(std::string text, size_t limit);

// The text of a BSTR in the ANSI code page. At most `limit` UTF-16 units are
// converted.
std::string BstrToAnsi(BSTR text, UINT limit = UINT_MAX);
// The first whole characters of `length` UTF-16 units in the ANSI code page,
// at most `limit` bytes of them; only as much is converted as can reach them.
std::string WideToAnsiPrefix(const wchar_t* text, size_t length, size_t limit = kMaxDeliveredText);
std::string BstrToAnsiPrefix(BSTR text, size_t limit = kMaxDeliveredText);
// Copies what a plugin delivers of a text into the caller's buffer: its
// first whole characters, at most kMaxDeliveredText bytes, and the NUL. An
// empty text leaves the buffer as it is.
void DeliverText(BSTR text, char* buffer);

// The blank test on characters, whatever the code page: true for a text that
// is not empty and holds no character of code 32 or below.
bool IsNonBlankText(std::wstring_view text);
inline bool IsNonBlankBstr(BSTR text) { return IsNonBlankText({text, SysStringLen(text)}); }

// A new BSTR; running out of memory raises EOleError.
unique_bstr MakeBstr(const wchar_t* text, size_t length);
unique_bstr MakeBstr(const std::wstring& text);

// An ANSI string (null counts as empty) as a new BSTR.
unique_bstr AnsiToBstr(const char* text);

}  // namespace kst
