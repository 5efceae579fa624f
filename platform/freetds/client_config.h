#pragma once
// db-lib takes no encryption setting from its caller: only the library's
// configuration file does ("encryption = require | off", "ca file"). To
// honour Encrypt= and TrustServerCertificate= the connector logs in with a
// private copy of the user's configuration file that ends with them.
#include <string>

namespace tsl::freetds {

// The configuration file the library would read: $FREETDSCONF, else
// ~/.freetds.conf, else /etc/freetds/freetds.conf; empty when none exists.
std::string user_config_path();

// The user's configuration followed by a [global] section that sets the
// encryption level ("request", "require" or "off") and, when verify is set,
// has certificates checked against the system's authorities.
std::string config_with_encryption(const std::string& user_config, const std::string& level,
                                   bool verify = false);

// Points the library at a private configuration file with that encryption
// level while it lives (the file is mode 0600 in a private directory and
// removed afterwards); restores $FREETDSCONF when it goes.
class scoped_client_config {
 public:
  scoped_client_config(const std::string& level, bool verify);
  ~scoped_client_config();
  scoped_client_config(const scoped_client_config&) = delete;
  scoped_client_config& operator=(const scoped_client_config&) = delete;

 private:
  std::string dir_, file_;
  bool had_previous_ = false;
  std::string previous_;
};

}  // namespace tsl::freetds
