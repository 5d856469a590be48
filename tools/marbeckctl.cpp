// marbeckctl: stores proxy settings through marbeck.dll and shows what is
// stored for the current user, the proxy password decrypted, so that an
// administrator can check a machine's settings.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "marbeck.h"
#include "storedsettings.h"

namespace {

constexpr char kPasswordMarker[] = MARBECK_PASSWORD_MARKER;

void ShowInteger(const char* name) {
  kst::TStoredValue value;
  if (!kst::ReadStoredValue(name, value)) {
    std::printf("%-22s (not set)\n", name);
  } else if (value.type != REG_DWORD || value.data.size() != sizeof(DWORD)) {
    std::printf("%-22s unexpected type %lu, %zu bytes\n", name, value.type, value.data.size());
  } else {
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), sizeof(number));
    std::printf("%-22s %lu\n", name, number);
  }
}

// The text of a REG_SZ value, or false (with a line said) when it is none.
bool ReadText(const char* name, std::string& text) {
  kst::TStoredValue value;
  if (!kst::ReadStoredValue(name, value)) {
    std::printf("%-22s (not set)\n", name);
    return false;
  }
  if (value.type != REG_SZ) {
    std::printf("%-22s unexpected type %lu, %zu bytes\n", name, value.type, value.data.size());
    return false;
  }
  text.assign(value.data.begin(), value.data.end());
  text.resize(std::strlen(text.c_str()));
  return true;
}

void ShowPassword() {
  const char* name = "ProxyPassword";
  std::string sealed, plaintext;
  if (!ReadText(name, sealed)) return;
  if (sealed.empty()) {
    std::printf("%-22s (empty: the password could not be encrypted)\n", name);
  } else if (!kst::OpenSealedText(sealed, plaintext)) {
    std::printf("%-22s %zu hex digits that do not open for this user\n", name, sealed.size());
  } else if (plaintext.compare(0, sizeof(kPasswordMarker) - 1, kPasswordMarker) != 0) {
    std::printf("%-22s %zu hex digits, opens without the marker\n", name, sealed.size());
  } else {
    std::printf("%-22s \"%s\" (%zu hex digits)\n", name,
                plaintext.c_str() + sizeof(kPasswordMarker) - 1, sealed.size());
  }
  SecureZeroMemory(plaintext.data(), plaintext.size());
}

int Show() {
  ShowInteger("AutomaticRatesUpdate");
  ShowInteger("ProxyAuthentication");
  std::string login;
  if (ReadText("ProxyLogin", login)) std::printf("%-22s \"%s\"\n", "ProxyLogin", login.c_str());
  ShowPassword();
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: marbeckctl show\n"
               "       marbeckctl store AUTO_UPDATE PROXY_AUTH [LOGIN [PASSWORD]]\n"
               "       marbeckctl --version\n"
               "flags count as on only when they are exactly 1; a missing login or\n"
               "password is passed as a null pointer\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "show") == 0) return Show();
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("marbeckctl %s\n", KST_VERSION);
    return 0;
  }
  if (argc >= 4 && argc <= 6 && std::strcmp(argv[1], "store") == 0) {
    save_auth_params(argv[2], argv[3], argc > 4 ? argv[4] : nullptr, argc > 5 ? argv[5] : nullptr);
    return Show();
  }
  return Usage();
}
