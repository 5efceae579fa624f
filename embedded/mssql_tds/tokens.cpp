#include "embedded/mssql_tds/tokens.h"

namespace tsl::tds {

void write_env_text(wire_writer& w, uint8_t type, std::u16string_view now, std::u16string_view old) {
  now = now.substr(0, 255);
  old = old.substr(0, 255);
  w.u8(token::kEnvChange);
  w.u16(static_cast<uint16_t>(1 + 1 + 2 * now.size() + 1 + 2 * old.size()));
  w.u8(type);
  w.b_varchar(now);
  w.b_varchar(old);
}

void write_env_collation(wire_writer& w) {
  w.u8(token::kEnvChange);
  w.u16(1 + 1 + 5 + 1);
  w.u8(env::kCollation);
  w.u8(5);
  w.raw(kCollation, 5);
  w.u8(0);
}

void write_env_reset(wire_writer& w) {
  w.u8(token::kEnvChange);
  w.u16(3);
  w.u8(env::kResetAck);
  w.u8(0);
  w.u8(0);
}

void write_message(wire_writer& w, const server_message& m, uint32_t tds_version) {
  std::u16string_view text = std::u16string_view(m.text).substr(0, 4000);
  std::u16string_view server = std::u16string_view(m.server).substr(0, 255);
  std::u16string_view proc = std::u16string_view(m.procedure).substr(0, 255);
  const bool long_line = tds_version >= version::k72;
  const size_t length = 4 + 1 + 1 + 2 + 2 * text.size() + 1 + 2 * server.size() + 1 +
                        2 * proc.size() + (long_line ? 4 : 2);
  w.u8(m.severity > 10 ? token::kError : token::kInfo);
  w.u16(static_cast<uint16_t>(length));
  w.u32(static_cast<uint32_t>(m.number));
  w.u8(m.state);
  w.u8(m.severity);
  w.us_varchar(text);
  w.b_varchar(server);
  w.b_varchar(proc);
  if (long_line)
    w.u32(m.line);
  else
    w.u16(static_cast<uint16_t>(m.line));
}

void write_login_ack(wire_writer& w, uint32_t tds_version, std::u16string_view program,
                     const product_version& v) {
  program = program.substr(0, 255);
  w.u8(token::kLoginAck);
  w.u16(static_cast<uint16_t>(1 + 4 + 1 + 2 * program.size() + 4));
  w.u8(1);  // SQL_TSQL: FreeTDS takes nothing else for success
  w.u32be(version::ack_of(tds_version));
  w.b_varchar(program);
  w.u8(v.major);
  w.u8(v.minor);
  w.u8(static_cast<uint8_t>(v.build >> 8));
  w.u8(static_cast<uint8_t>(v.build & 0xFF));
}

void write_done(wire_writer& w, uint8_t token, uint16_t status, uint16_t command, uint64_t rows,
                uint32_t tds_version) {
  w.u8(token);
  w.u16(status);
  w.u16(command);
  if (version::has_plp(tds_version))
    w.u64(rows);
  else
    w.u32(static_cast<uint32_t>(rows));
}

void write_return_status(wire_writer& w, int32_t status) {
  w.u8(token::kReturnStatus);
  w.u32(static_cast<uint32_t>(status));
}

void write_return_int(wire_writer& w, uint16_t ordinal, std::u16string_view name, int32_t value,
                      uint32_t tds_version) {
  w.u8(0xAC);
  w.u16(ordinal);
  w.b_varchar(name);
  w.u8(0x01);  // an output parameter
  if (version::has_plp(tds_version))
    w.u32(0);  // user type
  else
    w.u16(0);
  w.u16(0x0001);  // nullable
  w.u8(0x26);     // INTN
  w.u8(4);
  w.u8(4);
  w.u32(static_cast<uint32_t>(value));
}

}  // namespace tsl::tds
