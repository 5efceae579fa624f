#pragma once
// Error objects: the thread's current error information (SetErrorInfo,
// GetErrorInfo), error records with SQL state and native error as an OLE DB
// provider reports them.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/unknown.h"
#include "platform/oleaut/bstr.h"

using LCID = uint32_t;
using DISPID = int32_t;
using LONG = int32_t;

extern const IID IID_IErrorInfo;
extern const IID IID_IErrorRecords;
extern const IID IID_ISQLErrorInfo;

struct IErrorInfo : IUnknown {
  virtual HRESULT GetGUID(GUID* guid) = 0;
  virtual HRESULT GetSource(BSTR* source) = 0;
  virtual HRESULT GetDescription(BSTR* description) = 0;
  virtual HRESULT GetHelpFile(BSTR* help_file) = 0;
  virtual HRESULT GetHelpContext(DWORD* help_context) = 0;
};

struct ERRORINFO {
  HRESULT hrError;
  DWORD dwMinor;
  CLSID clsid;
  IID iid;
  DISPID dispid;
};

struct DISPPARAMS;

struct IErrorRecords : IUnknown {
  virtual HRESULT AddErrorRecord(ERRORINFO* info, DWORD lookup_id, DISPPARAMS* params,
                                 IUnknown* custom, DWORD dynamic_id) = 0;
  virtual HRESULT GetBasicErrorInfo(ULONG record, ERRORINFO* info) = 0;
  virtual HRESULT GetCustomErrorObject(ULONG record, REFIID riid, IUnknown** object) = 0;
  virtual HRESULT GetErrorInfo(ULONG record, LCID locale, IErrorInfo** info) = 0;
  virtual HRESULT GetErrorParameters(ULONG record, DISPPARAMS* params) = 0;
  virtual HRESULT GetRecordCount(ULONG* count) = 0;
};

struct ISQLErrorInfo : IUnknown {
  virtual HRESULT GetSQLInfo(BSTR* sqlstate, LONG* native_error) = 0;
};

// Replaces the calling thread's error object (null clears it).
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
// Takes the thread's error object, leaving none; S_FALSE and null when none.
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);

namespace tsl::com {

struct error_record {
  HRESULT result = E_FAIL;
  std::u16string source;
  std::u16string description;
  bool has_sql_info = false;
  std::u16string sqlstate;
  int32_t native_error = 0;
};

// Builds an error object holding the records (IErrorInfo describes the
// first) and makes it the thread's current error object.
void set_error_records(const std::vector<error_record>& records);

}  // namespace tsl::com
