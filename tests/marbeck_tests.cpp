// marbeck.dll and its crypt unit against Wine's real registry and its
// "Microsoft Base Cryptographic Provider v1.0". Each test runs as a user of
// its own: HKEY_CURRENT_USER of this process points at an empty key, so the
// settings and the user's key container start out missing.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "crypt.h"
#include "kstres.h"
#include "storedsettings.h"
#include "testsupport.h"

namespace kst {
void PrintTo(const TStoredValue& value, std::ostream* out) {
  *out << "type " << value.type << " bytes " << BytesToHex(value.data.data(), value.data.size());
}
}  // namespace kst

namespace kst::test {
namespace {

constexpr char kMarker[] = "MAKE_SURE_STRING_IS_NOT_EMPTY";
constexpr char kSettingsKey[] = "Software\\Kestrivo";
constexpr char kProvider[] = "Microsoft Base Cryptographic Provider v1.0";

using SaveAuthParams = void(WINAPI*)(const char*, const char*, const char*, const char*);

// marbeck.dll loaded and its export found by name, as the client does it.
struct Marbeck {
  Marbeck() : module(LoadLibraryA((ModuleDir() + "marbeck.dll").c_str())) {
    if (module)
      save = reinterpret_cast<SaveAuthParams>(
          reinterpret_cast<void*>(GetProcAddress(module.get(), "save_auth_params")));
  }
  unique_hmodule module;
  SaveAuthParams save = nullptr;
};

unique_hkey CreateKey(HKEY parent, const std::string& path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << path;
  return unique_hkey(key);
}

// HKEY_CURRENT_USER of this process redirected to a fresh key for the
// object's lifetime, and the key deleted afterwards.
class ThrowAwayUser {
 public:
  ThrowAwayUser() {
    static int serial = 0;
    path_ = "Software\\KestrivoTestUsers\\" + std::to_string(GetCurrentProcessId()) + "." +
            std::to_string(++serial);
    hive_ = CreateKey(HKEY_CURRENT_USER, path_);
    Enter();
  }
  ~ThrowAwayUser() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    hive_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }
  ThrowAwayUser(const ThrowAwayUser&) = delete;
  ThrowAwayUser& operator=(const ThrowAwayUser&) = delete;

  void Enter() { EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, hive_.get()), ERROR_SUCCESS); }
  HKEY hive() const { return hive_.get(); }

 private:
  std::string path_;
  unique_hkey hive_;
};

// HKEY_LOCAL_MACHINE of this process redirected to an empty key, where no
// CryptoAPI provider is registered, so no context can be acquired.
class NoProviders {
 public:
  explicit NoProviders(const ThrowAwayUser& user) : machine_(CreateKey(user.hive(), "EmptyMachine")) {
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.get()), ERROR_SUCCESS);
    HCRYPTPROV context = 0;
    EXPECT_FALSE(CryptAcquireContextA(&context, nullptr, kProvider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    if (context) CryptReleaseContext(context, 0);
  }
  ~NoProviders() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); }
  NoProviders(const NoProviders&) = delete;
  NoProviders& operator=(const NoProviders&) = delete;

 private:
  unique_hkey machine_;
};

TStoredValue Dword(DWORD number) {
  TStoredValue value{REG_DWORD, std::vector<BYTE>(sizeof(number))};
  std::memcpy(value.data.data(), &number, sizeof(number));
  return value;
}

TStoredValue Sz(const std::string& text) {
  return {REG_SZ, std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1)};
}

TStoredValue Stored(const char* name) {
  TStoredValue value;
  ReadStoredValue(name, value);
  return value;
}

// The text of a REG_SZ value without its NUL.
std::string StoredText(const char* name) {
  const TStoredValue value = Stored(name);
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
  EXPECT_FALSE(value.data.empty() || value.data.back() != 0) << name << " lacks its NUL";
  return value.data.empty() ? std::string() : std::string(value.data.begin(), value.data.end() - 1);
}

std::string Open(const std::string& sealed) {
  std::string plaintext;
  EXPECT_TRUE(OpenSealedText(sealed, plaintext)) << sealed;
  return plaintext;
}

DWORD SettingsValueCount() {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return 0;
  const unique_hkey key(opened);
  DWORD count = 0;
  RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                   nullptr, nullptr, nullptr);
  return count;
}

