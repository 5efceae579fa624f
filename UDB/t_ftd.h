#pragma once
// One column of a schema: its name, value type, declared size, NOT NULL,
// identity and default.
#include <cstdint>
#include <string>

#include "OLE/ole_variant.h"
#include "platform/oleaut/oleauto_types.h"

class t_ftd {
 public:
  // `size` counts characters for text and bytes for binary; 0 is unlimited.
  // `reserved` packs a decimal or currency column's precision * 256 + scale.
  t_ftd(uint32_t size, std::u16string name, VARTYPE vartype, bool not_null, bool identity,
        const ole_variant& default_value, int32_t reserved);

  uint32_t size() const { return size_; }
  const std::u16string& name() const { return name_; }
  VARTYPE vartype() const { return vartype_; }
  bool is_identity() const { return identity_; }
  bool is_not_null() const { return not_null_; }
  const ole_variant& default_value() const { return default_value_; }
  int32_t reserved() const { return reserved_; }
  // Of a decimal column.
  int precision() const { return (reserved_ >> 8) & 0xFF; }
  int scale() const { return reserved_ & 0xFF; }

  void set_size(uint32_t size) { size_ = size; }
  void set_name(std::u16string name) { name_ = std::move(name); }
  void set_vartype(VARTYPE vartype) { vartype_ = vartype; }
  void set_identity(bool identity) { identity_ = identity; }
  void set_not_null(bool not_null) { not_null_ = not_null; }
  void set_default_value(const ole_variant& value) { default_value_ = value; }
  void set_reserved(int32_t reserved) { reserved_ = reserved; }

  // Text or binary whose values always have the declared size (char(n),
  // binary(n)), padded by the source.
  bool is_fixed_length() const { return fixed_length_; }
  void set_fixed_length(bool fixed) { fixed_length_ = fixed; }
  // A default that is an expression rather than a value (getdate(), newid(),
  // (1)+(2)), as the source wrote it; the default value is then empty. The
  // destination reproduces the expressions it knows and leaves out the rest.
  const std::u16string& default_expression() const { return default_expression_; }
  void set_default_expression(std::u16string text) { default_expression_ = std::move(text); }

  // Same kind of values: decimal and currency are alike; texts must also
  // agree in size. Names are not compared.
  bool operator==(const t_ftd& other) const;
  // Whether values of this (source) column may be stored in `destination`.
  bool conform_to(const t_ftd& destination) const;

 private:
  uint32_t size_;
  std::u16string name_;
  VARTYPE vartype_;
  bool identity_;
  bool not_null_;
  ole_variant default_value_;
  int32_t reserved_;
  bool fixed_length_ = false;
  std::u16string default_expression_;
};
