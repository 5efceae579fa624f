#include "common/error_handler.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_trace_log.h"
#include "testing/temp_dir.h"

namespace {

// An error as the engines raise them: a message, a code and a severity.
class coded_error : public tk_exception {
 public:
  coded_error(const char* text, uint32_t code, int severity) : tk_exception(text, severity) {
    system_error_ = code;
  }
};

const tk_error_entry kOracle[] = {
    {0x100001, "ORA-00001: unique constraint violated.\nA row with the same key exists."},
    {0x100036, "ORA-00054: resource busy."},
};
const tk_error_entry kMssql[] = {
    {0x84005, "Cannot open the database.\nCheck the name."},
};

struct child_result {
  int status = -1;  // exit status, or -1 when the child did not exit normally
  std::string out;  // what it wrote to standard output
};

// Runs `body` in a child process with its standard output captured. A body
// that returns ends the child with status 0, one that stops the run with 2.
child_result run_in_child(const std::function<void()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    close(fds[1]);
    int status = 0;
    try {
      body();
    } catch (const tk_final_exception&) {
      status = 2;
    } catch (const std::exception&) {
      status = 3;
    }
    std::fflush(stdout);
    _exit(status);
  }
  close(fds[1]);
  child_result result;
  char buf[512];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) result.out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
  return result;
}

class ErrorHandler : public ::testing::Test {
 protected:
  ErrorHandler() { handler_.load_err_map(1, kMssql); }
  // Held by pointer: the singleton's destructor may raise, a fixture's may not.
  std::unique_ptr<error_handler> holder_ = std::make_unique<error_handler>(2, kOracle);
  error_handler& handler_ = *holder_;
};

TEST_F(ErrorHandler, RecordContextAndMappedTextOnOneLine) {
  handler_.set_context(u"Orders", 5);
  EXPECT_EQ(handler_.context(), "Orders, record #5");
  EXPECT_EQ(handler_.build_message(
                coded_error("ORA-00001: unique constraint (X.PK) violated", 0x100001, 0)),
            "Orders, record #5: ORA-00001: unique constraint violated. "
            "A row with the same key exists.");
  handler_.set_context(u"Orders");
  EXPECT_EQ(handler_.build_message(coded_error("raw", 0x84005, 0)),
            "Orders: Cannot open the database. Check the name.");
}

TEST_F(ErrorHandler, UnknownCodeShowsTheExceptionsOwnText) {
  handler_.set_context(u"Lines");
  EXPECT_EQ(
      handler_.build_message(coded_error("ORA-01400: cannot insert NULL\ninto X", 0x100578, 0)),
      "Lines: ORA-01400: cannot insert NULL into X");
  handler_.clear_context();
  EXPECT_EQ(handler_.build_message(tk_exception("plain text", 1)), "plain text");
  // A table name that is not ASCII reaches the narrow message intact.
  handler_.set_context(u"K\u00f6ln", 1);
  EXPECT_EQ(handler_.build_message(tk_exception("x", 0)), "K\xC3\xB6ln, record #1: x");
}

TEST_F(ErrorHandler, IsASingleInstance) {
  EXPECT_TRUE(error_handler::exists());
  EXPECT_EQ(&error_handler::instance(), &handler_);
  EXPECT_THROW(error_handler(0, nullptr), tk_mail_assertion);
}

TEST_F(ErrorHandler, TheLogKeepsTheMessageWithItsLineFeeds) {
  tsl::testing::temp_dir dir;
  std::string file = dir.file("agent.log");
  {
    tk_trace_log log(file.c_str(), true, 3, false);
    handler_.set_context(u"T", 2);
    handler_.build_message(coded_error("x", 0x100036, 0));
  }
  EXPECT_EQ(tsl::testing::read_file(file), "Error:\nT, record #2: ORA-00054: resource busy.\r\n");
}

// The console behaviour of the agent (no dialogs installed).