bool SettingsKeyExists() {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

bool UserHasContainer() {
  HCRYPTPROV context = 0;
  if (!CryptAcquireContextA(&context, nullptr, kProvider, PROV_RSA_FULL, 0)) return false;
  CryptReleaseContext(context, 0);
  return true;
}

// The public half of the user's exchange key pair; empty when there is none.
std::vector<BYTE> ExchangePublicKey() {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, kProvider, PROV_RSA_FULL, 0)) return {};
  const unique_hcryptprov context(provider);
  HCRYPTKEY key = 0;
  if (!CryptGetUserKey(context.get(), AT_KEYEXCHANGE, &key)) return {};
  const unique_hcryptkey exchangeKey(key);
  DWORD size = 0;
  if (!CryptExportKey(exchangeKey.get(), 0, PUBLICKEYBLOB, 0, nullptr, &size)) return {};
  std::vector<BYTE> blob(size);
  if (!CryptExportKey(exchangeKey.get(), 0, PUBLICKEYBLOB, 0, blob.data(), &size)) return {};
  blob.resize(size);
  return blob;
}

bool IsUpperHex(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// The parts of a sealed record: the key blob's length L and header, and C.
struct TRecordShape {
  DWORD blobSize = 0;
  BLOBHEADER header = {};
  size_t cipherSize = 0;
};

TRecordShape ShapeOf(const std::string& sealed) {
  TRecordShape shape;
  std::vector<BYTE> record;
  EXPECT_TRUE(HexToBytes(sealed, record));
  if (record.size() < 4) return shape;
  std::memcpy(&shape.blobSize, record.data(), 4);
  if (shape.blobSize < sizeof(BLOBHEADER) || shape.blobSize > record.size() - 4) {
    ADD_FAILURE() << "blob length " << shape.blobSize << " in a record of " << record.size();
    return shape;
  }
  std::memcpy(&shape.header, record.data() + 4, sizeof(BLOBHEADER));
  shape.cipherSize = record.size() - 4 - shape.blobSize;
  return shape;
}

class MarbeckTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(marbeck.save, nullptr) << "marbeck.dll or its export is missing"; }

  void Save(const char* autoUpdate, const char* proxyAuth, const char* login, const char* password) {
    marbeck.save(autoUpdate, proxyAuth, login, password);
  }

  Marbeck marbeck;
  ThrowAwayUser user;
};

TEST_F(MarbeckTest, StoresEveryValueWithItsTypeAndBytes) {
  Save("1", "1", "B\xE9rbel K.", "p\xE4ss w0rd");
  EXPECT_EQ(Stored("AutomaticRatesUpdate"), Dword(1));
  EXPECT_EQ(Stored("ProxyAuthentication"), Dword(1));
  EXPECT_EQ(Stored("ProxyLogin"), Sz("B\xE9rbel K."));
  EXPECT_EQ(Open(StoredText("ProxyPassword")), std::string(kMarker) + "p\xE4ss w0rd");
  EXPECT_EQ(SettingsValueCount(), 4u);
}

TEST_F(MarbeckTest, CreatesTheMissingKey) {
  ASSERT_FALSE(SettingsKeyExists());
  Save("0", "1", "alice", "secret");
  EXPECT_EQ(Stored("AutomaticRatesUpdate"), Dword(0));
  EXPECT_EQ(SettingsValueCount(), 1u);
  EXPECT_FALSE(UserHasContainer()) << "nothing was to be encrypted";
}

// Only the exact text "1" is on. Off values leave the proxy values of an
// earlier call exactly as they were, "ProxyAuthentication" = 1 included.
TEST_F(MarbeckTest, FlagsOtherThanOneLeaveTheProxyValues) {
  const char* const offFlags[] = {"", "0", "01", " 1", "1 ", "true", "11", "2", nullptr};
  const char* const proxyNames[] = {"ProxyAuthentication", "ProxyLogin", "ProxyPassword"};
  for (const char* flag : offFlags) {
    SCOPED_TRACE(flag ? "flag \"" + std::string(flag) + "\"" : "null flag");
    Save("1", "1", "earlier", "earlier password");
    std::vector<TStoredValue> earlier;
    for (const char* name : proxyNames) earlier.push_back(Stored(name));
    ASSERT_EQ(earlier[0], Dword(1));

    Save(flag, "1", "later", "later password");
    EXPECT_EQ(Stored("AutomaticRatesUpdate"), Dword(0)) << "as auto_update";
    for (size_t i = 0; i < std::size(proxyNames); ++i) EXPECT_EQ(Stored(proxyNames[i]), earlier[i]);

    Save("1", flag, "later", "later password");
    EXPECT_EQ(Stored("AutomaticRatesUpdate"), Dword(1)) << "as proxy_auth";
    for (size_t i = 0; i < std::size(proxyNames); ++i) EXPECT_EQ(Stored(proxyNames[i]), earlier[i]);
    EXPECT_EQ(SettingsValueCount(), 4u);
  }
}

