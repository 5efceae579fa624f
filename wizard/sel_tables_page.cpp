#include "wizard/sel_tables_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "GUI2/wizard_shell.h"
#include "MSS/mss_database.h"
#include "TK/tk_trace.h"
#include "common/tessaly_convertor.h"
#include "platform/text/wide_ctype.h"
#include "wizard/set_query_dlg.h"

namespace {
QString qtext(const std::u16string& s) {
  return QString::fromStdU16String(s);
}
}  // namespace

sel_tables_page::sel_tables_page()
    : wizard_page(127, QStringLiteral("Step 4 of 5"), QStringLiteral("Select tables to convert"),
                  buttons::back_next, 1013) {
  auto* heading = named(new QLabel(this), 1337);
  auto* available_label = named(new QLabel(this), 1334);
  available_ = named(new QListWidget(this), 1317);
  auto* selected_label = named(new QLabel(this), 1312);
  selected_ = named(new QListWidget(this), 1318);
  for (QListWidget* l : {available_, selected_}) l->setSortingEnabled(true);
  available_label->setBuddy(available_);
  selected_label->setBuddy(selected_);
  auto* add = named(new QPushButton(QStringLiteral("Add >"), this), 1101);
  auto* add_all = named(new QPushButton(QStringLiteral("Add all >"), this), 1102);
  auto* remove = named(new QPushButton(QStringLiteral("< Remove"), this), 1111);
  auto* remove_all = named(new QPushButton(QStringLiteral("< Remove all"), this), 1110);
  add_query_ = named(new QPushButton(QStringLiteral("Add &Query"), this), 1114);
  add_query_->hide();
  connect(add, &QPushButton::clicked, this, &sel_tables_page::on_add);
  connect(add_all, &QPushButton::clicked, this, &sel_tables_page::on_add_all);
  connect(remove, &QPushButton::clicked, this, &sel_tables_page::on_delete);
  connect(remove_all, &QPushButton::clicked, this, &sel_tables_page::on_del_all);
  connect(add_query_, &QPushButton::clicked, this, &sel_tables_page::on_add_query);
  connect(selected_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { on_edit_query(item->text()); });

  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {add, add_all, remove, remove_all}) buttons->addWidget(b);
  buttons->addSpacing(12);
  buttons->addWidget(add_query_);
  buttons->addStretch(1);
  auto* grid = new QGridLayout;
  grid->addWidget(available_label, 0, 0);
  grid->addWidget(selected_label, 0, 2);
  grid->addWidget(available_, 1, 0);
  grid->addLayout(buttons, 1, 1);
  grid->addWidget(selected_, 1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addLayout(grid, 1);
}

sel_tables_page::~sel_tables_page() = default;

bool sel_tables_page::in_list(const QListWidget* list, const std::u16string& name,
                              bool any_case) const {
  for (int i = 0; i < list->count(); ++i) {
    const std::u16string entry = list->item(i)->text().toStdU16String();
    if (any_case ? tsl::text::equal_nocase(entry, name) : entry == name) return true;
  }
  return false;
}

bool sel_tables_page::page_init() {
  control<QLabel>(1337)->setText(
      QStringLiteral("Select MS SQL tables to convert into Oracle format."));
  control<QLabel>(1334)->setText(QStringLiteral("&Available tables:"));
  control<QLabel>(1312)->setText(QStringLiteral("&Selected tables:"));
  tessaly_convertor& driver = tessaly_convertor::instance();
  available_->clear();
  selected_->clear();
  std::vector<std::u16string> tables;
  try {
    std::unique_ptr<mss_database> db =
        driver.mssql.engine().open_db(driver.database_name, udb_database::kReadOnly);
    tables = db->table_names();
  } catch (const tk_mail_assertion&) {
    throw;
  } catch (const tk_exception& e) {
    wizard_shell::instance().error(std::string(e.what()));
  }
  for (const std::u16string& t : tables) available_->addItem(qtext(t));
  for (const std::u16string& t : driver.selected_tables) {
    QList<QListWidgetItem*> found = available_->findItems(qtext(t), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) continue;
    delete available_->takeItem(available_->row(found.front()));
    selected_->addItem(qtext(t));
  }
  add_query_->show();
  bring_in_queries();
  if (available_->count() == 0 && !driver.mssql.engine().is_as_dbo())
    wizard_shell::instance().message(
        "There are no tables available for the user specified. Try to connect as database owner "
        "using the appropriate checkbox on 'Connect to MS SQL server' wizard page.");
  return true;
}

