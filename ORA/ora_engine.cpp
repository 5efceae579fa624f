#include "ORA/ora_engine.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "TK/tk_trace.h"
#include "embedded/oracle_client/embedded_client.h"
#include "platform/text/utf.h"

namespace {

const char missing_client_text[] =
    "The Oracle client and networking components were not found.\nThese components are supplied by "
    "the "
    "Oracle Corporation and\nare part of the Oracle Version 7.3.4 (or later) client\nsoftware "
    "installation. "
    "You will be unable to use this program\nuntil these components have been installed.";

const OraText* text(const std::u16string& s) {
  return reinterpret_cast<const OraText*>(s.data());
}
ub4 bytes(const std::u16string& s) {
  return static_cast<ub4>(s.size() * 2);
}

// Passwords never reach the trace log.
const char16_t hidden[] = u"*****";

}  // namespace

ora_engine::ora_engine() {
  tk_trace(2, "ora_engine::ctor");
}

ora_engine::~ora_engine() noexcept(false) {
  tk_trace(2, "ora_engine::dtor");
  if (!initialized_) return;
  // The error handle is freed last but the environment: a failing logoff
  // still needs it to say why.
  try {
    if (svc_ != nullptr) logoff();
  } catch (...) {
    free_handles();
    throw;
  }
  free_handles();
}

void ora_engine::free_handles() {
  OCIError* err = err_;
  err_ = nullptr;
  OCIEnv* env = env_;
  env_ = nullptr;
  initialized_ = false;
  sword freed_err = api_->OCIHandleFree(err, OCI_HTYPE_ERROR);
  sword freed_env = api_->OCIHandleFree(env, OCI_HTYPE_ENV);
  if (freed_err != OCI_SUCCESS || freed_env != OCI_SUCCESS)
    tk_trace(3, "Oracle handles not freed: %d, %d", freed_err, freed_env);
}

void ora_engine::initialize() {
  tk_trace(2, "ora_engine::initialize");
  // The embedded client is part of every program; TSL_ORACLE_CLIENT=embedded
  // selects it.
  tsl::eoci::install_embedded_client();
  try {
    client_ = tsl::oci::client_library::load();
  } catch (const tsl::oci::load_error& e) {
    tk_trace(3, "Oracle client not loaded: %s", e.what());
    throw tk_exception(std::string(missing_client_text) + "\n\n" + e.what(), 1);
  }
  tk_trace(2, "Oracle client: %s", client_->name().c_str());
  api_ = &client_->functions();
  OCIEnv* env = nullptr;
  sword status =
      api_->OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    // The client's own reason, when it left an environment to read it from
    // (an unknown NLS_LANG, missing message files).
    std::u16string why;
    sb4 code = 0;
    if (env != nullptr) {
      char16_t buf[256] = {};
      if (api_->OCIErrorGet(env, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                            OCI_HTYPE_ENV) == OCI_SUCCESS)
        why = buf;
      api_->OCIHandleFree(env, OCI_HTYPE_ENV);
    }
    if (why.empty())
      why = tsl::text::utf8_to_utf16("OCIEnvCreate failed with status " + std::to_string(status) +
                                     "; check NLS_LANG and the Oracle client installation");
    throw tk_exception(u"The Oracle client could not create its environment:\n" + why, 1);
  }
  env_ = env;
  void* extra = nullptr;
  status = api_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 52, &extra);
  if (status != OCI_SUCCESS || err_ == nullptr) {
    api_->OCIHandleFree(env_, OCI_HTYPE_ENV);
    env_ = nullptr;
    err_ = nullptr;
    throw tk_exception("The Oracle client could not allocate an error handle (status " +
                           std::to_string(status) + ")",
                       1);
  }
  // OCILogon attaches a server of its own for the database it is given;
  // nothing is attached before it, so the client never reaches for a
  // default database.
  initialized_ = true;
}

sword ora_engine::check_result(sword status) {
  switch (status) {
    case OCI_SUCCESS:
    case OCI_SUCCESS_WITH_INFO:
    case OCI_NO_DATA:
      return status;
    case OCI_ERROR: {
      char16_t buf[256] = {};
      sb4 code = 0;
      if (api_->OCIErrorGet(err_, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                            OCI_HTYPE_ERROR) != OCI_SUCCESS)
        throw tk_exception("The Oracle client reported an error without a description", 1);
      throw ora_exception(code, buf);
    }
    case OCI_INVALID_HANDLE:
      throw tk_exception("The Oracle client refused a handle (OCI_INVALID_HANDLE)", 2);
    default:
      throw tk_exception(
          "The Oracle client answered an unexpected status " + std::to_string(status), 2);
  }
}

