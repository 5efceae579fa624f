#include "common/oracle_converter_impl.h"

#include "TK/tk_trace.h"
#include "common/udb_profile.h"

namespace {
const std::u16string kOracle = udb_profile::kOracleSettings;
}

oracle_converter_impl::oracle_converter_impl() {
  tk_trace(2, "oracle_converter_impl::ctor");
}

oracle_converter_impl::~oracle_converter_impl() {
  tk_trace(2, "oracle_converter_impl::dtor");
  database_.reset();
}

bool oracle_converter_impl::load_profile(const udb_profile& profile) {
  tk_trace(2, "oracle_converter_impl::load_profile");
  auto take = [&](const char16_t* key, std::u16string& field) {
    std::u16string v = profile.get(kOracle, key);
    if (!v.empty()) field = v;
  };
  take(u"IP", host);
  take(u"host", service);
  take(u"password", password);
  take(u"port", port);
  take(u"user", user);
  std::u16string tns = profile.get(kOracle, u"use TNS");
  if (!tns.empty()) use_tns = tns == u"1";
  return true;
}

bool oracle_converter_impl::store_profile(udb_profile& profile) const {
  tk_trace(2, "oracle_converter_impl::store_profile");
  auto put = [&](const char16_t* key, const std::u16string& value) {
    if (!value.empty()) profile.put(kOracle, key, value);
  };
  put(u"IP", host);
  put(u"host", service);
  put(u"password", password);
  put(u"port", port);
  put(u"user", user);
  profile.put(kOracle, u"use TNS", use_tns ? u"1" : u"0");
  return true;
}

// The password never reaches the trace log: the log is a file others may read.
void oracle_converter_impl::store_oracle_settings(const std::u16string& service_name,
                                                  const std::u16string& user_name,
                                                  const std::u16string& pwd) {
  tk_trace_w(2, u"oracle_converter_impl::store_oracle_settings(%s,%s,%s)", service_name.c_str(),
             user_name.c_str(), u"***");
  service = service_name;
  user = user_name;
  password = pwd;
}

void oracle_converter_impl::store_oracle_settings(const std::u16string& host_name,
                                                  const std::u16string& user_name,
                                                  const std::u16string& pwd,
                                                  const std::u16string& port_number) {
  tk_trace_w(2, u"oracle_converter_impl::store_oracle_settings(%s,%s,%s,%s)", host_name.c_str(),
             user_name.c_str(), u"***", port_number.c_str());
  host = host_name;
  user = user_name;
  password = pwd;
  port = port_number;
}

ora_database* oracle_converter_impl::connect_oracle_server() {
  tk_trace(2, "oracle_converter_impl::connect_oracle_server");
  database_.reset();
  if (use_tns)
    database_ = ora_open_db(service, user, password);
  else
    database_ = ora_open_db(host, user, password, port);
  return database_.get();
}
