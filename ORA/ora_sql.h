#pragma once
// Small pieces of generated SQL and one-statement runs on the engine's
// connection.
#include <string>

#include "platform/oci/oci_types.h"

// "name" in double quotes.
std::u16string ora_quoted(const std::u16string& name);
// 'text' with every apostrophe doubled.
std::u16string ora_string_literal(const std::u16string& text);
// Prepares and executes one statement on a fresh handle; answers the execute
// status (OCI_ERROR raises ora_exception).
sword ora_execute(const std::u16string& sql, ub4 mode);
// The single integer a COUNT query returns.
int ora_count(const std::u16string& sql);