void sel_tables_page::bring_in_queries() {
  tessaly_convertor& driver = tessaly_convertor::instance();
  selected_queries_.clear();
  available_queries_.clear();
  for (const auto& [name, sql] : driver.selected_entries) {
    const QString q = qtext(name);
    QList<QListWidgetItem*> found =
        available_->findItems(q, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!found.isEmpty()) {
      delete available_->takeItem(available_->row(found.front()));
      selected_->addItem(q);
    } else if (!sql.empty() && !in_list(selected_, name, false)) {
      selected_->addItem(q);
    }
    // A table that came from a profile is a plain selection from now on.
    if (!sql.empty()) selected_queries_.emplace(name, sql);
  }
  for (const auto& [name, sql] : driver.available_queries) {
    if (sql.empty() || selected_queries_.count(name)) continue;
    if (!in_list(available_, name, false)) available_->addItem(qtext(name));
    available_queries_.emplace(name, sql);
  }
}

void sel_tables_page::move(QListWidget* from, QListWidget* to) {
  const int row = from->currentRow();
  if (row < 0) return;
  QListWidgetItem* item = from->takeItem(row);
  const std::u16string name = item->text().toStdU16String();
  to->addItem(item);
  // The query travels with its name.
  query_map& source = from == available_ ? available_queries_ : selected_queries_;
  query_map& target = from == available_ ? selected_queries_ : available_queries_;
  if (auto q = source.find(name); q != source.end()) {
    target[name] = q->second;
    source.erase(q);
  }
  if (from->count() > 0) {
    from->setCurrentRow(std::min(row, from->count() - 1));
  } else if (to->count() > 0) {
    to->setFocus();
    to->setCurrentRow(0);
  }
}

void sel_tables_page::on_add() {
  tk_trace(2, "sel_tables_page::on_add");
  move(available_, selected_);
}

void sel_tables_page::on_add_all() {
  tk_trace(2, "sel_tables_page::on_add_all");
  while (available_->count() > 0) {
    available_->setCurrentRow(0);
    move(available_, selected_);
  }
}

void sel_tables_page::on_delete() {
  tk_trace(2, "sel_tables_page::on_delete");
  move(selected_, available_);
}

void sel_tables_page::on_del_all() {
  tk_trace(2, "sel_tables_page::on_del_all");
  while (selected_->count() > 0) {
    selected_->setCurrentRow(0);
    move(selected_, available_);
  }
}

void sel_tables_page::on_add_query() {
  tk_trace(2, "sel_tables_page::on_add_query");
  std::u16string name, sql;
  wizard_shell& shell = wizard_shell::instance();
  for (;;) {
    set_query_dlg dialog(name, sql, wizard());
    if (dialog.exec() != set_query_dlg::kOk) return;
    name = dialog.name();
    sql = dialog.query();
    if (in_list(available_, name, true) || in_list(selected_, name, true)) {
      shell.message("Duplicate table name. Try again.");
      continue;
    }
    selected_->addItem(qtext(name));
    selected_queries_[name] = sql;
    return;
  }
}

void sel_tables_page::on_edit_query(const QString& text) {
  tk_trace(2, "sel_tables_page::on_edit_query");
  const std::u16string old_name = text.toStdU16String();
  auto q = selected_queries_.find(old_name);
  if (q == selected_queries_.end()) return;
  set_query_dlg dialog(old_name, q->second, wizard());
  if (dialog.exec() != set_query_dlg::kOk) return;
  selected_queries_.erase(q);
  selected_queries_[dialog.name()] = dialog.query();
  QList<QListWidgetItem*> found = selected_->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (!found.isEmpty()) found.front()->setText(qtext(dialog.name()));
}

int sel_tables_page::on_next() {
  wizard_shell& shell = wizard_shell::instance();
  if (available_->count() > 0 && selected_->count() == 0 &&
      !shell.question("There are no tables selected. Continue anyway?", true))
    return -1;
  tessaly_convertor& driver = tessaly_convertor::instance();
  driver.selected_tables.clear();
  for (int i = 0; i < selected_->count(); ++i) {
    const std::u16string name = selected_->item(i)->text().toStdU16String();
    if (!selected_queries_.count(name)) driver.selected_tables.push_back(name);
  }
  if (driver.selected_entries != selected_queries_) driver.selected_entries = selected_queries_;
  if (driver.available_queries != available_queries_) driver.available_queries = available_queries_;
  return 0;
}
