// The network connector's own pieces: data source forms, connection string
// options, the stored forms of the library's values, quoting, and the
// failures of a connection that never reaches a server.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/freetds/client_config.h"
#include "platform/freetds/freetds_connector.h"
#include "platform/freetds/instance_lookup.h"
#include "platform/freetds/server_address.h"
#include "platform/freetds/tds_catalog.h"
#include "platform/freetds/wire_values.h"
#include "platform/oledb/connector.h"

namespace tsl::freetds {
namespace {

using oledb::column_kind;

TEST(server_address, FormsSqlServerClientsAccept) {
  struct form {
    const char* text;
    const char* client;
    const char* display;
  };
  for (const form& f : std::initializer_list<form>{
           {"dbhost", "dbhost:1433", "dbhost,1433"},
           {"dbhost,1500", "dbhost:1500", "dbhost,1500"},
           {" tcp:dbhost , 1500 ", "dbhost:1500", "dbhost,1500"},
           {"TCP:10.0.0.5", "10.0.0.5:1433", "10.0.0.5,1433"},
           {"dbhost\\SQLEXPRESS", "dbhost\\SQLEXPRESS", "dbhost\\SQLEXPRESS"},
           {"dbhost\\SQLEXPRESS,1600", "dbhost:1600", "dbhost,1600"},
           {"[::1]", "[::1]:1433", "[::1],1433"},
           {"[fe80::1],1444", "[fe80::1]:1444", "[fe80::1],1444"},
           {"[::1]\\INST", "[::1]\\INST", "[::1]\\INST"},
       }) {
    std::string why;
    auto a = parse_server_address(f.text, &why);
    ASSERT_TRUE(a) << f.text << ": " << why;
    EXPECT_EQ(a->client_name(), f.client) << f.text;
    EXPECT_EQ(a->display(), f.display) << f.text;
  }
}

TEST(server_address, RefusesWhatItCannotReach) {
  for (const char* bad : {"", "tcp:", ",1433", "dbhost,", "dbhost,0", "dbhost,65536",
                          "dbhost,14x3", "dbhost\\", "dbhost\\in stance", "[::1", "[::1]x",
                          "np:\\\\dbhost\\pipe\\sql\\query", "lpc:dbhost", "db host",
                          "dbhost;Password=x"}) {
    std::string why;
    EXPECT_FALSE(parse_server_address(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

oledb::connection_settings settings(const std::string& extra) {
  auto s = oledb::parse_connection_string("Provider=sqloledb;Data Source=dbhost,1500;" + extra);
  EXPECT_TRUE(s);
  return *s;
}

TEST(settings_for, TimeOutsEncryptionAndLogins) {
  tds_settings t = settings_for(settings("User ID=bob;Password=pw;Initial Catalog=shop;"));
  EXPECT_EQ(t.address.port, 1500);
  EXPECT_EQ(t.user, "bob");
  EXPECT_EQ(t.password, "pw");
  EXPECT_EQ(t.database, "shop");
  EXPECT_EQ(t.login_timeout, 15);
  EXPECT_EQ(t.query_timeout, 600);
  EXPECT_EQ(t.encrypt, tds_settings::encryption::request);

  t = settings_for(settings("UID=bob;PWD=pw;Connect Timeout=3;Command Timeout=0;Encrypt=yes;"
                            "TrustServerCertificate=yes;"));
  EXPECT_EQ(t.login_timeout, 3);
  EXPECT_EQ(t.query_timeout, 0);
  EXPECT_EQ(t.encrypt, tds_settings::encryption::require);
  EXPECT_FALSE(t.verify_certificate);
  // Required encryption checks the certificate unless told to trust it.
  EXPECT_TRUE(settings_for(settings("UID=b;Encrypt=yes;")).verify_certificate);
  EXPECT_FALSE(settings_for(settings("UID=b;")).verify_certificate);
  EXPECT_TRUE(settings_for(settings("UID=b;TrustServerCertificate=no;")).verify_certificate);
  EXPECT_EQ(settings_for(settings("UID=b;Encrypt=off;")).encrypt, tds_settings::encryption::off);
  EXPECT_EQ(settings_for(settings("UID=b;Encrypt=no;")).encrypt,
            tds_settings::encryption::request);
  EXPECT_TRUE(settings_for(settings("Integrated Security=SSPI;")).integrated);

  for (const char* bad : {"UID=b;Connect Timeout=soon;", "UID=b;Command Timeout=-1;",
                          "UID=b;Encrypt=maybe;", "UID=b;TrustServerCertificate=perhaps;"}) {
    try {
      settings_for(settings(bad));
      ADD_FAILURE() << bad;
    } catch (const oledb::server_error& e) {
      EXPECT_EQ(e.records().front().sqlstate, "08001") << bad;
    }
  }
  // The environment gives what the connection string leaves out.
  setenv("TSL_MSSQL_OPTIONS", "Encrypt=yes;Connect Timeout=4", 1);
  t = settings_for(settings("UID=b;Connect Timeout=9;"));
  EXPECT_EQ(t.encrypt, tds_settings::encryption::require);
  EXPECT_EQ(t.login_timeout, 9);
  setenv("TSL_MSSQL_OPTIONS", "Encrypt=\"yes", 1);
  EXPECT_THROW(settings_for(settings("UID=b;")), oledb::server_error);
  unsetenv("TSL_MSSQL_OPTIONS");

  // No login at all: the server would refuse an empty user name.
  try {
    settings_for(settings(""));
    ADD_FAILURE();
  } catch (const oledb::server_error& e) {
    EXPECT_EQ(e.number(), 18456);
    EXPECT_EQ(e.hresult(), oledb::results::kAuthFailed);
  }
}

TEST(wire_values, ColumnTypesFromTheLibrary) {
  auto t = column_type_of(56, 4, false, 0, 0, 0);
  EXPECT_EQ(t.kind, column_kind::int_);
  t = column_type_of(106, 9, false, 0, 18, 4);
  EXPECT_EQ(t.kind, column_kind::decimal);
  EXPECT_EQ(t.precision, 18);
  EXPECT_EQ(t.scale, 4);
  t = column_type_of(47, 40, true, 0, 0, 0);  // nvarchar(10) in UTF-8 bytes
  EXPECT_EQ(t.kind, column_kind::nvarchar);
  EXPECT_EQ(t.length, 10);
  t = column_type_of(47, 20, false, 0, 0, 0);
  EXPECT_EQ(t.kind, column_kind::nchar);
  EXPECT_EQ(t.length, 5);
  EXPECT_TRUE(column_type_of(47, 2147483647, true, 0, 0, 0).is_max());
  EXPECT_EQ(column_type_of(45, 8, false, 80, 0, 0).kind, column_kind::timestamp);
  EXPECT_EQ(column_type_of(45, 4, false, 0, 0, 0).kind, column_kind::binary);
  EXPECT_TRUE(column_type_of(45, 2147483647, true, 0, 0, 0).is_max());
  t = column_type_of(42, 16, false, 0, 3, 3);
  EXPECT_EQ(t.kind, column_kind::datetime2);
  EXPECT_EQ(t.scale, 3);
}

TEST(wire_values, TypesSpColumnsDeclares) {
  auto t = declared_type("int identity", 10, 0);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->kind, column_kind::int_);
  t = declared_type("numeric() identity", 12, 2);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->kind, column_kind::numeric);
  EXPECT_EQ(t->precision, 12);
  t = declared_type("varchar", 2147483647, 0);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->kind, column_kind::varchar);
  EXPECT_TRUE(t->is_max());
  t = declared_type("nvarchar", 1073741823, 0);
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->is_max());
  t = declared_type("char", 8, 0);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->kind, column_kind::char_);
  EXPECT_EQ(t->length, 8);
  t = declared_type("sysname", 128, 0);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->length, 128);
  EXPECT_FALSE(declared_type("phone_number", 20, 0));
}

