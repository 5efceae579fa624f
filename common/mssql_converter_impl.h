#pragma once
// The MS SQL side of a conversion's settings and its engine.
#include <string>

#include "MSS/mss_engine.h"

class udb_profile;

class mssql_converter_impl {
 public:
  mssql_converter_impl();
  ~mssql_converter_impl();

  bool load_profile(const udb_profile& profile);
  bool store_profile(udb_profile& profile) const;

  // With the host alone under Windows authentication, else with the login.
  void connect_mssql_server();
  mss_engine& engine() { return engine_; }
  const mss_engine& engine() const { return engine_; }

  bool windows_authentication = false;
  std::u16string host;
  std::u16string user;
  std::u16string password;

 private:
  mss_engine engine_;
};
