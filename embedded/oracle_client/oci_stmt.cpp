// Statements: prepare, execute, describe, defines, binds and fetch.
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "embedded/oracle/date_format.h"
#include "embedded/oracle_client/eoci.h"
#include "embedded/oracle_client/handles.h"
#include "platform/text/utf.h"

using namespace tsl::eoci;
using tsl::eora::oracle_error;
using tsl::eora::value;
using tsl::eora::vkind;

namespace {

ub2 statement_type(tsl::eora::stmt_kind k) {
  using tsl::eora::stmt_kind;
  switch (k) {
    case stmt_kind::select:
      return OCI_STMT_SELECT;
    case stmt_kind::insert:
      return OCI_STMT_INSERT;
    case stmt_kind::update:
      return OCI_STMT_UPDATE;
    case stmt_kind::delete_:
      return OCI_STMT_DELETE;
    case stmt_kind::commit:
      return OCI_STMT_COMMIT;
    case stmt_kind::rollback:
      return OCI_STMT_ROLLBACK;
    case stmt_kind::drop:
      return OCI_STMT_DROP;
    case stmt_kind::alter_add:
    case stmt_kind::alter_modify:
      return OCI_STMT_ALTER;
    default:
      return OCI_STMT_CREATE;
  }
}

void set_columns(stmt_handle* s, std::vector<tsl::eora::result_column> cols) {
  for (auto& p : s->params) unregister_handle(p.get());
  s->params.clear();
  s->columns = std::move(cols);
  for (const auto& c : s->columns) {
    auto p = std::make_unique<param_handle>();
    p->column = c;
    p->wide = s->env->utf16;
    if (p->wide)
      p->name16 = tsl::text::utf8_to_utf16(c.name);
    else
      p->name8 = c.name;
    register_handle(p.get());
    s->params.push_back(std::move(p));
  }
}

// The 7-byte DATE: century and year of century plus 100, month, day, and
// hour, minute and second plus one.
void put_date(const tsl::eora::date_time& d, ub1* out) {
  out[0] = static_cast<ub1>(d.year / 100 + 100);
  out[1] = static_cast<ub1>(d.year % 100 + 100);
  out[2] = static_cast<ub1>(d.month);
  out[3] = static_cast<ub1>(d.day);
  out[4] = static_cast<ub1>(d.hour + 1);
  out[5] = static_cast<ub1>(d.minute + 1);
  out[6] = static_cast<ub1>(d.second + 1);
}

// Places one value into a define's buffer for row `k` of an array fetch.
// Returns 0, or the Oracle error of this column (1405 NULL without an
// indicator, 1406 truncated, 1455 integer overflow).
int place(stmt_handle* s, define_handle* d, const value& v, size_t k, tsl::eora::session* live) {
  char* buf =
      static_cast<char*>(d->valuep) + (d->value_sz > 0 ? static_cast<size_t>(d->value_sz) * k : 0);
  sb2* ind = d->indp != nullptr ? static_cast<sb2*>(d->indp) + k : nullptr;
  ub2* rlen = d->rlenp != nullptr ? d->rlenp + k : nullptr;
  ub2* rcode = d->rcodep != nullptr ? d->rcodep + k : nullptr;
  auto done = [&](int code, size_t length) {
    if (rlen != nullptr) *rlen = static_cast<ub2>(std::min<size_t>(length, 0xFFFF));
    if (rcode != nullptr) *rcode = static_cast<ub2>(code);
    return code;
  };
  if (v.is_null()) {
    if (ind == nullptr) return done(1405, 0);
    *ind = OCI_IND_NULL;
    return done(0, 0);
  }
  if (ind != nullptr) *ind = OCI_IND_NOTNULL;
  size_t cap = d->value_sz > 0 ? static_cast<size_t>(d->value_sz) : 0;
  switch (d->dty) {
    case SQLT_STR:
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_AVC:
    case SQLT_LNG:
    case SQLT_VCS: {
      std::string text;
      if (v.kind == vkind::lob) {
        if (v.lob.binary)
          text = tsl::eora::hex_encode(live->lob_read(v.lob, 1, cap));
        else
          text = live->lob_read(v.lob, 1, cap);
      } else {
        text = tsl::eora::to_text(v);
      }
      bool cut = false;
      bool terminate = d->dty == SQLT_STR || d->dty == SQLT_AVC;
      size_t n = text_out(s->env, text, buf, cap, terminate, &cut);
      if (cut) {
        if (ind != nullptr) *ind = static_cast<sb2>(std::min<size_t>(text.size(), 0x7FFF));
        return done(1406, n);
      }
      return done(0, n);
    }
    case SQLT_INT:
    case SQLT_UIN: {
      tsl::eora::decimal num = tsl::eora::to_number(v).round(0);
      if (num.integer_digits() > 19) return done(1455, cap);
      int64_t x = num.to_int64();
      bool fits = cap == 8 || (cap == 4 && x >= INT32_MIN && x <= INT32_MAX) ||
                  (cap == 2 && x >= INT16_MIN && x <= INT16_MAX) ||
                  (cap == 1 && x >= INT8_MIN && x <= INT8_MAX);
      if (d->dty == SQLT_UIN && x < 0) fits = false;
      if (!fits) return done(1455, cap);
      if (cap == 8) std::memcpy(buf, &x, 8);
      if (cap == 4) {
        int32_t y = static_cast<int32_t>(x);
        std::memcpy(buf, &y, 4);
      }
      if (cap == 2) {
        int16_t y = static_cast<int16_t>(x);
        std::memcpy(buf, &y, 2);
      }
      if (cap == 1) buf[0] = static_cast<char>(x);
      return done(0, cap);
    }
    case SQLT_FLT: {
      double x = tsl::eora::to_number(v).to_double();
      if (cap == 4) {
        float f = static_cast<float>(x);
        std::memcpy(buf, &f, 4);
      } else {
        std::memcpy(buf, &x, sizeof x);
      }
      return done(0, cap);
    }
    case SQLT_DAT: {
      if (cap < 7) return done(1406, 0);
      put_date(tsl::eora::to_date_value(v), reinterpret_cast<ub1*>(buf));
      return done(0, 7);
    }
    case SQLT_BIN:
    case SQLT_LBI: {
      std::string bytes;
      if (v.kind == vkind::lob)
        bytes = live->lob_read(v.lob, 1, cap);
      else if (v.kind == vkind::raw)
        bytes = v.str;
      else
        bytes = tsl::eora::to_text(v);
      size_t n = std::min(cap, bytes.size());
      std::memcpy(buf, bytes.data(), n);
      if (n < bytes.size()) {
        if (ind != nullptr) *ind = static_cast<sb2>(std::min<size_t>(bytes.size(), 0x7FFF));
        return done(1406, n);
      }
      return done(0, n);
    }
    case SQLT_CLOB:
    case SQLT_BLOB: {
      if (v.kind != vkind::lob) return done(932, 0);
      auto* lob = as<lob_handle>(
          *reinterpret_cast<void**>(static_cast<char*>(d->valuep) + sizeof(void*) * k),
          OCI_DTYPE_LOB);
      if (lob == nullptr) return done(22275, 0);
      lob->ref = v.lob;
      lob->owner = live;
      lob->valid = true;
      lob->read_at = 0;
      return done(0, sizeof(void*));
    }
    default:
      return done(932, 0);
  }
}

std::vector<std::optional<value>> input_binds(stmt_handle* s, ub4 iter);

// Moves up to `nrows` rows into the defines. Returns the status.
sword fetch_rows(stmt_handle* s, error_handle* err, ub4 nrows, tsl::eora::session* live) {
  s->rows_fetched = 0;
  if (!s->executed || !s->is_query) return fail(err, 24338);
  if (s->pending) {
    s->pending = false;
    try {
      // Other statements may have run since the execute: its binds again.
      live->set_binds(input_binds(s, 0));
      s->rows = live->query(static_cast<tsl::eora::select_stmt&>(*s->parsed));
    } catch (const oracle_error& e) {
      return fail(err, e);
    }
  }
  if (nrows == 0) {
    s->next_row = s->rows.rows.size();
    return OCI_SUCCESS;
  }
  int first_error = 0;
  size_t k = 0;
  for (; k < nrows && s->next_row < s->rows.rows.size(); ++k, ++s->next_row) {
    const auto& r = s->rows.rows[s->next_row];
    for (auto& [pos, d] : s->defines) {
      if (pos < 1 || pos > r.size()) continue;
      int code = 0;
      try {
        code = place(s, d.get(), r[pos - 1], k, live);
      } catch (const oracle_error& e) {
        return fail(err, e);
      }
      if (code != 0 && first_error == 0) first_error = code;
    }
    ++s->rows_fetched;
    ++s->row_count;
  }
  // The end of the data outranks a truncation in the last batch.
  if (first_error == 1406 && k == nrows) {
    fail(err, 24345);
    return OCI_SUCCESS_WITH_INFO;
  }
  if (first_error != 0 && first_error != 1406) return fail(err, first_error);
  return k < nrows ? OCI_NO_DATA : OCI_SUCCESS;
}

// Whether a bind names a RETURNING target of the statement.
bool is_target(stmt_handle* s, bind_handle* b) {
  if (s->parsed->kind != tsl::eora::stmt_kind::insert) return false;
  const auto& names = s->parsed->placeholders;
  size_t targets = static_cast<tsl::eora::insert_stmt&>(*s->parsed).into.size();
  for (size_t k = names.size() - targets; k < names.size(); ++k)
    if (b->position != 0 ? b->position == k + 1 : b->name == names[k]) return true;
  return false;
}

sword dynamic_binds(stmt_handle* s, error_handle* err, const tsl::eora::exec_result& r, ub4 iter) {
  for (auto& b : s->binds) {
    if ((b->mode & OCI_DATA_AT_EXEC) == 0 || !is_target(s, b.get())) continue;
    // The bind's place among the RETURNING targets.
    size_t first = s->parsed->placeholders.size() - r.into.size();
    int slot = -1;
    for (size_t i = 0; i < r.into.size(); ++i)
      if (b->position != 0 ? b->position == first + i + 1 : b->name == r.into[i])
        slot = static_cast<int>(i);
    b->rows_returned = slot >= 0 ? 1 : 0;
    if (slot < 0) continue;
    void* bufp = nullptr;
    ub4* alenp = nullptr;
    ub1 piece = OCI_ONE_PIECE;
    void* indp = nullptr;
    ub2* rcodep = nullptr;
    if (b->out_cb(b->out_ctx, reinterpret_cast<OCIBind*>(b.get()), iter, 0, &bufp, &alenp, &piece,
                  &indp, &rcodep) != OCI_CONTINUE)
      return fail(err, 24343);
    const value& v = r.returning[static_cast<size_t>(slot)];
    if (v.is_null()) {
      if (indp != nullptr) *static_cast<sb2*>(indp) = OCI_IND_NULL;
      if (alenp != nullptr) *alenp = 0;
      continue;
    }
    if (indp != nullptr) *static_cast<sb2*>(indp) = OCI_IND_NOTNULL;
    size_t cap = alenp != nullptr ? *alenp : static_cast<size_t>(std::max<sb4>(b->value_sz, 0));
    std::string text = tsl::eora::to_text(v);
    bool terminate = b->dty == SQLT_STR;
    size_t n = text_out(s->env, text, bufp, cap, terminate, nullptr);
    if (alenp != nullptr) *alenp = static_cast<ub4>(n + (terminate ? (s->env->utf16 ? 2 : 1) : 0));
    if (rcodep != nullptr) *rcodep = 0;
  }
  return OCI_SUCCESS;
}

std::string placeholder(env_handle* env, const OraText* p, sb4 len) {
  std::string n = text_in(env, p, len > 0 ? static_cast<size_t>(len) : 0);
  if (!n.empty() && n[0] == ':') n.erase(0, 1);
  if (n.size() >= 2 && n.front() == '"' && n.back() == '"') return n.substr(1, n.size() - 2);
  for (char& c : n) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return n;
}

// The bind handle to fill: the one passed in (which must be a live one of
// this statement, as the real client rebinds it), else a new one. Null for a
// stale or foreign handle.
bind_handle* bind_for(stmt_handle* s, OCIBind** bindpp) {
  if (bindpp != nullptr && *bindpp != nullptr) {
    auto* b = as<bind_handle>(*bindpp, OCI_HTYPE_BIND);
    return b != nullptr && b->stmt == s ? b : nullptr;
  }
  auto fresh = std::make_unique<bind_handle>();
  fresh->stmt = s;
  bind_handle* b = fresh.get();
  register_handle(b);
  s->binds.push_back(std::move(fresh));
  if (bindpp != nullptr) *bindpp = reinterpret_cast<OCIBind*>(b);
  return b;
}

// The value an input bind holds for iteration `iter`: from its callback when
// supplied at execution, else from its arrays (element `iter`, `value_sz`
// bytes apart). Raises ORA-00932 for a type it cannot take.
value input_value(stmt_handle* s, bind_handle* b, ub4 iter) {
  const char* data = nullptr;
  size_t size = 0;
  const sb2* ind = nullptr;
  bool sized = false;
  if (b->mode & OCI_DATA_AT_EXEC) {
    void* bufp = nullptr;
    ub4 alen = 0;
    ub1 piece = OCI_ONE_PIECE;
    void* indp = nullptr;
    if (b->in_cb == nullptr) throw tsl::eora::make_error(24369);
    if (b->in_cb(b->in_ctx, reinterpret_cast<OCIBind*>(b), iter, 0, &bufp, &alen, &piece, &indp) !=
        OCI_CONTINUE)
      throw tsl::eora::make_error(24343);
    data = static_cast<const char*>(bufp);
    size = alen;
    sized = true;
    ind = static_cast<const sb2*>(indp);
  } else {
    size_t stride = b->value_sz > 0 ? static_cast<size_t>(b->value_sz) : 0;
    data = b->valuep != nullptr ? static_cast<const char*>(b->valuep) + stride * iter : nullptr;
    size = stride;
    if (b->alenp != nullptr) {
      size = b->alenp[iter];
      sized = true;
    }
    if (b->indp != nullptr) ind = static_cast<const sb2*>(b->indp) + iter;
  }
  if ((ind != nullptr && *ind == OCI_IND_NULL) || data == nullptr) return value::null();
  switch (b->dty) {
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_LNG:
      return value::text(text_in(s->env, data, size));
    case SQLT_STR: {
      // Up to the terminator, within the buffer.
      size_t n = 0;
      if (s->env->utf16) {
        const char16_t* w = reinterpret_cast<const char16_t*>(data);
        while (n + 1 < size && w[n / 2] != u'\0') n += 2;
      } else {
        while (n < size && data[n] != '\0') ++n;
      }
      return value::text(text_in(s->env, data, n));
    }
    case SQLT_INT:
    case SQLT_UIN: {
      int64_t x = 0;
      bool is_signed = b->dty == SQLT_INT;
      if (size == 8) {
        std::memcpy(&x, data, 8);
      } else if (size == 4) {
        int32_t y;
        std::memcpy(&y, data, 4);
        x = is_signed ? y : static_cast<int64_t>(static_cast<uint32_t>(y));
      } else if (size == 2) {
        int16_t y;
        std::memcpy(&y, data, 2);
        x = is_signed ? y : static_cast<int64_t>(static_cast<uint16_t>(y));
      } else if (size == 1) {
        x = is_signed ? static_cast<signed char>(data[0]) : static_cast<unsigned char>(data[0]);
      } else {
        throw tsl::eora::make_error(932, {"NUMBER", "BINARY"});
      }
      return value::number(tsl::eora::decimal::from_int(x));
    }
    case SQLT_FLT: {
      double x = 0;
      if (size == 4) {
        float f;
        std::memcpy(&f, data, 4);
        x = f;
      } else if (size == 8) {
        std::memcpy(&x, data, 8);
      } else {
        throw tsl::eora::make_error(932, {"NUMBER", "BINARY"});
      }
      char text[40];
      std::snprintf(text, sizeof text, "%.17g", x);
      auto d = tsl::eora::decimal::parse(text);
      if (!d) throw tsl::eora::make_error(1426);
      return value::number(*d);
    }
    case SQLT_BIN:
    case SQLT_LBI:
      return value::raw(std::string(data, sized ? size : size));
    default:
      throw tsl::eora::make_error(932, {"CHAR", "BINARY"});
  }
}

// The values of a statement's placeholders for iteration `iter`. A
// RETURNING target is no input; an input placeholder without a bind stays
// unbound (ORA-01008 when it is read).
std::vector<std::optional<value>> input_binds(stmt_handle* s, ub4 iter) {
  const auto& names = s->parsed->placeholders;
  std::vector<std::optional<value>> out(names.size());
  std::vector<std::string> targets;
  if (s->parsed->kind == tsl::eora::stmt_kind::insert)
    targets = static_cast<tsl::eora::insert_stmt&>(*s->parsed).into;
  size_t first_target = names.size() - targets.size();
  for (auto& b : s->binds) {
    for (size_t k = 0; k < first_target; ++k) {
      bool match = b->position != 0 ? b->position == k + 1 : b->name == names[k];
      if (match) out[k] = input_value(s, b.get(), iter);
    }
  }
  return out;
}

sword fetch_next(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation) {
  auto* s = as<stmt_handle>(stmtp, OCI_HTYPE_STMT);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  err->has = false;
  // A cursor that is not scrollable moves forward only.
  if (orientation != OCI_FETCH_NEXT && orientation != OCI_DEFAULT) return fail(err, 1002);
  return fetch_rows(s, err, nrows, s->live);
}

}  // namespace

