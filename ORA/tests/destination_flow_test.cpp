// The statements the destination sends, in the order a conversion sends
// them, through the engine's handles against the embedded Oracle.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "ORA/tests/ora_fixture.h"
#include "embedded/oracle/database.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

const OraText* t(const std::u16string& s) {
  return reinterpret_cast<const OraText*>(s.data());
}
ub4 len(const std::u16string& s) {
  return static_cast<ub4>(s.size() * 2);
}

struct rowid_holder {
  ub4 length = 512;
  char16_t buffer[256] = {};
};

sb4 no_data(void*, OCIBind*, ub4, ub4, void** bufpp, ub4* alenp, ub1* piecep, void** indpp) {
  *bufpp = nullptr;
  *alenp = 0;
  *piecep = OCI_ONE_PIECE;
  *indpp = nullptr;
  return OCI_CONTINUE;
}

sb4 get_data(void* ctx, OCIBind*, ub4, ub4, void** bufpp, ub4** alenpp, ub1* piecep, void** indpp,
             ub2** rcodepp) {
  auto* h = static_cast<rowid_holder*>(ctx);
  *bufpp = h->buffer;
  *alenpp = &h->length;
  *piecep = OCI_ONE_PIECE;
  *indpp = nullptr;
  *rcodepp = nullptr;
  return OCI_CONTINUE;
}

