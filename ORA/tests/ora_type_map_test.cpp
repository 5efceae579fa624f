// Column types, literals and defaults for Oracle, and the variant types of
// NUMBER columns read back.
#include "ORA/ora_type_map.h"

#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "UDB/t_ftd.h"

namespace {

t_ftd field(VARTYPE vt, uint32_t size = 0, const ole_variant& def = ole_variant(),
            int32_t reserved = 0) {
  return t_ftd(size, u"F", vt, false, false, def, reserved);
}

TEST(ora_type_map, NativeTypes) {
  EXPECT_EQ(get_native_type(field(VT_I2)), u"NUMBER(5,0)");
  EXPECT_EQ(get_native_type(field(VT_UI1)), u"NUMBER(5,0)");
  EXPECT_EQ(get_native_type(field(VT_UI2)), u"NUMBER(11,0)");
  EXPECT_EQ(get_native_type(field(VT_INT)), u"NUMBER(11,0)");
  // Money is exact: NUMBER(19,4), smallmoney NUMBER(10,4).
  EXPECT_EQ(get_native_type(field(VT_CY, 8, {}, 19 * 256 + 4)), u"NUMBER(19,4)");
  EXPECT_EQ(get_native_type(field(VT_CY, 8, {}, 10 * 256 + 4)), u"NUMBER(10,4)");
  EXPECT_EQ(get_native_type(field(VT_DATE)), u"DATE");
  EXPECT_EQ(get_native_type(field(VT_BOOL)), u"NUMBER(3,0)");
  EXPECT_EQ(get_native_type(field(VT_I8)), u"NUMBER(19,0)");
  EXPECT_EQ(get_native_type(field(VT_DECIMAL, 0, {}, 18 * 256 + 4)), u"NUMBER(18,4)");
  // Oracle's limit: never a precision above 38.
  EXPECT_EQ(get_native_type(field(VT_DECIMAL, 0, {}, 40 * 256 + 4)), u"NUMBER(38,4)");
  EXPECT_THROW(get_native_type(field(VT_VARIANT)), tk_mail_assertion);
}

TEST(ora_type_map, TextAndBinaryKeepEveryCharacterAndByte) {
  // Counted in characters while any text of that length fits 4000 bytes.
  EXPECT_EQ(get_native_type(field(VT_BSTR, 1)), u"VARCHAR2(1 CHAR)");
  EXPECT_EQ(get_native_type(field(VT_BSTR, 1333)), u"VARCHAR2(1333 CHAR)");
  EXPECT_EQ(get_native_type(field(VT_BSTR, 1334)), u"NVARCHAR2(1334)");
  EXPECT_EQ(get_native_type(field(VT_BSTR, 2000)), u"NVARCHAR2(2000)");
  EXPECT_EQ(get_native_type(field(VT_BSTR, 2001)), u"CLOB");
  EXPECT_EQ(get_native_type(field(VT_BSTR, 0)), u"CLOB");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 16)), u"RAW(16)");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 2000)), u"RAW(2000)");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 2001)), u"BLOB");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 0)), u"BLOB");
  EXPECT_TRUE(is_lob_column(VT_BSTR, 2001));
  EXPECT_FALSE(is_lob_column(VT_BSTR, 2000));
  EXPECT_TRUE(is_lob_column(VT_ARRAY | VT_UI1, 3000));
  EXPECT_FALSE(is_lob_column(VT_I4, 0));
}

TEST(ora_type_map, NumberTypesReadBack) {
  int p = 10;
  EXPECT_EQ(refine_number_type(p, 0), VT_I8);  // above 2^31 fits
  p = 9;
  EXPECT_EQ(refine_number_type(p, 0), VT_I4);
  p = 4;
  EXPECT_EQ(refine_number_type(p, 0), VT_I2);
  p = 2;
  EXPECT_EQ(refine_number_type(p, 0), VT_I1);
  p = 19;
  EXPECT_EQ(refine_number_type(p, 0), VT_DECIMAL);
  p = 10;
  EXPECT_EQ(refine_number_type(p, 2), VT_DECIMAL);
  p = 0;
  EXPECT_EQ(refine_number_type(p, 0), VT_R8);
  p = 3;
  EXPECT_EQ(refine_number_type(p, 3), VT_DECIMAL);
  EXPECT_EQ(p, 4);
}

