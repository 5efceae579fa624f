#include "ORA/ora_bulk_insert.h"

#include <limits>

#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_sql.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/utf.h"

namespace {

// The longest value a placeholder of an ordinary column takes, in bytes of
// UTF-16: the 4,000 characters of the widest VARCHAR2. Declaring more would
// make it a LONG bind, which only a LONG column takes.
constexpr sb4 max_text_bind = 8000;

}  // namespace

ora_bulk_insert::ora_bulk_insert(const std::u16string& table, std::vector<column> columns)
    : columns_(std::move(columns)) {
  // A conventional insert: a direct-path one would lock the table for every
  // batch and start each batch on fresh blocks. The columns are named, the
  // large ones last: a client wants the values it may have to stream after
  // all the others.
  std::vector<size_t> order;
  for (int large = 0; large < 2; ++large)
    for (size_t k = 0; k < columns_.size(); ++k) {
      const kind how = columns_[k].how;
      if ((how == kind::clob || how == kind::blob) == (large == 1)) order.push_back(k);
    }
  std::u16string names;
  std::u16string values;
  for (size_t k : order) {
    if (!names.empty()) {
      names += u", ";
      values += u", ";
    }
    names += ora_quoted(columns_[k].name);
    std::u16string value = u":" + tsl::text::ascii_to_utf16(std::to_string(slots_.size() + 1));
    slots_.push_back({this, k, false});
    if (columns_[k].how == kind::date) {
      std::u16string format = u":" + tsl::text::ascii_to_utf16(std::to_string(slots_.size() + 1));
      slots_.push_back({this, k, true});
      values += u"to_date(" + value + u", " + format + u")";
    } else {
      values += value;
    }
  }
  sql_ = u"INSERT INTO " + ora_quoted(table) + u" (" + names + u") VALUES(" + values + u")";
}

ora_bulk_insert::~ora_bulk_insert() {
  if (row_error_ != nullptr && ora_engine::exists())
    ora_engine::instance().oci().OCIHandleFree(row_error_, OCI_HTYPE_ERROR);
}

std::vector<ora_bulk_insert::cell>& ora_bulk_insert::current() {
  if (rows_.size() <= count_) {
    rows_.resize(count_ + 1);
    rows_[count_].cells.resize(columns_.size());
  }
  return rows_[count_].cells;
}

bool ora_bulk_insert::queue(int64_t tag) {
  row& r = rows_[count_];
  r.tag = tag;
  for (const cell& c : r.cells)
    if (!c.null) bytes_ += c.text.size() * 2 + c.bytes.size();
  ++count_;
  return count_ >= max_rows_ || bytes_ >= max_bytes_;
}

void ora_bulk_insert::prepare() {
  tk_trace_w(3, u"Run SQL query: %s\n", sql_.c_str());
  ora_engine& e = ora_engine::instance();
  const auto& oci = e.oci();
  e.check_alloc(oci.OCIHandleAlloc(e.env(), reinterpret_cast<void**>(&row_error_), OCI_HTYPE_ERROR,
                                   0, nullptr));
  e.check_result(oci.OCIStmtPrepare(stmt_, e.error(), reinterpret_cast<const OraText*>(sql_.data()),
                                    static_cast<ub4>(sql_.size() * 2), OCI_NTV_SYNTAX,
                                    OCI_DEFAULT));
  // Every value comes from its row's cell at execution: rows of any length
  // need no fixed-size arrays, and a large value is not copied again.
  for (size_t p = 0; p < slots_.size(); ++p) {
    const slot& s = slots_[p];
    const column& c = columns_[s.column];
    ub2 type = SQLT_CHR;
    sb4 size = max_text_bind;
    if (!s.format && c.how == kind::clob) {
      type = SQLT_LNG;
      size = std::numeric_limits<sb4>::max();
    }
    if (!s.format && c.how == kind::blob) {
      type = SQLT_LBI;
      size = std::numeric_limits<sb4>::max();
    }
    OCIBind* bind = nullptr;
    e.check_result(oci.OCIBindByPos(stmt_, &bind, e.error(), static_cast<ub4>(p + 1), nullptr, size,
                                    type, nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC));
    e.check_result(oci.OCIBindDynamic(bind, e.error(), &slots_[p], &value_in, nullptr, nullptr));
    if (!s.format && c.how == kind::clob && c.form == SQLCS_NCHAR) {
      ub1 form = SQLCS_NCHAR;
      e.check_result(
          oci.OCIAttrSet(bind, OCI_HTYPE_BIND, &form, 0, OCI_ATTR_CHARSET_FORM, e.error()));
    }
  }
  prepared_ = true;
}