TEST_F(ErrorHandler, AgentRecoverableErrorPrintsAndGoesOn) {
  child_result r = run_in_child([&] {
    handler_.set_context(u"Orders", 5);
    handler_.handle(coded_error("unused", 0x100001, 0), error_handler::kCanGoOn);
    std::printf("next record\n");
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Error:\nOrders, record #5: ORA-00001: unique constraint violated. "
            "A row with the same key exists.\nnext record\n");

  r = run_in_child(
      [&] { handler_.handle(tk_exception("at the entry", 0), error_handler::kEndsAnyway); });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Error:\nat the entry\n");
}

TEST_F(ErrorHandler, AgentSeriousErrorPrintsAndEndsWithMinusOne) {
  for (int run_level : {error_handler::kCanGoOn, error_handler::kEndsAnyway}) {
    child_result r = run_in_child([&] {
      handler_.set_context(u"Orders");
      handler_.handle(tk_exception("Logfile path does not exist.\nPlease verify.", 1), run_level);
      std::printf("not reached\n");
    });
    EXPECT_EQ(r.status, 255) << run_level;  // exit(-1)
    EXPECT_EQ(r.out, "Error:\nOrders: Logfile path does not exist. Please verify.\n");
  }
}

TEST_F(ErrorHandler, AgentInternalErrorPrintsItsTextAndEndsWithMinusOne) {
  child_result r = run_in_child([&] {
    handler_.set_context(u"Orders", 3);  // not part of an internal error's text
    handler_.handle(tk_mail_assertion("x.cpp", 7), error_handler::kCanGoOn);
  });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Internal error: Internal error: \ncode=782e6370705c37\n");

  // A severity nobody defined is treated as an internal error, not dropped.
  r = run_in_child([&] { handler_.handle(tk_exception("odd", 7), error_handler::kCanGoOn); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Internal error: odd\n");
}

TEST_F(ErrorHandler, AgentSilentPrintsNothing) {
  handler_.set_silent(true);
  child_result r = run_in_child([&] {
    handler_.handle(tk_exception("recoverable", 0), error_handler::kCanGoOn);
    std::printf("went on");
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "went on");

  r = run_in_child([&] { handler_.handle(tk_exception("serious", 1), error_handler::kCanGoOn); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");

  r = run_in_child([&] { handler_.handle(tk_mail_assertion("y", 1), error_handler::kCanGoOn); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "");
}

// The dialog behaviour the wizard installs.

class fake_ui : public error_ui {
 public:
  // Also printed: the process ends right after it.
  void show_internal_error(const std::string& text) override {
    internal.push_back(text);
    std::printf("dialog: %s", text.c_str());
  }
  void show_message(const std::string& message) override { shown.push_back(message); }
  continue_answer ask_continue(const std::string& message) override {
    asked.push_back(message);
    return answer;
  }
  size_t collected_messages() const override { return collected.size(); }
  void collect_message(const std::string& message) override { collected.push_back(message); }

  continue_answer answer;
  std::vector<std::string> internal, shown, asked, collected;
};

class ErrorHandlerWithDialogs : public ErrorHandler {
 protected:
  ErrorHandlerWithDialogs() { handler_.set_ui(&ui_); }
  fake_ui ui_;
};

TEST_F(ErrorHandlerWithDialogs, AbortStopsTheRunOnlyWhereItCouldGoOn) {
  ui_.answer.abort = true;
  handler_.set_context(u"Orders", 5);
  EXPECT_THROW(handler_.handle(coded_error("x", 0x100036, 0), error_handler::kCanGoOn),
               tk_final_exception);
  ASSERT_EQ(ui_.asked.size(), 1u);
  EXPECT_EQ(ui_.asked[0], "Orders, record #5: ORA-00054: resource busy.");
  EXPECT_NO_THROW(handler_.handle(tk_exception("y", 0), error_handler::kEndsAnyway));

  ui_.answer.abort = false;
  EXPECT_NO_THROW(handler_.handle(tk_exception("z", 0), error_handler::kCanGoOn));
  EXPECT_EQ(ui_.asked.size(), 3u);
  EXPECT_FALSE(handler_.silent());
}

TEST_F(ErrorHandlerWithDialogs, DoNotShowAgainSilencesLaterRecoverableErrors) {
  ui_.answer.do_not_show_again = true;
  handler_.handle(tk_exception("first", 0), error_handler::kCanGoOn);
  EXPECT_TRUE(handler_.silent());
  ui_.answer.abort = true;  // never asked again, so the run goes on
  EXPECT_NO_THROW(handler_.handle(tk_exception("second", 0), error_handler::kCanGoOn));
  EXPECT_EQ(ui_.asked.size(), 1u);
  EXPECT_EQ(ui_.collected.size(), 2u);  // the finish page still lists both
}

TEST_F(ErrorHandlerWithDialogs, SeriousErrorShowsThenStopsTheRun) {
  EXPECT_THROW(handler_.handle(tk_exception("serious", 1), error_handler::kCanGoOn),
               tk_final_exception);
  EXPECT_NO_THROW(handler_.handle(tk_exception("at the end", 1), error_handler::kEndsAnyway));
  EXPECT_EQ(ui_.shown, (std::vector<std::string>{"serious", "at the end"}));

  handler_.set_silent(true);
  EXPECT_THROW(handler_.handle(tk_exception("quiet", 1), error_handler::kCanGoOn),
               tk_final_exception);
  EXPECT_EQ(ui_.shown.size(), 2u);
}

TEST_F(ErrorHandlerWithDialogs, FinishPageListGetsTwentyMessagesAtMost) {
  for (int i = 1; i <= 25; ++i) {
    handler_.set_context(u"T", i);
    handler_.handle(tk_exception("e", 0), error_handler::kCanGoOn);
  }
  ASSERT_EQ(ui_.collected.size(), error_handler::kMaxCollected);
  EXPECT_EQ(ui_.collected.back(), "T, record #20: e");
  EXPECT_EQ(ui_.asked.size(), 25u);
}

TEST_F(ErrorHandlerWithDialogs, InternalErrorShowsItsDialogAndEndsWithMinusOne) {
  child_result r = run_in_child(
      [&] { handler_.handle(tk_mail_assertion("x.cpp", 7), error_handler::kEndsAnyway); });
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "dialog: Internal error: \ncode=782e6370705c37");  // no console line
}

TEST_F(ErrorHandlerWithDialogs, RemovingTheDialogsRestoresTheConsole) {
  handler_.set_ui(nullptr);
  child_result r = run_in_child([&] { handler_.handle(tk_exception("e", 0), 0); });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Error:\ne\n");
  EXPECT_TRUE(ui_.collected.empty());
}

}  // namespace
