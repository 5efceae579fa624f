#include "platform/text/utf.h"

namespace tsl::text {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void put_code_point(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void put_utf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

void append_utf8_to_utf16(std::string_view in, std::u16string& out, bool* valid) {
  bool ok = true;
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const auto* end = p + in.size();
  out.reserve(out.size() + in.size());
  while (p < end) {
    unsigned char b = *p;
    if (b < 0x80) {
      out.push_back(b);
      ++p;
      continue;
    }
    // Expected length and the allowed range of the second byte (which rules
    // out overlong forms, surrogates and values above U+10FFFF).
    int need;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      ok = false;
      out.push_back(kReplacement);
      ++p;
      continue;
    }
    const unsigned char* q = p + 1;
    bool bad = false;
    for (int i = 0; i < need; ++i, ++q) {
      if (q >= end) {
        bad = true;
        break;
      }
      unsigned char c = *q;
      unsigned char l = i == 0 ? lo : 0x80;
      unsigned char h = i == 0 ? hi : 0xBF;
      if (c < l || c > h) {
        bad = true;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
    }
    if (bad) {
      // The maximal subpart (the lead and the good continuation bytes read so
      // far) becomes one replacement character.
      ok = false;
      out.push_back(kReplacement);
      p = q;
      continue;
    }
    put_code_point(cp, out);
    p = q;
  }
  if (valid) *valid = ok;
}

void append_utf16_to_utf8(std::u16string_view in, std::string& out, bool* valid) {
  bool ok = true;
  out.reserve(out.size() + in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      ok = false;
      c = kReplacement;
    }
    put_utf8(c, out);
  }
  if (valid) *valid = ok;
}

std::u16string utf8_to_utf16(std::string_view in, bool* valid) {
  std::u16string out;
  append_utf8_to_utf16(in, out, valid);
  return out;
}

std::string utf16_to_utf8(std::u16string_view in, bool* valid) {
  std::string out;
  append_utf16_to_utf8(in, out, valid);
  return out;
}

std::u16string ascii_to_utf16(std::string_view in) {
  std::u16string out(in.size(), u'\0');
  for (size_t i = 0; i < in.size(); ++i) out[i] = static_cast<unsigned char>(in[i]);
  return out;
}

std::string utf16_to_ascii(std::u16string_view in) {
  std::string out(in.size(), '\0');
  for (size_t i = 0; i < in.size(); ++i) out[i] = in[i] < 0x80 ? static_cast<char>(in[i]) : '?';
  return out;
}

}  // namespace tsl::text
