// ALTER TABLE as the scripts of SQL Server's tools use it: constraints added
// after the tables, checks turned off while rows load, columns changed.
#include "embedded/mssql/tests/server_fixture.h"

namespace tsl::mssql::testing {
namespace {

class alter_table_test : public server_fixture {
 protected:
  void SetUp() override {
    server_fixture::SetUp();
    s_->run_script(
        "CREATE TABLE [dbo].[parent]([id] [int] NOT NULL, [code] [varchar](10) NULL) ON [PRIMARY]\n"
        "CREATE TABLE [dbo].[child]([id] [int] NOT NULL, [parent_id] [int] NULL,\n"
        "  [qty] [smallint] NULL, [note] [varchar](5) NULL) ON [PRIMARY]\n");
  }

  std::vector<std::string> fk_rows() {
    std::vector<std::string> out;
    for (auto& r : rows_of(s_->execute("EXEC sp_fkeys @pktable_name = 'parent'")))
      out.push_back(r[11] + " " + r[7] + " upd=" + r[9] + " del=" + r[10]);
    return out;
  }
};

TEST_F(alter_table_test, KeysAddedAfterTheTablesHoldAndSurviveReopening) {
  s_->run_script(
      "ALTER TABLE [dbo].[parent] ADD CONSTRAINT [PK_parent] PRIMARY KEY CLUSTERED ([id] ASC)\n"
      "WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, IGNORE_DUP_KEY = OFF) ON [PRIMARY]\n"
      "ALTER TABLE [dbo].[parent] ADD CONSTRAINT [UQ_code] UNIQUE NONCLUSTERED ([code])\n"
      "ALTER TABLE [dbo].[child] WITH CHECK ADD CONSTRAINT [FK_child_parent] FOREIGN KEY\n"
      "([parent_id]) REFERENCES [dbo].[parent] ([id]) ON UPDATE CASCADE ON DELETE SET NULL\n"
      "ALTER TABLE [dbo].[child] CHECK CONSTRAINT [FK_child_parent]\n"
      "ALTER TABLE [dbo].[child] ADD CONSTRAINT [DF_child_qty] DEFAULT ((1)) FOR [qty]\n"
      "ALTER TABLE [dbo].[child] WITH CHECK ADD CONSTRAINT [CK_qty] CHECK (([qty]>(0)))\n");
  EXPECT_EQ(fk_rows(), std::vector<std::string>{"FK_child_parent parent_id upd=0 del=2"});
  s_->run_script("INSERT parent VALUES (1, 'a')\nINSERT child (id, parent_id) VALUES (10, 1)");
  EXPECT_EQ(one("SELECT qty FROM child"), "1");
  EXPECT_EQ(error_of("INSERT parent VALUES (1, 'b')"), 2627);
  EXPECT_EQ(error_of("INSERT parent VALUES (2, 'A')"), 2627);
  EXPECT_EQ(error_of("INSERT child (id, parent_id) VALUES (11, 7)"), 547);

  // Reopened, the server knows the same keys and default.
  s_.reset();
  srv_.reset();
  srv_ = server::open(dir_.path() + "/srv");
  login_request l;
  l.integrated = true;
  s_ = std::make_unique<session>(srv_, l);
  s_->run_script("USE shop");
  EXPECT_EQ(fk_rows(), std::vector<std::string>{"FK_child_parent parent_id upd=0 del=2"});
  EXPECT_EQ(error_of("INSERT child (id, parent_id) VALUES (11, 7)"), 547);
  s_->run_script("INSERT child (id) VALUES (12)");
  EXPECT_EQ(one("SELECT qty FROM child WHERE id = 12"), "1");
  EXPECT_EQ(error_of("ALTER TABLE parent ADD CONSTRAINT PK2 PRIMARY KEY (code)"), 1779);
  EXPECT_EQ(error_of("ALTER TABLE child ADD CONSTRAINT DF2 DEFAULT 2 FOR qty"), 1781);
  EXPECT_EQ(error_of("ALTER TABLE child ADD CONSTRAINT PKc PRIMARY KEY (parent_id)"), 8111);
  EXPECT_EQ(error_of("ALTER TABLE child ADD CONSTRAINT x FOREIGN KEY (nope) REFERENCES parent"),
            1911);
}

TEST_F(alter_table_test, RowsLoadChildrenFirstUnderNocheck) {
  s_->run_script(
      "ALTER TABLE parent ADD CONSTRAINT PK_parent PRIMARY KEY (id)\n"
      "ALTER TABLE child ADD CONSTRAINT FK_cp FOREIGN KEY (parent_id) REFERENCES parent (id)\n"
      "ALTER TABLE child NOCHECK CONSTRAINT ALL\n"
      "INSERT child VALUES (1, 5, 1, 'x')\n");
  // A disabled key stays disabled after the database is opened again.
  s_.reset();
  srv_.reset();
  srv_ = server::open(dir_.path() + "/srv");
  login_request l;
  l.integrated = true;
  s_ = std::make_unique<session>(srv_, l);
  s_->run_script("USE shop\nINSERT child VALUES (2, 6, 1, 'y')");
  // WITH CHECK looks at the rows already there; plain CHECK does not.
  EXPECT_EQ(error_of("ALTER TABLE child WITH CHECK CHECK CONSTRAINT ALL"), 547);
  EXPECT_EQ(error_of("INSERT child VALUES (3, 7, 1, 'z')"), 0);
  s_->run_script("INSERT parent VALUES (5, 'a'), (6, 'b'), (7, 'c')");
  s_->run_script("ALTER TABLE child WITH CHECK CHECK CONSTRAINT ALL");
  EXPECT_EQ(error_of("INSERT child VALUES (4, 8, 1, 'w')"), 547);
  // A key added WITH NOCHECK takes the rows there as they are.
  s_->run_script("ALTER TABLE child DROP CONSTRAINT FK_cp\nINSERT child VALUES (4, 9, 1, 'w')");
  EXPECT_EQ(error_of("ALTER TABLE child ADD CONSTRAINT FK_cp FOREIGN KEY (parent_id) "
                     "REFERENCES parent (id)"),
            547);
  EXPECT_EQ(error_of("ALTER TABLE child WITH NOCHECK ADD CONSTRAINT FK_cp FOREIGN KEY "
                     "(parent_id) REFERENCES parent (id)"),
            0);
  EXPECT_EQ(error_of("ALTER TABLE child NOCHECK CONSTRAINT nothing"), 4917);
}

TEST_F(alter_table_test, ColumnsAddedDroppedAndWidenedKeepTheRows) {
  s_->run_script(
      "ALTER TABLE parent ADD CONSTRAINT PK_parent PRIMARY KEY (id)\n"
      "INSERT parent VALUES (1, 'one'), (2, NULL)\n"
      "ALTER TABLE parent ADD flag bit NOT NULL CONSTRAINT DF_flag DEFAULT ((1)), extra int "
      "NULL\n");
  EXPECT_EQ(rows("SELECT id, code, flag, extra FROM parent ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"1", "one", "1", "<null>"},
                                                   {"2", "<null>", "1", "<null>"}}));
  EXPECT_EQ(error_of("ALTER TABLE parent ADD must int NOT NULL"), 4901);
  EXPECT_EQ(error_of("ALTER TABLE parent DROP COLUMN flag"), 5074);  // its default
  EXPECT_EQ(error_of("ALTER TABLE parent DROP COLUMN id"), 5074);    // the key
  s_->run_script("ALTER TABLE parent DROP COLUMN code\nALTER TABLE parent DROP CONSTRAINT DF_flag");
  s_->run_script("ALTER TABLE parent DROP COLUMN flag");
  EXPECT_EQ(rows("SELECT * FROM parent ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"1", "<null>"}, {"2", "<null>"}}));
  EXPECT_EQ(error_of("INSERT parent VALUES (1, 3)"), 2627);  // the key survived the rebuild
  EXPECT_EQ(error_of("ALTER TABLE parent DROP COLUMN nothing"), 4924);
  EXPECT_EQ(error_of("ALTER TABLE parent DROP COLUMN IF EXISTS nothing"), 0);

  s_->run_script("INSERT child VALUES (1, NULL, 300, 'abc')");
  s_->run_script(
      "ALTER TABLE child ALTER COLUMN note varchar(20) NULL\n"
      "ALTER TABLE child ALTER COLUMN qty int NOT NULL");
  s_->run_script("INSERT child VALUES (2, NULL, 100000, 'a longer note')");
  EXPECT_EQ(error_of("INSERT child (id, note) VALUES (3, 'x')"), 515);
  EXPECT_EQ(error_of("ALTER TABLE child ALTER COLUMN parent_id int NOT NULL"), 515);
  EXPECT_EQ(error_of("ALTER TABLE child ALTER COLUMN note varchar(2)"), 40000);
  EXPECT_EQ(error_of("ALTER TABLE child ADD CONSTRAINT PKc PRIMARY KEY (id)"), 0);
  EXPECT_EQ(error_of("ALTER TABLE parent ADD CONSTRAINT UQ_e UNIQUE (extra)"), 1505);
}

}  // namespace
}  // namespace tsl::mssql::testing
