#pragma once
// A database as both engines present it: a set of named tables that hands out
// record streams, plus the foreign keys the engine found. Each engine derives
// its database from this class and fills the table-name list when it opens it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationships.h"
#include "UDB/udb_schema.h"

class udb_database {
 public:
  // Bits of the open mode.
  static constexpr int32_t kReadOnly = 1;
  static constexpr int32_t kAppend = 8;

  udb_database(std::u16string name, int32_t mode, bool case_sensitive);
  virtual ~udb_database();

  udb_database(const udb_database&) = delete;
  udb_database& operator=(const udb_database&) = delete;

  // Every recordset handed out below belongs to the caller.
  virtual std::unique_ptr<udb_recordset> create_table(const std::u16string& name,
                                                      const udb_schema& schema,
                                                      const udb_indexes& indexes) = 0;
  // Removes a listed name, keeping the order of the others; engines call it
  // after dropping the table. An unlisted name is an internal error.
  virtual bool delete_tab(const std::u16string& name);
  virtual std::unique_ptr<udb_recordset> get_table(const std::u16string& name, int32_t flags) = 0;
  // A query run and presented as a table of the given name.
  virtual std::unique_ptr<udb_recordset> get_table(const std::u16string& name,
                                                   const std::u16string& sql, int32_t flags) = 0;
  virtual bool test_query(const std::u16string& sql) = 0;
  // Runs one statement; a result set, if the engine gives one, belongs to the
  // caller. Not supported here: an internal error.
  virtual std::unique_ptr<udb_recordset> query(const std::u16string& sql);
  virtual void create_relationships(const udb_relationships& relationships);
  // Exact when the database is case sensitive, otherwise ignoring case.
  virtual bool is_table_exist(const std::u16string& name) const;

  const std::u16string& name() const { return name_; }
  int32_t mode() const { return mode_; }
  bool is_case_sensitive() const { return case_sensitive_; }

  const std::vector<std::u16string>& table_names() const { return table_names_; }
  void add_table_name(std::u16string name) { table_names_.push_back(std::move(name)); }

  // Source-to-destination names of tables and columns.
  const udb_names_map& names_map() const { return names_map_; }
  udb_names_map& names_map() { return names_map_; }

  const udb_relationships& relationships() const { return relationships_; }
  udb_relationships& relationships() { return relationships_; }

 private:
  // The listed name equal to `name`, or end.
  std::vector<std::u16string>::const_iterator find_table(const std::u16string& name) const;

  int32_t mode_;
  std::u16string name_;
  bool case_sensitive_;
  std::vector<std::u16string> table_names_;
  udb_names_map names_map_;
  udb_relationships relationships_;
};
