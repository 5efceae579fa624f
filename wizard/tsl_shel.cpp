#include "wizard/tsl_shel.h"

#include <QApplication>
#include <QVersionNumber>
#include <cstdio>
#include <cstring>

#include "GUI2/gui_error_ui.h"
#include "GUI2/gui_finish_page.h"
#include "GUI2/wizard_shell.h"
#include "MSS/mss_messages.h"
#include "ORA/ora_messages.h"
#include "TK/tk_text.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "platform/text/format.h"
#include "tsl_version.h"
#include "wizard/mssql_settings_page.h"
#include "wizard/ora_settings_page.h"
#include "wizard/progress_page.h"
#include "wizard/sel_file_page.h"
#include "wizard/sel_tables_page.h"
#include "wizard/welcome_page.h"

namespace {
constexpr int kMajor = 3;
constexpr int kMinor = 1;
// The oldest Qt whose widgets behave as the wizard expects.
constexpr int kQtMajor = 6;
constexpr int kQtMinor = 2;
}  // namespace

tsl_shel::tsl_shel(const QStringList& args) {
  errors_ = std::make_unique<error_handler>(ora_messages_count, ora_messages);
  errors_->load_err_map(mss_messages_count, mss_messages);
  driver_ = std::make_unique<tessaly_convertor>();
  tessaly_convertor* driver = driver_.get();
  // Once the user has asked to leave, errors end the run without questions.
  ui_ = std::make_unique<gui_error_ui>([driver] { return driver->stop_requested(); });
  errors_->set_ui(ui_.get());
  driver_->serialize(false);

  const std::u16string title =
      tsl::text::format(u"Tessaly %d.%d %s", kMajor, kMinor, u"");
  shell_ = std::make_unique<wizard_shell>(title, 501, 311, 312);
  if (!args.isEmpty()) {
    const std::string path = args.front().toStdString();
    // A profile that cannot be read is said so, not passed over.
    if (!driver_->load_profile(path)) shell_->error("Cannot read the profile file " + path);
  }
  shell_->add_page(new welcome_page);
  shell_->add_page(new mssql_settings_page);
  shell_->add_page(new ora_settings_page);
  shell_->add_page(new sel_file_page);
  shell_->add_page(new sel_tables_page);
  shell_->add_page(new progress_page);
  shell_->add_page(new gui_finish_page(
      QStringLiteral("Wizard has migrated your MS SQL database to\nOracle server successfully.\n\n"
                     "Click 'Finish' to exit the wizard."),
      QStringLiteral("There were some errors while converting the database.\n"
                     "Click 'Finish' to exit the wizard."),
      "tsl", [driver](const std::string& path) { return driver->store_profile(path); }));
}

tsl_shel::~tsl_shel() {
  // The pages go first: a run still going is stopped while the driver lives.
  shell_.reset();
  driver_->serialize(true);
  errors_->set_ui(nullptr);
  driver_.reset();
  ui_.reset();
  errors_.reset();
}

int tsl_shel::exec() {
  return shell_->exec() == QDialog::Accepted ? 0 : 1;
}

int tsl_wizard_main(int argc, char** argv) {
  // Answered before Qt starts, so that it works without a display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("tslwizard %s\n", TSL_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral(TSL_VERSION));
  const QVersionNumber runtime = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
  if (runtime < QVersionNumber(kQtMajor, kQtMinor)) {
    // No frame exists yet: a plain, ownerless box.
    wizard_shell shell(u"", 501, 311, 312);
    shell.error(tsl::text::format("Incorrect version of Qt (%s). Qt %d.%d\nor later is required to "
                                  "proceed with the application.",
                                  qVersion(), kQtMajor, kQtMinor));
    return -1;
  }
  QStringList args = QApplication::arguments();
  args.removeFirst();
  tsl_shel program(args);
  return program.exec();
}
