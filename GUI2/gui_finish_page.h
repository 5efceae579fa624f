#pragma once
// The finish page: says whether the run went well, lists the errors it
// collected (one a line, a blank line between them), and saves the settings
// as a profile. Only Finish leaves it.
#include <functional>
#include <string>

#include "GUI2/wizard_page.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

class gui_finish_page : public wizard_page {
  Q_OBJECT

 public:
  // `store` writes the profile to a path and answers whether it could.
  gui_finish_page(const QString& success_text, const QString& error_text,
                  const std::string& extension, std::function<bool(const std::string&)> store);
  ~gui_finish_page() override;

  bool page_init() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void on_save();
  void on_eb_focus();

  QString success_text_;
  QString error_text_;
  std::string extension_;
  std::function<bool(const std::string&)> store_;
  QLabel* heading_;
  QLabel* text_;
  QPlainTextEdit* errors_;
  bool first_focus_ = true;
};
