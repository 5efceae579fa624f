#pragma once
// How one result column travels: its COLMETADATA entry and the bytes of
// each of its values, in the form the negotiated TDS version expects. The
// choice is made once per column; write_value runs once per value.
#include <cstdint>
#include <string>
#include <string_view>

#include "embedded/mssql/result_set.h"
#include "embedded/mssql_tds/wire_writer.h"

namespace tsl::tds {

class column_codec {
 public:
  // text_limit: SET TEXTSIZE, the bytes of a text, ntext, image or (max)
  // value that are sent.
  column_codec(const mssql::result_column& column, uint32_t tds_version,
               int64_t text_limit = 2147483647);
  void write_metadata(wire_writer& w) const;
  // v is NULL or in the stored form of the column's type. A value that
  // does not fit the column's declared length is error 8152, never cut.
  void write_value(wire_writer& w, const mssql::value& v);

  enum class form : uint8_t {
    intn, bitn, fltn, moneyn, datetimen, decimaln, date, time, datetime2, datetimeoffset,
    bigchar, bigvarchar, nchar, nvarchar, bigbinary, bigvarbinary,
    plp_varchar, plp_nvarchar, plp_varbinary, xml, text, ntext, image, guid, variant
  };
  form wire_form() const { return form_; }

 private:
  void write_chars(const std::string& utf8, bool unicode);  // into narrow_
  void write_plp(wire_writer& w, std::string_view bytes);
  void write_long(wire_writer& w, std::string_view bytes);
  std::string_view limited(const std::string& bytes) const;

  mssql::result_column column_;
  uint32_t version_;
  size_t text_limit_;
  form form_ = form::intn;
  uint8_t size_ = 0;         // fixed-size forms: bytes of a value
  uint16_t max_length_ = 0;  // two-byte-length forms
  uint8_t scale_ = 0;
  bool dates_as_text_ = false;  // date and time types before TDS 7.3
  std::u16string wide_;
  std::string narrow_;
};

}  // namespace tsl::tds