TSL_EOCI_BEGIN

TSL_EOCI_API sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt,
                                  ub4 stmt_len, ub4, ub4) {
  auto* s = as<stmt_handle>(stmtp, OCI_HTYPE_STMT);
  if (s == nullptr || as<error_handle>(errhp, OCI_HTYPE_ERROR) == nullptr)
    return OCI_INVALID_HANDLE;
  s->sql = text_in(s->env, stmt, stmt_len);
  s->parsed.reset();
  for (auto& b : s->binds) unregister_handle(b.get());
  s->binds.clear();
  for (auto& [pos, d] : s->defines) unregister_handle(d.get());
  s->defines.clear();
  set_columns(s, {});
  s->rows = {};
  s->executed = false;
  s->pending = false;
  s->is_query = false;
  s->row_count = s->rows_fetched = 0;
  s->rowid.clear();
  s->stmt_type = 0;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4,
                                  const OCISnapshot*, OCISnapshot*, ub4 mode) {
  auto* svc = as<svc_handle>(svchp, OCI_HTYPE_SVCCTX);
  auto* s = as<stmt_handle>(stmtp, OCI_HTYPE_STMT);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (svc == nullptr || s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  err->has = false;
  tsl::eora::session* live = svc->live();
  if (live == nullptr) return fail(err, 3114);
  s->live = live;
  try {
    if (!s->parsed) {
      s->parsed = live->parse(s->sql);
      s->stmt_type = statement_type(s->parsed->kind);
    }
    s->executed = false;
    s->row_count = s->rows_fetched = 0;
    s->rowid.clear();
    if (s->parsed->kind == tsl::eora::stmt_kind::select) {
      auto& q = static_cast<tsl::eora::select_stmt&>(*s->parsed);
      live->set_binds(input_binds(s, 0));
      s->is_query = true;
      if (mode & OCI_DESCRIBE_ONLY) {
        set_columns(s, live->describe(q));
        return OCI_SUCCESS;
      }
      s->next_row = 0;
      s->executed = true;
      // Describing before defining is what zero iterations usually mean: the
      // rows are read at the first fetch, unless the query locks them.
      if (iters == 0 && !q.for_update && (mode & OCI_COMMIT_ON_SUCCESS) == 0) {
        set_columns(s, live->describe(q));
        s->rows = {};
        s->pending = true;
        return OCI_SUCCESS;
      }
      s->pending = false;
      s->rows = live->query(q);
      set_columns(s, s->rows.columns);
      if (mode & OCI_COMMIT_ON_SUCCESS) live->commit();
      if (iters == 0) return OCI_SUCCESS;
      return fetch_rows(s, err, iters, live);
    }
    s->is_query = false;
    if (mode & OCI_DESCRIBE_ONLY) return OCI_SUCCESS;
    if (iters == 0) return fail(err, 24333);
    for (auto& b : s->binds)
      if ((b->mode & OCI_DATA_AT_EXEC) && is_target(s, b.get()) &&
          (b->in_cb == nullptr || b->out_cb == nullptr))
        return fail(err, 24369);
    // One run per iteration over the bind arrays; a failing one stops the
    // rest, and what the earlier ones did stays in the transaction. In
    // batch-error mode a failing row is recorded with its offset instead,
    // and the other rows go on.
    const bool batch_errors = (mode & OCI_BATCH_ERRORS) != 0;
    s->dml_errors = 0;
    err->batch.clear();
    bool compile_error = false;
    for (ub4 iter = 0; iter < iters; ++iter) {
      try {
        live->set_binds(input_binds(s, iter));
        // A RETURNING target's in-callback is asked too, and supplies nothing.
        for (auto& b : s->binds) {
          if ((b->mode & OCI_DATA_AT_EXEC) == 0 || !is_target(s, b.get())) continue;
          void* bufp = nullptr;
          ub4 alen = 0;
          ub1 piece = OCI_ONE_PIECE;
          void* indp = nullptr;
          if (b->in_cb(b->in_ctx, reinterpret_cast<OCIBind*>(b.get()), iter, 0, &bufp, &alen,
                       &piece, &indp) != OCI_CONTINUE)
            return fail(err, 24343);
        }
        bool last = iter + 1 == iters;
        tsl::eora::exec_result r =
            live->execute(*s->parsed, !batch_errors && last && (mode & OCI_COMMIT_ON_SUCCESS) != 0);
        s->row_count += static_cast<ub4>(r.row_count);
        s->rowid = r.rowid;
        s->executed = true;
        compile_error = compile_error || r.compile_error;
        sword rc = dynamic_binds(s, err, r, iter);
        if (rc != OCI_SUCCESS) return rc;
      } catch (const oracle_error& e) {
        if (!batch_errors) throw;
        err->batch.push_back({iter, e.code(), e.what()});
      }
    }
    live->set_binds({});
    if (batch_errors) {
      s->executed = true;
      if (mode & OCI_COMMIT_ON_SUCCESS) live->commit();
      s->dml_errors = static_cast<ub4>(err->batch.size());
      if (s->dml_errors != 0) {
        fail(err, 24381);
        return OCI_SUCCESS_WITH_INFO;
      }
    }
    if (compile_error) {
      fail(err, 24344);
      return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
  } catch (const oracle_error& e) {
    return fail(err, e);
  }
}

TSL_EOCI_API sword OCIStmtFetch2(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, sb4,
                                 ub4) {
  return fetch_next(stmtp, errhp, nrows, orientation);
}

TSL_EOCI_API sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4) {
  return fetch_next(stmtp, errhp, nrows, orientation);
}

TSL_EOCI_API sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp, ub4 position,
                                  void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp,
                                  ub2* rcodep, ub4) {
  auto* s = as<stmt_handle>(stmtp, OCI_HTYPE_STMT);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  if (position == 0) return fail(err, 1007);
  // A define handle passed in is redefined, as the real client does: it must
  // be a live one of this statement; a stale pointer is refused, never
  // followed.
  define_handle* given = nullptr;
  if (defnpp != nullptr && *defnpp != nullptr) {
    given = as<define_handle>(*defnpp, OCI_HTYPE_DEFINE);
    // Moving a define to another position is not supported here.
    if (given == nullptr || given->stmt != s || given->position != position)
      return OCI_INVALID_HANDLE;
  }
  auto& d = s->defines[position];
  if (!d) {
    d = std::make_unique<define_handle>();
    d->stmt = s;
    register_handle(d.get());
  }
  d->position = position;
  d->valuep = valuep;
  d->value_sz = value_sz;
  d->dty = dty;
  d->indp = indp;
  d->rlenp = rlenp;
  d->rcodep = rcodep;
  if (defnpp != nullptr) *defnpp = reinterpret_cast<OCIDefine*>(d.get());
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp,
                                 const OraText* placeholder_text, sb4 placeh_len, void* valuep,
                                 sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2*, ub4, ub4*,
                                 ub4 mode) {
  auto* s = as<stmt_handle>(stmtp, OCI_HTYPE_STMT);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  std::string name = placeholder(s->env, placeholder_text, placeh_len);
  if (name.empty()) return fail(err, 1036);
  bind_handle* b = bind_for(s, bindpp);
  if (b == nullptr) return OCI_INVALID_HANDLE;
  b->position = 0;
  b->name = name;
  b->valuep = valuep;
  b->value_sz = value_sz;
  b->dty = dty;
  b->indp = indp;
  b->alenp = alenp;
  b->mode = mode;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp, ub4 position,
                                void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2*,
                                ub4, ub4*, ub4 mode) {
  auto* s = as<stmt_handle>(stmtp, OCI_HTYPE_STMT);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  if (position == 0) return fail(err, 1036);
  bind_handle* b = bind_for(s, bindpp);
  if (b == nullptr) return OCI_INVALID_HANDLE;
  b->position = position;
  b->name = std::to_string(position);
  b->valuep = valuep;
  b->value_sz = value_sz;
  b->dty = dty;
  b->indp = indp;
  b->alenp = alenp;
  b->mode = mode;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp,
                                  OCICallbackInBind icbfp, void* octxp, OCICallbackOutBind ocbfp) {
  auto* b = as<bind_handle>(bindp, OCI_HTYPE_BIND);
  if (b == nullptr || as<error_handle>(errhp, OCI_HTYPE_ERROR) == nullptr)
    return OCI_INVALID_HANDLE;
  b->in_cb = icbfp;
  b->in_ctx = ictxp;
  b->out_cb = ocbfp;
  b->out_ctx = octxp;
  return OCI_SUCCESS;
}

