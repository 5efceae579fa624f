#pragma once
// Column readers of a described query: each defines its output buffer for
// one select-list position and turns the fetched bytes into a value.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"
#include "platform/oci/oci_types.h"
#include "platform/oleaut/oleauto_types.h"

class t_ftd;

class ora_type {
 public:
  // Reads the column's name, nullability and length from its parameter.
  ora_type(OCIParam* param, ub2 code);
  virtual ~ora_type() = default;
  ora_type(const ora_type&) = delete;
  ora_type& operator=(const ora_type&) = delete;

  virtual VARTYPE get_vartype() const;
  // A new descriptor of the column, owned by the caller.
  virtual t_ftd* make_field() const;
  virtual void define(OCIStmt* stmt, ub4 position);
  virtual ole_variant to_variant() = 0;

  bool is_null() const { return indicator_ == OCI_IND_NULL; }
  ub2 code() const { return code_; }
  const std::u16string& name() const { return name_; }
  uint32_t length() const { return length_; }
  void set_length(uint32_t length) { length_ = length; }
  bool nullable() const { return nullable_; }

 protected:
  void define_buffer(OCIStmt* stmt, ub4 position, ub2 external_type);

  ub2 code_;
  std::u16string name_;
  uint32_t length_ = 0;
  bool nullable_ = true;
  OCIDefine* define_ = nullptr;
  sb2 indicator_ = 0;
  ub2 returned_ = 0;
  std::vector<uint8_t> buffer_;
  OCIParam* param_;
};

// VARCHAR2, CHAR and the like: UTF-16 text.
class ora_string : public ora_type {
 public:
  ora_string(OCIParam* param, ub2 code);
  VARTYPE get_vartype() const override { return VT_BSTR; }
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;
};

// NUMBER: read as text and typed by precision and scale.
class ora_number : public ora_type {
 public:
  ora_number(OCIParam* param, ub2 code);
  VARTYPE get_vartype() const override { return vartype_; }
  t_ftd* make_field() const override;
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;

 private:
  int precision_ = 0;
  int scale_ = 0;
  VARTYPE vartype_ = VT_R8;
};

// Values read as their text: LONG, LONG RAW, ROWID, intervals.
class ora_str_repr : public ora_type {
 public:
  ora_str_repr(OCIParam* param, ub2 code, uint32_t length);
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;
};

// DATE and the timestamps, as the 7-byte Oracle date.
class ora_date : public ora_type {
 public:
  ora_date(OCIParam* param, ub2 code);
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;
  // The calendar fields of a 7-byte Oracle date.
  static SYSTEMTIME decode(const uint8_t* bytes);
};

// RAW.
class ora_binary : public ora_type {
 public:
  ora_binary(OCIParam* param, ub2 code);
  VARTYPE get_vartype() const override { return VT_BLOB; }
  void define(OCIStmt* stmt, ub4 position) override;
  ole_variant to_variant() override;
};

// Any type not read: its value is a fixed text.
class ora_dummy : public ora_type {
 public:
  ora_dummy(OCIParam* param, ub2 code) : ora_type(param, code) {}
  VARTYPE get_vartype() const override { return VT_BSTR; }
  void define(OCIStmt*, ub4) override {}
  ole_variant to_variant() override;
};
