#pragma once
// The messages the connection pages show for a failed connection: the
// program's own text for a known error, else the error's own text.
#include <string>

class odb_exception;
class ora_exception;

std::string mssql_connect_message(const odb_exception& e);
std::string oracle_connect_message(const ora_exception& e);
// The Oracle errors after which the help on reaching the server opens.
bool is_listener_error(const ora_exception& e);
