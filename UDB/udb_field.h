#pragma once
// One named value of a record: the variant itself, with the column's name and
// declared size.
#include <cstdint>
#include <string>

#include "OLE/ole_variant.h"

class udb_field : public ole_variant {
 public:
  // An empty value.
  udb_field(std::u16string name, uint32_t size);
  udb_field(std::u16string name, uint32_t size, ole_variant value);

  const std::u16string& name() const { return name_; }
  uint32_t size() const { return size_; }

 private:
  uint32_t size_;
  std::u16string name_;
};
