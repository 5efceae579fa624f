#include "platform/oledb/rowset.h"

#include <cstring>
#include <string_view>

#include "platform/com/com_runtime.h"
#include "platform/oledb/provider_error.h"
#include "platform/text/utf.h"

namespace tsl::oledb {

using value = field_value;
using type_id = column_kind;

rowset::rowset(std::shared_ptr<connection> conn, std::unique_ptr<result_set> rows)
    : conn_(std::move(conn)), rows_(std::move(rows)) {
  for (const auto& c : rows_->columns()) names_.push_back(text::utf8_to_utf16(c.name));
}

HRESULT rowset::QueryInterface(REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_IRowset) return com::hand_out<IRowset>(this, out);
  if (riid == IID_IAccessor) return com::hand_out<IAccessor>(this, out);
  if (riid == IID_IColumnsInfo) return com::hand_out<IColumnsInfo>(this, out);
  if (out) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT rowset::GetColumnInfo(DBORDINAL* columns, DBCOLUMNINFO** info, OLECHAR** strings) {
  if (!columns || !info || !strings) return E_INVALIDARG;
  const auto& cols = rows_->columns();
  *columns = cols.size();
  size_t chars = 0;
  for (const auto& n : names_) chars += n.size() + 1;
  auto* desc = static_cast<DBCOLUMNINFO*>(CoTaskMemAlloc(sizeof(DBCOLUMNINFO) * (cols.size() + 1)));
  auto* buf = static_cast<OLECHAR*>(CoTaskMemAlloc(sizeof(OLECHAR) * (chars + 1)));
  if (!desc || !buf) {
    CoTaskMemFree(desc);
    CoTaskMemFree(buf);
    *columns = 0;
    *info = nullptr;
    *strings = nullptr;
    return E_OUTOFMEMORY;
  }
  OLECHAR* p = buf;
  for (size_t i = 0; i < cols.size(); ++i) {
    column_shape s = shape_of(cols[i].type);
    DBCOLUMNINFO& d = desc[i];
    std::memset(&d, 0, sizeof d);
    std::memcpy(p, names_[i].data(), names_[i].size() * sizeof(OLECHAR));
    p[names_[i].size()] = 0;
    d.pwszName = p;
    p += names_[i].size() + 1;
    d.iOrdinal = i + 1;
    d.dwFlags =
        s.flags | (cols[i].nullable ? DBCOLUMNFLAGS_ISNULLABLE | DBCOLUMNFLAGS_MAYBENULL : 0);
    d.ulColumnSize = s.size;
    d.wType = s.dbtype;
    d.bPrecision = s.precision;
    d.bScale = s.scale;
    d.columnid.eKind = DBKIND_NAME;
    d.columnid.uName.pwszName = d.pwszName;
  }
  *info = desc;
  *strings = buf;
  return S_OK;
}

HRESULT rowset::MapColumnIDs(DBORDINAL count, const DBID ids[], DBORDINAL ordinals[]) {
  if (count && (!ids || !ordinals)) return E_INVALIDARG;
  DBORDINAL bad = 0;
  for (DBORDINAL i = 0; i < count; ++i) {
    ordinals[i] = ~DBORDINAL{0};
    if (ids[i].eKind != DBKIND_NAME || !ids[i].uName.pwszName) {
      ++bad;
      continue;
    }
    std::u16string want = ids[i].uName.pwszName;
    for (size_t c = 0; c < names_.size(); ++c)
      if (names_[c] == want) ordinals[i] = c + 1;
    if (ordinals[i] == ~DBORDINAL{0}) ++bad;
  }
  if (bad == 0) return S_OK;
  return bad == count ? DB_E_ERRORSOCCURRED : DB_S_ERRORSOCCURRED;
}

namespace {

bool supported(DBTYPE t) {
  switch (t & ~DBTYPE_BYREF) {
    case DBTYPE_WSTR:
    case DBTYPE_STR:
    case DBTYPE_BYTES:
    case DBTYPE_GUID:
    case DBTYPE_I2:
    case DBTYPE_I4:
    case DBTYPE_I8:
    case DBTYPE_UI1:
    case DBTYPE_UI2:
    case DBTYPE_UI4:
    case DBTYPE_UI8:
    case DBTYPE_R4:
    case DBTYPE_R8:
    case DBTYPE_BOOL:
    case DBTYPE_CY:
    case DBTYPE_NUMERIC:
    case DBTYPE_DBTIMESTAMP:
    case DBTYPE_DBDATE:
    case DBTYPE_DATE:
      break;
    default:
      return false;
  }
  // By reference only for the variable-length types.
  if (t & DBTYPE_BYREF)
    return (t & ~DBTYPE_BYREF) == DBTYPE_WSTR || (t & ~DBTYPE_BYREF) == DBTYPE_STR ||
           (t & ~DBTYPE_BYREF) == DBTYPE_BYTES;
  return true;
}

}  // namespace

HRESULT rowset::CreateAccessor(DBACCESSORFLAGS flags, DBCOUNTITEM count, const DBBINDING bindings[],
                               DBLENGTH, HACCESSOR* accessor, DBBINDSTATUS status[]) {
  if (!accessor) return E_INVALIDARG;
  *accessor = 0;
  if (count && !bindings) return E_INVALIDARG;
  if (!(flags & DBACCESSOR_ROWDATA) || (flags & DBACCESSOR_PARAMETERDATA))
    return DB_E_BADACCESSORFLAGS;
  if (flags & DBACCESSOR_PASSBYREF) return DB_E_BYREFACCESSORNOTSUPPORTED;
  if (count == 0) return DB_E_NULLACCESSORNOTSUPPORTED;
  HRESULT result = S_OK;
  for (DBCOUNTITEM i = 0; i < count; ++i) {
    DBBINDSTATUS st = DBBINDSTATUS_OK;
    const DBBINDING& b = bindings[i];
    if (b.iOrdinal == 0 || b.iOrdinal > rows_->columns().size()) {
      st = DBBINDSTATUS_BADORDINAL;
      result = DB_E_ERRORSOCCURRED;
    } else if (!supported(b.wType)) {
      st = DBBINDSTATUS_UNSUPPORTEDCONVERSION;
      result = DB_E_ERRORSOCCURRED;
    } else if ((b.dwPart & ~(DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS)) || b.dwPart == 0 ||
               b.dwMemOwner != DBMEMOWNER_CLIENTOWNED) {
      st = DBBINDSTATUS_BADBINDINFO;
      result = DB_E_ERRORSOCCURRED;
    }
    if (status) status[i] = st;
  }
  if (FAILED(result)) return result;
  HACCESSOR h = next_accessor_++;
  accessors_[h].bindings.assign(bindings, bindings + count);
  *accessor = h;
  return S_OK;
}

HRESULT rowset::AddRefAccessor(HACCESSOR accessor, DBREFCOUNT* ref_count) {
  auto it = accessors_.find(accessor);
  if (it == accessors_.end()) return DB_E_BADACCESSORHANDLE;
  ++it->second.refs;
  if (ref_count) *ref_count = it->second.refs;
  return S_OK;
}

HRESULT rowset::GetBindings(HACCESSOR accessor, DBACCESSORFLAGS* flags, DBCOUNTITEM* count,
                            DBBINDING** bindings) {
  if (!flags || !count || !bindings) return E_INVALIDARG;
  auto it = accessors_.find(accessor);
  if (it == accessors_.end()) return DB_E_BADACCESSORHANDLE;
  const auto& b = it->second.bindings;
  *flags = DBACCESSOR_ROWDATA;
  *count = b.size();
  *bindings = static_cast<DBBINDING*>(CoTaskMemAlloc(sizeof(DBBINDING) * b.size()));
  if (!*bindings) return E_OUTOFMEMORY;
  std::memcpy(*bindings, b.data(), sizeof(DBBINDING) * b.size());
  return S_OK;
}

HRESULT rowset::ReleaseAccessor(HACCESSOR accessor, DBREFCOUNT* ref_count) {
  auto it = accessors_.find(accessor);
  if (it == accessors_.end()) return DB_E_BADACCESSORHANDLE;
  DBREFCOUNT left = --it->second.refs;
  if (left == 0) accessors_.erase(it);
  if (ref_count) *ref_count = left;
  return S_OK;
}

bool rowset::held_rows() const {
  for (const auto& s : slots_)
    if (s.refs) return true;
  return false;
}

HRESULT rowset::GetNextRows(HCHAPTER, DBROWOFFSET offset, DBROWCOUNT rows, DBCOUNTITEM* obtained,
                            HROW** handles) {
  if (!obtained || !handles) return E_INVALIDARG;
  *obtained = 0;
  if (rows < 0) return DB_E_CANTFETCHBACKWARDS;
  if (offset < 0) return hresult_of(0x80040E29);  // DB_E_CANTSCROLLBACKWARDS
  if (held_rows()) return DB_E_ROWSNOTRELEASED;
  if (rows == 0) return S_OK;
  return guarded([&]() -> HRESULT {
    for (DBROWOFFSET skip = 0; skip < offset && !at_end_; ++skip) {
      std::vector<value> ignored;
      if (!rows_->next(ignored)) at_end_ = true;
    }
    if (slots_.size() < static_cast<size_t>(rows)) slots_.resize(static_cast<size_t>(rows));
    DBCOUNTITEM got = 0;
    while (got < static_cast<DBCOUNTITEM>(rows) && !at_end_) {
      if (!rows_->next(slots_[got].row)) {
        at_end_ = true;
        break;
      }
      slots_[got].refs = 1;
      ++got;
    }
    if (got > 0) {
      bool allocated = false;
      if (!*handles) {
        *handles = static_cast<HROW*>(CoTaskMemAlloc(sizeof(HROW) * static_cast<size_t>(rows)));
        if (!*handles) {
          for (DBCOUNTITEM i = 0; i < got; ++i) slots_[i].refs = 0;
          return E_OUTOFMEMORY;
        }
        allocated = true;
      }
      (void)allocated;
      for (DBCOUNTITEM i = 0; i < got; ++i) (*handles)[i] = i + 1;
    }
    *obtained = got;
    return got < static_cast<DBCOUNTITEM>(rows) ? DB_S_ENDOFROWSET : S_OK;
  });
}

HRESULT rowset::AddRefRows(DBCOUNTITEM rows, const HROW handles[], DBREFCOUNT ref_counts[],
                           DBROWSTATUS row_status[]) {
  if (rows && !handles) return E_INVALIDARG;
  DBCOUNTITEM bad = 0;
  for (DBCOUNTITEM i = 0; i < rows; ++i) {
    HROW h = handles[i];
    bool ok = h >= 1 && h <= slots_.size() && slots_[h - 1].refs > 0;
    if (ok)
      ++slots_[h - 1].refs;
    else
      ++bad;
    if (ref_counts) ref_counts[i] = ok ? slots_[h - 1].refs : 0;
    if (row_status) row_status[i] = ok ? 0 : 5;  // DBROWSTATUS_E_INVALID
  }
  if (bad == 0) return S_OK;
  return bad == rows ? DB_E_ERRORSOCCURRED : DB_S_ERRORSOCCURRED;
}

HRESULT rowset::ReleaseRows(DBCOUNTITEM rows, const HROW handles[], DBROWOPTIONS[],
                            DBREFCOUNT ref_counts[], DBROWSTATUS row_status[]) {
  if (rows && !handles) return E_INVALIDARG;
  DBCOUNTITEM bad = 0;
  for (DBCOUNTITEM i = 0; i < rows; ++i) {
    HROW h = handles[i];
    bool ok = h >= 1 && h <= slots_.size() && slots_[h - 1].refs > 0;
    if (ok)
      --slots_[h - 1].refs;
    else
      ++bad;
    if (ref_counts) ref_counts[i] = ok ? slots_[h - 1].refs : 0;
    if (row_status) row_status[i] = ok ? 0 : 5;
  }
  if (bad == 0) return S_OK;
  return bad == rows ? DB_E_ERRORSOCCURRED : DB_S_ERRORSOCCURRED;
}

HRESULT rowset::RestartPosition(HCHAPTER) {
  if (held_rows()) return DB_E_ROWSNOTRELEASED;
  return guarded([&]() -> HRESULT {
    rows_->restart();
    at_end_ = false;
    return S_OK;
  });
}

namespace {

// Reads a GUID from its stored text "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
bool parse_guid(const std::string& s, GUID& g) {
  if (s.size() != 36) return false;
  auto hex = [&](size_t pos, size_t n, uint64_t& out) {
    out = 0;
    for (size_t i = pos; i < pos + n; ++i) {
      char c = s[i];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                     : -1;
      if (d < 0) return false;
      out = out * 16 + static_cast<uint64_t>(d);
    }
    return true;
  };
  uint64_t a, b, c, d, e;
  if (!hex(0, 8, a) || !hex(9, 4, b) || !hex(14, 4, c) || !hex(19, 4, d) || !hex(24, 12, e))
    return false;
  g.Data1 = static_cast<uint32_t>(a);
  g.Data2 = static_cast<uint16_t>(b);
  g.Data3 = static_cast<uint16_t>(c);
  g.Data4[0] = static_cast<uint8_t>(d >> 8);
  g.Data4[1] = static_cast<uint8_t>(d);
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<uint8_t>(e >> (8 * (5 - i)));
  return true;
}

// A value as a number: integers exactly, others through their text.
bool as_double(const value& v, const column_type& t, double& out) {
  switch (v.k) {
    case value::kind::integer:
      out = t.kind == type_id::money || t.kind == type_id::smallmoney ? static_cast<double>(v.i) / 10000
                                                                  : static_cast<double>(v.i);
      return true;
    case value::kind::real:
      out = v.r;
      return true;
    case value::kind::text:
    case value::kind::number: {
      char* end = nullptr;
      out = std::strtod(v.s.c_str(), &end);
      return end && *end == '\0' && !v.s.empty();
    }
    default:
      return false;
  }
}

// UTF-8 to UTF-16 into `out` (replacing it), without a call per character:
// ASCII and two-byte sequences (Latin text) are decoded here, any other run of
// non-ASCII bytes by the text layer, so every value comes out as it would
// from it alone. No sequence spans an ASCII byte, so cutting runs there is
// safe.
void widen(std::string_view in, std::u16string& out) {
  out.resize(in.size());  // never more units than bytes
  char16_t* w = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const auto* end = p + in.size();
  thread_local std::u16string run;
  while (p < end) {
    const unsigned char b = *p;
    if (b < 0x80) {
      *w++ = b;
      ++p;
    } else if (b >= 0xC2 && b <= 0xDF && p + 1 < end && (p[1] & 0xC0) == 0x80) {
      *w++ = static_cast<char16_t>(((b & 0x1F) << 6) | (p[1] & 0x3F));
      p += 2;
    } else {
      // The run is decoded aside and copied in, so `out` is sized once: text
      // with many such runs (CJK between blanks) stays linear in its length.
      const unsigned char* q = p;
      while (q < end && *q >= 0x80) ++q;
      run.clear();
      text::append_utf8_to_utf16(
          std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(q - p)), run);
      std::memcpy(w, run.data(), run.size() * sizeof(char16_t));
      w += run.size();
      p = q;
    }
  }
  out.resize(static_cast<size_t>(w - out.data()));
}

}  // namespace

