// Insertion and reading as a real Oracle client requires them, through the
// embedded client that is as strict: rows with large values one after the
// other, CLOB lengths in UTF-16 code units, NCLOB columns, a row that
// commits with its large values or not at all, text too long for a literal,
// and the client's failures made clear errors.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

#include "ORA/ora_exception.h"
#include "ORA/ora_table.h"
#include "ORA/tests/ora_fixture.h"
#include "UDB/udb_record.h"

extern char** environ;

namespace {

class client_rules : public ora_fixture {
 protected:
  static void add(udb_record& r, const char16_t* name, const ole_variant& v) {
    r.add(std::make_unique<udb_field>(name, 0, v));
  }
  static udb_record row(int id, const ole_variant& value) {
    udb_record r;
    add(r, u"ID", ole_variant(id));
    add(r, u"V", value);
    return r;
  }
  // Column 2 of every row of a table, read back through ora_table, by ID.
  std::vector<std::u16string> values(const std::u16string& table) {
    auto t = db_->get_table(table, 1);
    std::vector<std::u16string> out;
    while (!t->is_eof()) {
      out.push_back((*t->get_item())[1].to_wstring());
      t->next();
    }
    return out;
  }
};

std::u16string emoji_text(size_t n) {
  std::u16string text;
  for (size_t i = 0; i < n; ++i) text += i % 3 == 0 ? u"\U0001F600" : u"x\u00e9";
  return text;
}

TEST_F(client_rules, RowsWithLargeValuesOneAfterTheOther) {
  ora_execute(u"create table \"DOCS\" (\"ID\" number(10), \"V\" clob)", OCI_DEFAULT);
  ora_database& db = open();
  auto t = db.get_table(u"DOCS", 1);
  for (int i = 1; i <= 3; ++i) {
    udb_record r = row(i, ole_variant(u"text " + std::u16string(1, u'0' + i)));
    t->append_record(r);
  }
  EXPECT_EQ(column(u"select \"V\" from \"DOCS\" order by \"ID\""),
            (std::vector<std::u16string>{u"text 1", u"text 2", u"text 3"}));
}

TEST_F(client_rules, ClobsOutsideTheBmpReadBackWhole) {
  ora_execute(u"create table \"DOCS\" (\"ID\" number(10), \"V\" clob, \"N\" nclob)", OCI_DEFAULT);
  ora_database& db = open();
  auto t = db.get_table(u"DOCS", 1);
  // Past one read chunk, with pairs across the chunk boundaries; an NCLOB
  // of an existing table as well.
  std::u16string big = emoji_text(30001), small = u"\U0001F600";
  for (int i = 1; i <= 2; ++i) {
    udb_record r = row(i, ole_variant(i == 1 ? big : small));
    add(r, u"N", ole_variant(i == 1 ? small : big));
    t->append_record(r);
  }
  auto back = db.get_table(u"DOCS", 1);
  for (int i = 1; i <= 2; ++i) {
    ASSERT_FALSE(back->is_eof());
    udb_record* got = back->get_item();
    EXPECT_TRUE((*got)[1].to_wstring() == (i == 1 ? big : small)) << i;
    EXPECT_TRUE((*got)[2].to_wstring() == (i == 1 ? small : big)) << i;
    back->next();
  }
  EXPECT_EQ(column(u"select length(\"V\") || ',' || length(\"N\") from \"DOCS\" order by \"ID\""),
            (std::vector<std::u16string>{u"60002,2", u"2,60002"}));
}

TEST_F(client_rules, TextTooLongForALiteralArrivesWhole) {
  ora_execute(
      u"create table \"LONGTEXT\" (\"ID\" number(10), \"V\" nvarchar2(2000), \"W\" varchar2(4000))",
      OCI_DEFAULT);
  ora_database& db = open();
  auto t = db.get_table(u"LONGTEXT", 1);
  // 2000 characters of three bytes (6000 bytes), with apostrophes; and a
  // VARCHAR2 value at its limit of 4000 bytes, which a literal still holds.
  std::u16string euros(2000, u'\u20ac');
  euros[0] = euros[1999] = u'\'';
  std::u16string at_limit(3999, u'y');
  at_limit[5] = u'\'';
  udb_record r = row(1, ole_variant(euros));
  add(r, u"W", ole_variant(at_limit));
  t->append_record(r);
  std::u16string both(2000, u'\u00e9');
  udb_record s = row(2, ole_variant(both));
  add(s, u"W", ole_variant(both));
  t->append_record(s);
  EXPECT_EQ(column(u"select \"V\" from \"LONGTEXT\" order by \"ID\""),
            (std::vector<std::u16string>{euros, both}));
  EXPECT_EQ(column(u"select \"W\" from \"LONGTEXT\" order by \"ID\""),
            (std::vector<std::u16string>{at_limit, both}));
}

// In a child: inserts a row with a large value and dies in the middle of
// writing it. The parent then finds no trace of the row.
TEST_F(client_rules, RowKilledBeforeItsLargeValuesIsNotThere) {
  ora_execute(u"create table \"DOCS\" (\"ID\" number(10), \"V\" clob)", OCI_DEFAULT);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e)
    if (std::string(*e).rfind("GTEST_", 0) != 0) env.push_back(*e);
  env.push_back("TSL_KILL_CHILD_DATA=" + dir_.path());
  std::vector<char*> envp;
  for (std::string& kv : env) envp.push_back(kv.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=client_rules_child.*";
  char* argv[] = {self.data(), filter.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 77) << "the child did not reach the LOB write";
  EXPECT_EQ(engine_->get_records_cnt(u"DOCS"), 0);
}

sword die_in_lob_write(OCISvcCtx*, OCIError*, OCILobLocator*, ub4*, ub4, void*, ub4, ub1, void*,
                       OCICallbackLobWrite, ub2, ub1) {
  std::_Exit(77);
}

// Runs only in the child of the test above, on its parent's database.
class client_rules_child : public client_rules {
 protected:
  void SetUp() override {
    const char* data = std::getenv("TSL_KILL_CHILD_DATA");
    if (data == nullptr) GTEST_SKIP() << "run by its parent only";
    setenv("TSL_ORACLE_DATA", data, 1);
    setenv("TSL_ORACLE_CLIENT", "embedded", 1);
    engine_ = std::make_unique<ora_engine>();
    engine_->logon(u"ORCL", u"scott", u"tiger");
  }
};

TEST_F(client_rules_child, DiesWritingALargeValue) {
  ora_database& db = open();
  auto t = db.get_table(u"DOCS", 1);
  // The process ends inside the client's LOB write, as a killed run would.
  const_cast<tsl::oci::api&>(engine_->oci()).OCILobWrite = die_in_lob_write;
  udb_record r = row(1, ole_variant(u"never written"));
  t->append_record(r);
  FAIL() << "the LOB write returned";
}

TEST_F(client_rules, BinaryFloatingColumnsOfAnExistingTableReadBack) {
  ora_execute(u"create table \"F\" (\"ID\" number(10), \"V\" binary_double, \"W\" binary_float)",
              OCI_DEFAULT);
  ora_execute(u"insert into \"F\" values (1, 0.1, 0.5)", OCI_COMMIT_ON_SUCCESS);
  ora_database& db = open();
  auto t = db.get_table(u"F", 1);
  EXPECT_EQ(t->schema()[1].vartype(), VT_R8);
  EXPECT_EQ(t->schema()[2].vartype(), VT_R4);
  udb_record r = row(2, ole_variant(2.5));
  add(r, u"W", ole_variant(-0.25f));
  t->append_record(r);
  auto back = db.get_table(u"F", 1);
  std::vector<std::pair<double, double>> got;
  while (!back->is_eof()) {
    udb_record* rec = back->get_item();
    EXPECT_EQ((*rec)[1].vartype(), VT_R8);
    got.emplace_back((*rec)[1].to_double(), (*rec)[2].to_double());
    back->next();
  }
  EXPECT_EQ(got, (std::vector<std::pair<double, double>>{{0.1, 0.5}, {2.5, -0.25}}));
}

TEST_F(client_rules, ColumnNamedRowidGetsASafeName) {
  ora_database& db = open();
  udb_schema fields;
  fields.add(field(u"ROWID", VT_I4));
  fields.add(field(u"rowid2", VT_I4));
  auto t = db.create_table(u"R", fields, udb_indexes());
  EXPECT_NE(t->schema()[0].name(), u"ROWID");
  udb_record r;
  add(r, u"ROWID", ole_variant(1));
  add(r, u"rowid2", ole_variant(2));
  t->append_record(r);
  EXPECT_EQ(engine_->get_records_cnt(u"R"), 1);
}

// A client that reports the RETURNING length in characters without the
// terminator, where the embedded one counts bytes with it.
namespace chars_client {
decltype(&OCIBindDynamic) real_bind_dynamic = nullptr;
decltype(&OCIStmtExecute) real_execute = nullptr;
OCICallbackOutBind real_out = nullptr;
ub4* returned_length = nullptr;

sb4 out(void* ctx, OCIBind* bind, ub4 iter, ub4 index, void** buffer, ub4** length, ub1* piece,
        void** indicator, ub2** rcode) {
  sb4 rc = real_out(ctx, bind, iter, index, buffer, length, piece, indicator, rcode);
  returned_length = *length;
  return rc;
}
sword bind_dynamic(OCIBind* bind, OCIError* err, void* ictx, OCICallbackInBind in, void* octx,
                   OCICallbackOutBind o) {
  real_out = o;
  return real_bind_dynamic(bind, err, ictx, in, octx, &out);
}
sword execute(OCISvcCtx* svc, OCIStmt* stmt, OCIError* err, ub4 iters, ub4 rowoff,
              const OCISnapshot* in, OCISnapshot* snap, ub4 mode) {
  returned_length = nullptr;
  sword rc = real_execute(svc, stmt, err, iters, rowoff, in, snap, mode);
  if (returned_length != nullptr && *returned_length >= 2)
    *returned_length = (*returned_length - 2) / 2;
  return rc;
}
}  // namespace chars_client

TEST_F(client_rules, RowidReadWhateverUnitTheClientCounts) {
  ora_execute(u"create table \"DOCS\" (\"ID\" number(10), \"V\" clob)", OCI_DEFAULT);
  ora_database& db = open();
  auto t = db.get_table(u"DOCS", 1);
  auto& api = const_cast<tsl::oci::api&>(engine_->oci());
  chars_client::real_bind_dynamic = api.OCIBindDynamic;
  chars_client::real_execute = api.OCIStmtExecute;
  api.OCIBindDynamic = chars_client::bind_dynamic;
  api.OCIStmtExecute = chars_client::execute;
  udb_record r = row(1, ole_variant(u"found by its ROWID"));
  t->append_record(r);
  EXPECT_EQ(column(u"select \"V\" from \"DOCS\""),
            std::vector<std::u16string>{u"found by its ROWID"});
}

// The handles the engine frees, in order.
namespace freeing {
decltype(&OCIHandleFree) real_free = nullptr;
std::vector<ub4> freed;
sword handle_free(void* handle, ub4 type) {
  freed.push_back(type);
  return real_free(handle, type);
}
}  // namespace freeing

TEST_F(client_rules, ErrorHandleOutlivesEveryCallThatReportsThroughIt) {
  auto& api = const_cast<tsl::oci::api&>(engine_->oci());
  freeing::real_free = api.OCIHandleFree;
  freeing::freed.clear();
  api.OCIHandleFree = freeing::handle_free;
  engine_.reset();
  // Only the environment goes after the error handle.
  ASSERT_GE(freeing::freed.size(), 2u);
  EXPECT_EQ(freeing::freed[freeing::freed.size() - 2], OCI_HTYPE_ERROR);
  EXPECT_EQ(freeing::freed.back(), OCI_HTYPE_ENV);
}

TEST_F(client_rules, ClientStatusesOtherThanSuccessAreErrors) {
  EXPECT_EQ(engine_->check_result(OCI_SUCCESS_WITH_INFO), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(engine_->check_result(OCI_NO_DATA), OCI_NO_DATA);
  for (sword status : {OCI_INVALID_HANDLE, OCI_NEED_DATA, OCI_STILL_EXECUTING}) {
    try {
      engine_->check_result(status);
      FAIL() << status;
    } catch (const ora_exception&) {
      FAIL() << "an OCI_ERROR for " << status;
    } catch (const tk_exception& e) {
      EXPECT_EQ(e.severity(), 2);
    }
  }
}

}  // namespace
