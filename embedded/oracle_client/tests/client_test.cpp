// The embedded client through the binding table, both as linked into the
// program and as libtsloci.so loaded by path like a real client.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "embedded/oracle/database.h"
#include "embedded/oracle_client/embedded_client.h"
#include "platform/oci/client_library.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

using tsl::oci::client_library;

std::u16string w(const std::string& s) {
  return tsl::text::utf8_to_utf16(s);
}
const OraText* t(const std::u16string& s) {
  return reinterpret_cast<const OraText*>(s.data());
}
ub4 len(const std::u16string& s) {
  return static_cast<ub4>(s.size() * 2);
}

class client : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    setenv("TSL_ORACLE_DATA", dir_.path().c_str(), 1);
    tsl::eora::create_database("ORCL", 1521, "current");
    tsl::eora::create_user("ORCL", "scott", "tiger");
    tsl::eoci::install_embedded_client();
    lib_ = client_library::load(GetParam());
    f_ = &lib_->functions();
    ASSERT_EQ(f_->OCIEnvCreate(&env_, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
              OCI_SUCCESS);
    f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0, nullptr);
  }
  void TearDown() override {
    if (svc_ != nullptr) f_->OCILogoff(svc_, err_);
    f_->OCIHandleFree(err_, OCI_HTYPE_ERROR);
    f_->OCIHandleFree(env_, OCI_HTYPE_ENV);
    lib_.reset();
    unsetenv("TSL_ORACLE_DATA");
  }

  sword logon(const std::string& db, const std::string& user = "scott",
              const std::string& pw = "tiger") {
    std::u16string u = w(user), p = w(pw), d = w(db);
    return f_->OCILogon(env_, err_, &svc_, t(u), len(u), t(p), len(p), t(d), len(d));
  }
  // "ORA-nnnnn: text" of the last error.
  std::string error_text(int* code = nullptr) {
    char16_t buf[256] = {};
    sb4 c = 0;
    EXPECT_EQ(f_->OCIErrorGet(err_, 1, nullptr, &c, reinterpret_cast<OraText*>(buf), sizeof buf,
                              OCI_HTYPE_ERROR),
              OCI_SUCCESS);
    if (code) *code = c;
    return tsl::text::utf16_to_utf8(buf);
  }
  OCIStmt* prepare(const std::string& sql) {
    OCIStmt* s = nullptr;
    f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&s), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string q = w(sql);
    EXPECT_EQ(f_->OCIStmtPrepare(s, err_, t(q), len(q), OCI_NTV_SYNTAX, OCI_DEFAULT), OCI_SUCCESS);
    return s;
  }
  sword run(const std::string& sql, ub4 mode = OCI_DEFAULT) {
    OCIStmt* s = prepare(sql);
    sword rc = f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, mode);
    f_->OCIHandleFree(s, OCI_HTYPE_STMT);
    return rc;
  }
  std::string first_text(const std::string& sql) {
    OCIStmt* s = prepare(sql);
    std::u16string buf(4096, u'\0');
    sb2 ind = 0;
    OCIDefine* d = nullptr;
    f_->OCIDefineByPos(s, &d, err_, 1, buf.data(), 8192, SQLT_STR, &ind, nullptr, nullptr,
                       OCI_DEFAULT);
    sword rc = f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    f_->OCIHandleFree(s, OCI_HTYPE_STMT);
    if (rc == OCI_NO_DATA) return "(no rows)";
    if (rc != OCI_SUCCESS) return error_text();
    return ind == OCI_IND_NULL ? "(null)" : tsl::text::utf16_to_utf8(buf.c_str());
  }

  tsl::testing::temp_dir dir_;
  std::unique_ptr<client_library> lib_;
  const tsl::oci::api* f_ = nullptr;
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
};

TEST_P(client, LogonByNameAndByDescriptor) {
  ASSERT_EQ(logon("orcl"), OCI_SUCCESS);
  EXPECT_EQ(f_->OCILogoff(svc_, err_), OCI_SUCCESS);
  svc_ = nullptr;
  ASSERT_EQ(logon("(DESCRIPTION=(CONNECT_DATA=(SERVICE_NAME=127.0.0.1))(ADDRESS=(PROTOCOL=TCP)("
                  "HOST=127.0.0.1)(PORT=1521)))"),
            OCI_SUCCESS);
  EXPECT_EQ(first_text("select 'yes' from dual"), "yes");
}

