// The wizard driven as a user drives it, against the embedded SQL Server and
// the embedded Oracle: every page, its messages, a conversion, the finish
// page, a saved profile brought back on the command line, and Cancel.
#include <gtest/gtest.h>

#include <QLabel>
#include <filesystem>
#include <fstream>

#include "GUI2/help_window.h"
#include "platform/registry/registry.h"
#include "wizard/tests/wizard_fixture.h"

namespace wizard_testing {
namespace {

using names = std::vector<std::string>;

class wizard_run : public wizard_fixture {};

// Sets the query dialog's two texts and presses one of its buttons.
box_answerer::action fill(const std::string& name, const std::string& query, int button) {
  return [=](QWidget* w) {
    w->findChild<QLineEdit*>(QStringLiteral("1019"))->setText(QString::fromStdString(name));
    w->findChild<QPlainTextEdit*>(QStringLiteral("1020"))->setPlainText(QString::fromStdString(query));
    w->findChild<QAbstractButton*>(QString::number(button))->click();
  };
}

TEST_F(wizard_run, AWholeRunAndItsProfileOnALaterStart) {
  start();
  EXPECT_EQ(page(), 103);
  EXPECT_FALSE(shell().button(QWizard::BackButton)->isEnabled());
  next();

  // Step 1. The last session's defaults: Windows authentication.
  ASSERT_EQ(page(), 118);
  EXPECT_TRUE(checked(1329));
  EXPECT_FALSE(enabled(1012));
  EXPECT_FALSE(enabled(1013));
  {
    box_answerer boxes;
    type(1014, tmp_.file("nowhere"));
    next();
    EXPECT_EQ(page(), 118);
    click(1330);
    EXPECT_TRUE(enabled(1012));
    type(1014, "");
    type(1012, "sa");
    type(1013, "wrong");
    next();
    EXPECT_EQ(page(), 118);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tessaly 3.1  Error");
    EXPECT_EQ(boxes.boxes[0].text,
              "MS SQL Server does not exist or access denied.\nCheck to verify the correct host "
              "was given.");
    EXPECT_EQ(boxes.boxes[1].text, "Invalid user name or password.");
  }
  // Windows authentication keeps the login typed, unused.
  click(1329);
  next();
  ASSERT_EQ(page(), 130);
  back();
  ASSERT_EQ(page(), 118);
  EXPECT_TRUE(checked(1329));
  EXPECT_EQ(text(1012), "sa");
  EXPECT_EQ(text(1013), "wrong");
  click(1330);
  type(1013, "sapw");
  next();
  ASSERT_EQ(page(), 130);

  // Step 2.
  EXPECT_TRUE(checked(1330));
  EXPECT_FALSE(enabled(1003));
  {
    box_answerer boxes;
    type(1014, "");
    next();
    click(1329);
    EXPECT_TRUE(enabled(1003));
    EXPECT_FALSE(enabled(1014));
    type(1003, "");
    next();
    type(1003, "localhost");
    type(1004, "1599");
    type(1012, "scott");
    type(1013, "tiger");
    next();
    click(1330);
    type(1014, "ORCL");
    type(1013, "lion");
    next();
    EXPECT_EQ(page(), 130);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(boxes.boxes[0].caption, "Tessaly 3.1  Message");
    EXPECT_EQ(boxes.boxes[0].text, "You should enter Oracle data source name.");
    EXPECT_EQ(boxes.boxes[1].text, "You should enter IP address or network name of Oracle server.");
    // No listener on that port: the message, then the help on reaching the server.
    EXPECT_EQ(boxes.boxes[2].caption, "Tessaly 3.1  Error");
    EXPECT_EQ(boxes.boxes[2].text.find("ORA-12541: no listener."), 0u) << boxes.boxes[2].text;
    ASSERT_NE(shell().help(), nullptr);
    EXPECT_TRUE(shell().help()->page().endsWith(QStringLiteral("/1018.html")));
    // The program's own text for ORA-01017.
    EXPECT_EQ(boxes.boxes[3].text, "Invalid user name or password.");
  }
  type(1013, "tiger");
  next();
  ASSERT_EQ(page(), 106);
  // Back and on again, the direct way this time.
  back();
  click(1329);
  EXPECT_EQ(text(1003), "localhost");
  type(1004, "1521");
  next();
  ASSERT_EQ(page(), 106);

  // Step 3.
  names dbs = items(1317);
  EXPECT_NE(std::find(dbs.begin(), dbs.end(), "sample_shop"), dbs.end());
  EXPECT_TRUE(checked(1329));
  // The last session's default: names upper-cased; the user keeps them.
  EXPECT_TRUE(checked(1202));
  click(1202);
  pick(1317, "sample_shop");
  click(1330);
  click(1329);
  next();
  ASSERT_EQ(page(), 127);

  // Step 4.
  EXPECT_EQ(items(1317), (names{"customers", "order_lines", "orders", "products"}));
  EXPECT_TRUE(find<QWidget>(1114)->isVisible());
  pick(1317, "orders");
  click(1101);
  pick(1317, "customers");
  click(1101);
  EXPECT_EQ(items(1318), (names{"customers", "orders"}));
  {
    box_answerer boxes;
    const box_answerer::action dismiss = [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); };
    std::string reopened;
    boxes.then(fill("", "select 1", 1))
        .then(dismiss)
        .then(fill("vip", "  exec sp_who", 129))
        .then(dismiss)
        .then(fill("vip", "SELECT nosuchcolumn FROM customers", 129))
        .then(dismiss)
        .then(fill("vip", "", 1))
        .then(dismiss)
        .then(fill("Customers", "  select name, city FROM customers WHERE vip = 1", 129))
        .then(dismiss)
        .then([](QWidget* w) { w->findChild<QAbstractButton*>(QStringLiteral("1"))->click(); })
        .then(dismiss)
        .then([&reopened](QWidget* w) {
          reopened = w->findChild<QLineEdit*>(QStringLiteral("1019"))->text().toStdString() + "|" +
                     w->findChild<QPlainTextEdit*>(QStringLiteral("1020"))->toPlainText().toStdString();
          fill("vip", "SELECT name, city FROM customers WHERE vip = 1", 1)(w);
        });
    click(1114);
    EXPECT_EQ(boxes.pending(), 0u);
    std::vector<std::string> seen;
    for (const auto& b : boxes.boxes) seen.push_back(b.kind + ": " + b.text);
    ASSERT_EQ(seen.size(), 13u);
    EXPECT_EQ(seen[0], "set_query_dlg: ");
    EXPECT_EQ(seen[1], "QMessageBox: Table name is empty!");
    EXPECT_EQ(seen[3], "QMessageBox: The query must start with SELECT.");
    EXPECT_EQ(seen[5].find("QMessageBox: You have an error in your query syntax. Make sure that "
                           "it is a correct SQL SELECT-statement."),
              0u);
    EXPECT_NE(seen[5].find("support@tessaly.example.com"), std::string::npos);
    EXPECT_EQ(seen[7], "QMessageBox: Query is empty!");
    EXPECT_EQ(seen[9], "QMessageBox: The query is correct.");
    // A name like a table's, in another case, is refused and the dialog
    // opens again with what was typed.
    EXPECT_EQ(seen[11], "QMessageBox: Duplicate table name. Try again.");
    EXPECT_EQ(reopened, "Customers|  select name, city FROM customers WHERE vip = 1");
  }
  EXPECT_EQ(items(1318), (names{"customers", "orders", "vip"}));
  next();

