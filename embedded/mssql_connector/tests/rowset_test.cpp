// Column descriptions, accessors and row reading through the provider.
#include <algorithm>
#include <cstring>

#include "embedded/mssql_connector/tests/oledb_fixture.h"

namespace tsl::oledb::testing {
namespace {

class rowset_base : public oledb_fixture {
 protected:
  struct column {
    std::u16string name;
    DBTYPE type;
    DBLENGTH size;
    BYTE precision, scale;
    DBCOLUMNFLAGS flags;
  };
  static std::vector<column> describe(IRowset* r) {
    ole_ptr<IColumnsInfo> ci;
    r->QueryInterface(IID_IColumnsInfo, ci.put_void());
    DBORDINAL n = 0;
    DBCOLUMNINFO* info = nullptr;
    OLECHAR* names = nullptr;
    EXPECT_EQ(ci->GetColumnInfo(&n, &info, &names), S_OK);
    std::vector<column> out;
    for (DBORDINAL i = 0; i < n; ++i)
      out.push_back({info[i].pwszName, info[i].wType, info[i].ulColumnSize, info[i].bPrecision,
                     info[i].bScale, info[i].dwFlags});
    CoTaskMemFree(info);
    CoTaskMemFree(names);
    return out;
  }

  // The layout of a reader: status, length, then the value, one slot per column.
  struct reader {
    std::vector<DBBINDING> bindings;
    std::vector<BYTE> buffer;
    HACCESSOR accessor = 0;
    ole_ptr<IAccessor> acc;
    size_t size = 0;

    reader(IRowset* r, const std::vector<DBTYPE>& types, DBLENGTH max_len) {
      DBBYTEOFFSET offset = 0;
      for (size_t i = 0; i < types.size(); ++i) {
        DBBINDING b{};
        b.iOrdinal = i + 1;
        b.obStatus = offset;
        b.obLength = offset + 8;
        b.obValue = offset + 16;
        b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
        b.dwMemOwner = DBMEMOWNER_CLIENTOWNED;
        b.cbMaxLen = max_len;
        b.wType = types[i];
        bindings.push_back(b);
        offset += 16 + std::max<DBLENGTH>(max_len, 16);
      }
      buffer.resize(offset);
      r->QueryInterface(IID_IAccessor, acc.put_void());
      std::vector<DBBINDSTATUS> st(types.size());
      EXPECT_EQ(acc->CreateAccessor(DBACCESSOR_ROWDATA, bindings.size(), bindings.data(), 0,
                                    &accessor, st.data()),
                S_OK);
    }
    ~reader() {
      if (acc) acc->ReleaseAccessor(accessor, nullptr);
    }
    DBSTATUS status(size_t i) const {
      DBSTATUS s;
      std::memcpy(&s, buffer.data() + bindings[i].obStatus, sizeof s);
      return s;
    }
    DBLENGTH length(size_t i) const {
      DBLENGTH l;
      std::memcpy(&l, buffer.data() + bindings[i].obLength, sizeof l);
      return l;
    }
    std::u16string wide(size_t i) const {
      return std::u16string(reinterpret_cast<const char16_t*>(buffer.data() + bindings[i].obValue));
    }
    std::string bytes(size_t i) const {
      return std::string(reinterpret_cast<const char*>(buffer.data() + bindings[i].obValue),
                         static_cast<size_t>(length(i)));
    }
  };

