// The agent against a SQL Server on the network: the embedded server behind
// its TDS listener on a loopback port, reached through FreeTDS.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "MSS/mss_database.h"
#include "MSS/mss_engine.h"
#include "MSS/odb_exception.h"
#include "agent/tests/agent_fixture.h"
#include "agent/tests/lossless_walk.h"
#include "testing/tds_server.h"

namespace agent_testing {
namespace {

using names = std::vector<std::string>;

// A text as a varchar column of a Latin-1 collation holds it: the embedded
// engine keeps any character there, SQL Server sends "?" for those outside
// the code page.
std::string in_code_page(const std::string& utf8) {
  std::u16string w = tsl::text::utf8_to_utf16(utf8);
  for (char16_t& c : w)
    if (c > 0xFF) c = u'?';
  return tsl::text::utf16_to_utf8(w);
}

class agent_network : public agent_fixture {
 protected:
  void SetUp() override {
    agent_fixture::SetUp();
    server_ = std::make_unique<tsl::testing::tds_server>(TSL_MSSQL_TOOL, mssql_dir_);
  }
  void TearDown() override {
    server_.reset();
    agent_fixture::TearDown();
  }

  std::vector<std::string> network(const std::string& user = "sa",
                                   const std::string& password = "sapw") {
    return {"--mssqlh=" + server_->data_source(), "--mssqlu=" + user, "--mssqlp=" + password};
  }
  outcome convert_net(std::vector<std::string> more = {}) {
    auto args = network();
    args.insert(args.end(), more.begin(), more.end());
    return convert(args);
  }

  // A table read through the MS SQL side, from the server directory or
  // over the network.
  table_rows source(const std::string& table, bool over_network) {
    mss_engine engine(0);
    if (over_network)
      engine.connect(tsl::text::utf8_to_utf16(server_->data_source()), u"sa", u"sapw");
    else
      engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
    auto db = engine.open_db(u"sample_shop", 1);
    auto t = db->get_table(tsl::text::utf8_to_utf16(table), 1);
    return read_all(*t);
  }
  table_rows destination(const std::string& table) {
    ora_engine engine;
    engine.logon(u"ORCL", u"scott", u"tiger");
    ora_query_results q;
    q.initialize(0, tsl::text::utf8_to_utf16("SELECT * FROM \"" + table + "\""));
    return read_all(q);
  }

  // Rows enough that the server is still sending when something happens to it.
  void add_many() {
    mssql(
        "USE sample_shop\n"
        "CREATE TABLE digits (d int)\n"
        "INSERT INTO digits VALUES (0),(1),(2),(3),(4),(5),(6),(7),(8),(9)\n"
        "CREATE TABLE many (id int PRIMARY KEY, pad varchar(2000))\n"
        "INSERT INTO many SELECT a.d * 1000 + b.d * 100 + c.d * 10 + e.d, REPLICATE('p', 2000) "
        "FROM digits a, digits b, digits c, digits e\n");
  }
  // Converts the table many over the network and does what happen says to
  // the server once its rows are on the way; the agent's output and status.
  template <typename F>
  outcome convert_many(F&& happen) {
    std::string list = write("list.txt", "many\n");
    std::vector<std::string> args = {"--src=sample_shop", "--dest=ORCL", "--oraclu=scott",
                                     "--oraclp=tiger", "--tab_file=" + list};
    for (const auto& a : network()) args.push_back(a);
    // One row at a time: slow enough for the server to fail in the middle
    // however fast the machine.
    std::string cmd = "TSL_BATCH_ROWS=1 " + quote(TSL_AGENT);
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    outcome o;
    if (!p) return o;
    char line[4096];
    bool done = false;
    while (std::fgets(line, sizeof line, p)) {
      o.out += line;
      if (!done && o.out.find("Converting table many(10000 records)") != std::string::npos) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        happen();
        done = true;
      }
    }
    int raw = ::pclose(p);
    EXPECT_TRUE(done) << o.out;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
  }

