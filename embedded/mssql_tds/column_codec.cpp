#include "embedded/mssql_tds/column_codec.h"

#include <algorithm>
#include <cstring>

#include "embedded/mssql/datetime.h"
#include "embedded/mssql/decimal.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/cp1252.h"
#include "embedded/mssql_tds/protocol.h"
#include "platform/text/utf.h"

namespace tsl::tds {
namespace {

using mssql::type_id;
using mssql::value;

constexpr uint16_t kTimestampUserType = 80;
constexpr uint16_t kNullable = 0x0001;
constexpr uint16_t kMaxChars = 0xFFFF;  // TYPE_INFO length of a (max) type
// Chunks of a PLP value; any size is valid, this one keeps packets full.
constexpr size_t kPlpChunk = 8000;
// Text pointer and timestamp of text/ntext/image values: clients only check
// that they are there.
constexpr char kTextPointer[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr char kTextTimestamp[8] = {0, 0, 0, 0, 0, 0, 0, 1};

uint8_t decimal_bytes(uint8_t precision) {
  if (precision <= 9) return 4;
  if (precision <= 19) return 8;
  if (precision <= 28) return 12;
  return 16;
}

uint8_t time_bytes(uint8_t scale) {
  return scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
}

const int64_t kDay1900 = mssql::days_from_civil(1900, 1, 1);
const int64_t kDay1 = mssql::days_from_civil(1, 1, 1);

mssql::datetime_parts parts_of(const std::string& stored) {
  auto p = mssql::parse_datetime(stored);
  if (!p) throw mssql::err::date_conversion();
  return *p;
}

int64_t day_number(const mssql::datetime_parts& p) {
  return mssql::days_from_civil(p.year, p.month, p.day);
}

void put_bytes_le(wire_writer& w, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) w.u8(static_cast<uint8_t>(v >> (8 * i)));
}

// Time of day in units of 10^-scale seconds.
uint64_t time_units(int64_t seconds, int64_t fraction, uint8_t scale) {
  uint64_t v = static_cast<uint64_t>(seconds);
  for (int i = 0; i < scale; ++i) v *= 10;
  int64_t f = fraction;
  for (int i = scale; i < 7; ++i) f /= 10;
  return v + static_cast<uint64_t>(f);
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether a value's kind is the one the column's type stores.
bool stored_kind(const value& v, type_id id) {
  switch (mssql::storage_of(id)) {
    case mssql::storage_class::integer:
      return v.k == value::kind::integer;
    case mssql::storage_class::real:
      return v.k == value::kind::real;
    case mssql::storage_class::text:
      return v.k == value::kind::text;
    case mssql::storage_class::blob:
      return v.k == value::kind::blob;
  }
  return false;
}

}  // namespace

column_codec::column_codec(const mssql::result_column& column, uint32_t tds_version,
                           int64_t text_limit)
    : column_(column),
      version_(tds_version),
      text_limit_(static_cast<size_t>(std::max<int64_t>(text_limit, 1))) {
  const mssql::sql_type& t = column_.type;
  const bool plp = version::has_plp(version_);
  const int32_t len = t.length;
  auto char_form = [&](bool unicode, bool fixed) {
    const int32_t limit = unicode ? 4000 : 8000;
    if (t.is_max() || len > limit) {
      form_ = plp ? (unicode ? form::plp_nvarchar : form::plp_varchar)
                  : (unicode ? form::ntext : form::text);
      return;
    }
    form_ = unicode ? (fixed ? form::nchar : form::nvarchar) : (fixed ? form::bigchar : form::bigvarchar);
    max_length_ = static_cast<uint16_t>((len > 0 ? len : 1) * (unicode ? 2 : 1));
  };
  auto binary_form = [&](bool fixed) {
    if (t.is_max() || len > 8000) {
      form_ = plp ? form::plp_varbinary : form::image;
      return;
    }
    form_ = fixed ? form::bigbinary : form::bigvarbinary;
    max_length_ = static_cast<uint16_t>(len > 0 ? len : 1);
  };
  switch (t.id) {
    case type_id::bit:
      form_ = form::bitn;
      size_ = 1;
      break;
    case type_id::tinyint:
      form_ = form::intn;
      size_ = 1;
      break;
    case type_id::smallint:
    case type_id::ole_i2:
    case type_id::ole_ui2:
      form_ = form::intn;
      size_ = 2;
      break;
    case type_id::int_:
    case type_id::ole_i4:
    case type_id::ole_ui4:
      form_ = form::intn;
      size_ = 4;
      break;
    case type_id::bigint:
    case type_id::ole_ui8:
      form_ = form::intn;
      size_ = 8;
      break;
    case type_id::decimal:
    case type_id::numeric:
      form_ = form::decimaln;
      size_ = static_cast<uint8_t>(1 + decimal_bytes(t.precision ? t.precision : 38));
      scale_ = t.scale;
      break;
    case type_id::money:
      form_ = form::moneyn;
      size_ = 8;
      break;
    case type_id::smallmoney:
      form_ = form::moneyn;
      size_ = 4;
      break;
    case type_id::float_:
    case type_id::ole_date:
      form_ = form::fltn;
      size_ = 8;
      break;
    case type_id::real:
      form_ = form::fltn;
      size_ = 4;
      break;
    case type_id::datetime:
      form_ = form::datetimen;
      size_ = 8;
      break;
    case type_id::smalldatetime:
      form_ = form::datetimen;
      size_ = 4;
      break;
    case type_id::date:
    case type_id::time:
    case type_id::datetime2:
    case type_id::datetimeoffset:
      scale_ = t.scale;
      if (!version::has_dates(version_)) {
        // Older clients get the literal text.
        dates_as_text_ = true;
        form_ = form::nvarchar;
        const int frac = t.scale ? t.scale + 1 : 0;
        const int chars = t.id == type_id::date ? 10
                          : t.id == type_id::time ? 8 + frac
                          : t.id == type_id::datetime2 ? 19 + frac
                                                      : 26 + frac;
        max_length_ = static_cast<uint16_t>(2 * chars);
        break;
      }
      form_ = t.id == type_id::date       ? form::date
              : t.id == type_id::time     ? form::time
              : t.id == type_id::datetime2 ? form::datetime2
                                           : form::datetimeoffset;
      break;
    case type_id::char_:
      char_form(false, true);
      break;
    case type_id::varchar:
      char_form(false, false);
      break;
    case type_id::nchar:
      char_form(true, true);
      break;
    case type_id::nvarchar:
      char_form(true, false);
      break;
    case type_id::text:
      form_ = form::text;
      break;
    case type_id::ntext:
      form_ = form::ntext;
      break;
    case type_id::xml:
      form_ = plp ? form::xml : form::ntext;
      break;
    case type_id::binary:
      binary_form(true);
      break;
    case type_id::varbinary:
      binary_form(false);
      break;
    case type_id::timestamp:
      form_ = form::bigbinary;
      max_length_ = 8;
      break;
    case type_id::image:
      form_ = form::image;
      break;
    case type_id::uniqueidentifier:
      form_ = form::guid;
      size_ = 16;
      break;
    case type_id::sql_variant:
      form_ = form::variant;
      break;
  }
}

void column_codec::write_metadata(wire_writer& w) const {
  const mssql::sql_type& t = column_.type;
  const uint16_t user_type = t.id == type_id::timestamp ? kTimestampUserType : 0;
  if (version::has_plp(version_))
    w.u32(user_type);
  else
    w.u16(user_type);
  w.u16(column_.nullable ? kNullable : 0);
  auto collation = [&] { w.raw(kCollation, 5); };
  auto table_name = [&] {
    if (version::has_plp(version_))
      w.u8(0);  // no parts: the value is no column of one table
    else
      w.u16(0);
  };
  switch (form_) {
    case form::intn:
      w.u8(0x26);
      w.u8(size_);
      break;
    case form::bitn:
      w.u8(0x68);
      w.u8(1);
      break;
    case form::fltn:
      w.u8(0x6D);
      w.u8(size_);
      break;
    case form::moneyn:
      w.u8(0x6E);
      w.u8(size_);
      break;
    case form::datetimen:
      w.u8(0x6F);
      w.u8(size_);
      break;
    case form::decimaln:
      w.u8(t.id == type_id::numeric ? 0x6C : 0x6A);
      w.u8(size_);
      w.u8(t.precision ? t.precision : 38);
      w.u8(t.scale);
      break;
    case form::date:
      w.u8(0x28);
      break;
    case form::time:
      w.u8(0x29);
      w.u8(scale_);
      break;
    case form::datetime2:
      w.u8(0x2A);
      w.u8(scale_);
      break;
    case form::datetimeoffset:
      w.u8(0x2B);
      w.u8(scale_);
      break;
    case form::bigchar:
    case form::bigvarchar:
    case form::nchar:
    case form::nvarchar:
      w.u8(form_ == form::bigchar      ? 0xAF
           : form_ == form::bigvarchar ? 0xA7
           : form_ == form::nchar      ? 0xEF
                                       : 0xE7);
      w.u16(max_length_);
      collation();
      break;
    case form::plp_varchar:
    case form::plp_nvarchar:
      w.u8(form_ == form::plp_varchar ? 0xA7 : 0xE7);
      w.u16(kMaxChars);
      collation();
      break;
    case form::bigbinary:
    case form::bigvarbinary:
      w.u8(form_ == form::bigbinary ? 0xAD : 0xA5);
      w.u16(max_length_);
      break;
    case form::plp_varbinary:
      w.u8(0xA5);
      w.u16(kMaxChars);
      break;
    case form::xml:
      w.u8(0xF1);
      w.u8(0);  // no schema collection
      break;
    case form::text:
      w.u8(0x23);
      w.u32(0x7FFFFFFF);
      collation();
      table_name();
      break;
    case form::ntext:
      w.u8(0x63);
      w.u32(0x7FFFFFFE);
      collation();
      table_name();
      break;
    case form::image:
      w.u8(0x22);
      w.u32(0x7FFFFFFF);
      table_name();
      break;
    case form::guid:
      w.u8(0x24);
      w.u8(16);
      break;
    case form::variant:
      w.u8(0x62);
      w.u32(8009);
      break;
  }
  w.b_varchar(text::utf8_to_utf16(column_.name));
}

void column_codec::write_chars(const std::string& utf8, bool unicode) {
  wide_.clear();
  text::append_utf8_to_utf16(utf8, wide_);
  narrow_.clear();
  if (unicode) {
    narrow_.resize(wide_.size() * 2);
    char* p = narrow_.data();
    for (char16_t c : wide_) {
      *p++ = static_cast<char>(c & 0xFF);
      *p++ = static_cast<char>(c >> 8);
    }
  } else {
    append_cp1252(wide_, narrow_);
  }
}

std::string_view column_codec::limited(const std::string& bytes) const {
  // SQL Server cuts these values at TEXTSIZE bytes (whole characters of UTF-16).
  size_t n = std::min(bytes.size(), text_limit_);
  if (n < bytes.size() && (form_ == form::ntext || form_ == form::plp_nvarchar)) n &= ~size_t{1};
  return std::string_view(bytes).substr(0, n);
}

void column_codec::write_plp(wire_writer& w, std::string_view bytes) {
  w.u64(bytes.size());
  for (size_t at = 0; at < bytes.size(); at += kPlpChunk) {
    const size_t n = std::min(kPlpChunk, bytes.size() - at);
    w.u32(static_cast<uint32_t>(n));
    w.raw(bytes.data() + at, n);
  }
  w.u32(0);
}

void column_codec::write_long(wire_writer& w, std::string_view bytes) {
  w.u8(sizeof kTextPointer);
  w.raw(kTextPointer, sizeof kTextPointer);
  w.raw(kTextTimestamp, sizeof kTextTimestamp);
  w.u32(static_cast<uint32_t>(bytes.size()));
  w.raw(bytes);
}

void column_codec::write_value(wire_writer& w, const value& in) {
  if (in.is_null()) {
    switch (form_) {
      case form::bigchar:
      case form::bigvarchar:
      case form::nchar:
      case form::nvarchar:
      case form::bigbinary:
      case form::bigvarbinary:
        w.u16(0xFFFF);
        return;
      case form::plp_varchar:
      case form::plp_nvarchar:
      case form::plp_varbinary:
      case form::xml:
        w.u64(~uint64_t{0});
        return;
      case form::text:
      case form::ntext:
      case form::image:
        w.u8(0);
        return;
      case form::variant:
        w.u32(0);
        return;
      default:
        w.u8(0);
        return;
    }
  }
  // Computed values may come in another kind than the type stores.
  value converted;
  const value* vp = &in;
  if (!stored_kind(in, column_.type.id)) {
    converted = mssql::convert_to(in, column_.type);
    vp = &converted;
  }
  const value& v = *vp;
  switch (form_) {
    case form::intn:
    case form::bitn:
      w.u8(size_);
      put_bytes_le(w, static_cast<uint64_t>(form_ == form::bitn ? (v.i != 0) : v.i), size_);
      return;
    case form::fltn:
      w.u8(size_);
      if (size_ == 8) {
        uint64_t bits;
        std::memcpy(&bits, &v.r, 8);
        w.u64(bits);
      } else {
        float f = static_cast<float>(v.r);
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        w.u32(bits);
      }
      return;
    case form::moneyn:
      w.u8(size_);
      if (size_ == 8) {
        const auto m = static_cast<uint64_t>(v.i);
        w.u32(static_cast<uint32_t>(m >> 32));
        w.u32(static_cast<uint32_t>(m));
      } else {
        w.u32(static_cast<uint32_t>(static_cast<int32_t>(v.i)));
      }
      return;
    case form::datetimen: {
      const mssql::datetime_parts p = parts_of(v.s);
      const int64_t days = day_number(p) - kDay1900;
      w.u8(size_);
      if (size_ == 8) {
        const int64_t ticks300 = (p.fraction * 300 + 5000000) / 10000000;
        w.u32(static_cast<uint32_t>(static_cast<int32_t>(days)));
        w.u32(static_cast<uint32_t>((p.hour * 3600 + p.minute * 60 + p.second) * 300 + ticks300));
      } else {
        w.u16(static_cast<uint16_t>(days));
        w.u16(static_cast<uint16_t>(p.hour * 60 + p.minute));
      }
      return;
    }
    case form::decimaln: {
      auto d = mssql::parse_decimal(v.s);
      if (!d) throw mssql::err::overflow("numeric");
      __int128 u = d->unscaled;
      for (int s = d->scale; s < scale_; ++s) u *= 10;
      for (int s = d->scale; s > scale_; --s) u /= 10;
      const bool negative = u < 0;
      unsigned __int128 mag = static_cast<unsigned __int128>(negative ? -u : u);
      const uint8_t n = static_cast<uint8_t>(size_ - 1);
      w.u8(size_);
      w.u8(negative ? 0 : 1);
      for (int i = 0; i < n; ++i) w.u8(static_cast<uint8_t>(mag >> (8 * i)));
      return;
    }
    case form::date: {
      const mssql::datetime_parts p = parts_of(v.s);
      w.u8(3);
      put_bytes_le(w, static_cast<uint64_t>(day_number(p) - kDay1), 3);
      return;
    }
    case form::time:
    case form::datetime2:
    case form::datetimeoffset: {
      const mssql::datetime_parts p = parts_of(v.s);
      int64_t days = day_number(p);
      int64_t seconds = p.hour * 3600 + p.minute * 60 + p.second;
      if (form_ == form::datetimeoffset) {
        // Sent in UTC with the offset beside it.
        seconds -= p.offset_minutes * 60;
        while (seconds < 0) {
          seconds += 86400;
          --days;
        }
        while (seconds >= 86400) {
          seconds -= 86400;
          ++days;
        }
      }
      const uint8_t tb = time_bytes(scale_);
      const uint8_t length = static_cast<uint8_t>(
          tb + (form_ == form::time ? 0 : 3) + (form_ == form::datetimeoffset ? 2 : 0));
      w.u8(length);
      put_bytes_le(w, time_units(seconds, p.fraction, scale_), tb);
      if (form_ != form::time) put_bytes_le(w, static_cast<uint64_t>(days - kDay1), 3);
      if (form_ == form::datetimeoffset) w.u16(static_cast<uint16_t>(static_cast<int16_t>(p.offset_minutes)));
      return;
    }
    case form::bigchar:
    case form::bigvarchar:
    case form::nchar:
    case form::nvarchar: {
      const bool unicode = form_ == form::nchar || form_ == form::nvarchar;
      write_chars(v.s, unicode);
      if (narrow_.size() > max_length_) throw mssql::err::truncated();
      // char(n) and nchar(n) are padded to their length in the wire's
      // encoding (the engine pads in UTF-8).
      if (form_ == form::bigchar) narrow_.resize(max_length_, ' ');
      if (form_ == form::nchar)
        while (narrow_.size() + 2 <= max_length_) narrow_.append(" \0", 2);
      w.u16(static_cast<uint16_t>(narrow_.size()));
      w.raw(narrow_);
      return;
    }
    case form::plp_varchar:
    case form::plp_nvarchar:
      write_chars(v.s, form_ != form::plp_varchar);
      write_plp(w, limited(narrow_));
      return;
    case form::xml:
      write_chars(v.s, true);
      write_plp(w, narrow_);
      return;
    case form::text:
    case form::ntext:
      write_chars(v.s, form_ == form::ntext);
      write_long(w, limited(narrow_));
      return;
    case form::bigbinary:
    case form::bigvarbinary: {
      if (v.s.size() > max_length_) throw mssql::err::truncated();
      w.u16(static_cast<uint16_t>(v.s.size()));
      w.raw(v.s);
      return;
    }
    case form::plp_varbinary:
      write_plp(w, limited(v.s));
      return;
    case form::image:
      write_long(w, limited(v.s));
      return;
    case form::guid: {
      uint8_t b[16] = {};
      size_t k = 0;
      for (size_t i = 0; i + 1 < v.s.size() && k < 16; ++i) {
        if (v.s[i] == '-') continue;
        const int hi = hex_digit(v.s[i]), lo = hex_digit(v.s[i + 1]);
        if (hi < 0 || lo < 0) break;
        b[k++] = static_cast<uint8_t>(hi << 4 | lo);
        ++i;
      }
      if (k != 16) throw mssql::err::generic(8169, "Conversion failed when converting from a character string to uniqueidentifier.");
      static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      w.u8(16);
      for (int i : kOrder) w.u8(b[i]);
      return;
    }
    case form::variant: {
      // The stored value keeps no base type: it travels as nvarchar.
      write_chars(v.s, true);
      if (narrow_.size() > 8000) throw mssql::err::truncated();
      const size_t n = narrow_.size();
      w.u32(static_cast<uint32_t>(2 + 7 + n));
      w.u8(0xE7);
      w.u8(7);
      w.raw(kCollation, 5);
      w.u16(8000);
      w.raw(narrow_.data(), n);
      return;
    }
  }
}

}  // namespace tsl::tds
