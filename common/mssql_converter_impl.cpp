#include "common/mssql_converter_impl.h"

#include "TK/tk_trace.h"
#include "common/udb_profile.h"

namespace {
const std::u16string kMssql = udb_profile::kMssqlSettings;
}

mssql_converter_impl::mssql_converter_impl() : engine_(0) {
  tk_trace(2, "mssql_converter_impl::ctor");
}

mssql_converter_impl::~mssql_converter_impl() {
  tk_trace(2, "mssql_converter_impl::dtor");
}

bool mssql_converter_impl::load_profile(const udb_profile& profile) {
  tk_trace(2, "mssql_converter_impl::load_profile");
  auto take = [&](const char16_t* key, std::u16string& field) {
    std::u16string v = profile.get(kMssql, key);
    if (!v.empty()) field = v;
  };
  take(u"server", host);
  take(u"login", user);
  take(u"password", password);
  std::u16string windows = profile.get(kMssql, u"windows authentication");
  if (!windows.empty()) windows_authentication = windows == u"1";
  std::u16string dbo = profile.get(kMssql, u"connect as DBO");
  if (!dbo.empty()) {
    engine_.set_as_dbo(dbo == u"1");
  }
  return true;
}

bool mssql_converter_impl::store_profile(udb_profile& profile) const {
  tk_trace(2, "mssql_converter_impl::store_profile");
  auto put = [&](const char16_t* key, const std::u16string& value) {
    if (!value.empty()) profile.put(kMssql, key, value);
  };
  put(u"server", host);
  put(u"login", user);
  put(u"password", password);
  profile.put(kMssql, u"windows authentication", windows_authentication ? u"1" : u"0");
  profile.put(kMssql, u"connect as DBO", engine_.is_as_dbo() ? u"1" : u"0");
  return true;
}

void mssql_converter_impl::connect_mssql_server() {
  tk_trace(1, "mssql_converter_impl::connect_mssql_server");
  if (windows_authentication)
    engine_.connect(host);
  else
    engine_.connect(host, user, password);
}
