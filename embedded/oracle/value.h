#pragma once
// One SQL value as the engine computes with it.
#include <cstdint>
#include <string>

#include "embedded/oracle/decimal.h"

namespace tsl::eora {

// A DATE: to the second, years 1 to 9999.
struct date_time {
  int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  friend auto operator<=>(const date_time&, const date_time&) = default;
};

// Where a LOB's content lives: one column of one stored row.
struct lob_ref {
  int64_t table_id = 0;
  int64_t row = 0;
  int column = 0;
  bool binary = false;
  bool national = false;
};

enum class vkind : uint8_t { null, number, text, date, raw, lob };

struct value {
  vkind kind = vkind::null;
  decimal num;
  std::string str;  // text (UTF-8) or raw bytes
  date_time date;
  lob_ref lob;

  bool is_null() const { return kind == vkind::null; }
  static value null() { return value(); }
  static value number(decimal d) {
    value v;
    v.kind = vkind::number;
    v.num = std::move(d);
    return v;
  }
  // Oracle makes the empty string NULL.
  static value text(std::string s) {
    value v;
    if (s.empty()) return v;
    v.kind = vkind::text;
    v.str = std::move(s);
    return v;
  }
  static value raw(std::string bytes) {
    value v;
    if (bytes.empty()) return v;
    v.kind = vkind::raw;
    v.str = std::move(bytes);
    return v;
  }
  static value of_date(const date_time& d) {
    value v;
    v.kind = vkind::date;
    v.date = d;
    return v;
  }
};

}  // namespace tsl::eora