TEST(ora_type_map, Literals) {
  EXPECT_EQ(to_oracle_str(u"", VT_I4), u"''");
  EXPECT_EQ(to_oracle_str(u"O'Brien", VT_BSTR), u"'O''Brien'");
  EXPECT_EQ(to_oracle_str(u"O'Brien", VT_I4), u"O''Brien");
  EXPECT_EQ(to_oracle_str(u"2010-11-24", VT_DATE), u"to_date('2010-11-24', 'YYYY-MM-DD')");
  EXPECT_EQ(to_oracle_str(u"08:56:44", VT_DATE), u"to_date('08:56:44', 'HH24-MI-SS')");
  EXPECT_EQ(to_oracle_str(u"2010-11-24 08:56:44", VT_DATE),
            u"to_date('2010-11-24 08:56:44', 'YYYY-MM-DD HH24:MI:SS')");
  EXPECT_EQ(to_oracle_str(u"not a date", VT_DATE), u"");
  EXPECT_EQ(to_oracle_str(u"0x0A1B", VT_BLOB), u"'0A1B'");
  EXPECT_EQ(to_oracle_str(u"0", VT_BLOB), u"''");
  EXPECT_EQ(to_oracle_str(u"0xZZ", VT_BLOB), u"''");
  const std::u16string guid = u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}}";
  EXPECT_EQ(to_oracle_str(guid, VT_BSTR), u"'{6F9619FF-8B86-D011-B42D-00C04FC964FF}'");
  EXPECT_EQ(to_oracle_str(guid, VT_BLOB), u"'6F9619FF8B86D011B42D00C04FC964FF'");
  EXPECT_EQ(to_oracle_str(u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964F}", VT_BSTR),
            u"'{guid {6F9619FF-8B86-D011-B42D-00C04FC964F}'");
  ole_variant v(u"it's");
  EXPECT_EQ(to_oracle_str(&v), u"'it''s'");
  EXPECT_THROW(to_oracle_str(nullptr), tk_mail_assertion);
}

// A bound value says what its literal says: the same text (quotes and NULs
// are the literal's business), the same date format, and NULL exactly where
// the literal stands for nothing.
TEST(ora_type_map, BoundValuesMeanWhatTheirLiteralsMean) {
  auto render = [](const std::u16string& out, const char16_t* format, VARTYPE vt) {
    if (format != nullptr) return u"to_date('" + out + u"', '" + format + u"')";
    if (vt == VT_BLOB || vt == (VT_ARRAY | VT_UI1)) return u"'" + out + u"'";
    std::u16string body;
    for (char16_t c : out) {
      if (c == u'\0' && vt == VT_BSTR) {
        body += u"'||CHR(0)||'";
        continue;
      }
      body += c;
      if (c == u'\'') body += u'\'';
    }
    return vt == VT_BSTR ? u"'" + body + u"'" : body;
  };
  const std::u16string texts[] = {
      u"",
      u"plain",
      u"O'Brien",
      u"\"\"",
      std::u16string(u"a\0b", 3),
      u"12.5",
      u"2010-11-24",
      u"08:56:44",
      u"2010-11-24 08:56:44",
      u"not a date",
      u"0x0A1B",
      u"0x",
      u"0X0a",
      u"0xZZ",
      u"0",
      u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}}",
      u"{guid {6F9619FF-8B86-D011-B42D-00C04FC964F}",
  };
  const VARTYPE types[] = {VT_BSTR, VT_I4, VT_R8, VT_DECIMAL, VT_DATE, VT_BLOB, VT_ARRAY | VT_UI1};
  for (VARTYPE vt : types) {
    for (const std::u16string& text : texts) {
      SCOPED_TRACE(testing::Message() << "vt " << vt << ", text of " << text.size());
      const std::u16string literal = to_oracle_str(text, vt);
      std::u16string out = u"stale";
      const char16_t* format = u"stale";
      const bool bound = to_oracle_bind(text, vt, out, &format);
      const bool usable = !literal.empty() && literal != u"''" && literal != u"\"\"";
      EXPECT_EQ(bound, usable);
      if (bound && usable) {
        EXPECT_EQ(render(out, format, vt), literal);
      }
      if (vt != VT_DATE) {
        EXPECT_EQ(format, nullptr);
      }
    }
  }
}

