#pragma once
// One record that cannot be stored as it is (a value out of the
// destination's range, an empty key): the record is refused, the run goes on
// and its outcome counts the error.
#include <string>

#include "TK/tk_exception.h"

class udb_record_exception : public tk_exception {
 public:
  explicit udb_record_exception(const std::string& text);
};