  // Fetches every row five at a time, reading each through the reader.
  template <typename F>
  static size_t each_row(IRowset* r, reader& rd, F&& f) {
    size_t n = 0;
    for (;;) {
      HROW handles[5];
      HROW* p = handles;
      DBCOUNTITEM got = 0;
      HRESULT hr = r->GetNextRows(0, 0, 5, &got, &p);
      EXPECT_TRUE(hr == S_OK || hr == DB_S_ENDOFROWSET);
      for (DBCOUNTITEM i = 0; i < got; ++i) {
        r->GetData(handles[i], rd.accessor, rd.buffer.data());
        f(n++);
      }
      r->ReleaseRows(got, handles, nullptr, nullptr, nullptr);
      if (got < 5) return n;
    }
  }
};

class rowset_test : public over_both<rowset_base> {};
INSTANTIATE_TEST_SUITE_P(both, rowset_test, ::testing::Bool(), connector_name);

TEST_P(rowset_test, ColumnDescriptionsPerType) {
  auto s = session();
  ole_ptr<IRowset> r;
  ASSERT_EQ(
      execute(s.get(),
              u"CREATE TABLE all_types (a int NOT NULL, b smallint, c tinyint, d bigint, e bit,"
              u" f decimal(18,4), g money, h smallmoney, i float, j real, k datetime,"
              u" l smalldatetime, m char(5), n varchar(20), o text, p nchar(3), q nvarchar(10),"
              u" r ntext, s binary(4), t varbinary(16), u image, v uniqueidentifier,"
              u" w timestamp, x date, y time, z datetime2(3), aa datetimeoffset,"
              u" ab varchar(max), ac nvarchar(max), ad varbinary(max), ae xml)",
              r),
      S_OK);
  ASSERT_EQ(execute(s.get(), u"SELECT * FROM all_types", r), S_OK);
  auto query = describe(r.get());
  // A table opened by name is described exactly by both connectors.
  DBID id{};
  id.eKind = DBKIND_NAME;
  std::u16string name = u"[dbo].[all_types]";
  id.uName.pwszName = name.data();
  ole_ptr<IRowset> table;
  ASSERT_EQ(s->OpenRowset(nullptr, &id, nullptr, IID_IRowset, 0, nullptr,
                          reinterpret_cast<IUnknown**>(table.put())),
            S_OK);
  auto c = describe(table.get());
  ASSERT_EQ(c.size(), 31u);
  ASSERT_EQ(query.size(), 31u);
  // So is a query's result, except that over the network the client
  // library folds char and varchar into nchar and nvarchar, and text into
  // ntext: those columns read as the Unicode types; and it calls fixed-length
  // columns that allow NULL varying.
  for (size_t i = 0; i < c.size(); ++i) {
    const bool folded = network_ && (i == 12 || i == 13 || i == 14 || i == 27);
    EXPECT_EQ(query[i].type, folded ? DBTYPE(DBTYPE_WSTR) : c[i].type) << i;
    EXPECT_EQ(query[i].size, folded && c[i].size == 2147483647 ? 1073741823 : c[i].size) << i;
    EXPECT_EQ(query[i].precision, c[i].precision) << i;
    EXPECT_EQ(query[i].scale, c[i].scale) << i;
    const bool fixed_nullable = network_ && (i == 12 || i == 15 || i == 18);
    EXPECT_EQ(query[i].flags, fixed_nullable ? c[i].flags & ~DBCOLUMNFLAGS_ISFIXEDLENGTH : c[i].flags)
        << i;
  }
  auto check = [&](size_t i, DBTYPE t, DBLENGTH size, BYTE p, BYTE sc) {
    EXPECT_EQ(c[i].type, t) << i;
    EXPECT_EQ(c[i].size, size) << i;
    EXPECT_EQ(c[i].precision, p) << i;
    EXPECT_EQ(c[i].scale, sc) << i;
  };
  check(0, DBTYPE_I4, 4, 10, 255);
  EXPECT_EQ(c[0].flags & DBCOLUMNFLAGS_ISNULLABLE, 0u);
  EXPECT_EQ(c[1].flags & 0x60u, 0x60u);
  check(2, DBTYPE_UI1, 1, 3, 255);
  check(4, DBTYPE_BOOL, 2, 255, 255);
  check(5, DBTYPE_NUMERIC, 19, 18, 4);
  check(6, DBTYPE_CY, 8, 19, 255);
  check(8, DBTYPE_R8, 8, 15, 255);
  check(9, DBTYPE_R4, 4, 7, 255);
  check(10, DBTYPE_DBTIMESTAMP, 16, 23, 3);
  check(11, DBTYPE_DBTIMESTAMP, 16, 16, 0);
  check(12, DBTYPE_STR, 5, 255, 255);
  check(14, DBTYPE_STR, 2147483647, 255, 255);
  EXPECT_NE(c[14].flags & DBCOLUMNFLAGS_ISLONG, 0u);
  check(16, DBTYPE_WSTR, 10, 255, 255);
  check(17, DBTYPE_WSTR, 1073741823, 255, 255);
  check(19, DBTYPE_BYTES, 16, 255, 255);
  check(20, DBTYPE_BYTES, 2147483647, 255, 255);
  check(21, DBTYPE_GUID, 16, 255, 255);
  EXPECT_NE(c[22].flags & DBCOLUMNFLAGS_ISROWVER, 0u);
  check(23, DBTYPE_WSTR, 10, 255, 255);
  check(24, DBTYPE_WSTR, 16, 255, 255);
  check(25, DBTYPE_WSTR, 23, 255, 255);
  check(26, DBTYPE_WSTR, 34, 255, 255);
  check(27, DBTYPE_STR, 2147483647, 255, 255);
  check(28, DBTYPE_WSTR, 1073741823, 255, 255);
  check(29, DBTYPE_BYTES, 2147483647, 255, 255);
  check(30, DBTYPE_WSTR, 1073741823, 255, 255);
}

TEST_P(rowset_test, TextBindingsStatusesAndLengths) {
  auto s = session();
  DBID id{};
  id.eKind = DBKIND_NAME;
  std::u16string name = u"[dbo].[items]";
  id.uName.pwszName = name.data();
  ole_ptr<IRowset> r;
  ASSERT_EQ(s->OpenRowset(nullptr, &id, nullptr, IID_IRowset, 0, nullptr,
                          reinterpret_cast<IUnknown**>(r.put())),
            S_OK);
  reader rd(r.get(),
            {DBTYPE_WSTR, DBTYPE_WSTR, DBTYPE_WSTR, DBTYPE_BYTES, DBTYPE_WSTR, DBTYPE_WSTR}, 200);
  std::vector<std::vector<std::u16string>> seen;
  std::vector<std::vector<DBSTATUS>> statuses;
  each_row(r.get(), rd, [&](size_t) {
    std::vector<std::u16string> row;
    std::vector<DBSTATUS> st;
    for (size_t i = 0; i < 6; ++i) {
      st.push_back(rd.status(i));
      row.push_back(rd.status(i) == DBSTATUS_S_OK && i != 3 ? rd.wide(i) : u"");
    }
    seen.push_back(row);
    statuses.push_back(st);
    if (seen.size() == 1) {
      EXPECT_EQ(rd.bytes(3), std::string("\x01\x02\x03"));
      EXPECT_EQ(rd.length(1), 6u);  // bytes, without the terminator
    }
  });
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], (std::vector<std::u16string>{u"1", u"one", u"1.50", u"",
                                                  u"{0C733A8D-2A1C-11CE-ADE5-00AA0044773D}",
                                                  u"2020-01-02 03:04:05.123000000"}));
  for (size_t i = 1; i < 6; ++i) EXPECT_EQ(statuses[1][i], DBSTATUS_S_ISNULL);
  EXPECT_EQ(statuses[2][1], DBSTATUS_S_OK);
  EXPECT_EQ(seen[2][1], u"");
  EXPECT_EQ(statuses[2][3], DBSTATUS_S_OK);
  EXPECT_EQ(seen[2][5], u"2020-01-02 00:00:00");
}