// A logged-on engine over a fresh embedded Oracle; the statements go
// straight through its handles.
class destination : public ora_fixture {
 protected:
  const tsl::oci::api& f() { return engine_->oci(); }
  sword query(const std::u16string& sql, ub4 mode = OCI_DEFAULT) {
    ora_stmt s;
    engine_->check_result(
        f().OCIStmtPrepare(s, engine_->error(), t(sql), len(sql), OCI_NTV_SYNTAX, OCI_DEFAULT));
    return engine_->check_result(
        f().OCIStmtExecute(engine_->service(), s, engine_->error(), 1, 0, nullptr, nullptr, mode));
  }
  int ora_error(const std::u16string& sql) {
    try {
      query(sql);
    } catch (const ora_exception& e) {
      return e.ora_number();
    }
    return 0;
  }
  // First column of every row, as text.
  std::vector<std::string> column(const std::u16string& sql) {
    ora_stmt s;
    std::vector<char16_t> buf(2048);
    sb2 ind = 0;
    OCIDefine* d = nullptr;
    engine_->check_result(
        f().OCIStmtPrepare(s, engine_->error(), t(sql), len(sql), OCI_NTV_SYNTAX, OCI_DEFAULT));
    engine_->check_result(f().OCIDefineByPos(s, &d, engine_->error(), 1, buf.data(), 4096, SQLT_STR,
                                             &ind, nullptr, nullptr, OCI_DEFAULT));
    std::vector<std::string> out;
    sword rc = engine_->check_result(f().OCIStmtExecute(engine_->service(), s, engine_->error(), 1,
                                                        0, nullptr, nullptr, OCI_DEFAULT));
    while (rc == OCI_SUCCESS || rc == OCI_SUCCESS_WITH_INFO) {
      out.push_back(ind == OCI_IND_NULL ? "(null)" : tsl::text::utf16_to_utf8(buf.data()));
      rc = f().OCIStmtFetch(s, engine_->error(), 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    }
    return out;
  }
  std::u16string insert_returning_rowid(ora_stmt& s, const std::u16string& sql) {
    rowid_holder h;
    OCIBind* bind = nullptr;
    std::u16string text = sql + u") RETURNING ROWID INTO :1";
    std::u16string ph = u":1";
    engine_->check_result(
        f().OCIStmtPrepare(s, engine_->error(), t(text), len(text), OCI_NTV_SYNTAX, OCI_DEFAULT));
    engine_->check_result(f().OCIBindByName(s, &bind, engine_->error(), t(ph), 4, h.buffer, 512,
                                            SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr,
                                            OCI_DATA_AT_EXEC));
    engine_->check_result(f().OCIBindDynamic(bind, engine_->error(), &h, no_data, &h, get_data));
    engine_->check_result(f().OCIStmtExecute(engine_->service(), s, engine_->error(), 1, 0, nullptr,
                                             nullptr, OCI_COMMIT_ON_SUCCESS));
    return h.buffer;
  }
};

TEST_F(destination, TableCreationWithIdentityKeysAndIndexes) {
  query(
      u"CREATE TABLE \"ORDERS\" (\"OrderID\" NUMBER(11,0), \"Note\" VARCHAR2(200) DEFAULT 'n/a', "
      u"\"Body\" CLOB, "
      u"\"Code\" VARCHAR2(10) NOT NULL)");
  EXPECT_EQ(ora_error(u"CREATE TABLE \"ORDERS\" (\"X\" NUMBER)"), 955);
  query(
      u"CREATE SEQUENCE \"ORDERS_0\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 MINVALUE 1 "
      u"NOCYCLE NOCACHE ORDER");
  EXPECT_EQ(ora_error(u"CREATE SEQUENCE \"ORDERS_0\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 "
                      u"MINVALUE 1 NOCYCLE "
                      u"NOCACHE ORDER"),
            955);
  // The trigger names its column unquoted: OrderID folds to ORDERID, which the
  // table does not have, so it is created with errors and inserts fail.
  EXPECT_EQ(
      query(
          u"CREATE OR REPLACE TRIGGER ORDERS__TRIGGER BEFORE INSERT ON ORDERS FOR EACH ROW WHEN "
          u"(new.OrderID IS NULL) BEGIN select ORDERS_0.nextval into :new.OrderID from dual; END;"),
      OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(ora_error(u"INSERT /*+ APPEND */ INTO \"ORDERS\" VALUES(1, 'a', EMPTY_CLOB(), 'c')"),
            4098);
  query(u"DROP TRIGGER ORDERS__TRIGGER");
  query(u"ALTER TABLE \"ORDERS\" ADD CONSTRAINT \"PK_Orders\" PRIMARY KEY (\"OrderID\")");
  query(u"ALTER TABLE \"ORDERS\" ADD CONSTRAINT \"IX_Code\" UNIQUE (\"Code\")");
  EXPECT_EQ(ora_error(u"ALTER TABLE \"ORDERS\" ADD CONSTRAINT \"IX_Code2\" UNIQUE (\"Code\")"),
            2261);
  query(u"CREATE INDEX \"IX_Note\" ON \"ORDERS\" (\"Note\")");
  EXPECT_EQ(ora_error(u"CREATE INDEX \"IX_Note2\" ON \"ORDERS\" (\"Note\")"), 1408);
  EXPECT_EQ(ora_error(u"CREATE INDEX \"IX_Body\" ON \"ORDERS\" (\"Body\")"), 2327);
  EXPECT_EQ(column(u"SELECT a.constraint_name FROM user_cons_columns a, user_constraints b WHERE "
                   u"a.constraint_name=b.constraint_name AND b.constraint_type='P'"),
            (std::vector<std::string>{"PK_Orders"}));
  EXPECT_EQ(column(u"select index_name FROM user_indexes"),
            (std::vector<std::string>{"PK_Orders", "IX_Code", "IX_Note"}));
  EXPECT_EQ(column(u"select DATA_DEFAULT from USER_TAB_COLUMNS where table_name = 'ORDERS' and "
                   u"column_name = 'Note'"),
            (std::vector<std::string>{"'n/a'"}));
}

TEST_F(destination, RowInsertionWithLobsAndNullableChange) {
  query(
      u"CREATE TABLE \"Docs\" (\"ID\" NUMBER(11,0) NOT NULL, \"Title\" VARCHAR2(20) NOT NULL, "
      u"\"Body\" CLOB, "
      u"\"Pic\" BLOB)");
  ora_stmt reused;
  std::u16string rowid = insert_returning_rowid(
      reused, u"INSERT /*+ APPEND */ INTO \"Docs\" VALUES(1, 'first', EMPTY_CLOB(), EMPTY_BLOB()");
  ASSERT_EQ(rowid.size(), 18u);
  // The LOB phase: lock the row by its ROWID and write both values.
  {
    ora_stmt s;
    std::u16string sql =
        u"SELECT \"Body\", \"Pic\" FROM \"Docs\" WHERE ROWID='" + rowid + u"' FOR UPDATE";
    OCILobLocator* clob = nullptr;
    OCILobLocator* blob = nullptr;
    engine_->check_result(f().OCIDescriptorAlloc(engine_->env(), reinterpret_cast<void**>(&clob),
                                                 OCI_DTYPE_LOB, 0, nullptr));
    engine_->check_result(f().OCIDescriptorAlloc(engine_->env(), reinterpret_cast<void**>(&blob),
                                                 OCI_DTYPE_LOB, 0, nullptr));
    sb2 ind = 0;
    OCIDefine* d1 = nullptr;
    OCIDefine* d2 = nullptr;
    engine_->check_result(
        f().OCIStmtPrepare(s, engine_->error(), t(sql), len(sql), OCI_NTV_SYNTAX, OCI_DEFAULT));
    engine_->check_result(f().OCIDefineByPos(s, &d1, engine_->error(), 1, &clob, -1, SQLT_CLOB,
                                             &ind, nullptr, nullptr, OCI_DEFAULT));
    engine_->check_result(f().OCIDefineByPos(s, &d2, engine_->error(), 2, &blob, -1, SQLT_BLOB,
                                             &ind, nullptr, nullptr, OCI_DEFAULT));
    engine_->check_result(f().OCIStmtExecute(engine_->service(), s, engine_->error(), 1, 0, nullptr,
                                             nullptr, OCI_DEFAULT));
    std::u16string text = u"Größe ✓ O'Brien";
    ub4 amount = static_cast<ub4>(text.size());
    engine_->check_result(f().OCILobWrite(engine_->service(), engine_->error(), clob, &amount, 1,
                                          text.data(), len(text), OCI_ONE_PIECE, nullptr, nullptr,
                                          0, SQLCS_IMPLICIT));
    std::string bytes("\x00\xff\x10\x20", 4);
    amount = 4;
    engine_->check_result(f().OCILobWrite(engine_->service(), engine_->error(), blob, &amount, 1,
                                          bytes.data(), 4, OCI_ONE_PIECE, nullptr, nullptr, 0,
                                          SQLCS_IMPLICIT));
    f().OCIDescriptorFree(clob, OCI_DTYPE_LOB);
    f().OCIDescriptorFree(blob, OCI_DTYPE_LOB);
  }
  // The next INSERT commits the LOB phase; '' is NULL, so the column is
  // first made nullable.
  EXPECT_EQ(
      ora_error(u"INSERT /*+ APPEND */ INTO \"Docs\" VALUES(2, '', EMPTY_CLOB(), EMPTY_BLOB())"),
      1400);
  query(u"ALTER TABLE \"Docs\" MODIFY \"Title\" VARCHAR2(20) NULL", OCI_COMMIT_ON_SUCCESS);
  insert_returning_rowid(
      reused, u"INSERT /*+ APPEND */ INTO \"Docs\" VALUES(2, NULL, EMPTY_CLOB(), EMPTY_BLOB()");
  EXPECT_EQ(column(u"select \"Title\" from \"Docs\" order by \"ID\""),
            (std::vector<std::string>{"first", "(null)"}));
  EXPECT_EQ(column(u"select \"Body\" from \"Docs\" where \"ID\" = 1"),
            (std::vector<std::string>{"Größe ✓ O'Brien"}));
  EXPECT_EQ(column(u"select \"Pic\" from \"Docs\" where \"ID\" = 1"),
            (std::vector<std::string>{"00FF1020"}));
  EXPECT_EQ(engine_->get_records_cnt(u"Docs"), 2);
  // Dropping the table and its constraints.
  query(u"DROP TABLE \"Docs\" CASCADE CONSTRAINTS");
  EXPECT_EQ(column(u"select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and "
                   u"NESTED='NO' and IOT_TYPE "
                   u"IS NULL OR IOT_TYPE='IOT'"),
            std::vector<std::string>{});
}

TEST_F(destination, DescribeOnlyChecksUserQueries) {
  query(u"create table t (a number)");
  EXPECT_EQ(query(u"select a from t order by a", OCI_DESCRIBE_ONLY), OCI_SUCCESS);
  EXPECT_EQ(ora_error(u"select b from t"), 904);
  EXPECT_EQ(ora_error(u"select from t"), 936);
}

}  // namespace
