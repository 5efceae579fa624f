#include "TK/tk_program_path.h"

#include "TK/tk_exception.h"
#include "platform/os/process.h"
#include "platform/text/ansi.h"

std::string tk_get_program_path() {
  std::string path = tsl::os::program_path();
  if (path.empty()) throw tk_mail_assertion("tk_utils", 113);
  return path;
}

std::u16string tk_get_program_wpath() {
  std::string path = tsl::os::program_path();
  if (path.empty()) throw tk_mail_assertion("tk_utils", 126);
  std::u16string wide;
  tsl::text::ansi_to_utf16(path, wide);
  return wide;
}
