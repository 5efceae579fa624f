#include "OLE/ole_guid_extractor.h"

#include "TK/tk_trace.h"

namespace {
constexpr size_t kProviderForm = 45;
constexpr size_t kBraced = 38;
constexpr size_t kBraceAt = 6;

bool is_hex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// "{8-4-4-4-12}" with hexadecimal digits and dashes at their places.
bool is_braced_guid(std::u16string_view t) {
  if (t.size() != kBraced || t.front() != u'{' || t.back() != u'}') return false;
  for (size_t i = 1; i + 1 < kBraced; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? t[i] != u'-' : !is_hex(t[i])) return false;
  }
  return true;
}

}  // namespace

ole_guid_extractor::ole_guid_extractor(std::u16string_view text) : text_(text) {
  tk_trace_w(1, u"ole_guid_extractor::ctor(%s)", text_.c_str());
  // Only the provider's whole form is a GUID: ordinary text that happens to
  // hold the word and a brace must arrive as it is.
  if (text_.size() != kProviderForm) return;
  const std::u16string_view t(text_);
  const bool word = t.substr(0, kBraceAt) == u"{guid " || t.substr(0, kBraceAt) == u"{GUID ";
  tk_trace(1, "Locating 'guid' (%d : %d)", word ? 1 : -1, word ? 1 : -1);
  if (!word || t.back() != u'}' || !is_braced_guid(t.substr(kBraceAt, kBraced))) return;
  start_ = kBraceAt;
}

std::u16string ole_guid_extractor::braced_guid() const {
  if (!has_guid()) return std::u16string();
  return text_.substr(start_, kBraced);
}

std::u16string ole_guid_extractor::bare_guid() const {
  if (!has_guid()) return std::u16string();
  std::u16string out;
  out.reserve(32);
  out.append(text_, start_ + 1, 8);
  out.append(text_, start_ + 10, 4);
  out.append(text_, start_ + 15, 4);
  out.append(text_, start_ + 20, 4);
  out.append(text_, start_ + 25, 12);
  return out;
}
