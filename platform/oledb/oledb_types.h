#pragma once
// The OLE DB data types, status values, column flags, bindings and column
// descriptions, laid out as a 64-bit Windows build lays them out.
#include <cstdint>

#include "platform/com/unknown.h"
#include "platform/oleaut/bstr.h"

using BYTE = uint8_t;
using WORD = uint16_t;
using DBTYPE = uint16_t;
using DBORDINAL = uint64_t;
using DBLENGTH = uint64_t;
using DBBYTEOFFSET = uint64_t;
using DBROWCOUNT = int64_t;
using DBROWOFFSET = int64_t;
using DBCOUNTITEM = uint64_t;
using DBREFCOUNT = uint32_t;
using DBSTATUS = uint32_t;
using DBPART = uint32_t;
using DBMEMOWNER = uint32_t;
using DBPARAMIO = uint32_t;
using DBACCESSORFLAGS = uint32_t;
using DBBINDSTATUS = uint32_t;
using DBROWSTATUS = uint32_t;
using DBROWOPTIONS = uint32_t;
using DBCOLUMNFLAGS = uint32_t;
using DBKIND = uint32_t;
using HROW = uintptr_t;
using HACCESSOR = uintptr_t;
using HCHAPTER = uintptr_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

enum : DBTYPE {
  DBTYPE_EMPTY = 0,
  DBTYPE_NULL = 1,
  DBTYPE_I2 = 2,
  DBTYPE_I4 = 3,
  DBTYPE_R4 = 4,
  DBTYPE_R8 = 5,
  DBTYPE_CY = 6,
  DBTYPE_DATE = 7,
  DBTYPE_BSTR = 8,
  DBTYPE_IDISPATCH = 9,
  DBTYPE_ERROR = 10,
  DBTYPE_BOOL = 11,
  DBTYPE_VARIANT = 12,
  DBTYPE_IUNKNOWN = 13,
  DBTYPE_DECIMAL = 14,
  DBTYPE_I1 = 16,
  DBTYPE_UI1 = 17,
  DBTYPE_UI2 = 18,
  DBTYPE_UI4 = 19,
  DBTYPE_I8 = 20,
  DBTYPE_UI8 = 21,
  DBTYPE_FILETIME = 64,
  DBTYPE_GUID = 72,
  DBTYPE_BYTES = 128,
  DBTYPE_STR = 129,
  DBTYPE_WSTR = 130,
  DBTYPE_NUMERIC = 131,
  DBTYPE_UDT = 132,
  DBTYPE_DBDATE = 133,
  DBTYPE_DBTIME = 134,
  DBTYPE_DBTIMESTAMP = 135,
  DBTYPE_HCHAPTER = 136,
  DBTYPE_PROPVARIANT = 138,
  DBTYPE_VARNUMERIC = 139,
  DBTYPE_VECTOR = 0x1000,
  DBTYPE_ARRAY = 0x2000,
  DBTYPE_BYREF = 0x4000,
  DBTYPE_RESERVED = 0x8000,
};

enum : DBSTATUS {
  DBSTATUS_S_OK = 0,
  DBSTATUS_E_BADACCESSOR = 1,
  DBSTATUS_E_CANTCONVERTVALUE = 2,
  DBSTATUS_S_ISNULL = 3,
  DBSTATUS_S_TRUNCATED = 4,
  DBSTATUS_E_SIGNMISMATCH = 5,
  DBSTATUS_E_DATAOVERFLOW = 6,
  DBSTATUS_E_CANTCREATE = 7,
  DBSTATUS_E_UNAVAILABLE = 8,
  DBSTATUS_E_PERMISSIONDENIED = 9,
  DBSTATUS_E_INTEGRITYVIOLATION = 10,
  DBSTATUS_E_SCHEMAVIOLATION = 11,
  DBSTATUS_E_BADSTATUS = 12,
  DBSTATUS_S_DEFAULT = 13,
  DBSTATUS_S_IGNORE = 15,
};

