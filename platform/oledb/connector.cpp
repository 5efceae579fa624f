#include "platform/oledb/connector.h"

#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"

namespace tsl::oledb {
namespace {

class embedded_connection : public connection {
 public:
  embedded_connection(std::shared_ptr<mssql::server> srv, const mssql::login_request& l)
      : session_(std::move(srv), l) {}

  std::unique_ptr<mssql::result_set> execute(const std::string& sql, int64_t* rows) override {
    auto r = session_.execute(sql);
    if (rows) *rows = r ? -1 : session_.rows_affected();
    return r;
  }
  std::unique_ptr<mssql::result_set> open_table(const std::string& name) override {
    return session_.open_table(name);
  }
  std::unique_ptr<mssql::result_set> schema(mssql::schema_kind kind,
                                            const mssql::restrictions& r) override {
    return session_.schema(kind, r);
  }

 private:
  mssql::session session_;
};

mssql::sql_error unreachable(const std::string& why) {
  return mssql::sql_error(
      mssql::err::kFail,
      mssql::error_record{17, 16, 1, "08001",
                          "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server does not exist or "
                          "access denied. " +
                              why});
}

}  // namespace

std::shared_ptr<connection> connect(const connection_settings& s) {
  std::string dir;
  if (s.data_source.empty() || s.data_source == "." || s.data_source == "(local)") {
    dir = mssql::server::default_dir();
    if (!mssql::server::exists(dir))
      throw unreachable("No embedded server directory at " + dir + ".");
  } else if (mssql::server::exists(s.data_source)) {
    dir = s.data_source;
  } else {
    throw unreachable(
        "Network servers are not supported yet: the data source must be empty, "
        "\".\", \"(local)\" or an embedded server directory.");
  }
  mssql::login_request l;
  l.integrated = s.integrated;
  l.user = s.user;
  l.password = s.password;
  l.initial_catalog = s.initial_catalog;
  return std::make_shared<embedded_connection>(mssql::server::open(dir), l);
}

}  // namespace tsl::oledb
