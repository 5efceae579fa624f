// Reading rows: the layout of the row buffer, every column type's descriptor
// and value, NULLs, batches, the end of data and resets.
#include <cstring>
#include <string>
#include <vector>

#include "MSS/odb_record.h"
#include "MSS/odb_recordset.h"
#include "MSS/odb_table.h"
#include "MSS/tests/mss_fixture.h"

namespace mss_testing {
namespace {

class odb_recordset_test : public mss_fixture {
 protected:
  std::string script() override {
    return "CREATE TABLE types (k int PRIMARY KEY, c_bit bit, c_tiny tinyint, c_small smallint, "
           "c_int int, c_big bigint, c_dec decimal(10,2), c_wide decimal(38,0), c_money money, "
           "c_small_money smallmoney, c_float float, c_real real, c_datetime datetime, "
           "c_small_dt smalldatetime, c_date date, c_time time(2), c_dt2 datetime2, "
           "c_char char(4), c_varchar varchar(10), c_text text, c_nchar nchar(3), "
           "c_nvarchar nvarchar(10), c_ntext ntext, c_binary binary(4), c_varbinary varbinary(16), "
           "c_image image, c_guid uniqueidentifier, c_variant sql_variant, c_vmax varchar(max))\n"
           "INSERT INTO types VALUES (1, 1, 255, -32768, -2147483648, 9223372036854775807, "
           "12345678.91, 12345678901234567890123456789012345678, 922337203685477.5807, "
           "214748.3647, "
           "1.5, 2.25, '2020-01-02 03:04:05.123', '2020-01-02 03:04:00', '0001-01-01', "
           "'12:34:56.79', '2001-02-03 04:05:06.1234567', 'ab', 'xyz', 'long text', "
           "N'\xc3\xa9t\xc3\xa9', "
           "N'\xd0\xb4\xd0\xb0', N'\xe6\x97\xa5\xe6\x9c\xac', 0x0102, 0x010203, 0xFFD8, "
           "'0C733A8D-2A1C-11CE-ADE5-00AA0044773D', 'v', 'max')\n"
           "INSERT INTO types (k) VALUES (2)\n"
           "INSERT INTO types (k, c_varchar, c_nvarchar, c_text, c_varbinary) VALUES (3, '', N'', "
           "'', 0x)\n"
           "CREATE TABLE twelve (n int PRIMARY KEY)\n"
           "INSERT INTO twelve VALUES (1),(2),(3),(4),(5),(6),(7),(8),(9),(10),(11),(12)\n"
           "CREATE TABLE big (k int PRIMARY KEY, t text, nt ntext, img image, vb varbinary(max))\n";
  }

  std::unique_ptr<odb_table> table(const std::u16string& name) {
    return std::make_unique<odb_table>(name, db_->session(), 1, nullptr);
  }