TEST_P(rowset_test, TruncationAndNativeBindings) {
  auto s = session();
  ole_ptr<IRowset> r;
  ASSERT_EQ(execute(s.get(), u"SELECT name, price, g, id FROM items WHERE id = 1", r), S_OK);
  reader rd(r.get(), {DBTYPE_WSTR, DBTYPE_R8, DBTYPE_GUID, DBTYPE_I4}, 6);
  HROW h[1];
  HROW* p = h;
  DBCOUNTITEM got = 0;
  ASSERT_EQ(r->GetNextRows(0, 0, 1, &got, &p), S_OK);
  EXPECT_EQ(r->GetData(h[0], rd.accessor, rd.buffer.data()), DB_S_ERRORSOCCURRED);
  EXPECT_EQ(rd.status(0), DBSTATUS_S_TRUNCATED);
  EXPECT_EQ(rd.length(0), 6u);
  EXPECT_EQ(rd.wide(0), u"on");
  double price;
  std::memcpy(&price, rd.buffer.data() + rd.bindings[1].obValue, sizeof price);
  EXPECT_DOUBLE_EQ(price, 1.5);
  GUID g;
  std::memcpy(&g, rd.buffer.data() + rd.bindings[2].obValue, sizeof g);
  EXPECT_EQ(g.Data1, 0x0C733A8Du);
  EXPECT_EQ(g.Data4[7], 0x3D);
  int32_t id;
  std::memcpy(&id, rd.buffer.data() + rd.bindings[3].obValue, sizeof id);
  EXPECT_EQ(id, 1);
  EXPECT_EQ(r->GetNextRows(0, 0, 1, &got, &p), DB_E_ROWSNOTRELEASED);
  r->ReleaseRows(1, h, nullptr, nullptr, nullptr);
}

