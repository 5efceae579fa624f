#include "UDB/udb_field.h"

#include "TK/tk_trace.h"

udb_field::udb_field(std::u16string name, uint32_t size) : size_(size), name_(std::move(name)) {}

udb_field::udb_field(std::u16string name, uint32_t size, ole_variant value)
    : ole_variant(std::move(value)), size_(size), name_(std::move(name)) {
  tk_trace(1, "udb_field::ctor #2");
  tk_trace_w(1, u"name=%s, size=%d", name_.c_str(), static_cast<int>(size_));
}
