// The destination database against the embedded Oracle: the table list,
// creation with identity columns, keys and indexes, names, dropping, query
// checks and foreign keys.
#include "ORA/ora_database.h"

#include <typeinfo>

#include "ORA/ora_exception.h"
#include "ORA/tests/ora_fixture.h"

namespace {

using tables = ora_fixture;

TEST_F(tables, ListsTheSchemaExactly) {
  ora_execute(u"create table \"Mixed\" (a number)", OCI_DEFAULT);
  ora_execute(u"create table plain (a number)", OCI_DEFAULT);
  ora_database& db = open();
  EXPECT_TRUE(db.is_table_exist(u"Mixed"));
  EXPECT_TRUE(db.is_table_exist(u"PLAIN"));
  EXPECT_FALSE(db.is_table_exist(u"MIXED"));
  EXPECT_TRUE(db.delete_tab(u"Mixed"));
  EXPECT_FALSE(db.is_table_exist(u"Mixed"));
  EXPECT_EQ(ora_error(u"select * from \"Mixed\""), 942);
  EXPECT_THROW(db.delete_tab(u"Mixed"), tk_mail_assertion);
  EXPECT_THROW(db.get_table(u"plain", 1), tk_mail_assertion);
  EXPECT_TRUE(db.test_query(u"select a from plain order by a"));
  EXPECT_THROW(db.test_query(u"select b from plain"), ora_exception);
}

TEST_F(tables, OpenedByServiceNameOrHostAndPort) {
  ora_execute(u"create table t (a number)", OCI_DEFAULT);
  auto by_name = ora_open_db(u"ORCL", u"scott", u"tiger");
  EXPECT_EQ(by_name->name(), u"ORCL");
  EXPECT_TRUE(by_name->is_table_exist(u"T"));
  auto direct = ora_open_db(u"127.0.0.1", u"scott", u"tiger", u"1521");
  EXPECT_EQ(direct->name(), ora_engine::make_descriptor(u"127.0.0.1", u"1521"));
  EXPECT_TRUE(direct->is_table_exist(u"T"));
}

TEST_F(tables, OldServersListEveryTable) {
  tsl::eora::create_database("OLD", 1522, "7.3");
  tsl::eora::create_user("OLD", "scott", "tiger");
  engine_->logon(u"OLD", u"scott", u"tiger");
  ora_execute(u"create table t (a number)", OCI_DEFAULT);
  ora_database& db = open();
  EXPECT_EQ(db.table_names(), std::vector<std::u16string>{u"T"});
}

TEST_F(tables, CreateTableWritesTypesDefaultsAndNotNull) {
  ora_database& db = open();
  udb_schema fields;
  fields.add(field(u"OrderID", VT_I4, 0, true));
  fields.add(field(u"Note", VT_BSTR, 200, true, ole_variant(u"n/a")));
  fields.add(field(u"Body", VT_BSTR, 0, true, ole_variant(u"x")));
  fields.add(field(u"Order Date", VT_DATE));
  auto t = db.create_table(u"Orders", fields, udb_indexes());
  EXPECT_EQ(column(u"select DATA_TYPE from USER_TAB_COLUMNS where table_name = 'Orders'"),
            (std::vector<std::u16string>{u"NUMBER", u"VARCHAR2", u"CLOB", u"DATE"}));
  EXPECT_EQ(column(u"select NULLABLE from USER_TAB_COLUMNS where table_name = 'Orders'"),
            (std::vector<std::u16string>{u"N", u"N", u"Y", u"Y"}));
  EXPECT_EQ(t->schema()[1].size(), 200u);
  EXPECT_EQ(t->schema()[1].default_value().to_wstring(), u"n/a");
  // The name Oracle refuses was replaced and remembered.
  EXPECT_EQ(t->schema()[3].name(), u"Order_Date");
  EXPECT_EQ(db.get_fn_mapped_name_ex(u"Orders", u"Order Date"), u"Order_Date");
  EXPECT_EQ(db.get_fn_mapped_name_ex(u"Orders", u"Note"), u"Note");
  EXPECT_TRUE(db.is_table_exist(u"Orders"));
  EXPECT_THROW(db.create_table(u"Orders", fields, udb_indexes()), tk_mail_assertion);
}

TEST_F(tables, UpperCaseOptionAndNameLookups) {
  ora_database& db = open(true);
  udb_schema fields;
  fields.add(field(u"Id", VT_I4));
  fields.add(field(u"Name", VT_BSTR, 10));
  db.names_map().add_tn_mapping(u"CUSTOMERS", u"CUSTOMERS");
  db.create_table(u"CUSTOMERS", fields, udb_indexes());
  EXPECT_EQ(column(u"select COLUMN_NAME from USER_TAB_COLUMNS where table_name = 'CUSTOMERS'"),
            (std::vector<std::u16string>{u"ID", u"NAME"}));
  EXPECT_EQ(db.get_tn_mapped_name_ex(u"Customers"), u"CUSTOMERS");
  EXPECT_EQ(db.get_fn_mapped_name_ex(u"Customers", u"name"), u"NAME");
  db.set_upper_case(false);
  // Without the option a name that differs in case is found on a second look.
  db.names_map().add_tn_mapping(u"Customers", u"CUSTOMERS");
  EXPECT_EQ(db.get_tn_mapped_name_ex(u"Customers"), u"CUSTOMERS");
  EXPECT_EQ(db.get_tn_mapped_name_ex(u"customers"), u"CUSTOMERS");
}

TEST_F(tables, IdentityColumnGetsASequenceAndAWorkingTrigger) {
  ora_execute(u"CREATE SEQUENCE \"Orders_0\" START WITH 1", OCI_DEFAULT);
  ora_database& db = open();
  udb_schema fields;
  fields.add(field(u"Id", VT_I4, 0, true, ole_variant(u"7"), 0, true));
  fields.add(field(u"Name", VT_BSTR, 20));
  auto t = db.create_table(u"Orders", fields, udb_indexes());
  // Created without NOT NULL and DEFAULT; the taken sequence name is passed.
  EXPECT_FALSE(t->schema()[0].is_not_null());
  EXPECT_TRUE(t->schema()[0].default_value().to_wstring().empty());
  EXPECT_EQ(column(u"select SEQUENCE_NAME from USER_SEQUENCES order by SEQUENCE_NAME"),
            (std::vector<std::u16string>{u"Orders_0", u"Orders_1"}));
  // The mixed-case names work in the trigger.
  ora_execute(u"insert into \"Orders\" (\"Name\") values ('a')", OCI_DEFAULT);
  EXPECT_EQ(column(u"select \"Id\" from \"Orders\""), std::vector<std::u16string>{u"1"});
  // A trigger that does not compile is only traced.
  EXPECT_NO_THROW(db.create_identity_trigger(u"Orders", u"Id", u"No_Such_Sequence"));
  EXPECT_EQ(ora_error(u"insert into \"Orders\" (\"Name\") values ('b')"), 4098);
}

TEST_F(tables, SequenceContinuesAboveCopiedIdentityValues) {
  ora_database& db = open();
  udb_schema fields;
  fields.add(field(u"Id", VT_I4, 0, false, ole_variant(), 0, true));
  fields.add(field(u"Name", VT_BSTR, 20));
  auto t = db.create_table(u"Copied", fields, udb_indexes());
  for (int id : {3, 41, 12}) {
    udb_record r;
    r.add(std::make_unique<udb_field>(u"Id", 0, ole_variant(id)));
    r.add(std::make_unique<udb_field>(u"Name", 20, ole_variant(u"x")));
    t->append_record(r);
  }
  db.continue_identity(u"Copied");
  ora_execute(u"insert into \"Copied\" (\"Name\") values ('new')", OCI_DEFAULT);
  EXPECT_EQ(column(u"select \"Id\" from \"Copied\" where \"Name\" = 'new'"),
            std::vector<std::u16string>{u"42"});
  // Nothing to do for a table without an identity sequence.
  db.continue_identity(u"Elsewhere");
}

TEST_F(tables, LongTableNameKeepsItsIdentity) {
  ora_database& db = open();
  const std::u16string name = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ_abc";  // 30 characters
  udb_schema fields;
  fields.add(field(u"Id", VT_I4, 0, false, ole_variant(), 0, true));
  fields.add(field(u"V", VT_I4));
  db.create_table(name, fields, udb_indexes());
  ora_execute(u"insert into \"" + name + u"\" (\"V\") values (1)", OCI_DEFAULT);
  EXPECT_EQ(column(u"select \"Id\" from \"" + name + u"\""), std::vector<std::u16string>{u"1"});
}

TEST_F(tables, InsufficientPrivilegesForSequences) {
  tsl::eora::revoke_privilege("ORCL", "scott", tsl::eora::privilege::create_sequence);
  ora_database& db = open();
  udb_schema fields;
  fields.add(field(u"Id", VT_I4, 0, false, ole_variant(), 0, true));
  fields.add(field(u"Name", VT_BSTR, 20));
  try {
    db.create_table(u"Counted", fields, udb_indexes());
    FAIL() << "created an identity table without CREATE SEQUENCE";
  } catch (const tk_exception& e) {
    // A plain error of this one table, not an Oracle error.
    EXPECT_EQ(typeid(e), typeid(tk_exception));
    EXPECT_EQ(e.severity(), 0);
    EXPECT_STREQ(e.what(),
                 "Insufficient privileges to create sequence.\nAuto increment will not be "
                 "converted.");
  }
  // The table stays, without a sequence or trigger to fill its identity.
  EXPECT_EQ(column(u"select TABLE_NAME from USER_TABLES"), std::vector<std::u16string>{u"Counted"});
  EXPECT_TRUE(column(u"select SEQUENCE_NAME from USER_SEQUENCES").empty());
  EXPECT_TRUE(column(u"select TRIGGER_NAME from USER_TRIGGERS").empty());
  ora_execute(u"insert into \"Counted\" (\"Id\", \"Name\") values (7, 'x')", OCI_DEFAULT);
  EXPECT_EQ(column(u"select \"Id\" from \"Counted\""), std::vector<std::u16string>{u"7"});
  // Nothing was remembered to continue.
  db.continue_identity(u"Counted");
}

TEST_F(tables, KeysAndIndexes) {
  ora_execute(u"create table other (a number, b number, constraint \"PK_Other\" primary key (b))",
              OCI_DEFAULT);
  ora_execute(u"create index \"IX_Taken\" on other (a)", OCI_DEFAULT);
  ora_database& db = open();
  udb_schema fields;
  fields.add(field(u"A", VT_I4, 0, true));
  fields.add(field(u"B", VT_I4, 0, true));
  fields.add(field(u"Text", VT_BSTR, 0));
  fields.add(field(u"C", VT_I4));
  udb_indexes ix;
  ix.add(udb_index(u"PRIMARY", true, true, {u"A", u"B"}));
  ix.add(udb_index(u"UQ_BA", true, false, {u"B", u"A"}));        // equal to the key: skipped
  ix.add(udb_index(u"UQ_B", true, false, {u"B"}));               // a subset: created
  ix.add(udb_index(u"IX_Text", false, false, {u"C", u"Text"}));  // a CLOB: dropped whole
  ix.add(udb_index(u"IX_Taken", false, false, {u"C"}));          // a schema name: renamed
  ix.add(udb_index(u"IX_C2", false, false, {u"C"}));             // 1408: passed over
  ix.add(udb_index(u"UQ_B2", true, false, {u"B"}));              // 2261: passed over
  ix.add(udb_index(u"PK_Other", false, false, {u"A"}));          // a schema key name: renamed
  auto t = db.create_table(u"Keys", fields, ix);
  EXPECT_EQ(column(u"select CONSTRAINT_NAME from USER_CONSTRAINTS where TABLE_NAME = 'Keys' and "
                   u"CONSTRAINT_TYPE in ('P', 'U') order by CONSTRAINT_NAME"),
            (std::vector<std::u16string>{u"PRIMARY00000", u"UQ_B"}));
  EXPECT_EQ(
      column(u"select INDEX_NAME from USER_INDEXES where TABLE_NAME = 'Keys' and "
             u"GENERATED = 'N' order by INDEX_NAME"),
      (std::vector<std::u16string>{u"IX_Taken00000", u"PK_Other00000", u"PRIMARY00000", u"UQ_B"}));
  // Names given in the run stay taken for later tables.
  EXPECT_FALSE(indexes_->is_acceptable(u"UQ_B"));
  EXPECT_FALSE(indexes_->is_acceptable(u"IX_Taken00000"));
  EXPECT_FALSE(indexes_->is_acceptable(u"pk_other"));
  // Read back with its keys.
  auto back = db.get_table(u"Keys", 1);
  ASSERT_GE(back->indexes().size(), 2u);
  EXPECT_TRUE(back->indexes()[0].is_primary());
  EXPECT_EQ(back->indexes()[0].fields(), (std::vector<std::u16string>{u"A", u"B"}));
}

TEST_F(tables, ForeignKeys) {
  ora_database& db = open();
  udb_schema parent;
  parent.add(field(u"Id", VT_I4, 0, true));
  parent.add(field(u"Code", VT_I4));
  udb_indexes key;
  key.add(udb_index(u"PK_Parent", true, true, {u"Id"}));
  db.create_table(u"Parent", parent, key);
  udb_schema child;
  child.add(field(u"Id", VT_I4, 0, true));
  child.add(field(u"Parent Id", VT_I4));
  child.add(field(u"Code", VT_I4));
  db.create_table(u"Child", child, udb_indexes());
  db.names_map().add_tn_mapping(u"Parent", u"Parent");
  db.names_map().add_tn_mapping(u"Child", u"Child");
  ora_execute(u"insert into \"Parent\" values (1, 5)", OCI_COMMIT_ON_SUCCESS);
  ora_execute(u"insert into \"Child\" values (1, 1, 6)", OCI_COMMIT_ON_SUCCESS);
  udb_relationships rels;
  rels.add(udb_relationship(u"FK_1", u"", u"Child", u"Parent", {u"Parent Id"}, {u"Id"},
                            u"  on delete cascade "));
  rels.add(udb_relationship(u"FK_2", u"", u"Child", u"Parent", {u"Code"}, {u"Code"}, u""));
  rels.add(udb_relationship(u"FK_3", u"", u"Missing", u"Parent", {u"Code"}, {u"Code"}, u""));
  std::vector<std::u16string> contexts;
  std::vector<int> numbers;
  db.set_fk_error_handler([&](const tk_exception& e, const std::u16string& context) {
    contexts.push_back(context);
    numbers.push_back(static_cast<int>(e.system_error() & 0xFFFF));
  });
  db.create_relationships(rels);
  // The key serves the first; a unique constraint is made for the second,
  // whose orphan row reaches the handler; the third names no table.
  EXPECT_EQ(contexts, std::vector<std::u16string>{u"Foreign key 'FK_2'"});
  EXPECT_EQ(numbers, std::vector<int>{2298});
  EXPECT_EQ(column(u"select CONSTRAINT_NAME from USER_CONSTRAINTS where TABLE_NAME = 'Parent' "
                   u"and CONSTRAINT_TYPE = 'U'"),
            std::vector<std::u16string>{u"Parent_UI"});
  EXPECT_EQ(column(u"select DELETE_RULE from USER_CONSTRAINTS where TABLE_NAME = 'Child' and "
                   u"CONSTRAINT_TYPE = 'R'"),
            std::vector<std::u16string>{u"CASCADE"});
  // Read back, the parent knows the key that references it.
  auto p = db.get_table(u"Parent", 1);
  const udb_relationships& refs = static_cast<ora_table&>(*p).relationships();
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].table(), u"Child");
  EXPECT_EQ(refs[0].fields(), std::vector<std::u16string>{u"Parent_Id"});
  EXPECT_EQ(refs[0].referenced_fields(), std::vector<std::u16string>{u"Id"});
  EXPECT_EQ(refs[0].delete_rule(), u"ON DELETE CASCADE");
}

}  // namespace
