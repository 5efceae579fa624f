// Environment, handles, attributes, errors, logon and transactions.
#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "embedded/oracle_client/eoci.h"
#include "embedded/oracle_client/handles.h"

using namespace tsl::eoci;
using tsl::eora::oracle_error;

namespace {

template <typename T>
T* make(env_handle* env) {
  T* h = new T;
  if constexpr (requires { h->env; }) h->env = env;
  register_handle(h);
  return h;
}

env_handle* env_of(const void* h) {
  handle* p = find_handle(h);
  if (p == nullptr) return nullptr;
  if (p->type == OCI_HTYPE_ENV) return static_cast<env_handle*>(p);
  if (p->type == OCI_HTYPE_ERROR) return static_cast<error_handle*>(p)->env;
  if (p->type == OCI_HTYPE_SERVER) return static_cast<server_handle*>(p)->env;
  if (p->type == OCI_HTYPE_SVCCTX) return static_cast<svc_handle*>(p)->env;
  if (p->type == OCI_HTYPE_STMT) return static_cast<stmt_handle*>(p)->env;
  if (p->type == OCI_HTYPE_SESSION) return static_cast<session_handle*>(p)->env;
  return nullptr;
}

void destroy(handle* h) {
  if (h == nullptr) return;
  if (h->type == OCI_HTYPE_STMT) {
    auto* s = static_cast<stmt_handle*>(h);
    for (auto& b : s->binds) unregister_handle(b.get());
    for (auto& [pos, d] : s->defines) unregister_handle(d.get());
    for (auto& p : s->params) unregister_handle(p.get());
  }
  if (h->type == OCI_HTYPE_SVCCTX) {
    auto* s = static_cast<svc_handle*>(h);
    if (s->own_server) unregister_handle(s->own_server.get());
    if (s->own_session) unregister_handle(s->own_session.get());
  }
  unregister_handle(h);
  delete h;
}

std::unique_ptr<tsl::eora::session> begin_session(const std::string& connect,
                                                  const std::string& user,
                                                  const std::string& password) {
  return tsl::eora::session::logon(connect, user, password);
}

void set_text_attr(env_handle* env, std::string& field, void* p, ub4 size) {
  field = text_in(env, p, size);
}

// NLS_LANG is LANGUAGE_TERRITORY.CHARSET, every part optional. The client
// refuses an environment whose character set it does not know, or whose
// language or territory is not a name.
bool valid_nls_lang(const std::string& v) {
  static const char* const charsets[] = {
      "AL32UTF8",      "UTF8",         "AL16UTF16",    "US7ASCII",     "WE8ISO8859P1",
      "WE8ISO8859P15", "WE8MSWIN1252", "EE8ISO8859P2", "EE8MSWIN1250", "CL8MSWIN1251",
      "CL8ISO8859P5",  "EL8ISO8859P7", "JA16SJIS",     "JA16EUC",      "ZHS16GBK",
      "ZHT16BIG5",     "KO16MSWIN949", "KO16KSC5601",  "TR8MSWIN1254", "AR8MSWIN1256"};
  size_t dot = v.find('.');
  std::string names = v.substr(0, dot);
  if (dot != std::string::npos) {
    std::string cs = v.substr(dot + 1);
    bool known = false;
    for (const char* c : charsets) known = known || strcasecmp(c, cs.c_str()) == 0;
    if (!known) return false;
  }
  size_t underscore = names.find('_');
  if (underscore != std::string::npos && names.find('_', underscore + 1) != std::string::npos)
    return false;
  for (char c : names)
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != ' ' && c != '_' && c != '-')
      return false;
  return true;
}

}  // namespace

TSL_EOCI_BEGIN

