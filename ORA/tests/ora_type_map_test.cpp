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
  EXPECT_EQ(get_native_type(field(VT_CY)), u"NUMBER");
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
  EXPECT_EQ(def(VT_R8, u"1.5E+200"), u"0");
  EXPECT_EQ(def(VT_R8, u"abc"), u"");
  EXPECT_EQ(def(VT_R8, u"0.0"), u"0.0");
  EXPECT_EQ(def(VT_R8, u"2.5"), u"2.5");
  EXPECT_EQ(def(VT_BSTR, u"abcdefghijkl"), u"'abcdefghij'");
  EXPECT_EQ(def(VT_BSTR, u"abc", 0), u"''");
  EXPECT_EQ(def(VT_DATE, u"2010-11-24"), u"to_date('2010-11-24', 'YYYY-MM-DD')");
  EXPECT_EQ(def(VT_DATE, u"getdate()"), u"");
  EXPECT_EQ(def(VT_I8, u"5"), u"");
  t_ftd none = field(VT_I4);
  EXPECT_EQ(make_ora_def_val(&none), u"");
  EXPECT_THROW(make_ora_def_val(nullptr), tk_mail_assertion);
}

}  // namespace
