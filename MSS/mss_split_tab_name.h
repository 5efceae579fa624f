#pragma once
// Splits a bracketed name "[owner].[table]" or "[table]" into its parts.
// False, outputs untouched, for anything shorter than three characters or
// not in brackets. Brackets inside names are taken as they stand.
#include <string>

bool mss_split_tab_name(const std::u16string& name, std::u16string& table, std::u16string& owner);
