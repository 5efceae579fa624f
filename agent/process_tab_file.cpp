#include <fstream>
#include <iterator>

#include "TK/tk_file_probe.h"
#include "TK/tk_text.h"
#include "TK/tk_trace.h"
#include "agent/agent.h"
#include "common/tessaly_convertor.h"

namespace {
// Room of one line; a longer line goes on as the next name.
constexpr size_t kLineRoom = 254;
}  // namespace

std::vector<std::u16string> read_tab_names(const std::string& content) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (size_t i = 0; i < line.size(); i += kLineRoom) lines.push_back(line.substr(i, kLineRoom));
  }
  bool utf8 = false;
  bool first = true;
  std::vector<std::u16string> names;
  for (std::string& line : lines) {
    if (line.empty()) continue;
    if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
      utf8 = true;
      line.erase(0, 3);
    }
    first = false;
    if (line.empty()) continue;
    names.push_back(utf8 ? tk_utf8_to_ucs2(line) : tk_ansi_to_ucs2(line));
  }
  return names;
}

void process_tab_file(const std::string& path) {
  tk_trace(1, "process_tab_file(%s)", path.c_str());
  std::ifstream in(path, std::ios::binary);
  if (!tk_is_file_exist(path.c_str(), 0) || !in)
    fatal_exit("Table names file does not exist.\nPlease verify the correct path/name was given.");
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  tessaly_convertor::instance().selected_tables = read_tab_names(content);
}