TEST_P(client, LogonFailuresCarryOracleErrors) {
  int code = 0;
  ASSERT_EQ(logon("ORCL", "scott", "lion"), OCI_ERROR);
  EXPECT_EQ(error_text(&code), "ORA-01017: invalid username/password; logon denied");
  EXPECT_EQ(code, 1017);
  ASSERT_EQ(logon("NOWHERE"), OCI_ERROR);
  error_text(&code);
  EXPECT_EQ(code, 12154);
  ASSERT_EQ(logon("(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=127.0.0.1)(PORT=1599))(CONNECT_DATA=("
                  "SERVICE_NAME=ORCL)))"),
            OCI_ERROR);
  error_text(&code);
  EXPECT_EQ(code, 12541);
  ASSERT_EQ(logon("(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=192.0.2.1)(PORT=1521))(CONNECT_DATA=("
                  "SERVICE_NAME=ORCL)))"),
            OCI_ERROR);
  error_text(&code);
  EXPECT_EQ(code, 12545);
  svc_ = nullptr;
}

TEST_P(client, DescribeReportsOracleTypes) {
  ASSERT_EQ(logon("ORCL"), OCI_SUCCESS);
  ASSERT_EQ(run("CREATE TABLE \"T\" (\"N\" NUMBER(10,2) NOT NULL, \"F\" NUMBER, \"V\" "
                "VARCHAR2(20), \"W\" NVARCHAR2(50), "
                "\"D\" DATE, \"R\" RAW(16), \"C\" CLOB, \"B\" BLOB, \"CH\" VARCHAR2(10 CHAR))"),
            OCI_SUCCESS);
  OCIStmt* s = prepare("SELECT * FROM \"T\"");
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  ub4 count = 0;
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err_);
  ASSERT_EQ(count, 9u);
  struct expected {
    const char* name;
    ub2 type, size;
    sb2 precision;
    sb1 scale;
    ub1 nullable;
  } want[] = {{"N", 2, 22, 10, 2, 0},    {"F", 2, 22, 0, -127, 1},  {"V", 1, 20, 0, 0, 1},
              {"W", 1, 100, 0, 0, 1},    {"D", 12, 7, 0, 0, 1},     {"R", 23, 16, 0, 0, 1},
              {"C", 112, 4000, 0, 0, 1}, {"B", 113, 4000, 0, 0, 1}, {"CH", 1, 40, 0, 0, 1}};
  for (ub4 i = 0; i < count; ++i) {
    void* p = nullptr;
    ASSERT_EQ(f_->OCIParamGet(s, OCI_HTYPE_STMT, err_, &p, i + 1), OCI_SUCCESS);
    ub2 type = 0, size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    ub1 nullable = 0;
    char16_t* name = nullptr;
    ub4 name_len = 0;
    f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, err_);
    f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, err_);
    f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, err_);
    f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, err_);
    f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &nullable, nullptr, OCI_ATTR_IS_NULL, err_);
    f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &name_len, OCI_ATTR_NAME, err_);
    std::string n = tsl::text::utf16_to_utf8(std::u16string(name, name_len / 2));
    EXPECT_EQ(n, want[i].name);
    EXPECT_EQ(type, want[i].type) << n;
    EXPECT_EQ(size, want[i].size) << n;
    EXPECT_EQ(precision, want[i].precision) << n;
    EXPECT_EQ(scale, want[i].scale) << n;
    EXPECT_EQ(nullable, want[i].nullable) << n;
  }
  void* none = nullptr;
  EXPECT_EQ(f_->OCIParamGet(s, OCI_HTYPE_STMT, err_, &none, 10), OCI_ERROR);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
}

struct rowid_target {
  ub4 length = 512;
  char16_t buffer[256] = {};
};

sb4 no_data(void*, OCIBind*, ub4, ub4, void** bufpp, ub4* alenp, ub1* piecep, void** indpp) {
  *bufpp = nullptr;
  *alenp = 0;
  *indpp = nullptr;
  *piecep = OCI_ONE_PIECE;
  return OCI_CONTINUE;
}

sb4 get_data(void* ctx, OCIBind*, ub4, ub4, void** bufpp, ub4** alenpp, ub1* piecep, void** indpp,
             ub2** rcodepp) {
  auto* target = static_cast<rowid_target*>(ctx);
  target->length = sizeof target->buffer;
  *bufpp = target->buffer;
  *alenpp = &target->length;
  *piecep = OCI_ONE_PIECE;
  *indpp = nullptr;
  *rcodepp = nullptr;
  return OCI_CONTINUE;
}

