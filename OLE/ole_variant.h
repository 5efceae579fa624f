#pragma once
// The value of one field on its way from the source reader to the Oracle
// writer: an OLE Automation VARIANT plus 64-bit integers kept beside it,
// dates that keep their calendar fields, and binary data as byte arrays.
// Its text forms are what the generated SQL contains, so they are exact to
// the character.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/oleaut/oleauto_types.h"

class ole_variant {
 public:
  ole_variant();
  ole_variant(bool value);
  ole_variant(char value);
  ole_variant(signed char value);
  ole_variant(unsigned char value);
  ole_variant(short value);
  ole_variant(unsigned short value);
  ole_variant(int value);
  ole_variant(unsigned int value);
  ole_variant(long value);
  ole_variant(long long value);
  ole_variant(unsigned long value);
  ole_variant(unsigned long long value);
  ole_variant(float value);
  ole_variant(double value);
  ole_variant(const SYSTEMTIME& value);
  ole_variant(const CY& value);
  ole_variant(const DECIMAL& value);
  // A BSTR or wide C string: copied up to its first NUL.
  ole_variant(const OLECHAR* value);
  ole_variant(const char* value);
  ole_variant(const std::string& value);
  ole_variant(const std::u16string& value);
  ole_variant(const std::vector<uint8_t>& bytes);
  ole_variant(size_t length, const uint8_t* bytes);
  ole_variant(const ole_variant& other);
  ole_variant(ole_variant&& other) noexcept;
  ole_variant& operator=(const ole_variant& other);
  ole_variant& operator=(ole_variant&& other) noexcept;
  virtual ~ole_variant();

  virtual std::string to_string() const;
  virtual std::u16string to_wstring() const;
  // The same texts into a caller's buffer, which keeps its capacity between
  // values: no allocation for numbers and dates.
  void write_string(std::string& out) const;
  void write_wstring(std::u16string& out) const;

  static ole_variant from_string(std::string_view text, VARTYPE type);
  static ole_variant from_wstring(std::u16string_view text, VARTYPE type);

  int32_t to_long() const;
  double to_double() const;
  bool to_bool() const;
  void change_type(VARTYPE type);

  void attach_string(std::string_view text);
  void attach_wstring(std::u16string_view text);
  void attach_binary(const std::vector<uint8_t>& bytes);
  void attach_binary(size_t length, const uint8_t* bytes);
  void allocate_safe_array(size_t size);
  // The byte count; `data` receives the bytes (null when there are none).
  uint32_t get_bytes(const uint8_t** data) const;
  SYSTEMTIME get_system_time() const;

  static bool is_binary_type(VARTYPE type);
  VARTYPE vartype() const { return value_.vt; }
  const VARIANT& variant() const { return value_; }
  int64_t get_i8() const { return i8_; }
  uint64_t get_ui8() const { return ui8_; }
  // A decimal too long for DECIMAL (more than 29 digits or 28 decimals) is
  // carried as its exact text, which is then its text form; empty otherwise.
  const std::string& exact_decimal() const { return exact_; }

 private:
  void clear();
  void copy_from(const ole_variant& other);
  void set_bstr(BSTR text);
  template <class S>
  void render(S& out) const;
  static ole_variant from_text(std::string_view text, VARTYPE type);
  static ole_variant decimal_from_text(std::string_view text);
  static ole_variant binary_from_text(std::string_view text);
  void change_from_64(VARTYPE type);
  void change_to_64(VARTYPE type);
  void change_to_binary();
  void system_change(VARTYPE type);

  int64_t i8_ = 0;
  uint64_t ui8_ = 0;
  SYSTEMTIME date_{};
  VARIANT value_;
  std::string exact_;
};
