#pragma once
// The wizard program: builds the error policy, the conversion driver with
// the settings of the last session, a profile named on the command line,
// the frame and its seven pages; runs them; and keeps the settings for the
// next session when it ends.
#include <QStringList>
#include <memory>

class error_handler;
class gui_error_ui;
class tessaly_convertor;
class wizard_shell;

class tsl_shel {
 public:
  // `args` are the command-line arguments after the program's name; the
  // first names a profile to load before the first page.
  explicit tsl_shel(const QStringList& args);
  // Stores the settings for the next session.
  ~tsl_shel();

  // Shows the wizard modally: 0 after Finish, 1 after Cancel.
  int exec();

  wizard_shell& shell() { return *shell_; }
  tessaly_convertor& driver() { return *driver_; }

  static const char* title_format() { return "Tessaly %d.%d %s"; }

 private:
  std::unique_ptr<error_handler> errors_;
  std::unique_ptr<gui_error_ui> ui_;
  std::unique_ptr<tessaly_convertor> driver_;
  std::unique_ptr<wizard_shell> shell_;
};

// The program's entry: the Qt runtime check, then the wizard. Answers the
// exit status.
int tsl_wizard_main(int argc, char** argv);
