#include "UDB/t_names_map.h"

#include "TK/tk_trace.h"
#include "platform/text/wide_ctype.h"

void t_names_map::add(const std::u16string& source, const std::u16string& destination) {
  tk_trace_w(1, u"t_names_map::add(%s,%s)", source.c_str(), destination.c_str());
  pairs_.emplace(source, destination);
}

std::u16string t_names_map::get_mapped_name(const std::u16string& name, bool exact) const {
  for (const auto& [source, destination] : pairs_) {
    if (exact ? source == name : tsl::text::equal_nocase(source, name)) {
      tk_trace_w(1, u"Got mapped name: %s", destination.c_str());
      return destination;
    }
  }
  return name;
}
