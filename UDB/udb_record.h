#pragma once
// One record: its named values in column order, owned by the record.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_field.h"

class udb_record {
 public:
  udb_record() = default;
  udb_record(const udb_record&) = delete;
  udb_record& operator=(const udb_record&) = delete;
  udb_record(udb_record&&) = default;
  udb_record& operator=(udb_record&&) = default;

  void add(std::unique_ptr<udb_field> field) { fields_.push_back(std::move(field)); }
  // Room for `n` values, so a record built column by column allocates once.
  void reserve(size_t n) { fields_.reserve(n); }
  void clear() { fields_.clear(); }

  size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }
  udb_field& operator[](size_t i) const { return *fields_[i]; }

  // Name look-ups ignore case; the first match wins.
  bool find_field(const std::u16string& name) const;
  // The named value, or an empty value when the name is absent.
  const ole_variant& get_field(const std::u16string& name) const;

 private:
  const udb_field* find(const std::u16string& name) const;

  std::vector<std::unique_ptr<udb_field>> fields_;
};
