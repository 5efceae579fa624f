// The COM runtime: per-thread initialisation, class creation, the task
// allocator and the thread's error object.
#include <gtest/gtest.h>

#include <thread>

#include "OLE/ole_ptr.h"
#include "platform/com/com_runtime.h"
#include "platform/com/error_info.h"
#include "platform/oledb/connection_string.h"
#include "platform/oledb/oledb_interfaces.h"

namespace {

TEST(com_test, InitialisationCountsPerThread) {
  EXPECT_FALSE(tsl::com::thread_initialized());
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  std::thread other([] {
    EXPECT_FALSE(tsl::com::thread_initialized());
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDataInitialize, &p),
              CO_E_NOTINITIALIZED);
  });
  other.join();
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
  CoUninitialize();
  EXPECT_TRUE(tsl::com::thread_initialized());
  CoUninitialize();
  EXPECT_FALSE(tsl::com::thread_initialized());
  CoUninitialize();  // one too many does no harm
}

TEST(com_test, UnknownClassesAndInterfaces) {
  CoInitialize(nullptr);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(CLSID_SQLOLEDB, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(p, nullptr);
  ole_ptr<IDataInitialize> init;
  EXPECT_EQ(CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDataInitialize, init.put_void()),
            S_OK);
  ole_ptr<IRowset> wrong;
  EXPECT_EQ(init.query(IID_IRowset, wrong), E_NOINTERFACE);
  EXPECT_FALSE(wrong);
  ole_ptr<IUnknown> agg;
  EXPECT_EQ(CoCreateInstance(CLSID_MSDAINITIALIZE, init.get(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                             agg.put_void()),
            CLASS_E_NOAGGREGATION);
  CoUninitialize();
}

TEST(com_test, ErrorObjectIsTakenOnceAndReplaced) {
  tsl::com::error_record r;
  r.result = E_FAIL;
  r.source = u"src";
  r.description = u"first";
  tsl::com::set_error_records({r});
  r.description = u"second";
  tsl::com::set_error_records({r});
  ole_ptr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  BSTR d = nullptr;
  info->GetDescription(&d);
  EXPECT_EQ(std::u16string(d), u"second");
  SysFreeString(d);
  ole_ptr<IErrorInfo> again;
  EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);
  EXPECT_FALSE(again);
  SetErrorInfo(0, info.get());
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(GetErrorInfo(0, again.put()), S_FALSE);
}

TEST(com_test, RecordsOutOfRangeAndWithoutSqlInformation) {
  tsl::com::error_record r;
  r.result = hresult_of(0x80040E14);
  r.description = u"d";
  tsl::com::set_error_records({r});
  ole_ptr<IErrorInfo> info;
  GetErrorInfo(0, info.put());
  ole_ptr<IErrorRecords> recs;
  ASSERT_EQ(info.query(IID_IErrorRecords, recs), S_OK);
  ERRORINFO basic{};
  EXPECT_EQ(recs->GetBasicErrorInfo(1, &basic), DB_E_BADRECORDNUM);
  EXPECT_EQ(recs->GetBasicErrorInfo(0, &basic), S_OK);
  EXPECT_EQ(basic.hrError, hresult_of(0x80040E14));
  IUnknown* custom = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(recs->GetCustomErrorObject(0, IID_ISQLErrorInfo, &custom), S_OK);
  EXPECT_EQ(custom, nullptr);
  IErrorInfo* ri = nullptr;
  EXPECT_EQ(recs->GetErrorInfo(3, 0, &ri), DB_E_BADRECORDNUM);
}

TEST(com_test, TaskAllocatorGivesUsableMemory) {
  void* p = CoTaskMemAlloc(0);
  ASSERT_NE(p, nullptr);
  p = CoTaskMemRealloc(p, 100);
  ASSERT_NE(p, nullptr);
  static_cast<char*>(p)[99] = 1;
  CoTaskMemFree(p);
  CoTaskMemFree(nullptr);
}

TEST(connection_string_test, KeysIgnoreCaseAndValuesStayAsWritten) {
  auto s = tsl::oledb::parse_connection_string(
      "Provider=sqloledb;Data Source= /srv/a ;Initial Catalog=Shop;User ID=bob;Password=p w;");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->provider, "sqloledb");
  EXPECT_EQ(s->data_source, "/srv/a");
  EXPECT_EQ(s->initial_catalog, "Shop");
  EXPECT_EQ(s->user, "bob");
  EXPECT_EQ(s->password, "p w");
  EXPECT_FALSE(s->integrated);
  s = tsl::oledb::parse_connection_string(
      "PROVIDER=SQLOLEDB;DATA SOURCE=;INTEGRATED SECURITY=SSPI;;");
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->integrated);
  EXPECT_EQ(s->data_source, "");
  // A ";" inside a password ends the value there.
  s = tsl::oledb::parse_connection_string("Provider=sqloledb;User Id=a;Password=x;y=1;");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->password, "x");
  EXPECT_FALSE(tsl::oledb::parse_connection_string("Provider=sqloledb;garbage;"));
}

TEST(connection_string_test, QuotedValuesArriveAsGiven) {
  auto s = tsl::oledb::parse_connection_string(
      "Provider=sqloledb;User ID= \"b;o\"\"b\" ;Password='p;Initial Catalog=x';"
      "Initial Catalog=\" shop \"");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->user, "b;o\"b");
  EXPECT_EQ(s->password, "p;Initial Catalog=x");
  EXPECT_EQ(s->initial_catalog, " shop ");
  s = tsl::oledb::parse_connection_string("Password='it''s';");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->password, "it's");
  EXPECT_FALSE(tsl::oledb::parse_connection_string("Password=\"open;"));
  EXPECT_FALSE(tsl::oledb::parse_connection_string("Password=\"x\"y;"));
}

}  // namespace
