#include "tessaly/table_filter.h"

#include <fnmatch.h>

#include <algorithm>

#include "platform/text/utf.h"
#include "platform/text/wide_ctype.h"

namespace tessaly {

bool pattern_matches(const std::string& pattern, const std::u16string& name) {
  // Both sides upper-cased as the engine does, so non-ASCII letters match
  // whatever the C library's locale.
  const std::string p =
      tsl::text::utf16_to_utf8(tsl::text::to_upper(tsl::text::utf8_to_utf16(pattern)));
  const std::string n = tsl::text::utf16_to_utf8(tsl::text::to_upper(name));
  return ::fnmatch(p.c_str(), n.c_str(), 0) == 0;
}

std::vector<std::u16string> select_tables(const std::vector<std::u16string>& available,
                                          const table_selection& selection) {
  auto named = [&](const std::u16string& t) {
    return std::any_of(selection.names.begin(), selection.names.end(),
                       [&](const std::u16string& n) { return tsl::text::equal_nocase(n, t); });
  };
  auto any = [&](const std::vector<std::string>& patterns, const std::u16string& t) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& p) { return pattern_matches(p, t); });
  };
  const bool everything = selection.names.empty() && selection.include.empty();
  std::vector<std::u16string> out;
  for (const std::u16string& t : available)
    if (everything || named(t) || any(selection.include, t)) out.push_back(t);
  // A missing name stays, so the run reports it instead of passing over it.
  for (const std::u16string& n : selection.names) {
    const bool present = std::any_of(out.begin(), out.end(), [&](const std::u16string& t) {
      return tsl::text::equal_nocase(n, t);
    });
    if (!present) out.push_back(n);
  }
  out.erase(std::remove_if(out.begin(), out.end(),
                           [&](const std::u16string& t) { return any(selection.exclude, t); }),
            out.end());
  return out;
}

}  // namespace tessaly
