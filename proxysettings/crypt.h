// Seals a short secret text for the current Windows user: a fresh RC2
// session key encrypts it, the session key travels in front of the
// ciphertext wrapped with the user's key-exchange public key, and the whole
// record is written out as upper-case hexadecimal digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kst {

// The provider whose default container of the current user holds the
// key-exchange key pair; whoever opens a record needs the same one.
inline constexpr char kCryptProvider[] = "Microsoft Base Cryptographic Provider v1.0";

// An empty plaintext gives the empty text and true without touching any key
// container; otherwise the result of EncryptBuffer.
bool EncryptString(std::string_view plaintext, std::string& cipherText);

// On success true and the hex text of the record (L, SIMPLEBLOB, ciphertext);
// on any failure false and the empty text. A null pointer gives the empty
// text and true; a negative count is a failure.
bool EncryptBuffer(const void* data, int32_t count, std::string& cipherText);

// Every byte as two upper-case hex digits, high nibble first.
std::string BytesToHex(const void* data, size_t count);

}  // namespace kst
