#pragma once
// Dates as text: TO_DATE's parsing by a format picture and the formatting of a
// DATE by one.
#include <string>
#include <string_view>

#include "embedded/oracle/value.h"

namespace tsl::eora {

// Oracle's default NLS_DATE_FORMAT.
inline constexpr const char* default_date_format = "DD-MON-RR";

// Raises the ORA- error Oracle gives for text that does not fit the picture.
// Elements left out default to the first day of the current month at midnight.
date_time parse_date(std::string_view text, std::string_view format);
std::string format_date(const date_time& d, std::string_view format);

bool valid_date(const date_time& d);
date_time current_date();

}  // namespace tsl::eora
