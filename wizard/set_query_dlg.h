#pragma once
// "Add Query": a SELECT statement on the source and the name of the table
// its result becomes. Test Query runs it on the source first.
#include <QDialog>
#include <string>

class QLineEdit;
class QPlainTextEdit;

// Whether a query passes as a SELECT: after leading blanks (tab, line feed,
// carriage return, space) the word SELECT in any case. An empty text passes.
bool passes_select_test(const std::u16string& sql);

class set_query_dlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kMaxText = 2048;

  set_query_dlg(const std::u16string& name, const std::u16string& query, QWidget* parent);
  ~set_query_dlg() override;

  const std::u16string& name() const { return name_; }
  const std::u16string& query() const { return query_; }

 protected:
  void reject() override;

 private:
  void on_ok();
  void on_test_query();
  void read();

  QLineEdit* name_edit_;
  QPlainTextEdit* query_edit_;
  std::u16string name_;
  std::u16string query_;
};
