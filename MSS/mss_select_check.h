#pragma once
// A user's query is read from the source, which must never be changed: only
// one SELECT statement is accepted. The text is checked token by token
// (strings, quoted names and comments included) before anything of it is
// sent, and the source then runs it only as a derived table, where the
// server's own parser admits nothing but a query.
#include <string>

// The query ready to be wrapped: the text without its trailing semicolons.
// Raises tk_exception (severity 0) naming what is refused.
std::u16string mss_select_check(const std::u16string& sql);

// The text the source runs for a checked query.
std::u16string mss_select_wrapped(const std::u16string& checked);
