#pragma once
// What the error policy asks of a front-end with windows. The wizard
// implements it and installs it with error_handler::set_ui; without one the
// policy behaves as the console agent does (lines on standard output).
#include <cstddef>
#include <string>

class error_ui {
 public:
  // The user's answer to the continue dialog of a recoverable error.
  struct continue_answer {
    bool abort = false;
    // "&Do not show this dialog box again" was ticked.
    bool do_not_show_again = false;
  };

  virtual ~error_ui() = default;

  // The internal-error dialog; the process ends after it.
  virtual void show_internal_error(const std::string& text) = 0;
  // A message box for a serious error.
  virtual void show_message(const std::string& message) = 0;
  // The continue dialog: the message, "Continue" and "Abort", and the check box.
  virtual continue_answer ask_continue(const std::string& message) = 0;

  // The messages of the session that the finish page shows.
  virtual size_t collected_messages() const = 0;
  virtual void collect_message(const std::string& message) = 0;
};
