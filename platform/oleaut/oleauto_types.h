#pragma once
// The value types of OLE Automation: type tags, currency, decimal, date,
// calendar time, byte arrays and the variant that carries any of them.
// Layouts follow Windows where a reader may care (field order and widths);
// DECIMAL sits in the variant's payload rather than over its type tag.
#include <cstdint>

#include "platform/com/hresult.h"
#include "platform/oleaut/bstr.h"

using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using DATE = double;
using LCID = uint32_t;
using SCODE = int32_t;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_RECORD = 36,
  VT_INT_PTR = 37,
  VT_UINT_PTR = 38,
  VT_FILETIME = 64,
  VT_BLOB = 65,
  VT_STREAM = 66,
  VT_STORAGE = 67,
  VT_STREAMED_OBJECT = 68,
  VT_STORED_OBJECT = 69,
  VT_BLOB_OBJECT = 70,
  VT_CF = 71,
  VT_CLSID = 72,
  VT_BSTR_BLOB = 0x0FFF,
  VT_VECTOR = 0x1000,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_RESERVED = 0x8000,
  VT_ILLEGAL = 0xFFFF,
  VT_TYPEMASK = 0x0FFF,
};

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Locales. Only the en-US rules are implemented; every locale reads and
// writes numbers with '.' as the decimal separator.
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LCID_EN_US = 1033;

// VariantChangeType flags.
inline constexpr uint16_t VARIANT_NOVALUEPROP = 0x01;
inline constexpr uint16_t VARIANT_ALPHABOOL = 0x02;
inline constexpr uint16_t VARIANT_USE_NLS = 0x80;

// Money: an amount scaled by 10000.
struct CY {
  int64_t int64;
};

// A 96-bit magnitude with a decimal scale of 0 to 28 and a sign byte.
inline constexpr uint8_t DECIMAL_NEG = 0x80;
inline constexpr uint8_t DECIMAL_MAX_SCALE = 28;
struct DECIMAL {
  uint16_t wReserved;
  uint8_t scale;
  uint8_t sign;
  uint32_t Hi32;
  uint64_t Lo64;
};

struct SYSTEMTIME {
  uint16_t wYear;
  uint16_t wMonth;
  uint16_t wDayOfWeek;
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
};

struct SAFEARRAYBOUND {
  uint32_t cElements;
  int32_t lLbound;
};

inline constexpr uint16_t FADF_HAVEVARTYPE = 0x80;

struct SAFEARRAY {
  uint16_t cDims;
  uint16_t fFeatures;
  uint32_t cbElements;
  uint32_t cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};

struct VARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    int64_t llVal;
    uint64_t ullVal;
    int32_t lVal;
    uint8_t bVal;
    int16_t iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    SAFEARRAY* parray;
    char cVal;
    uint16_t uiVal;
    uint32_t ulVal;
    int32_t intVal;
    uint32_t uintVal;
    char* pszVal;
    OLECHAR* pwszVal;
    DECIMAL decVal;
    void* byref;
  };
};

using VARIANTARG = VARIANT;
