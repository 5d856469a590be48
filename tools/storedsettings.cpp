#include "storedsettings.h"

#include <wincrypt.h>

#include "crypt.h"
#include "kstres.h"

namespace kst {

bool ReadStoredValue(const char* name, TStoredValue& value) {
  value = TStoredValue();
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kStoredSettingsKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
    return false;
  const unique_hkey key(opened);
  // The value may change between the size query and the read: ask again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    value.data.resize(size);
    const LONG status = RegQueryValueExA(key.get(), name, nullptr, &type, value.data.data(), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return false;
    value.type = type;
    value.data.resize(size);
    return true;
  }
  return false;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

bool HexToBytes(std::string_view text, std::vector<BYTE>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) {
      bytes.clear();
      return false;
    }
    bytes.push_back(static_cast<BYTE>(high << 4 | low));
  }
  return true;
}

bool OpenSealedText(std::string_view hexText, std::string& plaintext) {
  plaintext.clear();
  std::vector<BYTE> record;
  const auto wipe = scope_exit([&] { SecureZeroMemory(record.data(), record.size()); });
  if (!HexToBytes(hexText, record) || record.size() < 4) return false;
  const DWORD blobSize = record[0] | record[1] << 8 | record[2] << 16 | static_cast<DWORD>(record[3]) << 24;
  if (blobSize > record.size() - 4) return false;

  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, kCryptProvider, PROV_RSA_FULL, 0)) return false;
  const unique_hcryptprov context(provider);
  HCRYPTKEY key = 0;
  if (!CryptGetUserKey(context.get(), AT_KEYEXCHANGE, &key)) return false;
  const unique_hcryptkey exchangeKey(key);
  key = 0;
  if (!CryptImportKey(context.get(), record.data() + 4, blobSize, exchangeKey.get(), 0, &key)) return false;
  const unique_hcryptkey sessionKey(key);

  BYTE* cipher = record.data() + 4 + blobSize;
  DWORD length = static_cast<DWORD>(record.size() - 4 - blobSize);
  if (!CryptDecrypt(sessionKey.get(), 0, TRUE, 0, cipher, &length)) return false;
  plaintext.assign(reinterpret_cast<const char*>(cipher), length);
  return true;
}

}  // namespace kst
