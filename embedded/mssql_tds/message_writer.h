#pragma once
// Writes one reply message at a time: tokens go into a buffer that leaves
// as packets of the negotiated size as soon as a packet is full, so a long
// result never piles up in memory.
#include <cstddef>
#include <cstdint>

#include "embedded/mssql_tds/byte_stream.h"
#include "embedded/mssql_tds/wire_writer.h"

namespace tsl::tds {

class message_writer {
 public:
  explicit message_writer(byte_sink& out) : out_(out) {}

  wire_writer& out() { return w_; }
  void set_spid(uint16_t spid) { spid_ = spid; }
  void set_packet_size(size_t size) { packet_size_ = size; }
  size_t packet_size() const { return packet_size_; }
  // Sends the full packets the buffer holds; keeps at least one byte back
  // for the packet that ends the message.
  void flush_full();
  // Sends the rest as the last packet of the message.
  void end_message();
  // Whether anything of the current message has been written.
  bool started() const { return sent_any_ || w_.size() > 0; }

 private:
  void send_packet(const char* data, size_t n, bool last);
  byte_sink& out_;
  wire_writer w_;
  size_t packet_size_ = 4096;
  uint16_t spid_ = 0;
  uint8_t packet_id_ = 1;
  bool sent_any_ = false;
};

}  // namespace tsl::tds
