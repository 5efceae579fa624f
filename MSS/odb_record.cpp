#include "MSS/odb_record.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "MSS/odb_accessor.h"
#include "OLE/ole_date.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

namespace {

bool is_date_type(DBTYPE t) {
  return t == DBTYPE_DATE || t == DBTYPE_DBTIMESTAMP || t == DBTYPE_DBDATE || t == DBTYPE_DBTIME;
}

std::u16string wide_of(const std::vector<uint8_t>& bytes) {
  std::u16string s(bytes.size() / 2, u'\0');
  if (!s.empty()) std::memcpy(s.data(), bytes.data(), s.size() * 2);
  return s;
}

// The value of a non-binary column from its text.
ole_variant value_of(const DBCOLUMNINFO& column, std::u16string_view text) {
  const VARTYPE t = odb_record::get_vartype(column.wType);
  ole_variant value;
  if (text.empty()) {
    if (t == VT_BSTR) value = ole_variant(std::u16string());
  } else if (is_date_type(column.wType)) {
    ole_date d{std::u16string(text)};
    if (d.is_valid()) value = d.to_variant();
  } else if (column.wType == DBTYPE_GUID && text.front() != u'{') {
    // The blob reader takes a GUID in its braced form only.
    std::u16string braced;
    braced.reserve(text.size() + 2);
    braced.push_back(u'{');
    braced.append(text);
    braced.push_back(u'}');
    value = ole_variant::from_wstring(braced, VT_BLOB);
  } else {
    value = ole_variant::from_wstring(text, t);
  }
  return value;
}

}  // namespace

VARTYPE odb_record::get_vartype(DBTYPE type) {
  tk_trace(1, "odb_record::get_vartype(%d)", type);
  switch (type) {
    case DBTYPE_I2:
      return VT_I2;
    case DBTYPE_I4:
      return VT_I4;
    case DBTYPE_R4:
      return VT_R4;
    case DBTYPE_R8:
      return VT_R8;
    case DBTYPE_CY:
      return VT_CY;
    // Dates and times travel as dates: read as bytes they would be lost.
    case DBTYPE_DATE:
    case DBTYPE_DBTIMESTAMP:
    case DBTYPE_DBDATE:
    case DBTYPE_DBTIME:
      return VT_DATE;
    case DBTYPE_BSTR:
    case DBTYPE_STR:
    case DBTYPE_WSTR:
    // A variant column delivers the text of whatever it holds.
    case DBTYPE_VARIANT:
      return VT_BSTR;
    case DBTYPE_BOOL:
      return VT_BOOL;
    case DBTYPE_DECIMAL:
    case DBTYPE_NUMERIC:
      return VT_DECIMAL;
    case DBTYPE_I1:
      return VT_I1;
    case DBTYPE_UI1:
      return VT_UI1;
    case DBTYPE_UI2:
      return VT_UI2;
    case DBTYPE_UI4:
      return VT_UI4;
    case DBTYPE_I8:
      return VT_I8;
    case DBTYPE_UI8:
      return VT_UI8;
    default:
      return VT_BLOB;
  }
}

std::unique_ptr<odb_field> odb_record::get_field(const DBCOLUMNINFO& column,
                                                 std::u16string_view text) {
  tk_trace_w(1, u"odb_record::get_field(%s)", column.pwszName ? column.pwszName : u"");
  return std::make_unique<odb_field>(column.pwszName ? column.pwszName : u"",
                                     static_cast<uint32_t>(column.ulColumnSize),
                                     value_of(column, text));
}

const udb_field& odb_record::column(const udb_record& record, size_t ordinal) {
  if (ordinal == 0 || ordinal > record.size())
    throw std::out_of_range("invalid vector<T> subscript");
  return record[ordinal - 1];
}

