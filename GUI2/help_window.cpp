#include "GUI2/help_window.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

help_window::help_window(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("Help"));
  browser_->setOpenLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(560, 480);
}

void help_window::show_page(const QString& path) {
  page_ = path;
  browser_->setSource(QUrl::fromLocalFile(path));
  show();
  raise();
  activateWindow();
}
