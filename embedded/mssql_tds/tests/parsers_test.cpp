// The parsers that read what clients send: none trusts a length, and a
// good message gives back exactly what the client meant.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/all_headers.h"
#include "embedded/mssql_tds/login7.h"
#include "embedded/mssql_tds/message_reader.h"
#include "embedded/mssql_tds/prelogin.h"
#include "embedded/mssql_tds/rpc_request.h"
#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/tests/tds_builder.h"

namespace tsl::tds::testing {
namespace {

class memory_source : public byte_source {
 public:
  explicit memory_source(std::string data, size_t chunk = 7) : data_(std::move(data)), chunk_(chunk) {}
  size_t read_some(char* buf, size_t n) override {
    n = std::min({n, chunk_, data_.size() - at_});
    std::memcpy(buf, data_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  std::string data_;
  size_t chunk_;
  size_t at_ = 0;
};

std::optional<message> read_one(const std::string& bytes, reader_limits limits = {}) {
  memory_source src(bytes);
  message_reader r(src, limits);
  return r.next();
}

TEST(message_reader, JoinsPacketsAndStopsCleanlyBetweenMessages) {
  const std::string payload(10000, 'x');
  memory_source src(packets(0x01, payload, 512) + packets(0x06, ""));
  message_reader r(src, {});
  auto m = r.next();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->type, 0x01);
  EXPECT_EQ(m->payload, payload);
  auto a = r.next();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->type, 0x06);
  EXPECT_TRUE(a->payload.empty());
  EXPECT_FALSE(r.next());
}

TEST(message_reader, RefusesEveryMalformedHeader) {
  std::string good = packets(0x01, "abcd");
  auto with = [&](size_t at, char v) {
    std::string b = good;
    b[at] = v;
    return b;
  };
  EXPECT_THROW(read_one(with(0, 0x55)), tds_error);             // unknown type
  EXPECT_THROW(read_one(with(3, 0x05)), tds_error);             // length below the header
  EXPECT_THROW(read_one(good.substr(0, 5)), tds_error);         // truncated header
  EXPECT_THROW(read_one(good.substr(0, good.size() - 1)), tds_error);  // truncated body
  reader_limits small;
  small.max_packet = 512;
  EXPECT_THROW(read_one(packets(0x01, std::string(1000, 'x'), 1000), small), tds_error);
  small = {};
  small.max_message = 3000;
  EXPECT_THROW(read_one(packets(0x01, std::string(5000, 'x'), 512), small), tds_error);
  // A packet of another type in the middle of a message.
  std::string mixed = packets(0x01, std::string(600, 'x'), 512);
  mixed[512] = 0x03;
  EXPECT_THROW(read_one(mixed), tds_error);
  // An attention that does not end its message.
  EXPECT_THROW(read_one(packets(0x06, "", 512, 0x00) + packets(0x06, "")), tds_error);
}

TEST(message_reader, MarksAbandonedRequests) {
  auto m = read_one(packets(0x01, "ab", 4096, 0x03));
  ASSERT_TRUE(m);
  EXPECT_TRUE(m->ignore);
}

TEST(prelogin, ReadsEncryptionAndRefusesOptionsOutsideTheMessage) {
  EXPECT_FALSE(parse_prelogin(prelogin_payload(0x02)).requires_encryption());
  EXPECT_FALSE(parse_prelogin(prelogin_payload(0x00)).requires_encryption());
  EXPECT_TRUE(parse_prelogin(prelogin_payload(0x01)).requires_encryption());
  EXPECT_TRUE(parse_prelogin(prelogin_payload(0x03)).requires_encryption());
  std::string p = prelogin_payload();
  std::string bad = p;
  bad[2] = static_cast<char>(200);  // VERSION offset past the end
  EXPECT_THROW(parse_prelogin(bad), tds_error);
  EXPECT_THROW(parse_prelogin(p.substr(0, 3)), tds_error);
  EXPECT_THROW(parse_prelogin(std::string(1, '\0')), tds_error);  // no terminator
  // The reply is the known-good shape: 5 options, version, NOT_SUP.
  std::string reply = prelogin_reply(product_version{15, 0, 2000});
  EXPECT_EQ(reply.size(), 35u);
  EXPECT_EQ(static_cast<uint8_t>(reply[26]), 15);
  EXPECT_EQ(static_cast<uint8_t>(reply[32]), 0x02);
}

TEST(login7, DecodesFieldsAndThePassword) {
  login_fields f;
  f.user = u"bob";
  f.password = u"sécret";
  f.database = u"shop";
  login7 l = parse_login7(login7_payload(f));
  EXPECT_EQ(l.user, u"bob");
  EXPECT_EQ(l.password, "sécret");
  EXPECT_EQ(l.database, u"shop");
  EXPECT_EQ(l.language, u"us_english");
  EXPECT_EQ(l.tds_version, 0x74000004u);
  EXPECT_FALSE(l.integrated);
  l.wipe();
  EXPECT_TRUE(l.password.empty());
  f.integrated = true;
  EXPECT_TRUE(parse_login7(login7_payload(f)).integrated);
  // The obfuscation of "sa" from the protocol's own example.
  EXPECT_EQ(obfuscate_password(u"sa"), std::string("\x92\xA5\xB3\xA5", 4));
}

TEST(login7, RefusesLengthsThatDoNotFit) {
  login_fields f;
  f.password = u"pw";
  const std::string good = login7_payload(f);
  EXPECT_THROW(parse_login7(good.substr(0, 60)), tds_error);
  std::string wrong_length = good;
  wrong_length[0] = static_cast<char>(good.size() + 1);
  EXPECT_THROW(parse_login7(wrong_length), tds_error);
  std::string far = good;
  far[40] = static_cast<char>(0xF0);  // user name offset past the end
  far[41] = static_cast<char>(0xFF);
  EXPECT_THROW(parse_login7(far), tds_error);
  std::string into_fixed = good;
  into_fixed[40] = 4;  // user name inside the fixed part
  into_fixed[41] = 0;
  EXPECT_THROW(parse_login7(into_fixed), tds_error);
  f.user = std::u16string(129, u'u');
  EXPECT_THROW(parse_login7(login7_payload(f)), tds_error);
  // Every truncation fails cleanly.
  for (size_t n = 0; n < good.size(); ++n) {
    std::string cut = good.substr(0, n);
    if (n >= 4) for (int i = 0; i < 4; ++i) cut[static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
    EXPECT_THROW(parse_login7(cut), tds_error) << n;
  }
}

TEST(rpc, ReadsSpExecuteSqlAndItsParameters) {
  auto calls = parse_rpc(executesql_payload(u"SELECT @a", u"@a int", {{u"@a", -7}}), 0x74000004);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].proc_id, 10);
  ASSERT_EQ(calls[0].params.size(), 3u);
  EXPECT_EQ(calls[0].params[0].v.s, "SELECT @a");
  EXPECT_TRUE(calls[0].params[0].unicode);
  EXPECT_EQ(calls[0].params[2].name, "@a");
  EXPECT_EQ(calls[0].params[2].v.i, -7);
}

TEST(rpc, RefusesTruncatedCallsAndUnknownTypes) {
  const std::string good = executesql_payload(u"SELECT @a", u"@a int", {{u"@a", 1}});
  for (size_t n = 0; n + 1 < good.size(); ++n) {
    try {
      parse_rpc(good.substr(0, n), 0x74000004);
    } catch (const tds_error&) {
      continue;
    }
    // A cut that falls between two parameters is a shorter, valid call.
    if (n >= 22) continue;
    ADD_FAILURE() << "no error for " << n << " bytes";
  }
  std::string unknown = good;
  unknown[unknown.size() - 7] = static_cast<char>(0xF3);  // a table-valued parameter
  try {
    parse_rpc(unknown, 0x74000004);
    ADD_FAILURE() << "an unknown type was accepted";
  } catch (const mssql::sql_error& e) {
    EXPECT_EQ(e.number(), 8009);
  }
  EXPECT_THROW(all_headers_length(std::string("\x30\0\0\0", 4), 0x74000004), tds_error);
}

}  // namespace
}  // namespace tsl::tds::testing
