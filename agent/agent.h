#pragma once
// The unattended agent: its command line, table-names file, usage text and
// fatal end.
#include <string>
#include <vector>

// Applies the options to the driver; false when an argument was not
// recognised. Stops the program with a message for options it cannot use.
bool parse_cmd_line(int argc, const char* const* argv);

// Replaces the driver's selected tables with the names of the file, one a
// line; stops the program when the file cannot be read.
void process_tab_file(const std::string& path);

// The names of a table-names file's content, in file order.
std::vector<std::u16string> read_tab_names(const std::string& content);

// Exit statuses: 0 when everything selected was converted; this one when the
// run finished but lost records or tables (or its trace log); 255 when the
// program ended on a fatal error.
constexpr int kCompletedWithErrors = 1;

// Traces the message, writes it to standard error unless silent, and ends
// the process with status -1.
[[noreturn]] void fatal_exit(const std::string& message);

std::string usage_text();
