#pragma once
// The indexes of one table, in the order the engine added them.
#include <string>
#include <vector>

#include "UDB/udb_index.h"

class udb_indexes {
 public:
  using const_iterator = std::vector<udb_index>::const_iterator;

  // Appends unconditionally; udb_recordset::add_index refuses a taken name.
  void add(udb_index index) { indexes_.push_back(std::move(index)); }
  void clear() { indexes_.clear(); }

  size_t size() const { return indexes_.size(); }
  bool empty() const { return indexes_.empty(); }
  const udb_index& operator[](size_t i) const { return indexes_[i]; }
  const_iterator begin() const { return indexes_.begin(); }
  const_iterator end() const { return indexes_.end(); }

  // Only the first index (in collection order) that starts with `fields`
  // decides, even when a later one would be unique.
  bool has_index_on_fields(const std::vector<std::u16string>& fields, bool unique_wanted) const;
  // True when no index has this name (ignoring case).
  bool is_acceptable_name(const std::u16string& name) const;
  // The first index of this name; a missing name is an internal error.
  const udb_index& get_index(const std::u16string& name) const;
  udb_index& get_index(const std::u16string& name) {
    return const_cast<udb_index&>(static_cast<const udb_indexes&>(*this).get_index(name));
  }
  // True when a column (compared exactly) belongs to an index, or to the
  // primary key only when `primary_only` is set.
  bool is_idx_field(const std::u16string& name, bool primary_only) const;

 private:
  const udb_index* find(const std::u16string& name) const;

  std::vector<udb_index> indexes_;
};