TEST_F(MarbeckTest, EmptyOrNullLoginAndPasswordStoreTheMarkerAlone) {
  const char* const texts[] = {nullptr, ""};
  for (const char* login : texts) {
    for (const char* password : texts) {
      SCOPED_TRACE(std::string("login ") + (login ? "empty" : "null") + ", password " +
                   (password ? "empty" : "null"));
      Save("1", "1", "someone", "something");
      Save("1", "1", login, password);
      EXPECT_EQ(Stored("ProxyAuthentication"), Dword(1));
      EXPECT_EQ(Stored("ProxyLogin"), Sz(""));
      const std::string sealed = StoredText("ProxyPassword");
      EXPECT_FALSE(sealed.empty());
      EXPECT_EQ(Open(sealed), kMarker);
    }
  }
}

// The text is the record (L, SIMPLEBLOB of an RC2 key, RC2 ciphertext) in
// upper-case hex: its length follows from the password's length alone, and
// the fresh session key makes every text different.
TEST_F(MarbeckTest, PasswordTextLengthDependsOnTheLengthAlone) {
  DWORD blobSize = 0;
  for (size_t n : {0u, 1u, 3u, 8u, 19u, 64u}) {
    SCOPED_TRACE("password of " + std::to_string(n) + " characters");
    const std::string passwords[] = {std::string(n, 'a'), std::string(n, 'Z'), std::string(n, 'a')};
    std::vector<std::string> texts;
    for (const std::string& password : passwords) {
      Save("1", "1", "user", password.c_str());
      texts.push_back(StoredText("ProxyPassword"));
      const std::string& text = texts.back();
      EXPECT_EQ(text.size() % 2, 0u);
      EXPECT_TRUE(IsUpperHex(text)) << text;
      EXPECT_EQ(Open(text), kMarker + password);

      const TRecordShape shape = ShapeOf(text);
      EXPECT_EQ(shape.header.bType, SIMPLEBLOB);
      EXPECT_EQ(shape.header.aiKeyAlg, static_cast<ALG_ID>(CALG_RC2));
      if (blobSize == 0) blobSize = shape.blobSize;
      EXPECT_EQ(shape.blobSize, blobSize) << "the exchange key changed";
      // RC2 pads to whole 8-byte blocks and always adds at least one byte.
      const size_t plainSize = std::strlen(kMarker) + n;
      EXPECT_EQ(shape.cipherSize, (plainSize / 8 + 1) * 8);
    }
    EXPECT_EQ(texts[0].size(), texts[1].size());
    EXPECT_EQ(texts[0].size(), texts[2].size());
    EXPECT_NE(texts[0], texts[2]) << "the same password gave the same text twice";
  }
}

TEST_F(MarbeckTest, FirstCallCreatesTheKeyPairAndLaterCallsReuseIt) {
  ASSERT_FALSE(UserHasContainer());
  Save("1", "1", "user", "first");
  ASSERT_TRUE(UserHasContainer());
  const std::vector<BYTE> publicKey = ExchangePublicKey();
  ASSERT_FALSE(publicKey.empty());
  const std::string first = StoredText("ProxyPassword");

  Save("1", "1", "user", "second");
  EXPECT_EQ(ExchangePublicKey(), publicKey);
  EXPECT_EQ(Open(first), std::string(kMarker) + "first");
  EXPECT_EQ(Open(StoredText("ProxyPassword")), std::string(kMarker) + "second");
}