sword ora_engine::check_alloc(sword status) {
  if (status == OCI_SUCCESS) return status;
  if (status == OCI_ERROR) {
    // Allocation errors are kept on the environment.
    char16_t buf[256] = {};
    sb4 code = 0;
    if (api_->OCIErrorGet(env_, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                          OCI_HTYPE_ENV) == OCI_SUCCESS)
      throw ora_exception(code, buf);
  }
  throw tk_exception(
      "The Oracle client could not allocate a handle (status " + std::to_string(status) + ")", 2);
}

void ora_engine::logoff() {
  OCISvcCtx* svc = svc_;
  svc_ = nullptr;
  // OCILogoff releases the service context that OCILogon made.
  check_result(api_->OCILogoff(svc, err_));
}

void ora_engine::logon(const std::u16string& database, const std::u16string& user,
                       const std::u16string& password) {
  tk_trace_w(2, u"ora_engine::open_db( %s, %s, %s )", database.c_str(), user.c_str(), hidden);
  tk_trace_w(3, u"Connecting to Oracle data source '%s'", database.c_str());
  if (!initialized_) initialize();
  if (svc_ != nullptr) logoff();
  // OCILogon makes the service context, with its own server and session.
  OCISvcCtx* svc = nullptr;
  check_result(api_->OCILogon(env_, err_, &svc, text(user), bytes(user), text(password),
                              bytes(password), text(database), bytes(database)));
  if (svc == nullptr)
    throw tk_exception("The Oracle client logged on without a service context", 2);
  svc_ = svc;
  tk_trace(3, "The connection has been established");
  database_ = database;
  user_ = user;
  password_ = password;
}

std::u16string ora_engine::make_descriptor(const std::u16string& host, const std::u16string& port) {
  // The service-name slot carries the host: the listener at host and port
  // is what the direct way names.
  return u"(DESCRIPTION=(CONNECT_DATA=(SERVICE_NAME=" + host + u"))(ADDRESS=(PROTOCOL=TCP)(HOST=" +
         host + u")(PORT=" + port + u")))";
}

void ora_engine::logon(const std::u16string& host, const std::u16string& user,
                       const std::u16string& password, const std::u16string& port) {
  tk_trace_w(2, u"ora_engine::open_db (%s,%s,%s,%s)", host.c_str(), user.c_str(), hidden,
             port.c_str());
  logon(make_descriptor(host, port), user, password);
}

int ora_engine::parse_version(const std::string& banner) {
  std::istringstream in(banner);
  std::string piece;
  while (in >> piece) {
    if (piece[0] < '0' || piece[0] > '9') continue;
    int major = 0, minor = 0, patch = 0;
    if (std::sscanf(piece.c_str(), "%d.%d.%d", &major, &minor, &patch) != 3) continue;
    tk_trace(2, "Got Oracle version: %d,%d,%d", major, minor, patch);
    return major * 65536 + minor * 256 + patch;
  }
  return 0;
}

int ora_engine::get_version() {
  if (svc_ == nullptr) throw tk_mail_assertion("ora_engine", 201);
  ora_stmt stmt;
  std::u16string sql = u"select * from v$version";
  std::vector<char16_t> buf(131072 / 2, u'\0');
  OCIDefine* def = nullptr;
  check_result(
      api_->OCIStmtPrepare(stmt, err_, text(sql), bytes(sql), OCI_NTV_SYNTAX, OCI_DEFAULT));
  check_result(api_->OCIDefineByPos(stmt, &def, err_, 1, buf.data(), 131072, SQLT_STR, nullptr,
                                    nullptr, nullptr, OCI_DEFAULT));
  if (check_result(api_->OCIStmtExecute(svc_, stmt, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT)) ==
      OCI_NO_DATA)
    throw tk_mail_assertion("ora_engine", 212);
  std::string banner = tsl::text::utf16_to_utf8(buf.data());
  tk_trace(2, "Got versioned string:\n%s", banner.c_str());
  return parse_version(banner);
}

int ora_engine::get_records_cnt(const std::u16string& name_or_query, bool is_query) {
  tk_trace_w(2, u"ora_engine::get_records_cnt(%s)", name_or_query.c_str());
  if (svc_ == nullptr) throw tk_mail_assertion("ora_engine", 222);
  std::u16string sql = is_query ? u"SELECT COUNT(*) FROM (" + name_or_query + u")"
                                : u"SELECT COUNT(*) FROM \"" + name_or_query + u"\"";
  ora_stmt stmt;
  int32_t count = 0;
  OCIDefine* def = nullptr;
  check_result(
      api_->OCIStmtPrepare(stmt, err_, text(sql), bytes(sql), OCI_NTV_SYNTAX, OCI_DEFAULT));
  check_result(api_->OCIDefineByPos(stmt, &def, err_, 1, &count, 4, SQLT_INT, nullptr, nullptr,
                                    nullptr, OCI_DEFAULT));
  if (check_result(api_->OCIStmtExecute(svc_, stmt, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT)) ==
      OCI_NO_DATA)
    throw tk_mail_assertion("ora_engine", 233);
  return count;
}
