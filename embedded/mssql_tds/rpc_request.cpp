#include "embedded/mssql_tds/rpc_request.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "embedded/mssql/datetime.h"
#include "embedded/mssql/decimal.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/all_headers.h"
#include "embedded/mssql_tds/cp1252.h"
#include "embedded/mssql_tds/protocol.h"
#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/wire_reader.h"
#include "platform/text/utf.h"

namespace tsl::tds {
namespace {

using mssql::value;

constexpr uint64_t kPlpNull = ~uint64_t{0};
constexpr uint64_t kPlpUnknown = ~uint64_t{0} - 1;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int64_t signed_le(std::string_view b) {
  uint64_t v = 0;
  for (size_t i = b.size(); i-- > 0;) v = (v << 8) | static_cast<uint8_t>(b[i]);
  if (b.size() < 8 && (static_cast<uint8_t>(b.back()) & 0x80)) v |= ~uint64_t{0} << (8 * b.size());
  return static_cast<int64_t>(v);
}

uint64_t unsigned_le(std::string_view b) {
  uint64_t v = 0;
  for (size_t i = b.size(); i-- > 0;) v = (v << 8) | static_cast<uint8_t>(b[i]);
  return v;
}

const int64_t kDay1900 = mssql::days_from_civil(1900, 1, 1);
const int64_t kDay1 = mssql::days_from_civil(1, 1, 1);

std::string date_text(int64_t day) {
  int y, m, d;
  mssql::civil_from_days(day, y, m, d);
  char b[40];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d", y, m, d);
  return b;
}

// hh:mm:ss.fffffff from 100-ns units since midnight.
std::string time_text(int64_t units) {
  char b[64];
  const int64_t s = units / 10000000;
  std::snprintf(b, sizeof b, "%02lld:%02lld:%02lld.%07lld", static_cast<long long>(s / 3600),
                static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60),
                static_cast<long long>(units % 10000000));
  return b;
}

int64_t time_100ns(std::string_view b, uint8_t scale) {
  int64_t v = static_cast<int64_t>(unsigned_le(b));
  for (int i = scale; i < 7; ++i) v *= 10;
  return v;
}

value money_value(int64_t units) {
  return value::of_number(mssql::format_decimal(mssql::decimal_value{units, 4}));
}

value datetime_value(int32_t days, uint32_t ticks) {
  const int64_t units = (static_cast<int64_t>(ticks) * 10000000 + 150) / 300;
  return value::of_text(date_text(kDay1900 + days) + " " + time_text(units));
}

value smalldatetime_value(uint16_t days, uint16_t minutes) {
  return value::of_text(date_text(kDay1900 + days) + " " +
                        time_text(static_cast<int64_t>(minutes) * 60 * 10000000));
}

value decimal_value_of(std::string_view b, uint8_t scale) {
  if (b.empty()) throw tds_error("decimal parameter without its sign byte");
  const bool positive = b[0] != 0;
  unsigned __int128 mag = 0;
  for (size_t i = b.size(); i-- > 1;) mag = (mag << 8) | static_cast<uint8_t>(b[i]);
  unsigned __int128 limit = 1;
  for (int i = 0; i < 38; ++i) limit *= 10;
  if (mag >= limit) throw tds_error("decimal parameter out of range");
  __int128 u = static_cast<__int128>(mag);
  return value::of_number(mssql::format_decimal(mssql::decimal_value{positive ? u : -u, scale}));
}

std::string guid_text(std::string_view b) {
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
    const auto c = static_cast<uint8_t>(b[static_cast<size_t>(kOrder[i])]);
    s += kHex[c >> 4];
    s += kHex[c & 15];
  }
  return s;
}

value utf16le_text(std::string_view b) {
  if (b.size() % 2) throw tds_error("Unicode parameter with an odd number of bytes");
  wire_reader r(b);
  return value::of_text(text::utf16_to_utf8(r.ucs2(b.size() / 2)));
}

std::string read_plp(wire_reader& r, bool& is_null) {
  const uint64_t total = r.u64();
  is_null = total == kPlpNull;
  std::string out;
  if (is_null) return out;
  if (total != kPlpUnknown && total > r.remaining())
    throw tds_error("PLP parameter longer than its message");
  for (;;) {
    const uint32_t chunk = r.u32();
    if (chunk == 0) break;
    out.append(r.bytes(chunk));
  }
  if (total != kPlpUnknown && out.size() != total)
    throw tds_error("PLP parameter chunks do not add up to its length");
  return out;
}

