#pragma once
// SHA-256, for the password hashes of a database's users.
#include <string>
#include <string_view>

namespace tsl::eora {

// The 32-byte digest.
std::string sha256(std::string_view data);

}  // namespace tsl::eora
