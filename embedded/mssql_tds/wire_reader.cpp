#include "embedded/mssql_tds/wire_reader.h"

#include "embedded/mssql_tds/tds_error.h"

namespace tsl::tds {

void wire_reader::need(size_t n) const {
  if (n > data_.size() - pos_)
    throw tds_error("truncated message: " + std::to_string(n) + " bytes wanted at offset " +
                    std::to_string(pos_) + " of " + std::to_string(data_.size()));
}

void wire_reader::seek(size_t pos) {
  if (pos > data_.size())
    throw tds_error("offset " + std::to_string(pos) + " lies past the end of the message");
  pos_ = pos;
}

void wire_reader::skip(size_t n) {
  need(n);
  pos_ += n;
}

uint8_t wire_reader::u8() {
  need(1);
  return static_cast<uint8_t>(data_[pos_++]);
}

uint16_t wire_reader::u16() {
  need(2);
  uint16_t v = static_cast<uint16_t>(static_cast<uint8_t>(data_[pos_]) |
                                     (static_cast<uint8_t>(data_[pos_ + 1]) << 8));
  pos_ += 2;
  return v;
}

uint16_t wire_reader::u16be() {
  need(2);
  uint16_t v = static_cast<uint16_t>((static_cast<uint8_t>(data_[pos_]) << 8) |
                                     static_cast<uint8_t>(data_[pos_ + 1]));
  pos_ += 2;
  return v;
}

uint32_t wire_reader::u32() {
  need(4);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data_[pos_ + static_cast<size_t>(i)]);
  pos_ += 4;
  return v;
}

uint64_t wire_reader::u64() {
  uint64_t lo = u32();
  uint64_t hi = u32();
  return lo | (hi << 32);
}

std::string_view wire_reader::bytes(size_t n) {
  need(n);
  std::string_view v = data_.substr(pos_, n);
  pos_ += n;
  return v;
}

std::u16string wire_reader::ucs2(size_t n) {
  if (n > remaining() / 2) need(remaining() + 1);  // throws: the text runs past the end
  std::u16string s(n, u'\0');
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<char16_t>(static_cast<uint8_t>(data_[pos_ + 2 * i]) |
                                 (static_cast<uint8_t>(data_[pos_ + 2 * i + 1]) << 8));
  pos_ += 2 * n;
  return s;
}

}  // namespace tsl::tds
