#pragma once
// Index and constraint names of a run, shared by all its tables: "PRIMARY",
// the schema's keys and indexes and every name given during the run are
// restricted; a table's own source index names are taken.
#include "ORA/ora_validator.h"
#include "TK/tk_singleton.h"

class udb_indexes;

class ora_in_validator : public tk_singleton<ora_in_validator> {
 public:
  // Reads the schema's key and index names; needs a logged-on engine.
  ora_in_validator();
  // For a script written without a connection: only "PRIMARY" is restricted.
  struct offline_t {};
  explicit ora_in_validator(offline_t);

  void load(const udb_indexes& indexes);

  ora_validator& validator() { return validator_; }
  bool is_acceptable(const std::u16string& name) const { return validator_.is_acceptable(name); }
  std::u16string get_safe_name(const std::u16string& name) const {
    return validator_.get_safe_name(name);
  }
  void add_used(const std::u16string& name) { validator_.add_used(name); }
  void add_restricted(const std::u16string& name) { validator_.add_restricted(name); }
  // A dropped table's index and key names are free again.
  void forget(const std::u16string& name) { validator_.forget(name); }

 private:
  ora_validator validator_;
};
