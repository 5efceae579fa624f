#include "wizard/set_query_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "TK/tk_bug_report.h"
#include "TK/tk_trace.h"
#include "common/tessaly_convertor.h"

namespace {
constexpr int kHelpTopic = 1017;
}  // namespace

bool passes_select_test(const std::u16string& sql) {
  size_t i = 0;
  while (i < sql.size() &&
         (sql[i] == u'\t' || sql[i] == u'\n' || sql[i] == u'\r' || sql[i] == u' '))
    ++i;
  if (i == sql.size()) return true;
  static const char16_t kSelect[] = u"SELECT";
  for (size_t k = 0; k < 6; ++k) {
    if (i + k >= sql.size()) return false;
    char16_t c = sql[i + k];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != kSelect[k]) return false;
  }
  return true;
}

set_query_dlg::set_query_dlg(const std::u16string& name, const std::u16string& query,
                             QWidget* parent)
    : QDialog(parent), name_(name), query_(query) {
  tk_trace(2, "set_query_dlg::on_init");
  setObjectName(QStringLiteral("128"));
  setWindowTitle(QStringLiteral("Add Query"));
  name_edit_ = new QLineEdit(QString::fromStdU16String(name), this);
  name_edit_->setObjectName(QStringLiteral("1019"));
  name_edit_->setMaxLength(kMaxText);
  query_edit_ = new QPlainTextEdit(QString::fromStdU16String(query), this);
  query_edit_->setObjectName(QStringLiteral("1020"));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QString::number(kOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QString::number(kCancel));
  auto* test = new QPushButton(QStringLiteral("&Test Query"), this);
  test->setObjectName(QStringLiteral("129"));
  auto* help = new QPushButton(QStringLiteral("&Help"), this);
  help->setObjectName(QStringLiteral("9"));
  connect(ok, &QPushButton::clicked, this, &set_query_dlg::on_ok);
  connect(cancel, &QPushButton::clicked, this, &set_query_dlg::reject);
  connect(test, &QPushButton::clicked, this, &set_query_dlg::on_test_query);
  connect(help, &QPushButton::clicked, this,
          [] { wizard_shell::instance().display_help(kHelpTopic); });

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Store as &Table:"), name_edit_);
  form->addRow(QStringLiteral("&Query:"), query_edit_);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(test);
  buttons->addWidget(help);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(form, 1);
  layout->addLayout(buttons);
  resize(560, 300);
}

set_query_dlg::~set_query_dlg() = default;

void set_query_dlg::read() {
  name_ = name_edit_->text().left(kMaxText).toStdU16String();
  query_ = query_edit_->toPlainText().left(kMaxText).toStdU16String();
}

void set_query_dlg::reject() {
  tk_trace(2, "set_query_dlg::on_cancel");
  done(kCancel);
}

void set_query_dlg::on_test_query() {
  read();
  wizard_shell& shell = wizard_shell::instance();
  if (!passes_select_test(query_)) {
    shell.error("The query must start with SELECT.");
    return;
  }
  bool correct = false;
  try {
    correct = tessaly_convertor::instance().test_query(query_);
  } catch (const tk_mail_assertion&) {
    throw;
  } catch (const tk_exception& e) {
    // The database itself could not be opened: say why.
    shell.error(std::string(e.what()));
    return;
  }
  if (correct) {
    shell.message("The query is correct.");
    return;
  }
  shell.error(std::string("You have an error in your query syntax. Make sure that it is a correct "
                          "SQL SELECT-statement. If it is and the problem remains, write to ") +
              kSupportAddress + ".");
}

void set_query_dlg::on_ok() {
  tk_trace(2, "set_query_dlg::on_ok");
  read();
  wizard_shell& shell = wizard_shell::instance();
  if (name_.empty()) {
    shell.message("Table name is empty!");
    return;
  }
  if (!passes_select_test(query_)) {
    shell.error("The query must start with SELECT.");
    return;
  }
  if (query_.find_first_not_of(u"\t\n\r ") == std::u16string::npos) {
    shell.error("Query is empty!");
    return;
  }
  done(kOk);
}
