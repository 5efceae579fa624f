#include "embedded/oracle_client/handles.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/text/utf.h"

namespace tsl::eoci {

namespace {

// Narrows the run of ASCII units (in the host's byte order) that starts the
// text into out; returns its length. Most bound text is ASCII throughout.
size_t narrow_ascii(const unsigned char* in, size_t n, char* out) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 2));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 2 + 16));
    __m128i over = _mm_and_si128(_mm_or_si128(a, b), high);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(over, zero)) != 0xFFFF) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
  }
#endif
  for (; i < n; ++i) {
    char16_t c;
    std::memcpy(&c, in + i * 2, 2);
    if (c >= 0x80) break;
    out[i] = static_cast<char>(c);
  }
  return i;
}

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
    // Every bound value of every row passes here: one buffer sized for the
    // worst case, the leading ASCII narrowed in blocks, then from the first
    // other unit on one unit at a time, as text::utf16_to_utf8 converts (a
    // lone surrogate becomes U+FFFD).
    const size_t n = bytes / 2;
    const auto* in = static_cast<const unsigned char*>(p);
    auto unit = [in](size_t i) {
      char16_t c;
      std::memcpy(&c, in + i * 2, 2);
      return c;
    };
    std::string out(n * 3, '\0');
    size_t i = narrow_ascii(in, n, out.data());
    char* o = out.data() + i;
    for (; i < n; ++i) {
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
