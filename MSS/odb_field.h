#pragma once
// One value of a row read from the server, under its column's name and size.
#include <cstdint>
#include <string>

#include "UDB/udb_field.h"

class odb_field : public udb_field {
 public:
  odb_field(std::u16string name, uint32_t size, ole_variant value)
      : udb_field(std::move(name), size, std::move(value)) {}

  std::u16string to_wstring() const override { return ole_variant::to_wstring(); }
};