DBSTATUS rowset::write(const DBBINDING& b, size_t column, const value& v, BYTE* data) {
  const column_type& t = rows_->columns()[column].type;
  const DBTYPE base = b.wType & ~DBTYPE_BYREF;
  const bool byref = (b.wType & DBTYPE_BYREF) != 0;
  const bool want_value = (b.dwPart & DBPART_VALUE) != 0;
  BYTE* dst = data + b.obValue;
  DBLENGTH length = 0;
  DBSTATUS status = DBSTATUS_S_OK;

  // The length part goes in before the value: a reader that keeps only four
  // bytes for it (status, length, value at offsets 0, 4 and 8) still gets
  // its value whole, since the value then overwrites the length's upper half.
  auto put_length = [&](DBLENGTH n) {
    length = n;
    if (b.dwPart & DBPART_LENGTH) std::memcpy(data + b.obLength, &length, sizeof length);
  };
  // Variable-length results: the bytes, then copied with truncation.
  auto put_bytes = [&](const void* src, size_t n, size_t terminator) {
    put_length(n);
    if (!want_value) return;
    if (byref) {
      auto* p = static_cast<BYTE*>(CoTaskMemAlloc(n + terminator));
      if (!p) {
        status = DBSTATUS_E_CANTCREATE;
        return;
      }
      std::memcpy(p, src, n);
      std::memset(p + n, 0, terminator);
      std::memcpy(dst, &p, sizeof p);
      return;
    }
    if (b.cbMaxLen < terminator) {
      status = DBSTATUS_E_DATAOVERFLOW;
      return;
    }
    size_t room = static_cast<size_t>(b.cbMaxLen) - terminator;
    size_t copy = n;
    if (copy > room) {
      copy = terminator == 2 ? room & ~size_t{1} : room;
      status = DBSTATUS_S_TRUNCATED;
    }
    std::memcpy(dst, src, copy);
    std::memset(dst + copy, 0, terminator);
  };
  auto put_fixed = [&](const void* src, size_t n) {
    put_length(n);
    if (want_value) std::memcpy(dst, src, n);
  };

  switch (base) {
    case DBTYPE_WSTR: {
      // Stored text is taken as it is, not copied first.
      if (v.k == value::kind::text && t.kind != type_id::uniqueidentifier &&
          t.kind != type_id::datetime) {
        widen(v.s, wide_);
      } else {
        text_.clear();
        append_text_form(v, t, text_);
        widen(text_, wide_);
      }
      put_bytes(wide_.data(), wide_.size() * sizeof(char16_t), sizeof(char16_t));
      break;
    }
    case DBTYPE_STR: {
      text_.clear();
      append_text_form(v, t, text_);
      put_bytes(text_.data(), text_.size(), 1);
      break;
    }
    case DBTYPE_BYTES: {
      GUID g{};
      if (v.k == value::kind::blob) {
        put_bytes(v.s.data(), v.s.size(), 0);
      } else if (t.kind == type_id::uniqueidentifier && parse_guid(v.s, g)) {
        put_bytes(&g, sizeof g, 0);
      } else if (is_unicode(t.kind)) {
        widen(v.s, wide_);
        put_bytes(wide_.data(), wide_.size() * sizeof(char16_t), 0);
      } else {
        text_.clear();
        append_text_form(v, t, text_);
        put_bytes(text_.data(), text_.size(), 0);
      }
      break;
    }
    case DBTYPE_GUID: {
      GUID g{};
      if (v.k != value::kind::text || !parse_guid(v.s, g)) return DBSTATUS_E_CANTCONVERTVALUE;
      put_fixed(&g, sizeof g);
      break;
    }
    case DBTYPE_NUMERIC: {
      std::optional<decimal_number> d;
      if (v.k == value::kind::integer)
        d = decimal_number{
            v.i,
            static_cast<uint8_t>(t.kind == type_id::money || t.kind == type_id::smallmoney ? 4 : 0)};
      else if (v.k == value::kind::text || v.k == value::kind::number)
        d = parse_decimal_text(v.s);
      if (!d) return DBSTATUS_E_CANTCONVERTVALUE;
      DB_NUMERIC n{};
      __int128 m = d->unscaled;
      n.sign = m < 0 ? 0 : 1;
      if (m < 0) m = -m;
      n.precision = static_cast<BYTE>(digit_count(m));
      n.scale = d->scale;
      for (int i = 0; i < 16; ++i)
        n.val[i] = static_cast<BYTE>(static_cast<unsigned __int128>(m) >> (8 * i));
      put_fixed(&n, sizeof n);
      break;
    }
    case DBTYPE_DBTIMESTAMP:
    case DBTYPE_DBDATE:
    case DBTYPE_DATE: {
      if (v.k == value::kind::real && t.kind == type_id::ole_date && base == DBTYPE_DATE) {
        put_fixed(&v.r, sizeof v.r);
        break;
      }
      if (v.k != value::kind::text) return DBSTATUS_E_CANTCONVERTVALUE;
      auto p = parse_stored_date(v.s);
      if (!p) return DBSTATUS_E_CANTCONVERTVALUE;
      if (base == DBTYPE_DBTIMESTAMP) {
        DBTIMESTAMP ts{static_cast<int16_t>(p->year),           static_cast<uint16_t>(p->month),
                       static_cast<uint16_t>(p->day),           static_cast<uint16_t>(p->hour),
                       static_cast<uint16_t>(p->minute),        static_cast<uint16_t>(p->second),
                       static_cast<uint32_t>(p->fraction * 100)};
        put_fixed(&ts, sizeof ts);
      } else if (base == DBTYPE_DBDATE) {
        DBDATE d{static_cast<int16_t>(p->year), static_cast<uint16_t>(p->month),
                 static_cast<uint16_t>(p->day)};
        put_fixed(&d, sizeof d);
      } else {
        // Days since 1899-12-30; the time of day is the fraction.
        double days = static_cast<double>(days_from_civil(p->year, p->month, p->day) -
                                          days_from_civil(1899, 12, 30));
        double seconds = p->hour * 3600.0 + p->minute * 60.0 + p->second + p->fraction / 1e7;
        double ole = days + (days < 0 ? -seconds : seconds) / 86400.0;
        put_fixed(&ole, sizeof ole);
      }
      break;
    }
    case DBTYPE_R4:
    case DBTYPE_R8: {
      double d;
      if (!as_double(v, t, d)) return DBSTATUS_E_CANTCONVERTVALUE;
      if (base == DBTYPE_R4) {
        float f = static_cast<float>(d);
        put_fixed(&f, sizeof f);
      } else {
        put_fixed(&d, sizeof d);
      }
      break;
    }
    case DBTYPE_CY: {
      double d;
      int64_t units;
      if (v.k == value::kind::integer && (t.kind == type_id::money || t.kind == type_id::smallmoney))
        units = v.i;
      else if (as_double(v, t, d))
        units = static_cast<int64_t>(d * 10000 + (d < 0 ? -0.5 : 0.5));
      else
        return DBSTATUS_E_CANTCONVERTVALUE;
      put_fixed(&units, sizeof units);
      break;
    }
    default: {
      // Integers and booleans.
      double d;
      int64_t i;
      if (v.k == value::kind::integer && t.kind != type_id::money && t.kind != type_id::smallmoney)
        i = v.i;
      else if (as_double(v, t, d))
        i = static_cast<int64_t>(d);
      else
        return DBSTATUS_E_CANTCONVERTVALUE;
      auto fits = [&](int64_t lo, int64_t hi) { return i >= lo && i <= hi; };
      switch (base) {
        case DBTYPE_BOOL: {
          int16_t bv = i ? -1 : 0;
          put_fixed(&bv, sizeof bv);
          break;
        }
        case DBTYPE_I2: {
          if (!fits(INT16_MIN, INT16_MAX)) return DBSTATUS_E_DATAOVERFLOW;
          int16_t x = static_cast<int16_t>(i);
          put_fixed(&x, sizeof x);
          break;
        }
        case DBTYPE_UI1: {
          if (!fits(0, 255)) return DBSTATUS_E_DATAOVERFLOW;
          uint8_t x = static_cast<uint8_t>(i);
          put_fixed(&x, sizeof x);
          break;
        }
        case DBTYPE_UI2: {
          if (!fits(0, UINT16_MAX)) return DBSTATUS_E_DATAOVERFLOW;
          uint16_t x = static_cast<uint16_t>(i);
          put_fixed(&x, sizeof x);
          break;
        }
        case DBTYPE_I4: {
          if (!fits(INT32_MIN, INT32_MAX)) return DBSTATUS_E_DATAOVERFLOW;
          int32_t x = static_cast<int32_t>(i);
          put_fixed(&x, sizeof x);
          break;
        }
        case DBTYPE_UI4: {
          if (!fits(0, UINT32_MAX)) return DBSTATUS_E_DATAOVERFLOW;
          uint32_t x = static_cast<uint32_t>(i);
          put_fixed(&x, sizeof x);
          break;
        }
        case DBTYPE_UI8: {
          if (i < 0) return DBSTATUS_E_SIGNMISMATCH;
          uint64_t x = static_cast<uint64_t>(i);
          put_fixed(&x, sizeof x);
          break;
        }
        default:
          put_fixed(&i, sizeof i);
          break;
      }
    }
  }
  return status;
}

