#include "embedded/mssql_tds/message_writer.h"

#include <cstring>
#include <string>

#include "embedded/mssql_tds/protocol.h"

namespace tsl::tds {

void message_writer::send_packet(const char* data, size_t n, bool last) {
  char packet_buf[packet::kHeader];
  const size_t length = n + packet::kHeader;
  packet_buf[0] = static_cast<char>(packet::kReply);
  packet_buf[1] = static_cast<char>(last ? packet::kEom : 0);
  packet_buf[2] = static_cast<char>(length >> 8);
  packet_buf[3] = static_cast<char>(length & 0xFF);
  packet_buf[4] = static_cast<char>(spid_ >> 8);
  packet_buf[5] = static_cast<char>(spid_ & 0xFF);
  packet_buf[6] = static_cast<char>(packet_id_++);
  packet_buf[7] = 0;
  std::string whole(packet_buf, packet::kHeader);
  whole.append(data, n);
  out_.write_all(whole.data(), whole.size());
  sent_any_ = true;
}

void message_writer::flush_full() {
  const size_t body = packet_size_ - packet::kHeader;
  std::string& b = w_.bytes();
  if (b.size() <= body) return;
  size_t at = 0;
  while (b.size() - at > body) {
    send_packet(b.data() + at, body, false);
    at += body;
  }
  b.erase(0, at);
}

void message_writer::end_message() {
  flush_full();
  send_packet(w_.bytes().data(), w_.size(), true);
  w_.clear();
  packet_id_ = 1;
  sent_any_ = false;
}

}  // namespace tsl::tds
