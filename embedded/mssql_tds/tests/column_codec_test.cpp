// Values in their TDS form: the worked examples of the protocol, NULL in
// each form, the forms of older protocol versions, and values too long for
// their column.
#include <gtest/gtest.h>

#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/column_codec.h"
#include "embedded/mssql_tds/protocol.h"

namespace tsl::tds {
namespace {

using mssql::type_id;
using mssql::value;

mssql::result_column column(type_id id, int32_t length = 0, uint8_t p = 0, uint8_t s = 0) {
  mssql::result_column c;
  c.name = "c";
  c.type.id = id;
  c.type.length = length;
  c.type.precision = p;
  c.type.scale = s;
  return c;
}

std::string hex(const std::string& b) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  for (unsigned char c : b) {
    if (!s.empty()) s += ' ';
    s += kHex[c >> 4];
    s += kHex[c & 15];
  }
  return s;
}

std::string encode(const mssql::result_column& c, const value& v, uint32_t version = version::k74) {
  column_codec codec(c, version);
  wire_writer w;
  codec.write_value(w, v);
  return hex(w.bytes());
}

TEST(column_codec, WorkedValuesOfTheProtocol) {
  EXPECT_EQ(encode(column(type_id::decimal, 0, 5, 2), value::of_text("12.50")), "05 01 E2 04 00 00");
  EXPECT_EQ(encode(column(type_id::decimal, 0, 5, 2), value::of_text("-12.50")), "05 00 E2 04 00 00");
  EXPECT_EQ(encode(column(type_id::datetime), value::of_text("2000-01-01 12:00:00.000")),
            "08 AC 8E 00 00 00 C1 C5 00");
  EXPECT_EQ(encode(column(type_id::date), value::of_text("2000-01-01")), "03 07 24 0B");
  EXPECT_EQ(encode(column(type_id::time, 0, 0, 7), value::of_text("12:00:00.0000000")),
            "05 00 E0 34 95 64");
  EXPECT_EQ(encode(column(type_id::money), value::of_int(125000)), "08 00 00 00 00 48 E8 01 00");
  EXPECT_EQ(encode(column(type_id::uniqueidentifier), value::of_text("6F9619FF-8B86-D011-B42D-00C04FC964FF")),
            "10 FF 19 96 6F 86 8B 11 D0 B4 2D 00 C0 4F C9 64 FF");
  // 1/300 s ticks: .003 is one tick.
  EXPECT_EQ(encode(column(type_id::datetime), value::of_text("1900-01-01 00:00:00.003")),
            "08 00 00 00 00 01 00 00 00");
  // datetimeoffset travels in UTC with its offset: 01:00 at +02:00 is 23:00 the day before.
  EXPECT_EQ(encode(column(type_id::datetimeoffset, 0, 0, 0), value::of_text("2000-01-02 01:00:00 +02:00")),
            "08 70 43 01 07 24 0B 78 00");
  EXPECT_EQ(encode(column(type_id::varchar, 10), value::of_text("façade€")),
            "07 00 66 61 E7 61 64 65 80");
  EXPECT_EQ(encode(column(type_id::nvarchar, 10), value::of_text("é")), "02 00 E9 00");
  // char(n) is n bytes of the code page, though the engine padded in UTF-8.
  EXPECT_EQ(encode(column(type_id::char_, 4), value::of_text("Mé ")), "04 00 4D E9 20 20");
  EXPECT_EQ(encode(column(type_id::nchar, 2), value::of_text("a")), "04 00 61 00 20 00");
  EXPECT_EQ(encode(column(type_id::bit), value::of_int(1)), "01 01");
  EXPECT_EQ(encode(column(type_id::smallint), value::of_int(-2)), "02 FE FF");
}

TEST(column_codec, NullInEveryForm) {
  const std::pair<mssql::result_column, const char*> cases[] = {
      {column(type_id::int_), "00"},
      {column(type_id::decimal, 0, 10, 2), "00"},
      {column(type_id::datetime2, 0, 0, 7), "00"},
      {column(type_id::nvarchar, 10), "FF FF"},
      {column(type_id::varbinary, 10), "FF FF"},
      {column(type_id::nvarchar, mssql::sql_type::kMax), "FF FF FF FF FF FF FF FF"},
      {column(type_id::xml), "FF FF FF FF FF FF FF FF"},
      {column(type_id::text), "00"},
      {column(type_id::image), "00"},
      {column(type_id::sql_variant), "00 00 00 00"},
      {column(type_id::uniqueidentifier), "00"},
  };
  for (const auto& [c, want] : cases) EXPECT_EQ(encode(c, value::null()), want) << mssql::type_name(c.type.id);
}

TEST(column_codec, LongValuesAsPlpChunksAndTextPointers) {
  const std::string big(20000, 'a');
  column_codec plp(column(type_id::varbinary, mssql::sql_type::kMax), version::k74);
  wire_writer w;
  plp.write_value(w, value::of_blob(big));
  // Total length, chunks of 8000, 8000 and 4000, then the terminator.
  EXPECT_EQ(w.size(), 8u + 3 * 4 + big.size() + 4);
  EXPECT_EQ(static_cast<uint8_t>(w.bytes()[8]), 0x40);  // 8000 = 0x1F40
  // Before TDS 7.2 the same column is an image with a text pointer.
  column_codec old(column(type_id::varbinary, mssql::sql_type::kMax), version::k71);
  EXPECT_EQ(old.wire_form(), column_codec::form::image);
  wire_writer o;
  old.write_value(o, value::of_blob("ab"));
  EXPECT_EQ(o.size(), 1u + 16 + 8 + 4 + 2);
  // Before TDS 7.3 dates are their literal text.
  column_codec d(column(type_id::date), version::k72);
  EXPECT_EQ(d.wire_form(), column_codec::form::nvarchar);
}

TEST(column_codec, AValueLongerThanItsColumnIsAnErrorNotACut) {
  column_codec c(column(type_id::nvarchar, 2), version::k74);
  wire_writer w;
  try {
    c.write_value(w, value::of_text("abc"));
    ADD_FAILURE() << "no error";
  } catch (const mssql::sql_error& e) {
    EXPECT_EQ(e.number(), 8152);
  }
}

TEST(column_codec, MetadataOfTimestampCarriesItsUserType) {
  column_codec c(column(type_id::timestamp), version::k74);
  wire_writer w;
  c.write_metadata(w);
  EXPECT_EQ(hex(w.bytes().substr(0, 9)), "50 00 00 00 01 00 AD 08 00");
}

}  // namespace
}  // namespace tsl::tds

namespace tsl::tds {
namespace {

TEST(column_codec, TextSizeCutsLongValuesAtWholeCharacters) {
  mssql::result_column c;
  c.type.id = mssql::type_id::nvarchar;
  c.type.length = mssql::sql_type::kMax;
  column_codec codec(c, version::k74, 5);
  wire_writer w;
  codec.write_value(w, mssql::value::of_text("abcdef"));
  // 5 bytes allowed: two characters, never half of one.
  EXPECT_EQ(static_cast<uint8_t>(w.bytes()[0]), 4);
  EXPECT_EQ(w.size(), 8u + 4 + 4 + 4);
  c.type.id = mssql::type_id::xml;
  column_codec xml(c, version::k74, 5);
  wire_writer x;
  xml.write_value(x, mssql::value::of_text("<a>b</a>"));
  EXPECT_EQ(static_cast<uint8_t>(x.bytes()[0]), 16);  // xml is never cut
}

}  // namespace
}  // namespace tsl::tds
