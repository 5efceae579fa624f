#pragma once
// Sends the maker a bug report by mail, through the system's mail submission
// program when one is installed. Nothing is reported back to the caller.
#include <string>

// Where bug reports go.
inline constexpr char kSupportName[] = "Vendrel";
inline constexpr char kSupportAddress[] = "support@tessaly.example.com";

void tk_send_bug_report(const std::string& subject_suffix, const std::string& body);
