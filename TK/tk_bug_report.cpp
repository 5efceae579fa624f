#include "TK/tk_bug_report.h"

#include <ctime>

#include "TK/tk_file_probe.h"
#include "TK/tk_trace.h"
#include "platform/os/mail.h"
#include "platform/text/format.h"

void tk_send_bug_report(const std::string& subject_suffix, const std::string& body) {
  tsl::os::mail_message message;
  message.subject = "Bug report on " + subject_suffix;
  message.body = body;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now != static_cast<std::time_t>(-1) && localtime_r(&now, &local)) {
    message.date = tsl::text::format("%d/%d/%d %d:%d", local.tm_year + 1900, local.tm_mon + 1,
                                     local.tm_mday, local.tm_hour, local.tm_min);
  }
  message.to_name = kSupportName;
  message.to_address = kSupportAddress;

  // A mail program may change the current directory; it is put back when the
  // report ends, whatever happens.
  tk_current_dir_keeper keeper(".");
  std::string submitter = tsl::os::find_mail_submitter();
  if (submitter.empty()) {
    tk_trace(2, "Failed to locate sendmail");
    return;
  }
  int result = tsl::os::submit_mail(submitter, message);
  tk_trace(2, "sendmail returns %d", result);
}
