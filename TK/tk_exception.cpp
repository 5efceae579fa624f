#include "TK/tk_exception.h"

#include <cerrno>
#include <cstring>

#include "TK/tk_trace.h"
#include "platform/text/ansi.h"
#include "platform/text/format.h"

namespace {
const char kUnknown[] = "Unknown exception";
}

tk_exception::tk_exception(int severity) : message_(kUnknown), severity_(severity) {}

tk_exception::tk_exception(const char* text, int severity)
    : message_(text && *text ? text : kUnknown), severity_(severity) {}

tk_exception::tk_exception(const std::string& text, int severity)
    : message_(text.empty() ? kUnknown : text), severity_(severity) {}

tk_exception::tk_exception(const char16_t* text, int severity) : severity_(severity) {
  if (!text) return;
  std::string narrow;
  if (tsl::text::utf16_to_ansi(text, narrow)) message_ = std::move(narrow);
}

tk_exception::tk_exception(const std::u16string& text, int severity)
    : tk_exception(text.c_str(), severity) {}

tk_exception::~tk_exception() = default;

const char* tk_exception::what() const noexcept {
  return message_.c_str();
}

tk_exception_ex::tk_exception_ex() : tk_exception(1) {
  int err = errno;  // read before anything below can change it
  tk_trace(2, "tk_exception_ex::ctor");
  system_error_ = static_cast<uint32_t>(err);
  if (err != 0) {
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(err, buf, sizeof buf);
    if (text && *text) {
      message_ = text;
      tk_trace(2, "GetLastError: %s", message_.c_str());
    }
  }
}

tk_mail_assertion::tk_mail_assertion(const char* source_file, int line) : tk_exception(2) {
  std::string plain = tsl::text::format("%s\\%d", source_file ? source_file : "", line);
  static const char digits[] = "0123456789abcdef";
  std::string code;
  code.reserve(plain.size() * 2);
  for (unsigned char c : plain) {
    code.push_back(digits[c >> 4]);
    code.push_back(digits[c & 15]);
  }
  message_ = "Internal error: \ncode=" + code;
  tk_trace(2, "tk_mail_assertion::ctor(%s)", source_file ? source_file : "");
}

tk_final_exception::tk_final_exception() {
  tk_trace(2, "tk_final_exception::ctor");
}
