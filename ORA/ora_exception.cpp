#include "ORA/ora_exception.h"

#include "TK/tk_trace.h"

ora_exception::ora_exception(int ora_number, const std::u16string& text) : tk_exception(text, 0) {
  system_error_ = code_base + (static_cast<uint32_t>(ora_number) & 0xFFFFu);
  tk_trace(3, "ora_exception: %s", message_.c_str());
}