TSL_EOCI_API sword OCIEnvCreate(OCIEnv** envhpp, ub4 mode, void*, void* (*)(void*, size_t),
                                void* (*)(void*, void*, size_t), void (*)(void*, void*),
                                size_t xtramem_sz, void** usrmempp) {
  if (envhpp == nullptr) return OCI_INVALID_HANDLE;
  auto* env = new env_handle;
  env->utf16 = (mode & OCI_UTF16) != 0;
  env->errors.env = env;
  register_handle(env);
  if (xtramem_sz > 0 && usrmempp != nullptr) {
    env->user_memory.resize(xtramem_sz);
    *usrmempp = env->user_memory.data();
  }
  *envhpp = reinterpret_cast<OCIEnv*>(env);
  // As the real client does, the environment is handed out even when it
  // fails, so that the error can be read from it.
  const char* nls = std::getenv("NLS_LANG");
  if (nls != nullptr && !valid_nls_lang(nls)) return fail(&env->errors, 12705);
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,
                                  void** usrmempp) {
  env_handle* env = env_of(parenth);
  if (env == nullptr || hndlpp == nullptr) return OCI_INVALID_HANDLE;
  handle* h = nullptr;
  switch (type) {
    case OCI_HTYPE_ERROR:
      h = make<error_handle>(env);
      break;
    case OCI_HTYPE_SERVER:
      h = make<server_handle>(env);
      break;
    case OCI_HTYPE_SVCCTX:
      h = make<svc_handle>(env);
      break;
    case OCI_HTYPE_STMT:
      h = make<stmt_handle>(env);
      break;
    case OCI_HTYPE_SESSION:
      h = make<session_handle>(env);
      break;
    default:
      return OCI_INVALID_HANDLE;
  }
  if (xtramem_sz > 0 && usrmempp != nullptr) {
    h->user_memory.resize(xtramem_sz);
    *usrmempp = h->user_memory.data();
  }
  *hndlpp = h;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIHandleFree(void* hndlp, ub4 type) {
  handle* h = find_handle(hndlp, type);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  if (type == OCI_HTYPE_SVCCTX) {
    // Freed without logoff: what the session did not commit is rolled back.
    auto* svc = static_cast<svc_handle*>(h);
    if (svc->own_session) svc->own_session->live.reset();
  }
  destroy(h);
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIDescriptorAlloc(const void* parenth, void** descpp, ub4 type, size_t,
                                      void**) {
  env_handle* env = env_of(parenth);
  if (env == nullptr || descpp == nullptr) return OCI_INVALID_HANDLE;
  if (type == OCI_DTYPE_LOB) {
    *descpp = make<lob_handle>(env);
  } else if (type == OCI_DTYPE_ROWID) {
    auto* r = new rowid_handle;
    register_handle(r);
    *descpp = r;
  } else {
    return OCI_INVALID_HANDLE;
  }
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIDescriptorFree(void* descp, ub4 type) {
  handle* h = find_handle(descp, type);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  // Column descriptions belong to their statement and go with it.
  if (type == OCI_DTYPE_PARAM) return OCI_SUCCESS;
  destroy(h);
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink,
                                   sb4 dblink_len, ub4) {
  auto* srv = as<server_handle>(srvhp, OCI_HTYPE_SERVER);
  if (srv == nullptr || as<error_handle>(errhp, OCI_HTYPE_ERROR) == nullptr)
    return OCI_INVALID_HANDLE;
  srv->connect = text_in(srv->env, dblink, dblink_len > 0 ? static_cast<size_t>(dblink_len) : 0);
  // No database named: the real client reaches for the default one, which
  // only TWO_TASK names on a machine without a local server.
  if (srv->connect.empty()) {
    const char* two_task = std::getenv("TWO_TASK");
    if (two_task == nullptr || *two_task == '\0')
      return fail(as<error_handle>(errhp, OCI_HTYPE_ERROR), 12162);
    srv->connect = two_task;
  }
  srv->attached = true;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIServerDetach(OCIServer* srvhp, OCIError*, ub4) {
  auto* srv = as<server_handle>(srvhp, OCI_HTYPE_SERVER);
  if (srv == nullptr) return OCI_INVALID_HANDLE;
  srv->attached = false;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                              ub4 attrtype, OCIError*) {
  handle* h = find_handle(trgthndlp, trghndltyp);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<svc_handle*>(h);
      if (attrtype == OCI_ATTR_SERVER) {
        svc->server = as<server_handle>(attributep, OCI_HTYPE_SERVER);
        if (svc->server == nullptr) return OCI_INVALID_HANDLE;
      } else if (attrtype == OCI_ATTR_SESSION) {
        svc->user = as<session_handle>(attributep, OCI_HTYPE_SESSION);
        if (svc->user == nullptr) return OCI_INVALID_HANDLE;
      }
      return OCI_SUCCESS;
    }
    case OCI_HTYPE_SESSION: {
      auto* ses = static_cast<session_handle*>(h);
      if (attrtype == OCI_ATTR_USERNAME) set_text_attr(ses->env, ses->user, attributep, size);
      if (attrtype == OCI_ATTR_PASSWORD) set_text_attr(ses->env, ses->password, attributep, size);
      return OCI_SUCCESS;
    }
    case OCI_HTYPE_BIND:
      if (attrtype == OCI_ATTR_CHARSET_FORM && attributep != nullptr)
        static_cast<bind_handle*>(h)->charset_form = *static_cast<ub1*>(attributep);
      return OCI_SUCCESS;
    case OCI_HTYPE_DEFINE:
      if (attrtype == OCI_ATTR_CHARSET_FORM && attributep != nullptr)
        static_cast<define_handle*>(h)->charset_form = *static_cast<ub1*>(attributep);
      return OCI_SUCCESS;
    default:
      return OCI_SUCCESS;
  }
}

TSL_EOCI_API sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                              ub4 attrtype, OCIError* errhp) {
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  // Column descriptions answer to both handle types callers use for them.
  ub4 lookup = trghndltyp == OCI_HTYPE_DESCRIBE ? OCI_DTYPE_PARAM : trghndltyp;
  handle* h = find_handle(trgthndlp, lookup);
  if (h == nullptr || attributep == nullptr) return OCI_INVALID_HANDLE;
  auto put = [&](auto v) {
    std::memcpy(attributep, &v, sizeof v);
    if (sizep != nullptr) *sizep = sizeof v;
    return OCI_SUCCESS;
  };
  switch (lookup) {
    case OCI_HTYPE_STMT: {
      auto* s = static_cast<stmt_handle*>(h);
      switch (attrtype) {
        case OCI_ATTR_ROW_COUNT:
          return put(static_cast<ub4>(s->row_count));
        case OCI_ATTR_PARAM_COUNT:
          return put(static_cast<ub4>(s->columns.size()));
        case OCI_ATTR_STMT_TYPE:
          return put(static_cast<ub2>(s->stmt_type));
        case OCI_ATTR_ROWS_FETCHED:
          return put(static_cast<ub4>(s->rows_fetched));
        case OCI_ATTR_NUM_DML_ERRORS:
          return put(static_cast<ub4>(s->dml_errors));
        case OCI_ATTR_PARSE_ERROR_OFFSET:
          return put(static_cast<ub2>(0));
        case OCI_ATTR_PREFETCH_ROWS:
          return put(static_cast<ub4>(1));
        case OCI_ATTR_ROWID: {
          auto* r = as<rowid_handle>(attributep, OCI_DTYPE_ROWID);
          if (r == nullptr) return OCI_INVALID_HANDLE;
          if (s->rowid.empty()) return fail(err, 1410);
          r->text = s->rowid;
          return OCI_SUCCESS;
        }
        default:
          return fail(err, 24315);
      }
    }
    case OCI_DTYPE_PARAM: {
      auto* p = static_cast<param_handle*>(h);
      const auto& c = p->column;
      switch (attrtype) {
        case OCI_ATTR_DATA_SIZE:
          return put(static_cast<ub2>(c.type.data_length()));
        case OCI_ATTR_DATA_TYPE:
          return put(static_cast<ub2>(c.type.describe_code()));
        case OCI_ATTR_DISP_SIZE:
          return put(static_cast<ub2>(c.type.data_length()));
        case OCI_ATTR_NAME: {
          bool wide = p->wide;
          const void* text = wide ? static_cast<const void*>(p->name16.data())
                                  : static_cast<const void*>(p->name8.data());
          *static_cast<const void**>(attributep) = text;
          if (sizep != nullptr)
            *sizep = static_cast<ub4>(wide ? p->name16.size() * 2 : p->name8.size());
          return OCI_SUCCESS;
        }
        case OCI_ATTR_PRECISION: {
          bool numeric = c.type.code == tsl::eora::type_code::number ||
                         c.type.code == tsl::eora::type_code::float_;
          return put(static_cast<sb2>(numeric && c.type.precision >= 0 ? c.type.precision : 0));
        }
        case OCI_ATTR_SCALE: {
          if (c.type.code == tsl::eora::type_code::float_) return put(static_cast<sb1>(-127));
          if (c.type.code == tsl::eora::type_code::number)
            return put(static_cast<sb1>(c.type.precision < 0 && !c.type.has_scale()
                                            ? -127
                                            : (c.type.has_scale() ? c.type.scale : 0)));
          return put(static_cast<sb1>(0));
        }
        case OCI_ATTR_IS_NULL:
          return put(static_cast<ub1>(c.nullable ? 1 : 0));
        case OCI_ATTR_CHARSET_FORM:
          return put(static_cast<ub1>(
              c.type.is_national()                                              ? SQLCS_NCHAR
              : (c.type.is_text() || c.type.code == tsl::eora::type_code::clob) ? SQLCS_IMPLICIT
                                                                                : 0));
        case OCI_ATTR_CHARSET_ID:
          return put(static_cast<ub2>(c.type.is_national() ? 2000 : 873));
        case OCI_ATTR_CHAR_SIZE:
          return put(static_cast<ub2>(c.type.char_length()));
        case OCI_ATTR_CHAR_USED:
          return put(static_cast<ub1>(c.type.is_text() && c.type.char_semantics ? 1 : 0));
        default:
          return fail(err, 24315);
      }
    }
    case OCI_HTYPE_ERROR:
      if (attrtype == OCI_ATTR_DML_ROW_OFFSET)
        return put(static_cast<ub4>(static_cast<error_handle*>(h)->row_offset));
      return fail(err, 24315);
    case OCI_HTYPE_BIND:
      if (attrtype == OCI_ATTR_ROWS_RETURNED)
        return put(static_cast<ub4>(static_cast<bind_handle*>(h)->rows_returned));
      return fail(err, 24315);
    case OCI_HTYPE_SVCCTX: {
      auto* svc = static_cast<svc_handle*>(h);
      if (attrtype == OCI_ATTR_SERVER) return put(reinterpret_cast<OCIServer*>(svc->server));
      if (attrtype == OCI_ATTR_SESSION) return put(reinterpret_cast<OCISession*>(svc->user));
      if (attrtype == OCI_ATTR_ENV) return put(reinterpret_cast<OCIEnv*>(svc->env));
      return fail(err, 24315);
    }
    default:
      return fail(err, 24315);
  }
}

TSL_EOCI_API sword OCIErrorGet(void* hndlp, ub4 recordno, OraText*, sb4* errcodep, OraText* bufp,
                               ub4 bufsiz, ub4 type) {
  handle* h = find_handle(hndlp, type);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  error_handle* e =
      type == OCI_HTYPE_ENV ? &static_cast<env_handle*>(h)->errors : static_cast<error_handle*>(h);
  if (recordno != 1 || !e->has) return OCI_NO_DATA;
  if (errcodep != nullptr) *errcodep = e->code;
  if (bufp != nullptr && bufsiz > 0) text_out(e->env, e->message, bufp, bufsiz, true, nullptr);
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCILogon(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                            const OraText* username, ub4 uname_len, const OraText* password,
                            ub4 passwd_len, const OraText* dbname, ub4 dbname_len) {
  auto* env = as<env_handle>(envhp, OCI_HTYPE_ENV);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (env == nullptr || err == nullptr || svchp == nullptr) return OCI_INVALID_HANDLE;
  err->has = false;
  std::unique_ptr<tsl::eora::session> live;
  try {
    live = begin_session(text_in(env, dbname, dbname_len), text_in(env, username, uname_len),
                         text_in(env, password, passwd_len));
  } catch (const oracle_error& e) {
    return fail(err, e);
  } catch (const std::exception& e) {
    return fail(err, oracle_error(12154, std::string("ORA-12154: ") + e.what()));
  }
  // As the real call does, a new service context is made (whatever *svchp
  // held), and OCILogoff releases it.
  auto* svc = make<svc_handle>(env);
  svc->from_logon = true;
  svc->own_server = std::make_unique<server_handle>();
  svc->own_server->env = env;
  svc->own_server->attached = true;
  svc->own_session = std::make_unique<session_handle>();
  svc->own_session->env = env;
  svc->own_session->live = std::move(live);
  register_handle(svc->own_server.get());
  register_handle(svc->own_session.get());
  if (svc->server == nullptr) svc->server = svc->own_server.get();
  svc->user = svc->own_session.get();
  *svchp = reinterpret_cast<OCISvcCtx*>(svc);
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
  auto* svc = as<svc_handle>(svchp, OCI_HTYPE_SVCCTX);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  sword rc = OCI_SUCCESS;
  if (svc->live() != nullptr) {
    try {
      svc->live()->logoff();
    } catch (const oracle_error& e) {
      rc = fail(err, e);
    }
  }
  if (svc->own_session) {
    unregister_handle(svc->own_session.get());
    svc->own_session.reset();
  }
  svc->user = nullptr;
  if (svc->own_server) {
    if (svc->server == svc->own_server.get()) svc->server = nullptr;
    unregister_handle(svc->own_server.get());
    svc->own_server.reset();
  }
  if (svc->from_logon) destroy(svc);
  return rc;
}

TSL_EOCI_API sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4, ub4) {
  auto* svc = as<svc_handle>(svchp, OCI_HTYPE_SVCCTX);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  auto* ses = as<session_handle>(usrhp, OCI_HTYPE_SESSION);
  if (svc == nullptr || err == nullptr || ses == nullptr || svc->server == nullptr)
    return OCI_INVALID_HANDLE;
  try {
    ses->live = begin_session(svc->server->connect, ses->user, ses->password);
  } catch (const oracle_error& e) {
    return fail(err, e);
  }
  svc->user = ses;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4) {
  auto* svc = as<svc_handle>(svchp, OCI_HTYPE_SVCCTX);
  auto* ses =
      as<session_handle>(usrhp != nullptr ? static_cast<void*>(usrhp) : (svc ? svc->user : nullptr),
                         OCI_HTYPE_SESSION);
  if (ses == nullptr) return OCI_INVALID_HANDLE;
  try {
    if (ses->live) ses->live->logoff();
  } catch (const oracle_error& e) {
    return fail(as<error_handle>(errhp, OCI_HTYPE_ERROR), e);
  }
  ses->live.reset();
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  auto* svc = as<svc_handle>(svchp, OCI_HTYPE_SVCCTX);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  if (svc->live() == nullptr) return fail(err, 3114);
  try {
    svc->live()->commit();
  } catch (const oracle_error& e) {
    return fail(err, e);
  }
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
  auto* svc = as<svc_handle>(svchp, OCI_HTYPE_SVCCTX);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  if (svc->live() == nullptr) return fail(err, 3114);
  try {
    svc->live()->rollback();
  } catch (const oracle_error& e) {
    return fail(err, e);
  }
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                                    ub1 hndltype) {
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  handle* h = find_handle(hndlp, hndltype);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  svc_handle* svc = hndltype == OCI_HTYPE_SVCCTX ? static_cast<svc_handle*>(h) : nullptr;
  if (svc == nullptr || svc->live() == nullptr) return fail(err, 3114);
  std::string banner = svc->live()->database().version.banner().front();
  text_out(svc->env, banner, bufp, bufsz, true, nullptr);
  return OCI_SUCCESS;
}

TSL_EOCI_END