TEST_P(rowset_test, BatchesOfFiveAndRestart) {
  auto s = session();
  ole_ptr<IRowset> r;
  std::u16string ins = u"CREATE TABLE twelve (n int)\nINSERT INTO twelve VALUES (1)";
  for (int i = 2; i <= 12; ++i) ins += u",(" + text::utf8_to_utf16(std::to_string(i)) + u")";
  ASSERT_EQ(execute(s.get(), ins, r), S_OK);
  ASSERT_EQ(execute(s.get(), u"SELECT n FROM twelve", r), S_OK);
  reader rd(r.get(), {DBTYPE_WSTR}, 52);
  std::vector<DBCOUNTITEM> batches;
  for (;;) {
    HROW h[5];
    HROW* p = h;
    DBCOUNTITEM got = 0;
    r->GetNextRows(0, 0, 5, &got, &p);
    batches.push_back(got);
    r->ReleaseRows(got, h, nullptr, nullptr, nullptr);
    if (got < 5) break;
  }
  EXPECT_EQ(batches, (std::vector<DBCOUNTITEM>{5, 5, 2}));
  EXPECT_EQ(r->RestartPosition(0), S_OK);
  size_t n = each_row(r.get(), rd, [&](size_t i) {
    if (i == 0) {
      EXPECT_EQ(rd.wide(0), u"1");
    }
  });
  EXPECT_EQ(n, 12u);
}

// Texts widen alike whether ASCII, two-, three- or four-byte sequences, or
// runs mixing them, as text or as the bytes of a Unicode column.
TEST_P(rowset_test, UnicodeTextsArriveIntact) {
  const std::vector<std::u16string> texts = {
      u"plain ascii", u"Gr\u00fc\u00dfe", u"\u00fc",  u"a\u00e9",
      u"\u6f22\u5b57 and \u03a9mega", u"x\U0001F600y", u"\u00e9\u00fc\u6f22\U0001F600\u00e9", u""};
  auto s = session();
  ole_ptr<IRowset> r;
  std::u16string ins = u"CREATE TABLE texts (n int, t nvarchar(40))\nINSERT INTO texts VALUES ";
  for (size_t i = 0; i < texts.size(); ++i)
    ins += (i ? u",(" : u"(") + text::utf8_to_utf16(std::to_string(i)) + u", N'" + texts[i] + u"')";
  ASSERT_EQ(execute(s.get(), ins, r), S_OK);
  ASSERT_EQ(execute(s.get(), u"SELECT t, t FROM texts ORDER BY n", r), S_OK);
  reader rd(r.get(), {DBTYPE_WSTR, DBTYPE_BYTES}, 200);
  size_t n = each_row(r.get(), rd, [&](size_t i) {
    ASSERT_LT(i, texts.size());
    EXPECT_EQ(rd.status(0), DBSTATUS_S_OK);
    EXPECT_EQ(rd.wide(0), texts[i]) << i;
    EXPECT_EQ(rd.length(0), texts[i].size() * 2) << i;
    const std::string b = rd.bytes(1);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(b.data()), b.size() / 2), texts[i])
        << i;
  });
  EXPECT_EQ(n, texts.size());
}

