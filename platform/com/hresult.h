#pragma once
// Result codes of the component interfaces (OLE Automation, OLE DB): a
// 32-bit value whose top bit marks a failure, with the values Windows uses.
#include <cstdint>

using HRESULT = int32_t;

constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

constexpr HRESULT hresult_of(uint32_t bits) {
  return static_cast<HRESULT>(bits);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hresult_of(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hresult_of(0x80004002);
inline constexpr HRESULT E_POINTER = hresult_of(0x80004003);
inline constexpr HRESULT E_FAIL = hresult_of(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hresult_of(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = hresult_of(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = hresult_of(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = hresult_of(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = hresult_of(0x80040110);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hresult_of(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = hresult_of(0x800401F0);

// OLE Automation conversions.
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hresult_of(0x80020005);
inline constexpr HRESULT DISP_E_BADVARTYPE = hresult_of(0x80020008);
inline constexpr HRESULT DISP_E_OVERFLOW = hresult_of(0x8002000A);
inline constexpr HRESULT DISP_E_BADINDEX = hresult_of(0x8002000B);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = hresult_of(0x8002000D);
inline constexpr HRESULT DISP_E_DIVBYZERO = hresult_of(0x80020012);