enum : DBCOLUMNFLAGS {
  DBCOLUMNFLAGS_ISBOOKMARK = 0x1,
  DBCOLUMNFLAGS_MAYDEFER = 0x2,
  DBCOLUMNFLAGS_WRITE = 0x4,
  DBCOLUMNFLAGS_WRITEUNKNOWN = 0x8,
  DBCOLUMNFLAGS_ISFIXEDLENGTH = 0x10,
  DBCOLUMNFLAGS_ISNULLABLE = 0x20,
  DBCOLUMNFLAGS_MAYBENULL = 0x40,
  DBCOLUMNFLAGS_ISLONG = 0x80,
  DBCOLUMNFLAGS_ISROWID = 0x100,
  DBCOLUMNFLAGS_ISROWVER = 0x200,
  DBCOLUMNFLAGS_CACHEDEFERRED = 0x1000,
};

enum : DBPART { DBPART_INVALID = 0, DBPART_VALUE = 0x1, DBPART_LENGTH = 0x2, DBPART_STATUS = 0x4 };
enum : DBMEMOWNER { DBMEMOWNER_CLIENTOWNED = 0, DBMEMOWNER_PROVIDEROWNED = 1 };
enum : DBPARAMIO { DBPARAMIO_NOTPARAM = 0, DBPARAMIO_INPUT = 1, DBPARAMIO_OUTPUT = 2 };
enum : DBACCESSORFLAGS {
  DBACCESSOR_INVALID = 0,
  DBACCESSOR_PASSBYREF = 0x1,
  DBACCESSOR_ROWDATA = 0x2,
  DBACCESSOR_PARAMETERDATA = 0x4,
  DBACCESSOR_OPTIMIZED = 0x8,
};
enum : DBBINDSTATUS {
  DBBINDSTATUS_OK = 0,
  DBBINDSTATUS_BADORDINAL = 1,
  DBBINDSTATUS_UNSUPPORTEDCONVERSION = 2,
  DBBINDSTATUS_BADBINDINFO = 3,
};
enum : DBKIND {
  DBKIND_GUID_NAME = 0,
  DBKIND_GUID_PROPID = 1,
  DBKIND_NAME = 2,
  DBKIND_PGUID_NAME = 3,
  DBKIND_PGUID_PROPID = 4,
  DBKIND_PROPID = 5,
  DBKIND_GUID = 6,
};

struct DBID {
  union {
    GUID guid;
    GUID* pguid;
  } uGuid;
  DBKIND eKind;
  union {
    LPOLESTR pwszName;
    ULONG ulPropid;
  } uName;
};

struct DBOBJECT {
  DWORD dwFlags;
  IID iid;
};

struct DBBINDEXT {
  BYTE* pExtension;
  DBCOUNTITEM ulExtension;
};

struct ITypeInfo;

struct DBBINDING {
  DBORDINAL iOrdinal;
  DBBYTEOFFSET obValue;
  DBBYTEOFFSET obLength;
  DBBYTEOFFSET obStatus;
  ITypeInfo* pTypeInfo;
  DBOBJECT* pObject;
  DBBINDEXT* pBindExt;
  DBPART dwPart;
  DBMEMOWNER dwMemOwner;
  DBPARAMIO eParamIO;
  DBLENGTH cbMaxLen;
  DWORD dwFlags;
  DBTYPE wType;
  BYTE bPrecision;
  BYTE bScale;
};

struct DBCOLUMNINFO {
  LPOLESTR pwszName;
  ITypeInfo* pTypeInfo;
  DBORDINAL iOrdinal;
  DBCOLUMNFLAGS dwFlags;
  DBLENGTH ulColumnSize;
  DBTYPE wType;
  BYTE bPrecision;
  BYTE bScale;
  DBID columnid;
};

struct DBPROP;
struct DBPROPSET {
  DBPROP* rgProperties;
  ULONG cProperties;
  GUID guidPropertySet;
};

struct DBPARAMS {
  void* pData;
  DBCOUNTITEM cParamSets;
  HACCESSOR hAccessor;
};

struct DB_NUMERIC {
  BYTE precision;
  BYTE scale;
  BYTE sign;  // 1 positive, 0 negative
  BYTE val[16];
};

struct DBDATE {
  int16_t year;
  uint16_t month, day;
};

struct DBTIMESTAMP {
  int16_t year;
  uint16_t month, day, hour, minute, second;
  uint32_t fraction;  // nanoseconds
};
