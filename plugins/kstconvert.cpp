#include "kstconvert.h"

#include <algorithm>

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

std::wstring AnsiToWide(const char* text) {
  if (!text) return {};
  const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (size <= 1) return {};
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
  wide.pop_back();  // the NUL that was counted
  return wide;
}

std::string BstrToAnsi(BSTR text, UINT limit) {
  return WideToAnsi(text, std::min(SysStringLen(text), limit));
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
