#include "MSS/mss_split_tab_name.h"

#include "TK/tk_trace.h"

std::u16string mss_bracket_escape(const std::u16string& name) {
  std::u16string out;
  out.reserve(name.size());
  for (char16_t c : name) {
    out.push_back(c);
    if (c == u']') out.push_back(u']');
  }
  return out;
}

std::u16string mss_bracket_unescape(const std::u16string& name) {
  std::u16string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    out.push_back(name[i]);
    if (name[i] == u']' && i + 1 < name.size() && name[i + 1] == u']') ++i;
  }
  return out;
}

bool mss_split_tab_name(const std::u16string& name, std::u16string& table, std::u16string& owner) {
  tk_trace_w(1, u"mss_split_tab_name (%s)", name.c_str());
  if (name.size() < 3 || name.front() != u'[' || name.back() != u']') return false;
  const std::u16string inner = name.substr(1, name.size() - 2);
  const size_t dot = inner.find(u"].[");
  if (dot == std::u16string::npos) {
    owner.clear();
    table = inner;
  } else {
    owner = inner.substr(0, dot);
    table = inner.substr(dot + 3);
  }
  tk_trace_w(1, u"tab_name=%s, owner=%s", table.c_str(), owner.c_str());
  return true;
}
