#include "embedded/mssql_connector/embedded_connector.h"

#include <memory>

#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"
#include "platform/oledb/connector.h"

namespace tsl::mssql {
namespace {

// The provider's type list mirrors the engine's, member for member.
static_assert(static_cast<int>(type_id::sql_variant) ==
              static_cast<int>(oledb::column_kind::sql_variant));
static_assert(static_cast<int>(type_id::ole_date) ==
              static_cast<int>(oledb::column_kind::ole_date));

oledb::column_type neutral(const sql_type& t) {
  return {static_cast<oledb::column_kind>(t.id), t.length, t.precision, t.scale};
}

oledb::server_error neutral(const sql_error& e) {
  std::vector<oledb::error_record> records;
  for (const auto& r : e.records())
    records.push_back({r.number, r.severity, r.state, r.sqlstate, r.message});
  return oledb::server_error(e.hresult(), std::move(records));
}

// Runs body; the engine's errors leave as the provider's.
template <typename F>
auto translated(F&& body) {
  try {
    return body();
  } catch (const sql_error& e) {
    throw neutral(e);
  }
}

class neutral_result : public oledb::result_set {
 public:
  explicit neutral_result(std::unique_ptr<mssql::result_set> inner) : inner_(std::move(inner)) {
    for (const auto& c : inner_->columns())
      columns_.push_back({c.name, neutral(c.type), c.nullable});
  }

  bool next(std::vector<oledb::field_value>& row) override {
    return translated([&] {
      if (!inner_->next(scratch_)) return false;
      row.resize(scratch_.size());
      for (size_t i = 0; i < scratch_.size(); ++i) {
        value& v = scratch_[i];
        oledb::field_value& f = row[i];
        f.k = static_cast<oledb::field_value::kind>(v.k);
        f.i = v.i;
        f.r = v.r;
        f.s.swap(v.s);
      }
      return true;
    });
  }
  void restart() override {
    translated([&] { inner_->restart(); });
  }

 private:
  static_assert(static_cast<int>(value::kind::number) ==
                static_cast<int>(oledb::field_value::kind::number));
  std::unique_ptr<mssql::result_set> inner_;
  std::vector<value> scratch_;
};

std::unique_ptr<oledb::result_set> wrap(std::unique_ptr<mssql::result_set> r) {
  if (!r) return nullptr;
  return std::make_unique<neutral_result>(std::move(r));
}

class embedded_connection : public oledb::connection {
 public:
  embedded_connection(std::shared_ptr<server> srv, const login_request& l)
      : session_(std::move(srv), l) {}

  std::unique_ptr<oledb::result_set> execute(const std::string& sql, int64_t* rows) override {
    return translated([&] {
      auto r = session_.execute(sql);
      if (rows) *rows = r ? -1 : session_.rows_affected();
      return wrap(std::move(r));
    });
  }
  std::unique_ptr<oledb::result_set> open_table(const std::string& name) override {
    return translated([&] { return wrap(session_.open_table(name)); });
  }
  std::unique_ptr<oledb::result_set> schema(oledb::schema_kind kind,
                                            const oledb::restrictions& r) override {
    return translated(
        [&] { return wrap(session_.schema(static_cast<schema_kind>(kind), r)); });
  }

 private:
  session session_;
};

bool is_local(const std::string& ds) {
  return ds.empty() || ds == "." || ds == "(local)";
}

class embedded_connector : public oledb::connector {
 public:
  bool serves(const oledb::connection_settings& s) const override {
    return is_local(s.data_source) || server::exists(s.data_source);
  }
  std::shared_ptr<oledb::connection> connect(const oledb::connection_settings& s) override {
    std::string dir = s.data_source;
    if (is_local(dir)) {
      dir = server::default_dir();
      if (!server::exists(dir))
        throw oledb::unreachable("No embedded server directory at " + dir + ".");
    }
    login_request l;
    l.integrated = s.integrated;
    l.user = s.user;
    l.password = s.password;
    l.initial_catalog = s.initial_catalog;
    return translated(
        [&] { return std::make_shared<embedded_connection>(server::open(dir), l); });
  }
};

}  // namespace

void install_embedded_connector() {
  static const std::shared_ptr<oledb::connector> the = std::make_shared<embedded_connector>();
  oledb::register_connector(the);
}

}  // namespace tsl::mssql
