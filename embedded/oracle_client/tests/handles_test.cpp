// The client's behaviour at its edges: stale handles, truncation, NULLs
// without indicators, array fetches, the explicit connect sequence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "embedded/oracle/database.h"
#include "embedded/oracle_client/embedded_client.h"
#include "embedded/oracle_client/handles.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

std::u16string w(const std::string& s) {
  return tsl::text::utf8_to_utf16(s);
}
const OraText* t(const std::u16string& s) {
  return reinterpret_cast<const OraText*>(s.data());
}
ub4 len(const std::u16string& s) {
  return static_cast<ub4>(s.size() * 2);
}

class edges : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TSL_ORACLE_DATA", dir_.path().c_str(), 1);
    tsl::eora::create_database("ORCL", 1521, "current");
    tsl::eora::create_user("ORCL", "scott", "tiger");
    f_ = &tsl::eoci::embedded_api();
    f_->OCIEnvCreate(&env_, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&err_), OCI_HTYPE_ERROR, 0, nullptr);
  }
  void TearDown() override {
    if (svc_ != nullptr) f_->OCILogoff(svc_, err_);
    f_->OCIHandleFree(err_, OCI_HTYPE_ERROR);
    f_->OCIHandleFree(env_, OCI_HTYPE_ENV);
    unsetenv("TSL_ORACLE_DATA");
  }
  void logon() {
    std::u16string u = u"scott", p = u"tiger", d = u"ORCL";
    ASSERT_EQ(f_->OCILogon(env_, err_, &svc_, t(u), len(u), t(p), len(p), t(d), len(d)),
              OCI_SUCCESS);
  }
  OCIStmt* prepare(const std::string& sql) {
    OCIStmt* s = nullptr;
    f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&s), OCI_HTYPE_STMT, 0, nullptr);
    std::u16string q = w(sql);
    f_->OCIStmtPrepare(s, err_, t(q), len(q), OCI_NTV_SYNTAX, OCI_DEFAULT);
    return s;
  }
  sword run(const std::string& sql, ub4 mode = OCI_DEFAULT, ub4 iters = 1) {
    OCIStmt* s = prepare(sql);
    sword rc = f_->OCIStmtExecute(svc_, s, err_, iters, 0, nullptr, nullptr, mode);
    f_->OCIHandleFree(s, OCI_HTYPE_STMT);
    return rc;
  }
  int last_code() {
    sb4 code = 0;
    char16_t buf[128];
    if (f_->OCIErrorGet(err_, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                        OCI_HTYPE_ERROR) != OCI_SUCCESS)
      return -1;
    return code;
  }

  tsl::testing::temp_dir dir_;
  const tsl::oci::api* f_ = nullptr;
  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
};

TEST_F(edges, StaleAndForeignHandlesAreRefused) {
  OCIStmt* s = nullptr;
  f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&s), OCI_HTYPE_STMT, 0, nullptr);
  EXPECT_EQ(f_->OCIHandleFree(s, OCI_HTYPE_STMT), OCI_SUCCESS);
  EXPECT_EQ(f_->OCIHandleFree(s, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
  EXPECT_EQ(f_->OCIHandleFree(err_, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
  int not_a_handle = 0;
  EXPECT_EQ(
      f_->OCIHandleAlloc(&not_a_handle, reinterpret_cast<void**>(&s), OCI_HTYPE_STMT, 0, nullptr),
      OCI_INVALID_HANDLE);
  EXPECT_EQ(f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&s), 999, 0, nullptr),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(f_->OCIErrorGet(err_, 1, nullptr, nullptr, nullptr, 0, OCI_HTYPE_ERROR), OCI_NO_DATA);
  void* extra = nullptr;
  OCIServer* srv = nullptr;
  ASSERT_EQ(f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 52, &extra),
            OCI_SUCCESS);
  ASSERT_NE(extra, nullptr);
  static_cast<char*>(extra)[51] = 1;  // the extra memory is the caller's
  f_->OCIHandleFree(srv, OCI_HTYPE_SERVER);
}

TEST_F(edges, ExplicitConnectSequence) {
  OCIServer* srv = nullptr;
  OCISvcCtx* svc = nullptr;
  OCISession* ses = nullptr;
  f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
  std::u16string db = u"ORCL", u = u"scott", p = u"tiger";
  ASSERT_EQ(f_->OCIServerAttach(srv, err_, t(db), static_cast<sb4>(len(db)), OCI_DEFAULT),
            OCI_SUCCESS);
  f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
  f_->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err_);
  f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
  f_->OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char16_t*>(u.data()), len(u), OCI_ATTR_USERNAME,
                 err_);
  f_->OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char16_t*>(p.data()), len(p), OCI_ATTR_PASSWORD,
                 err_);
  ASSERT_EQ(f_->OCISessionBegin(svc, err_, ses, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS);
  f_->OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err_);
  char16_t banner[128] = {};
  ASSERT_EQ(f_->OCIServerVersion(svc, err_, reinterpret_cast<OraText*>(banner), sizeof banner,
                                 OCI_HTYPE_SVCCTX),
            OCI_SUCCESS);
  EXPECT_EQ(std::u16string(banner).substr(0, 15), u"Oracle Database");
  EXPECT_EQ(f_->OCISessionEnd(svc, err_, ses, OCI_DEFAULT), OCI_SUCCESS);
  f_->OCIServerDetach(srv, err_, OCI_DEFAULT);
  f_->OCIHandleFree(ses, OCI_HTYPE_SESSION);
  f_->OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
  f_->OCIHandleFree(srv, OCI_HTYPE_SERVER);
}

