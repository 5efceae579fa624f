#pragma once
// The OLE DB schema rowsets the provider answers, with their restriction
// values (unset ones empty).
#include <optional>
#include <string>
#include <vector>

namespace tsl::oledb {

enum class schema_kind { catalogs, tables, primary_keys, foreign_keys, indexes };

using restrictions = std::vector<std::optional<std::string>>;

}  // namespace tsl::oledb
