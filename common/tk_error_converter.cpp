#include "common/tk_error_converter.h"

#include "TK/tk_trace.h"

tk_error_converter::tk_error_converter(size_t count, const tk_error_entry* table) {
  add(count, table);
  tk_trace(2, "tk_error_converter::ctor (map size=%d)", static_cast<int>(map_.size()));
}

void tk_error_converter::load_map(size_t count, const tk_error_entry* table) {
  add(count, table);
  tk_trace(2, "tk_error_converter::load_map (map size=%d)", static_cast<int>(map_.size()));
}

void tk_error_converter::add(size_t count, const tk_error_entry* table) {
  if (!table) return;
  for (size_t i = 0; i < count; ++i) {
    // emplace leaves an existing code alone: the first text wins.
    map_.emplace(table[i].code, table[i].text ? table[i].text : "");
  }
}

std::string tk_error_converter::convert(uint32_t code) const {
  tk_trace(2, "tk_error_converter::convert(%d)", static_cast<int>(code));
  auto it = map_.find(code);
  if (it == map_.end()) {
    tk_trace(1, "Error message not found!");
    return std::string();
  }
  tk_trace(1, "Error message has been found: %s", it->second.c_str());
  return it->second;
}
