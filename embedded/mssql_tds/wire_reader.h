#pragma once
// Reads the little-endian fields of a received message. Every read is
// checked against the end: a length that points past it is a tds_error,
// never a read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsl::tds {

class wire_reader {
 public:
  explicit wire_reader(std::string_view data) : data_(data) {}

  size_t pos() const { return pos_; }
  size_t size() const { return data_.size(); }
  size_t remaining() const { return data_.size() - pos_; }
  bool at_end() const { return pos_ == data_.size(); }
  void seek(size_t pos);
  void skip(size_t n);

  uint8_t u8();
  uint16_t u16();
  uint16_t u16be();
  uint32_t u32();
  uint64_t u64();
  std::string_view bytes(size_t n);
  // n UTF-16 code units.
  std::u16string ucs2(size_t n);
  std::u16string b_varchar() { return ucs2(u8()); }
  std::u16string us_varchar() { return ucs2(u16()); }

 private:
  void need(size_t n) const;
  std::string_view data_;
  size_t pos_ = 0;
};

}  // namespace tsl::tds