TSL_EOCI_API sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                               ub4 pos) {
  if (htype == OCI_HTYPE_ERROR) {
    // The row errors of a batch-error run, from 0, copied into an error
    // handle the caller allocated.
    auto* from = as<error_handle>(hndlp, OCI_HTYPE_ERROR);
    auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
    if (from == nullptr || err == nullptr || parmdpp == nullptr) return OCI_INVALID_HANDLE;
    auto* into = as<error_handle>(*parmdpp, OCI_HTYPE_ERROR);
    if (into == nullptr) return OCI_INVALID_HANDLE;
    if (pos >= from->batch.size()) return fail(err, 24334);
    const error_handle::row_error& r = from->batch[pos];
    into->code = r.code;
    into->message = r.message;
    into->row_offset = r.offset;
    into->has = true;
    return OCI_SUCCESS;
  }
  auto* s = as<stmt_handle>(hndlp, OCI_HTYPE_STMT);
  auto* err = as<error_handle>(errhp, OCI_HTYPE_ERROR);
  if (s == nullptr || htype != OCI_HTYPE_STMT || parmdpp == nullptr) return OCI_INVALID_HANDLE;
  if (pos < 1 || pos > s->params.size()) return fail(err, 24334);
  *parmdpp = s->params[pos - 1].get();
  return OCI_SUCCESS;
}

TSL_EOCI_END
