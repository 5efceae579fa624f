#include "embedded/oracle/tests/engine_fixture.h"

namespace tsl::eora::testing {
namespace {

using triggers = engine_test;

TEST_F(triggers, IdentityTriggerFillsTheColumnFromTheSequence) {
  exec("CREATE TABLE \"ORDERS\" (\"ID\" NUMBER(11,0), \"NAME\" VARCHAR2(10))");
  exec(
      "CREATE SEQUENCE \"ORDERS_0\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 MINVALUE 1 NOCYCLE "
      "NOCACHE ORDER");
  exec_result r = exec(
      "CREATE OR REPLACE TRIGGER ORDERS__TRIGGER BEFORE INSERT ON ORDERS FOR EACH ROW WHEN (new.ID "
      "IS NULL) BEGIN "
      "select ORDERS_0.nextval into :new.ID from dual; END;");
  EXPECT_FALSE(r.compile_error);
  exec("insert into orders (name) values ('a')");
  exec("insert into orders values (NULL, 'b')");
  exec("insert into orders values (100, 'c')");
  exec("insert into orders (name) values ('d')");
  EXPECT_EQ(rows("select id, name from orders order by name"),
            (std::vector<std::string>{"1|a", "2|b", "100|c", "3|d"}));
  EXPECT_EQ(rows("select sequence_name, min_value, max_value, increment_by, cycle_flag, "
                 "order_flag, cache_size, "
                 "last_number from user_sequences"),
            (std::vector<std::string>{"ORDERS_0|1|10000000000000000000000000000|1|N|Y|0|4"}));
  EXPECT_EQ(rows("select trigger_name, trigger_type, triggering_event, table_name, when_clause, "
                 "status from "
                 "user_triggers"),
            (std::vector<std::string>{
                "ORDERS__TRIGGER|BEFORE EACH ROW|INSERT|ORDERS|new.ID IS NULL|ENABLED"}));
  EXPECT_EQ(error_of("CREATE SEQUENCE \"ORDERS_0\" INCREMENT BY 1"), 955);
  exec(
      "CREATE SEQUENCE \"ORDERS_1\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 MINVALUE 1 NOCYCLE "
      "NOCACHE ORDER");
}

TEST_F(triggers, MixedCaseNamesLeaveTheTriggerUnusable) {
  exec("CREATE TABLE \"Orders\" (\"Id\" NUMBER(11,0))");
  exec("CREATE SEQUENCE \"Orders_0\" INCREMENT BY 1 START WITH 1");
  // The table name folds to ORDERS, which does not exist.
  EXPECT_EQ(
      error_of(
          "CREATE OR REPLACE TRIGGER Orders__TRIGGER BEFORE INSERT ON Orders FOR EACH ROW WHEN "
          "(new.Id IS NULL) BEGIN select Orders_0.nextval into :new.Id from dual; END;"),
      942);
  exec("CREATE TABLE \"T2\" (\"Id\" NUMBER(11,0))");
  // The sequence and column fold too: created with errors, and every insert fails.
  exec_result r = exec(
      "CREATE OR REPLACE TRIGGER T2__TRIGGER BEFORE INSERT ON T2 FOR EACH ROW WHEN (new.Id IS "
      "NULL) BEGIN select "
      "Orders_0.nextval into :new.Id from dual; END;");
  EXPECT_TRUE(r.compile_error);
  EXPECT_EQ(error_of("insert into t2 values (1)"), 4098);
  EXPECT_EQ(last_message_,
            "ORA-04098: trigger 'SCOTT.T2__TRIGGER' is invalid and failed re-validation");
  EXPECT_EQ(one("select status from user_objects where object_type = 'TRIGGER'"), "INVALID");
}

TEST_F(triggers, SequencesAndTheirLimits) {
  exec("create sequence s increment by 5 start with 10 maxvalue 20 minvalue 1");
  EXPECT_EQ(error_of("select s.currval from dual"), 8002);
  EXPECT_EQ(one("select s.nextval from dual"), "10");
  EXPECT_EQ(one("select s.nextval from dual"), "15");
  EXPECT_EQ(one("select s.currval from dual"), "15");
  EXPECT_EQ(one("select s.nextval from dual"), "20");
  EXPECT_EQ(error_of("select s.nextval from dual"), 8004);
  EXPECT_EQ(error_of("select nope.nextval from dual"), 2289);
  EXPECT_EQ(error_of("create sequence z increment by 0"), 4002);
  exec("drop sequence s");
  EXPECT_EQ(error_of("drop sequence s"), 2289);
}

TEST_F(triggers, LobLocatorsWriteAndRead) {
  exec("create table doc (id number, body clob, pic blob)");
  exec("insert into doc values (1, EMPTY_CLOB(), EMPTY_BLOB())", true);
  stmt_ptr st = s_->parse("select body, pic from doc where id = 1 for update");
  result_set rs = s_->query(static_cast<select_stmt&>(*st));
  ASSERT_EQ(rs.rows.size(), 1u);
  lob_ref body = rs.rows[0][0].lob, pic = rs.rows[0][1].lob;
  EXPECT_EQ(s_->lob_length(body), 0u);
  s_->lob_write(body, 1, "héllo wörld");
  s_->lob_write(body, 7, "W");
  s_->lob_write(pic, 3, std::string("\x01\x02", 2));
  s_->commit();
  EXPECT_EQ(s_->lob_read(body, 1, 100), "héllo Wörld");
  EXPECT_EQ(s_->lob_read(body, 2, 4), "éllo");
  EXPECT_EQ(s_->lob_length(body), 11u);
  EXPECT_EQ(s_->lob_read(pic, 1, 10), std::string("\0\0\x01\x02", 4));
  // Writing outside a transaction that locked the row is refused.
  EXPECT_THROW(s_->lob_write(body, 1, "x"), oracle_error);
  EXPECT_EQ(error_of("select * from doc where body = 'x'"), 932);
}

}  // namespace
}  // namespace tsl::eora::testing
