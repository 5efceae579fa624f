#pragma once
// The foreign keys of one database, in the order the engine found them.
#include <string>
#include <vector>

#include "UDB/udb_relationship.h"

class udb_relationships {
 public:
  using const_iterator = std::vector<udb_relationship>::const_iterator;

  void add(udb_relationship relationship) { items_.push_back(std::move(relationship)); }
  void clear() { items_.clear(); }

  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const udb_relationship& operator[](size_t i) const { return items_[i]; }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

  // True when no foreign key has this name (ignoring case).
  bool is_acceptable_name(const std::u16string& name) const;
  // The first foreign key of this name; a missing name is an internal error.
  const udb_relationship& get_index(const std::u16string& name) const;
  udb_relationship& get_index(const std::u16string& name) {
    return const_cast<udb_relationship&>(
        static_cast<const udb_relationships&>(*this).get_index(name));
  }

 private:
  const udb_relationship* find(const std::u16string& name) const;

  std::vector<udb_relationship> items_;
};
