#include "TK/tk_reg_key.h"

#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "platform/text/utf.h"

namespace reg = tsl::registry;

tk_reg_key::tk_reg_key(const char* path) : path_(path ? path : "") {
  open(reg::current_user, path_.c_str());
}

tk_reg_key::~tk_reg_key() {
  close();
}

long tk_reg_key::open(tk_hkey parent, const char* subkey, const char*, uint32_t, uint32_t,
                      const void*, uint32_t* disposition) {
  if (!parent) throw tk_mail_assertion("tk_regk", 64);
  tk_hkey key = nullptr;
  uint32_t disp = 0;
  long rc = reg::create_key(parent, subkey ? subkey : "", &key, &disp);
  if (rc != reg::kSuccess) {
    tk_trace(1, "%s", reg::last_error_text().c_str());
    return rc;
  }
  close();
  key_ = key;
  if (disposition) *disposition = disp;
  return rc;
}

void tk_reg_key::close() {
  if (key_) reg::close_key(key_);
  key_ = nullptr;
}

long tk_reg_key::get_value(uint32_t& value, const char* name) {
  if (!name) throw tk_mail_assertion("tk_regk", 98);
  tk_trace(2, "tk_reg_key::get_value(ulong, %s)", name);
  if (!key_) return reg::kInvalidHandle;
  uint32_t type = 0, number = 0, size = 4;
  long rc = reg::query_value(key_, name, &type, reinterpret_cast<uint8_t*>(&number), &size);
  tk_trace(1, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(size));
  if (rc == reg::kSuccess) value = number;
  return rc;
}

long tk_reg_key::get_value(char16_t* buffer, const char16_t* name, uint32_t* size) {
  if (!size) throw tk_mail_assertion("tk_regk", 132);
  if (!name) throw tk_mail_assertion("tk_regk", 133);
  tk_trace_w(2, u"tk_reg_key::get_value(LPWSTR, %s)", name);
  if (!key_) return reg::kInvalidHandle;
  uint32_t type = 0;
  long rc = reg::query_value(key_, tsl::text::utf16_to_utf8(name), &type,
                             reinterpret_cast<uint8_t*>(buffer), size);
  tk_trace(1, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(*size));
  return rc;
}

long tk_reg_key::set_value(uint32_t value, const char* name) {
  if (!key_) throw tk_mail_assertion("tk_regk", 149);
  return reg::set_value(key_, name ? name : "", reg::kDword, reinterpret_cast<uint8_t*>(&value), 4);
}

long tk_reg_key::set_value(const char16_t* text, const char16_t* name) {
  if (!text) throw tk_mail_assertion("tk_regk", 164);
  if (!key_) throw tk_mail_assertion("tk_regk", 165);
  size_t length = std::char_traits<char16_t>::length(text);
  return reg::set_value(key_, name ? tsl::text::utf16_to_utf8(name) : "", reg::kString,
                        reinterpret_cast<const uint8_t*>(text),
                        static_cast<uint32_t>((length + 1) * 2));
}

bool tk_reg_key::serialize(const char* name, uint32_t& value, bool store) {
  if (!key_) return false;
  return (store ? set_value(value, name) : get_value(value, name)) == reg::kSuccess;
}

bool tk_reg_key::serialize(const char* name, bool& flag, bool store) {
  uint32_t n = flag ? 1 : 0;
  if (!serialize(name, n, store)) return false;
  if (!store) flag = n != 0;
  return true;
}

bool tk_reg_key::serialize(const char* name, std::u16string& text, bool store) {
  if (!key_) return false;
  std::u16string wide_name = tsl::text::utf8_to_utf16(name ? name : "");
  if (store) return set_value(text.c_str(), wide_name.c_str()) == reg::kSuccess;
  uint32_t size = 0;
  if (get_value(nullptr, wide_name.c_str(), &size) != reg::kSuccess) return false;
  std::vector<char16_t> buffer(size / 2 + 1, u'\0');
  if (get_value(buffer.data(), wide_name.c_str(), &size) != reg::kSuccess) return false;
  text.assign(buffer.data());
  return true;
}