  static const t_ftd& field(const udb_recordset& rs, const std::u16string& name) {
    return rs.schema().get_field(name);
  }
  static std::u16string text(const udb_record& r, const std::u16string& name) {
    return r.get_field(name).to_wstring();
  }
  static std::vector<uint8_t> bytes(const ole_variant& v) {
    const uint8_t* p = nullptr;
    uint32_t n = v.get_bytes(&p);
    return std::vector<uint8_t>(p, p + n);
  }
};

TEST_F(odb_recordset_test, slot_lengths_follow_the_column_types) {
  open();
  auto t = table(u"[dbo].[types]");
  const odb_accessor& a = t->accessor();
  auto slot = [&](const std::u16string& name) -> uint64_t {
    for (size_t i = 0; i < a.count(); ++i)
      if (a.columns()[i].pwszName == name) return a.bindings()[i].cbMaxLen;
    ADD_FAILURE() << "no column";
    return 0;
  };
  EXPECT_EQ(slot(u"c_nvarchar"), 22u);
  EXPECT_EQ(slot(u"c_int"), 52u);
  EXPECT_EQ(slot(u"c_datetime"), 102u);
  EXPECT_EQ(slot(u"c_varbinary"), 66u);
  EXPECT_EQ(slot(u"c_image"), 2000000u);
  EXPECT_EQ(slot(u"c_ntext"), 2000000u);
  // Slots follow each other: status and length, then the value.
  for (size_t i = 0; i + 1 < a.count(); ++i) {
    EXPECT_EQ(a.bindings()[i].obLength, a.bindings()[i].obStatus + 4);
    EXPECT_EQ(a.bindings()[i].obValue, a.bindings()[i].obStatus + 8);
    EXPECT_EQ(a.bindings()[i + 1].obStatus, a.bindings()[i].obValue + a.bindings()[i].cbMaxLen);
  }
  EXPECT_EQ(a.buffer_size(), a.bindings()[a.count() - 1].obValue + slot(u"c_vmax"));
  // Binary and floating columns bind as themselves (the provider's text of a
  // float has fewer digits than the float), all others as text.
  for (size_t i = 0; i < a.count(); ++i) {
    const DBTYPE t = a.columns()[i].wType;
    const bool native = t == DBTYPE_BYTES || t == DBTYPE_R4 || t == DBTYPE_R8;
    EXPECT_EQ(a.bindings()[i].wType, native ? t : static_cast<DBTYPE>(DBTYPE_WSTR));
  }
}

TEST_F(odb_recordset_test, bind_lengths_wrap_to_the_cap) {
  EXPECT_EQ(odb_accessor::bind_length(DBTYPE_WSTR, 999998), 1999998u);
  EXPECT_EQ(odb_accessor::bind_length(DBTYPE_WSTR, 999999), 2000000u);
  EXPECT_EQ(odb_accessor::bind_length(DBTYPE_WSTR, 1000000), 2000002u);  // bind() caps it
  EXPECT_EQ(odb_accessor::bind_length(DBTYPE_WSTR, 0xFFFFFFFFull), 0u);
  EXPECT_EQ(odb_accessor::bind_length(DBTYPE_BYTES, 3), 14u);
  EXPECT_EQ(odb_accessor::bind_length(DBTYPE_VARIANT, 0), 2000000u);
  EXPECT_EQ(odb_accessor::bind_length(DBTYPE_VARIANT, 16), 16u);
}

TEST_F(odb_recordset_test, descriptors_of_every_type) {
  open();
  auto t = table(u"[dbo].[types]");
  struct expect {
    const char16_t* name;
    VARTYPE vt;
    uint32_t size;
    int32_t reserved;
  };
  const expect all[] = {
      {u"c_bit", VT_BOOL, 2, 0},
      {u"c_tiny", VT_UI1, 1, 0},
      {u"c_small", VT_I2, 2, 0},
      {u"c_int", VT_I4, 4, 0},
      {u"c_big", VT_I8, 8, 0},
      {u"c_dec", VT_DECIMAL, 19, 10 * 256 + 2},
      {u"c_wide", VT_DECIMAL, 19, 38 * 256},
      // Currency carries its precision: money 19, smallmoney 10, scale 4.
      {u"c_money", VT_CY, 8, 19 * 256 + 4},
      {u"c_small_money", VT_CY, 8, 10 * 256 + 4},
      {u"c_float", VT_R8, 8, 0},
      {u"c_real", VT_R4, 4, 0},
      {u"c_datetime", VT_DATE, 16, 1},
      {u"c_small_dt", VT_DATE, 16, 1},
      {u"c_date", VT_BSTR, 10, 0},
      {u"c_char", VT_BSTR, 4, 0},
      {u"c_varchar", VT_BSTR, 10, 0},
      {u"c_nvarchar", VT_BSTR, 10, 0},
      // Bounded binary columns keep their size; only long ones are unlimited.
      {u"c_binary", VT_BLOB, 4, 0},
      {u"c_varbinary", VT_BLOB, 16, 0},
      {u"c_image", VT_BLOB, 0, 0},
      {u"c_guid", VT_BLOB, 16, 1},
      {u"c_variant", VT_BSTR, 0, 0},
  };
  for (const expect& e : all) {
    SCOPED_TRACE(tsl::text::utf16_to_utf8(e.name));
    const t_ftd& f = field(*t, e.name);
    EXPECT_EQ(f.vartype(), e.vt);
    if (std::u16string(e.name) != u"c_variant") {
      EXPECT_EQ(f.size(), e.size);
    }
    EXPECT_EQ(f.reserved(), e.reserved);
    EXPECT_FALSE(f.is_not_null());
    EXPECT_FALSE(f.is_identity());
  }
  EXPECT_TRUE(field(*t, u"k").is_not_null());
  // Fixed-length text and binary are known as such.
  EXPECT_TRUE(field(*t, u"c_char").is_fixed_length());
  EXPECT_TRUE(field(*t, u"c_nchar").is_fixed_length());
  EXPECT_TRUE(field(*t, u"c_binary").is_fixed_length());
  EXPECT_FALSE(field(*t, u"c_varchar").is_fixed_length());
  EXPECT_FALSE(field(*t, u"c_varbinary").is_fixed_length());
  EXPECT_FALSE(field(*t, u"c_int").is_fixed_length());
  // A variant may hold any value up to 8016 bytes: unlimited.
  EXPECT_EQ(field(*t, u"c_variant").size(), 0u);
}

TEST_F(odb_recordset_test, values_of_every_type) {
  open();
  auto t = table(u"[dbo].[types]");
  ASSERT_EQ(t->record_count(), 3);
  t->reset();
  const udb_record& r = *t->get_item();
  EXPECT_EQ(r.get_field(u"c_bit").vartype(), VT_BOOL);
  EXPECT_TRUE(r.get_field(u"c_bit").to_bool());
  EXPECT_EQ(text(r, u"c_tiny"), u"255");
  EXPECT_EQ(text(r, u"c_small"), u"-32768");
  EXPECT_EQ(text(r, u"c_int"), u"-2147483648");
  EXPECT_EQ(r.get_field(u"c_big").vartype(), VT_I8);
  EXPECT_EQ(r.get_field(u"c_big").get_i8(), 9223372036854775807LL);
  EXPECT_EQ(r.get_field(u"c_dec").vartype(), VT_DECIMAL);
  EXPECT_EQ(text(r, u"c_dec"), u"12345678.91");
  EXPECT_EQ(text(r, u"c_wide"), u"12345678901234567890123456789012345678");
  EXPECT_EQ(r.get_field(u"c_money").vartype(), VT_CY);
  EXPECT_EQ(text(r, u"c_money"), u"922337203685477.5807");
  EXPECT_EQ(r.get_field(u"c_float").vartype(), VT_R8);
  EXPECT_EQ(r.get_field(u"c_float").to_double(), 1.5);
  EXPECT_EQ(r.get_field(u"c_real").vartype(), VT_R4);
  EXPECT_EQ(r.get_field(u"c_real").to_double(), 2.25);
  EXPECT_EQ(r.get_field(u"c_datetime").vartype(), VT_DATE);
  SYSTEMTIME st = r.get_field(u"c_datetime").get_system_time();
  EXPECT_EQ(st.wYear, 2020);
  EXPECT_EQ(st.wSecond, 5);
  EXPECT_EQ(st.wMilliseconds, 123);
  EXPECT_EQ(text(r, u"c_small_dt"), u"2020-01-02 03:04:00");
  // The newer date and time types arrive as their literal text.
  EXPECT_EQ(text(r, u"c_date"), u"0001-01-01");
  EXPECT_EQ(text(r, u"c_time"), u"12:34:56.79");
  EXPECT_EQ(text(r, u"c_dt2"), u"2001-02-03 04:05:06.1234567");
  EXPECT_EQ(text(r, u"c_char"), u"ab  ");
  EXPECT_EQ(text(r, u"c_varchar"), u"xyz");
  EXPECT_EQ(text(r, u"c_text"), u"long text");
  EXPECT_EQ(text(r, u"c_nchar"), u"\u00e9t\u00e9");
  EXPECT_EQ(text(r, u"c_nvarchar"), u"\u0434\u0430");
  EXPECT_EQ(text(r, u"c_ntext"), u"\u65e5\u672c");
  EXPECT_EQ(text(r, u"c_variant"), u"v");
  EXPECT_EQ(text(r, u"c_vmax"), u"max");
  EXPECT_EQ(bytes(r.get_field(u"c_binary")), (std::vector<uint8_t>{1, 2, 0, 0}));
  // A binary value keeps its own length, whatever the declared size.
  EXPECT_EQ(bytes(r.get_field(u"c_varbinary")), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(r[r.size() - 5].size(), 3u);
  EXPECT_EQ(bytes(r.get_field(u"c_image")), (std::vector<uint8_t>{0xFF, 0xD8}));
  // A GUID arrives as its 16 bytes in the order of its text.
  EXPECT_EQ(bytes(r.get_field(u"c_guid")),
            (std::vector<uint8_t>{0x0C, 0x73, 0x3A, 0x8D, 0x2A, 0x1C, 0x11, 0xCE, 0xAD, 0xE5, 0x00,
                                  0xAA, 0x00, 0x44, 0x77, 0x3D}));
}

TEST_F(odb_recordset_test, null_and_empty_string_differ) {
  open();
  auto t = table(u"[dbo].[types]");
  t->reset();
  t->next();
  const udb_record& nulls = *t->get_item();
  ASSERT_EQ(nulls.size(), t->schema().size());
  for (size_t i = 1; i < nulls.size(); ++i) {
    SCOPED_TRACE(tsl::text::utf16_to_utf8(nulls[i].name()));
    EXPECT_EQ(nulls[i].vartype(), VT_EMPTY);
  }
  // The size of a NULL field is its column's.
  EXPECT_EQ(nulls.get_field(u"c_varchar").vartype(), VT_EMPTY);
  t->next();
  const udb_record& empty = *t->get_item();
  EXPECT_EQ(empty.get_field(u"c_varchar").vartype(), VT_BSTR);
  EXPECT_EQ(text(empty, u"c_varchar"), u"");
  EXPECT_EQ(empty.get_field(u"c_nvarchar").vartype(), VT_BSTR);
  EXPECT_EQ(empty.get_field(u"c_text").vartype(), VT_BSTR);
  EXPECT_EQ(empty.get_field(u"c_int").vartype(), VT_EMPTY);
  t->next();
  EXPECT_TRUE(t->is_eof());
}

TEST_F(odb_recordset_test, twelve_rows_come_in_batches_of_five) {
  open();
  auto t = table(u"[dbo].[twelve]");
  EXPECT_EQ(t->record_count(), 12);
  EXPECT_TRUE(t->is_eof());  // nothing fetched before the first reset
  t->reset();
  std::vector<size_t> batches{t->rows_in_cache()};
  std::vector<std::u16string> seen;
  while (!t->is_eof()) {
    seen.push_back(text(*t->get_item(), u"n"));
    t->next();
    if (t->rows_advanced() % 5 == 0 && !t->is_eof()) batches.push_back(t->rows_in_cache());
  }
  EXPECT_EQ(batches, (std::vector<size_t>{5, 5, 2}));
  ASSERT_EQ(seen.size(), 12u);
  EXPECT_EQ(seen.front(), u"1");
  EXPECT_EQ(seen.back(), u"12");
  EXPECT_EQ(t->rows_advanced(), 12);
  EXPECT_THROW(t->get_item(), tk_mail_assertion);
}

TEST_F(odb_recordset_test, reset_after_seven_rows_starts_again) {
  open();
  auto t = table(u"[dbo].[twelve]");
  t->reset();
  for (int i = 0; i < 7; ++i) t->next();
  EXPECT_EQ(text(*t->get_item(), u"n"), u"8");
  t->reset();
  EXPECT_EQ(t->rows_advanced(), 0);
  EXPECT_EQ(text(*t->get_item(), u"n"), u"1");
  // A second reset without a move between does not skip a batch.
  t->reset();
  EXPECT_EQ(text(*t->get_item(), u"n"), u"1");
  int n = 0;
  for (; !t->is_eof(); t->next()) ++n;
  EXPECT_EQ(n, 12);
}

TEST_F(odb_recordset_test, rows_added_after_the_count_are_not_read_and_deleted_rows_end_early) {
  open();
  auto t = table(u"[dbo].[twelve]");
  run("USE src\nGO\nDELETE FROM twelve WHERE n > 6\n");
  // The provider reads the table as it now is: the count said 12.
  auto fewer = table(u"[dbo].[twelve]");
  EXPECT_EQ(fewer->record_count(), 6);
  t->reset();
  int n = 0;
  for (; !t->is_eof(); t->next()) ++n;
  EXPECT_LE(n, 12);
}

TEST_F(odb_recordset_test, plain_results_end_when_a_batch_is_empty) {
  open();
  auto rs = db_->query(u"SELECT n FROM twelve WHERE n <= 5 ORDER BY n");
  rs->reset();
  int n = 0;
  for (; !rs->is_eof(); rs->next()) ++n;
  EXPECT_EQ(n, 5);
  udb_record none;
  EXPECT_THROW(rs->append_record(none), tk_mail_assertion);
}

TEST_F(odb_recordset_test, long_values_arrive_whole) {
  open();
  // A million characters, larger than any slot, and a 3 MB image.
  run("USE src\nGO\nINSERT INTO big VALUES (1, REPLICATE('ab', 500000), "
      "REPLICATE(N'\xd0\xb4', 1000000), CAST(REPLICATE('xy', 1500000) AS varbinary(max)), "
      "CAST(REPLICATE('z', 2500000) AS varbinary(max)))\n"
      "INSERT INTO big (k) VALUES (2)\n");
  auto t = table(u"[dbo].[big]");
  t->reset();
  const udb_record& r = *t->get_item();
  std::u16string s = text(r, u"t");
  ASSERT_EQ(s.size(), 1000000u);
  EXPECT_EQ(s.substr(0, 4), u"abab");
  std::u16string ns = text(r, u"nt");
  ASSERT_EQ(ns.size(), 1000000u);
  EXPECT_EQ(ns.back(), u'\u0434');
  std::vector<uint8_t> img = bytes(r.get_field(u"img"));
  ASSERT_EQ(img.size(), 3000000u);
  EXPECT_EQ(img[2999999], 'y');
  EXPECT_EQ(bytes(r.get_field(u"vb")).size(), 2500000u);
  t->next();
  // NULL in a long column stays NULL.
  EXPECT_EQ(t->get_item()->get_field(u"t").vartype(), VT_EMPTY);
  EXPECT_EQ(t->get_item()->get_field(u"img").vartype(), VT_EMPTY);
}

TEST_F(odb_recordset_test, a_variant_longer_than_its_slot_arrives_whole) {
  open();
  run("USE src\nGO\nCREATE TABLE vars (k int PRIMARY KEY, v sql_variant)\n"
      "INSERT INTO vars VALUES (1, 'a text of some forty characters, or more'), (2, 42), "
      "(3, NULL)\n");
  auto t = table(u"[dbo].[vars]");
  EXPECT_EQ(t->schema().get_field(u"v").vartype(), VT_BSTR);
  t->reset();
  EXPECT_EQ(text(*t->get_item(), u"v"), u"a text of some forty characters, or more");
  t->next();
  EXPECT_EQ(text(*t->get_item(), u"v"), u"42");
  t->next();
  EXPECT_EQ(t->get_item()->get_field(u"v").vartype(), VT_EMPTY);
}

DBCOLUMNINFO column(const char16_t* name, DBTYPE type, DBLENGTH size) {
  DBCOLUMNINFO c{};
  c.pwszName = const_cast<char16_t*>(name);
  c.wType = type;
  c.ulColumnSize = size;
  return c;
}

TEST(odb_record, dates_and_times_of_any_kind_become_dates) {
  auto d = odb_record::get_field(column(u"d", DBTYPE_DBDATE, 6), u"1899-12-30");
  EXPECT_EQ(d->vartype(), VT_DATE);
  EXPECT_EQ(d->get_system_time().wYear, 1899);
  auto t = odb_record::get_field(column(u"t", DBTYPE_DBTIME, 6), u"12:34:56.79");
  EXPECT_EQ(t->vartype(), VT_DATE);
  EXPECT_EQ(t->get_system_time().wMinute, 34);
  auto v = odb_record::get_field(column(u"v", DBTYPE_VARIANT, 16), u"12:34:56.7");
  EXPECT_EQ(v->vartype(), VT_BSTR);
  EXPECT_EQ(v->to_wstring(), u"12:34:56.7");
  EXPECT_EQ(v->name(), u"v");
  EXPECT_EQ(v->size(), 16u);
  auto bad = odb_record::get_field(column(u"d", DBTYPE_DBTIMESTAMP, 16), u"no date");
  EXPECT_EQ(bad->vartype(), VT_EMPTY);
}

TEST(odb_record, guids_in_either_text_form_give_sixteen_bytes) {
  for (const char16_t* text :
       {u"{0C733A8D-2A1C-11CE-ADE5-00AA0044773D}", u"0C733A8D-2A1C-11CE-ADE5-00AA0044773D"}) {
    auto g = odb_record::get_field(column(u"g", DBTYPE_GUID, 16), text);
    const uint8_t* p = nullptr;
    ASSERT_EQ(g->get_bytes(&p), 16u);
    EXPECT_EQ(p[0], 0x0C);
    EXPECT_EQ(p[15], 0x3D);
  }
}

TEST(odb_record, type_mapping) {
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_I2), VT_I2);
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_DBTIMESTAMP), VT_DATE);
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_STR), VT_BSTR);
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_NUMERIC), VT_DECIMAL);
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_UI8), VT_UI8);
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_BYTES), VT_BLOB);
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_GUID), VT_BLOB);
  EXPECT_EQ(odb_record::get_vartype(DBTYPE_FILETIME), VT_BLOB);
}

}  // namespace
}  // namespace mss_testing
