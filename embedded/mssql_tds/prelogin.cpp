#include "embedded/mssql_tds/prelogin.h"

#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/wire_reader.h"
#include "embedded/mssql_tds/wire_writer.h"

namespace tsl::tds {
namespace {
constexpr uint8_t kVersion = 0x00;
constexpr uint8_t kEncryption = 0x01;
constexpr uint8_t kInstance = 0x02;
constexpr uint8_t kThreadId = 0x03;
constexpr uint8_t kMars = 0x04;
constexpr uint8_t kTerminator = 0xFF;
}  // namespace

prelogin_request parse_prelogin(std::string_view payload) {
  prelogin_request req;
  wire_reader r(payload);
  bool terminated = false;
  while (!r.at_end()) {
    const uint8_t option = r.u8();
    if (option == kTerminator) {
      terminated = true;
      break;
    }
    const size_t offset = r.u16be();
    const size_t length = r.u16be();
    if (offset > payload.size() || length > payload.size() - offset)
      throw tds_error("PRELOGIN option " + std::to_string(option) + " points past the message");
    std::string_view data = payload.substr(offset, length);
    if (option == kEncryption && length >= 1) req.encryption = static_cast<uint8_t>(data[0]);
    if (option == kMars && length >= 1) req.mars = data[0] != 0;
  }
  if (!terminated) throw tds_error("PRELOGIN option table has no terminator");
  return req;
}

std::string prelogin_reply(const product_version& v) {
  // Five options of 5 bytes and the terminator, then their data.
  const uint16_t base = 5 * 5 + 1;
  wire_writer w;
  auto entry = [&](uint8_t option, uint16_t offset, uint16_t length) {
    w.u8(option);
    w.u16be(offset);
    w.u16be(length);
  };
  entry(kVersion, base, 6);
  entry(kEncryption, base + 6, 1);
  entry(kInstance, base + 7, 1);
  entry(kThreadId, base + 8, 0);
  entry(kMars, base + 8, 1);
  w.u8(kTerminator);
  w.u8(v.major);
  w.u8(v.minor);
  w.u16be(v.build);
  w.u16(0);
  w.u8(encrypt::kNotSupported);
  w.u8(0);  // instance name accepted
  w.u8(0);  // MARS off
  return w.bytes();
}

}  // namespace tsl::tds
