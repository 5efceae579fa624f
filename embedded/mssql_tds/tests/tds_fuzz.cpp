// Arbitrary bytes from a client: the packet reader and every parser of what
// a client sends either accept them or fail with tds_error (or, for a
// well-formed RPC of an unknown type, sql_error); nothing crashes or reads
// out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/all_headers.h"
#include "embedded/mssql_tds/login7.h"
#include "embedded/mssql_tds/message_reader.h"
#include "embedded/mssql_tds/prelogin.h"
#include "embedded/mssql_tds/rpc_request.h"
#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/tests/tds_builder.h"

namespace {

class memory_source : public tsl::tds::byte_source {
 public:
  memory_source(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  size_t read_some(char* buf, size_t n) override {
    n = std::min(n, n_ - at_);
    std::memcpy(buf, p_ + at_, n);
    at_ += n;
    return n;
  }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t at_ = 0;
};

void parse_all(const std::string& payload) {
  using namespace tsl::tds;
  for (auto parse : {+[](const std::string& p) { parse_prelogin(p); },
                     +[](const std::string& p) { parse_login7(p); },
                     +[](const std::string& p) { parse_rpc(p, version::k74); },
                     +[](const std::string& p) { parse_rpc(p, version::k71); },
                     +[](const std::string& p) { all_headers_length(p, version::k74); }}) {
    try {
      parse(payload);
    } catch (const tds_error&) {
    } catch (const tsl::mssql::sql_error&) {
    }
  }
}

// Valid requests for the input to damage, so that parsing gets past the
// first length.
const std::vector<std::string>& seeds() {
  using namespace tsl::tds::testing;
  static const std::vector<std::string> all = [] {
    login_fields f;
    f.user = u"someone";
    f.password = u"pw";
    f.database = u"db";
    return std::vector<std::string>{
        prelogin_payload(0x01), login7_payload(f),
        executesql_payload(u"SELECT @a, @b", u"@a int, @b int", {{u"@a", 1}, {u"", 2}}),
        batch_payload(u"SELECT 1")};
  }();
  return all;
}

// The input as edits of a seed: byte 0 picks it, each following triple
// writes a byte at a position, and an odd length cuts the result.
std::string mutated(const uint8_t* data, size_t size) {
  std::string m = seeds()[data[0] % seeds().size()];
  for (size_t i = 1; i + 2 < size; i += 3)
    m[(data[i] | static_cast<size_t>(data[i + 1]) << 8) % m.size()] = static_cast<char>(data[i + 2]);
  if (size % 2) m.resize(data[size - 1] % (m.size() + 1));
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tsl::tds;
  // The raw bytes as one payload, a damaged valid request, then the raw
  // bytes as a stream of packets.
  parse_all(std::string(reinterpret_cast<const char*>(data), size));
  if (size > 0) parse_all(mutated(data, size));
  memory_source src(data, size);
  reader_limits limits;
  limits.max_message = 1 << 16;
  message_reader reader(src, limits);
  try {
    while (auto m = reader.next()) parse_all(m->payload);
  } catch (const tds_error&) {
  }
  return 0;
}
