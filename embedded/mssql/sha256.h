#pragma once
// SHA-256, for the password hashes of the logins file.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsl::mssql {

std::array<uint8_t, 32> sha256(std::string_view data);
std::string to_hex(const uint8_t* data, size_t size);

}  // namespace tsl::mssql
