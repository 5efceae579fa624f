// odb_exception over the embedded server's own error records, and the
// message table.
#include "MSS/odb_exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "MSS/mss_messages.h"
#include "OLE/ole_ptr.h"
#include "TK/tk_trace_log.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql_connector/embedded_connector.h"
#include "platform/com/com_runtime.h"
#include "platform/oledb/oledb_interfaces.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

class odb_exception_test : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_path_ = dir_.path() + "/srv";
    tsl::mssql::server::create(dir_path_);
    tsl::mssql::login_request l;
    l.integrated = true;
    tsl::mssql::session s(tsl::mssql::server::open(dir_path_), l);
    s.run_script("CREATE DATABASE shop");
    tsl::mssql::install_embedded_connector();
    CoInitialize(nullptr);
  }
  void TearDown() override { CoUninitialize(); }

  HRESULT open(const std::string& extra, ole_ptr<IDBInitialize>& ds) {
    ole_ptr<IDataInitialize> init;
    CoCreateInstance(CLSID_MSDAINITIALIZE, nullptr, CLSCTX_INPROC_SERVER, IID_IDataInitialize,
                     init.put_void());
    std::u16string cs =
        tsl::text::utf8_to_utf16("Provider=sqloledb;Data Source=" + dir_path_ + ";" + extra);
    ole_ptr<IUnknown> unk;
    HRESULT hr =
        init->GetDataSource(nullptr, CLSCTX_INPROC_SERVER, cs.c_str(), IID_IUnknown, unk.put());
    if (FAILED(hr)) return hr;
    unk.query(IID_IDBInitialize, ds);
    return ds->Initialize();
  }

  const char* text_of(uint32_t code) {
    for (size_t i = 0; i < mss_messages_count; ++i)
      if (mss_messages[i].code == code) return mss_messages[i].text;
    return nullptr;
  }

  tsl::testing::temp_dir dir_;
  std::string dir_path_;
};

TEST_F(odb_exception_test, MissingTableGivesItsCodeMessageAndSource) {
  ole_ptr<IDBInitialize> ds;
  ASSERT_EQ(open("Initial Catalog=shop;Integrated Security=SSPI;", ds), S_OK);
  ole_ptr<IDBCreateSession> cs;
  ds.query(IID_IDBCreateSession, cs);
  ole_ptr<IOpenRowset> session;
  cs->CreateSession(nullptr, IID_IOpenRowset, reinterpret_cast<IUnknown**>(session.put()));
  std::u16string name = u"[dbo].[nothing]";
  DBID id{};
  id.eKind = DBKIND_NAME;
  id.uName.pwszName = name.data();
  ole_ptr<IRowset> r;
  HRESULT hr = session->OpenRowset(nullptr, &id, nullptr, IID_IRowset, 0, nullptr,
                                   reinterpret_cast<IUnknown**>(r.put()));
  odb_exception e(hr);
  EXPECT_EQ(e.system_error(), 0x00080E37u);
  EXPECT_EQ(e.severity(), 0);
  EXPECT_STREQ(e.what(), "Invalid object name 'dbo.nothing'.");
  EXPECT_EQ(e.source(), u"Microsoft OLE DB Provider for SQL Server");
  EXPECT_STREQ(text_of(e.system_error()), "The specified table does not exist.");
}

TEST_F(odb_exception_test, SeveralRecordsAreAllTracedAndTheFirstDescriptionWins) {
  std::string log = dir_.path() + "/trace.log";
  tk_trace_log trace(log.c_str(), true, 1, false);
  ole_ptr<IDBInitialize> ds;
  HRESULT hr = open("Initial Catalog=nodb;Integrated Security=SSPI;", ds);
  odb_exception e(hr);
  EXPECT_EQ(e.system_error() & 0xFFFF, 0x4005u);
  EXPECT_STREQ(e.what(), "Cannot open database \"nodb\" requested by the login. The login failed.");
  std::string text = tsl::testing::read_file(log);
  EXPECT_NE(text.find("odb_exception::odb_exception(80004005)"), std::string::npos) << text;
  EXPECT_NE(text.find("Got 2 record(s)"), std::string::npos);
  EXPECT_NE(text.find("HRESULT:\t0x80004005"), std::string::npos);
  EXPECT_NE(text.find("SQLSTATE:\t42000"), std::string::npos);
  EXPECT_NE(text.find("Native Error:\t4060"), std::string::npos);
  EXPECT_NE(text.find("Source:\t\tMicrosoft OLE DB Provider for SQL Server"), std::string::npos);
  // The first record has a description: the second is not read.
  EXPECT_EQ(text.find("Native Error:\t18456"), std::string::npos);
}

