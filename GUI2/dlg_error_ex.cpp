#include "GUI2/dlg_error_ex.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"
#include "TK/tk_bug_report.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

dlg_error_ex::dlg_error_ex(const std::u16string& message, QWidget* parent)
    : QDialog(parent), message_(message) {
  tk_trace(1, "dlg_error_ex::ctor");
  tk_trace(2, "dlg_error_ex::on_init");
  setObjectName(QStringLiteral("114"));
  wizard_shell* shell = wizard_shell::peek();
  setWindowTitle(wizard_shell::is_initialized()
                     ? QString::fromStdU16String(shell->title()) + QStringLiteral(" Error")
                     : QStringLiteral("Error"));
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  auto* text = new QLabel(QString::fromStdU16String(message), this);
  text->setObjectName(QStringLiteral("1320"));
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* send = new QPushButton(QStringLiteral("Send bug"), this);
  send->setObjectName(QString::number(kSendBug));
  send->setDefault(true);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QString::number(kOk));
  auto* copy = new QPushButton(QStringLiteral("Copy to clipboard"), this);
  copy->setObjectName(QString::number(kCopy));
  connect(ok, &QPushButton::clicked, this, [this] { done(kOk); });
  connect(copy, &QPushButton::clicked, this, &dlg_error_ex::on_copy);
  connect(send, &QPushButton::clicked, this, &dlg_error_ex::on_send_bug);

  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(text, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(send);
  row->addWidget(ok);
  row->addWidget(copy);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(row);
  setMinimumWidth(420);
}

dlg_error_ex::~dlg_error_ex() = default;

bool dlg_error_ex::copy_to_clipboard(const std::u16string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(QString::fromStdU16String(text));
  return true;
}

void dlg_error_ex::on_copy() {
  if (!copy_to_clipboard(message_)) tk_trace(1, "GetLastError() returns %08X", 0u);
  done(kCopy);
}

void dlg_error_ex::on_send_bug() {
  std::string suffix;
  if (wizard_shell::is_initialized()) suffix = tk_ucs2_to_ansi(wizard_shell::peek()->title());
  tk_send_bug_report(suffix, tk_ucs2_to_ansi(message_));
  done(kSendBug);
}