HRESULT rowset::GetData(HROW row, HACCESSOR accessor, void* data) {
  auto it = accessors_.find(accessor);
  if (it == accessors_.end()) return DB_E_BADACCESSORHANDLE;
  if (row < 1 || row > slots_.size() || slots_[row - 1].refs == 0) return DB_E_BADROWHANDLE;
  if (!data) return E_INVALIDARG;
  const auto& values = slots_[row - 1].row;
  auto* bytes = static_cast<BYTE*>(data);
  size_t failed = 0, warned = 0;
  for (const DBBINDING& b : it->second.bindings) {
    const size_t c = static_cast<size_t>(b.iOrdinal - 1);
    DBSTATUS st;
    if (values[c].is_null()) {
      st = DBSTATUS_S_ISNULL;
      if (b.dwPart & DBPART_LENGTH) {
        DBLENGTH zero = 0;
        std::memcpy(bytes + b.obLength, &zero, sizeof zero);
      }
    } else {
      st = write(b, c, values[c], bytes);
    }
    if (st == DBSTATUS_S_TRUNCATED)
      ++warned;
    else if (st != DBSTATUS_S_OK && st != DBSTATUS_S_ISNULL)
      ++failed;
    if (b.dwPart & DBPART_STATUS) std::memcpy(bytes + b.obStatus, &st, sizeof st);
  }
  const size_t n = it->second.bindings.size();
  if (failed == n) return DB_E_ERRORSOCCURRED;
  return failed || warned ? DB_S_ERRORSOCCURRED : S_OK;
}

}  // namespace tsl::oledb
