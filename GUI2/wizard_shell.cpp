#include "GUI2/wizard_shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

#include "GUI2/help_location.h"
#include "GUI2/help_window.h"
#include "GUI2/pictures.h"
#include "GUI2/ui_thread.h"
#include "GUI2/wizard_page.h"
#include "TK/tk_exception.h"
#include "TK/tk_program_path.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"

namespace {
QString qtext(const std::u16string& s) {
  return QString::fromStdU16String(s);
}
}  // namespace

wizard_shell::wizard_shell(const std::u16string& title, int icon, int watermark, int header)
    : title_(title), help_dir_(help_dir_for(tk_get_program_path())) {
  tk_trace(2, "wizard_shell::ctor");
  if (instance_) throw tk_mail_assertion("g_wiz_sh", 61);
  instance_ = this;
  setWizardStyle(QWizard::ModernStyle);
  setOptions(QWizard::HaveHelpButton | QWizard::NoBackButtonOnStartPage);
  setPixmap(QWizard::LogoPixmap, wizard_picture(header));
  // The watermark belongs to the exterior pages only; each keeps its own.
  watermark_ = wizard_picture(watermark);
  icon_ = wizard_icon(icon);
  button(QWizard::CancelButton)->setObjectName(QString::number(kCancelButton));
  button(QWizard::HelpButton)->setObjectName(QString::number(kHelpButton));
  button(QWizard::FinishButton)->setObjectName(QString::number(kFinishButton));
  timer_.setTimerType(Qt::CoarseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (wizard_page* page = current_wizard_page()) page->on_timer(kTimerId);
  });
  connect(this, &QWizard::currentIdChanged, this, &wizard_shell::page_changed);
  connect(this, &QWizard::helpRequested, this, &wizard_shell::help_requested);
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, &wizard_shell::help_requested);
  resize(640, 470);
}

wizard_shell::~wizard_shell() {
  tk_trace(2, "wizard_shell::dtor");
  timer_.stop();
  instance_ = nullptr;
}

wizard_shell& wizard_shell::instance() {
  if (!instance_) throw tk_mail_assertion("g_wiz_sh", 80);
  return *instance_;
}

bool wizard_shell::is_initialized() {
  tk_trace(2, "wizard_shell::is_initialized");
  return instance_ && instance_->initialized_;
}

void wizard_shell::add_page(wizard_page* page) {
  if (page->title().isEmpty()) page->setPixmap(QWizard::WatermarkPixmap, watermark_);
  setPage(page->template_id(), page);
  if (order_.empty()) setStartId(page->template_id());
  order_.push_back(page->template_id());
}

wizard_page* wizard_shell::current_wizard_page() const {
  return qobject_cast<wizard_page*>(currentPage());
}

wizard_page* wizard_shell::page_by_template(int template_id) const {
  return qobject_cast<wizard_page*>(page(template_id));
}

int wizard_shell::following_page(int template_id) const {
  for (size_t i = 0; i + 1 < order_.size(); ++i)
    if (order_[i] == template_id) return order_[i + 1];
  return -1;
}

void wizard_shell::select_page(int template_id) {
  // Only forward moves are asked for; the pages between are passed over.
  while (currentId() != template_id && currentId() != -1) {
    const int before = currentId();
    next();
    if (currentId() == before) break;
  }
}

void wizard_shell::page_changed(int id) {
  if (id == -1) return;
  if (wizard_page* page = current_wizard_page()) page->OnSetActive();
}

