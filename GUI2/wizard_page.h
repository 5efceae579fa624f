#pragma once
// What every page of the wizard has in common: its template number, header,
// help topic and wizard buttons, and the operations the frame calls as the
// user moves through the wizard.
#include <QFont>
#include <QString>
#include <QWizardPage>

class wizard_page : public QWizardPage {
  Q_OBJECT

 public:
  // Which wizard buttons a page enables when it becomes active.
  enum class buttons { next, back_next, none, finish };
  // Help topics: none at all, or the default one.
  static constexpr int kNoHelp = -1;
  static constexpr int kDefaultTopic = 0;

  // An empty title and subtitle give an exterior page (no header).
  wizard_page(int template_id, const QString& title, const QString& subtitle, buttons wizard_buttons,
              int help_topic);
  ~wizard_page() override;

  int template_id() const { return template_id_; }
  buttons wizard_buttons() const { return buttons_; }
  int help_topic() const { return help_topic_; }

  // Fills the controls each time the page becomes active; false keeps the
  // page from activating.
  virtual bool page_init() { return true; }
  virtual bool on_kill_active() { return true; }
  virtual bool on_finish() { return true; }
  virtual void on_help();
  // 0 moves on, -1 stays, another value is the template number to go to.
  virtual int on_next() { return 0; }
  virtual int on_back() { return 0; }
  // Asks whether to leave the wizard; true closes it.
  virtual bool on_cancel();
  virtual void on_timer(int /*id*/) {}

  // Called by the frame when the page has become active.
  bool OnSetActive();

  // Toggles a check box; a control that is not one is an internal error.
  void invert_chbox(int id);
  // "Verdana" 10 points bold (or the closest the system has).
  QFont heading_font() const;

  // A control by its resource number (its object name).
  template <typename W>
  W* control(int id) const {
    return findChild<W*>(QString::number(id));
  }

 protected:
  // Runs after the user said Yes to leaving, before the wizard closes: a
  // page with work under way ends it here.
  virtual void before_close() {}
  // Names a control by its resource number so that tests and the frame
  // find it.
  template <typename W>
  W* named(W* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
  }

  bool validatePage() override;
  void cleanupPage() override;
  int nextId() const override;
  void initializePage() override {}

 private:
  int template_id_;
  buttons buttons_;
  int help_topic_;
  mutable int jump_to_ = 0;
};
