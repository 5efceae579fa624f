#pragma once
// One index of a table: the primary key, a unique index or a plain index.
#include <string>
#include <vector>

class udb_index {
 public:
  udb_index() = default;
  udb_index(std::u16string name, bool unique, bool primary, std::vector<std::u16string> fields);

  const std::u16string& name() const { return name_; }
  bool is_unique() const { return unique_; }
  bool is_primary() const { return primary_; }
  // Column names in index order.
  const std::vector<std::u16string>& fields() const { return fields_; }

  void set_name(std::u16string name) { name_ = std::move(name); }
  void set_unique(bool unique) { unique_ = unique; }
  void set_primary(bool primary) { primary_ = primary; }
  void add_field(std::u16string field) { fields_.push_back(std::move(field)); }

  // True when the index begins with `fields`, position by position, ignoring
  // case: (A, B) starts an index on (A, B, C).
  bool starts_with_fields(const std::vector<std::u16string>& fields) const;
  // True when the index has exactly as many columns and each of `fields` is
  // one of them, compared exactly, in any order.
  bool consists_of_fields(const std::vector<std::u16string>& fields) const;

 private:
  std::u16string name_;
  bool unique_ = false;
  bool primary_ = false;
  std::vector<std::u16string> fields_;
};
