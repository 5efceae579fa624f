#pragma once
// Builds the bytes of outgoing tokens: little-endian numbers (big-endian
// where the protocol says so) and UTF-16LE texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsl::tds {

class wire_writer {
 public:
  std::string& bytes() { return buf_; }
  const std::string& bytes() const { return buf_; }
  size_t size() const { return buf_.size(); }
  void clear() { buf_.clear(); }

  void u8(uint8_t v) { buf_.push_back(static_cast<char>(v)); }
  void u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void u16be(uint16_t v) {
    u8(static_cast<uint8_t>(v >> 8));
    u8(static_cast<uint8_t>(v));
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void u32be(uint32_t v) {
    for (int i = 3; i >= 0; --i) u8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void u64(uint64_t v) {
    u32(static_cast<uint32_t>(v));
    u32(static_cast<uint32_t>(v >> 32));
  }
  void raw(std::string_view b) { buf_.append(b.data(), b.size()); }
  void raw(const void* p, size_t n) { buf_.append(static_cast<const char*>(p), n); }
  void ucs2(std::u16string_view s);
  // Length-prefixed texts; a text longer than the prefix can count is cut.
  void b_varchar(std::u16string_view s);
  void us_varchar(std::u16string_view s);

 private:
  std::string buf_;
};

}  // namespace tsl::tds
