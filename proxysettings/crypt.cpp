#include "crypt.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "kstres.h"

namespace kst {

namespace {

// A failing CryptoAPI call ends the encryption quietly: the destructors
// release what was acquired and EncryptBuffer turns it into false.
struct ECryptAbort {};

void CryptCheck(BOOL ok) {
  if (!ok) throw ECryptAbort{};
}

bool LastErrorIs(HRESULT expected) {
  return GetLastError() == static_cast<DWORD>(expected);
}

// The current user's default container, created when the user has none yet.
unique_hcryptprov AcquireUserContext() {
  HCRYPTPROV context = 0;
  if (!CryptAcquireContextA(&context, nullptr, kCryptProvider, PROV_RSA_FULL, 0)) {
    if (!LastErrorIs(NTE_BAD_KEYSET)) throw ECryptAbort{};
    context = 0;
    CryptCheck(CryptAcquireContextA(&context, nullptr, kCryptProvider, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  }
  return unique_hcryptprov(context);
}

unique_hcryptkey GenerateKey(HCRYPTPROV context, ALG_ID algorithm, DWORD flags) {
  HCRYPTKEY key = 0;
  CryptCheck(CryptGenKey(context, algorithm, flags, &key));
  return unique_hcryptkey(key);
}

// The user's key-exchange key pair, generated once and then kept in the
// container for good: a reader of the record needs its private half.
unique_hcryptkey UserExchangeKey(HCRYPTPROV context) {
  HCRYPTKEY key = 0;
  if (CryptGetUserKey(context, AT_KEYEXCHANGE, &key)) return unique_hcryptkey(key);
  if (!LastErrorIs(NTE_NO_KEY)) throw ECryptAbort{};
  return GenerateKey(context, AT_KEYEXCHANGE, 0);
}

// A key imported from a SIMPLEBLOB gets a zero salt, and Windows gives a new
// key the same. Wine's provider fills the salt of a new 40-bit key with random
// bytes that the blob does not carry, so no reader could open the record:
// make the salt what the reader will have.
void ZeroSalt(HCRYPTKEY key) {
  DWORD size = 0;
  if (!CryptGetKeyParam(key, KP_SALT, nullptr, &size, 0) || size == 0) return;
  const std::vector<BYTE> zeros(size, 0);
  CryptCheck(CryptSetKeyParam(key, KP_SALT, zeros.data(), 0));
}

std::vector<BYTE> ExportSessionKey(HCRYPTKEY sessionKey, HCRYPTKEY exchangeKey) {
  DWORD size = 0;
  CryptCheck(CryptExportKey(sessionKey, exchangeKey, SIMPLEBLOB, 0, nullptr, &size));
  std::vector<BYTE> blob(size);
  CryptCheck(CryptExportKey(sessionKey, exchangeKey, SIMPLEBLOB, 0, blob.data(), &size));
  blob.resize(size);
  return blob;
}

std::string SealBuffer(const BYTE* plaintext, DWORD length) {
  const unique_hcryptprov context = AcquireUserContext();
  const unique_hcryptkey exchangeKey = UserExchangeKey(context.get());
  const unique_hcryptkey sessionKey = GenerateKey(context.get(), CALG_RC2, CRYPT_EXPORTABLE);
  ZeroSalt(sessionKey.get());
  const std::vector<BYTE> blob = ExportSessionKey(sessionKey.get(), exchangeKey.get());

  DWORD cipherSize = length;
  CryptCheck(CryptEncrypt(sessionKey.get(), 0, TRUE, 0, nullptr, &cipherSize, 0));
  if (cipherSize < length) throw ECryptAbort{};

  const uint32_t blobSize = static_cast<uint32_t>(blob.size());
  const size_t cipherOffset = sizeof(blobSize) + blob.size();
  std::vector<BYTE> record(cipherOffset + cipherSize, 0);
  // The record holds the plaintext until it is encrypted in place, and still
  // does when the encryption fails.
  const auto wipe = scope_exit([&] { SecureZeroMemory(record.data(), record.size()); });
  for (size_t i = 0; i < sizeof(blobSize); ++i) record[i] = static_cast<BYTE>(blobSize >> (8 * i));
  std::memcpy(record.data() + sizeof(blobSize), blob.data(), blob.size());
  std::memcpy(record.data() + cipherOffset, plaintext, length);

  DWORD dataLength = length;
  CryptCheck(CryptEncrypt(sessionKey.get(), 0, TRUE, 0, record.data() + cipherOffset, &dataLength,
                          cipherSize));
  return BytesToHex(record.data(), record.size());
}

}  // namespace

bool EncryptString(std::string_view plaintext, std::string& cipherText) {
  if (plaintext.empty()) {
    cipherText.clear();
    return true;
  }
  if (plaintext.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    cipherText.clear();
    return false;
  }
  return EncryptBuffer(plaintext.data(), static_cast<int32_t>(plaintext.size()), cipherText);
}

bool EncryptBuffer(const void* data, int32_t count, std::string& cipherText) {
  cipherText.clear();
  if (!data) return true;
  if (count < 0) return false;
  try {
    cipherText = SealBuffer(static_cast<const BYTE*>(data), static_cast<DWORD>(count));
    return true;
  } catch (...) {
    return false;
  }
}

std::string BytesToHex(const void* data, size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  if (count > text.max_size() / 2) throw std::length_error("BytesToHex");
  text.resize(2 * count);
  const auto* bytes = static_cast<const BYTE*>(data);
  for (size_t i = 0; i < count; ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace kst
