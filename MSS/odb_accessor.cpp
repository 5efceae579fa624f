#include "MSS/odb_accessor.h"

#include <cstring>

#include "MSS/odb_exception.h"
#include "MSS/odb_record.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/com/com_runtime.h"

namespace {

constexpr uint32_t kSlotHeader = 8;  // status, then length

[[noreturn]] void fail(HRESULT hr) {
  tk_trace(2, "Error code: %08X", static_cast<unsigned>(hr));
  throw odb_exception(hr);
}

}  // namespace

odb_accessor::~odb_accessor() {
  release();
}

void odb_accessor::release() {
  if (accessor_) {
    if (handle_) accessor_->ReleaseAccessor(handle_, nullptr);
    for (HACCESSOR h : whole_)
      if (h) accessor_->ReleaseAccessor(h, nullptr);
  }
  handle_ = 0;
  whole_.clear();
  accessor_.reset();
}

uint32_t odb_accessor::bind_length(DBTYPE type, DBLENGTH size) {
  // Column sizes are taken as 32-bit and the sums wrap, so the largest sizes
  // (long text, image) come out at the cap.
  const uint32_t s = static_cast<uint32_t>(size);
  switch (type) {
    case DBTYPE_EMPTY:
    case DBTYPE_NULL:
    case DBTYPE_I2:
    case DBTYPE_I4:
    case DBTYPE_R4:
    case DBTYPE_R8:
    case DBTYPE_CY:
    case DBTYPE_ERROR:
    case DBTYPE_BOOL:
    case DBTYPE_I1:
    case DBTYPE_UI1:
    case DBTYPE_UI2:
    case DBTYPE_UI4:
    case DBTYPE_I8:
    case DBTYPE_UI8:
      return 52;
    case DBTYPE_DATE:
    case DBTYPE_DECIMAL:
    case DBTYPE_GUID:
    case DBTYPE_NUMERIC:
    case DBTYPE_DBDATE:
    case DBTYPE_DBTIMESTAMP:
      return 102;
    case DBTYPE_BSTR:
    case DBTYPE_STR:
    case DBTYPE_WSTR: {
      uint32_t n = s + 1;
      return 2 * (n < kMaxBindLength ? n : kMaxBindLength);
    }
    case DBTYPE_BYTES: {
      uint32_t n = 2 * s + 1;
      return 2 * (n < kMaxBindLength ? n : kMaxBindLength);
    }
    default:
      return s == 0 ? kMaxBindLength : s;
  }
}

void odb_accessor::bind(IRowset* rowset, size_t columns, const DBCOLUMNINFO* info) {
  tk_trace(2, "odb_accessor::bind");
  if (!info) throw tk_mail_assertion("odb_acc", 100);
  if (!rowset) throw tk_mail_assertion("odb_acc", 107);
  release();
  info_ = info;
  bindings_.assign(columns, DBBINDING{});
  names_.clear();
  names_.reserve(columns);
  for (size_t i = 0; i < columns; ++i) names_.emplace_back(info[i].pwszName ? info[i].pwszName : u"");
  size_t offset = 0;
  for (size_t i = 0; i < columns; ++i) {
    const DBCOLUMNINFO& c = info[i];
    uint32_t len = bind_length(c.wType, c.ulColumnSize);
    if (len > kMaxBindLength) len = kMaxBindLength;
    DBBINDING& b = bindings_[i];
    b.iOrdinal = i + 1;
    b.obStatus = offset;
    b.obLength = offset + 4;
    b.obValue = offset + kSlotHeader;
    b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b.dwMemOwner = DBMEMOWNER_CLIENTOWNED;
    b.eParamIO = DBPARAMIO_NOTPARAM;
    b.cbMaxLen = len;
    b.dwFlags = 0;
    // Floating values come as themselves: the provider's text of a float
    // keeps 15 digits and that of a real 7, fewer than the values hold.
    const bool native = c.wType == DBTYPE_BYTES || c.wType == DBTYPE_R4 || c.wType == DBTYPE_R8;
    b.wType = native ? c.wType : static_cast<DBTYPE>(DBTYPE_WSTR);
    b.bPrecision = c.bPrecision;
    b.bScale = c.bScale;
    tk_trace(2, "Bind column #%d, type=%d, size=%d", static_cast<int>(i), c.wType,
             static_cast<int>(len));
    offset += len + kSlotHeader;
  }
  tk_trace(2, "Allocating bind-bufer, %d bytes", static_cast<int>(offset));
  buffer_.assign(offset, 0);
  status_.assign(columns, DBBINDSTATUS_OK);
  whole_.assign(columns, 0);
  HRESULT hr = rowset->QueryInterface(IID_IAccessor, accessor_.put_void());
  if (FAILED(hr)) fail(hr);
  hr = accessor_->CreateAccessor(DBACCESSOR_ROWDATA, bindings_.size(), bindings_.data(), 0,
                                 &handle_, status_.data());
  if (FAILED(hr)) fail(hr);
}

std::unique_ptr<odb_record> odb_accessor::get_record(IRowset* rowset, HROW row) {
  tk_trace(1, "odb_accessor::get_record");
  if (!handle_) throw tk_mail_assertion("odb_acc", 163);
  HRESULT hr = rowset->GetData(row, handle_, buffer_.data());
  if (FAILED(hr)) fail(hr);
  return std::make_unique<odb_record>(*this, rowset, row);
}

bool odb_accessor::read_whole(IRowset* rowset, HROW row, size_t column, std::vector<uint8_t>& out) {
  tk_trace(1, "odb_accessor::read_whole(%d)", static_cast<int>(column));
  HACCESSOR& h = whole_.at(column);
  if (!h) {
    DBBINDING b = bindings_[column];
    b.obStatus = 0;
    b.obLength = 4;
    b.obValue = kSlotHeader;
    b.cbMaxLen = sizeof(void*);
    b.wType = static_cast<DBTYPE>(b.wType | DBTYPE_BYREF);
    DBBINDSTATUS st = DBBINDSTATUS_OK;
    HRESULT hr = accessor_->CreateAccessor(DBACCESSOR_ROWDATA, 1, &b, 0, &h, &st);
    if (FAILED(hr)) fail(hr);
  }
  uint8_t slot[kSlotHeader + sizeof(void*)] = {};
  HRESULT hr = rowset->GetData(row, h, slot);
  if (FAILED(hr)) fail(hr);
  DBSTATUS status;
  uint32_t length;
  void* data;
  std::memcpy(&status, slot, sizeof status);
  std::memcpy(&length, slot + 4, sizeof length);
  std::memcpy(&data, slot + kSlotHeader, sizeof data);
  if (status != DBSTATUS_S_OK) {
    if (data) CoTaskMemFree(data);
    if (status == DBSTATUS_S_ISNULL) return false;
    // The value exists but could not be had whole: never pass it off as NULL.
    throw tk_exception("A long value could not be read (status " + std::to_string(status) + ")", 0);
  }
  const auto* p = static_cast<const uint8_t*>(data);
  out.assign(p, p + length);
  CoTaskMemFree(data);
  return true;
}
