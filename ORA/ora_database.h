#pragma once
// The destination database: the logged-on user's Oracle schema seen through
// its list of tables. Creates, hands out and drops tables, runs statements,
// checks queries and maps source names to destination names.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_table.h"
#include "TK/tk_exception.h"
#include "UDB/udb_database.h"
#include "platform/oci/oci_types.h"

// Logs the engine on (by service name or descriptor, or by host and port)
// and returns the destination database of that connection, owned by the
// caller.
class ora_database;
std::unique_ptr<ora_database> ora_open_db(const std::u16string& database,
                                          const std::u16string& user,
                                          const std::u16string& password);
std::unique_ptr<ora_database> ora_open_db(const std::u16string& host, const std::u16string& user,
                                          const std::u16string& password,
                                          const std::u16string& port);

class ora_database : public udb_database {
 public:
  // Reads the table list of the logged-on schema.
  explicit ora_database(const std::u16string& name, bool upper_case = false);
  ~ora_database() override;

  std::unique_ptr<udb_recordset> create_table(const std::u16string& name, const udb_schema& fields,
                                              const udb_indexes& indexes) override;
  // Drops the table with the identity sequence this program made for it,
  // and frees the names of its keys and indexes for the run.
  bool delete_tab(const std::u16string& name) override;
  std::unique_ptr<udb_recordset> get_table(const std::u16string& name, int32_t mode) override;
  std::unique_ptr<udb_recordset> get_table(const std::u16string& name, const std::u16string& sql,
                                           int32_t mode) override;
  bool test_query(const std::u16string& sql) override;
  // Runs one statement; answers no result set.
  std::unique_ptr<udb_recordset> query(const std::u16string& sql) override;
  void create_relationships(const udb_relationships& relationships) override;
  void create_fk_index_if(const std::u16string& parent, const std::vector<std::u16string>& columns);
  // ALTER TABLE ... ADD FOREIGN KEY for destination names; the delete rule
  // is kept only when it is ON DELETE CASCADE or ON DELETE SET NULL.
  static std::u16string foreign_key_text(const std::u16string& child,
                                         const std::vector<std::u16string>& columns,
                                         const std::u16string& parent,
                                         const std::vector<std::u16string>& referenced,
                                         const std::u16string& delete_rule);

  // Receives a foreign key's failure with its context ("Foreign key 'x'");
  // without one the failure is raised.
  using fk_error_handler = std::function<void(const tk_exception&, const std::u16string&)>;
  void set_fk_error_handler(fk_error_handler handler) { fk_error_ = std::move(handler); }

  std::u16string get_tn_mapped_name_ex(const std::u16string& table);
  std::u16string get_fn_mapped_name_ex(const std::u16string& table, const std::u16string& field);

  bool upper_case() const { return upper_case_; }
  void set_upper_case(bool on) { upper_case_ = on; }

  // Runs one statement on a fresh handle; answers its status.
  sword run(const std::u16string& sql);

  // The identity trigger that fills `column` from `sequence`.
  void create_identity_trigger(const std::u16string& table, const std::u16string& column,
                               const std::u16string& sequence);
  static std::u16string identity_trigger_text(const std::u16string& table,
                                              const std::u16string& column,
                                              const std::u16string& sequence);
  // After a table's rows are copied with their own identity values: the
  // sequence goes on above the highest value in the identity column. Does
  // nothing for a table without an identity sequence made in this session.
  void continue_identity(const std::u16string& table);
  // The options of every identity sequence after its name.
  static std::u16string sequence_options(const std::u16string& start);

  // The connected server's release, probed once (see ora_type_map.h).
  int release();
  // What table creation left out (defaults Oracle cannot reproduce), as
  // lines for the user; emptied by the call.
  std::vector<std::string> take_warnings();
  // Names tables of the run will take: no sequence may take one of them.
  void reserve_name(const std::u16string& name) { reserved_.push_back(name); }
  bool is_reserved(const std::u16string& name) const;

 private:
  struct identity {
    std::u16string column;
    std::u16string sequence;
  };

  // The identity sequences of a table, found through the triggers this
  // program makes ("T__TRIGGER", or named like the sequence).
  std::vector<std::u16string> identity_sequences(const std::u16string& table);

  bool upper_case_;
  std::vector<std::u16string> reserved_;
  fk_error_handler fk_error_;
  std::map<std::u16string, identity> identities_;
  int release_ = -1;
  std::vector<std::string> warnings_;
};