  std::unique_ptr<tsl::testing::tds_server> server_;
};

TEST_F(agent_network, EveryValueArrivesAsOverTheEmbeddedPath) {
  // Long values of several megabytes, Unicode included.
  mssql(
      "USE sample_shop\n"
      "CREATE TABLE big_docs (id int PRIMARY KEY, body nvarchar(max), raw varbinary(max), "
      "note text)\n"
      "INSERT INTO big_docs VALUES (1, REPLICATE(CAST(N'Ωμέγα 大きい ' AS nvarchar(max)), "
      "300000), CAST(REPLICATE(CAST('0123456789ABCDEF' AS varchar(max)), 250000) AS "
      "varbinary(max)), REPLICATE(CAST('t' AS varchar(max)), 3000000)),"
      "(2, N'', 0x, ''), (3, NULL, NULL, NULL)\n");
  outcome o = convert_net();
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  names all;
  {
    mss_engine engine(0);
    engine.connect(tsl::text::utf8_to_utf16(server_->data_source()), u"sa", u"sapw");
    auto db = engine.open_db(u"sample_shop", 1);
    for (const auto& n : db->table_names()) all.push_back(tsl::text::utf16_to_utf8(n));
  }
  EXPECT_EQ(all, (names{"big_docs", "customers", "order_lines", "orders", "products"}));
  size_t compared = 0;
  for (const std::string& t : all) {
    table_rows local = source(t, false), remote = source(t, true), d = destination(t);
    // The network path reads exactly what the embedded path reads ...
    ASSERT_EQ(local.size(), remote.size()) << t;
    for (size_t r = 0; r < local.size(); ++r)
      for (size_t c = 0; c < local[r].size(); ++c) {
        EXPECT_EQ(local[r][c].type, remote[r][c].type) << t << " " << r << " " << c;
        EXPECT_TRUE(local[r][c].text == remote[r][c].text ||
                    in_code_page(local[r][c].text) == remote[r][c].text)
            << t << " row " << r << " column " << c << ": '" << local[r][c].text.substr(0, 80)
            << "' over the network is '" << remote[r][c].text.substr(0, 80) << "'";
      }
    // ... and Oracle holds it.
    ASSERT_EQ(remote.size(), d.size()) << t;
    for (size_t r = 0; r < remote.size(); ++r) {
      ASSERT_EQ(remote[r].size(), d[r].size()) << t;
      for (size_t c = 0; c < remote[r].size(); ++c, ++compared)
        EXPECT_EQ(difference(remote[r][c], d[r][c]), "") << t << " row " << r << " column " << c;
    }
  }
  EXPECT_GT(compared, 200u);
  EXPECT_EQ(one("SELECT TO_CHAR(LENGTH(\"body\")) FROM \"big_docs\" WHERE \"id\" = 1"), "3000000");
  EXPECT_EQ(one("SELECT TO_CHAR(LENGTH(\"note\")) FROM \"big_docs\" WHERE \"id\" = 1"), "3000000");
}

// A table as the MS SQL side describes it: fields, keys and indexes, and the
// foreign keys its database collects.
std::vector<std::string> described(mss_engine& engine, const std::string& table) {
  std::vector<std::string> out;
  auto db = engine.open_db(u"sample_shop", 1);
  auto t = db->get_table(tsl::text::utf8_to_utf16(table), 1);
  auto u8 = [](const std::u16string& w) { return tsl::text::utf16_to_utf8(w); };
  for (size_t i = 0; i < t->schema().size(); ++i) {
    const t_ftd& f = t->schema()[i];
    const ole_variant& d = f.default_value();
    out.push_back("field " + u8(f.name()) + " type " + std::to_string(f.vartype()) + " size " +
                  std::to_string(f.size()) + " reserved " + std::to_string(f.reserved()) +
                  (f.is_not_null() ? " not null" : "") + (f.is_identity() ? " identity" : "") +
                  " default " + std::to_string(d.vartype()) +
                  (d.vartype() == VT_EMPTY ? "" : ":" + u8(d.to_wstring())));
  }
  for (const udb_index& ix : t->indexes()) {
    std::string line = "index " + u8(ix.name()) + (ix.is_unique() ? " unique" : "") +
                       (ix.is_primary() ? " primary" : "");
    for (const auto& c : ix.fields()) line += " " + u8(c);
    out.push_back(line);
  }
  for (const udb_relationship& r : db->relationships()) {
    std::string line = "foreign key " + u8(r.name()) + " " + u8(r.second_name()) + " " +
                       u8(r.table()) + " -> " + u8(r.referenced_table());
    for (const auto& c : r.fields()) line += " " + u8(c);
    line += " ->";
    for (const auto& c : r.referenced_fields()) line += " " + u8(c);
    out.push_back(line);
  }
  return out;
}

TEST_F(agent_network, TablesAreDescribedAsOverTheEmbeddedPath) {
  // The engine is one per process: each path in turn.
  auto describe_all = [&](bool over_network) {
    std::vector<std::string> out;
    mss_engine engine(0);
    if (over_network)
      engine.connect(tsl::text::utf8_to_utf16(server_->data_source()), u"sa", u"sapw");
    else
      engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
    out.push_back("version " + std::to_string(engine.version()));
    std::vector<std::u16string> names;
    for (const auto& n : engine.get_contents(names))
      out.push_back("database " + tsl::text::utf16_to_utf8(n));
    for (const char* t : {"customers", "products", "orders", "order_lines", "[hr].[employees]"})
      for (auto& line : described(engine, t)) out.push_back(std::string(t) + ": " + line);
    auto q = engine.open_db(u"sample_shop", 1)
                 ->get_table(u"q", u"SELECT order_id, ordered, comment, attachment FROM orders", 1);
    for (size_t i = 0; i < q->schema().size(); ++i)
      out.push_back("query field " + tsl::text::utf16_to_utf8(q->schema()[i].name()) + " type " +
                    std::to_string(q->schema()[i].vartype()));
    out.push_back("query rows " + std::to_string(q->record_count()));
    return out;
  };
  const auto local = describe_all(false), remote = describe_all(true);
  EXPECT_GT(local.size(), 60u);
  EXPECT_EQ(local, remote);
}

TEST_F(agent_network, ModesAndQueriesOverTheNetwork) {
  ASSERT_EQ(convert_net({"--silent"}).status, 0);
  EXPECT_EQ(tables(), (names{"customers", "order_lines", "orders", "products"}));
  // Overwrite.
  exec("DELETE FROM \"orders\" WHERE \"order_id\" = 1000");
  ASSERT_EQ(convert_net({"--silent", "--mode=0"}).status, 0);
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"orders\""), "4");
  // Merge appends: the rows already there collide with the unique keys,
  // the others arrive.
  exec("DELETE FROM \"customers\" WHERE \"customer_id\" > 4");
  std::string list = write("list.txt", "customers\n");
  outcome merged = convert_net({"--mode=1", "--tab_file=" + list});
  // The collisions are record errors: the run completed with errors.
  ASSERT_EQ(merged.status, 1);
  EXPECT_EQ(merged.out.find("Converting database sample_shop(1 tables)\n"
                            "Converting table customers(8 records)\n"
                            "Error:\ncustomers, record #1: Duplicate field values"),
            0u)
      << merged.out;
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"customers\""), "8");
  // Skip leaves the table alone.
  exec("DROP TABLE \"products\"");
  exec("CREATE TABLE \"products\" (\"x\" NUMBER)");
  ASSERT_EQ(convert_net({"--silent", "--mode=2"}).status, 0);
  EXPECT_EQ(one("SELECT TO_CHAR(count(*)) FROM \"products\""), "0");
  // A query as a table, from a profile naming the network server.
  std::string profile = write(
      "p.tsl",
      "[Selected Tables]\nbig_orders=SELECT order_id, status FROM orders WHERE order_id > "
      "1001\n[Generic settings]\nsrc=sample_shop\nmode=0\n"
      "[Oracle settings]\nhost=ORCL\nuser=scott\npassword=tiger\nuse TNS=1\n"
      "[MS SQL Server settings]\nserver=" +
          server_->data_source() + "\nlogin=sa\npassword=sapw\nwindows authentication=0\n");
  outcome o = agent({"--profile=" + profile});
  EXPECT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out,
            "Converting database sample_shop(0 tables)\n"
            "Converting table big_orders(2 records)\n");
  EXPECT_EQ(oracle("SELECT * FROM \"big_orders\" ORDER BY 1"),
            (std::vector<names>{{"1002", "shipped"}, {"1003", "cancelled"}}));
}

