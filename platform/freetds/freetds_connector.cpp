#include "platform/freetds/freetds_connector.h"

#include <cctype>
#include <cstdlib>
#include <memory>

#include "platform/freetds/session_pool.h"
#include "platform/freetds/tds_connection.h"
#include "platform/oledb/connector.h"

namespace tsl::freetds {
namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

oledb::server_error bad_option(const std::string& text) {
  return oledb::server_error(oledb::results::kFail,
                             oledb::error_record{0, 16, 1, "08001", text});
}

const std::string* option(const oledb::connection_settings& s,
                          std::initializer_list<const char*> keys) {
  for (const char* k : keys) {
    auto it = s.options.find(k);
    if (it != s.options.end()) return &it->second;
  }
  return nullptr;
}

int seconds(const oledb::connection_settings& s, std::initializer_list<const char*> keys,
            int fallback) {
  const std::string* v = option(s, keys);
  if (!v) return fallback;
  if (v->empty() || v->size() > 7)
    throw bad_option("The time-out \"" + *v + "\" is not a number of seconds.");
  int n = 0;
  for (char c : *v) {
    if (!std::isdigit(static_cast<unsigned char>(c)))
      throw bad_option("The time-out \"" + *v + "\" is not a number of seconds.");
    n = n * 10 + (c - '0');
  }
  return n;
}

bool is_local(const std::string& ds) {
  return ds.empty() || ds == "." || ds == "(local)";
}

class freetds_connector : public oledb::connector {
 public:
  // A path (an embedded server's directory) is never a host.
  bool serves(const oledb::connection_settings& s) const override {
    return !is_local(s.data_source) && s.data_source.find('/') == std::string::npos;
  }
  std::shared_ptr<oledb::connection> connect(const oledb::connection_settings& s) override {
    auto pool = std::make_shared<session_pool>(settings_for(s));
    // The first login proves the settings; it serves the first request.
    pool->give_back(pool->take());
    return std::make_shared<tds_connection>(std::move(pool));
  }
};

}  // namespace

tds_settings settings_for(const oledb::connection_settings& given) {
  oledb::connection_settings s = given;
  // Options the connection string does not give may come from the
  // environment, for programs that build their connection strings themselves.
  if (const char* env = std::getenv(kOptionsVariable)) {
    auto defaults = oledb::parse_connection_string(env);
    if (!defaults)
      throw bad_option(std::string(kOptionsVariable) + " is not a list of key=value; options.");
    for (const auto& [key, value] : defaults->options) s.options.emplace(key, value);
  }
  tds_settings t;
  std::string why;
  auto address = parse_server_address(s.data_source, &why);
  if (!address) throw oledb::unreachable(why);
  t.address = *address;
  t.integrated = s.integrated;
  t.user = s.user;
  t.password = s.password;
  t.database = s.initial_catalog;
  t.login_timeout = seconds(s, {"connect timeout", "connection timeout", "timeout"}, 15);
  t.query_timeout = seconds(s, {"command timeout", "query timeout", "general timeout"}, 600);
  if (const std::string* e = option(s, {"encrypt", "use encryption for data"})) {
    std::string v = lower(*e);
    if (v == "yes" || v == "true" || v == "mandatory" || v == "strict")
      t.encrypt = tds_settings::encryption::require;
    else if (v == "off")
      t.encrypt = tds_settings::encryption::off;
    else if (v == "no" || v == "false" || v == "optional")
      t.encrypt = tds_settings::encryption::request;
    else
      throw bad_option("Encrypt=" + *e + " is not one of yes, no or off.");
  }
  // As SQL Server clients have it: a required encryption checks the
  // certificate unless told to trust it; an opportunistic one does not.
  t.verify_certificate = t.encrypt == tds_settings::encryption::require;
  if (const std::string* v = option(s, {"trustservercertificate", "trust server certificate"})) {
    std::string tv = lower(*v);
    if (tv == "yes" || tv == "true")
      t.verify_certificate = false;
    else if (tv == "no" || tv == "false")
      t.verify_certificate = t.encrypt != tds_settings::encryption::off;
    else
      throw bad_option("TrustServerCertificate=" + *v + " is not yes or no.");
  }
  if (!t.integrated && t.user.empty())
    throw oledb::server_error(
        oledb::results::kAuthFailed,
        oledb::error_record{18456, 14, 1, "28000",
                            "Login failed for user ''. A network SQL Server needs a SQL Server "
                            "login (user and password) or Integrated Security=SSPI."});
  return t;
}

void install_freetds_connector() {
  static const std::shared_ptr<oledb::connector> the = std::make_shared<freetds_connector>();
  oledb::register_connector(the);
}

}  // namespace tsl::freetds
