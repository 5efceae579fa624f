#pragma once
// The window that shows the help pages installed beside the program.
#include <QDialog>
#include <QString>

class QTextBrowser;

class help_window : public QDialog {
  Q_OBJECT

 public:
  explicit help_window(QWidget* parent = nullptr);
  // Shows one HTML page and brings the window up.
  void show_page(const QString& path);
  const QString& page() const { return page_; }

 private:
  QTextBrowser* browser_;
  QString page_;
};
