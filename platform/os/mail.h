#pragma once
// Hands a mail to the system's mail submission program.
#include <string>

namespace tsl::os {

struct mail_message {
  std::string subject;
  std::string body;
  std::string date;  // informational; the submission program stamps its own
  std::string to_name;
  std::string to_address;
};

// The path of the mail submission program (sendmail), or empty when none is
// installed. TSL_SENDMAIL overrides the search (tests point it at a script).
std::string find_mail_submitter();

// Runs "<submitter> -t" with the message on its standard input; answers the
// program's exit status, or -1 when it could not be run.
int submit_mail(const std::string& submitter, const mail_message& message);

}  // namespace tsl::os