TEST(ora_type_map, Defaults) {
  auto def = [](VARTYPE vt, const char16_t* text, uint32_t size = 10) {
    t_ftd f = field(vt, size, ole_variant(text));
    return make_ora_def_val(&f);
  };
  EXPECT_EQ(def(VT_I4, u"5"), u"5");
  EXPECT_EQ(def(VT_I4, u"-3"), u"-3");
  EXPECT_EQ(def(VT_I4, u"((0))"), u"");
  EXPECT_EQ(def(VT_I4, u"05"), u"");
  EXPECT_EQ(def(VT_I4, u" 5"), u"");
  EXPECT_EQ(def(VT_I4, u"0"), u"0");
  // Out of range: left out, never replaced by 0.
  EXPECT_EQ(def(VT_R8, u"1.5E+200"), u"");
  EXPECT_EQ(def(VT_R8, u"abc"), u"");
  EXPECT_EQ(def(VT_R8, u"0.0"), u"0.0");
  EXPECT_EQ(def(VT_R8, u"2.5"), u"2.5");
  EXPECT_EQ(def(VT_BSTR, u"abcdefghijkl"), u"'abcdefghij'");
  EXPECT_EQ(def(VT_BSTR, u"abc", 0), u"''");
  EXPECT_EQ(def(VT_DATE, u"2010-11-24"), u"to_date('2010-11-24', 'YYYY-MM-DD')");
  EXPECT_EQ(def(VT_DATE, u"getdate()"), u"");
  EXPECT_EQ(def(VT_I8, u"5"), u"5");
  EXPECT_EQ(def(VT_I8, u"-9223372036854775808"), u"-9223372036854775808");
  EXPECT_EQ(def(VT_I8, u"9223372036854775808"), u"");
  t_ftd none = field(VT_I4);
  EXPECT_EQ(make_ora_def_val(&none), u"");
  EXPECT_THROW(make_ora_def_val(nullptr), tk_mail_assertion);
}

TEST(ora_type_map, FixedLengthAndBinaryKeepTheirKind) {
  t_ftd code = field(VT_BSTR, 10);
  code.set_fixed_length(true);
  EXPECT_EQ(get_native_type(code), u"CHAR(10 CHAR)");
  code.set_size(666);
  EXPECT_EQ(get_native_type(code), u"CHAR(666 CHAR)");
  // Beyond what CHAR(n CHAR) always holds: the national fixed type, then a
  // varying one.
  code.set_size(667);
  EXPECT_EQ(get_native_type(code), u"NCHAR(667)");
  code.set_size(1001);
  EXPECT_EQ(get_native_type(code), u"VARCHAR2(1001 CHAR)");
  code.set_size(1500);
  EXPECT_EQ(get_native_type(code), u"NVARCHAR2(1500)");
  // binary(n), varbinary(n) and uniqueidentifier: RAW, which keys may hold.
  EXPECT_EQ(get_native_type(field(VT_BLOB, 16)), u"RAW(16)");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 2000)), u"RAW(2000)");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 2001)), u"BLOB");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 0)), u"BLOB");
  EXPECT_FALSE(is_lob_column(VT_BLOB, 16));
}

TEST(ora_type_map, TypesTheReleaseAccepts) {
  t_ftd text = field(VT_BSTR, 100);
  t_ftd fixed = field(VT_BSTR, 10);
  fixed.set_fixed_length(true);
  t_ftd bytes = field(VT_BLOB, 300);
  const int r19 = 0x130300, r9 = 0x90201, r8 = 0x80107, r7 = 0x70304;
  EXPECT_EQ(get_native_type(text, r19), u"VARCHAR2(100 CHAR)");
  EXPECT_EQ(get_native_type(text, r9), u"VARCHAR2(100 CHAR)");
  EXPECT_EQ(get_native_type(fixed, r9), u"CHAR(10 CHAR)");
  // Oracle8 has no character semantics: the national types count characters.
  EXPECT_EQ(get_native_type(text, r8), u"NVARCHAR2(100)");
  EXPECT_EQ(get_native_type(fixed, r8), u"NCHAR(10)");
  EXPECT_EQ(get_native_type(field(VT_BSTR, 0), r8), u"CLOB");
  EXPECT_EQ(get_native_type(bytes, r8), u"RAW(300)");
  // Oracle7: byte lengths, no national types and no LOBs.
  EXPECT_EQ(get_native_type(text, r7), u"VARCHAR2(100)");
  EXPECT_EQ(get_native_type(fixed, r7), u"CHAR(10)");
  EXPECT_EQ(get_native_type(field(VT_BSTR, 0), r7), u"LONG");
  EXPECT_EQ(get_native_type(bytes, r7), u"LONG RAW");
  EXPECT_EQ(get_native_type(field(VT_BLOB, 255), r7), u"RAW(255)");
}

