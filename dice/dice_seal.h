#pragma once

// The seal of a secret roll: the relay shows everyone a seal when the roll is made and the key
// when it is shown, so anyone can check that the roll shown is the roll that was made.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// SHA-256 of bytes, in 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

// Bytes in lower-case hex digits, two a byte.
std::string HexOf(std::string_view bytes);
std::string HexOf(const std::array<std::uint8_t, 16>& key);

// The first 16 hex digits of SHA-256 over the result (code page 932) followed by the key's
// 32 hex digits.
std::string SealOf(std::string_view result, std::string_view keyHex);
// The seal shown when the roll was made holds for the result and key shown later.
bool SealHolds(std::string_view seal, std::string_view result, std::string_view keyHex);

}  // namespace vesk