  // Step 5 and the finish page.
  ASSERT_TRUE(wait_for_finish());
  EXPECT_FALSE(shell().button(QWizard::CancelButton)->isEnabled());
  EXPECT_EQ(find<QLabel>(1314)->text().toStdString(),
            "Wizard has migrated your MS SQL database to\nOracle server successfully.\n\n"
            "Click 'Finish' to exit the wizard.");
  const std::string profile = tmp_.file("mine");
  {
    box_answerer boxes;
    boxes.choose(profile);
    click(1116);
  }
  ASSERT_TRUE(std::filesystem::exists(profile + ".tsl"));
  EXPECT_EQ(std::filesystem::status(profile + ".tsl").permissions() &
                std::filesystem::perms::group_read,
            std::filesystem::perms::none);
  shell().button(QWizard::FinishButton)->click();
  EXPECT_FALSE(shell().isVisible());
  stop();

  EXPECT_EQ(oracle_column("SELECT table_name FROM user_tables ORDER BY table_name"),
            (names{"customers", "orders", "vip"}));
  EXPECT_EQ(oracle_one("SELECT TO_CHAR(count(*)) FROM \"customers\""), "8");
  EXPECT_EQ(oracle_one("SELECT TO_CHAR(count(*)) FROM \"orders\""), "4");
  EXPECT_NE(oracle_one("SELECT TO_CHAR(count(*)) FROM \"vip\""), "0");

