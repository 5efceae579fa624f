#include "GUI2/gui_error_ui.h"

#include <QApplication>

#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/ui_thread.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_text.h"

namespace {
QWidget* owner() {
  return wizard_shell::is_initialized() ? wizard_shell::peek() : nullptr;
}
}  // namespace

gui_error_ui::gui_error_ui(std::function<bool()> stopping) : stopping_(std::move(stopping)) {}

void gui_error_ui::show_internal_error(const std::string& text) {
  on_ui_thread([&] {
    dlg_error_ex box(tk_ansi_to_ucs2(text), owner());
    box.exec();
  });
}

void gui_error_ui::show_message(const std::string& message) {
  if (stopping_ && stopping_()) return;
  if (wizard_shell* shell = wizard_shell::peek()) {
    shell->error(message);
    return;
  }
  on_ui_thread([&] {
    dlg_error_ex box(tk_ansi_to_ucs2(message), nullptr);
    box.exec();
  });
}

error_ui::continue_answer gui_error_ui::ask_continue(const std::string& message) {
  continue_answer answer;
  // The user is leaving: stop here rather than ask.
  if (stopping_ && stopping_()) {
    answer.abort = true;
    return answer;
  }
  return on_ui_thread([&] {
    dlg_error_continue box(tk_ansi_to_ucs2(message), owner());
    continue_answer a;
    a.abort = box.exec() == dlg_error_continue::kAbort;
    a.do_not_show_again = box.do_not_show();
    return a;
  });
}

size_t gui_error_ui::collected_messages() const {
  wizard_shell* shell = wizard_shell::peek();
  return on_ui_thread([shell]() -> size_t { return shell ? shell->errors().size() : 0; });
}

void gui_error_ui::collect_message(const std::string& message) {
  on_ui_thread([&] {
    if (wizard_shell* shell = wizard_shell::peek()) shell->errors().push_back(message);
  });
}
