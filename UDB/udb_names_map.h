#pragma once
// The names a destination database gave to source tables and, per table, to
// source columns, so that later steps find a destination object from its
// source name.
#include <map>
#include <string>

#include "UDB/t_names_map.h"

class udb_names_map {
 public:
  void add_tn_mapping(const std::u16string& source, const std::u16string& destination);
  // Keeps a copy of a table's column map; a table created again replaces it.
  void add_fn_map(const std::u16string& table, const t_names_map& fields);

  // As t_names_map::get_mapped_name over the table names.
  std::u16string get_tn_mapped_name(const std::u16string& name, bool exact) const;
  // The table's column map is found by its exact name; without one the field
  // name is its own mapping.
  std::u16string get_fn_mapped_name(const std::u16string& table, const std::u16string& field,
                                    bool exact) const;

  const t_names_map& tables() const { return tables_; }

 private:
  t_names_map tables_;
  std::map<std::u16string, t_names_map> fields_;
};