TEST(wire_values, StoredFormsOfDatesAndGuids) {
  EXPECT_EQ(datetime_text(0, 0), "1900-01-01 00:00:00.000");
  EXPECT_EQ(datetime_text(-53690, 1), "1753-01-01 00:00:00.003");
  EXPECT_EQ(datetime_text(36524, 299 + 300 * 59), "2000-01-01 00:00:59.997");
  EXPECT_EQ(datetime_text(36524, 300 * 86399 + 2), "2000-01-01 23:59:59.007");
  EXPECT_EQ(smalldatetime_text(0, 0), "1900-01-01 00:00:00");
  EXPECT_EQ(smalldatetime_text(65535, 1439), "2079-06-06 23:59:00");
  const uint64_t t = ((4 * 3600 + 5 * 60 + 6) * 10000000ull) + 1234567;
  EXPECT_EQ(date_time_text(column_kind::date, -693595, 0, 0, 0), "0001-01-01");
  EXPECT_EQ(date_time_text(column_kind::time, 0, t, 0, 2), "04:05:06.12");
  EXPECT_EQ(date_time_text(column_kind::time, 0, t, 0, 0), "04:05:06");
  EXPECT_EQ(date_time_text(column_kind::datetime2, 37288, t, 0, 7),
            "2002-02-03 04:05:06.1234567");
  // An offset value travels in UTC: 14:05 UTC is 04:05 the next day at +14:00.
  const uint64_t utc = (14 * 3600 + 5 * 60 + 6) * 10000000ull + 1000000;
  EXPECT_EQ(date_time_text(column_kind::datetimeoffset, 37287, utc, 14 * 60, 1),
            "2002-02-03 04:05:06.1 +14:00");
  EXPECT_EQ(date_time_text(column_kind::datetimeoffset, 37288, 0, -90, 0),
            "2002-02-02 22:30:00 -01:30");
  const unsigned char g[16] = {0x99, 0xBC, 0xEE, 0xA0, 0x0B, 0x9C, 0xF8, 0x4E,
                               0xBB, 0x6D, 0x6B, 0xB9, 0xBD, 0x38, 0x0A, 0x11};
  EXPECT_EQ(guid_text(g), "A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11");
}

