#include "UDB/udb_record_exception.h"

udb_record_exception::udb_record_exception(const std::string& text) : tk_exception(text, 0) {}
