#include "GUI2/gui_finish_page.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "GUI2/profile_dialog.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

gui_finish_page::gui_finish_page(const QString& success_text, const QString& error_text,
                                 const std::string& extension,
                                 std::function<bool(const std::string&)> store)
    : wizard_page(116, QString(), QString(), buttons::finish, kNoHelp),
      success_text_(success_text),
      error_text_(error_text),
      extension_(extension),
      store_(std::move(store)) {
  heading_ = named(new QLabel(QStringLiteral("Conversion is Completed"), this), 1313);
  heading_->setFont(heading_font());
  text_ = named(new QLabel(this), 1314);
  text_->setWordWrap(true);
  errors_ = named(new QPlainTextEdit(this), 1016);
  errors_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  errors_->hide();
  errors_->installEventFilter(this);
  auto* save = named(new QPushButton(QStringLiteral("&Save Settings"), this), 1116);
  connect(save, &QPushButton::clicked, this, &gui_finish_page::on_save);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addSpacing(12);
  layout->addWidget(text_);
  layout->addWidget(errors_, 1);
  layout->addStretch(0);
  auto* row = new QHBoxLayout;
  row->addWidget(save);
  row->addStretch(1);
  layout->addLayout(row);
}

gui_finish_page::~gui_finish_page() = default;

bool gui_finish_page::page_init() {
  tk_trace(2, "gui_finish_page::page_init");
  heading_->setFont(heading_font());
  wizard_shell& shell = wizard_shell::instance();
  shell.enable_button(wizard_shell::kCancelButton, false);
  shell.enable_button(wizard_shell::kHelpButton, false);
  const std::vector<std::string>& errors = shell.errors();
  if (errors.empty()) {
    tk_trace(1, "Display success-message");
    text_->setText(success_text_);
    errors_->hide();
    return true;
  }
  tk_trace(1, "Display errors");
  text_->setText(error_text_);
  QString list;
  for (std::string e : errors) {
    // One error a line, whatever line breaks its text had.
    for (char& c : e)
      if (c == '\n' || c == '\r') c = ' ';
    list += QString::fromStdU16String(tk_ansi_to_ucs2(e)) + QStringLiteral("\n\n");
  }
  errors_->setPlainText(list);
  errors_->setReadOnly(true);
  errors_->show();
  return true;
}

bool gui_finish_page::eventFilter(QObject* watched, QEvent* event) {
  if (watched == errors_ && event->type() == QEvent::FocusIn) on_eb_focus();
  return wizard_page::eventFilter(watched, event);
}

void gui_finish_page::on_eb_focus() {
  if (!first_focus_) return;
  tk_trace(2, "gui_finish_page::on_eb_focus");
  first_focus_ = false;
  errors_->moveCursor(QTextCursor::End);
  errors_->ensureCursorVisible();
  if (wizard_shell* shell = wizard_shell::peek())
    shell->control_button(wizard_shell::kFinishButton)->setFocus();
}

void gui_finish_page::on_save() {
  const std::string path = save_profile_dialog(wizard(), extension_);
  if (path.empty()) return;
  // A profile that could not be written must not look saved.
  if (!store_(path)) wizard_shell::instance().error("Cannot write the profile file " + path);
}