TEST(tds_catalog, NamesAndLiteralsStayInert) {
  EXPECT_EQ(quote_literal("it's"), "N'it''s'");
  EXPECT_EQ(quote_literal("'; DROP TABLE t; --"), "N'''; DROP TABLE t; --'");
  EXPECT_EQ(quote_name("a]b"), "[a]]b]");
  EXPECT_EQ(quote_table_name("[dbo].[Orders]"), "[dbo].[Orders]");
  EXPECT_EQ(quote_table_name("[x].[a] ; DROP TABLE t --]"), "[x].[a]] ; DROP TABLE t --]");
  EXPECT_EQ(quote_table_name("[Order Details]"), "[Order Details]");
  EXPECT_EQ(quote_table_name("plain"), "[plain]");
  std::string owner, table;
  split_table_name("[hr].[employees]", owner, table);
  EXPECT_EQ(owner, "hr");
  EXPECT_EQ(table, "employees");
}

TEST(client_config, EncryptionLevelsGoThroughAPrivateConfigurationFile) {
  EXPECT_EQ(config_with_encryption("[global]\n\tencryption = off", "require"),
            "[global]\n\tencryption = off\n[global]\n\tencryption = require\n");
  EXPECT_EQ(config_with_encryption("", "request", true),
            "[global]\n\tencryption = request\n\tca file = system\n"
            "\tcheck certificate hostname = yes\n");
  setenv("FREETDSCONF", "/nonexistent/freetds.conf", 1);
  std::string path;
  {
    scoped_client_config c("require", false);
    path = std::getenv("FREETDSCONF");
    EXPECT_NE(path, "/nonexistent/freetds.conf");
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("encryption = require"), std::string::npos);
  }
  EXPECT_STREQ(std::getenv("FREETDSCONF"), "/nonexistent/freetds.conf");
  EXPECT_NE(::access(path.c_str(), F_OK), 0);
  unsetenv("FREETDSCONF");
}

oledb::field_value t(const std::string& s) {
  oledb::field_value v;
  v.k = oledb::field_value::kind::text;
  v.s = s;
  return v;
}
oledb::field_value n(int64_t i) {
  oledb::field_value v;
  v.k = oledb::field_value::kind::integer;
  v.i = i;
  return v;
}

// Answers the catalogue procedures as SQL Server does for two tables.
rows answer(const std::string& sql, std::vector<std::string>& asked) {
  asked.push_back(sql);
  if (sql.rfind("EXEC sp_tables", 0) == 0)
    return {{t("shop"), t("dbo"), t("lines"), t("TABLE"), {}},
            {t("shop"), t("dbo"), t("orders"), t("TABLE"), {}},
            {t("shop"), t("dbo"), t("orders_v"), t("VIEW"), {}}};
  if (sql.find("sp_pkeys @table_name = N'orders'") != std::string::npos)
    return {{t("shop"), t("dbo"), t("orders"), t("id"), n(1), t("PK_orders")}};
  if (sql.rfind("EXEC sp_pkeys", 0) == 0) return {};
  if (sql.find("sp_statistics @table_name = N'orders'") != std::string::npos)
    return {{t("shop"), t("dbo"), t("orders"), {}, {}, {}, n(0), {}, {}, {}, n(5), n(1), {}},
            {t("shop"), t("dbo"), t("orders"), n(0), t("orders"), t("PK_orders"), n(1), n(1),
             t("id"), t("A"), {}, {}, {}},
            {t("shop"), t("dbo"), t("orders"), n(1), t("orders"), t("IX_when"), n(3), n(1),
             t("placed"), t("D"), {}, {}, {}}};
  if (sql.rfind("EXEC sp_statistics", 0) == 0) return {};
  if (sql.find("sp_fkeys @pktable_name = N'orders'") != std::string::npos)
    return {{t("shop"), t("dbo"), t("orders"), t("id"), t("shop"), t("dbo"), t("lines"),
             t("order_id"), n(1), n(3), n(2), t("FK_lines_orders"), t("PK_orders"), n(7)}};
  return {};
}

