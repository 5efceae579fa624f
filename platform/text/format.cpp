#include "platform/text/format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/text/utf.h"

namespace tsl::text {

namespace {

template <typename Ch>
void append_ascii(std::basic_string<Ch>& out, const char* s, size_t n) {
  for (size_t i = 0; i < n; ++i) out.push_back(static_cast<Ch>(static_cast<unsigned char>(s[i])));
}

// Appends a string conversion: `text` already in the output's encoding.
template <typename Ch>
void append_padded(std::basic_string<Ch>& out, std::basic_string_view<Ch> text, int width,
                   int precision, bool left) {
  if (precision >= 0 && static_cast<size_t>(precision) < text.size())
    text = text.substr(0, precision);
  size_t pad = width > 0 && static_cast<size_t>(width) > text.size() ? width - text.size() : 0;
  if (!left) out.append(pad, static_cast<Ch>(' '));
  out.append(text);
  if (left) out.append(pad, static_cast<Ch>(' '));
}

template <typename Ch>
void append_narrow_arg(std::basic_string<Ch>& out, const char* s, int width, int precision,
                       bool left) {
  if (!s) s = "(null)";
  if constexpr (sizeof(Ch) == 1) {
    size_t n = precision >= 0 ? strnlen(s, precision) : std::strlen(s);
    append_padded<Ch>(out, std::basic_string_view<Ch>(s, n), width, precision, left);
  } else {
    size_t n = precision >= 0 ? strnlen(s, precision) : std::strlen(s);
    std::u16string w = utf8_to_utf16(std::string_view(s, n));
    append_padded<Ch>(out, w, width, precision, left);
  }
}

template <typename Ch>
void append_wide_arg(std::basic_string<Ch>& out, const char16_t* s, int width, int precision,
                     bool left) {
  static const char16_t null_text[] = u"(null)";
  if (!s) s = null_text;
  size_t n = 0;
  while (s[n] && (precision < 0 || n < static_cast<size_t>(precision))) ++n;
  if constexpr (sizeof(Ch) == 1) {
    std::string narrow = utf16_to_utf8(std::u16string_view(s, n));
    append_padded<Ch>(out, narrow, width, -1, left);
  } else {
    append_padded<Ch>(out, std::u16string_view(s, n), width, precision, left);
  }
}

template <typename Ch>
std::basic_string<Ch> format_impl(const Ch* fmt, va_list ap) {
  std::basic_string<Ch> out;
  if (!fmt) return out;
  constexpr bool wide_fmt = sizeof(Ch) != 1;
  for (const Ch* p = fmt; *p;) {
    if (*p != '%') {
      const Ch* q = p;
      while (*q && *q != '%') ++q;
      out.append(p, q - p);
      p = q;
      continue;
    }
    const Ch* start = p++;
    if (*p == '%') {
      out.push_back('%');
      ++p;
      continue;
    }
    // Build the narrow conversion for snprintf as we go.
    char cspec[32];
    size_t sl = 0;
    cspec[sl++] = '%';
    bool left = false;
    while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0') {
      if (*p == '-') left = true;
      if (sl < 8) cspec[sl++] = static_cast<char>(*p);
      ++p;
    }
    int width = -1;
    if (*p == '*') {
      width = va_arg(ap, int);
      if (width < 0) {
        left = true;
        width = -width;
        if (sl < 8) cspec[sl++] = '-';
      }
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') {
        width = (width < 0 ? 0 : width) * 10 + (*p - '0');
        if (width > 100000) width = 100000;
        ++p;
      }
    }
    int precision = -1;
    if (*p == '.') {
      ++p;
      precision = 0;
      if (*p == '*') {
        precision = va_arg(ap, int);
        ++p;
      } else {
        while (*p >= '0' && *p <= '9') {
          precision = precision * 10 + (*p - '0');
          if (precision > 100000) precision = 100000;
          ++p;
        }
      }
    }
    // Numeric conversions are capped so that they always fit the buffer below.
    if (width >= 0)
      sl += std::snprintf(cspec + sl, sizeof cspec - sl, "%d", width < 320 ? width : 320);
    if (precision >= 0)
      sl += std::snprintf(cspec + sl, sizeof cspec - sl, ".%d", precision < 320 ? precision : 320);
    // Length modifiers.
    enum { none, hh, h, l, ll, j, z, t, L } len = none;
    if (*p == 'h') {
      ++p;
      len = h;
      if (*p == 'h') {
        ++p;
        len = hh;
      }
    } else if (*p == 'l') {
      ++p;
      len = l;
      if (*p == 'l') {
        ++p;
        len = ll;
      }
    } else if (*p == 'j') {
      ++p;
      len = j;
    } else if (*p == 'z') {
      ++p;
      len = z;
    } else if (*p == 't') {
      ++p;
      len = t;
    } else if (*p == 'L') {
      ++p;
      len = L;
    } else if (*p == 'I' && p[1] == '6' && p[2] == '4') {
      p += 3;
      len = ll;
    } else if (*p == 'w') {  // %ws: a wide string in either kind of format
      ++p;
      len = l;
    }
    Ch conv = *p;
    if (!conv) {
      out.append(start, p - start);
      break;
    }
    ++p;
    char buf[1024];
    int n = 0;
    switch (conv) {
      case 'd':
      case 'i':
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        const char* mod = len == ll || len == j              ? "ll"
                          : len == l || len == z || len == t ? "l"
                                                             : "";
        for (const char* m = mod; *m; ++m) cspec[sl++] = *m;
        cspec[sl++] = static_cast<char>(conv);
        cspec[sl] = 0;
        bool is_signed = conv == 'd' || conv == 'i';
        if (len == ll || len == j) {
          if (is_signed)
            n = std::snprintf(buf, sizeof buf, cspec, va_arg(ap, long long));
          else
            n = std::snprintf(buf, sizeof buf, cspec, va_arg(ap, unsigned long long));
        } else if (len == l || len == z || len == t) {
          if (is_signed)
            n = std::snprintf(buf, sizeof buf, cspec, va_arg(ap, long));
          else
            n = std::snprintf(buf, sizeof buf, cspec, va_arg(ap, unsigned long));
        } else {
          int v = va_arg(ap, int);
          if (len == hh)
            v = is_signed ? static_cast<signed char>(v) : static_cast<unsigned char>(v);
          if (len == h) v = is_signed ? static_cast<short>(v) : static_cast<unsigned short>(v);
          if (is_signed)
            n = std::snprintf(buf, sizeof buf, cspec, v);
          else
            n = std::snprintf(buf, sizeof buf, cspec, static_cast<unsigned>(v));
        }
        break;
      }
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A': {
        if (len == L) cspec[sl++] = 'L';
        cspec[sl++] = static_cast<char>(conv);
        cspec[sl] = 0;
        if (len == L)
          n = std::snprintf(buf, sizeof buf, cspec, va_arg(ap, long double));
        else
          n = std::snprintf(buf, sizeof buf, cspec, va_arg(ap, double));
        break;
      }
      case 'p': {
        n = std::snprintf(buf, sizeof buf, "%p", va_arg(ap, void*));
        break;
      }
      case 'c': {
        int c = va_arg(ap, int);
        Ch ch = wide_fmt || len == l ? static_cast<Ch>(static_cast<char16_t>(c))
                                     : static_cast<Ch>(static_cast<char>(c));
        if constexpr (!wide_fmt) {
          if (len == l && c >= 0x80) {
            std::string u = utf16_to_utf8(std::u16string(1, static_cast<char16_t>(c)));
            append_padded<Ch>(out, u, width, -1, left);
            continue;
          }
        }
        Ch one[1] = {ch};
        append_padded<Ch>(out, std::basic_string_view<Ch>(one, 1), width, -1, left);
        continue;
      }
      case 's':
      case 'S': {
        // 's' takes the format's own kind of string unless a modifier says
        // otherwise; 'S' always takes the other kind.
        bool arg_wide = conv == 'S' ? !wide_fmt : (len == l ? true : len == h ? false : wide_fmt);
        if (arg_wide)
          append_wide_arg<Ch>(out, va_arg(ap, const char16_t*), width, precision, left);
        else
          append_narrow_arg<Ch>(out, va_arg(ap, const char*), width, precision, left);
        continue;
      }
      case 'n': {
        (void)va_arg(ap, int*);  // never written: a classic format-string attack
        continue;
      }
      default:
        // Unknown conversion: copy it as it stands.
        out.append(start, p - start);
        continue;
    }
    if (n < 0) continue;
    append_ascii(out, buf, static_cast<size_t>(n) < sizeof buf ? n : sizeof buf - 1);
  }
  return out;
}

}  // namespace

std::string vformat(const char* fmt, va_list ap) {
  return format_impl<char>(fmt, ap);
}
std::u16string vformat(const char16_t* fmt, va_list ap) {
  return format_impl<char16_t>(fmt, ap);
}

std::string format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string s = vformat(fmt, ap);
  va_end(ap);
  return s;
}

std::u16string format(const char16_t* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::u16string s = vformat(fmt, ap);
  va_end(ap);
  return s;
}

}  // namespace tsl::text
