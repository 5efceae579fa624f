#include "MSS/odb_exception.h"

#include "OLE/ole_ptr.h"
#include "TK/tk_trace.h"
#include "platform/oleaut/oleauto_types.h"
#include "platform/text/ansi.h"

namespace {
// Takes a returned string into a wide string and frees it.
std::u16string adopt(BSTR s) {
  std::u16string out = s ? std::u16string(s, SysStringLen(s)) : std::u16string();
  SysFreeString(s);
  return out;
}
}  // namespace

odb_exception::error_info_dispatcher::error_info_dispatcher(IErrorInfo* info) {
  tk_trace(1, "odb_exception::error_info_dispatcher::ctor");
  BSTR src = nullptr;
  BSTR desc = nullptr;
  info->GetSource(&src);
  info->GetDescription(&desc);
  if (src) {
    source = adopt(src);
    tk_trace(1, "Processing source");
    tk_trace_w(3, u"Source:\t\t%s\n", source.c_str());
  }
  if (desc) {
    description = adopt(desc);
    tk_trace(1, "Processing description");
    tk_trace_w(3, u"Error message:\t%s", description.c_str());
  }
}

odb_exception::odb_exception(HRESULT result) : tk_exception(0) {
  tk_trace(1, "odb_exception::odb_exception(%08X)", static_cast<unsigned>(result));
  system_error_ = 0x00080000u | (static_cast<uint32_t>(result) & 0xFFFFu);
  ole_ptr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) {
    tk_trace(2, "dump_error: GetErrorInfo failed");
    return;
  }
  ole_ptr<IErrorRecords> records;
  if (FAILED(info.query(IID_IErrorRecords, records)) || !records) {
    take(error_info_dispatcher(info.get()));
    return;
  }
  tk_trace(2, "Got IErrorRecords");
  extract_from_records(records.get());
}

void odb_exception::take(const error_info_dispatcher& d) {
  std::string narrow;
  message_ = tsl::text::utf16_to_ansi(d.description, narrow) ? narrow : std::string();
  source_ = d.source;
}

void odb_exception::extract_from_records(IErrorRecords* records) {
  tk_trace(2, "odb_exception::extract_from_records");
  ULONG count = 0;
  records->GetRecordCount(&count);
  tk_trace(1, "Got %d record(s)", static_cast<int>(count));
  for (ULONG i = 0; i < count; ++i) {
    ERRORINFO basic{};
    records->GetBasicErrorInfo(i, &basic);
    tk_trace(3, "HRESULT:\t0x%08X", static_cast<unsigned>(basic.hrError));

    ole_ptr<ISQLErrorInfo> sql;
    records->GetCustomErrorObject(i, IID_ISQLErrorInfo, reinterpret_cast<IUnknown**>(sql.put()));
    LONG native = 0;
    if (sql) {
      BSTR state = nullptr;
      sql->GetSQLInfo(&state, &native);
      std::u16string wide_state = adopt(state);
      std::string narrow_state;
      if (!tsl::text::utf16_to_ansi(wide_state, narrow_state))
        throw tk_mail_assertion("odb_exce", 124);
      tk_trace(3, "SQLSTATE:\t%s", narrow_state.c_str());
      tk_trace(3, "Native Error:\t%ld", static_cast<long>(native));
      // Class 08: the connection to the server failed or was lost.
      if (narrow_state.compare(0, 2, "08") == 0) connection_failed_ = true;
    }

    ole_ptr<IErrorInfo> info;
    if (records->GetErrorInfo(i, LOCALE_USER_DEFAULT, info.put()) == S_OK && info) {
      error_info_dispatcher d(info.get());
      take(d);
      tk_trace_w(1, u"Process %d record: msg=%s, source=%s", static_cast<int>(i),
                 d.description.c_str(), source_.c_str());
      if (!message_.empty()) {
        native_error_ = native;
        // The first record with a description decides; the later ones are
        // only asked whether the connection failed.
        for (ULONG j = i + 1; j < count && !connection_failed_; ++j) {
          ole_ptr<ISQLErrorInfo> later;
          records->GetCustomErrorObject(j, IID_ISQLErrorInfo,
                                        reinterpret_cast<IUnknown**>(later.put()));
          if (!later) continue;
          BSTR state = nullptr;
          LONG native = 0;
          later->GetSQLInfo(&state, &native);
          connection_failed_ = adopt(state).compare(0, 2, u"08") == 0;
        }
        break;
      }
    }
  }
}
