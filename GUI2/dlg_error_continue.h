#pragma once
// The question the error policy asks after a recoverable error: "Continue"
// (the default) or "Abort", and "Do not show this dialog box again".
#include <QDialog>
#include <string>

class QCheckBox;

class dlg_error_continue : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kAbort = 1;
  static constexpr int kContinue = 2;
  static constexpr int kDoNotShow = 1222;

  explicit dlg_error_continue(const std::u16string& message, QWidget* parent = nullptr);
  ~dlg_error_continue() override;

  bool do_not_show() const { return do_not_show_; }

 protected:
  // Escape and the window's close button mean Continue, the default.
  void reject() override { done(kContinue); }

 private:
  void on_check();

  QCheckBox* check_;
  bool do_not_show_ = false;
};
