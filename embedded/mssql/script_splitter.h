#pragma once
// Cuts a script into batches at lines that hold only GO (or GO n), reading
// line by line so that a script of any size is run one batch at a time. A
// GO inside a block comment is part of the comment, as sqlcmd takes it.
#include <optional>
#include <string>
#include <string_view>

namespace tsl::mssql {

// One batch of a script: its text, the script line it starts on (1-based)
// and how many times to run it ("GO 3" runs it three times).
struct script_batch {
  std::string text;
  int first_line = 1;
  int repeat = 1;
};

class script_splitter {
 public:
  // Takes the next line (without its newline); a batch when the line ended
  // one. Batches of blanks only, and GO 0, come out with repeat 0.
  std::optional<script_batch> add_line(std::string_view line);
  // The batch after the last GO, when there is one.
  std::optional<script_batch> finish();

 private:
  // Follows quotes and comments through a line that is part of a batch.
  void scan(std::string_view line);

  std::string current_;
  int line_no_ = 0;
  int first_ = 1;
  int comment_depth_ = 0;  // nested /* */
  char quote_ = 0;         // the closing character of an open ', " or [
};

}  // namespace tsl::mssql
