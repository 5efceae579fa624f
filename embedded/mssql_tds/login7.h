#pragma once
// The LOGIN7 request: who logs in, to which database, with which protocol
// version and packet size. The password is decoded here and lives only in
// this structure; wipe() clears it once it has been checked.
#include <cstdint>
#include <string>
#include <string_view>

namespace tsl::tds {

struct login7 {
  uint32_t tds_version = 0;
  uint32_t packet_size = 0;
  uint32_t client_pid = 0;
  uint8_t flags1 = 0, flags2 = 0, type_flags = 0, flags3 = 0;
  std::u16string host, user, app, server, library, language, database;
  std::string password;  // UTF-8
  bool integrated = false;  // Windows (SSPI) authentication asked for

  void wipe();
};

// Throws tds_error when a field points outside the message or is longer
// than the server accepts.
login7 parse_login7(std::string_view payload);

// The obfuscation LOGIN7 applies to passwords, both ways (for tests and
// clients).
std::string obfuscate_password(std::u16string_view password);

}  // namespace tsl::tds
