// A live listener on a loopback port: logins, a client that leaves in the
// middle of a long result, attention, packet and connection limits, and
// malformed input, each ending only its own connection.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "embedded/mssql/session.h"
#include "embedded/mssql_tds/listener.h"
#include "embedded/mssql_tds/tests/tds_builder.h"
#include "testing/temp_dir.h"

namespace tsl::tds::testing {
namespace {

class listener_test : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string dir = dir_.path() + "/srv";
    mssql::server::create(dir);
    srv_ = mssql::server::open(dir);
    srv_->add_login("tester", "pw-1");
    mssql::login_request admin;
    admin.integrated = true;
    mssql::session s(srv_, admin);
    s.run_script(
        "CREATE DATABASE d\nGO\nUSE d\nGO\nCREATE TABLE t (id int PRIMARY KEY, name nvarchar(50))\n");
    std::string insert = "INSERT INTO t VALUES ";
    for (int i = 1; i <= 3000; ++i)
      insert += (i > 1 ? ",(" : "(") + std::to_string(i) + ", N'row number " + std::to_string(i) + "')";
    s.run_script(insert);
  }

  void start(listener_options o = {}) {
    o.address = "127.0.0.1";
    o.port = 0;
    o.session.log = [this](const std::string& line) {
      std::lock_guard<std::mutex> lock(log_mutex_);
      log_ += line + "\n";
    };
    listener_ = std::make_unique<listener>(srv_, o);
    port_ = listener_->open();
    ASSERT_EQ(pipe(stop_), 0);
    thread_ = std::thread([this] { listener_->run(stop_[0]); });
  }

  void TearDown() override {
    if (thread_.joinable()) {
      ASSERT_EQ(write(stop_[1], "x", 1), 1);
      thread_.join();
      close(stop_[0]);
      close(stop_[1]);
    }
  }

  login_fields tester() {
    login_fields f;
    f.user = u"tester";
    f.password = u"pw-1";
    f.database = u"d";
    return f;
  }

  std::string log() {
    std::lock_guard<std::mutex> lock(log_mutex_);
    return log_;
  }

  tsl::testing::temp_dir dir_;
  std::shared_ptr<mssql::server> srv_;
  std::unique_ptr<listener> listener_;
  uint16_t port_ = 0;
  int stop_[2] = {-1, -1};
  std::thread thread_;
  std::mutex log_mutex_;
  std::string log_;
};

TEST_F(listener_test, LogsInAndAnswersBatchesWithCounts) {
  start();
  client c(port_);
  reply r;
  ASSERT_TRUE(c.login(tester(), &r));
  EXPECT_NE(r.spid, 0);
  EXPECT_EQ(r.infos, (std::vector<int32_t>{5701, 5703}));
  reply b = c.batch(u"SELECT id FROM t WHERE id <= 5; SELECT * FROM nowhere; SELECT 1");
  EXPECT_EQ(b.rows, 5u);
  EXPECT_EQ(b.errors, (std::vector<int32_t>{208}));
  ASSERT_EQ(b.done_status.size(), 2u);
  EXPECT_EQ(b.done_status[0], 0x0011);  // MORE | COUNT
  EXPECT_EQ(b.done_rows[0], 5u);
  EXPECT_EQ(b.done_status[1], 0x0002);  // ERROR, last: the batch stopped
  // A procedure in a batch: DONEINPROC with its count, RETURNSTATUS, DONEPROC.
  reply e = c.batch(u"EXEC sp_tables @table_name = N't'");
  EXPECT_EQ(e.rows, 1u);
  ASSERT_EQ(e.done_status.size(), 2u);
  EXPECT_EQ(e.done_status[0], 0x0011);
  EXPECT_EQ(e.done_rows[0], 1u);
  EXPECT_EQ(e.done_status[1], 0x0000);
  reply p;
  c.send(packets(0x03, executesql_payload(u"SELECT name FROM t WHERE id = @id", u"@id int", {{u"@id", 42}})));
  p = read_tokens(c.receive());
  EXPECT_EQ(p.rows, 1u);
  EXPECT_TRUE(p.errors.empty());
  EXPECT_EQ(p.done_status.back(), 0x0000);  // DONEPROC, final
}

