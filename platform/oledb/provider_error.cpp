#include "platform/oledb/provider_error.h"

#include <new>
#include <stdexcept>

#include "platform/com/error_info.h"
#include "platform/oledb/server_error.h"
#include "platform/text/utf.h"

namespace tsl::oledb {

const char16_t kProviderSource[] = u"Microsoft OLE DB Provider for SQL Server";

HRESULT report(HRESULT hr, const std::string& description) {
  com::error_record r;
  r.result = hr;
  r.source = kProviderSource;
  r.description = text::utf8_to_utf16(description);
  com::set_error_records({r});
  return hr;
}

HRESULT report_current_exception() {
  try {
    throw;
  } catch (const server_error& e) {
    std::vector<com::error_record> records;
    for (const auto& rec : e.records()) {
      com::error_record r;
      r.result = static_cast<HRESULT>(e.hresult());
      r.source = kProviderSource;
      r.description = text::utf8_to_utf16(rec.message);
      r.has_sql_info = true;
      r.sqlstate = text::utf8_to_utf16(rec.sqlstate);
      r.native_error = rec.number;
      records.push_back(std::move(r));
    }
    com::set_error_records(records);
    return static_cast<HRESULT>(e.hresult());
  } catch (const std::bad_alloc&) {
    return report(E_OUTOFMEMORY, "Out of memory.");
  } catch (const std::exception& e) {
    return report(E_FAIL, e.what());
  }
}

}  // namespace tsl::oledb