TEST_F(agent_network, ConnectionFailuresEndTheRun) {
  // A wrong password: SQL Server's 18456, which the agent words as the
  // embedded path does.
  outcome o = convert(network("sa", "wrong"));
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.out, "Error:\nInvalid user name or password.\n") << o.err;
  // A missing database.
  o = agent({"--src=nodb", "--dest=ORCL", "--oraclu=scott", "--oraclp=tiger",
             "--mssqlh=" + server_->data_source(), "--mssqlu=sa", "--mssqlp=sapw"});
  EXPECT_EQ(o.status, 255);
  EXPECT_EQ(o.err, "Database 'nodb' does not exist\n");
  // Integrated security is Kerberos on Linux; without a ticket the run asks
  // for a SQL Server login.
  o = convert({"--mssqlh=" + server_->data_source()});
  EXPECT_EQ(o.status, 255);
  EXPECT_NE(o.out.find("give a SQL Server login"), std::string::npos) << o.out << o.err;
  // Encryption required of a server that offers none.
  setenv("TSL_MSSQL_OPTIONS", "Encrypt=yes", 1);
  o = convert(network());
  unsetenv("TSL_MSSQL_OPTIONS");
  EXPECT_EQ(o.status, 255);
  EXPECT_NE(o.out.find("Encrypt=yes"), std::string::npos) << o.out << o.err;
  // A port nobody listens on.
  const std::string ds = server_->data_source();
  server_->kill();
  o = convert({"--mssqlh=" + ds, "--mssqlu=sa", "--mssqlp=sapw"});
  EXPECT_EQ(o.status, 255);
  EXPECT_NE(o.out.find("No SQL Server answered at " + ds + "."), std::string::npos)
      << o.out << o.err;
  // A host that does not exist.
  o = convert({"--mssqlh=no-such-host.invalid", "--mssqlu=sa", "--mssqlp=sapw"});
  EXPECT_EQ(o.status, 255);
  EXPECT_NE(o.out.find("SQL Server does not exist or access denied."), std::string::npos)
      << o.out << o.err;
  // A data source that is no address.
  o = convert({"--mssqlh=np:\\\\host\\pipe\\sql\\query", "--mssqlu=sa", "--mssqlp=sapw"});
  EXPECT_EQ(o.status, 255);
  EXPECT_NE(o.out.find("Only TCP connections are supported"), std::string::npos) << o.out;
}

TEST_F(agent_network, ServerKilledInTheMiddleOfATable) {
  add_many();
  outcome o = convert_many([&] { server_->kill(); });
  EXPECT_EQ(o.status, 255) << o.out;
  EXPECT_NE(o.out.find("General network error"), std::string::npos) << o.out;
  // The rows committed before the failure stay.
  int kept = std::stoi(one("SELECT TO_CHAR(count(*)) FROM \"many\""));
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 10000);
}

TEST_F(agent_network, ServerHangsInTheMiddleOfATable) {
  add_many();
  setenv("TSL_MSSQL_OPTIONS", "Command Timeout=2", 1);
  auto start = std::chrono::steady_clock::now();
  outcome o = convert_many([&] { server_->freeze(); });
  unsetenv("TSL_MSSQL_OPTIONS");
  server_->thaw();
  EXPECT_EQ(o.status, 255) << o.out;
  EXPECT_NE(o.out.find("Query timeout expired"), std::string::npos) << o.out;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120));
  int kept = std::stoi(one("SELECT TO_CHAR(count(*)) FROM \"many\""));
  EXPECT_GT(kept, 0);
  EXPECT_LT(kept, 10000);
}

}  // namespace
}  // namespace agent_testing
