#include "MSS/mss_engine.h"

#include "MSS/mss_database.h"
#include "MSS/mss_split_tab_name.h"
#include "MSS/odb_command.h"
#include "MSS/odb_exception.h"
#include "MSS/odb_meta_data.h"
#include "MSS/odb_recordset.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "embedded/mssql_connector/embedded_connector.h"
#include "platform/freetds/freetds_connector.h"
#include "platform/com/com_runtime.h"
#include "platform/text/wide_ctype.h"

namespace {

[[noreturn]] void fail(HRESULT hr) {
  tk_trace(2, "Error code: %08X", static_cast<unsigned>(hr));
  throw odb_exception(hr);
}

const char16_t kProvider[] = u"Provider=sqloledb;Data Source=";

// SQL Server's errors for a database it does not have or will not open.
constexpr long kCannotOpenDatabase = 4060;
constexpr long kNoSuchDatabase = 911;

}  // namespace

mss_engine::mss_engine(int com_initialized) : com_initialized_(com_initialized) {
  tk_trace(2, "mss_engine::ctor");
  // The embedded server is asked first: it serves only its own names.
  tsl::freetds::install_freetds_connector();
  tsl::mssql::install_embedded_connector();
  if (com_initialized_ == 0) {
    if (FAILED(CoInitialize(nullptr))) com_initialized_ = 1;  // nothing to undo
  }
}

mss_engine::~mss_engine() {
  tk_trace(2, "mss_engine::dtor");
  if (com_initialized_ == 0) CoUninitialize();
}

std::u16string mss_engine::quote_value(const std::u16string& value) {
  bool quote = !value.empty() && (value.front() == u' ' || value.back() == u' ' ||
                                  value.front() == u'"' || value.front() == u'\'');
  for (char16_t c : value)
    if (c == u';') quote = true;
  if (!quote) return value;
  std::u16string out;
  out.reserve(value.size() + 2);
  out.push_back(u'"');
  for (char16_t c : value) {
    if (c == u'"') out.push_back(u'"');
    out.push_back(c);
  }
  out.push_back(u'"');
  return out;
}

std::u16string mss_engine::hide_password(const std::u16string& cs) {
  static const std::u16string key = u";Password=";
  size_t p = cs.find(key);
  if (p == std::u16string::npos) return cs;
  const size_t start = p + key.size();
  size_t end = start;
  if (end < cs.size() && (cs[end] == u'"' || cs[end] == u'\'')) {
    const char16_t q = cs[end++];
    while (end < cs.size()) {
      if (cs[end] == q) {
        if (end + 1 < cs.size() && cs[end + 1] == q) {
          end += 2;
          continue;
        }
        ++end;
        break;
      }
      ++end;
    }
  } else {
    while (end < cs.size() && cs[end] != u';') ++end;
  }
  return cs.substr(0, start) + u"****" + cs.substr(end);
}

std::u16string mss_engine::connect_string(const std::u16string& host) {
  return kProvider + quote_value(host) + u";Integrated Security=SSPI;";
}

std::u16string mss_engine::connect_string(const std::u16string& host, const std::u16string& user,
                                          const std::u16string& password) {
  return kProvider + quote_value(host) + u";User Id=" + quote_value(user) + u";Password=" +
         quote_value(password) + u";";
}

std::u16string mss_engine::make_conn_string(const std::u16string& database) const {
  if (!connected_) throw tk_mail_assertion("mss_engi", 357);
  std::u16string s = kProvider + quote_value(host_);
  if (!database.empty()) s += u";Initial Catalog=" + quote_value(database);
  if (windows_auth_)
    s += u";Integrated Security=SSPI;";
  else
    s += u";User ID=" + quote_value(user_) + u";Password=" + quote_value(password_) + u";";
  return s;
}

void mss_engine::test_connection(const std::u16string& cs, ole_ptr<IDBInitialize>& out) {
  tk_trace_w(2, u"mss_engine::test_connection(%s)", hide_password(cs).c_str());
  ole_ptr<IDataInitialize> init;
  HRESULT hr = CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IDataInitialize, init.put_void());
  if (FAILED(hr)) {
    tk_trace(1, "%08X", static_cast<unsigned>(hr));
    throw tk_exception(
        "Failed to load OLE DB support library. You should install it\r\nto proceed with the "
        "application.\r\n",
        1);
  }
  ole_ptr<IUnknown> unknown;
  hr = init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, cs.c_str(), IID_IUnknown, unknown.put());
  if (FAILED(hr)) fail(hr);
  ole_ptr<IDBInitialize> ds;
  hr = unknown.query(IID_IDBInitialize, ds);
  if (FAILED(hr)) fail(hr);
  hr = ds->Initialize();
  if (FAILED(hr)) fail(hr);
  out = std::move(ds);
}

void mss_engine::connect(const std::u16string& host) {
  tk_trace_w(2, u"mss_engine::connect( %s )", host.c_str());
  tk_trace(3, "Connecting to MS SQL server...");
  ole_ptr<IDBInitialize> ds;
  test_connection(connect_string(host), ds);
  host_ = host;
  windows_auth_ = true;
  user_.clear();
  password_.clear();
  connected_ = true;
  version_ = get_version(ds.get());
}

void mss_engine::connect(const std::u16string& host, const std::u16string& user,
                         const std::u16string& password) {
  // The password never goes to the trace.
  tk_trace_w(2, u"mss_engine::connect( %s, %s, %s )", host.c_str(), user.c_str(), u"****");
  tk_trace(3, "Connecting to MS SQL server...");
  ole_ptr<IDBInitialize> ds;
  test_connection(connect_string(host, user, password), ds);
  host_ = host;
  user_ = user;
  password_ = password;
  windows_auth_ = false;
  connected_ = true;
  version_ = get_version(ds.get());
}

