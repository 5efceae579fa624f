#pragma once
// One value as the engine carries it between the parser, the storage and the
// provider. Kinds follow the storage classes: integers (also bit and money
// ×10000), reals, texts (UTF-8; decimals, dates and GUIDs in their stored
// text form) and byte strings.
#include <cstdint>
#include <string>

#include "embedded/mssql/sql_type.h"

namespace tsl::mssql {

struct value {
  enum class kind : uint8_t { null, integer, real, text, blob, number };
  // number: the text of a numeric literal, kept exact until a column type is known.
  kind k = kind::null;
  int64_t i = 0;
  double r = 0;
  std::string s;

  static value null() { return {}; }
  static value of_int(int64_t v) { return {kind::integer, v, 0, {}}; }
  static value of_real(double v) { return {kind::real, 0, v, {}}; }
  static value of_text(std::string v) { return {kind::text, 0, 0, std::move(v)}; }
  static value of_blob(std::string v) { return {kind::blob, 0, 0, std::move(v)}; }
  static value of_number(std::string v) { return {kind::number, 0, 0, std::move(v)}; }
  bool is_null() const { return k == kind::null; }
};

// Converts a value to what a column of type t stores, as an assignment
// does; throws sql_error for overflow (8115), truncation (8152) and texts
// that do not convert (245, 241, 8169). from_unicode tells whether a text
// came as N'...' (for the message of a failed conversion).
value convert_to(const value& v, const sql_type& t, bool from_unicode = false);

// The text form a provider gives when a consumer binds the value as a
// string (DBTYPE_WSTR); the value must be stored for type t.
void append_text_form(const value& v, const sql_type& t, std::string& out);
std::string text_form(const value& v, const sql_type& t);

// Stored GUID text from "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" or its braced
// form; empty when malformed.
std::string normalize_guid(const std::string& text);

}  // namespace tsl::mssql
