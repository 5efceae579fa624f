#include "embedded/mssql_tds/tests/tds_builder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "embedded/mssql_tds/login7.h"
#include "embedded/mssql_tds/wire_reader.h"
#include "embedded/mssql_tds/wire_writer.h"

namespace tsl::tds::testing {

std::string packets(uint8_t type, const std::string& payload, size_t packet_size,
                    uint8_t last_status) {
  std::string out;
  const size_t body = packet_size - 8;
  size_t at = 0;
  uint8_t id = 1;
  do {
    const size_t n = std::min(body, payload.size() - at);
    const bool last = at + n == payload.size();
    wire_writer w;
    w.u8(type);
    w.u8(last ? last_status : 0);
    w.u16be(static_cast<uint16_t>(n + 8));
    w.u16be(0);
    w.u8(id++);
    w.u8(0);
    out += w.bytes();
    out.append(payload, at, n);
    at += n;
  } while (at < payload.size());
  return out;
}

std::string prelogin_payload(uint8_t encryption) {
  wire_writer w;
  w.u8(0x00);
  w.u16be(11);
  w.u16be(6);
  w.u8(0x01);
  w.u16be(17);
  w.u16be(1);
  w.u8(0xFF);
  for (uint8_t b : {9, 0, 0, 0, 0, 0}) w.u8(b);
  w.u8(encryption);
  return w.bytes();
}

std::string login7_payload(const login_fields& f) {
  std::string data;
  wire_writer fixed;
  fixed.u32(0);  // length, patched below
  fixed.u32(f.tds_version);
  fixed.u32(f.packet_size);
  fixed.u32(0x07000000);
  fixed.u32(1234);
  fixed.u32(0);
  fixed.u8(0xE0);
  fixed.u8(f.integrated ? 0x83 : 0x03);
  fixed.u8(0);
  fixed.u8(0);
  fixed.u32(0);
  fixed.u32(0x409);
  const size_t base = 94;
  auto field = [&](std::u16string_view s, bool password) {
    fixed.u16(static_cast<uint16_t>(base + data.size()));
    fixed.u16(static_cast<uint16_t>(s.size()));
    if (password) {
      data += obfuscate_password(s);
    } else {
      wire_writer t;
      t.ucs2(s);
      data += t.bytes();
    }
  };
  field(f.host, false);
  field(f.user, false);
  field(f.password, true);
  field(f.app, false);
  field(u"server", false);
  fixed.u16(0);  // extension
  fixed.u16(0);
  field(u"tds-tests", false);
  field(u"us_english", false);
  field(f.database, false);
  for (int i = 0; i < 6; ++i) fixed.u8(0);  // MAC
  fixed.u16(static_cast<uint16_t>(base + data.size()));
  fixed.u16(0);  // SSPI
  fixed.u16(static_cast<uint16_t>(base + data.size()));
  fixed.u16(0);  // attach file
  fixed.u16(static_cast<uint16_t>(base + data.size()));
  fixed.u16(0);  // change password
  fixed.u32(0);  // long SSPI
  std::string out = fixed.bytes() + data;
  const uint32_t n = static_cast<uint32_t>(out.size());
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
  return out;
}

namespace {
std::string all_headers() {
  wire_writer w;
  w.u32(22);
  w.u32(18);
  w.u16(2);
  w.u64(0);
  w.u32(1);
  return w.bytes();
}
}  // namespace

std::string batch_payload(const std::u16string& sql) {
  wire_writer w;
  w.ucs2(sql);
  return all_headers() + w.bytes();
}

std::string executesql_payload(const std::u16string& sql, const std::u16string& decl,
                               const std::vector<std::pair<std::u16string, int32_t>>& ints) {
  wire_writer w;
  w.raw(all_headers());
  w.u16(0xFFFF);
  w.u16(10);
  w.u16(0);
  auto nvarchar = [&](std::u16string_view s) {
    w.u8(0);  // unnamed
    w.u8(0);
    w.u8(0xE7);
    w.u16(8000);
    const uint8_t collation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};
    w.raw(collation, 5);
    w.u16(static_cast<uint16_t>(s.size() * 2));
    w.ucs2(s);
  };
  nvarchar(sql);
  nvarchar(decl);
  for (const auto& [name, v] : ints) {
    w.b_varchar(name);
    w.u8(0);
    w.u8(0x26);
    w.u8(4);
    w.u8(4);
    w.u32(static_cast<uint32_t>(v));
  }
  return w.bytes();
}

