#pragma once
// A value that cannot take the type asked of it.
#include <string>

#include "TK/tk_exception.h"

class ole_type_exception : public tk_exception {
 public:
  ole_type_exception();
  // For a value that would otherwise be lost: the text says which and why.
  explicit ole_type_exception(const std::string& text);
};