TEST_P(rowset_test, LongValuesReadWholeByReference) {
  auto s = session();
  ole_ptr<IRowset> r;
  std::string big(3000000, 'q');
  ASSERT_EQ(execute(s.get(), u"CREATE TABLE big (t text, b image)", r), S_OK);
  std::string hex;
  for (int i = 0; i < 100000; ++i) hex += "AB";
  ASSERT_EQ(
      execute(s.get(), text::utf8_to_utf16("INSERT INTO big VALUES ('" + big + "', 0x" + hex + ")"),
              r),
      S_OK);
  ASSERT_EQ(execute(s.get(), u"SELECT t, b FROM big", r), S_OK);
  DBBINDING b[2]{};
  for (int i = 0; i < 2; ++i) {
    b[i].iOrdinal = static_cast<DBORDINAL>(i + 1);
    b[i].obStatus = static_cast<DBBYTEOFFSET>(i * 32);
    b[i].obLength = b[i].obStatus + 8;
    b[i].obValue = b[i].obStatus + 16;
    b[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b[i].wType = static_cast<DBTYPE>((i == 0 ? DBTYPE_WSTR : DBTYPE_BYTES) | DBTYPE_BYREF);
  }
  ole_ptr<IAccessor> acc;
  ASSERT_EQ(r.query(IID_IAccessor, acc), S_OK);
  HACCESSOR ha = 0;
  ASSERT_EQ(acc->CreateAccessor(DBACCESSOR_ROWDATA, 2, b, 0, &ha, nullptr), S_OK);
  HROW h[1];
  HROW* p = h;
  DBCOUNTITEM got = 0;
  ASSERT_EQ(r->GetNextRows(0, 0, 1, &got, &p), S_OK);
  BYTE buf[64];
  ASSERT_EQ(r->GetData(h[0], ha, buf), S_OK);
  char16_t* text;
  BYTE* bytes;
  DBLENGTH tl, bl;
  std::memcpy(&text, buf + 16, sizeof text);
  std::memcpy(&tl, buf + 8, sizeof tl);
  std::memcpy(&bytes, buf + 48, sizeof bytes);
  std::memcpy(&bl, buf + 40, sizeof bl);
  EXPECT_EQ(tl, 6000000u);
  EXPECT_EQ(text::utf16_to_utf8(std::u16string_view(text, tl / 2)), big);
  EXPECT_EQ(bl, 100000u);
  EXPECT_EQ(bytes[99999], 0xAB);
  CoTaskMemFree(text);
  CoTaskMemFree(bytes);
  r->ReleaseRows(1, h, nullptr, nullptr, nullptr);
  acc->ReleaseAccessor(ha, nullptr);
}

TEST_P(rowset_test, AccessorsRefuseBadBindings) {
  auto s = session();
  ole_ptr<IRowset> r;
  ASSERT_EQ(execute(s.get(), u"SELECT id FROM items", r), S_OK);
  ole_ptr<IAccessor> acc;
  r.query(IID_IAccessor, acc);
  DBBINDING b{};
  b.iOrdinal = 2;
  b.dwPart = DBPART_VALUE;
  b.wType = DBTYPE_WSTR;
  b.cbMaxLen = 10;
  HACCESSOR h = 0;
  DBBINDSTATUS st = 0;
  EXPECT_EQ(acc->CreateAccessor(DBACCESSOR_ROWDATA, 1, &b, 0, &h, &st), DB_E_ERRORSOCCURRED);
  EXPECT_EQ(st, DBBINDSTATUS_BADORDINAL);
  b.iOrdinal = 1;
  b.wType = DBTYPE_VARIANT;
  EXPECT_EQ(acc->CreateAccessor(DBACCESSOR_ROWDATA, 1, &b, 0, &h, &st), DB_E_ERRORSOCCURRED);
  EXPECT_EQ(st, DBBINDSTATUS_UNSUPPORTEDCONVERSION);
  EXPECT_EQ(acc->ReleaseAccessor(12345, nullptr), DB_E_BADACCESSORHANDLE);
}

}  // namespace
}  // namespace tsl::oledb::testing

