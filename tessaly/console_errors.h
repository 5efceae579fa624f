#pragma once
// The error policy's answers for tessaly: every message is a line on
// standard error, a recoverable error never stops the run, and a serious one
// stops it (the run then ends as failed) instead of ending the process, so
// the report is still written.
#include <cstddef>
#include <functional>
#include <string>

#include "common/error_ui.h"

namespace tessaly {

class console_errors : public error_ui {
 public:
  using printer = std::function<void(const std::string&)>;
  explicit console_errors(printer print) : print_(std::move(print)) {}

  void show_internal_error(const std::string& text) override { print_("internal error: " + text); }
  void show_message(const std::string& message) override { print_("error: " + message); }
  continue_answer ask_continue(const std::string& message) override {
    print_("error: " + message);
    return continue_answer{};
  }
  // Messages are printed as they come; none is kept.
  size_t collected_messages() const override { return 0; }
  void collect_message(const std::string&) override {}

 private:
  printer print_;
};

}  // namespace tessaly
