#include "common/error_handler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "platform/text/format.h"

error_handler::error_handler(size_t count, const tk_error_entry* table) : error_map_(count, table) {
  tk_trace(2, "error_handler::ctor");
}

error_handler::~error_handler() {
  tk_trace(2, "error_handler::dtor");
}

void error_handler::load_err_map(size_t count, const tk_error_entry* table) {
  tk_trace(2, "error_handler::load_err_map");
  error_map_.load_map(count, table);
}

void error_handler::set_context(const std::u16string& table) {
  context_ = tk_ucs2_to_ansi(table);
}

void error_handler::set_context(const std::u16string& table, int record) {
  context_ = tsl::text::format("%s, record #%d", tk_ucs2_to_ansi(table).c_str(), record);
}

std::string error_handler::build_message(const tk_exception& e) const {
  std::string message;
  if (!context_.empty()) message = context_ + ": ";
  std::string known = error_map_.convert(e.system_error());
  message += known.empty() ? std::string(e.what()) : known;
  tk_trace(3, "Error:\n%s", message.c_str());
  std::replace(message.begin(), message.end(), '\n', ' ');
  return message;
}

void error_handler::handle(const tk_exception& e, int run_level) {
  tk_trace(2, "error_handler::handle");
  int severity = e.severity();
  // A severity outside the known range is a fault of whoever raised it.
  if (severity != 0 && severity != 1) internal_error(e);

  std::string message = build_message(e);
  if (ui_ && ui_->collected_messages() < kMaxCollected) ui_->collect_message(message);
  if (severity == 1) {
    serious_error(message, run_level);
  } else {
    recoverable_error(message, run_level);
  }
}

void error_handler::internal_error(const tk_exception& e) {
  tk_trace(3, "Internal error:\n%s", e.what());
  if (ui_) {
    ui_->show_internal_error(e.what());
  } else if (!silent_) {
    std::printf("Internal error: %s\n", e.what());
  }
  end_process();
}

void error_handler::serious_error(const std::string& message, int run_level) {
  tk_trace(1, "Got 1-level error");
  if (!ui_) {
    if (!silent_) write_error(message);
    end_process();
  }
  if (!silent_) ui_->show_message(message);
  if (run_level == kCanGoOn) throw tk_final_exception();
}

void error_handler::recoverable_error(const std::string& message, int run_level) {
  tk_trace(1, "Got 0-level error");
  if (silent_) return;
  if (!ui_) {
    write_error(message);
    return;
  }
  error_ui::continue_answer answer = ui_->ask_continue(message);
  if (run_level == kCanGoOn && answer.abort) throw tk_final_exception();
  silent_ = answer.do_not_show_again;
}

void error_handler::write_error(const std::string& message) const {
  std::printf("Error:\n%s\n", message.c_str());
  std::fflush(stdout);
}

void error_handler::end_process() {
  std::fflush(stdout);
  std::exit(-1);
}
