#include "embedded/oracle_client/handles.h"

#include <bit>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/text/utf.h"

namespace tsl::eoci {

namespace {

// Bound UTF-16 is in the host's byte order; an ASCII unit's value is its low byte.
constexpr bool is_little = std::endian::native == std::endian::little;

std::mutex& registry_mutex() {
  static std::mutex m;
  return m;
}

std::unordered_map<const void*, handle*>& registry() {
  static std::unordered_map<const void*, handle*> r;
  return r;
}

}  // namespace

void register_handle(handle* h) {
  std::lock_guard<std::mutex> lock(registry_mutex());
  registry()[h] = h;
}

void unregister_handle(handle* h) {
  std::lock_guard<std::mutex> lock(registry_mutex());
  registry().erase(h);
}

handle* find_handle(const void* p, ub4 type) {
  if (p == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(registry_mutex());
  auto it = registry().find(p);
  if (it == registry().end()) return nullptr;
  if (type != 0 && it->second->type != type) return nullptr;
  return it->second;
}

sword fail(error_handle* err, const eora::oracle_error& e) {
  if (err != nullptr) {
    err->code = e.code();
    err->message = e.what();
    err->has = true;
  }
  return OCI_ERROR;
}

sword fail(error_handle* err, int code) {
  return fail(err, eora::make_error(code));
}

std::string text_in(const env_handle* env, const void* p, size_t bytes) {
  if (p == nullptr || bytes == 0) return {};
  if (env != nullptr && env->utf16) {
    // Every bound value of every row passes here: one pass into a buffer
    // sized for the worst case, as text::utf16_to_utf8 converts (a lone
    // surrogate becomes U+FFFD).
    const size_t n = bytes / 2;
    const auto* in = static_cast<const unsigned char*>(p);
    auto unit = [in](size_t i) {
      char16_t c;
      std::memcpy(&c, in + i * 2, 2);
      return c;
    };
    // Most text is ASCII: find how far it runs, four units at a time, and
    // narrow that part in a loop the compiler vectorises.
    size_t ascii = 0;
    while (ascii + 4 <= n) {
      char16_t four[4];
      std::memcpy(four, in + ascii * 2, sizeof four);
      if (((four[0] | four[1] | four[2] | four[3]) & 0xFF80) != 0) break;
      ascii += 4;
    }
    while (ascii < n && unit(ascii) < 0x80) ++ascii;
    std::string out(ascii + (n - ascii) * 3, '\0');
    char* o = out.data();
    for (size_t i = 0; i < ascii; ++i) o[i] = static_cast<char>(in[i * 2 + (is_little ? 0 : 1)]);
    o += ascii;
    for (size_t i = ascii; i < n; ++i) {
      char32_t c = unit(i);
      if (c < 0x80) {
        *o++ = static_cast<char>(c);
        continue;
      }
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 &&
          unit(i + 1) <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
      }
      if (c < 0x800) {
        *o++ = static_cast<char>(0xC0 | (c >> 6));
      } else if (c < 0x10000) {
        *o++ = static_cast<char>(0xE0 | (c >> 12));
        *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      } else {
        *o++ = static_cast<char>(0xF0 | (c >> 18));
        *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      }
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
  }
  return std::string(static_cast<const char*>(p), bytes);
}

size_t text_out(const env_handle* env, const std::string& utf8, void* buf, size_t cap,
                bool terminate, bool* truncated) {
  bool cut = false;
  size_t written = 0;
  if (env != nullptr && env->utf16) {
    std::u16string w = text::utf8_to_utf16(utf8);
    size_t room = cap / 2;
    if (terminate) room = room > 0 ? room - 1 : 0;
    size_t n = std::min(room, w.size());
    // Never split a surrogate pair.
    if (n < w.size() && n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF) --n;
    cut = n < w.size();
    if (buf != nullptr) {
      std::memcpy(buf, w.data(), n * 2);
      if (terminate && cap >= 2) static_cast<char16_t*>(buf)[n] = u'\0';
    }
    written = n * 2;
  } else {
    size_t room = terminate ? (cap > 0 ? cap - 1 : 0) : cap;
    size_t n = std::min(room, utf8.size());
    while (n < utf8.size() && n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
    cut = n < utf8.size();
    if (buf != nullptr) {
      std::memcpy(buf, utf8.data(), n);
      if (terminate && cap >= 1) static_cast<char*>(buf)[n] = '\0';
    }
    written = n;
  }
  if (truncated != nullptr) *truncated = cut;
  return written;
}

}  // namespace tsl::eoci
