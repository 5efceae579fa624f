#pragma once
// The error policy: turns an exception into a readable message, shows it the
// way of the front-end, and decides whether the run goes on, stops, or the
// program ends.
//
// Two behaviours exist. Without an installed error_ui (the default) it is the
// console agent's: messages go to standard output and serious and internal
// errors end the process with status -1. The wizard installs its dialogs with
// set_ui and gets the dialog behaviour: serious errors stop the run by
// raising tk_final_exception instead of ending the process.
#include <cstddef>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_singleton.h"
#include "common/error_ui.h"
#include "common/tk_error_converter.h"

class error_handler : public tk_singleton<error_handler> {
 public:
  // run_level of handle(): the caller can go on with its next record or
  // table, or ends anyway (the run itself, the program entries).
  static constexpr int kCanGoOn = 0;
  static constexpr int kEndsAnyway = 1;
  // The finish page lists at most this many messages of a session.
  static constexpr size_t kMaxCollected = 20;

  // Loads the error map from the first table (the Oracle messages).
  error_handler(size_t count, const tk_error_entry* table);
  ~error_handler();

  // Adds a further table (the MS SQL messages); known codes keep their text.
  void load_err_map(size_t count, const tk_error_entry* table);

  // The text that prefixes the next messages: a table name, a table and a
  // one-based record number ("%s, record #%d"), or nothing.
  void set_context(const std::u16string& table);
  void set_context(const std::u16string& table, int record);
  void clear_context() { context_.clear(); }
  const std::string& context() const { return context_; }

  bool silent() const { return silent_; }
  void set_silent(bool silent) { silent_ = silent; }

  // Not owned; null restores the console behaviour.
  void set_ui(error_ui* ui) { ui_ = ui; }

  // The context, then the mapped text of the error code or else the
  // exception's own text, on one line.
  std::string build_message(const tk_exception& e) const;

  // Judges one exception by its severity: returns when the caller may go on,
  // raises tk_final_exception to stop a run (dialogs only), or ends the
  // process with status -1.
  void handle(const tk_exception& e, int run_level);

 private:
  [[noreturn]] void internal_error(const tk_exception& e);
  void serious_error(const std::string& message, int run_level);
  void recoverable_error(const std::string& message, int run_level);
  void write_error(const std::string& message) const;
  [[noreturn]] static void end_process();

  std::string context_;
  bool silent_ = false;
  tk_error_converter error_map_;
  error_ui* ui_ = nullptr;
};
