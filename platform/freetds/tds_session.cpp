#include "platform/freetds/tds_session.h"

#include <sybdb.h>

#include <cstring>

#include "platform/freetds/client_config.h"
#include "platform/freetds/diagnostics.h"
#include "platform/freetds/instance_lookup.h"
#include "platform/freetds/wire_values.h"
#include "platform/oledb/connector.h"

namespace tsl::freetds {
namespace {

// The library's type of a uniqueidentifier value; sybdb.h has no name for it.
constexpr int kUniqueIdentifier = 36;
constexpr int kVariant = 98;

DBPROCESS* as_proc(void* p) {
  return static_cast<DBPROCESS*>(p);
}

struct login_holder {
  LOGINREC* l = dblogin();
  ~login_holder() {
    if (l) dbloginfree(l);
  }
};

oledb::server_error login_failure(const tds_settings& s, const server_address& reached,
                                  const diagnostics& d) {
  auto records = server_records(d);
  if (!records.empty()) {
    // A refused login alone is an authentication failure; a database that
    // cannot be opened comes first and makes it a plain failure.
    uint32_t hr = records.front().number == 18456 ? oledb::results::kAuthFailed
                                                  : oledb::results::kFail;
    return oledb::server_error(hr, std::move(records));
  }
  std::string why;
  if (timed_out(d)) {
    why = "The login to " + s.address.display() + " timed out after " +
          std::to_string(s.login_timeout) + " seconds.";
  } else if (!s.address.instance.empty()) {
    why = "The instance \"" + s.address.instance + "\" of " + s.address.host +
          " did not answer on port " + std::to_string(reached.port) + ".";
  } else {
    why = "No SQL Server answered at " + s.address.display() + ".";
  }
  for (const auto& f : d.failures)
    if (!f.os_text.empty()) {
      why += " (" + f.os_text + ")";
      break;
    }
  if (s.encrypt == tds_settings::encryption::require)
    why += " Encrypt=yes requires TLS: the server may not offer it.";
  if (s.integrated)
    why +=
        " Integrated security logs in with Kerberos: get a ticket with kinit, or give a SQL "
        "Server login (user and password) instead.";
  return oledb::unreachable(why);
}

}  // namespace

std::unique_ptr<tds_session> tds_session::open(const tds_settings& s) {
  init_client_library();
  diagnostics& d = thread_diagnostics();
  d.clear();
  login_holder login;
  if (!login.l) throw oledb::unreachable("The client library could not start a login.");
  auto set = [](RETCODE rc, const char* what) {
    if (rc == FAIL) throw oledb::unreachable(std::string("The client library refused ") + what + ".");
  };
  set(DBSETLAPP(login.l, "Tessaly"), "the application name");
  set(DBSETLCHARSET(login.l, "UTF-8"), "the character set UTF-8");
  set(DBSETLVERSION(login.l, DBVERSION_74), "TDS version 7.4");
  if (s.integrated) {
    if (DBSETLNETWORKAUTH(login.l, TRUE) == FAIL)
      throw oledb::unreachable(
          "This FreeTDS cannot log in with integrated security (Kerberos): give a SQL Server "
          "login (user and password) instead.");
  } else {
    set(DBSETLUSER(login.l, s.user.c_str()), "the user name");
    set(DBSETLPWD(login.l, s.password.c_str()), "the password");
  }
  if (!s.database.empty()) set(DBSETLDBNAME(login.l, s.database.c_str()), "the database name");
  dbsetlogintime(s.login_timeout);
  dbsettime(s.query_timeout);
  // The library would ask the browser for up to 16 seconds whatever the
  // login time-out; the port is looked up here instead, within it.
  server_address address = s.address;
  if (!address.instance.empty()) {
    address.port = lookup_instance_port(address.host, address.instance, s.login_timeout);
    address.instance.clear();
  }
  DBPROCESS* p;
  if (s.encrypt == tds_settings::encryption::request && !s.verify_certificate) {
    p = dbopen(login.l, address.client_name().c_str());
  } else {
    // db-lib has no call for these: they go through a configuration file.
    const char* level = s.encrypt == tds_settings::encryption::require ? "require"
                        : s.encrypt == tds_settings::encryption::off   ? "off"
                                                                       : "request";
    scoped_client_config config(level, s.verify_certificate);
    p = dbopen(login.l, address.client_name().c_str());
  }
  if (!p) throw login_failure(s, address, d);
  std::unique_ptr<tds_session> session(new tds_session(p));
  // Without this the server cuts long values at 4096 bytes.
  session->run("SET TEXTSIZE 2147483647");
  return session;
}

tds_session::~tds_session() {
  dbclose(as_proc(proc_));
}

bool tds_session::reusable() const {
  return !pending_ && !dbdead(as_proc(proc_));
}

void tds_session::cancel() {
  if (!pending_) return;
  pending_ = false;
  if (!dbdead(as_proc(proc_))) dbcancel(as_proc(proc_));
}

bool tds_session::run(const std::string& sql, int64_t* rows_affected) {
  DBPROCESS* p = as_proc(proc_);
  cancel();
  diagnostics& d = thread_diagnostics();
  d.clear();
  columns_.clear();
  readers_.clear();
  if (rows_affected) *rows_affected = -1;
  if (dbdead(p)) throw link_failure(d);
  if (dbcmd(p, sql.c_str()) == FAIL) throw request_failure(d, oledb::results::kFail);
  if (dbsqlexec(p) == FAIL) {
    pending_ = true;
    auto e = request_failure(d, connection_lost(d) ? oledb::results::kFail
                                                   : oledb::results::kErrorsInCommand);
    cancel();
    throw e;
  }
  pending_ = true;
  bool failed = false;
  for (;;) {
    RETCODE rc = dbresults(p);
    if (rc == NO_MORE_RESULTS) break;
    if (rc == FAIL) {
      if (dbdead(p) || connection_lost(d)) {
        pending_ = false;
        throw link_failure(d);
      }
      failed = true;
      continue;
    }
    if (!failed && dbnumcols(p) > 0) {
      describe();
      return true;
    }
    if (rows_affected && DBCOUNT(p) >= 0) *rows_affected = DBCOUNT(p);
  }
  pending_ = false;
  if (failed || !d.messages.empty()) throw request_failure(d, oledb::results::kErrorsInCommand);
  return false;
}

void tds_session::describe() {
  DBPROCESS* p = as_proc(proc_);
  const int n = dbnumcols(p);
  for (int c = 1; c <= n; ++c) {
    DBCOL info;
    std::memset(&info, 0, sizeof info);
    info.SizeOfStruct = sizeof info;
    dbcolinfo(p, CI_REGULAR, c, 0, &info);
    DBTYPEINFO* ti = dbcoltypeinfo(p, c);
    int precision = ti ? ti->precision : info.Precision;
    int scale = ti ? ti->scale : info.Scale;
    oledb::result_column col;
    const char* name = dbcolname(p, c);
    col.name = name ? name : "";
    col.type = column_type_of(dbcoltype(p, c), dbcollen(p, c), dbvarylen(p, c) != 0,
                              info.UserType, precision, scale);
    col.nullable = info.Null != 0;
    readers_.push_back(reader{dbcoltype(p, c), col.type});
    columns_.push_back(std::move(col));
  }
}

bool tds_session::next(std::vector<oledb::field_value>& row) {
  if (!pending_) return false;
  DBPROCESS* p = as_proc(proc_);
  diagnostics& d = thread_diagnostics();
  d.clear();
  for (;;) {
    STATUS st = dbnextrow(p);
    if (st == REG_ROW) break;
    if (st == NO_MORE_ROWS) {
      drain();
      return false;
    }
    if (st == FAIL) {
      pending_ = false;
      if (dbdead(p) || connection_lost(d) || timed_out(d) || d.messages.empty())
        throw link_failure(d);
      throw request_failure(d, oledb::results::kErrorsInCommand);
    }
    // A compute row: not part of the result.
  }
  row.resize(readers_.size());
  for (size_t i = 0; i < readers_.size(); ++i) read(i, row[i]);
  return true;
}

void tds_session::drain() {
  DBPROCESS* p = as_proc(proc_);
  diagnostics& d = thread_diagnostics();
  bool failed = false;
  for (;;) {
    RETCODE rc = dbresults(p);
    if (rc == NO_MORE_RESULTS) break;
    if (rc == FAIL) {
      if (dbdead(p) || connection_lost(d)) {
        pending_ = false;
        throw link_failure(d);
      }
      failed = true;
      continue;
    }
    while (dbnextrow(p) != NO_MORE_ROWS) {
      if (dbdead(p)) {
        pending_ = false;
        throw link_failure(d);
      }
    }
  }
  pending_ = false;
  if (failed || !d.messages.empty()) throw request_failure(d, oledb::results::kErrorsInCommand);
}

void tds_session::read(size_t column, oledb::field_value& out) {
  using kind = oledb::field_value::kind;
  DBPROCESS* p = as_proc(proc_);
  const int c = static_cast<int>(column) + 1;
  const BYTE* data = dbdata(p, c);
  out.s.clear();
  if (!data) {
    out.k = kind::null;
    return;
  }
  const DBINT len = dbdatlen(p, c);
  const reader& r = readers_[column];
  auto integer = [&](int64_t v) {
    out.k = kind::integer;
    out.i = v;
  };
  switch (r.client_type) {
    case SYBINT1:
    case SYBBIT:
    case SYBBITN:
      integer(*data);
      return;
    case SYBINT2: {
      int16_t v;
      std::memcpy(&v, data, sizeof v);
      integer(v);
      return;
    }
    case SYBINT4: {
      int32_t v;
      std::memcpy(&v, data, sizeof v);
      integer(v);
      return;
    }
    case SYBINT8: {
      int64_t v;
      std::memcpy(&v, data, sizeof v);
      integer(v);
      return;
    }
    case SYBREAL: {
      float v;
      std::memcpy(&v, data, sizeof v);
      out.k = kind::real;
      out.r = v;
      return;
    }
    case SYBFLT8: {
      double v;
      std::memcpy(&v, data, sizeof v);
      out.k = kind::real;
      out.r = v;
      return;
    }
    case SYBMONEY: {
      DBMONEY m;
      std::memcpy(&m, data, sizeof m);
      integer(static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(m.mnyhigh)) << 32) |
                                   m.mnylow));
      return;
    }
    case SYBMONEY4: {
      DBMONEY4 m;
      std::memcpy(&m, data, sizeof m);
      integer(m.mny4);
      return;
    }
    case SYBDATETIME: {
      DBDATETIME t;
      std::memcpy(&t, data, sizeof t);
      out.k = kind::text;
      out.s = datetime_text(t.dtdays, t.dttime);
      return;
    }
    case SYBDATETIME4: {
      DBDATETIME4 t;
      std::memcpy(&t, data, sizeof t);
      out.k = kind::text;
      out.s = smalldatetime_text(t.days, t.minutes);
      return;
    }
    case SYBMSDATE:
    case SYBMSTIME:
    case SYBMSDATETIME2:
    case SYBMSDATETIMEOFFSET: {
      DBDATETIMEALL t;
      std::memcpy(&t, data, sizeof t);
      out.k = kind::text;
      out.s = date_time_text(r.type.kind, t.has_date ? t.date : 0, t.has_time ? t.time : 0,
                             t.has_offset ? t.offset : 0, r.type.scale);
      return;
    }
    case kUniqueIdentifier:
      if (len == 16) {
        out.k = kind::text;
        out.s = guid_text(data);
        return;
      }
      break;
    case SYBBINARY:
    case SYBVARBINARY:
    case SYBIMAGE:
      out.k = kind::blob;
      out.s.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(len));
      return;
    case SYBCHAR:
    case SYBVARCHAR:
    case SYBTEXT:
    case SYBNTEXT:
    case SYBNVARCHAR:
      out.k = kind::text;
      out.s.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(len));
      return;
    default:
      break;
  }
  if (r.client_type == kVariant) {
    // The library hands over the inner value's bytes and converts none.
    out.k = kind::text;
    out.s.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(len));
    return;
  }
  // Decimals and anything else: the library's text, decimals brought to
  // their stored form with exactly scale digits.
  scratch_.resize(static_cast<size_t>(len) * 4 + 96);
  DBINT n = dbconvert(p, r.client_type, data, len, SYBCHAR, reinterpret_cast<BYTE*>(scratch_.data()),
                      static_cast<DBINT>(scratch_.size()));
  std::string text = n > 0 ? scratch_.substr(0, static_cast<size_t>(n)) : std::string();
  if (r.type.kind == oledb::column_kind::decimal || r.type.kind == oledb::column_kind::numeric) {
    if (auto d = oledb::parse_decimal_text(text)) {
      while (d->scale < r.type.scale) {
        d->unscaled *= 10;
        ++d->scale;
      }
      out.k = kind::text;
      out.s = oledb::format_decimal_text(*d);
      return;
    }
  }
  out.k = kind::text;
  out.s = std::move(text);
}

}  // namespace tsl::freetds
