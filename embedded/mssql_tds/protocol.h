#pragma once
// Numbers of the TDS protocol shared by the readers and writers: packet
// types, status bits, token numbers and the protocol versions.
#include <cstdint>

namespace tsl::tds {

namespace packet {
constexpr uint8_t kSqlBatch = 0x01;
constexpr uint8_t kRpc = 0x03;
constexpr uint8_t kReply = 0x04;
constexpr uint8_t kAttention = 0x06;
constexpr uint8_t kBulkLoad = 0x07;
constexpr uint8_t kTransaction = 0x0E;
constexpr uint8_t kLogin7 = 0x10;
constexpr uint8_t kSspi = 0x11;
constexpr uint8_t kPrelogin = 0x12;

constexpr uint8_t kEom = 0x01;
constexpr uint8_t kIgnore = 0x02;
constexpr uint8_t kResetConnection = 0x08;
constexpr uint8_t kResetConnectionSkipTran = 0x10;

constexpr size_t kHeader = 8;
constexpr size_t kDefaultSize = 4096;
constexpr size_t kMinSize = 512;
constexpr size_t kMaxNegotiated = 32767;
}  // namespace packet

namespace token {
constexpr uint8_t kReturnStatus = 0x79;
constexpr uint8_t kColMetadata = 0x81;
constexpr uint8_t kError = 0xAA;
constexpr uint8_t kInfo = 0xAB;
constexpr uint8_t kLoginAck = 0xAD;
constexpr uint8_t kRow = 0xD1;
constexpr uint8_t kEnvChange = 0xE3;
constexpr uint8_t kDone = 0xFD;
constexpr uint8_t kDoneProc = 0xFE;
constexpr uint8_t kDoneInProc = 0xFF;
}  // namespace token

namespace done {
constexpr uint16_t kFinal = 0x0000;
constexpr uint16_t kMore = 0x0001;
constexpr uint16_t kError = 0x0002;
constexpr uint16_t kCount = 0x0010;
constexpr uint16_t kAttention = 0x0020;
}  // namespace done

// Versions as LOGIN7 carries them; they order as numbers.
namespace version {
constexpr uint32_t k70 = 0x70000000;
constexpr uint32_t k71 = 0x71000000;
constexpr uint32_t k71r1 = 0x71000001;
constexpr uint32_t k72 = 0x72090002;
constexpr uint32_t k73a = 0x730A0003;
constexpr uint32_t k73b = 0x730B0003;
constexpr uint32_t k74 = 0x74000004;

inline bool has_plp(uint32_t v) { return v >= 0x72000000; }       // (max) types, 8-byte counts
inline bool has_dates(uint32_t v) { return v >= 0x73000000; }     // date, time, datetime2, ...
// The value LOGINACK answers for a version.
inline uint32_t ack_of(uint32_t v) {
  if (v == k70) return 0x07000000;
  if (v == k71) return 0x07010000;
  return v;
}
}  // namespace version

// SQL_Latin1_General_CP1_CI_AS: the collation of every database.
constexpr uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

struct product_version {
  uint8_t major = 10, minor = 0;
  uint16_t build = 2531;
};

}  // namespace tsl::tds
