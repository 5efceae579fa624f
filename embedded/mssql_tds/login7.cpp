#include "embedded/mssql_tds/login7.h"

#include "embedded/mssql_tds/protocol.h"
#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/wire_reader.h"
#include "platform/text/utf.h"

namespace tsl::tds {
namespace {

constexpr size_t kFixed71 = 86;
constexpr size_t kFixed72 = 94;
constexpr size_t kMaxName = 128;  // sysname: users, databases
constexpr uint8_t kIntegratedSecurity = 0x80;

// The text at (offset, chars) of the variable part.
std::u16string field(std::string_view payload, size_t fixed, wire_reader& r, const char* what,
                     size_t max_chars) {
  const size_t offset = r.u16();
  const size_t chars = r.u16();
  if (chars == 0) return {};
  if (chars > max_chars)
    throw tds_error(std::string("LOGIN7 ") + what + " is longer than " +
                    std::to_string(max_chars) + " characters");
  if (offset < fixed || offset > payload.size() || chars * 2 > payload.size() - offset)
    throw tds_error(std::string("LOGIN7 ") + what + " points outside the message");
  wire_reader f(payload);
  f.seek(offset);
  return f.ucs2(chars);
}

void wipe_string(std::string& s) {
  volatile char* p = s.data();
  for (size_t i = 0; i < s.size(); ++i) p[i] = 0;
  s.clear();
}

void wipe_string(std::u16string& s) {
  volatile char16_t* p = s.data();
  for (size_t i = 0; i < s.size(); ++i) p[i] = 0;
  s.clear();
}

}  // namespace

void login7::wipe() {
  wipe_string(password);
}

login7 parse_login7(std::string_view payload) {
  wire_reader r(payload);
  login7 l;
  const uint32_t length = r.u32();
  if (length != payload.size())
    throw tds_error("LOGIN7 length " + std::to_string(length) + " differs from its message (" +
                    std::to_string(payload.size()) + " bytes)");
  l.tds_version = r.u32();
  const size_t fixed = l.tds_version >= version::k72 ? kFixed72 : kFixed71;
  if (payload.size() < fixed) throw tds_error("LOGIN7 is shorter than its fixed part");
  l.packet_size = r.u32();
  r.skip(4);  // client program version
  l.client_pid = r.u32();
  r.skip(4);  // connection id
  l.flags1 = r.u8();
  l.flags2 = r.u8();
  l.type_flags = r.u8();
  l.flags3 = r.u8();
  r.skip(8);  // time zone, LCID
  l.host = field(payload, fixed, r, "host name", kMaxName);
  l.user = field(payload, fixed, r, "user name", kMaxName);
  std::u16string password = field(payload, fixed, r, "password", kMaxName);
  l.app = field(payload, fixed, r, "application name", kMaxName);
  l.server = field(payload, fixed, r, "server name", kMaxName);
  r.skip(4);  // feature extension: nothing the server acknowledges
  l.library = field(payload, fixed, r, "library name", kMaxName);
  l.language = field(payload, fixed, r, "language", kMaxName);
  l.database = field(payload, fixed, r, "database", kMaxName);
  r.skip(6);  // client MAC address
  const size_t sspi_offset = r.u16();
  const size_t sspi_length = r.u16();
  if (sspi_length > 0 && (sspi_offset > payload.size() || sspi_length > payload.size() - sspi_offset))
    throw tds_error("LOGIN7 SSPI data points outside the message");
  l.integrated = (l.flags2 & kIntegratedSecurity) != 0 || sspi_length > 0;
  // Undo the obfuscation: XOR 0xA5, then swap the nibbles of each byte.
  for (char16_t& c : password) {
    uint8_t lo = static_cast<uint8_t>(c & 0xFF) ^ 0xA5;
    uint8_t hi = static_cast<uint8_t>(c >> 8) ^ 0xA5;
    lo = static_cast<uint8_t>((lo << 4) | (lo >> 4));
    hi = static_cast<uint8_t>((hi << 4) | (hi >> 4));
    c = static_cast<char16_t>(lo | (hi << 8));
  }
  l.password = text::utf16_to_utf8(password);
  wipe_string(password);
  return l;
}

std::string obfuscate_password(std::u16string_view password) {
  std::string out;
  for (char16_t c : password) {
    for (uint8_t b : {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)}) {
      b = static_cast<uint8_t>((b << 4) | (b >> 4));
      out.push_back(static_cast<char>(b ^ 0xA5));
    }
  }
  return out;
}

}  // namespace tsl::tds