namespace tsl::oledb::testing {
namespace {

class packed_layout_test : public over_both<oledb_fixture> {};
INSTANTIATE_TEST_SUITE_P(both, packed_layout_test, ::testing::Bool(), connector_name);

// Status, a four-byte length and the value at offsets 0, 4 and 8 of each
// slot, as the MS SQL reader lays out its row buffer.
TEST_P(packed_layout_test, ValuesSurviveAFourByteLengthPart) {
  auto s = session();
  ole_ptr<IRowset> r;
  ASSERT_EQ(execute(s.get(), u"SELECT id, name, data FROM items ORDER BY id", r), S_OK);
  const DBLENGTH lens[] = {52, 22, 66};
  const DBTYPE types[] = {DBTYPE_WSTR, DBTYPE_WSTR, DBTYPE_BYTES};
  DBBINDING b[3]{};
  DBBYTEOFFSET offset = 0;
  for (int i = 0; i < 3; ++i) {
    b[i].iOrdinal = static_cast<DBORDINAL>(i + 1);
    b[i].obStatus = offset;
    b[i].obLength = offset + 4;
    b[i].obValue = offset + 8;
    b[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b[i].cbMaxLen = lens[i];
    b[i].wType = types[i];
    offset += lens[i] + 8;
  }
  std::vector<BYTE> buf(offset + 4);
  ole_ptr<IAccessor> acc;
  r.query(IID_IAccessor, acc);
  HACCESSOR h = 0;
  ASSERT_EQ(acc->CreateAccessor(DBACCESSOR_ROWDATA, 3, b, 0, &h, nullptr), S_OK);
  HROW rows[5];
  HROW* p = rows;
  DBCOUNTITEM got = 0;
  r->GetNextRows(0, 0, 5, &got, &p);
  ASSERT_EQ(got, 3u);
  ASSERT_EQ(r->GetData(rows[0], h, buf.data()), S_OK);
  uint32_t len32;
  std::memcpy(&len32, buf.data() + b[1].obLength, 4);
  EXPECT_EQ(len32, 6u);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf.data() + b[0].obValue)), u"1");
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf.data() + b[1].obValue)), u"one");
  std::memcpy(&len32, buf.data() + b[2].obLength, 4);
  EXPECT_EQ(len32, 3u);
  EXPECT_EQ(std::memcmp(buf.data() + b[2].obValue, "\x01\x02\x03", 3), 0);
  r->ReleaseRows(got, rows, nullptr, nullptr, nullptr);
  acc->ReleaseAccessor(h, nullptr);
}

}  // namespace
}  // namespace tsl::oledb::testing

