#include "wizard/sel_file_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"
#include "common/tessaly_convertor.h"
#include "wizard/worker_call.h"

sel_file_page::sel_file_page()
    : wizard_page(106, QStringLiteral("Step 3 of 5"), QStringLiteral("Select databases"),
                  buttons::back_next, 1016) {
  auto* intro = new QLabel(QStringLiteral("On this page you can specify source database name and "
                                          "conversion settings."),
                           this);
  intro->setWordWrap(true);
  databases_ = named(new QListWidget(this), 1317);
  databases_->setSortingEnabled(true);
  modes_[0] = named(new QRadioButton(QStringLiteral("&Overwrite"), this), 1329);
  modes_[1] = named(new QRadioButton(QStringLiteral("&Merge"), this), 1330);
  modes_[2] = named(new QRadioButton(QStringLiteral("S&kip"), this), 1331);
  definitions_only_ =
      named(new QCheckBox(QStringLiteral("Convert table &definitions only"), this), 1228);
  skip_indexes_ = named(new QCheckBox(QStringLiteral("Skip converting &indexes"), this), 1226);
  uppercase_ = named(new QCheckBox(QStringLiteral("Make names &uppercase"), this), 1202);

  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(QStringLiteral("MS SQL &database name:"), this));
  left->addWidget(databases_, 1);
  auto* group = new QGroupBox(QStringLiteral(" How to process existing tables: "), this);
  auto* g = new QVBoxLayout(group);
  for (QRadioButton* r : modes_) g->addWidget(r);
  auto* right = new QVBoxLayout;
  right->addWidget(group);
  right->addWidget(definitions_only_);
  right->addWidget(skip_indexes_);
  right->addWidget(uppercase_);
  right->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addLayout(left, 1);
  row->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(row, 1);
}

sel_file_page::~sel_file_page() = default;

std::vector<std::u16string> sel_file_page::fetch_databases() {
  std::vector<std::u16string> names;
  worker_call(
      QStringLiteral("Connecting to MS SQL server.\nPlease wait..."), wizard(),
      [&] {
        tk_trace(2, "sel_file_page::animation::operator()");
        tessaly_convertor::instance().mssql.engine().get_contents(names);
      },
      [](const tk_exception& e) {
        // Without the list there is nothing to choose from.
        wizard_shell::instance().error(std::string(e.what()));
        end_wizard_process();
      });
  return names;
}

bool sel_file_page::page_init() {
  tk_trace(2, "sel_file_page::page_init");
  tessaly_convertor& driver = tessaly_convertor::instance();
  definitions_only_->setChecked(driver.definitions_only);
  skip_indexes_->setChecked(driver.skip_indexes);
  uppercase_->setChecked(driver.uppercase);

  databases_->clear();
  for (const std::u16string& name : fetch_databases())
    databases_->addItem(QString::fromStdU16String(name));

  // A mode outside the three known ones is what the run treats as Skip.
  const int mode = driver.conversion_mode;
  modes_[mode >= 0 && mode <= 2 ? mode : 2]->setChecked(true);

  const QString wanted = QString::fromStdU16String(driver.database_name);
  QList<QListWidgetItem*> found =
      wanted.isEmpty() ? QList<QListWidgetItem*>()
                       : databases_->findItems(wanted, Qt::MatchStartsWith);
  if (!found.isEmpty())
    databases_->setCurrentItem(found.front());
  else if (databases_->count() > 0)
    databases_->setCurrentRow(0);
  return true;
}

void sel_file_page::store_file_info() {
  tk_trace(2, "sel_file_page::store_file_info");
  tessaly_convertor& driver = tessaly_convertor::instance();
  driver.definitions_only = definitions_only_->isChecked();
  driver.skip_indexes = skip_indexes_->isChecked();
  driver.uppercase = uppercase_->isChecked();
  QListWidgetItem* item = databases_->currentItem();
  if (!item) tk_trace(2, "Failed to exract select item from list");
  driver.database_name = item ? item->text().toStdU16String() : std::u16string();
  for (int i = 0; i < 3; ++i)
    if (modes_[i]->isChecked()) {
      driver.conversion_mode = i;
      break;
    }
}

int sel_file_page::on_back() {
  store_file_info();
  return 0;
}

int sel_file_page::on_next() {
  store_file_info();
  if (tessaly_convertor::instance().database_name.empty()) {
    wizard_shell::instance().message("You should enter MS SQL database name");
    return -1;
  }
  return 0;
}
