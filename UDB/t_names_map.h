#pragma once
// Pairs of source name and destination name, for names that could not be
// carried to the destination unchanged.
#include <map>
#include <string>

class t_names_map {
 public:
  using const_iterator = std::map<std::u16string, std::u16string>::const_iterator;

  // An existing source name keeps its first destination name.
  void add(const std::u16string& source, const std::u16string& destination);

  // The destination name of the first pair (in exact key order) whose source
  // name equals `name`, exactly or ignoring case; `name` itself when none.
  std::u16string get_mapped_name(const std::u16string& name, bool exact) const;

  size_t size() const { return pairs_.size(); }
  bool empty() const { return pairs_.empty(); }
  const_iterator begin() const { return pairs_.begin(); }
  const_iterator end() const { return pairs_.end(); }

 private:
  std::map<std::u16string, std::u16string> pairs_;
};