reply read_tokens(const std::string& payload) {
  reply r;
  wire_reader in(payload);
  std::vector<std::pair<uint8_t, uint8_t>> columns;  // type, size
  while (!in.at_end()) {
    const uint8_t t = in.u8();
    switch (t) {
      case 0xAA:
      case 0xAB: {
        const size_t len = in.u16();
        const size_t start = in.pos();
        const int32_t number = static_cast<int32_t>(in.u32());
        (t == 0xAA ? r.errors : r.infos).push_back(number);
        in.seek(start + len);
        break;
      }
      case 0xAD:
        r.login_ack = true;
        in.skip(in.u16());
        break;
      case 0xE3:
      case 0xA9:
        in.skip(in.u16());
        break;
      case 0x79:
        in.skip(4);
        break;
      case 0xFD:
      case 0xFE:
      case 0xFF:
        r.done_status.push_back(in.u16());
        in.u16();
        r.done_rows.push_back(in.u64());
        break;
      case 0x81: {
        // Only the INTN, NVARCHAR and VARCHAR columns the tests ask for.
        const uint16_t n = in.u16();
        columns.clear();
        for (uint16_t i = 0; i < n; ++i) {
          in.skip(6);
          const uint8_t type = in.u8();
          if (type == 0x26) {
            columns.emplace_back(type, in.u8());
          } else if (type == 0xE7 || type == 0xA7) {
            in.u16();
            in.skip(5);
            columns.emplace_back(type, 0);
          } else {
            throw std::runtime_error("test reader: column type " + std::to_string(type));
          }
          in.b_varchar();
        }
        break;
      }
      case 0xD1:
        ++r.rows;
        for (const auto& c : columns) {
          if (c.first == 0x26) {
            in.skip(in.u8());
          } else {
            const uint16_t len = in.u16();
            if (len != 0xFFFF) in.skip(len);
          }
        }
        break;
      default:
        throw std::runtime_error("test reader: token " + std::to_string(t));
    }
  }
  return r;
}

client::client(uint16_t port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
    throw std::runtime_error("cannot connect");
}

client::~client() {
  if (fd_ >= 0) ::close(fd_);
}

void client::send(const std::string& bytes) {
  size_t at = 0;
  while (at < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (n <= 0) throw std::runtime_error("send failed");
    at += static_cast<size_t>(n);
  }
}

bool client::read_exact(char* p, size_t n) {
  size_t at = 0;
  while (at < n) {
    ssize_t got = ::recv(fd_, p + at, n - at, 0);
    if (got <= 0) return false;
    at += static_cast<size_t>(got);
  }
  return true;
}

std::string client::receive_packet() {
  char h[8];
  if (!read_exact(h, 8)) return {};
  const size_t len = (static_cast<size_t>(static_cast<uint8_t>(h[2])) << 8) | static_cast<uint8_t>(h[3]);
  std::string body(len - 8, '\0');
  if (!read_exact(body.data(), body.size())) return {};
  return std::string(h, 8) + body;
}

std::string client::receive(uint16_t* spid) {
  std::string payload;
  for (;;) {
    std::string p = receive_packet();
    if (p.empty()) return {};
    if (spid) *spid = static_cast<uint16_t>((static_cast<uint8_t>(p[4]) << 8) | static_cast<uint8_t>(p[5]));
    payload.append(p, 8, std::string::npos);
    if (p[1] & 0x01) return payload;
  }
}

bool client::login(const login_fields& f, reply* out) {
  send(packets(0x12, prelogin_payload()));
  if (receive().empty()) return false;
  send(packets(0x10, login7_payload(f)));
  uint16_t spid = 0;
  std::string p = receive(&spid);
  if (p.empty()) return false;
  reply r = read_tokens(p);
  r.spid = spid;
  if (out) *out = r;
  return r.login_ack;
}

reply client::batch(const std::u16string& sql) {
  send(packets(0x01, batch_payload(sql)));
  std::string p = receive();
  if (p.empty()) throw std::runtime_error("the server closed the connection");
  return read_tokens(p);
}

}  // namespace tsl::tds::testing
