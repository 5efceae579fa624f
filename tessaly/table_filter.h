#pragma once
// Which source tables a command works on: names given, patterns to include
// and patterns to leave out.
#include <string>
#include <vector>

namespace tessaly {

struct table_selection {
  std::vector<std::u16string> names;  // kept even when the source lacks them
  std::vector<std::string> include;   // shell patterns, case ignored
  std::vector<std::string> exclude;
  bool empty() const { return names.empty() && include.empty() && exclude.empty(); }
};

// Shell-style match: '*' any run, '?' one character, '[...]' a set; case
// ignored.
bool pattern_matches(const std::string& pattern, const std::u16string& name);

// The tables of `available` (in its order) that the selection takes, then
// named tables the source does not have, minus the excluded ones. With
// neither names nor include patterns every table is a candidate.
std::vector<std::u16string> select_tables(const std::vector<std::u16string>& available,
                                          const table_selection& selection);

}  // namespace tessaly
