#pragma once
// The Oracle side of a conversion's settings: how to log on, and the open
// destination database of the last connection.
#include <memory>
#include <string>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"

class udb_profile;

class oracle_converter_impl {
 public:
  oracle_converter_impl();
  ~oracle_converter_impl();

  bool load_profile(const udb_profile& profile);
  bool store_profile(udb_profile& profile) const;

  // By service name; host, port and use_tns are left as they are.
  void store_oracle_settings(const std::u16string& service, const std::u16string& user,
                             const std::u16string& password);
  // The direct way; the service name and use_tns are left as they are.
  void store_oracle_settings(const std::u16string& host, const std::u16string& user,
                             const std::u16string& password, const std::u16string& port);

  // Logs on again and keeps the new destination database.
  ora_database* connect_oracle_server();
  ora_database* database() const { return database_.get(); }
  ora_engine& engine() { return engine_; }

  bool use_tns = true;
  std::u16string service;
  std::u16string user;
  std::u16string password;
  std::u16string host;
  std::u16string port;

 private:
  // Declared after the engine so that it goes first.
  ora_engine engine_;
  std::unique_ptr<ora_database> database_;
};
