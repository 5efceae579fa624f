#include "tessaly/table_checksum.h"

#include "UDB/udb_record.h"

namespace tessaly {
namespace {

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;

inline uint64_t mix(uint64_t h, uint64_t v) {
  return (h ^ v) * kFnvPrime;
}

// FNV alone sums badly: nearby rows would cancel out. A final avalanche
// spreads every bit before the rows are added up.
inline uint64_t finish(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

}  // namespace

void table_checksum::add(const udb_record& record) {
  uint64_t h = kFnvOffset;
  for (size_t i = 0; i < record.size(); ++i) {
    const udb_field& value = record[i];
    const VARTYPE vt = value.vartype();
    text_.clear();
    if (vt != VT_EMPTY && vt != VT_NULL) value.write_wstring(text_);
    // A marker per column keeps ("ab", "") apart from ("a", "b").
    h = mix(h, text_.empty() ? 0x1000000ull : 0x2000000ull + text_.size());
    for (char16_t c : text_) h = mix(h, c);
  }
  sum_ += finish(h);
  ++rows_;
}

}  // namespace tessaly