void wizard_shell::apply_title_and_icon() {
  if (initialized_) return;
  setWindowTitle(qtext(title_));
  setWindowIcon(icon_);
  if (QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  initialized_ = true;
}

void wizard_shell::apply_page_buttons() {
  wizard_page* page = current_wizard_page();
  if (!page) return;
  const wizard_page::buttons b = page->wizard_buttons();
  button(QWizard::BackButton)->setEnabled(b == wizard_page::buttons::back_next);
  button(QWizard::NextButton)
      ->setEnabled(b == wizard_page::buttons::next || b == wizard_page::buttons::back_next);
  button(QWizard::FinishButton)->setEnabled(b == wizard_page::buttons::finish);
}

QAbstractButton* wizard_shell::control_button(int control) const {
  switch (control) {
    case kCancelButton:
      return button(QWizard::CancelButton);
    case kHelpButton:
      return button(QWizard::HelpButton);
    case kFinishButton:
      return button(QWizard::FinishButton);
    default:
      throw tk_mail_assertion("g_wiz_sh", 160);
  }
}

void wizard_shell::enable_button(int control, bool enable) {
  QAbstractButton* b = control_button(control);
  tk_trace(2, "wizard_shell::enable_button(%08X)", static_cast<unsigned>(control));
  b->setEnabled(enable);
}

QString wizard_shell::caption(const char* kind) const {
  if (!initialized_) return QString::fromLatin1(kind);
  return qtext(title_) + QLatin1Char(' ') + QString::fromLatin1(kind);
}

int wizard_shell::show_box(int icon, const std::u16string& text, const char* kind, bool yes_no,
                           bool default_no) {
  // The caption is made where the box is: the window thread owns the state.
  return on_ui_thread([&]() -> int {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption(kind), qtext(text),
                    yes_no ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    initialized_ ? this : nullptr);
    if (yes_no) box.setDefaultButton(default_no ? QMessageBox::No : QMessageBox::Yes);
    return box.exec();
  });
}

void wizard_shell::error(const std::u16string& text) {
  tk_trace_w(1, u"wizard_shell::error(%s)", text.c_str());
  show_box(QMessageBox::Critical, text, "Error", false, false);
  tk_trace_w(3, u"%s", text.c_str());
}

void wizard_shell::error(const std::string& text) {
  error(tk_ansi_to_ucs2(text));
}

void wizard_shell::message(const std::u16string& text) {
  tk_trace_w(1, u"wizard_shell::message(%s)", text.c_str());
  show_box(QMessageBox::Information, text, "Message", false, false);
  tk_trace_w(3, u"%s", text.c_str());
}

void wizard_shell::message(const std::string& text) {
  message(tk_ansi_to_ucs2(text));
}

bool wizard_shell::question(const std::u16string& text, bool default_no) {
  tk_trace_w(1, u"wizard_shell::question(%s)", text.c_str());
  return show_box(QMessageBox::Question, text, "Question", true, default_no) ==
         QMessageBox::Yes;
}

bool wizard_shell::question(const std::string& text, bool default_no) {
  return question(tk_ansi_to_ucs2(text), default_no);
}

void wizard_shell::display_help() {
  tk_trace(2, "wizard_shell::display_help");
  display_help(wizard_page::kDefaultTopic);
}

void wizard_shell::display_help(int topic) {
  tk_trace(2, "wizard_shell::display_help(%d)", topic);
  const QString dir = QString::fromStdString(help_dir_);
  const QString index = dir + QStringLiteral("/index.html");
  if (!QFileInfo(index).isReadable()) {
    error("Help file does not exist. Reinstall the program.");
    return;
  }
  QString page = index;
  if (topic != wizard_page::kDefaultTopic) {
    const QString one = dir + QStringLiteral("/%1.html").arg(topic);
    if (QFileInfo(one).isReadable()) page = one;
  }
  on_ui_thread([&] {
    if (!help_) {
      help_ = new help_window(this);
      help_->setWindowTitle(qtext(title_) + QStringLiteral(" Help"));
    }
    help_->show_page(page);
  });
}

void wizard_shell::help_requested() {
  if (wizard_page* page = current_wizard_page()) page->on_help();
}

void wizard_shell::start_timer(int period_ms) {
  if (timer_.isActive()) throw tk_mail_assertion("g_wiz_sh", 223);
  if (period_ms <= 0) throw tk_mail_assertion("g_wiz_sh", 231);
  timer_.start(period_ms);
}

void wizard_shell::stop_timer() {
  timer_.stop();
}

void wizard_shell::reject() {
  // Escape and the window's close button are Cancel; where Cancel is
  // disabled (the finish page) only Finish ends the wizard.
  if (!button(QWizard::CancelButton)->isEnabled()) return;
  wizard_page* page = current_wizard_page();
  if (page && !page->on_cancel()) return;
  stop_timer();
  QWizard::reject();
}
