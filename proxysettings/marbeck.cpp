// marbeck: stores the client's update and proxy settings for the current
// user under HKEY_CURRENT_USER\Software\Kestrivo, the proxy password sealed
// by the crypt unit. Reads nothing back and keeps no state between calls.
#include "marbeck.h"

#include <cstring>
#include <string>

#include "crypt.h"
#include "kstres.h"

namespace {

constexpr char kSettingsKey[] = "Software\\Kestrivo";
// Keeps the plaintext non-empty, so an empty "ProxyPassword" can only mean
// that the encryption failed.
constexpr char kPasswordMarker[] = MARBECK_PASSWORD_MARKER;

void WriteStringValue(HKEY key, const char* name, const char* value) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                 static_cast<DWORD>(std::strlen(value) + 1));
}

void WriteIntegerValue(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void WriteFlagValue(HKEY key, const char* name, bool value) {
  WriteIntegerValue(key, name, value ? 1 : 0);
}

// Only the exact text "1" switches on; a null pointer counts as off.
bool IsFlagOn(const char* flag) {
  return flag && flag[0] == '1' && flag[1] == '\0';
}

const char* OrEmpty(const char* text) {
  return text ? text : "";
}

// The cipher text of marker and password; empty when the encryption failed.
// The plaintext copy is wiped before its memory goes back to the heap.
std::string SealPassword(const char* password) {
  try {
    const size_t length = std::strlen(password);
    std::string plaintext;
    const auto wipe = kst::scope_exit([&] { SecureZeroMemory(plaintext.data(), plaintext.size()); });
    plaintext.reserve(sizeof(kPasswordMarker) - 1 + length);
    plaintext.append(kPasswordMarker).append(password, length);
    std::string cipherText;
    kst::EncryptString(plaintext, cipherText);
    return cipherText;
  } catch (...) {
    return std::string();
  }
}

}  // namespace

extern "C" void WINAPI save_auth_params(const char* auto_update, const char* proxy_auth,
                                        const char* proxy_login, const char* proxy_password) {
  HKEY opened = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &opened, nullptr) != ERROR_SUCCESS)
    return;
  const kst::unique_hkey key(opened);

  const bool autoUpdate = IsFlagOn(auto_update);
  WriteFlagValue(key.get(), "AutomaticRatesUpdate", autoUpdate);
  if (!autoUpdate || !IsFlagOn(proxy_auth)) return;

  WriteIntegerValue(key.get(), "ProxyAuthentication", 1);
  WriteStringValue(key.get(), "ProxyLogin", OrEmpty(proxy_login));
  WriteStringValue(key.get(), "ProxyPassword", SealPassword(OrEmpty(proxy_password)).c_str());
}
