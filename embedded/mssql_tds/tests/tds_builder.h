#pragma once
// Builds what a TDS client sends (packets, PRELOGIN, LOGIN7, batches, RPCs)
// and reads what the server answers, for the tests and the benchmark.
#include <cstdint>
#include <string>
#include <vector>

namespace tsl::tds::testing {

// Splits a payload into packets of at most packet_size bytes.
std::string packets(uint8_t type, const std::string& payload, size_t packet_size = 4096,
                    uint8_t last_status = 0x01);
std::string prelogin_payload(uint8_t encryption = 0x02);
struct login_fields {
  std::u16string user = u"sa", password, database, host = u"test", app = u"tests";
  uint32_t tds_version = 0x74000004;
  uint32_t packet_size = 4096;
  bool integrated = false;
};
std::string login7_payload(const login_fields& f);
// A SQL batch payload with the ALL_HEADERS of TDS 7.2+.
std::string batch_payload(const std::u16string& sql);
// sp_executesql by number: the statement, its declarations, then int values.
std::string executesql_payload(const std::u16string& sql, const std::u16string& decl,
                               const std::vector<std::pair<std::u16string, int32_t>>& ints);

// What a reply holds, from a walk over its tokens.
struct reply {
  std::vector<int32_t> errors;   // ERROR numbers
  std::vector<int32_t> infos;    // INFO numbers
  std::vector<uint16_t> done_status;
  std::vector<uint64_t> done_rows;
  uint64_t rows = 0;             // ROW tokens
  bool login_ack = false;
  uint16_t spid = 0;
};
// Walks the tokens of a reply payload (types this server sends only).
reply read_tokens(const std::string& payload);

// A blocking client on a loopback port.
class client {
 public:
  explicit client(uint16_t port);
  ~client();
  void send(const std::string& bytes);
  // One whole reply message (payload); empty string when the server closed.
  std::string receive(uint16_t* spid = nullptr);
  // Only the next packet, to leave the rest of a result unread.
  std::string receive_packet();
  bool login(const login_fields& f, reply* r = nullptr);
  reply batch(const std::u16string& sql);
  int fd() const { return fd_; }

 private:
  bool read_exact(char* p, size_t n);
  int fd_ = -1;
};

}  // namespace tsl::tds::testing
