#include "common/udb_converter.h"

#include "TK/tk_trace.h"
#include "common/udb_profile.h"

namespace {
const std::u16string kQueries = udb_profile::kAvailableQueries;
const std::u16string kSelected = udb_profile::kSelectedTables;
const std::u16string kGeneric = udb_profile::kGenericSettings;
}  // namespace

udb_converter::udb_converter() {
  tk_trace(2, "udb_converter::ctor");
}

udb_converter::~udb_converter() {
  tk_trace(2, "udb_converter::dtor");
}

bool udb_converter::load_profile(const udb_profile& profile) {
  tk_trace(1, "udb_converter::load_profile");
  const auto& sections = profile.sections();
  if (auto s = sections.find(kSelected); s != sections.end()) {
    for (const auto& [name, sql] : s->second) {
      selected_entries.emplace(name, sql);
      if (sql.empty()) {
        tk_trace_w(1, u"Push back table '%s'", name.c_str());
        selected_tables.push_back(name);
      }
    }
  }
  if (auto s = sections.find(kQueries); s != sections.end())
    for (const auto& [name, sql] : s->second) available_queries.emplace(name, sql);

  std::u16string v = profile.get(kGeneric, u"src");
  if (!v.empty()) database_name = v;
  v = profile.get(kGeneric, u"dest");
  if (!v.empty()) destination_name = v;
  v = profile.get(kGeneric, u"only definitions");
  if (!v.empty()) definitions_only = v != u"0";
  v = profile.get(kGeneric, u"skip indexes");
  if (!v.empty()) skip_indexes = v != u"0";
  return true;
}

bool udb_converter::store_profile(udb_profile& profile) const {
  tk_trace(2, "udb_converter::store_profile");
  for (const auto& [name, sql] : available_queries) {
    tk_trace_w(1, u"Available Query: (%s,%s)", name.c_str(), sql.c_str());
    profile.put(kQueries, name, sql);
  }
  for (const auto& [name, sql] : selected_entries) {
    tk_trace_w(1, u"Selected Query: (%s,%s)", name.c_str(), sql.c_str());
    profile.put(kSelected, name, sql);
  }
  profile.put(kGeneric, u"src", database_name);
  profile.put(kGeneric, u"dest", destination_name);
  profile.put(kGeneric, u"skip indexes", skip_indexes ? u"1" : u"0");
  profile.put(kGeneric, u"only definitions", definitions_only ? u"1" : u"0");
  return true;
}
