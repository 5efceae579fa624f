// The statements around the tables in generated scripts: conditional drops,
// blocks, variables, messages, options and the modules kept as text.
#include <sstream>

#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class script_statements_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->on_message = [this](const std::string& m) { messages_.push_back(m); };
    s_->run_script("CREATE TABLE [dbo].[t] ([id] int NOT NULL PRIMARY KEY, [v] money NULL)");
  }
  std::vector<std::string> messages_;
};

TEST_F(script_statements_test, ConditionalDropsFollowTheCatalogue) {
  s_->run_script(
      "IF EXISTS (SELECT * FROM sys.objects WHERE object_id = OBJECT_ID(N'[dbo].[gone]') AND "
      "type in (N'U'))\nDROP TABLE [dbo].[gone]\nGO\n"
      "IF OBJECT_ID('dbo.t', 'U') IS NOT NULL DROP TABLE dbo.t\n"
      "IF OBJECT_ID('dbo.t', 'U') IS NULL CREATE TABLE dbo.t (id int)\n"
      "IF NOT EXISTS (SELECT * FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = 'u')\n"
      "BEGIN\n  CREATE TABLE u (a int)\n  PRINT 'made u'\nEND\nELSE PRINT 'u was there'\n");
  EXPECT_EQ(messages_, std::vector<std::string>{"made u"});
  EXPECT_EQ(one("SELECT count(*) FROM t"), "0");
  s_->run_script(
      "IF EXISTS (SELECT 1 FROM u) PRINT 'rows' ELSE PRINT 'empty'\n"
      "IF DB_ID(N'shop') IS NOT NULL PRINT 'shop'\n"
      "IF EXISTS (SELECT name FROM sys.databases WHERE name = N'nowhere') PRINT 'x'");
  EXPECT_EQ(messages_, (std::vector<std::string>{"made u", "empty", "shop"}));
  // Other conditions are worked out; one that cannot be fails, never taken as false.
  s_->run_script(
      "DECLARE @n int = (SELECT COUNT(*) FROM u)\n"
      "IF @n = 0 AND @@VERSION LIKE '%SQL%' PRINT 'none' ELSE PRINT 'some'\n"
      "IF (SELECT COUNT(*) FROM t) >= @n PRINT 'ge'\n");
  EXPECT_EQ(messages_, (std::vector<std::string>{"made u", "empty", "shop", "none", "ge"}));
  EXPECT_EQ(error_of("IF (SELECT COUNT(*) FROM nowhere) > 0 PRINT 'x'"), 208);
}

TEST_F(script_statements_test, ErrorsArePlacedAfterCommentedBatches) {
  std::istringstream script(
      "/* old version\nGO\nDROP TABLE t\nGO\n*/\nINSERT t VALUES (1, 0)\n"
      "INSERT t VALUES (1, 0)\nGO\nINSERT t VALUES (2, 0)\nSELECT * FROM nowhere\n");
  std::vector<std::pair<int, int>> where;
  const int errors = s_->run_script(
      script, [](result_set&) {},
      [&](const session::script_error& e) {
        where.emplace_back(e.batch_line, e.line);
        return true;
      });
  EXPECT_EQ(errors, 2);
  EXPECT_EQ(where, (std::vector<std::pair<int, int>>{{1, 7}, {9, 10}}));
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "2");
  // A script with CRLF line ends keeps the CR inside a string that spans lines.
  s_->run_script("CREATE TABLE s (v nvarchar(20))\r\nGO\r\nINSERT s VALUES (N'a\r\nb')\r\nGO\r\n");
  EXPECT_EQ(one("SELECT DATALENGTH(v) FROM s"), "8");
}

