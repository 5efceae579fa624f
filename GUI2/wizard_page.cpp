#include "GUI2/wizard_page.h"

#include <QCheckBox>
#include <QTimer>

#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

wizard_page::wizard_page(int template_id, const QString& title, const QString& subtitle,
                         buttons wizard_buttons, int help_topic)
    : template_id_(template_id), buttons_(wizard_buttons), help_topic_(help_topic) {
  setObjectName(QString::number(template_id));
  setTitle(title);
  setSubTitle(subtitle);
  if (wizard_buttons == buttons::finish) setFinalPage(true);
}

wizard_page::~wizard_page() {
  tk_trace(2, "wizard_page::dtor");
}

bool wizard_page::OnSetActive() {
  tk_trace(2, "wizard_page::OnSetActive");
  wizard_shell& shell = wizard_shell::instance();
  shell.apply_title_and_icon();
  const bool ok = page_init();
  shell.apply_page_buttons();
  // The sheet settles its buttons after announcing the page; settle them
  // again once it has.
  QTimer::singleShot(0, &shell, [] {
    if (wizard_shell* s = wizard_shell::peek()) s->apply_page_buttons();
  });
  return ok;
}

void wizard_page::on_help() {
  if (help_topic_ == kNoHelp) return;
  wizard_shell::instance().display_help(help_topic_);
}

bool wizard_page::on_cancel() {
  tk_trace(2, "wizard_page::on_cancel");
  wizard_shell* shell = wizard_shell::peek();
  if (!shell) throw tk_mail_assertion("g_wiz_pg", 160);
  if (!shell->question("Are you sure you want to exit the wizard?", true)) return false;
  before_close();
  return true;
}

void wizard_page::invert_chbox(int id) {
  tk_trace(2, "wizard_page::invert_chbox(%d)", id);
  auto* box = control<QCheckBox>(id);
  if (!box) throw tk_mail_assertion("g_wiz_pg", 122);
  box->setChecked(!box->isChecked());
}

QFont wizard_page::heading_font() const {
  QFont f(QStringLiteral("Verdana"));
  f.setPointSize(10);
  f.setWeight(QFont::Bold);
  return f;
}

bool wizard_page::validatePage() {
  if (isFinalPage()) return on_finish();
  const int r = on_next();
  if (r == -1) return false;
  jump_to_ = r;
  return on_kill_active();
}

void wizard_page::cleanupPage() {
  on_back();
}

int wizard_page::nextId() const {
  wizard_shell* shell = wizard_shell::peek();
  if (!shell) return -1;
  if (jump_to_ > 0) return jump_to_;
  return shell->following_page(template_id_);
}
