#pragma once
// One tessaly command's engine: the trace log, the error policy and the
// conversion driver, set up from the command line and a profile the way the
// agent sets them up, with connections made on demand.
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tessaly/cli_options.h"
#include "tessaly/progress_display.h"

class error_handler;
class mss_database;
class tessaly_convertor;
class tk_trace_log;

namespace tessaly {

class console_errors;

// A table or query of a run with the Oracle table it goes to.
struct planned_entry {
  std::u16string name;
  std::u16string sql;  // empty for a table
  std::u16string target;
};

class session {
 public:
  // Raises tk_exception (severity 1) for settings it cannot use.
  explicit session(const cli_options& options);
  ~session();

  tessaly_convertor& driver() { return *driver_; }
  progress_display& display() { return *display_; }

  // The MS SQL side: connects and opens the database read-only.
  std::unique_ptr<mss_database> open_source();
  void connect_destination();

  // Narrows the driver's selection to the command line's names and patterns
  // (queries of a profile are matched by name too). Raises when nothing is
  // left, rather than let an empty selection mean every table.
  void apply_selection(mss_database& source);
  // What a run would convert, in its order, with the names it would give.
  std::vector<planned_entry> plan(mss_database& source);

 private:
  const cli_options& options_;
  std::unique_ptr<tk_trace_log> log_;
  std::unique_ptr<error_handler> errors_;
  std::unique_ptr<tessaly_convertor> driver_;
  std::unique_ptr<progress_display> display_;
  std::unique_ptr<console_errors> ui_;
  std::vector<std::u16string> selection_names_;
};

}  // namespace tessaly