TEST_F(script_statements_test, DateformatOrdersNumericDates) {
  s_->run_script(
      "CREATE TABLE d (id int, v datetime)\nSET DATEFORMAT dmy\n"
      "INSERT d VALUES (1, '05/12/2001'), (2, '2001-12-05 10:00'), (3, '25.12.01')\n");
  EXPECT_EQ(rows("SELECT v FROM d ORDER BY id"),
            (std::vector<std::vector<std::string>>{
                {"2001-12-05 00:00:00"}, {"2001-12-05 10:00:00"}, {"2001-12-25 00:00:00"}}));
  // It lasts for the session, across batches, until set again.
  EXPECT_EQ(one("SELECT CAST('13/01/2001' AS date)"), "2001-01-13");
  s_->run_script("SET DATEFORMAT ymd");
  EXPECT_EQ(one("SELECT CAST('01/12/05' AS date)"), "2001-12-05");
  EXPECT_EQ(error_of("SET DATEFORMAT mdy\nSELECT CAST('13/01/2001' AS date)"), 241);
  EXPECT_EQ(error_of("SET DATEFORMAT xyz"), 2741);
}

TEST_F(script_statements_test, LoopsAndHandlers) {
  s_->run_script(
      "DECLARE @i int = 0\n"
      "WHILE @i < 10\nBEGIN\n  SET @i = @i + 1\n  IF @i % 2 = 0 CONTINUE\n"
      "  IF @i > 6 BREAK\n  INSERT t (id) VALUES (@i)\nEND\n");
  EXPECT_EQ(rows("SELECT id FROM t ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"1"}, {"3"}, {"5"}}));
  EXPECT_EQ(error_of("BREAK"), 135);
  EXPECT_EQ(error_of("IF 1 = 1 CONTINUE"), 136);

  // An error in TRY goes to CATCH with its number and text; the batch goes on.
  s_->run_script(
      "BEGIN TRY\n  INSERT t VALUES (1, 0)\n  PRINT 'not reached'\nEND TRY\n"
      "BEGIN CATCH\n  PRINT CAST(ERROR_NUMBER() AS varchar(10)) + ' ' + "
      "CAST(ERROR_SEVERITY() AS varchar(10))\nEND CATCH;\n"
      "PRINT ISNULL(ERROR_MESSAGE(), 'outside')\n"
      "BEGIN TRY PRINT 'fine' END TRY BEGIN CATCH PRINT 'no' END CATCH\n");
  EXPECT_EQ(messages_, (std::vector<std::string>{"2627 14", "outside", "fine"}));
  // BREAK inside TRY inside a loop leaves the loop; an error in a nested
  // TRY is handled by the innermost CATCH; ERROR_NUMBER() is the one being handled.
  s_->run_script(
      "DECLARE @i int = 0\n"
      "WHILE 1 = 1 BEGIN\n  SET @i = @i + 1\n"
      "  BEGIN TRY\n    IF @i = 3 BREAK\n"
      "    BEGIN TRY INSERT t VALUES (1, 0) END TRY\n"
      "    BEGIN CATCH PRINT 'inner ' + CAST(ERROR_NUMBER() AS varchar(10)) END CATCH\n"
      "    RAISERROR('outer', 16, 1)\n"
      "  END TRY\n"
      "  BEGIN CATCH PRINT ERROR_MESSAGE() END CATCH\n"
      "END\nPRINT 'done ' + CAST(@i AS varchar(10))\n");
  EXPECT_EQ(messages_, (std::vector<std::string>{"2627 14", "outside", "fine", "inner 2627",
                                                 "outer", "inner 2627", "outer", "done 3"}));
  // An error raised in CATCH is the statement's error.
  EXPECT_EQ(error_of("BEGIN TRY INSERT t VALUES (1, 0) END TRY\n"
                     "BEGIN CATCH RAISERROR('again', 16, 1) END CATCH"),
            50000);
}

TEST_F(script_statements_test, ReturnAndGotoSteerTheBatch) {
  // The job template of the server's tools: jump to the rollback on an error.
  std::istringstream script(
      "BEGIN TRANSACTION\nDECLARE @ReturnCode INT\nSET @ReturnCode = 0\n"
      "INSERT t VALUES (1, 0)\n"
      "IF (@@ERROR <> 0 OR @ReturnCode <> 0) GOTO QuitWithRollback\n"
      "INSERT t VALUES (1, 0)\n"
      "IF (@@ERROR <> 0 OR @ReturnCode <> 0) GOTO QuitWithRollback\n"
      "COMMIT TRANSACTION\nGOTO EndSave\nQuitWithRollback:\n"
      "    IF (@@TRANCOUNT > 0) ROLLBACK TRANSACTION\nEndSave:\nGO\n"
      "BEGIN TRAN\nINSERT t VALUES (2, 0)\nIF @@ERROR <> 0 GOTO Failed\nCOMMIT TRAN\n"
      "GOTO Done\nFailed: PRINT 'failed'\nDone: PRINT 'done'\nGO\n");
  std::vector<int> errors;
  s_->run_script(
      script, [](result_set&) {},
      [&](const session::script_error& e) {
        errors.push_back(e.error.number());
        return true;
      });
  // The rollback cannot undo what each statement committed: it says so.
  EXPECT_EQ(errors, (std::vector<int>{2627, 40000}));
  EXPECT_EQ(messages_, std::vector<std::string>{"done"});
  EXPECT_EQ(one("SELECT @@TRANCOUNT"), "0");
  EXPECT_EQ(one("SELECT COUNT(*) FROM t"), "2");

  // RETURN ends the batch, from inside blocks and loops too; the next batch runs.
  s_->run_script(
      "DECLARE @i int = 0\nWHILE 1 = 1 BEGIN\n  SET @i = @i + 1\n"
      "  IF @i = 3 BEGIN PRINT 'three' RETURN END\nEND\nPRINT 'not reached'\nGO\n"
      "PRINT 'next'\n");
  EXPECT_EQ(messages_, (std::vector<std::string>{"done", "three", "next"}));
  // A jump inside a block stays in it; a backward jump loops.
  s_->run_script(
      "DECLARE @n int = 0\nagain:\nSET @n = @n + 1\nIF @n < 3 GOTO again\n"
      "BEGIN\n  GOTO skip_to\n  PRINT 'skipped'\n  skip_to: PRINT 'n=' + CAST(@n AS varchar(5))\nEND\n");
  EXPECT_EQ(messages_.back(), "n=3");
  EXPECT_EQ(messages_.size(), 4u);

  EXPECT_EQ(error_of("GOTO nowhere"), 133);
  EXPECT_EQ(error_of("a:\nPRINT 1\nA:\n"), 132);
  EXPECT_EQ(error_of("COMMIT"), 3902);
  EXPECT_EQ(error_of("ROLLBACK TRAN"), 3903);
  EXPECT_EQ(error_of("BEGIN TRAN t1\nCOMMIT TRAN t1\nSELECT 1"), 0);
}

TEST_F(script_statements_test, VariablesLiveForOneBatch) {
  s_->run_script(
      "INSERT t VALUES (1, $20.00), (2, -$1.50)\n"
      "DECLARE @n int, @total money = (SELECT SUM(v) FROM t)\n"
      "SET @n = (SELECT MAX(id) FROM t) + 1\n"
      "INSERT t VALUES (@n, @total)\n");
  EXPECT_EQ(one("SELECT v FROM t WHERE id = 3"), "18.5");
  EXPECT_EQ(one("SELECT v FROM t WHERE id = 2"), "-1.5");
  EXPECT_EQ(error_of("SET @n = 1"), 137);
  EXPECT_EQ(error_of("DECLARE @a int\nDECLARE @a int"), 134);
  EXPECT_EQ(error_of("DECLARE @a int\nSET @a = (SELECT id FROM t)"), 512);
}

TEST_F(script_statements_test, OptionsMessagesAndProceduresWithoutEffect) {
  s_->run_script(
      "SET ANSI_NULLS ON\nSET QUOTED_IDENTIFIER ON\nSET ANSI_PADDING OFF\nSET DATEFORMAT ymd\n"
      "SET XACT_ABORT ON\nCHECKPOINT\nUPDATE STATISTICS dbo.t\n"
      "ALTER DATABASE [shop] SET RECOVERY SIMPLE, PAGE_VERIFY CHECKSUM WITH NO_WAIT\n"
      "EXEC sp_dboption N'shop', N'autoclose', N'false'\n"
      "EXEC dbo.sp_addextendedproperty @name = N'MS_Description', @value = N'x'\n"
      "GRANT SELECT ON dbo.t TO public\n"
      "RAISERROR ('loaded %d rows of %s', 0, 1, 3, 't') WITH NOWAIT\n");
  EXPECT_EQ(messages_, std::vector<std::string>{"loaded 3 rows of t"});
  std::string msg;
  EXPECT_EQ(error_of("RAISERROR (N'bad %s', 16, 2, N'thing')", &msg), 50000);
  EXPECT_EQ(msg, "bad thing");
  s_->run_script("EXEC sp_MSforeachtable 'ALTER TABLE ? NOCHECK CONSTRAINT ALL'");
}

TEST_F(script_statements_test, ModulesAreKeptAndDroppedByName) {
  s_->run_script(
      "CREATE VIEW [dbo].[v_t] AS\nSELECT id FROM t\nGO\n"
      "CREATE PROCEDURE dbo.p_t @id int AS\nBEGIN\n  SELECT * FROM t WHERE id = @id\nEND\nGO\n");
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0],
            "Warning: View 'dbo.v_t' is kept in the catalogue but this server does not run it.");
  EXPECT_EQ(error_of("CREATE VIEW v_t AS SELECT 1 AS one"), 2714);
  s_->run_script(
      "IF OBJECT_ID(N'dbo.v_t', N'V') IS NOT NULL DROP VIEW dbo.v_t\nGO\n"
      "CREATE OR ALTER PROCEDURE dbo.p_t AS SELECT 2\nGO\n"
      "DROP PROCEDURE IF EXISTS dbo.p_t\n");
  EXPECT_EQ(error_of("DROP VIEW v_t"), 3701);
  EXPECT_EQ(error_of("ALTER VIEW v_t AS SELECT 1 AS one"), 208);
}

