#include "kstconvert.h"

#include <algorithm>
#include <cstring>

#include "kstplugin.h"

namespace kst {

std::string WideToAnsi(const wchar_t* text, size_t length) {
  const int count = static_cast<int>(std::min<size_t>(length, INT_MAX));
  if (count == 0) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string ansi(static_cast<size_t>(size), '\0');
  ansi.resize(static_cast<size_t>(
      std::max(WideCharToMultiByte(CP_ACP, 0, text, count, ansi.data(), size, nullptr, nullptr), 0)));
  return ansi;
}

std::wstring AnsiToWide(const char* text, size_t length) {
  const int count = static_cast<int>(std::min<size_t>(length, INT_MAX));
  if (!text || count == 0) return {};
  const int size = MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<size_t>(size), L'\0');
  wide.resize(
      static_cast<size_t>(std::max(MultiByteToWideChar(CP_ACP, 0, text, count, wide.data(), size), 0)));
  return wide;
}

std::wstring AnsiToWide(const char* text) {
  return text ? AnsiToWide(text, std::strlen(text)) : std::wstring();
}

size_t AnsiCutPoint(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  CPINFO info = {};
  if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize <= 1) return limit;
  if (GetACP() == CP_UTF8) {
    size_t at = limit;
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) --at;
    return at;
  }
  // Double-byte code pages: only a walk from the start tells lead bytes from
  // trail bytes, which share values.
  size_t at = 0;
  while (at < limit) {
    const size_t width = IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[at])) ? 2 : 1;
    if (at + width > limit) break;
    at += width;
  }
  return at;
}

std::string AnsiPrefix(std::string text, size_t limit) {
  text.resize(AnsiCutPoint(text, limit));
  return text;
}

std::string BstrToAnsi(BSTR text, UINT limit) {
  return WideToAnsi(text, std::min(SysStringLen(text), limit));
}

std::string WideToAnsiPrefix(const wchar_t* text, size_t length, size_t limit) {
  // Every UTF-16 unit gives at least half a byte (a surrogate pair one
  // character), so this many units reach past the limit.
  const size_t reach = 2 * (limit + 1);
  return AnsiPrefix(WideToAnsi(text, std::min(length, reach)), limit);
}

std::string BstrToAnsiPrefix(BSTR text, size_t limit) {
  return WideToAnsiPrefix(text, SysStringLen(text), limit);
}

void DeliverText(BSTR text, char* buffer) {
  const std::string ansi = BstrToAnsiPrefix(text);
  if (!ansi.empty()) lstrcpynA(buffer, ansi.c_str(), static_cast<int>(kMaxDeliveredText + 1));
}

bool IsNonBlankText(std::wstring_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c > 32; });
}

unique_bstr MakeBstr(const wchar_t* text, size_t length) {
  if (length > UINT_MAX) throw EOleError{E_OUTOFMEMORY};
  unique_bstr result(SysAllocStringLen(text, static_cast<UINT>(length)));
  if (!result) throw EOleError{E_OUTOFMEMORY};
  return result;
}

unique_bstr MakeBstr(const std::wstring& text) { return MakeBstr(text.data(), text.size()); }

unique_bstr AnsiToBstr(const char* text) { return MakeBstr(AnsiToWide(text)); }

}  // namespace kst
