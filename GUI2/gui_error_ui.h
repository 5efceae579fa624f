#pragma once
// The error policy's dialogs in the wizard. The policy calls them from the
// conversion's worker thread; each dialog is shown by the window thread
// while the worker waits for the answer.
#include <functional>

#include "common/error_ui.h"

class gui_error_ui : public error_ui {
 public:
  // `stopping` tells whether the user has already asked to leave: the run
  // then ends without asking anything more.
  explicit gui_error_ui(std::function<bool()> stopping = {});

  void show_internal_error(const std::string& text) override;
  void show_message(const std::string& message) override;
  continue_answer ask_continue(const std::string& message) override;
  size_t collected_messages() const override;
  void collect_message(const std::string& message) override;

 private:
  std::function<bool()> stopping_;
};