std::vector<std::vector<std::string>> texts(oledb::result_set& r) {
  std::vector<std::vector<std::string>> out;
  std::vector<oledb::field_value> row;
  while (r.next(row)) {
    std::vector<std::string> line;
    for (const auto& v : row)
      line.push_back(v.is_null()                                  ? "-"
                     : v.k == oledb::field_value::kind::integer ? std::to_string(v.i)
                                                                 : v.s);
    out.push_back(line);
  }
  return out;
}

TEST(tds_catalog, SchemaRowsetsFromCatalogueProcedures) {
  std::vector<std::string> asked;
  fetcher f = [&](const std::string& sql) { return answer(sql, asked); };
  using lines = std::vector<std::vector<std::string>>;
  const std::optional<std::string> none;
  const std::optional<std::string> dbo = "dbo", orders = "orders", table = "TABLE";

  auto tables = schema_answer(oledb::schema_kind::tables, {none, dbo, none, table}, f);
  EXPECT_EQ(tables->columns().size(), 9u);
  auto tl = texts(*tables);
  ASSERT_EQ(tl.size(), 2u);  // the view is not a table
  EXPECT_EQ(tl[1][2], "orders");
  EXPECT_EQ(asked.back(), "EXEC sp_tables @table_owner = N'dbo', @table_type = N'''TABLE'''");

  auto pk = schema_answer(oledb::schema_kind::primary_keys, {none, dbo, orders}, f);
  EXPECT_EQ(texts(*pk), (lines{{"shop", "dbo", "orders", "id", "-", "-", "1", "PK_orders"}}));

  // The statistics row is no index; the primary key is told by sp_pkeys;
  // non-unique indexes come first.
  auto ix = schema_answer(oledb::schema_kind::indexes, {none, dbo, none, none, orders}, f);
  EXPECT_EQ(ix->columns().size(), 25u);
  auto il = texts(*ix);
  ASSERT_EQ(il.size(), 2u);
  EXPECT_EQ(il[0][5], "IX_when");
  EXPECT_EQ(il[0][6] + il[0][7] + il[0][8], "000");
  EXPECT_EQ(il[0][20], "2");  // descending
  EXPECT_EQ(il[1][5], "PK_orders");
  EXPECT_EQ(il[1][6] + il[1][7] + il[1][8], "111");
  EXPECT_EQ(il[1][17], "id");

  auto fk = schema_answer(oledb::schema_kind::foreign_keys, {none, dbo, orders, none, none, none}, f);
  EXPECT_EQ(fk->columns().size(), 18u);
  auto fl = texts(*fk);
  ASSERT_EQ(fl.size(), 1u);
  EXPECT_EQ(fl[0][8], "lines");
  EXPECT_EQ(fl[0][9], "order_id");
  EXPECT_EQ(fl[0][13], "SET DEFAULT");
  EXPECT_EQ(fl[0][14], "SET NULL");
  EXPECT_EQ(fl[0][15], "PK_orders");
  EXPECT_EQ(fl[0][16], "FK_lines_orders");

  // Restriction values travel as literals, never as SQL.
  asked.clear();
  schema_answer(oledb::schema_kind::tables, {none, std::string("x'; DROP TABLE t; --"), none, none},
                f);
  EXPECT_EQ(asked.back(),
            "EXEC sp_tables @table_owner = N'x''; DROP TABLE t; --', @table_type = N'''TABLE'''");
}

// A loopback port that nobody listens on.
int closed_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  ::close(fd);
  return ntohs(a.sin_port);
}

std::string failure_of(const std::string& connection_string) {
  install_freetds_connector();
  try {
    oledb::connect(*oledb::parse_connection_string(connection_string));
  } catch (const oledb::server_error& e) {
    EXPECT_EQ(e.hresult(), oledb::results::kFail);
    EXPECT_EQ(e.number(), 17);
    EXPECT_EQ(e.records().front().sqlstate, "08001");
    return e.what();
  }
  ADD_FAILURE() << "connected: " << connection_string;
  return {};
}

