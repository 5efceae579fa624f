#include "GUI2/profile_dialog.h"

#include <QFileDialog>
#include <QStringList>

#include "TK/tk_exception.h"

namespace {

std::string run(QWidget* parent, const std::string& extension, bool save) {
  const QString ext = QString::fromStdString(extension);
  QFileDialog dialog(parent, QStringLiteral("Select Profile File"));
  dialog.setObjectName(save ? QStringLiteral("save_profile") : QStringLiteral("open_profile"));
  // Qt's own dialog on every desktop, so it behaves the same everywhere.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(
      {QStringLiteral("Profile Files (*.%1)").arg(ext), QStringLiteral("All Files (*)")});
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(ext);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return {};
  QString path = files.front();
  if (save && !path.contains(QLatin1Char('.') + ext)) path += QLatin1Char('.') + ext;
  return path.toStdString();
}

}  // namespace

std::string open_profile_dialog(QWidget* parent, const std::string& extension) {
  if (extension.size() != 3) throw tk_mail_assertion("g_finish", 253);
  return run(parent, extension, false);
}

std::string save_profile_dialog(QWidget* parent, const std::string& extension) {
  if (extension.size() != 3) throw tk_mail_assertion("g_finish", 137);
  return run(parent, extension, true);
}