TEST_P(client, InsertReturningRowidThenWriteAndReadLobs) {
  ASSERT_EQ(logon("ORCL"), OCI_SUCCESS);
  ASSERT_EQ(run("CREATE TABLE \"DOCS\" (\"ID\" NUMBER(11,0), \"BODY\" CLOB, \"PIC\" BLOB)"),
            OCI_SUCCESS);
  OCIStmt* s = prepare(
      "INSERT /*+ APPEND */ INTO \"DOCS\" VALUES(7, EMPTY_CLOB(), EMPTY_BLOB()) RETURNING ROWID "
      "INTO :1");
  rowid_target target;
  OCIBind* bind = nullptr;
  std::u16string ph = w(":1");
  ASSERT_EQ(f_->OCIBindByName(s, &bind, err_, t(ph), 4, target.buffer, 512, SQLT_STR, nullptr,
                              nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC),
            OCI_SUCCESS);
  // Without callbacks the execute is refused.
  EXPECT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
            OCI_ERROR);
  EXPECT_EQ(error_text().substr(0, 9), "ORA-24369");
  ASSERT_EQ(f_->OCIBindDynamic(bind, err_, &target, no_data, &target, get_data), OCI_SUCCESS);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS)
      << error_text();
  std::string rowid = tsl::text::utf16_to_utf8(target.buffer);
  ASSERT_EQ(rowid.size(), 18u);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);

  // Select the locators for update and write both LOBs in one piece.
  OCIStmt* q =
      prepare("SELECT \"BODY\", \"PIC\" FROM \"DOCS\" WHERE ROWID='" + rowid + "' FOR UPDATE");
  OCILobLocator* clob = nullptr;
  OCILobLocator* blob = nullptr;
  f_->OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&clob), OCI_DTYPE_LOB, 0, nullptr);
  f_->OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&blob), OCI_DTYPE_LOB, 0, nullptr);
  sb2 ind = 0;
  OCIDefine* d1 = nullptr;
  OCIDefine* d2 = nullptr;
  f_->OCIDefineByPos(q, &d1, err_, 1, &clob, -1, SQLT_CLOB, &ind, nullptr, nullptr, OCI_DEFAULT);
  f_->OCIDefineByPos(q, &d2, err_, 2, &blob, -1, SQLT_BLOB, &ind, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, q, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
      << error_text();
  std::u16string text;
  for (int i = 0; i < 5000; ++i) text += u"Grüße-";
  ub4 amount = static_cast<ub4>(text.size());
  ASSERT_EQ(f_->OCILobWrite(svc_, err_, clob, &amount, 1, text.data(), amount * 2, OCI_ONE_PIECE,
                            nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_SUCCESS)
      << error_text();
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  amount = static_cast<ub4>(bytes.size());
  ASSERT_EQ(f_->OCILobWrite(svc_, err_, blob, &amount, 1, bytes.data(), amount, OCI_ONE_PIECE,
                            nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_SUCCESS);
  f_->OCIHandleFree(q, OCI_HTYPE_STMT);
  ASSERT_EQ(f_->OCITransCommit(svc_, err_, OCI_DEFAULT), OCI_SUCCESS);

  // Read back in chunks of 32 KiB, advancing by the amount read.
  OCIStmt* r = prepare("SELECT \"BODY\", \"PIC\" FROM \"DOCS\"");
  // Define handles go with their statement: the new one needs new ones.
  d1 = d2 = nullptr;
  f_->OCIDefineByPos(r, &d1, err_, 1, &clob, -1, SQLT_CLOB, &ind, nullptr, nullptr, OCI_DEFAULT);
  f_->OCIDefineByPos(r, &d2, err_, 2, &blob, -1, SQLT_BLOB, &ind, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, r, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  ub1 form = 9;
  f_->OCILobCharSetForm(env_, err_, clob, &form);
  EXPECT_EQ(form, SQLCS_IMPLICIT);
  std::u16string back;
  std::vector<char> chunk(32768);
  for (ub4 offset = 1;;) {
    ub4 got = 0;
    sword rc = f_->OCILobRead(svc_, err_, clob, &got, offset, chunk.data(),
                              static_cast<ub4>(chunk.size()), nullptr, nullptr, 0, SQLCS_IMPLICIT);
    ASSERT_NE(rc, OCI_ERROR);
    if (got == 0) break;
    back.append(reinterpret_cast<char16_t*>(chunk.data()), got);
    offset += got;
    if (rc == OCI_SUCCESS) continue;
  }
  EXPECT_EQ(back.size(), text.size());
  EXPECT_TRUE(back == text);
  std::string back_bytes;
  for (ub4 offset = 1;;) {
    ub4 got = 0;
    f_->OCILobRead(svc_, err_, blob, &got, offset, chunk.data(), static_cast<ub4>(chunk.size()),
                   nullptr, nullptr, 0, SQLCS_IMPLICIT);
    if (got == 0) break;
    back_bytes.append(chunk.data(), got);
    offset += got;
  }
  EXPECT_EQ(back_bytes.size(), bytes.size());
  EXPECT_TRUE(back_bytes == bytes);
  f_->OCIHandleFree(r, OCI_HTYPE_STMT);
  f_->OCIDescriptorFree(clob, OCI_DTYPE_LOB);
  f_->OCIDescriptorFree(blob, OCI_DTYPE_LOB);
}

// An array INSERT: without batch errors the first refused row stops the
// run; with them every refused row is reported with its offset and the
// others are inserted. The prepared statement runs again without a prepare.
TEST_P(client, ArrayInsertWithBatchErrors) {
  ASSERT_EQ(logon("ORCL"), OCI_SUCCESS);
  ASSERT_EQ(run("CREATE TABLE \"T\" (\"ID\" NUMBER(5,0) PRIMARY KEY, \"NAME\" VARCHAR2(3) "
                "NOT NULL)"),
            OCI_SUCCESS);
  OCIStmt* s = prepare("INSERT INTO \"T\" VALUES(:1, :2)");
  int32_t ids[5] = {1, 2, 1, 4, 5};
  char16_t names[5][5] = {u"a", u"b", u"c", u"", u"long"};
  ub2 lengths[5] = {2, 2, 2, 0, 8};
  sb2 inds[5] = {0, 0, 0, OCI_IND_NULL, 0};
  OCIBind* b1 = nullptr;
  OCIBind* b2 = nullptr;
  ASSERT_EQ(f_->OCIBindByPos(s, &b1, err_, 1, ids, sizeof ids[0], SQLT_INT, nullptr, nullptr,
                             nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(f_->OCIBindByPos(s, &b2, err_, 2, names, sizeof names[0], SQLT_CHR, inds, lengths,
                             nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);

  EXPECT_EQ(f_->OCIStmtExecute(svc_, s, err_, 5, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(error_text().substr(0, 9), "ORA-00001");
  ub4 count = 0;
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, err_);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(run("ROLLBACK"), OCI_SUCCESS);

  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 5, 0, nullptr, nullptr,
                               OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(error_text().substr(0, 9), "ORA-24381");
  ub4 refused = 0;
  ASSERT_EQ(f_->OCIAttrGet(s, OCI_HTYPE_STMT, &refused, nullptr, OCI_ATTR_NUM_DML_ERRORS, err_),
            OCI_SUCCESS);
  ASSERT_EQ(refused, 3u);
  OCIError* row = nullptr;
  f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&row), OCI_HTYPE_ERROR, 0, nullptr);
  const ub4 offsets[3] = {2, 3, 4};
  const int codes[3] = {1, 1400, 12899};
  for (ub4 i = 0; i < refused; ++i) {
    ASSERT_EQ(f_->OCIParamGet(err_, OCI_HTYPE_ERROR, err_, reinterpret_cast<void**>(&row), i),
              OCI_SUCCESS);
    ub4 offset = 99;
    ASSERT_EQ(f_->OCIAttrGet(row, OCI_HTYPE_ERROR, &offset, nullptr, OCI_ATTR_DML_ROW_OFFSET, err_),
              OCI_SUCCESS);
    EXPECT_EQ(offset, offsets[i]);
    sb4 code = 0;
    ASSERT_EQ(f_->OCIErrorGet(row, 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR), OCI_SUCCESS);
    EXPECT_EQ(code, codes[i]);
  }
  // Past the last row error there is none.
  EXPECT_EQ(f_->OCIParamGet(err_, OCI_HTYPE_ERROR, err_, reinterpret_cast<void**>(&row), 3),
            OCI_ERROR);
  f_->OCIHandleFree(row, OCI_HTYPE_ERROR);
  EXPECT_EQ(first_text("SELECT COUNT(*) FROM \"T\""), "2");

  // Again, with new values in the same arrays: no row refused.
  ids[0] = 7;
  ids[1] = 8;
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 2, 0, nullptr, nullptr,
                               OCI_BATCH_ERRORS | OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &refused, nullptr, OCI_ATTR_NUM_DML_ERRORS, err_);
  EXPECT_EQ(refused, 0u);
  EXPECT_EQ(first_text("SELECT SUM(\"ID\") FROM \"T\""), "18");
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
}

TEST_P(client, DefinesOfEveryKind) {
  ASSERT_EQ(logon("ORCL"), OCI_SUCCESS);
  ASSERT_EQ(run("create table t (n number(12,2), d date, r raw(4), v varchar2(10), e varchar2(5))"),
            OCI_SUCCESS);
  ASSERT_EQ(run("insert into t values (1234.5, to_date('1992-11-30 15:17:00', 'YYYY-MM-DD "
                "HH24:MI:SS'), '0A1B', 'hello', NULL)",
                OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  OCIStmt* s = prepare("select n, n, d, r, v, e from t");
  int32_t i = 0;
  char16_t text[64] = {};
  ub1 date[7] = {};
  ub1 raw[4] = {};
  char16_t chr[16] = {};
  char16_t none[8] = {};
  sb2 inds[6] = {};
  ub2 lens[6] = {};
  OCIDefine* d[6] = {};
  f_->OCIDefineByPos(s, &d[0], err_, 1, &i, 4, SQLT_INT, &inds[0], &lens[0], nullptr, OCI_DEFAULT);
  f_->OCIDefineByPos(s, &d[1], err_, 2, text, sizeof text, SQLT_STR, &inds[1], &lens[1], nullptr,
                     OCI_DEFAULT);
  f_->OCIDefineByPos(s, &d[2], err_, 3, date, 7, SQLT_DAT, &inds[2], &lens[2], nullptr,
                     OCI_DEFAULT);
  f_->OCIDefineByPos(s, &d[3], err_, 4, raw, 4, SQLT_BIN, &inds[3], &lens[3], nullptr, OCI_DEFAULT);
  f_->OCIDefineByPos(s, &d[4], err_, 5, chr, sizeof chr, SQLT_CHR, &inds[4], &lens[4], nullptr,
                     OCI_DEFAULT);
  f_->OCIDefineByPos(s, &d[5], err_, 6, none, sizeof none, SQLT_STR, &inds[5], &lens[5], nullptr,
                     OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS)
      << error_text();
  EXPECT_EQ(i, 1235);  // rounded
  EXPECT_EQ(tsl::text::utf16_to_utf8(text), "1234.5");
  EXPECT_EQ(std::vector<int>(date, date + 7), (std::vector<int>{119, 192, 11, 30, 16, 18, 1}));
  EXPECT_EQ(std::vector<int>(raw, raw + 2), (std::vector<int>{0x0A, 0x1B}));
  EXPECT_EQ(lens[3], 2);
  EXPECT_EQ(lens[4], 10);  // bytes of UTF-16, no terminator
  EXPECT_EQ(tsl::text::utf16_to_utf8(std::u16string(chr, 5)), "hello");
  EXPECT_EQ(inds[5], OCI_IND_NULL);
  EXPECT_EQ(f_->OCIStmtFetch(s, err_, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
}

TEST_P(client, QueryWithoutRowsAnswersNoData) {
  ASSERT_EQ(logon("ORCL"), OCI_SUCCESS);
  ASSERT_EQ(run("create table e (a number)"), OCI_SUCCESS);
  EXPECT_EQ(first_text("select a from e"), "(no rows)");
  EXPECT_EQ(first_text("select count(*) from e"), "0");
  EXPECT_EQ(first_text("select * from v$version").substr(0, 15), "Oracle Database");
  EXPECT_EQ(run("select * from nothing"), OCI_ERROR);
  EXPECT_EQ(error_text(), "ORA-00942: table or view does not exist");
}

INSTANTIATE_TEST_SUITE_P(ways, client, ::testing::Values("embedded", TSL_OCI_LIB),
                         [](const auto& info) {
                           return info.index == 0 ? std::string("linked") : std::string("shared");
                         });

}  // namespace