[[noreturn]] void unknown_type(size_t ordinal, const std::string& name, uint8_t type) {
  char b[8];
  std::snprintf(b, sizeof b, "0x%02X", type);
  throw mssql::err::generic(
      8009, "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol stream is "
            "incorrect. Parameter " + std::to_string(ordinal) + " (\"" + name +
                "\"): Data type " + b + " is unknown.");
}

void declare(rpc_param& p, mssql::type_id id, int32_t length = 0, uint8_t precision = 0,
             uint8_t scale = 0) {
  p.type.id = id;
  p.type.length = length;
  p.type.precision = precision;
  p.type.scale = scale;
  p.typed = true;
}

mssql::type_id int_type(size_t bytes) {
  return bytes == 1 ? mssql::type_id::tinyint
         : bytes == 2 ? mssql::type_id::smallint
         : bytes == 4 ? mssql::type_id::int_
                      : mssql::type_id::bigint;
}

// TYPE_INFO then the value of one parameter.
void read_value(wire_reader& r, rpc_param& p, size_t ordinal) {
  using mssql::type_id;
  const uint8_t type = r.u8();
  auto fixed = [&](size_t n) { return r.bytes(n); };
  auto byte_len = [&](uint8_t max) -> std::optional<std::string_view> {
    const uint8_t n = r.u8();
    if (n == 0) return std::nullopt;
    if (n > max) throw tds_error("parameter value longer than its type");
    return r.bytes(n);
  };
  switch (type) {
    case 0x1F:  // NULLTYPE
      return;
    case 0x30:
      declare(p, type_id::tinyint);
      p.v = value::of_int(static_cast<uint8_t>(fixed(1)[0]));
      return;
    case 0x32:
      declare(p, type_id::bit);
      p.v = value::of_int(fixed(1)[0] != 0);
      return;
    case 0x34:
      declare(p, type_id::smallint);
      p.v = value::of_int(signed_le(fixed(2)));
      return;
    case 0x38:
      declare(p, type_id::int_);
      p.v = value::of_int(signed_le(fixed(4)));
      return;
    case 0x7F:
      declare(p, type_id::bigint);
      p.v = value::of_int(signed_le(fixed(8)));
      return;
    case 0x3B: {
      declare(p, type_id::real);
      uint32_t bits = static_cast<uint32_t>(unsigned_le(fixed(4)));
      float f;
      std::memcpy(&f, &bits, 4);
      p.v = value::of_real(f);
      return;
    }
    case 0x3E: {
      declare(p, type_id::float_);
      uint64_t bits = unsigned_le(fixed(8));
      double d;
      std::memcpy(&d, &bits, 8);
      p.v = value::of_real(d);
      return;
    }
    case 0x3C: {
      declare(p, type_id::money);
      const uint64_t hi = r.u32(), lo = r.u32();
      p.v = money_value(static_cast<int64_t>((hi << 32) | lo));
      return;
    }
    case 0x7A:
      declare(p, type_id::smallmoney);
      p.v = money_value(signed_le(fixed(4)));
      return;
    case 0x3D: {
      declare(p, type_id::datetime);
      const auto days = static_cast<int32_t>(r.u32());
      p.v = datetime_value(days, r.u32());
      return;
    }
    case 0x3A: {
      declare(p, type_id::smalldatetime);
      const uint16_t days = r.u16();
      p.v = smalldatetime_value(days, r.u16());
      return;
    }
    case 0x26:    // INTN
    case 0x68:    // BITN
    case 0x6D:    // FLTN
    case 0x6E:    // MONEYN
    case 0x6F: {  // DATETIMN
      const uint8_t max = r.u8();
      switch (type) {
        case 0x26:
          declare(p, int_type(max));
          break;
        case 0x68:
          declare(p, type_id::bit);
          break;
        case 0x6D:
          declare(p, max == 4 ? type_id::real : type_id::float_);
          break;
        case 0x6E:
          declare(p, max == 4 ? type_id::smallmoney : type_id::money);
          break;
        default:
          declare(p, max == 4 ? type_id::smalldatetime : type_id::datetime);
          break;
      }
      auto b = byte_len(max);
      if (!b) return;
      if (type == 0x26 && (b->size() == 1 || b->size() == 2 || b->size() == 4 || b->size() == 8))
        p.v = value::of_int(b->size() == 1 ? static_cast<uint8_t>((*b)[0]) : signed_le(*b));
      else if (type == 0x68 && b->size() == 1)
        p.v = value::of_int((*b)[0] != 0);
      else if (type == 0x6D && b->size() == 4) {
        uint32_t bits = static_cast<uint32_t>(unsigned_le(*b));
        float f;
        std::memcpy(&f, &bits, 4);
        p.v = value::of_real(f);
      } else if (type == 0x6D && b->size() == 8) {
        uint64_t bits = unsigned_le(*b);
        double d;
        std::memcpy(&d, &bits, 8);
        p.v = value::of_real(d);
      } else if (type == 0x6E && b->size() == 8)
        p.v = money_value(static_cast<int64_t>((unsigned_le(b->substr(0, 4)) << 32) |
                                               unsigned_le(b->substr(4, 4))));
      else if (type == 0x6E && b->size() == 4)
        p.v = money_value(signed_le(*b));
      else if (type == 0x6F && b->size() == 8)
        p.v = datetime_value(static_cast<int32_t>(unsigned_le(b->substr(0, 4))),
                             static_cast<uint32_t>(unsigned_le(b->substr(4, 4))));
      else if (type == 0x6F && b->size() == 4)
        p.v = smalldatetime_value(static_cast<uint16_t>(unsigned_le(b->substr(0, 2))),
                                  static_cast<uint16_t>(unsigned_le(b->substr(2, 2))));
      else
        throw tds_error("parameter of type " + std::to_string(type) + " has a bad length");
      return;
    }
    case 0x24: {  // GUID
      r.u8();
      declare(p, type_id::uniqueidentifier);
      auto b = byte_len(16);
      if (!b) return;
      if (b->size() != 16) throw tds_error("uniqueidentifier parameter is not 16 bytes");
      p.v = value::of_text(guid_text(*b));
      return;
    }
    case 0x6A:
    case 0x6C:
    case 0x37:
    case 0x3F: {
      r.u8();  // max length
      const uint8_t precision = r.u8();
      const uint8_t scale = r.u8();
      if (precision < 1 || precision > 38 || scale > precision)
        throw tds_error("decimal parameter with a bad precision or scale");
      declare(p, type == 0x6C || type == 0x3F ? type_id::numeric : type_id::decimal, 0, precision,
              scale);
      auto b = byte_len(17);
      if (b) p.v = decimal_value_of(*b, scale);
      return;
    }
    case 0x28: {  // date
      declare(p, type_id::date);
      auto b = byte_len(3);
      if (!b) return;
      if (b->size() != 3) throw tds_error("date parameter is not 3 bytes");
      p.v = value::of_text(date_text(kDay1 + static_cast<int64_t>(unsigned_le(*b))));
      return;
    }
    case 0x29:
    case 0x2A:
    case 0x2B: {
      const uint8_t scale = r.u8();
      if (scale > 7) throw tds_error("time parameter with a scale over 7");
      declare(p, type == 0x29 ? type_id::time : type == 0x2A ? type_id::datetime2 : type_id::datetimeoffset,
              0, 0, scale);
      const size_t tb = scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
      const size_t want = tb + (type == 0x29 ? 0 : 3) + (type == 0x2B ? 2 : 0);
      auto b = byte_len(static_cast<uint8_t>(want));
      if (!b) return;
      if (b->size() != want) throw tds_error("time parameter has a bad length");
      int64_t units = time_100ns(b->substr(0, tb), scale);
      if (units >= 864000000000LL) throw tds_error("time parameter past midnight");
      if (type == 0x29) {
        p.v = value::of_text(time_text(units));
        return;
      }
      int64_t day = kDay1 + static_cast<int64_t>(unsigned_le(b->substr(tb, 3)));
      if (type == 0x2A) {
        p.v = value::of_text(date_text(day) + " " + time_text(units));
        return;
      }
      // datetimeoffset comes in UTC: shown in its own offset.
      const auto offset = static_cast<int16_t>(unsigned_le(b->substr(tb + 3, 2)));
      if (offset < -840 || offset > 840) throw tds_error("datetimeoffset parameter offset out of range");
      units += static_cast<int64_t>(offset) * 60 * 10000000;
      while (units < 0) {
        units += 864000000000LL;
        --day;
      }
      while (units >= 864000000000LL) {
        units -= 864000000000LL;
        ++day;
      }
      char off[24];
      const int a = offset < 0 ? -offset : offset;
      std::snprintf(off, sizeof off, "%c%02d:%02d", offset < 0 ? '-' : '+', a / 60, a % 60);
      p.v = value::of_text(date_text(day) + " " + time_text(units) + " " + off);
      return;
    }
    case 0xA7:
    case 0xAF:
    case 0xE7:
    case 0xEF:
    case 0xA5:
    case 0xAD: {
      const uint16_t max = r.u16();
      const bool chars = type != 0xA5 && type != 0xAD;
      const bool wide = type == 0xE7 || type == 0xEF;
      const int32_t length = max == 0xFFFF ? mssql::sql_type::kMax : std::max(1, wide ? max / 2 : max);
      declare(p,
              type == 0xA7   ? type_id::varchar
              : type == 0xAF ? type_id::char_
              : type == 0xE7 ? type_id::nvarchar
              : type == 0xEF ? type_id::nchar
              : type == 0xA5 ? type_id::varbinary
                             : type_id::binary,
              length);
      if (chars) r.skip(5);  // collation
      std::string bytes;
      if (max == 0xFFFF) {
        bool is_null = false;
        bytes = read_plp(r, is_null);
        if (is_null) return;
      } else {
        const uint16_t n = r.u16();
        if (n == 0xFFFF) return;
        bytes = std::string(r.bytes(n));
      }
      if (type == 0xE7 || type == 0xEF) {
        p.v = utf16le_text(bytes);
        p.unicode = true;
      } else if (chars) {
        p.v = value::of_text(text::utf16_to_utf8(cp1252_to_utf16(bytes)));
      } else {
        p.v = value::of_blob(std::move(bytes));
      }
      return;
    }
    case 0x23:
    case 0x63:
    case 0x22: {
      r.u32();                      // max length
      if (type != 0x22) r.skip(5);  // collation
      declare(p, type == 0x23 ? type_id::text : type == 0x63 ? type_id::ntext : type_id::image);
      const uint32_t n = r.u32();
      if (n == 0xFFFFFFFF) return;
      std::string_view bytes = r.bytes(n);
      if (type == 0x63) {
        p.v = utf16le_text(bytes);
        p.unicode = true;
      } else if (type == 0x23) {
        p.v = value::of_text(text::utf16_to_utf8(cp1252_to_utf16(bytes)));
      } else {
        p.v = value::of_blob(std::string(bytes));
      }
      return;
    }
    default:
      unknown_type(ordinal, p.name, type);
  }
}

}  // namespace

std::vector<rpc_call> parse_rpc(std::string_view payload, uint32_t tds_version) {
  wire_reader r(payload);
  r.skip(all_headers_length(payload, tds_version));
  std::vector<rpc_call> calls;
  while (!r.at_end()) {
    rpc_call c;
    const uint16_t name_length = r.u16();
    if (name_length == 0xFFFF)
      c.proc_id = r.u16();
    else
      c.proc = lower(text::utf16_to_utf8(r.ucs2(name_length)));
    r.u16();  // option flags
    while (!r.at_end()) {
      const uint8_t next = r.u8();
      // The next call of the message (a name length byte cannot be either).
      if (next == (version::has_plp(tds_version) ? 0xFF : 0x80)) break;
      r.seek(r.pos() - 1);
      rpc_param p;
      p.name = lower(text::utf16_to_utf8(r.b_varchar()));
      const uint8_t status = r.u8();
      p.output = (status & 0x01) != 0;
      read_value(r, p, c.params.size() + 1);
      c.params.push_back(std::move(p));
    }
    calls.push_back(std::move(c));
  }
  if (calls.empty()) throw tds_error("RPC message without a procedure");
  return calls;
}

}  // namespace tsl::tds