TEST_F(script_statements_test, IdentifierLimitCountsCharacters) {
  std::string e128, e129;
  for (int i = 0; i < 128; ++i) e128 += "\xC3\xA9";
  e129 = e128 + "\xC3\xA9";
  EXPECT_EQ(error_of("CREATE TABLE [" + e128 + "] (a int)"), 0);
  std::string msg;
  EXPECT_EQ(error_of("CREATE TABLE [" + e129 + "] (a int)", &msg), 103);
  EXPECT_EQ(msg,
            "The identifier that starts with '" + e128 + "' is too long. Maximum length is 128.");
}

TEST_F(script_statements_test, AliasTypesResolveToTheirBase) {
  s_->run_script(
      "EXEC sp_addtype N'phone', N'varchar(24)', N'not null'\n"
      "CREATE TYPE [dbo].[flag] FROM [bit] NULL\n"
      "CREATE TABLE c (id int, p phone, f [dbo].[flag], q phone NULL)\n");
  EXPECT_EQ(error_of("INSERT c (id, f) VALUES (1, 1)"), 515);  // p takes the type's NOT NULL
  s_->run_script("INSERT c VALUES (1, '555-1234', NULL, NULL)");
  // The catalogue names the type as declared, with the base type's numbers.
  auto p = rows("EXEC sp_columns @table_name = 'c', @column_name = 'p'")[0];
  EXPECT_EQ(p[5], "phone");
  EXPECT_EQ(p[4], "12");
  EXPECT_EQ(p[6], "24");
  EXPECT_EQ(error_of("CREATE TABLE d (x nosuchtype)"), 2715);
  EXPECT_EQ(error_of("EXEC sp_addtype N'phone', N'int'"), 219);
  // Known after the database is opened again.
  s_.reset();
  srv_.reset();
  srv_ = server::open(dir_.path() + "/srv");
  login_request l;
  l.integrated = true;
  s_ = std::make_unique<session>(srv_, l);
  s_->run_script(
      "USE shop\nCREATE TABLE e (p phone)\nDROP TABLE e\n"
      "ALTER TABLE c ADD g flag");
  EXPECT_EQ(rows("EXEC sp_columns @table_name = 'c', @column_name = 'f'")[0][5], "flag");
  EXPECT_EQ(rows("EXEC sp_columns @table_name = 'c', @column_name = 'g'")[0][5], "flag");
  // A type in use stays.
  EXPECT_EQ(error_of("DROP TYPE flag"), 3732);
  s_->run_script("DROP TABLE c\nDROP TYPE flag");
  EXPECT_EQ(error_of("DROP TYPE flag"), 218);
}

}  // namespace
}  // namespace tsl::mssql::testing