TEST_F(odb_exception_test, FirstRecordWithoutDescriptionIsSkipped) {
  tsl::com::error_record first;
  first.result = hresult_of(0x80040E14);
  first.source = u"first source";
  first.has_sql_info = true;
  first.sqlstate = u"42000";
  first.native_error = 1;
  tsl::com::error_record second = first;
  second.source = u"second source";
  second.description = u"Incorrect syntax near 'x'.";
  second.native_error = 102;
  tsl::com::set_error_records({first, second});
  odb_exception e(hresult_of(0x80040E14));
  EXPECT_STREQ(e.what(), "Incorrect syntax near 'x'.");
  EXPECT_EQ(e.source(), u"second source");
  EXPECT_EQ(text_of(e.system_error()), nullptr);  // the caller shows the provider's text
}

TEST_F(odb_exception_test, ConnectionFailuresAreTold) {
  tsl::com::error_record lost;
  lost.result = E_FAIL;
  lost.has_sql_info = true;
  lost.sqlstate = u"08S01";
  lost.native_error = 11;
  lost.description = u"General network error.";
  tsl::com::set_error_records({lost});
  EXPECT_TRUE(odb_exception(E_FAIL).connection_failed());
  // A time-out that closed the connection says so in a later record.
  tsl::com::error_record timeout = lost;
  timeout.sqlstate = u"HYT00";
  timeout.description = u"Query timeout expired";
  tsl::com::set_error_records({timeout, lost});
  odb_exception after_timeout(E_FAIL);
  EXPECT_STREQ(after_timeout.what(), "Query timeout expired");
  EXPECT_TRUE(after_timeout.connection_failed());
  lost.sqlstate = u"42S02";
  tsl::com::set_error_records({lost});
  EXPECT_FALSE(odb_exception(E_FAIL).connection_failed());
  EXPECT_FALSE(odb_exception(E_FAIL).connection_failed());  // no records at all
}

TEST_F(odb_exception_test, RecordsWithoutAnyDescriptionLeaveAnEmptyMessage) {
  tsl::com::error_record only;
  only.result = E_FAIL;
  tsl::com::set_error_records({only});
  odb_exception e(E_FAIL);
  EXPECT_STREQ(e.what(), "");
}

TEST_F(odb_exception_test, NoErrorInformationAtAll) {
  odb_exception e(hresult_of(0x80040E4D));
  EXPECT_STREQ(e.what(), "Unknown exception");
  EXPECT_EQ(e.system_error(), 0x00080E4Du);
  EXPECT_STREQ(text_of(e.system_error()), "Invalid user name or password.");
  EXPECT_EQ(e.source(), u"");
}

TEST_F(odb_exception_test, WrongPasswordThroughTheProvider) {
  tsl::mssql::server::open(dir_path_)->add_login("bob", "pw");
  ole_ptr<IDBInitialize> ds;
  odb_exception e(open("User Id=bob;Password=nope;", ds));
  EXPECT_EQ(e.system_error(), 0x00080E4Du);
  EXPECT_STREQ(e.what(), "Login failed for user 'bob'.");
}

TEST(mss_messages_test, TableHasItsRowsInOrderWithTheSupportSentences) {
  ASSERT_EQ(mss_messages_count, 27u);
  EXPECT_EQ(mss_messages[0].code, 0x00080E03u);
  EXPECT_EQ(mss_messages[26].code, 0x00080EDAu);
  for (size_t i = 1; i < mss_messages_count; ++i)
    EXPECT_LT(mss_messages[i - 1].code, mss_messages[i].code);
  auto text = [](uint32_t code) {
    for (size_t i = 0; i < mss_messages_count; ++i)
      if (mss_messages[i].code == code) return std::string(mss_messages[i].text);
    return std::string();
  };
  const std::string sentence = "Please contact support@example.com for the solution.";
  EXPECT_EQ(text(0x00080E07),
            "A literal value could not be converted to the correct type." + sentence);
  EXPECT_EQ(text(0x00080E11), "Invalid column ID. " + sentence);
  EXPECT_EQ(
      text(0x00080E57),
      "A literal value overflowed the range of the type of the associated column.\n" + sentence);
  EXPECT_EQ(text(0x00080E72),
            "The index ID is invalid. Please contact support@example.com\nfor the solution.");
  EXPECT_EQ(text(0x00080E21), text(0x00080EDA));
  EXPECT_EQ(text(0x00080E37), "The specified table does not exist.");
  EXPECT_EQ(std::string(mss_connect_failure_text),
            "MS SQL Server does not exist or access denied.\nCheck to verify the correct host was "
            "given.");
}

}  // namespace