TEST(freetds_connector, ServersThatAreNotThere) {
  const std::string port = std::to_string(closed_port());
  EXPECT_EQ(failure_of("Provider=sqloledb;Data Source=127.0.0.1," + port + ";UID=sa;PWD=x;"),
            "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or access denied. "
            "No SQL Server answered at 127.0.0.1," +
                port + ". (Connection refused)");
  std::string why =
      failure_of("Provider=sqloledb;Data Source=no-such-host.invalid;UID=sa;PWD=x;");
  EXPECT_NE(why.find("no-such-host.invalid"), std::string::npos) << why;
  // Integrated security without a Kerberos ticket asks for a SQL login.
  why = failure_of("Provider=sqloledb;Data Source=127.0.0.1," + port +
                   ";Integrated Security=SSPI;");
  EXPECT_NE(why.find("give a SQL Server login"), std::string::npos) << why;
  why = failure_of("Provider=sqloledb;Data Source=np:dbhost;UID=sa;PWD=x;");
  EXPECT_NE(why.find("Only TCP connections are supported"), std::string::npos) << why;
}

TEST(freetds_connector, ASilentServerTimesOut) {
  // A port that accepts connections and never answers, as a hung host does.
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  socklen_t n = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  const std::string port = std::to_string(ntohs(a.sin_port));
  auto start = std::chrono::steady_clock::now();
  std::string why = failure_of("Provider=sqloledb;Data Source=127.0.0.1," + port +
                               ";UID=sa;PWD=x;Connect Timeout=1;");
  auto waited = std::chrono::steady_clock::now() - start;
  ::close(fd);
  EXPECT_NE(why.find("timed out after 1 seconds"), std::string::npos) << why;
  EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST(instance_lookup, PortsInBrowserReplies) {
  const std::string reply =
      "ServerName;DB1;InstanceName;MSSQLSERVER;IsClustered;No;Version;15.0.2000.5;tcp;1433;;"
      "ServerName;DB1;InstanceName;SQLEXPRESS;IsClustered;No;Version;15.0.2000.5;tcp;50123;"
      "np;\\\\DB1\\pipe\\MSSQL$SQLEXPRESS\\sql\\query;;"
      "ServerName;DB1;InstanceName;PIPESONLY;IsClustered;No;Version;15.0.2000.5;np;x;;";
  EXPECT_EQ(port_in_reply(reply, "sqlexpress"), 50123);
  EXPECT_EQ(port_in_reply(reply, "MSSQLSERVER"), 1433);
  EXPECT_FALSE(port_in_reply(reply, "PIPESONLY"));
  EXPECT_FALSE(port_in_reply(reply, "OTHER"));
  EXPECT_FALSE(port_in_reply("ServerName;DB1;InstanceName;A;tcp;99999;;", "A"));
  EXPECT_FALSE(port_in_reply("", "A"));
}

// A browser on a free UDP port that answers one instance.
class fake_browser {
 public:
  fake_browser() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      char buf[512];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      ssize_t got = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (got > 0) request_.assign(buf, static_cast<size_t>(got));
      std::string data = "ServerName;LOCAL;InstanceName;TESSALY;IsClustered;No;tcp;4242;;";
      std::string reply = "\x05";
      reply += static_cast<char>(data.size() & 0xFF);
      reply += static_cast<char>(data.size() >> 8);
      reply += data;
      ::sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
    });
  }
  ~fake_browser() {
    thread_.join();
    ::close(fd_);
  }
  int port() const { return port_; }
  const std::string& request() const { return request_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

TEST(instance_lookup, AsksTheBrowserForTheInstance) {
  std::string request;
  {
    fake_browser b;
    EXPECT_EQ(lookup_instance_port("127.0.0.1", "tessaly", 3, b.port()), 4242);
    request = b.request();
  }
  EXPECT_EQ(request, std::string("\x04tessaly\0", 9));
  {
    fake_browser b;
    try {
      lookup_instance_port("127.0.0.1", "OTHER", 3, b.port());
      ADD_FAILURE();
    } catch (const oledb::server_error& e) {
      EXPECT_NE(std::string(e.what()).find("knows no instance \"OTHER\""), std::string::npos)
          << e.what();
    }
  }
}

TEST(freetds_connector, UnknownInstancesFailWithinTheLoginTimeOut) {
  auto start = std::chrono::steady_clock::now();
  std::string why = failure_of(
      "Provider=sqloledb;Data Source=127.0.0.1\\NOSUCH;UID=sa;PWD=x;Connect Timeout=2;");
  EXPECT_NE(why.find("No instance \"NOSUCH\" answered on 127.0.0.1"), std::string::npos) << why;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace tsl::freetds
