#include "MSS/odb_recordset.h"

#include "MSS/odb_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/t_ftd.h"
#include "platform/com/com_runtime.h"

namespace {

[[noreturn]] void fail(HRESULT hr) {
  tk_trace(2, "Error code: %08X", static_cast<unsigned>(hr));
  throw odb_exception(hr);
}

}  // namespace

odb_recordset::odb_recordset(IRowset* rowset) : udb_recordset(std::u16string(), true) {
  tk_trace(2, "odb_recordset::ctor");
  rowset_ = ole_ptr<IRowset>(rowset);
  initialize();
}

odb_recordset::odb_recordset(std::u16string name, std::u16string query)
    : udb_recordset(std::move(name), std::move(query), true) {}

odb_recordset::~odb_recordset() {
  clear_cache();
  free_columns();
}

void odb_recordset::free_columns() {
  CoTaskMemFree(info_);
  CoTaskMemFree(names_);
  info_ = nullptr;
  names_ = nullptr;
  columns_ = 0;
}

void odb_recordset::attach(IRowset* rowset) {
  rowset_ = ole_ptr<IRowset>(rowset);
  initialize();
}

void odb_recordset::initialize() {
  tk_trace(2, "odb_recordset::initialize");
  if (!rowset_) {
    tk_trace(2, "Rowset isn't defined");
    return;
  }
  ole_ptr<IColumnsInfo> info;
  HRESULT hr = rowset_.query(IID_IColumnsInfo, info);
  if (FAILED(hr)) fail(hr);
  free_columns();
  DBORDINAL n = 0;
  hr = info->GetColumnInfo(&n, &info_, &names_);
  if (FAILED(hr)) fail(hr);
  columns_ = static_cast<size_t>(n);
  build_schema();
  clear_cache();
  filled_ = false;
  accessor_.bind(rowset_.get(), columns_, info_);
}

void odb_recordset::build_schema() {
  tk_trace(1, "*** Got %d columns ***", static_cast<int>(columns_));
  udb_schema& s = schema();
  s.clear();
  for (size_t i = 0; i < columns_; ++i) {
    const DBCOLUMNINFO& c = info_[i];
    const char16_t* name = c.pwszName ? c.pwszName : u"";
    tk_trace(2, "Column #%d has type=%d,size=%08X", static_cast<int>(i), c.wType,
             static_cast<unsigned>(c.ulColumnSize));
    tk_trace_w(2, u"Field '%s' has type %d", name, c.wType);
    const VARTYPE vt = odb_record::get_vartype(c.wType);
    // Binary columns keep their declared size (a GUID its 16 bytes), so a
    // bounded one can become an inline column; long ones are unlimited. A
    // variant's reported size says nothing of the values it may hold.
    const bool is_long = (c.dwFlags & DBCOLUMNFLAGS_ISLONG) != 0;
    const uint32_t size = (vt == VT_BLOB && is_long) || c.wType == DBTYPE_VARIANT
                              ? 0
                              : static_cast<uint32_t>(c.ulColumnSize);
    const bool not_null = (c.dwFlags & DBCOLUMNFLAGS_ISNULLABLE) == 0;
    int32_t reserved = vt == VT_DATE || (vt == VT_BLOB && c.wType == DBTYPE_GUID) ? 1 : 0;
    tk_trace(2, ">>> reserved=%d", reserved);
    auto* f = new t_ftd(size, name, vt, not_null, false, ole_variant(), reserved);
    f->set_fixed_length((c.dwFlags & DBCOLUMNFLAGS_ISFIXEDLENGTH) != 0 && !is_long &&
                        (vt == VT_BSTR || vt == VT_BLOB));
    // money and smallmoney differ only in their precision.
    if (vt == VT_CY) f->set_reserved(c.bPrecision * 256 + 4);
    if (vt == VT_DECIMAL) {
      f->set_reserved(c.bPrecision * 256 + c.bScale);
      tk_trace_w(1, u"Scale/precision for decimal column '%s': (%d, %d)", name, c.bScale,
                 c.bPrecision);
    }
    s.add(f);
  }
}

void odb_recordset::clear_cache() {
  for (auto& r : cache_) r.reset();
  cached_ = 0;
}

void odb_recordset::fill_cache() {
  tk_trace(1, "odb_recordset::fill_cache");
  if (!rowset_) throw tk_mail_assertion("odb_recs", 161);
  clear_cache();
  DBCOUNTITEM got = 0;
  HROW handles[kBatch] = {};
  HROW* rows = handles;
  HRESULT hr = rowset_->GetNextRows(0, 0, kBatch, &got, &rows);
  if (FAILED(hr)) fail(hr);
  tk_trace(1, "GetNextRows extracts %d records", static_cast<int>(got));
  if (got > kBatch) throw tk_mail_assertion("odb_recs", 171);
  try {
    for (DBCOUNTITEM i = 0; i < got; ++i) cache_[i] = accessor_.get_record(rowset_.get(), rows[i]);
  } catch (const std::exception&) {
    // The row handles go back even when a row could not be read.
    rowset_->ReleaseRows(got, rows, nullptr, nullptr, nullptr);
    clear_cache();
    throw;
  }
  cached_ = static_cast<size_t>(got);
  filled_ = true;
  hr = rowset_->ReleaseRows(got, rows, nullptr, nullptr, nullptr);
  if (FAILED(hr)) fail(hr);
  tk_trace(1, "End of odb_recordset::fill_cache");
}

void odb_recordset::append_record(udb_record&) {
  throw tk_mail_assertion("odb_recs", 52);
}

udb_record* odb_recordset::get_item() {
  tk_trace(1, "odb_recordset::get_item(local_pos=%d)", static_cast<int>(position_));
  if (position_ >= cached_) throw tk_mail_assertion("odb_recs", 99);
  return cache_[position_].get();
}

bool odb_recordset::is_eof() {
  tk_trace(1, "odb_recordset::is_eof(%d)", static_cast<int>(cached_));
  return !rowset_ || cached_ == 0;
}

void odb_recordset::next() {
  tk_trace(1, "odb_table::next(%d)", static_cast<int>(position_));
  if (!cache_[0]) throw tk_mail_assertion("odb_recs", 79);
  if (position_ + 1 < cached_) {
    ++position_;
  } else {
    fill_cache();
    position_ = 0;
  }
  ++rows_advanced_;
}

void odb_recordset::reset() {
  tk_trace(1, "odb_table::reset");
  if (!rowset_) return;
  // A batch fetched already (even with no move since) means the rowset is
  // past the first rows: restart it, or a second reset would skip a batch.
  if (rows_advanced_ != 0 || position_ != 0 || filled_) {
    HRESULT hr = rowset_->RestartPosition(0);
    if (FAILED(hr)) fail(hr);
    clear_cache();
    filled_ = false;
  }
  rows_advanced_ = 0;
  position_ = 0;
  fill_cache();
}
