#pragma once
// The internal-error dialog: the message, "Send bug" (the default), "OK" and
// "Copy to clipboard". The program ends after it.
#include <QDialog>
#include <string>

class dlg_error_ex : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOk = 1;
  static constexpr int kCopy = 1108;
  static constexpr int kSendBug = 1112;

  explicit dlg_error_ex(const std::u16string& message, QWidget* parent = nullptr);
  ~dlg_error_ex() override;

  const std::u16string& message_text() const { return message_; }

  // Puts the message on the clipboard as text; false when there is no
  // clipboard to put it on.
  static bool copy_to_clipboard(const std::u16string& text);

 private:
  void on_copy();
  void on_send_bug();

  std::u16string message_;
};