odb_record::odb_record(odb_accessor& accessor, IRowset* rowset, HROW row) {
  tk_trace(1, "odb_record::ctor");
  const uint8_t* buffer = accessor.buffer();
  const DBBINDING* bindings = accessor.bindings();
  const DBCOLUMNINFO* columns = accessor.columns();
  if (!buffer) throw tk_mail_assertion("odb_rec", 65);
  if (!bindings || !columns) throw tk_mail_assertion("odb_rec", 66);
  const size_t n = accessor.count();
  reserve(n);
  std::vector<uint8_t> whole;
  std::u16string copy;  // keeps its capacity from column to column
  for (size_t i = 0; i < n; ++i) {
    const DBBINDING& b = bindings[i];
    const DBCOLUMNINFO& c = columns[i];
    DBSTATUS status;
    uint32_t length;
    std::memcpy(&status, buffer + b.obStatus, sizeof status);
    std::memcpy(&length, buffer + b.obLength, sizeof length);
    const uint8_t* value = buffer + b.obValue;
    // Never read past the slot, whatever the length part says.
    if (status == DBSTATUS_S_OK && length > b.cbMaxLen) length = static_cast<uint32_t>(b.cbMaxLen);
    bool truncated = status == DBSTATUS_S_TRUNCATED;
    if (truncated) {
      // Too long for its slot: fetch it whole rather than lose it.
      if (!accessor.read_whole(rowset, row, i, whole)) {
        status = DBSTATUS_S_ISNULL;
      } else {
        status = DBSTATUS_S_OK;
        length = static_cast<uint32_t>(whole.size());
        value = whole.data();
      }
    }
    if (status != DBSTATUS_S_OK) {
      tk_trace(1, "Field #%d - FAILED, status code=%08X", static_cast<int>(i), status);
      add(std::make_unique<odb_field>(accessor.name(i), static_cast<uint32_t>(c.ulColumnSize),
                                      ole_variant()));
      tk_trace(1, "\t<NULL>");
      continue;
    }
    tk_trace(1, "offset=%d", static_cast<int>(b.obValue));
    tk_trace(1, "type1=%d, type2=%d", c.wType, b.wType);
    tk_trace(1, "Field #%d - OK, length=%d", static_cast<int>(i), static_cast<int>(length));
    if (c.wType == DBTYPE_BYTES) {
      tk_trace(1, "Processing VT_BLOB");
      ole_variant v;
      v.attach_binary(length, value);
      add(std::make_unique<odb_field>(accessor.name(i), length, std::move(v)));
      continue;
    }
    if ((b.wType == DBTYPE_R8 && length == sizeof(double)) ||
        (b.wType == DBTYPE_R4 && length == sizeof(float))) {
      ole_variant v;
      if (b.wType == DBTYPE_R8) {
        double d;
        std::memcpy(&d, value, sizeof d);
        v = ole_variant(d);
      } else {
        float f;
        std::memcpy(&f, value, sizeof f);
        v = ole_variant(f);
      }
      auto f = std::make_unique<odb_field>(accessor.name(i), static_cast<uint32_t>(c.ulColumnSize),
                                           std::move(v));
      tk_trace_w(1, u"\t%s", f->to_wstring().c_str());
      add(std::move(f));
      continue;
    }
    std::u16string_view text;
    if (truncated) {
      copy = wide_of(whole);
      text = copy;
    } else if (reinterpret_cast<uintptr_t>(value) % alignof(char16_t) == 0) {
      // Read in place: a long text is then copied once, into its value.
      text = std::u16string_view(reinterpret_cast<const char16_t*>(value), length / 2);
    } else {
      // The slot is not necessarily aligned for char16_t.
      copy.resize(length / 2);
      if (!copy.empty()) std::memcpy(copy.data(), value, copy.size() * 2);
      text = copy;
    }
    tk_trace_w(1, u"\t%s", std::u16string(text).c_str());
    add(std::make_unique<odb_field>(accessor.name(i), static_cast<uint32_t>(c.ulColumnSize),
                                    value_of(c, text)));
  }
}
