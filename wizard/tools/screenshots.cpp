// Renders every page and dialog of the wizard to PNG files, against
// embedded servers made for the occasion in a temporary directory, so the
// look can be checked by eye:
//   wizard_screenshots OUTPUT_DIR SAMPLES_DIR HELP_DIR
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "GUI2/animation.h"
#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/help_window.h"
#include "GUI2/tests/box_answerer.h"
#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "common/tessaly_convertor.h"
#include "embedded/mssql/server.h"
#include "embedded/mssql/session.h"
#include "embedded/oracle/database.h"
#include "testing/temp_dir.h"
#include "wizard/tsl_shel.h"

namespace {

QString out_dir;
int failures = 0;

void save(QWidget* w, const char* name) {
  QCoreApplication::processEvents();
  const QString path = out_dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
  if (!w->grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
    ++failures;
    return;
  }
  std::printf("%s\n", path.toLocal8Bit().constData());
}

// Grabs the box, then answers it.
gui_testing::box_answerer::action shot(const char* name,
                                       gui_testing::box_answerer::action then = {}) {
  return [name, then](QWidget* w) {
    save(w, name);
    if (then)
      then(w);
    else if (auto* d = qobject_cast<QDialog*>(w))
      d->reject();
  };
}

template <typename W>
W* control(wizard_shell& shell, int id) {
  return shell.current_wizard_page()->control<W>(id);
}

void click(wizard_shell& shell, int id) {
  control<QAbstractButton>(shell, id)->click();
}

void type(wizard_shell& shell, int id, const char* text) {
  control<QLineEdit>(shell, id)->setText(QString::fromUtf8(text));
}

void pick(wizard_shell& shell, int id, const char* name) {
  auto* list = control<QListWidget>(shell, id);
  auto found = list->findItems(QString::fromUtf8(name), Qt::MatchExactly);
  if (!found.isEmpty()) list->setCurrentItem(found.front());
}

void run_script(const std::string& dir, const std::string& sql) {
  tsl::mssql::login_request l;
  l.integrated = true;
  tsl::mssql::session s(tsl::mssql::server::open(dir), l);
  s.run_script(sql);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: wizard_screenshots OUTPUT_DIR SAMPLES_DIR HELP_DIR\n");
    return 2;
  }
  out_dir = QString::fromLocal8Bit(argv[1]);
  const std::string samples = argv[2];

  tsl::testing::temp_dir tmp;
  const std::string srv = tmp.file("srv");
  setenv("TSL_MSSQL_DATA", srv.c_str(), 1);
  setenv("TSL_ORACLE_DATA", tmp.file("ora").c_str(), 1);
  setenv("TSL_ORACLE_CLIENT", "embedded", 1);
  setenv("XDG_CONFIG_HOME", tmp.file("config").c_str(), 1);
  tsl::mssql::server::create(srv, tsl::mssql::kDefaultVersion);
  tsl::mssql::server::open(srv)->add_login("sa", "sapw", "master");
  std::ifstream in(samples + "/sample_shop.sql");
  std::stringstream ss;
  ss << in.rdbuf();
  run_script(srv, ss.str());
  // Enough rows for the progress page to be caught at work.
  std::string big = "USE sample_shop\nGO\nCREATE TABLE audit_log (n int NOT NULL PRIMARY KEY, "
                    "t nvarchar(40) NULL)\nGO\n";
  for (int first = 1; first <= 6000; first += 500) {
    big += "INSERT INTO audit_log VALUES ";
    for (int n = first; n < first + 500; ++n)
      big += (n == first ? "(" : ", (") + std::to_string(n) + ", N'entry')";
    big += "\nGO\n";
  }
  run_script(srv, big);
  tsl::eora::create_database("ORCL", 1521, "current");
  tsl::eora::create_user("ORCL", "scott", "tiger");

  {
    tsl_shel program({});
    wizard_shell& shell = program.shell();
    shell.set_help_dir(argv[3]);
    shell.show();
    save(&shell, "01-welcome");
    shell.next();
    gui_testing::box_answerer boxes;
    click(shell, 1330);
    type(shell, 1012, "sa");
    type(shell, 1013, "sapw");
    save(&shell, "02-mssql");
    shell.next();
    click(shell, 1330);
    type(shell, 1014, "ORCL");
    type(shell, 1012, "scott");
    type(shell, 1013, "tiger");
    save(&shell, "03-oracle");
    shell.next();
    pick(shell, 1317, "sample_shop");
    if (control<QAbstractButton>(shell, 1202)->isChecked()) click(shell, 1202);
    save(&shell, "04-database");
    shell.next();
    for (const char* t : {"customers", "orders", "audit_log"}) {
      pick(shell, 1317, t);
      click(shell, 1101);
    }
    boxes.then([](QWidget* w) {
      w->findChild<QLineEdit*>(QStringLiteral("1019"))->setText(QStringLiteral("vip_customers"));
      w->findChild<QPlainTextEdit*>(QStringLiteral("1020"))
          ->setPlainText(QStringLiteral("SELECT name, city FROM customers WHERE vip = 1"));
      save(w, "05-query-dialog");
      w->findChild<QAbstractButton*>(QStringLiteral("1"))->click();
    });
    click(shell, 1114);
    save(&shell, "05-tables");
    shell.next();
    if (!QTest::qWaitFor(
            [&] { return program.driver().record_index() > 500 || shell.currentId() == 116; }, 60000))
      ++failures;
    QTest::qWait(450);
    save(&shell, "06-progress");
    if (!QTest::qWaitFor([&] { return shell.currentId() == 116; }, 120000)) ++failures;
    save(&shell, "07-finish");
    shell.errors() = {"orders, record #3: Duplicate field values being used for an unique index "
                      "were found.",
                      "audit_log: The structure of data source does not conform to the "
                      "destination table."};
    shell.current_wizard_page()->page_init();
    save(&shell, "08-finish-errors");

    boxes.then(shot("09-message-box"));
    shell.message("The query is correct.");
    boxes.then(shot("10-question-box"));
    shell.question("Are you sure you want to exit the wizard?");
    boxes.then(shot("11-error-box"));
    shell.error(
        "MS SQL Server does not exist or access denied.\nCheck to verify the correct host was given.");
    boxes.then(shot("12-profile-dialog"));
    click(shell, 1116);
    {
      dlg_error_continue d(u"orders, record #3: Duplicate field values being used for an unique "
                           u"index were found.",
                           &shell);
      boxes.then(shot("13-error-continue"));
      d.exec();
      dlg_error_ex e(u"Internal error 0x1A2B3C: please send it to us.", &shell);
      boxes.then(shot("14-internal-error"));
      e.exec();
    }
    shell.display_help(1010);
    save(shell.help(), "15-help");
    QTimer::singleShot(300, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<animation*>(w)) save(a, "16-please-wait");
    });
    animation::run(QStringLiteral("Connecting to MS SQL server.\nPlease wait..."),
                   [] { QThread::msleep(700); }, &shell);
  }
  return failures == 0 ? 0 : 1;
}
