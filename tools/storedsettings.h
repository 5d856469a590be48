// Reads back what marbeck.dll stored for the current user and opens the
// sealed proxy password with the user's key-exchange key. Lives outside the
// library, which itself reads nothing back.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace kst {

inline constexpr char kStoredSettingsKey[] = "Software\\Kestrivo";

struct TStoredValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  bool operator==(const TStoredValue&) const = default;
};

// The value under HKEY_CURRENT_USER\Software\Kestrivo; false when the key or
// the value is missing.
bool ReadStoredValue(const char* name, TStoredValue& value);

// Upper- or lower-case hex digits back into bytes; false on an odd length or
// any other character.
bool HexToBytes(std::string_view text, std::vector<BYTE>& bytes);

// Opens a sealed record (L, SIMPLEBLOB, ciphertext, as hex text): imports the
// session key with the current user's exchange key and decrypts. False and
// the empty text when the record is malformed or does not open.
bool OpenSealedText(std::string_view hexText, std::string& plaintext);

}  // namespace kst