namespace tsl::oledb::testing {
namespace {

class text_forms_test : public over_both<oledb_fixture> {};
INSTANTIATE_TEST_SUITE_P(both, text_forms_test, ::testing::Bool(), connector_name);

// One value of every type, read as the MS SQL reader reads it: binary
// columns as bytes, everything else as text.
TEST_P(text_forms_test, EveryTypeArrivesInTheProvidersTextForm) {
  auto s = session();
  ole_ptr<IRowset> r;
  ASSERT_EQ(
      execute(s.get(),
              u"CREATE TABLE every (a int, b smallint, c tinyint, d bigint, e bit,"
              u" f decimal(18,4), g numeric(5,0), h money, i smallmoney, j float, k real,"
              u" l datetime, m smalldatetime, n date, o time(2), p datetime2, q datetimeoffset(1),"
              u" r char(4), s varchar(10), t text, u nchar(2), v nvarchar(10), w ntext, x xml,"
              u" y binary(3), z varbinary(10), aa image, ab uniqueidentifier, ac sql_variant,"
              u" ad varchar(max), ae nvarchar(max), af varbinary(max), ag sysname)\n"
              u"INSERT INTO every VALUES (-2147483648, -32768, 0, 9223372036854775807, 0,"
              u" -12345678901234.5678, 99999, -922337203685477.5808, 214748.3647, -1.5e-7, 3.5,"
              u" '1753-01-01 00:00:00.003', '1900-01-01 00:00', '0001-01-01', '12:34:56.789',"
              u" '2001-02-03 04:05:06.1234567', '2001-02-03 04:05:06.12 +14:00', 'ab', 'txt',"
              u" 'long text', N'ж', N'Ωμέγα', N'長い', N'<a/>', 0x0A, 0x00FF00, 0xCAFE,"
              u" 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', 'variant', 'vm', N'nvm', 0x01, N'name')",
              r),
      S_OK);
  ASSERT_EQ(execute(s.get(), u"SELECT * FROM every", r), S_OK);
  ole_ptr<IColumnsInfo> ci;
  r.query(IID_IColumnsInfo, ci);
  DBORDINAL n = 0;
  DBCOLUMNINFO* info = nullptr;
  OLECHAR* names = nullptr;
  ci->GetColumnInfo(&n, &info, &names);
  ASSERT_EQ(n, 33u);
  std::vector<DBBINDING> b(n);
  DBBYTEOFFSET offset = 0;
  for (DBORDINAL i = 0; i < n; ++i) {
    b[i] = DBBINDING{};
    b[i].iOrdinal = i + 1;
    b[i].obStatus = offset;
    b[i].obLength = offset + 8;
    b[i].obValue = offset + 16;
    b[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b[i].cbMaxLen = 200;
    b[i].wType = info[i].wType == DBTYPE_BYTES ? DBTYPE_BYTES : DBTYPE_WSTR;
    offset += 216;
  }
  CoTaskMemFree(info);
  CoTaskMemFree(names);
  ole_ptr<IAccessor> acc;
  r.query(IID_IAccessor, acc);
  HACCESSOR h = 0;
  ASSERT_EQ(acc->CreateAccessor(DBACCESSOR_ROWDATA, n, b.data(), 0, &h, nullptr), S_OK);
  std::vector<BYTE> buf(offset);
  HROW rows[1];
  HROW* p = rows;
  DBCOUNTITEM got = 0;
  r->GetNextRows(0, 0, 1, &got, &p);
  ASSERT_EQ(got, 1u);
  ASSERT_EQ(r->GetData(rows[0], h, buf.data()), S_OK);
  std::vector<std::string> texts;
  for (DBORDINAL i = 0; i < n; ++i) {
    const BYTE* v = buf.data() + b[i].obValue;
    DBLENGTH len;
    std::memcpy(&len, buf.data() + b[i].obLength, sizeof len);
    if (b[i].wType == DBTYPE_BYTES) {
      std::string hex;
      for (DBLENGTH k = 0; k < len; ++k)
        hex += "0123456789ABCDEF"[v[k] >> 4], hex += "0123456789ABCDEF"[v[k] & 15];
      texts.push_back("0x" + hex);
    } else {
      texts.push_back(text::utf16_to_utf8(reinterpret_cast<const char16_t*>(v)));
    }
  }
  const std::vector<std::string> expected = {"-2147483648",
                                             "-32768",
                                             "0",
                                             "9223372036854775807",
                                             "0",
                                             "-12345678901234.5678",
                                             "99999",
                                             "-922337203685477.5808",
                                             "214748.3647",
                                             "-1.5E-07",
                                             "3.5",
                                             "1753-01-01 00:00:00.003000000",
                                             "1900-01-01 00:00:00",
                                             "0001-01-01",
                                             "12:34:56.79",
                                             "2001-02-03 04:05:06.1234567",
                                             "2001-02-03 04:05:06.1 +14:00",
                                             "ab  ",
                                             "txt",
                                             "long text",
                                             "ж ",
                                             "Ωμέγα",
                                             "長い",
                                             "<a/>",
                                             "0x0A0000",
                                             "0x00FF00",
                                             "0xCAFE",
                                             "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}",
                                             "variant",
                                             "vm",
                                             "nvm",
                                             "0x01",
                                             "name"};
  EXPECT_EQ(texts, expected);
  r->ReleaseRows(1, rows, nullptr, nullptr, nullptr);
  acc->ReleaseAccessor(h, nullptr);
}

}  // namespace
}  // namespace tsl::oledb::testing

namespace tsl::oledb::testing {
namespace {

class native_dates_test : public over_both<oledb_fixture> {};
INSTANTIATE_TEST_SUITE_P(both, native_dates_test, ::testing::Bool(), connector_name);

TEST_P(native_dates_test, DatesBindAsTimestampsDatesAndOleDates) {
  auto s = session();
  ole_ptr<IRowset> r;
  ASSERT_EQ(execute(s.get(), u"SELECT made, made, made, name FROM items WHERE id = 1", r), S_OK);
  DBBINDING b[4]{};
  const DBTYPE types[] = {DBTYPE_DBTIMESTAMP, DBTYPE_DBDATE, DBTYPE_DATE, DBTYPE_DBTIMESTAMP};
  for (int i = 0; i < 4; ++i) {
    b[i].iOrdinal = static_cast<DBORDINAL>(i + 1);
    b[i].obStatus = static_cast<DBBYTEOFFSET>(i * 40);
    b[i].obLength = b[i].obStatus + 8;
    b[i].obValue = b[i].obStatus + 16;
    b[i].dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b[i].wType = types[i];
  }
  ole_ptr<IAccessor> acc;
  r.query(IID_IAccessor, acc);
  HACCESSOR h = 0;
  ASSERT_EQ(acc->CreateAccessor(DBACCESSOR_ROWDATA, 4, b, 0, &h, nullptr), S_OK);
  HROW rows[1];
  HROW* p = rows;
  DBCOUNTITEM got = 0;
  r->GetNextRows(0, 0, 1, &got, &p);
  BYTE buf[160];
  EXPECT_EQ(r->GetData(rows[0], h, buf), DB_S_ERRORSOCCURRED);  // the name is no date
  DBTIMESTAMP ts;
  std::memcpy(&ts, buf + 16, sizeof ts);
  EXPECT_EQ(ts.year, 2020);
  EXPECT_EQ(ts.second, 5);
  EXPECT_EQ(ts.fraction, 123000000u);
  DBDATE d;
  std::memcpy(&d, buf + 56, sizeof d);
  EXPECT_EQ(d.month, 1);
  EXPECT_EQ(d.day, 2);
  double ole;
  std::memcpy(&ole, buf + 96, sizeof ole);
  EXPECT_NEAR(ole, 43832.0 + 11045.123 / 86400, 1e-9);  // 2020-01-02 03:04:05.123
  DBSTATUS st;
  std::memcpy(&st, buf + 120, sizeof st);
  EXPECT_EQ(st, DBSTATUS_E_CANTCONVERTVALUE);
  r->ReleaseRows(1, rows, nullptr, nullptr, nullptr);
  acc->ReleaseAccessor(h, nullptr);
}

}  // namespace
}  // namespace tsl::oledb::testing
