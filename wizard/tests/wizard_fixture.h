#pragma once
// Starts the wizard in this process as a user would start it, against an
// embedded SQL Server holding the sample database and an embedded Oracle
// with one user, and drives its controls by their resource numbers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GUI2/tests/box_answerer.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_query_results.h"
#include "common/tessaly_convertor.h"
#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/oracle/database.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"
#include "wizard/tsl_shel.h"

namespace wizard_testing {

using gui_testing::box_answerer;

class wizard_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    mssql_dir_ = tmp_.file("srv");
    setenv("TSL_MSSQL_DATA", mssql_dir_.c_str(), 1);
    setenv("TSL_ORACLE_DATA", tmp_.file("ora").c_str(), 1);
    setenv("TSL_ORACLE_CLIENT", "embedded", 1);
    // The wizard's saved settings go to this test's own directory.
    setenv("XDG_CONFIG_HOME", tmp_.file("config").c_str(), 1);
    tsl::mssql::server::create(mssql_dir_, tsl::mssql::kDefaultVersion);
    auto server = tsl::mssql::server::open(mssql_dir_);
    server->add_login("sa", "sapw", "master");
    std::ifstream in(TSL_MSSQL_SAMPLES "/sample_shop.sql");
    std::stringstream ss;
    ss << in.rdbuf();
    mssql(ss.str());
    tsl::eora::create_database("ORCL", 1521, "current");
    tsl::eora::create_user("ORCL", "scott", "tiger");
  }
  void TearDown() override {
    program_.reset();
    unsetenv("TSL_MSSQL_DATA");
    unsetenv("TSL_ORACLE_DATA");
    unsetenv("TSL_ORACLE_CLIENT");
    unsetenv("XDG_CONFIG_HOME");
  }

  // Runs T-SQL on the source as its administrator.
  void mssql(const std::string& sql) {
    tsl::mssql::login_request l;
    l.integrated = true;
    tsl::mssql::session s(tsl::mssql::server::open(mssql_dir_), l);
    s.run_script(sql);
  }

  // Starts the wizard with these command-line arguments and shows it.
  void start(const QStringList& args = {}) {
    program_ = std::make_unique<tsl_shel>(args);
    shell().set_help_dir(TSL_HELP_DIR);
    shell().show();
    QCoreApplication::processEvents();
  }
  // Ends the program as it ends after its sheet closes.
  void stop() { program_.reset(); }

  wizard_shell& shell() { return program_->shell(); }
  tessaly_convertor& driver() { return program_->driver(); }
  int page() { return shell().currentId(); }
  wizard_page& current() { return *shell().current_wizard_page(); }

  template <typename W>
  W* find(int id) {
    W* w = current().control<W>(id);
    EXPECT_NE(w, nullptr) << "control " << id << " on page " << page();
    return w;
  }
  void type(int id, const std::string& text) { find<QLineEdit>(id)->setText(QString::fromStdString(text)); }
  std::string text(int id) { return find<QLineEdit>(id)->text().toStdString(); }
  void click(int id) { find<QAbstractButton>(id)->click(); }
  bool checked(int id) { return find<QAbstractButton>(id)->isChecked(); }
  bool enabled(int id) { return find<QWidget>(id)->isEnabled(); }
  void next() { shell().button(QWizard::NextButton)->click(); }
  void back() { shell().button(QWizard::BackButton)->click(); }
  std::vector<std::string> items(int id) {
    std::vector<std::string> out;
    QListWidget* l = find<QListWidget>(id);
    for (int i = 0; i < l->count(); ++i) out.push_back(l->item(i)->text().toStdString());
    return out;
  }
  void pick(int list, const std::string& name) {
    QListWidget* l = find<QListWidget>(list);
    auto found = l->findItems(QString::fromStdString(name), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << name;
    l->setCurrentItem(found.front());
  }
  // Waits for the conversion to reach the finish page.
  bool wait_for_finish(int ms = 120000) {
    return QTest::qWaitFor([this] { return page() == 116; }, ms);
  }

  // Logs on to both servers and chooses the sample database, with the
  // given mode and names kept as they are.
  void to_tables_page(int mode = 0) {
    next();
    click(1330);
    type(1014, "");
    type(1012, "sa");
    type(1013, "sapw");
    next();
    ASSERT_EQ(page(), 130);
    click(1330);
    type(1014, "ORCL");
    type(1012, "scott");
    type(1013, "tiger");
    next();
    ASSERT_EQ(page(), 106);
    pick(1317, "sample_shop");
    click(1329 + mode);
    if (checked(1202)) click(1202);
    next();
    ASSERT_EQ(page(), 127);
  }

  // Every row of a query on the Oracle side as text; only while no wizard runs.
  std::vector<std::string> oracle_column(const std::string& sql) {
    ora_engine engine;
    engine.logon(u"ORCL", u"scott", u"tiger");
    std::vector<std::string> out;
    ora_query_results q;
    q.initialize(0, tsl::text::utf8_to_utf16(sql));
    while (!q.is_eof()) {
      udb_record& r = *q.get_item();
      out.push_back(tsl::text::utf16_to_utf8(r[0].to_wstring()));
    }
    return out;
  }
  std::string oracle_one(const std::string& sql) {
    auto c = oracle_column(sql);
    return c.empty() ? "<none>" : c[0];
  }

  tsl::testing::temp_dir tmp_;
  std::string mssql_dir_;
  std::unique_ptr<tsl_shel> program_;
};

}  // namespace wizard_testing
