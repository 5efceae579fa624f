#include "platform/text/ansi.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstring>

#include "platform/text/utf.h"

namespace tsl::text {

namespace {

bool names_utf8(const char* cs) {
  return std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "utf8") == 0 ||
         std::strcmp(cs, "ANSI_X3.4-1968") == 0 || std::strcmp(cs, "ASCII") == 0 ||
         std::strcmp(cs, "US-ASCII") == 0;
}

// One conversion through iconv; unconvertible input is replaced and reported.
// `from_wide` selects the direction between UTF-16LE and the narrow codeset.
bool iconv_convert(const std::string& codeset, bool from_wide, const char* src, size_t src_len,
                   std::string& dst, size_t unit, const char* replacement, size_t repl_len) {
  iconv_t cd =
      from_wide ? iconv_open(codeset.c_str(), "UTF-16LE") : iconv_open("UTF-16LE", codeset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  bool ok = true;
  char* in = const_cast<char*>(src);
  size_t in_left = src_len;
  char buf[4096];
  while (in_left > 0) {
    char* out = buf;
    size_t out_left = sizeof buf;
    size_t r = iconv(cd, &in, &in_left, &out, &out_left);
    dst.append(buf, static_cast<size_t>(out - buf));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one input unit and put the replacement.
      ok = false;
      size_t skip = in_left < unit ? in_left : unit;
      in += skip;
      in_left -= skip;
      dst.append(replacement, repl_len);
    }
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

std::string ansi_codeset() {
  const char* cs = nl_langinfo(CODESET);
  if (!cs || !*cs || names_utf8(cs)) return "UTF-8";
  return cs;
}

bool ansi_is_utf8() {
  const char* cs = nl_langinfo(CODESET);
  return !cs || !*cs || names_utf8(cs);
}

bool ansi_to_utf16(std::string_view in, std::u16string& out) {
  if (ansi_is_utf8()) {
    out.clear();
    bool valid = true;
    append_utf8_to_utf16(in, out, &valid);
    return valid;
  }
  return codeset_to_utf16(ansi_codeset(), in, out);
}

bool codeset_to_utf16(const std::string& codeset, std::string_view in, std::u16string& out) {
  out.clear();
  std::string bytes;
  static const char repl[2] = {'\xFD', '\xFF'};  // U+FFFD in UTF-16LE
  bool ok = iconv_convert(codeset, false, in.data(), in.size(), bytes, 1, repl, 2);
  out.resize(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return ok;
}

bool utf16_to_ansi(std::u16string_view in, std::string& out) {
  if (ansi_is_utf8()) {
    out.clear();
    bool valid = true;
    append_utf16_to_utf8(in, out, &valid);
    return valid;
  }
  return utf16_to_codeset(ansi_codeset(), in, out);
}

bool utf16_to_codeset(const std::string& codeset, std::u16string_view in, std::string& out) {
  out.clear();
  std::string le(in.size() * 2, '\0');
  for (size_t i = 0; i < in.size(); ++i) {
    le[2 * i] = static_cast<char>(in[i] & 0xFF);
    le[2 * i + 1] = static_cast<char>(in[i] >> 8);
  }
  return iconv_convert(codeset, true, le.data(), le.size(), out, 2, "?", 1);
}

}  // namespace tsl::text
