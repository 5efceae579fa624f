#include "ORA/ora_query_results.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_float.h"
#include "ORA/ora_lob.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

ora_query_results::ora_query_results() : udb_recordset(u"", true) {}

ora_query_results::~ora_query_results() {
  // Readers hold defines and locators of the statement: they go first.
  current_.reset();
  columns_.clear();
}

std::unique_ptr<ora_type> ora_query_results::gen_co_by_type(OCIParam* param, ub2 code) {
  tk_trace(1, "ora_query_results::gen_co_by_type(%d)", static_cast<int>(code));
  switch (code) {
    case 1:
    case 5:
    case 96:
      return std::make_unique<ora_string>(param, code);
    case 2:
    case 3:
    case 4:
    case 6:
    case 7:
      return std::make_unique<ora_number>(param, code);
    case 8:
    case 24:
      return std::make_unique<ora_str_repr>(param, code, 1000000);
    case 11:
    case 104:
    case 105:
      return std::make_unique<ora_str_repr>(param, code, 255);
    case 12:
    case 187:
    case 188:
    case 231:
    case 232:
      return std::make_unique<ora_date>(param, code);
    case 23:
      return std::make_unique<ora_binary>(param, code);
    case 112:
    case 113:
      return std::make_unique<ora_lob>(param, code);
    case ora_float::binary_float:
    case ora_float::binary_double:
      return std::make_unique<ora_float>(param, code);
    case 182:
    case 189:
    case 190:
      return std::make_unique<ora_str_repr>(param, code, 16);
    default:
      return std::make_unique<ora_dummy>(param, code);
  }
}

void ora_query_results::initialize(int n_columns, const std::u16string& text) {
  tk_trace_w(2, u"ora_query_results::initialize(%d, %s)", n_columns, text.c_str());
  ora_engine& e = ora_engine::instance();
  current_.reset();
  columns_.clear();
  stmt_ = std::make_unique<ora_stmt>();
  e.check_result(
      e.oci().OCIStmtPrepare(*stmt_, e.error(), reinterpret_cast<const OraText*>(text.data()),
                             static_cast<ub4>(text.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT));
  e.check_result(
      e.oci().OCIStmtExecute(e.service(), *stmt_, e.error(), 0, 0, nullptr, nullptr, OCI_DEFAULT));
  ub4 count = 0;
  e.check_result(e.oci().OCIAttrGet(stmt_->get(), OCI_HTYPE_STMT, &count, nullptr,
                                    OCI_ATTR_PARAM_COUNT, e.error()));
  for (ub4 pos = 1; pos <= count; ++pos) {
    tk_trace(1, "Processing column #%d", static_cast<int>(pos));
    OCIParam* param = nullptr;
    e.check_result(e.oci().OCIParamGet(stmt_->get(), OCI_HTYPE_STMT, e.error(),
                                       reinterpret_cast<void**>(&param), pos));
    ub2 code = 0;
    e.check_result(
        e.oci().OCIAttrGet(param, OCI_DTYPE_PARAM, &code, nullptr, OCI_ATTR_DATA_TYPE, e.error()));
    std::unique_ptr<ora_type> reader = gen_co_by_type(param, code);
    reader->define(*stmt_, pos);
    columns_.push_back(std::move(reader));
  }
  initialized_ = true;
  fetched_ = false;
  at_end_ = false;
}

bool ora_query_results::fetch() {
  ora_engine& e = ora_engine::instance();
  sword status =
      e.check_result(e.oci().OCIStmtFetch(*stmt_, e.error(), 1, OCI_FETCH_NEXT, OCI_DEFAULT));
  at_end_ = status == OCI_NO_DATA;
  return !at_end_;
}

bool ora_query_results::is_eof() {
  tk_trace(1, "ora_query_results::is_eof");
  if (!initialized_) throw tk_mail_assertion("ora_query_results", 96);
  fetch();
  fetched_ = true;
  return at_end_;
}

udb_record* ora_query_results::get_item() {
  tk_trace(1, "ora_query_results::get_item");
  if (!initialized_) throw tk_mail_assertion("ora_query_results", 103);
  if (!fetched_) {
    tk_trace(1, "fetch wasn't called yet");
    if (!fetch()) return nullptr;
  }
  fetched_ = false;
  if (at_end_) return nullptr;
  current_ = std::make_unique<ora_record>(columns_);
  return current_.get();
}

void ora_query_results::append_record(udb_record&) {
  tk_trace(2, "ora_query_results::append_record");
  throw tk_mail_assertion("ora_query_results", 115);
}