TEST_F(edges, TruncationNullsAndArrayFetch) {
  logon();
  ASSERT_EQ(run("create table t (a number, b varchar2(20))"), OCI_SUCCESS);
  for (int i = 1; i <= 5; ++i)
    run("insert into t values (" + std::to_string(i) + ", " +
        (i == 3 ? std::string("null") : "'value number " + std::to_string(i) + "'") + ")");
  OCIStmt* s = prepare("select a, b from t order by a");
  int32_t a[2] = {};
  char16_t b[2][6] = {};
  sb2 ind[2] = {};
  ub2 rlen[2] = {};
  OCIDefine* d = nullptr;
  f_->OCIDefineByPos(s, &d, err_, 1, a, 4, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  d = nullptr;  // a define handle is one position's
  f_->OCIDefineByPos(s, &d, err_, 2, b, 12, SQLT_STR, ind, rlen, nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  ub2 type = 0;
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, err_);
  EXPECT_EQ(type, OCI_STMT_SELECT);
  // Two rows at a time; the text does not fit in five characters.
  EXPECT_EQ(f_->OCIStmtFetch2(s, err_, 2, OCI_FETCH_NEXT, 0, OCI_DEFAULT), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(last_code(), 24345);
  EXPECT_EQ(a[0], 1);
  EXPECT_EQ(a[1], 2);
  EXPECT_EQ(std::u16string(b[0]), u"value");
  EXPECT_EQ(ind[0], 14);
  ub4 fetched = 0;
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, err_);
  EXPECT_EQ(fetched, 2u);
  EXPECT_NE(f_->OCIStmtFetch2(s, err_, 2, OCI_FETCH_NEXT, 0, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(a[0], 3);
  EXPECT_EQ(ind[0], OCI_IND_NULL);
  // The last call places one row of two and says the data has ended.
  EXPECT_EQ(f_->OCIStmtFetch2(s, err_, 2, OCI_FETCH_NEXT, 0, OCI_DEFAULT), OCI_NO_DATA);
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, err_);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(a[0], 5);
  EXPECT_EQ(f_->OCIStmtFetch2(s, err_, 1, OCI_FETCH_PRIOR, 0, OCI_DEFAULT), OCI_ERROR);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);

  // A NULL without an indicator is an error.
  OCIStmt* n = prepare("select b from t where a = 3");
  char16_t nb[8];
  d = nullptr;
  f_->OCIDefineByPos(n, &d, err_, 1, nb, sizeof nb, SQLT_STR, nullptr, nullptr, nullptr,
                     OCI_DEFAULT);
  EXPECT_EQ(f_->OCIStmtExecute(svc_, n, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(last_code(), 1405);
  f_->OCIHandleFree(n, OCI_HTYPE_STMT);
}

TEST_F(edges, ExecuteModes) {
  logon();
  ASSERT_EQ(run("create table t (a number(2))"), OCI_SUCCESS);
  EXPECT_EQ(run("insert into t values (1)", OCI_DEFAULT, 0), OCI_ERROR);
  EXPECT_EQ(last_code(), 24333);
  // Describe-only checks a query without running it.
  EXPECT_EQ(run("select a from t", OCI_DESCRIBE_ONLY), OCI_SUCCESS);
  EXPECT_EQ(run("select nope from t", OCI_DESCRIBE_ONLY), OCI_ERROR);
  EXPECT_EQ(last_code(), 904);
  EXPECT_EQ(run("insert into t values (100)"), OCI_ERROR);
  EXPECT_EQ(last_code(), 1438);
  EXPECT_EQ(run("insert into t values (5)", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  EXPECT_EQ(run("insert into t values (6)"), OCI_SUCCESS);
  ASSERT_EQ(f_->OCITransRollback(svc_, err_, OCI_DEFAULT), OCI_SUCCESS);
  OCIStmt* s = prepare("select count(*) from t");
  int32_t count = 0;
  OCIDefine* d = nullptr;
  f_->OCIDefineByPos(s, &d, err_, 1, &count, 4, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(count, 1);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
  // A trigger that does not compile is created with a warning.
  EXPECT_EQ(run("create or replace trigger g before insert on t for each row begin select "
                "nope.nextval into :new.a "
                "from dual; end;"),
            OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(last_code(), 24344);
  EXPECT_EQ(run("insert into t values (7)"), OCI_ERROR);
  EXPECT_EQ(last_code(), 4098);
}

TEST_F(edges, LogoffCommitsAndFreeingWithoutLogoffRollsBack) {
  logon();
  ASSERT_EQ(run("create table t (a number)"), OCI_SUCCESS);
  run("insert into t values (1)");
  ASSERT_EQ(f_->OCILogoff(svc_, err_), OCI_SUCCESS);
  svc_ = nullptr;
  logon();
  run("insert into t values (2)");
  OCISvcCtx* abandoned = svc_;
  svc_ = nullptr;
  f_->OCIHandleFree(abandoned, OCI_HTYPE_SVCCTX);
  logon();
  OCIStmt* s = prepare("select count(*) from t");
  int32_t count = 0;
  OCIDefine* d = nullptr;
  f_->OCIDefineByPos(s, &d, err_, 1, &count, 4, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(count, 1);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
}

TEST_F(edges, NarrowEnvironmentUsesUtf8) {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  f_->OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  f_->OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  ASSERT_EQ(f_->OCILogon(env, err, &svc, reinterpret_cast<const OraText*>("scott"), 5,
                         reinterpret_cast<const OraText*>("tiger"), 5,
                         reinterpret_cast<const OraText*>("ORCL"), 4),
            OCI_SUCCESS);
  OCIStmt* s = nullptr;
  f_->OCIHandleAlloc(env, reinterpret_cast<void**>(&s), OCI_HTYPE_STMT, 0, nullptr);
  std::string sql = "select 'grüße' from dual";
  f_->OCIStmtPrepare(s, err, reinterpret_cast<const OraText*>(sql.data()),
                     static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
  char out[32] = {};
  OCIDefine* d = nullptr;
  f_->OCIDefineByPos(s, &d, err, 1, out, sizeof out, SQLT_STR, nullptr, nullptr, nullptr,
                     OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc, s, err, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_STREQ(out, "grüße");
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
  f_->OCILogoff(svc, err);
  f_->OCIHandleFree(err, OCI_HTYPE_ERROR);
  f_->OCIHandleFree(env, OCI_HTYPE_ENV);
}

}  // namespace

namespace {

struct collected {
  std::u16string text;
  int pieces = 0;
};

sb4 collect(void* ctx, const void* buf, ub4 len, ub1) {
  auto* c = static_cast<collected*>(ctx);
  c->text.append(static_cast<const char16_t*>(buf), len / 2);
  ++c->pieces;
  return OCI_CONTINUE;
}

TEST_F(edges, LargeLobStreamedInAndReadThroughACallback) {
  logon();
  ASSERT_EQ(run("create table d (c clob)"), OCI_SUCCESS);
  ASSERT_EQ(run("insert into d values (empty_clob())", OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  OCIStmt* s = prepare("select c from d for update");
  OCILobLocator* lob = nullptr;
  f_->OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&lob), OCI_DTYPE_LOB, 0, nullptr);
  OCIDefine* d = nullptr;
  f_->OCIDefineByPos(s, &d, err_, 1, &lob, -1, SQLT_CLOB, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  // Six pieces of one million characters each.
  std::u16string piece(1000000, u'\u00e9');
  std::u16string whole;
  for (int i = 0; i < 6; ++i) {
    piece[0] = static_cast<char16_t>(u'0' + i);
    ub1 kind = i == 0 ? OCI_FIRST_PIECE : (i == 5 ? OCI_LAST_PIECE : OCI_NEXT_PIECE);
    ub4 amount = 0;
    sword rc = f_->OCILobWrite(svc_, err_, lob, &amount, 1, piece.data(), len(piece), kind, nullptr,
                               nullptr, 0, SQLCS_IMPLICIT);
    EXPECT_EQ(rc, i == 5 ? OCI_SUCCESS : OCI_NEED_DATA);
    whole += piece;
  }
  ASSERT_EQ(f_->OCITransCommit(svc_, err_, OCI_DEFAULT), OCI_SUCCESS);
  ub4 length = 0;
  f_->OCILobGetLength(svc_, err_, lob, &length);
  EXPECT_EQ(length, 6000000u);
  collected got;
  std::vector<char16_t> buf(16384);
  ub4 amount = 0;
  ASSERT_EQ(f_->OCILobRead(svc_, err_, lob, &amount, 1, buf.data(),
                           static_cast<ub4>(buf.size() * 2), &got, collect, 0, SQLCS_IMPLICIT),
            OCI_SUCCESS);
  EXPECT_EQ(amount, 6000000u);
  EXPECT_GT(got.pieces, 300);
  EXPECT_TRUE(got.text == whole);
  // Polling: amount 0 asks for everything; each call hands one buffer.
  ub4 polled = 0;
  int calls = 0;
  sword rc = OCI_NEED_DATA;
  while (rc == OCI_NEED_DATA) {
    amount = 0;
    rc = f_->OCILobRead(svc_, err_, lob, &amount, 1, buf.data(), static_cast<ub4>(buf.size() * 2),
                        nullptr, nullptr, 0, SQLCS_IMPLICIT);
    polled += amount;
    ++calls;
  }
  EXPECT_EQ(rc, OCI_SUCCESS);
  EXPECT_EQ(polled, 6000000u);
  EXPECT_GT(calls, 300);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
  f_->OCIDescriptorFree(lob, OCI_DTYPE_LOB);
}

}  // namespace

namespace {

TEST_F(edges, ParameterAttributesAndRowids) {
  logon();
  ASSERT_EQ(run("create table t (n nvarchar2(10), c char(3 char), f float, r rowid)"), OCI_SUCCESS);
  OCIStmt* s = prepare("select n, c, f from t");
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  void* p = nullptr;
  ASSERT_EQ(f_->OCIParamGet(s, OCI_HTYPE_STMT, err_, &p, 1), OCI_SUCCESS);
  ub1 form = 0, used = 9;
  ub2 chars = 0, size = 0;
  f_->OCIAttrGet(p, OCI_HTYPE_DESCRIBE, &form, nullptr, OCI_ATTR_CHARSET_FORM, err_);
  f_->OCIAttrGet(p, OCI_HTYPE_DESCRIBE, &chars, nullptr, OCI_ATTR_CHAR_SIZE, err_);
  f_->OCIAttrGet(p, OCI_HTYPE_DESCRIBE, &size, nullptr, OCI_ATTR_DATA_SIZE, err_);
  EXPECT_EQ(form, SQLCS_NCHAR);
  EXPECT_EQ(chars, 10);
  EXPECT_EQ(size, 20);
  ASSERT_EQ(f_->OCIParamGet(s, OCI_HTYPE_STMT, err_, &p, 2), OCI_SUCCESS);
  ub2 type = 0;
  f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, err_);
  f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &used, nullptr, OCI_ATTR_CHAR_USED, err_);
  f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, err_);
  EXPECT_EQ(type, SQLT_AFC);
  EXPECT_EQ(used, 1);
  EXPECT_EQ(size, 12);
  ASSERT_EQ(f_->OCIParamGet(s, OCI_HTYPE_STMT, err_, &p, 3), OCI_SUCCESS);
  sb2 precision = 0;
  sb1 scale = 0;
  f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION, err_);
  f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, err_);
  EXPECT_EQ(precision, 126);
  EXPECT_EQ(scale, -127);
  EXPECT_EQ(f_->OCIAttrGet(p, OCI_DTYPE_PARAM, &type, nullptr, 9999, err_), OCI_ERROR);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);

  // The ROWID of the row a DML statement touched, through a descriptor.
  OCIStmt* ins = prepare("insert into t (n, c, f) values ('x', 'ab', 1.5)");
  ASSERT_EQ(f_->OCIStmtExecute(svc_, ins, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  ub4 count = 0;
  f_->OCIAttrGet(ins, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, err_);
  EXPECT_EQ(count, 1u);
  OCIRowid* rid = nullptr;
  f_->OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&rid), OCI_DTYPE_ROWID, 0, nullptr);
  EXPECT_EQ(f_->OCIAttrGet(ins, OCI_HTYPE_STMT, rid, nullptr, OCI_ATTR_ROWID, err_), OCI_SUCCESS);
  f_->OCIDescriptorFree(rid, OCI_DTYPE_ROWID);
  f_->OCIHandleFree(ins, OCI_HTYPE_STMT);

  // CHAR values come blank-padded; floats as doubles.
  OCIStmt* q = prepare("select c, f from t");
  char16_t c[8] = {};
  double fl = 0;
  ub2 clen = 0;
  OCIDefine* d = nullptr;
  f_->OCIDefineByPos(q, &d, err_, 1, c, sizeof c, SQLT_AFC, nullptr, &clen, nullptr, OCI_DEFAULT);
  d = nullptr;
  f_->OCIDefineByPos(q, &d, err_, 2, &fl, sizeof fl, SQLT_FLT, nullptr, nullptr, nullptr,
                     OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, q, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(std::u16string(c, clen / 2), u"ab ");
  EXPECT_DOUBLE_EQ(fl, 1.5);
  f_->OCIHandleFree(q, OCI_HTYPE_STMT);
}

}  // namespace

// What a real client refuses, the embedded one refuses too.
namespace {

TEST_F(edges, DefineAndBindHandlesBelongToTheirStatement) {
  logon();
  ASSERT_EQ(run("create table t (a number)"), OCI_SUCCESS);
  int32_t a = 0;
  OCIStmt* first = prepare("select a from t");
  OCIDefine* d = nullptr;
  ASSERT_EQ(f_->OCIDefineByPos(first, &d, err_, 1, &a, 4, SQLT_INT, nullptr, nullptr, nullptr,
                               OCI_DEFAULT),
            OCI_SUCCESS);
  // Passed in again, the handle is redefined in place.
  OCIDefine* again = d;
  ASSERT_EQ(f_->OCIDefineByPos(first, &again, err_, 1, &a, 4, SQLT_INT, nullptr, nullptr, nullptr,
                               OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(again, d);
  f_->OCIHandleFree(first, OCI_HTYPE_STMT);
  // The handle of a freed statement is no handle at all.
  OCIStmt* second = prepare("select a from t");
  EXPECT_EQ(f_->OCIDefineByPos(second, &d, err_, 1, &a, 4, SQLT_INT, nullptr, nullptr, nullptr,
                               OCI_DEFAULT),
            OCI_INVALID_HANDLE);
  // Nor is a bind handle made before the statement was prepared again.
  OCIBind* b = nullptr;
  std::u16string name = u":x";
  ASSERT_EQ(f_->OCIBindByName(second, &b, err_, t(name), len(name), &a, 4, SQLT_INT, nullptr,
                              nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  std::u16string q = u"select a from t where a = :x";
  f_->OCIStmtPrepare(second, err_, t(q), len(q), OCI_NTV_SYNTAX, OCI_DEFAULT);
  EXPECT_EQ(f_->OCIBindByName(second, &b, err_, t(name), len(name), &a, 4, SQLT_INT, nullptr,
                              nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_INVALID_HANDLE);
  f_->OCIHandleFree(second, OCI_HTYPE_STMT);
}

TEST_F(edges, ClobsCountUtf16CodeUnits) {
  logon();
  ASSERT_EQ(run("create table d (c clob)"), OCI_SUCCESS);
  ASSERT_EQ(run("insert into d values (empty_clob())"), OCI_SUCCESS);
  OCIStmt* s = prepare("select c from d for update");
  OCILobLocator* lob = nullptr;
  f_->OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&lob), OCI_DTYPE_LOB, 0, nullptr);
  OCIDefine* d = nullptr;
  f_->OCIDefineByPos(s, &d, err_, 1, &lob, -1, SQLT_CLOB, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  // Each emoji is two code units.
  std::u16string text = u"a\U0001F600b\U0001F600\U0001F600c";
  ub4 amount = static_cast<ub4>(text.size());
  ASSERT_EQ(f_->OCILobWrite(svc_, err_, lob, &amount, 1, text.data(), len(text), OCI_ONE_PIECE,
                            nullptr, nullptr, 0, SQLCS_IMPLICIT),
            OCI_SUCCESS);
  EXPECT_EQ(amount, 9u);
  ub4 length = 0;
  f_->OCILobGetLength(svc_, err_, lob, &length);
  EXPECT_EQ(length, 9u);
  // Reads of two units split pairs and still join up to the text.
  std::u16string back;
  char16_t buf[2];
  for (ub4 offset = 1; offset <= length;) {
    amount = 2;
    ASSERT_EQ(f_->OCILobRead(svc_, err_, lob, &amount, offset, buf, sizeof buf, nullptr, nullptr, 0,
                             SQLCS_IMPLICIT),
              OCI_SUCCESS);
    ASSERT_GT(amount, 0u);
    back.append(buf, amount);
    offset += amount;
  }
  EXPECT_EQ(back, text);
  // Nothing at an offset past the end.
  amount = 5;
  EXPECT_EQ(f_->OCILobRead(svc_, err_, lob, &amount, 10, buf, sizeof buf, nullptr, nullptr, 0,
                           SQLCS_IMPLICIT),
            OCI_NO_DATA);
  EXPECT_EQ(amount, 0u);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
  f_->OCIDescriptorFree(lob, OCI_DTYPE_LOB);
}

TEST_F(edges, LobWritesAndReadsNeedTheLobsCharacterSetForm) {
  logon();
  ASSERT_EQ(run("create table d (c clob, n nclob, b blob)"), OCI_SUCCESS);
  ASSERT_EQ(run("insert into d values (empty_clob(), empty_clob(), empty_blob())"), OCI_SUCCESS);
  OCIStmt* s = prepare("select c, n, b from d for update");
  OCILobLocator* lobs[3] = {};
  OCIDefine* d[3] = {};
  const ub2 types[3] = {SQLT_CLOB, SQLT_CLOB, SQLT_BLOB};
  for (ub4 k = 0; k < 3; ++k) {
    f_->OCIDescriptorAlloc(env_, reinterpret_cast<void**>(&lobs[k]), OCI_DTYPE_LOB, 0, nullptr);
    f_->OCIDefineByPos(s, &d[k], err_, k + 1, &lobs[k], -1, types[k], nullptr, nullptr, nullptr,
                       OCI_DEFAULT);
  }
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  std::u16string text = u"\u00e9t\u00e9";
  auto write = [&](OCILobLocator* lob, ub1 form) {
    ub4 amount = static_cast<ub4>(text.size());
    return f_->OCILobWrite(svc_, err_, lob, &amount, 1, text.data(), len(text), OCI_ONE_PIECE,
                           nullptr, nullptr, 0, form);
  };
  EXPECT_EQ(write(lobs[0], SQLCS_NCHAR), OCI_ERROR);
  EXPECT_EQ(last_code(), 24806);
  EXPECT_EQ(write(lobs[1], SQLCS_IMPLICIT), OCI_ERROR);
  EXPECT_EQ(last_code(), 24806);
  EXPECT_EQ(write(lobs[0], SQLCS_IMPLICIT), OCI_SUCCESS);
  EXPECT_EQ(write(lobs[1], SQLCS_NCHAR), OCI_SUCCESS);
  // A BLOB has no form to mismatch.
  EXPECT_EQ(write(lobs[2], SQLCS_IMPLICIT), OCI_SUCCESS);
  char16_t buf[8] = {};
  ub4 amount = 3;
  EXPECT_EQ(f_->OCILobRead(svc_, err_, lobs[1], &amount, 1, buf, sizeof buf, nullptr, nullptr, 0,
                           SQLCS_IMPLICIT),
            OCI_ERROR);
  EXPECT_EQ(last_code(), 24806);
  ub1 form = 0;
  f_->OCILobCharSetForm(env_, err_, lobs[1], &form);
  EXPECT_EQ(form, SQLCS_NCHAR);
  amount = 3;
  ASSERT_EQ(
      f_->OCILobRead(svc_, err_, lobs[1], &amount, 1, buf, sizeof buf, nullptr, nullptr, 0, form),
      OCI_SUCCESS);
  EXPECT_EQ(std::u16string(buf, amount), text);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
  for (OCILobLocator* l : lobs) f_->OCIDescriptorFree(l, OCI_DTYPE_LOB);
}

TEST_F(edges, EnvironmentWithAnUnknownNlsLangFailsAndSaysWhy) {
  OCIEnv* env = nullptr;
  setenv("NLS_LANG", "KLINGON_QONOS.NOSUCHSET", 1);
  EXPECT_EQ(f_->OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
            OCI_ERROR);
  ASSERT_NE(env, nullptr);
  sb4 code = 0;
  char16_t buf[128] = {};
  EXPECT_EQ(f_->OCIErrorGet(env, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                            OCI_HTYPE_ENV),
            OCI_SUCCESS);
  EXPECT_EQ(code, 12705);
  f_->OCIHandleFree(env, OCI_HTYPE_ENV);
  for (const char* good : {"AMERICAN_AMERICA.AL32UTF8", ".UTF8", "GERMAN_GERMANY", ""}) {
    setenv("NLS_LANG", good, 1);
    EXPECT_EQ(f_->OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
              OCI_SUCCESS)
        << good;
    f_->OCIHandleFree(env, OCI_HTYPE_ENV);
  }
  unsetenv("NLS_LANG");
}

TEST_F(edges, AttachWithoutADatabaseNeedsTwoTask) {
  const char* saved = std::getenv("TWO_TASK");
  std::string keep = saved != nullptr ? saved : "";
  unsetenv("TWO_TASK");
  OCIServer* srv = nullptr;
  f_->OCIHandleAlloc(env_, reinterpret_cast<void**>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
  EXPECT_EQ(f_->OCIServerAttach(srv, err_, nullptr, 0, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(last_code(), 12162);
  setenv("TWO_TASK", "ORCL", 1);
  EXPECT_EQ(f_->OCIServerAttach(srv, err_, nullptr, 0, OCI_DEFAULT), OCI_SUCCESS);
  f_->OCIServerDetach(srv, err_, OCI_DEFAULT);
  f_->OCIHandleFree(srv, OCI_HTYPE_SERVER);
  if (saved != nullptr)
    setenv("TWO_TASK", keep.c_str(), 1);
  else
    unsetenv("TWO_TASK");
}

TEST_F(edges, LongTextTravelsInBindsNotLiterals) {
  logon();
  ASSERT_EQ(run("create table t (id number, n nvarchar2(2000), v varchar2(10))"), OCI_SUCCESS);
  // 2000 characters of three bytes each: 6000 bytes, too long for a literal.
  std::string euros;
  for (int i = 0; i < 2000; ++i) euros += "\xE2\x82\xAC";
  EXPECT_EQ(run("insert into t (id, n) values (1, '" + euros + "')"), OCI_ERROR);
  EXPECT_EQ(last_code(), 1704);
  std::string at_limit(4000, 'x');
  EXPECT_EQ(run("insert into t (id, v) values (1, '" + at_limit + "')"), OCI_ERROR);
  EXPECT_EQ(last_code(), 12899);  // the literal is taken, the column is too small

  // Bound by position: ids in an array over three iterations, the text by
  // name and supplied whole.
  OCIStmt* s = prepare("insert into t (id, n, v) values (:1, :text, :v)");
  int32_t ids[3] = {10, 11, 12};
  std::u16string text = w(euros);
  char16_t small[3][4] = {{u'a'}, {u'b', u'c'}, {}};
  ub2 lens[3] = {2, 4, 0};
  sb2 inds[3] = {0, 0, OCI_IND_NULL};
  OCIBind* b[3] = {};
  std::u16string name = u":TEXT", v = u":v";
  ASSERT_EQ(f_->OCIBindByPos(s, &b[0], err_, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0,
                             nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(f_->OCIBindByName(s, &b[1], err_, t(name), len(name), text.data(), len(text), SQLT_CHR,
                              nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  // Without the third value the statement is refused.
  EXPECT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(last_code(), 1008);
  ASSERT_EQ(f_->OCIBindByName(s, &b[2], err_, t(v), len(v), small, sizeof small[0], SQLT_CHR, inds,
                              lens, nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  ub4 rows = 0;
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err_);
  EXPECT_EQ(rows, 1u);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);

  s = prepare("select id, length(n), v from t where n = :1 order by id");
  b[0] = nullptr;
  ASSERT_EQ(f_->OCIBindByPos(s, &b[0], err_, 1, text.data(), len(text), SQLT_CHR, nullptr, nullptr,
                             nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  int32_t id = 0, chars = 0;
  char16_t out[8] = {};
  sb2 out_ind = 0;
  OCIDefine* d[3] = {};
  f_->OCIDefineByPos(s, &d[0], err_, 1, &id, 4, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  f_->OCIDefineByPos(s, &d[1], err_, 2, &chars, 4, SQLT_INT, nullptr, nullptr, nullptr,
                     OCI_DEFAULT);
  f_->OCIDefineByPos(s, &d[2], err_, 3, out, sizeof out, SQLT_STR, &out_ind, nullptr, nullptr,
                     OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(id, 10);
  EXPECT_EQ(chars, 2000);
  EXPECT_EQ(std::u16string(out), u"a");
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);

  // Described first and read at the first fetch, with other statements in
  // between, a query still takes its own binds.
  s = prepare("select count(*) from t where id = :1");
  int32_t ten = 10, found = 0;
  b[0] = nullptr;
  d[0] = nullptr;
  f_->OCIBindByPos(s, &b[0], err_, 1, &ten, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                   OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  f_->OCIDefineByPos(s, &d[0], err_, 1, &found, 4, SQLT_INT, nullptr, nullptr, nullptr,
                     OCI_DEFAULT);
  ASSERT_EQ(run("select 1 from dual"), OCI_SUCCESS);
  ASSERT_EQ(f_->OCIStmtFetch(s, err_, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(found, 1);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);

  // Arrays: one run per iteration, each with its own element.
  s = prepare("insert into t (id, v) values (:1, :2)");
  b[0] = nullptr;
  f_->OCIBindByPos(s, &b[0], err_, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr, 0, nullptr,
                   OCI_DEFAULT);
  b[1] = nullptr;
  f_->OCIBindByPos(s, &b[1], err_, 2, small, sizeof small[0], SQLT_CHR, inds, lens, nullptr, 0,
                   nullptr, OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 3, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
            OCI_SUCCESS);
  f_->OCIAttrGet(s, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, err_);
  EXPECT_EQ(rows, 3u);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
  s = prepare(
      "select count(*) from t where (id = 10 and v = 'a') or (id = 11 and v = 'bc') or "
      "(id = 12 and v is null)");
  int32_t count = 0;
  d[0] = nullptr;
  f_->OCIDefineByPos(s, &d[0], err_, 1, &count, 4, SQLT_INT, nullptr, nullptr, nullptr,
                     OCI_DEFAULT);
  ASSERT_EQ(f_->OCIStmtExecute(svc_, s, err_, 1, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  EXPECT_EQ(count, 4);
  f_->OCIHandleFree(s, OCI_HTYPE_STMT);
}

}  // namespace

namespace {

// Bound text crosses into the engine as the text converter would convert it:
// every width of character, surrogate pairs, lone surrogates, odd lengths.
TEST(text_in, ConvertsAsTheTextConverterDoes) {
  tsl::eoci::env_handle env;
  env.utf16 = true;
  const std::u16string samples[] = {u"",
                                    u"plain",
                                    u"Gr\u00fc\u00dfe \u20ac",
                                    u"\U0001F600x",
                                    u"a\xD800"
                                    "b",
                                    u"\xDC00\xD800",
                                    u"\xD83D",
                                    std::u16string(1, u'\0') + u"z"};
  std::vector<std::u16string> cases(std::begin(samples), std::end(samples));
  // ASCII runs of every length around the block steps of the ASCII path,
  // broken by one unit that only its high byte or top bit tells from ASCII.
  for (char16_t odd : {u'\x7F', char16_t(0x80), char16_t(0x100), char16_t(0x7F00),
                       char16_t(0xD800)}) {
    for (size_t len = 1; len <= 40; ++len) {
      for (size_t at = 0; at < len; ++at) {
        std::u16string t(len, u'a');
        t[at] = odd;
        cases.push_back(t);
      }
    }
  }
  cases.push_back(std::u16string(5000, u'n'));
  for (const std::u16string& s : cases) {
    std::string expected = tsl::text::utf16_to_utf8(s);
    // From an odd address too, as a caller's buffer may be.
    std::string buffer(1 + s.size() * 2, '\0');
    std::memcpy(buffer.data() + 1, s.data(), s.size() * 2);
    EXPECT_EQ(tsl::eoci::text_in(&env, buffer.data() + 1, s.size() * 2), expected);
  }
}

}  // namespace
