#pragma once
// A profile keeps one value a line. A query written over several lines is
// folded into one line that means the same to the server: a "--" comment
// becomes a block comment (which would otherwise swallow the rest of the
// query), a line break in a string literal becomes CHAR(13)/CHAR(10) joined
// to the literal's parts, and any other line break becomes a blank. Older
// readers read the folded text as one value, like any other.
#include <string>

std::u16string query_one_line(const std::u16string& sql);