TEST_F(listener_test, ResultSetsFromLoopsAndBlocksEachGetTheirDone) {
  start();
  client c(port_);
  ASSERT_TRUE(c.login(tester()));
  reply b = c.batch(
      u"DECLARE @i int = 0\nWHILE @i < 3 BEGIN SET @i = @i + 1 SELECT id FROM t WHERE id <= @i END\n"
      u"IF 1 = 1 BEGIN SELECT 1 SELECT * FROM nowhere END\nSELECT 2");
  EXPECT_EQ(b.rows, 7u);
  EXPECT_EQ(b.errors, (std::vector<int32_t>{208}));
  ASSERT_EQ(b.done_status.size(), 6u);  // DECLARE, three loop passes, SELECT 1, the error
  for (size_t i = 1; i < 5; ++i) {
    EXPECT_EQ(b.done_status[i], 0x0011) << i;  // MORE | COUNT, one per result set
    EXPECT_EQ(b.done_rows[i], i < 4 ? i : 1u) << i;
  }
  EXPECT_EQ(b.done_status.back() & 0x0003, 0x0002);  // ERROR, last: 208 ends the batch
  // RETURN ends the batch without an error; the rows before it went out.
  reply r = c.batch(u"SELECT 1\nRETURN\nSELECT 2");
  EXPECT_EQ(r.rows, 1u);
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.done_status.back() & 0x0001, 0);  // the last DONE has no MORE
}

TEST_F(listener_test, ResetConnectionRestoresTheLoginState) {
  start();
  client c(port_);
  ASSERT_TRUE(c.login(tester()));
  reply changed = c.batch(u"USE master; SET NOCOUNT ON");
  EXPECT_EQ(changed.infos, (std::vector<int32_t>{5701}));
  EXPECT_EQ(c.batch(u"SELECT 1").done_status[0], 0x0000);  // no count
  c.send(packets(0x01, batch_payload(u"SELECT COUNT(*) FROM t"), 4096, 0x09));  // EOM | reset
  const std::string m = c.receive();
  ASSERT_GE(m.size(), 3u);
  EXPECT_EQ(static_cast<uint8_t>(m[0]), 0xE3);  // ENVCHANGE first
  EXPECT_EQ(static_cast<uint8_t>(m[3]), 18);    // reset acknowledged
  reply r = read_tokens(m);
  EXPECT_TRUE(r.errors.empty());               // t is found: back in database d
  EXPECT_EQ(r.done_status.back(), 0x0010);     // counts again
}

TEST_F(listener_test, RefusesWrongPasswordsMissingDatabasesAndIntegratedLogins) {
  start();
  login_fields bad = tester();
  bad.password = u"nope";
  reply r;
  EXPECT_FALSE(client(port_).login(bad, &r));
  EXPECT_EQ(r.errors, (std::vector<int32_t>{18456}));
  login_fields nodb = tester();
  nodb.database = u"missing";
  EXPECT_FALSE(client(port_).login(nodb, &r));
  EXPECT_EQ(r.errors, (std::vector<int32_t>{4060, 18456}));
  login_fields sspi = tester();
  sspi.integrated = true;
  EXPECT_FALSE(client(port_).login(sspi, &r));
  EXPECT_EQ(r.errors, (std::vector<int32_t>{18452}));
  EXPECT_EQ(log().find("nope"), std::string::npos);
  EXPECT_EQ(log().find("pw-1"), std::string::npos);
}

TEST_F(listener_test, AClientLeavingMidResultLeavesTheServerServing) {
  start();
  {
    client c(port_);
    ASSERT_TRUE(c.login(tester()));
    c.send(packets(0x01, batch_payload(u"SELECT a.name, b.name FROM t a CROSS JOIN t b")));
    ASSERT_FALSE(c.receive_packet().empty());
  }  // closed with most of nine million rows unsent
  client other(port_);
  ASSERT_TRUE(other.login(tester()));
  EXPECT_EQ(other.batch(u"SELECT COUNT(*) FROM t").rows, 1u);
}

