#pragma once
// A date and time as the engine writes it ("YYYY-MM-DD HH:MI:SS", the date
// alone or "0000-00-00 HH:MI:SS"), read from the many forms in which dates
// arrive: compact timestamps, times with fractional seconds, what the system
// date reader accepts, and day-month-year texts with any of three separators.
#include <string>
#include <string_view>

#include "platform/oleaut/oleauto_types.h"

class ole_variant;

class ole_date {
 public:
  enum kind_t : int32_t { invalid = 0, date_time = 1, date_only = 2, time_only = 3 };

  ole_date() = default;
  explicit ole_date(const SYSTEMTIME& st);
  explicit ole_date(const VARIANT& v);
  explicit ole_date(const char* text);
  explicit ole_date(const std::string& text);
  explicit ole_date(std::string_view text);
  explicit ole_date(const std::u16string& text);

  bool is_valid() const;
  std::string to_string() const;
  std::u16string to_wstring() const;
  // Writes the text into `buf` (kTextMax bytes at least, no NUL); answers its length.
  static constexpr size_t kTextMax = 40;
  size_t to_chars(char* buf) const;
  ole_variant to_variant() const;

  void refine_type();
  void process_milliseconds(const char* seconds);

  int32_t kind() const { return kind_; }
  const SYSTEMTIME& moment() const { return st_; }

 private:
  void parse(std::string_view text);
  // `text` is NUL-terminated at text[size].
  void import_from_string(const char* text, size_t size);
  void clear_fields() { st_ = SYSTEMTIME{}; }
  void next_day();

  int32_t kind_ = invalid;
  SYSTEMTIME st_{};
  // Rounding the seconds passed midnight; the day moves on once the fields
  // are in their final order.
  bool day_carry_ = false;
};
