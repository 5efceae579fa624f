#pragma once
// The error map: known error codes and the program's own texts for them.
// Oracle errors carry 0x100000 plus the ORA number, OLE DB errors 0x80000
// plus the low 16 bits of the provider's result code.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// One row of a message table, kept as static data by each engine's side.
struct tk_error_entry {
  uint32_t code;
  const char* text;
};

class tk_error_converter {
 public:
  tk_error_converter(size_t count, const tk_error_entry* table);

  // Adds the pairs of a table; a code already present keeps its first text.
  void load_map(size_t count, const tk_error_entry* table);
  // The text for a code, or an empty text when the code is unknown.
  std::string convert(uint32_t code) const;

  size_t size() const { return map_.size(); }

 private:
  void add(size_t count, const tk_error_entry* table);

  std::map<uint32_t, std::string> map_;
};