void mss_engine::set_as_dbo(bool flag) {
  tk_trace(2, "mss_engine::set_as_dbo(%d)", flag ? 1 : 0);
  as_dbo_ = flag;
}

int32_t mss_engine::version_from_text(const std::u16string& v) {
  static const std::u16string prefix = u"Microsoft SQL Server";
  if (v.size() <= prefix.size() + 10 || v.compare(0, prefix.size(), prefix) != 0)
    return version_unknown;
  std::u16string rest = v.substr(prefix.size(), 10);
  while (!rest.empty() && rest.back() == u' ') rest.pop_back();
  size_t lead = 0;
  while (lead < rest.size() && rest[lead] == u' ') ++lead;
  rest.erase(0, lead);
  // "200" also begins the later versions: test those first.
  if (rest.starts_with(u"2008")) return version_2008;
  if (rest.starts_with(u"2005")) return version_2005;
  if (rest.starts_with(u"200")) return version_2000;
  if (rest.starts_with(u"7.")) return version_7;
  return version_unknown;
}

int32_t mss_engine::get_version(IDBInitialize* data_source) {
  tk_trace(2, "mss_engine::get_version(priv)");
  odb_command cmd(data_source);
  ole_ptr<IRowset> rowset;
  cmd.execute(u"SELECT @@VERSION", &rowset);
  odb_recordset rs(rowset.get());
  rs.reset();
  std::u16string text = odb_record::column(*rs.get_item(), 1).to_wstring();
  tk_trace_w(1, u"MS SQL version string: %s", text.c_str());
  return version_from_text(text);
}

ole_ptr<IOpenRowset> mss_engine::create_session(IDBInitialize* data_source) {
  ole_ptr<IDBCreateSession> cs;
  HRESULT hr = data_source->QueryInterface(IID_IDBCreateSession, cs.put_void());
  if (FAILED(hr)) fail(hr);
  ole_ptr<IOpenRowset> session;
  hr = cs->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.put()));
  if (FAILED(hr)) fail(hr);
  return session;
}

std::unique_ptr<mss_database> mss_engine::open_db(const std::u16string& name, int32_t mode) {
  tk_trace_w(2, u"mss_engine::open_db(%s)", name.c_str());
  tk_trace_w(3, u"Opening MS SQL database '%s'", name.c_str());
  if (!connected_) throw tk_mail_assertion("mss_engi", 195);
  const std::u16string cs = make_conn_string(name);
  tk_trace_w(1, u"Connection string=%s", hide_password(cs).c_str());
  ole_ptr<IDBInitialize> ds;
  test_connection(cs, ds);
  ole_ptr<IOpenRowset> session = create_session(ds.get());
  tk_trace(1, "Connection to the database was establish successfully");
  return std::make_unique<mss_database>(name, ds.get(), session.get(), mode);
}

std::vector<std::u16string>& mss_engine::get_contents(std::vector<std::u16string>& names) {
  tk_trace(2, "mss_engine::get_contents");
  if (!connected_) throw tk_mail_assertion("mss_engi", 224);
  ole_ptr<IDBInitialize> ds;
  test_connection(make_conn_string(std::u16string()), ds);
  ole_ptr<IOpenRowset> session = create_session(ds.get());
  { odb_dl_meta_data catalogs(session.get()); }
  tk_trace(2, "Try to get databases list via MS SQL native");
  odb_command cmd(session.get());
  ole_ptr<IRowset> rowset;
  cmd.execute(u"exec sp_databases", &rowset);
  odb_recordset rs(rowset.get());
  std::vector<std::u16string> result;
  for (rs.reset(); !rs.is_eof(); rs.next()) {
    std::u16string name = odb_record::column(*rs.get_item(), 1).to_wstring();
    tk_trace_w(1, u"Got database: %s", name.c_str());
    result.push_back(std::move(name));
  }
  names = std::move(result);
  return names;
}

bool mss_engine::is_db_exist(const std::u16string& name) {
  tk_trace_w(2, u"mss_engine::is_db_exist(%s)", name.c_str());
  if (!connected_) throw tk_mail_assertion("mss_engi", 157);
  try {
    ole_ptr<IDBInitialize> ds;
    test_connection(make_conn_string(name), ds);
  } catch (const odb_exception& e) {
    // Only a database the server does not have, or will not open for this
    // login, is missing; any other failure (a damaged database) says its
    // own cause.
    if (e.native_error() == kCannotOpenDatabase || e.native_error() == kNoSuchDatabase)
      return false;
    throw;
  }
  tk_trace(2, "mss_engine::is_db_exist -- end");
  return true;
}

std::u16string mss_engine::owner() const {
  if (user_.empty() || as_dbo_ || tsl::text::equal_nocase(user_, u"sa")) return u"dbo";
  return user_;
}

std::u16string mss_engine::get_safe_tname(const std::u16string& name) const {
  tk_trace_w(1, u"mss_engine::get_safe_tname(%s)", name.c_str());
  std::u16string table, table_owner;
  const bool split = mss_split_tab_name(name, table, table_owner);
  if (split && !table_owner.empty()) {
    tk_trace(1, "This is a full canonized table name");
    return name;
  }
  // A plain name goes between brackets with its own "]" doubled, so that
  // no name can end the identifier and run SQL of its own.
  if (!split) table = mss_bracket_escape(name);
  const std::u16string o = owner();
  std::u16string result =
      (o == u"dbo" ? std::u16string(u"[dbo].") : u"[" + mss_bracket_escape(user_) + u"].") + u"[" +
      table + u"]";
  tk_trace_w(1, u"result=%s", result.c_str());
  return result;
}
