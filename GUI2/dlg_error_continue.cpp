#include "GUI2/dlg_error_continue.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "TK/tk_trace.h"

dlg_error_continue::dlg_error_continue(const std::u16string& message, QWidget* parent)
    : QDialog(parent) {
  tk_trace(2, "dlg_error_continue::ctor");
  tk_trace(2, "dlg_error_continue::on_init");
  setObjectName(QStringLiteral("115"));
  wizard_shell* shell = wizard_shell::peek();
  setWindowTitle(wizard_shell::is_initialized()
                     ? QString::fromStdU16String(shell->title()) + QStringLiteral(" Error")
                     : QStringLiteral("Error"));
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  auto* text = new QLabel(QString::fromStdU16String(message), this);
  text->setObjectName(QStringLiteral("1320"));
  text->setWordWrap(true);
  check_ = new QCheckBox(QStringLiteral("&Do not show this dialog box again"), this);
  check_->setObjectName(QString::number(kDoNotShow));
  auto* go_on = new QPushButton(QStringLiteral("Continue"), this);
  go_on->setObjectName(QString::number(kContinue));
  go_on->setDefault(true);
  auto* abort = new QPushButton(QStringLiteral("Abort"), this);
  abort->setObjectName(QString::number(kAbort));
  connect(go_on, &QPushButton::clicked, this, [this] { done(kContinue); });
  connect(abort, &QPushButton::clicked, this, [this] { done(kAbort); });
  connect(check_, &QCheckBox::clicked, this, &dlg_error_continue::on_check);

  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(text, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(check_);
  row->addStretch(1);
  row->addWidget(go_on);
  row->addWidget(abort);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(row);
  setMinimumWidth(460);
}

dlg_error_continue::~dlg_error_continue() = default;

void dlg_error_continue::on_check() {
  do_not_show_ = check_->isChecked();
}