TEST_F(MarbeckTest, ContainerWithoutAnExchangeKeyGetsOne) {
  HCRYPTPROV context = 0;
  ASSERT_TRUE(CryptAcquireContextA(&context, nullptr, kProvider, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  CryptReleaseContext(context, 0);
  ASSERT_TRUE(ExchangePublicKey().empty());

  Save("1", "1", "user", "pw");
  EXPECT_FALSE(ExchangePublicKey().empty());
  EXPECT_EQ(Open(StoredText("ProxyPassword")), std::string(kMarker) + "pw");
}

TEST_F(MarbeckTest, WithoutAProviderThePasswordIsStoredEmpty) {
  {
    NoProviders noProviders(user);
    Save("1", "1", "alice", "secret");
  }
  EXPECT_EQ(Stored("AutomaticRatesUpdate"), Dword(1));
  EXPECT_EQ(Stored("ProxyAuthentication"), Dword(1));
  EXPECT_EQ(Stored("ProxyLogin"), Sz("alice"));
  EXPECT_EQ(Stored("ProxyPassword"), Sz(""));
  EXPECT_FALSE(UserHasContainer());
}

// A user hive that was deleted under the process: the settings key cannot
// be opened, and the call returns without writing or encrypting anything.
TEST_F(MarbeckTest, KeyThatCannotBeOpenedWritesNothing) {
  unique_hkey gone = CreateKey(user.hive(), "Gone");
  ASSERT_EQ(RegDeleteKeyA(user.hive(), "Gone"), ERROR_SUCCESS);
  ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, gone.get()), ERROR_SUCCESS);
  HKEY probe = nullptr;
  const LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &probe, nullptr);
  if (status == ERROR_SUCCESS) RegCloseKey(probe);
  Save("1", "1", "alice", "secret");
  user.Enter();
  ASSERT_NE(status, ERROR_SUCCESS) << "the settings key could still be created";
  EXPECT_FALSE(SettingsKeyExists());
  EXPECT_FALSE(UserHasContainer());
}

TEST(CryptTest, BytesToHexWritesTwoUpperCaseDigitsPerByte) {
  const struct {
    std::vector<BYTE> bytes;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{0x0A}, "0A"},
      {{0x00, 0x01, 0x7F, 0x80, 0x9F, 0xA0, 0xCD, 0xFF}, "00017F809FA0CDFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(BytesToHex(c.bytes.data(), c.bytes.size()), c.text);
  EXPECT_EQ(BytesToHex(nullptr, 0), "");
}

TEST(CryptTest, NothingToEncryptGivesEmptyTextWithoutTouchingKeys) {
  ThrowAwayUser user;
  std::string text = "stale";
  EXPECT_TRUE(EncryptString("", text));
  EXPECT_EQ(text, "");
  text = "stale";
  EXPECT_TRUE(EncryptBuffer(nullptr, 5, text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(UserHasContainer());
}

TEST(CryptTest, NegativeCountFails) {
  ThrowAwayUser user;
  std::string text = "stale";
  const char data[] = "abc";
  EXPECT_FALSE(EncryptBuffer(data, -1, text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(UserHasContainer());
}

// L and C measured with the provider itself: a SIMPLEBLOB of an RC2 key
// wrapped with the user's exchange key, and RC2's output for 29 bytes.
TEST(CryptTest, RecordIsLengthBlobAndCiphertext) {
  ThrowAwayUser user;
  std::string text;
  ASSERT_TRUE(EncryptString(kMarker, text));

  HCRYPTPROV provider = 0;
  ASSERT_TRUE(CryptAcquireContextA(&provider, nullptr, kProvider, PROV_RSA_FULL, 0));
  const unique_hcryptprov context(provider);
  HCRYPTKEY key = 0;
  ASSERT_TRUE(CryptGetUserKey(context.get(), AT_KEYEXCHANGE, &key));
  const unique_hcryptkey exchangeKey(key);
  ASSERT_TRUE(CryptGenKey(context.get(), CALG_RC2, CRYPT_EXPORTABLE, &key));
  const unique_hcryptkey sessionKey(key);
  DWORD blobSize = 0, cipherSize = std::strlen(kMarker);
  ASSERT_TRUE(CryptExportKey(sessionKey.get(), exchangeKey.get(), SIMPLEBLOB, 0, nullptr, &blobSize));
  ASSERT_TRUE(CryptEncrypt(sessionKey.get(), 0, TRUE, 0, nullptr, &cipherSize, 0));

  EXPECT_EQ(text.size(), 2 * (4 + blobSize + cipherSize));
  EXPECT_EQ(text.substr(0, 8), BytesToHex(&blobSize, 4)) << "L, little-endian";
  EXPECT_EQ(Open(text), kMarker);
}

TEST(CryptTest, AnyBytesRoundTrip) {
  ThrowAwayUser user;
  const BYTE data[] = {0x00, 0x01, 0x00, 0xFF, 0x80, 0x0A};
  std::string text;
  ASSERT_TRUE(EncryptBuffer(data, sizeof(data), text));
  EXPECT_EQ(Open(text), std::string(reinterpret_cast<const char*>(data), sizeof(data)));
}

TEST(CryptTest, FailsWithoutAProvider) {
  ThrowAwayUser user;
  NoProviders noProviders(user);
  std::string text = "stale";
  EXPECT_FALSE(EncryptString(kMarker, text));
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace kst::test
