#include "platform/os/mail.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace tsl::os {

namespace {

// Header values must not carry line breaks, or they would add headers.
std::string header_value(const std::string& s) {
  std::string out;
  for (char c : s) out.push_back(c == '\r' || c == '\n' ? ' ' : c);
  return out;
}

}  // namespace

std::string find_mail_submitter() {
  if (const char* env = std::getenv("TSL_SENDMAIL")) {
    return *env && access(env, X_OK) == 0 ? env : "";
  }
  for (const char* p : {"/usr/sbin/sendmail", "/usr/lib/sendmail", "/usr/bin/sendmail"}) {
    if (access(p, X_OK) == 0) return p;
  }
  return {};
}

int submit_mail(const std::string& submitter, const mail_message& m) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    dup2(fds[0], 0);
    close(fds[0]);
    close(fds[1]);
    // -i: a line holding a single dot must not end the message early.
    execl(submitter.c_str(), submitter.c_str(), "-t", "-i", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[0]);
  FILE* f = fdopen(fds[1], "w");
  if (!f) {
    close(fds[1]);
  } else {
    std::fprintf(f, "To: \"%s\" <%s>\n", header_value(m.to_name).c_str(),
                 header_value(m.to_address).c_str());
    std::fprintf(f, "Subject: %s\n", header_value(m.subject).c_str());
    if (!m.date.empty()) std::fprintf(f, "X-Date-Received: %s\n", header_value(m.date).c_str());
    std::fprintf(f, "\n%s\n", m.body.c_str());
    std::fclose(f);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tsl::os