TEST_F(listener_test, ASecondSessionWorksWhileTheFirstStreams) {
  start();
  client streaming(port_);
  ASSERT_TRUE(streaming.login(tester()));
  streaming.send(packets(0x01, batch_payload(u"SELECT id, name FROM t")));
  ASSERT_FALSE(streaming.receive_packet().empty());
  client catalogue(port_);
  ASSERT_TRUE(catalogue.login(tester()));
  reply r = catalogue.batch(u"INSERT INTO t VALUES (5000, N'late'); SELECT COUNT(*) FROM t");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.rows, 1u);
  // The first result goes on to its end: a DONE counting its rows.
  std::string rest = streaming.receive();
  ASSERT_GE(rest.size(), 13u);
  const std::string done = rest.substr(rest.size() - 13);
  EXPECT_EQ(static_cast<uint8_t>(done[0]), 0xFD);
  EXPECT_EQ(static_cast<uint8_t>(done[1]), 0x10);
  const uint64_t rows = static_cast<uint8_t>(done[5]) | static_cast<uint64_t>(static_cast<uint8_t>(done[6])) << 8;
  EXPECT_GE(rows, 3000u);
}

TEST_F(listener_test, AttentionStopsTheRowsAndIsAcknowledged) {
  start();
  client c(port_);
  ASSERT_TRUE(c.login(tester()));
  c.send(packets(0x01, batch_payload(u"SELECT a.id FROM t a CROSS JOIN t b")));
  ASSERT_FALSE(c.receive_packet().empty());
  c.send(packets(0x06, ""));
  // Read on until a DONE with the attention bit arrives.
  bool acknowledged = false;
  for (int i = 0; i < 100000 && !acknowledged; ++i) {
    std::string m = c.receive();
    ASSERT_FALSE(m.empty());
    if (m.size() == 13 && static_cast<uint8_t>(m[0]) == 0xFD && (m[1] & 0x20)) acknowledged = true;
  }
  EXPECT_TRUE(acknowledged);
  EXPECT_EQ(c.batch(u"SELECT 7").rows, 1u);
}

TEST_F(listener_test, LimitsConnectionsAndPacketSizes) {
  listener_options o;
  o.max_connections = 1;
  o.session.limits.max_packet = 4096;
  start(o);
  client first(port_);
  ASSERT_TRUE(first.login(tester()));
  reply r;
  EXPECT_FALSE(client(port_).login(tester(), &r));
  EXPECT_EQ(r.errors, (std::vector<int32_t>{17809}));
  // A packet over the limit ends that connection only.
  first.send(packets(0x01, batch_payload(std::u16string(3000, u' ') + u"SELECT 1"), 8192));
  EXPECT_TRUE(first.receive().empty());
  for (int i = 0; i < 50 && listener_->active_connections() > 0; ++i) usleep(20000);
  client again(port_);
  EXPECT_TRUE(again.login(tester()));
  EXPECT_NE(log().find("outside 8..4096"), std::string::npos);
}

TEST_F(listener_test, MalformedLoginsEndTheirConnectionWithATrace) {
  start();
  {
    client c(port_);
    c.send(packets(0x12, prelogin_payload()));
    ASSERT_FALSE(c.receive().empty());
    std::string login = login7_payload(tester());
    login[40] = static_cast<char>(0xFF);  // user name points past the end
    login[41] = static_cast<char>(0x7F);
    c.send(packets(0x10, login));
    EXPECT_TRUE(c.receive().empty());
  }
  {
    client c(port_);
    c.send(std::string("\x12\x01\x00\x02\x00\x00\x01\x00", 8));  // length 2
    EXPECT_TRUE(c.receive().empty());
  }
  {
    client c(port_);
    c.send(packets(0x12, prelogin_payload(0x01)));  // encryption required
    ASSERT_FALSE(c.receive().empty());
    c.send(packets(0x10, login7_payload(tester())));
    reply r = read_tokens(c.receive());
    EXPECT_EQ(r.errors, (std::vector<int32_t>{18456}));
    EXPECT_FALSE(r.login_ack);
  }
  EXPECT_NE(log().find("points outside the message"), std::string::npos);
  EXPECT_NE(log().find("requires encryption"), std::string::npos);
  client fine(port_);
  EXPECT_TRUE(fine.login(tester()));
}

}  // namespace
}  // namespace tsl::tds::testing
