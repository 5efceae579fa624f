#pragma once
// Length-prefixed UTF-16 strings as OLE Automation hands them around. The
// pointer addresses the characters; the 32-bit byte count sits just before
// them and a NUL follows them, so a BSTR may hold embedded NULs and still be
// read as a C string up to its first NUL. A null BSTR means the empty string.
#include <cstdint>

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

// A copy of the NUL-terminated text; null for a null input.
BSTR SysAllocString(const OLECHAR* text);
// `length` characters copied from `text`, or left zeroed when `text` is null.
BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length);
// `length` bytes copied from `bytes` (or zeroed), for any byte count, odd too.
BSTR SysAllocStringByteLen(const char* bytes, uint32_t length);
// Replaces *target by a fresh copy of `length` characters; false when memory fails.
bool SysReAllocStringLen(BSTR* target, const OLECHAR* text, uint32_t length);
void SysFreeString(BSTR text);
// Characters (the byte count halved, rounded down); 0 for null.
uint32_t SysStringLen(BSTR text);
uint32_t SysStringByteLen(BSTR text);
