#pragma once
// The tokens of a reply that carry no rows: environment changes, messages,
// the login acknowledgement, return status and the DONE family.
#include <cstdint>
#include <string>
#include <string_view>

#include "embedded/mssql_tds/protocol.h"
#include "embedded/mssql_tds/wire_writer.h"

namespace tsl::tds {

namespace env {
constexpr uint8_t kDatabase = 1;
constexpr uint8_t kLanguage = 2;
constexpr uint8_t kPacketSize = 4;
constexpr uint8_t kCollation = 7;
constexpr uint8_t kResetAck = 18;
}  // namespace env

// An INFO (class 10 and below) or ERROR token.
struct server_message {
  int32_t number = 0;
  uint8_t state = 1;
  uint8_t severity = 16;
  std::u16string text;
  std::u16string server;
  std::u16string procedure;
  uint32_t line = 1;
};

void write_env_text(wire_writer& w, uint8_t type, std::u16string_view now, std::u16string_view old);
void write_env_collation(wire_writer& w);
void write_env_reset(wire_writer& w);
void write_message(wire_writer& w, const server_message& m, uint32_t tds_version);
void write_login_ack(wire_writer& w, uint32_t tds_version, std::u16string_view program,
                     const product_version& v);
void write_done(wire_writer& w, uint8_t token, uint16_t status, uint16_t command, uint64_t rows,
                uint32_t tds_version);
void write_return_status(wire_writer& w, int32_t status);
// RETURNVALUE of an int OUTPUT parameter.
void write_return_int(wire_writer& w, uint16_t ordinal, std::u16string_view name, int32_t value,
                      uint32_t tds_version);

}  // namespace tsl::tds