TEST(ora_type_map, TextArrivesWhole) {
  // A NUL is a character of the text, not its end.
  EXPECT_EQ(to_oracle_str(std::u16string(u"a\0b", 3), VT_BSTR), u"'a'||CHR(0)||'b'");
  EXPECT_EQ(to_oracle_str(std::u16string(u"\0", 1), VT_BSTR), u"''||CHR(0)||''");
  // Text that mentions a GUID is no GUID.
  const std::u16string prose =
      u"Please read the guid field {see the manual, chapter 7} before you start";
  EXPECT_EQ(to_oracle_str(prose, VT_BSTR), u"'" + prose + u"'");
  t_ftd note = field(VT_BSTR, 200, ole_variant(prose));
  EXPECT_EQ(make_ora_def_val(&note), u"'" + prose + u"'");
}

TEST(ora_type_map, DefaultExpressions) {
  auto def = [](VARTYPE vt, const char16_t* expression, uint32_t size = 10) {
    t_ftd f = field(vt, size);
    f.set_default_expression(expression);
    return make_ora_def_val(&f);
  };
  EXPECT_EQ(def(VT_DATE, u"getdate()"), u"SYSDATE");
  EXPECT_EQ(def(VT_DATE, u"GETDATE ( )"), u"SYSDATE");
  EXPECT_EQ(def(VT_DATE, u"CURRENT_TIMESTAMP"), u"SYSDATE");
  EXPECT_EQ(def(VT_DATE, u"sysdatetime()"), u"SYSDATE");
  EXPECT_EQ(def(VT_DATE, u"CONVERT([date],getdate())"), u"TRUNC(SYSDATE)");
  EXPECT_EQ(def(VT_DATE, u"CAST(getdate() AS date)"), u"TRUNC(SYSDATE)");
  // A date or datetime2(0) column travels as its text.
  EXPECT_EQ(def(VT_BSTR, u"CONVERT([date],getdate())", 10), u"TO_CHAR(SYSDATE, 'YYYY-MM-DD')");
  EXPECT_EQ(def(VT_BSTR, u"sysdatetime()", 19), u"TO_CHAR(SYSDATE, 'YYYY-MM-DD HH24:MI:SS')");
  EXPECT_EQ(def(VT_BLOB, u"newid()", 16), u"SYS_GUID()");
  EXPECT_EQ(def(VT_BSTR, u"suser_sname()", 128), u"USER");
  EXPECT_EQ(def(VT_BSTR, u"user_name()", 128), u"USER");
  // Anything else is left out, never written as a text or cut to a part.
  EXPECT_EQ(def(VT_BSTR, u"getdate()", 30), u"");
  EXPECT_EQ(def(VT_BSTR, u"sysdatetime()", 27), u"");
  EXPECT_EQ(def(VT_I4, u"(1)+(2)"), u"");
  EXPECT_EQ(def(VT_I4, u"((2)*(3))-(1)"), u"");
  EXPECT_EQ(def(VT_BLOB, u"newid()", 20), u"");
  t_ftd sum = field(VT_I4);
  sum.set_default_expression(u"(1)+(2)");
  EXPECT_TRUE(default_left_out(sum));
  t_ftd now = field(VT_DATE);
  now.set_default_expression(u"getdate()");
  EXPECT_FALSE(default_left_out(now));
  EXPECT_TRUE(default_left_out(field(VT_R8, 0, ole_variant(u"1.5E+200"))));
  EXPECT_FALSE(default_left_out(field(VT_R8, 0, ole_variant(u"2.5"))));
  EXPECT_FALSE(default_left_out(field(VT_R8)));
}

}  // namespace