  // A later start with the profile and without the saved session: every
  // page comes back as it was.
  std::filesystem::remove(tsl::registry::store_path());
  start({QString::fromStdString(profile + ".tsl")});
  next();
  EXPECT_TRUE(checked(1330));
  EXPECT_EQ(text(1012), "sa");
  EXPECT_EQ(text(1013), "sapw");
  next();
  ASSERT_EQ(page(), 130);
  EXPECT_TRUE(checked(1329));
  EXPECT_EQ(text(1003), "localhost");
  EXPECT_EQ(text(1004), "1521");
  EXPECT_EQ(text(1012), "scott");
  EXPECT_EQ(text(1013), "tiger");
  next();
  ASSERT_EQ(page(), 106);
  EXPECT_EQ(find<QListWidget>(1317)->currentItem()->text().toStdString(), "sample_shop");
  EXPECT_TRUE(checked(1329));
  EXPECT_FALSE(checked(1202));
  EXPECT_FALSE(checked(1228));
  next();
  ASSERT_EQ(page(), 127);
  EXPECT_EQ(items(1318), (names{"customers", "orders", "vip"}));
  EXPECT_EQ(items(1317), (names{"order_lines", "products"}));
  box_answerer boxes;
  boxes.press(QMessageBox::Yes);
  shell().button(QWizard::CancelButton)->click();
  EXPECT_FALSE(shell().isVisible());
}

TEST_F(wizard_run, LoadSettingsFillsThePagesAndABadFileIsSaidSo) {
  const std::string profile = tmp_.file("hand.tsl");
  std::ofstream(profile) << "[MS SQL Server settings]\r\nlogin=sa\r\npassword=sapw\r\n"
                            "windows authentication=0\r\n\r\n[Oracle settings]\r\n"
                            "host=ORCL\r\nuser=scott\r\nuse TNS=1\r\n";
  const std::string broken = tmp_.file("broken.tsl");
  std::ofstream(broken) << "login=sa\n[MS SQL Server settings]\n";
  start();
  {
    box_answerer boxes;
    boxes.choose(broken).then([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    click(1115);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Cannot read the profile file " + broken);
  }
  {
    box_answerer boxes;
    boxes.choose(profile);
    click(1115);
    EXPECT_EQ(boxes.boxes.size(), 1u);
  }
  next();
  EXPECT_TRUE(checked(1330));
  EXPECT_EQ(text(1012), "sa");
  next();
  ASSERT_EQ(page(), 130);
  EXPECT_TRUE(checked(1330));
  EXPECT_EQ(text(1014), "ORCL");
  EXPECT_EQ(text(1012), "scott");
}

}  // namespace
}  // namespace wizard_testing
