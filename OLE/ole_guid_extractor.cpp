#include "OLE/ole_guid_extractor.h"

#include "TK/tk_trace.h"

namespace {
constexpr size_t kMinText = 45;
constexpr size_t kBraced = 38;
}  // namespace

ole_guid_extractor::ole_guid_extractor(std::u16string_view text) : text_(text) {
  tk_trace_w(1, u"ole_guid_extractor::ctor(%s)", text_.c_str());
  if (text_.size() < kMinText) return;
  const size_t lower = text_.find(u"guid");
  const size_t upper = lower == std::u16string::npos ? text_.find(u"GUID") : std::u16string::npos;
  tk_trace(1, "Locating 'guid' (%d : %d)", static_cast<int>(lower), static_cast<int>(upper));
  const size_t at = lower != std::u16string::npos ? lower : upper;
  if (at == std::u16string::npos) return;
  const size_t brace = text_.find(u'{', at + 4);
  // A brace too near the end cannot open a whole GUID.
  if (brace == std::u16string::npos || brace + kBraced > text_.size()) return;
  start_ = brace;
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