sb4 ora_bulk_insert::value_in(void* context, OCIBind*, ub4 iter, ub4, void** buffer, ub4* length,
                              ub1* piece, void** indicator) {
  const slot& s = *static_cast<const slot*>(context);
  ora_bulk_insert& self = *s.owner;
  *piece = OCI_ONE_PIECE;
  if (iter >= self.count_) return OCI_ERROR;
  const cell& c = self.rows_[iter].cells[s.column];
  const void* data = nullptr;
  size_t size = 0;
  if (!c.null) {
    if (s.format) {
      data = c.format;
      size = c.format != nullptr ? std::char_traits<char16_t>::length(c.format) * 2 : 0;
    } else if (self.columns_[s.column].how == kind::blob) {
      data = c.bytes.data();
      size = c.bytes.size();
    } else {
      data = c.text.data();
      size = c.text.size() * 2;
    }
  }
  *buffer = const_cast<void*>(data);
  *length = static_cast<ub4>(size);
  *indicator = data != nullptr ? &self.value_indicator_ : &self.null_indicator_;
  return OCI_CONTINUE;
}

size_t ora_bulk_insert::execute(std::vector<failure>& failures) {
  const size_t n = count_;
  if (n == 0) return 0;
  tk_trace(3, "Inserting a batch of %d records", static_cast<int>(n));
  ora_engine& e = ora_engine::instance();
  const auto& oci = e.oci();
  // Whatever happens, the queue starts again empty, with the row being
  // filled (if any) first.
  struct restart {
    ora_bulk_insert& self;
    size_t n;
    ~restart() {
      if (self.rows_.size() > n) std::swap(self.rows_[0], self.rows_[n]);
      self.count_ = 0;
      self.bytes_ = 0;
    }
  } again{*this, n};
  std::vector<failure> refused;
  try {
    if (!prepared_) prepare();
    sword rc = oci.OCIStmtExecute(e.service(), stmt_, e.error(), static_cast<ub4>(n), 0, nullptr,
                                  nullptr, OCI_BATCH_ERRORS);
    if (rc == OCI_ERROR) {
      sb4 code = 0;
      oci.OCIErrorGet(e.error(), 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR);
      // Clients differ in whether a batch with refused rows is an error or
      // a success with information; the refused rows are read the same way.
      if (code != 24381) e.check_result(rc);
    } else {
      e.check_result(rc);
    }
    ub4 count = 0;
    e.check_result(
        oci.OCIAttrGet(stmt_, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_NUM_DML_ERRORS, e.error()));
    for (ub4 i = 0; i < count; ++i) {
      OCIError* row_error = row_error_;
      e.check_result(oci.OCIParamGet(e.error(), OCI_HTYPE_ERROR, e.error(),
                                     reinterpret_cast<void**>(&row_error), i));
      ub4 offset = 0;
      e.check_result(oci.OCIAttrGet(row_error, OCI_HTYPE_ERROR, &offset, nullptr,
                                    OCI_ATTR_DML_ROW_OFFSET, e.error()));
      char16_t text[512] = {};
      sb4 code = 0;
      oci.OCIErrorGet(row_error, 1, nullptr, &code, reinterpret_cast<OraText*>(text), sizeof text,
                      OCI_HTYPE_ERROR);
      if (offset >= n) throw tk_mail_assertion("ora_bulk_insert", 1);
      refused.push_back({rows_[offset].tag, std::make_exception_ptr(ora_exception(code, text))});
    }
    // The batch's rows, large values included, become durable together.
    e.check_result(oci.OCITransCommit(e.service(), e.error(), OCI_DEFAULT));
  } catch (const tk_exception&) {
    // Nothing of the batch is stored: each of its records fails with the
    // error, so that none is lost unreported.
    std::exception_ptr error = std::current_exception();
    sword undone = oci.OCITransRollback(e.service(), e.error(), OCI_DEFAULT);
    if (undone != OCI_SUCCESS) tk_trace(3, "Rollback failed: %d", undone);
    for (size_t i = 0; i < n; ++i) failures.push_back({rows_[i].tag, error});
    return 0;
  }
  for (failure& f : refused) failures.push_back(std::move(f));
  return n - refused.size();
}
