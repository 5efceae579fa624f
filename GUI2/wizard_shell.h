#pragma once
// The wizard's frame: a Wizard97-style sheet holding the pages in order, its
// message boxes, help, the progress timer and the errors a run collected.
// One per process.
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWizard>
#include <string>
#include <vector>

class QTextBrowser;
class help_window;
class wizard_page;

class wizard_shell : public QWizard {
  Q_OBJECT

 public:
  // Control numbers of the sheet's own buttons.
  static constexpr int kCancelButton = 2;
  static constexpr int kHelpButton = 9;
  static constexpr int kFinishButton = 12325;
  static constexpr int kTimerId = 0x10000;

  // `icon`, `watermark` and `header` name the pictures by resource number.
  wizard_shell(const std::u16string& title, int icon, int watermark, int header);
  ~wizard_shell() override;

  // The shell, or null before it exists.
  static wizard_shell* peek() { return instance_; }
  // An internal error when there is none.
  static wizard_shell& instance();
  // False without a shell; else whether a page has applied title and icon.
  static bool is_initialized();

  // Pages go in the order of the wizard; each is known by its template number.
  void add_page(wizard_page* page);
  wizard_page* current_wizard_page() const;
  wizard_page* page_by_template(int template_id) const;
  // Moves straight to a page (the progress page to the finish page).
  void select_page(int template_id);
  // The page that follows `template_id` in the wizard's order, or -1.
  int following_page(int template_id) const;

  void enable_button(int control, bool enable);
  QAbstractButton* control_button(int control) const;

  // Message boxes, callable from any thread: a worker's box is shown by the
  // window thread while the worker waits. Without an initialized shell they
  // have no owner and plain captions.
  void error(const std::u16string& text);
  void error(const std::string& text);
  void message(const std::u16string& text);
  void message(const std::string& text);
  // Yes and No; `default_no` makes No the default button. True for Yes.
  bool question(const std::u16string& text, bool default_no = true);
  bool question(const std::string& text, bool default_no = true);

  // The default topic, or one topic; a missing help folder is reported.
  void display_help();
  void display_help(int topic);
  // The help folder: by default the program's path with ".help" appended.
  void set_help_dir(const std::string& dir) { help_dir_ = dir; }
  const std::string& help_dir() const { return help_dir_; }
  help_window* help() const { return help_; }

  // Ticks go to the current page's on_timer. Starting a running timer is an
  // internal error.
  void start_timer(int period_ms);
  void stop_timer();
  bool timer_running() const { return timer_.isActive(); }

  const std::u16string& title() const { return title_; }
  // Called by the first page that becomes active.
  void apply_title_and_icon();

  // What the error policy collected during a run, for the finish page.
  std::vector<std::string>& errors() { return errors_; }

  // Lays the buttons out as the current page wants them.
  void apply_page_buttons();

 protected:
  void reject() override;

 private:
  void page_changed(int id);
  void help_requested();
  QString caption(const char* kind) const;
  int show_box(int icon, const std::u16string& text, const char* kind, bool yes_no,
               bool default_no);

  std::u16string title_;
  QIcon icon_;
  QPixmap watermark_;
  bool initialized_ = false;
  QTimer timer_;
  std::vector<std::string> errors_;
  std::vector<int> order_;
  std::string help_dir_;
  help_window* help_ = nullptr;
  static inline wizard_shell* instance_ = nullptr;
};
