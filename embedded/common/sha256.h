#pragma once
// SHA-256, for the password hashes the embedded servers store.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsl::embedded {

std::array<uint8_t, 32> sha256(std::string_view data);
// The same digest as a string of 32 bytes.
std::string sha256_bytes(std::string_view data);
std::string to_hex(const uint8_t* data, size_t size);

}  // namespace tsl::embedded
