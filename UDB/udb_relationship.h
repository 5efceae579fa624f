#pragma once
// One foreign key: the columns of `table` that refer to the key columns of
// `referenced_table`.
#include <string>
#include <vector>

class udb_relationship {
 public:
  udb_relationship(std::u16string name, std::u16string second_name, std::u16string table,
                   std::u16string referenced_table, std::vector<std::u16string> fields,
                   std::vector<std::u16string> referenced_fields, std::u16string delete_rule);

  const std::u16string& name() const { return name_; }
  // A further constraint name the source side fills for its own use.
  const std::u16string& second_name() const { return second_name_; }
  const std::u16string& table() const { return table_; }
  const std::u16string& referenced_table() const { return referenced_table_; }
  // The referential action on delete; empty when none.
  const std::u16string& delete_rule() const { return delete_rule_; }
  // Key columns, and the referenced columns in the same order.
  const std::vector<std::u16string>& fields() const { return fields_; }
  const std::vector<std::u16string>& referenced_fields() const { return referenced_fields_; }

  // One more column pair of a key that spans several columns.
  void add_fields(std::u16string field, std::u16string referenced_field) {
    fields_.push_back(std::move(field));
    referenced_fields_.push_back(std::move(referenced_field));
  }

 private:
  std::u16string name_;
  std::u16string second_name_;
  std::u16string table_;
  std::u16string referenced_table_;
  std::u16string delete_rule_;
  std::vector<std::u16string> fields_;
  std::vector<std::u16string> referenced_fields_;
};
