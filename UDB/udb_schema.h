#pragma once
// The columns of a table or query, in column order. Order matters: schemas
// conform position by position, whatever the names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "UDB/t_ftd.h"

class udb_schema {
 public:
  // An owning schema deletes its descriptors; another one only lists
  // descriptors that live elsewhere.
  explicit udb_schema(bool owns_fields = true) : owns_fields_(owns_fields) {}
  ~udb_schema();

  udb_schema(const udb_schema&) = delete;
  udb_schema& operator=(const udb_schema&) = delete;
  udb_schema(udb_schema&& other) noexcept;
  udb_schema& operator=(udb_schema&& other) noexcept;

  // Appends a column; an owning schema takes the descriptor over.
  void add(t_ftd* field) { fields_.push_back(field); }
  void clear();

  bool owns_fields() const { return owns_fields_; }
  size_t size() const { return fields_.size(); }
  bool empty() const { return fields_.empty(); }
  t_ftd& operator[](size_t i) const { return *fields_[i]; }

  // Name look-ups ignore case; the first match wins.
  bool find_field(const std::u16string& name) const;
  // The descriptor of that name; a missing name is an internal error, as it
  // is for the size and type below.
  t_ftd& get_field(const std::u16string& name) const;
  uint32_t get_field_size(const std::u16string& name) const;
  VARTYPE get_field_type(const std::u16string& name) const;

  // Same column count, and each source column conforms to the destination
  // column at the same position.
  bool conform_to(const udb_schema& destination) const;

 private:
  t_ftd* find(const std::u16string& name) const;

  std::vector<t_ftd*> fields_;
  bool owns_fields_;
};
