#include "embedded/mssql_tds/request_runner.h"

#include <vector>

#include "embedded/mssql/parser.h"
#include "embedded/mssql_tds/column_codec.h"
#include "embedded/mssql_tds/protocol.h"
#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/tokens.h"
#include "platform/text/utf.h"

namespace tsl::tds {
namespace {

// CurCmd of the DONE tokens, as SQL Server numbers its statements.
uint16_t command_of(const mssql::statement& st) {
  if (std::holds_alternative<mssql::select_stmt>(st)) return 0xC1;
  if (std::holds_alternative<mssql::insert_stmt>(st)) return 0xC3;
  if (std::holds_alternative<mssql::delete_stmt>(st)) return 0xC4;
  if (std::holds_alternative<mssql::update_stmt>(st)) return 0xC5;
  if (std::holds_alternative<mssql::exec_stmt>(st)) return 0xE0;
  return 0;
}

bool counts_rows(const mssql::statement& st) {
  return std::holds_alternative<mssql::insert_stmt>(st) ||
         std::holds_alternative<mssql::delete_stmt>(st) ||
         std::holds_alternative<mssql::update_stmt>(st);
}

constexpr int kAttentionEvery = 64;  // rows between looks for an attention

}  // namespace

request_runner::request_runner(mssql::session& s, message_writer& out, uint32_t tds_version,
                               std::u16string server_name, std::function<bool()> attention)
    : session_(s),
      out_(out),
      version_(tds_version),
      server_name_(std::move(server_name)),
      attention_(std::move(attention)) {}

void request_runner::write_error(const mssql::sql_error& e) {
  for (const auto& r : e.records()) {
    server_message m;
    m.number = r.number;
    m.state = static_cast<uint8_t>(r.state);
    m.severity = static_cast<uint8_t>(r.severity);
    m.text = text::utf8_to_utf16(r.message);
    m.server = server_name_;
    write_message(out_.out(), m, version_);
  }
}

void request_runner::write_info(int32_t number, const std::string& text) {
  server_message m;
  m.number = number;
  m.severity = 0;
  m.text = text::utf8_to_utf16(text);
  m.server = server_name_;
  write_message(out_.out(), m, version_);
}

void request_runner::flush_pending(bool more) {
  if (!pending_) return;
  write_done(out_.out(), pending_->token,
             static_cast<uint16_t>(pending_->status | (more ? done::kMore : 0)), pending_->command,
             pending_->rows, version_);
  pending_.reset();
}

bool request_runner::stream(mssql::result_set& r, uint64_t& rows) {
  std::vector<column_codec> codecs;
  codecs.reserve(r.columns().size());
  for (const auto& c : r.columns()) codecs.emplace_back(c, version_, session_.text_size());
  wire_writer& w = out_.out();
  w.u8(token::kColMetadata);
  w.u16(static_cast<uint16_t>(codecs.size()));
  for (const auto& c : codecs) c.write_metadata(w);
  std::vector<mssql::value> row;
  while (r.next(row)) {
    const size_t mark = w.size();
    try {
      w.u8(token::kRow);
      for (size_t i = 0; i < codecs.size(); ++i) codecs[i].write_value(w, row[i]);
    } catch (const mssql::sql_error&) {
      w.bytes().resize(mark);  // no half row before the error
      throw;
    }
    ++rows;
    out_.flush_full();
    if (rows % kAttentionEvery == 0 && attention_()) return false;
  }
  return true;
}

request_runner::outcome request_runner::run_one(const mssql::statement& st, bool in_proc) {
  const uint8_t done_token = in_proc ? token::kDoneInProc : token::kDone;
  flush_pending(true);
  const uint16_t command = command_of(st);
  uint64_t rows = 0;
  bool had_rows = false;
  // Result sets from inside IF, WHILE and BEGIN ... END go out as their
  // statements run, each closed by its own DONE.
  struct stopped {};
  bool nested = false;
  mssql::session::result_sink saved =
      session_.swap_result_sink([&](std::unique_ptr<mssql::result_set> inner) {
        flush_pending(true);
        nested = true;
        uint64_t n = 0;
        const bool whole = inner->columns().empty() || stream(*inner, n);
        pending_ = pending_done{done_token, done::kCount, 0xC1, n};
        if (!whole) throw stopped{};
      });
  struct restore {
    mssql::session& s;
    mssql::session::result_sink& saved;
    ~restore() { s.swap_result_sink(std::move(saved)); }
  } restore_sink{session_, saved};
  try {
    const std::string before = session_.current().name();
    std::unique_ptr<mssql::result_set> r;
    try {
      r = session_.run(st);
    } catch (const stopped&) {
      return outcome::cancelled;
    }
    if (nested && !r && !std::holds_alternative<mssql::exec_stmt>(st)) return outcome::ok;
    flush_pending(true);
    if (r && !r->columns().empty()) {
      had_rows = true;
      if (!stream(*r, rows)) {
        pending_ = pending_done{done_token, done::kCount, command, rows};
        return outcome::cancelled;
      }
    }
    if (std::holds_alternative<mssql::use_stmt>(st)) {
      const std::string& now = session_.current().name();
      write_env_text(out_.out(), env::kDatabase, text::utf8_to_utf16(now),
                     text::utf8_to_utf16(before));
      write_info(5701, "Changed database context to '" + now + "'.");
    }
    uint16_t status = 0;
    if (had_rows) {
      status = done::kCount;
    } else if (counts_rows(st)) {
      status = done::kCount;
      rows = static_cast<uint64_t>(session_.rows_affected());
    }
    if (session_.no_count()) status = 0;
    if (std::holds_alternative<mssql::exec_stmt>(st) && !in_proc) {
      // A procedure run from a batch answers as it would by RPC.
      if (had_rows)
        write_done(out_.out(), token::kDoneInProc, static_cast<uint16_t>(status | done::kMore),
                   command, rows, version_);
      write_return_status(out_.out(), 0);
      pending_ = pending_done{token::kDoneProc, 0, command, 0};
      return outcome::ok;
    }
    pending_ = pending_done{done_token, status, command, rows};
    return outcome::ok;
  } catch (const mssql::sql_error& e) {
    flush_pending(true);  // the DONE of a result set sent from inside a block
    write_error(e);
    pending_ = pending_done{done_token,
                            static_cast<uint16_t>(done::kError | (had_rows ? done::kCount : 0)),
                            command, rows};
    return mssql::ends_batch(e.number()) ? outcome::failed : outcome::ok;
  }
}

request_runner::outcome request_runner::run_statements(const std::string& sql, bool in_proc) {
  // Variables live for one batch.
  struct batch_end {
    mssql::session& s;
    ~batch_end() { s.end_batch(); }
  } end{session_};
  session_.end_batch();
  std::vector<mssql::statement> statements;
  try {
    statements = mssql::parse_batch(sql);
  } catch (const mssql::sql_error& e) {
    // Nothing of a batch that does not parse runs.
    write_error(e);
    pending_ = pending_done{in_proc ? token::kDoneInProc : token::kDone, done::kError, 0, 0};
    return outcome::failed;
  }
  bool failed = false;
  for (size_t i = 0; i < statements.size(); ++i) {
    outcome o;
    try {
      o = run_one(statements[i], in_proc);
    } catch (const mssql::session::batch_jump& j) {
      // RETURN ends the batch; GOTO goes on after its label.
      if (j.is_return) break;
      try {
        i = mssql::session::label_index(statements, j.label) - 1;
      } catch (const mssql::sql_error& e) {
        write_error(e);
        pending_ = pending_done{in_proc ? token::kDoneInProc : token::kDone, done::kError, 0, 0};
        return outcome::failed;
      }
      continue;
    }
    if (o == outcome::cancelled) return o;
    if (pending_ && (pending_->status & done::kError)) failed = true;
    if (o == outcome::failed) return o;
  }
  return failed ? outcome::failed : outcome::ok;
}

void request_runner::close(bool in_proc, outcome o, bool more,
                           const std::optional<output_param>& output) {
  if (in_proc) {
    if (pending_) flush_pending(true);
    if (o == outcome::ok) write_return_status(out_.out(), 0);
    if (output && o != outcome::cancelled)
      write_return_int(out_.out(), output->ordinal, output->name, output->value, version_);
    uint16_t status = o == outcome::ok ? done::kFinal : done::kError;
    if (more && o != outcome::cancelled) status |= done::kMore;
    write_done(out_.out(), token::kDoneProc, status, 0xE0, 0, version_);
    return;
  }
  if (pending_)
    flush_pending(false);
  else
    write_done(out_.out(), token::kDone, done::kFinal, 0, 0, version_);
}

request_runner::outcome request_runner::run_batch(const std::string& sql) {
  outcome o = run_statements(sql, false);
  close(false, o, false);
  return o;
}

request_runner::outcome request_runner::run_in_proc(const std::string& sql, bool more,
                                                    std::optional<output_param> output) {
  outcome o = run_statements(sql, true);
  close(true, o, more, output);
  return o;
}

request_runner::outcome request_runner::run_in_proc(const mssql::statement& st, bool more) {
  outcome o = run_one(st, true);
  if (o == outcome::ok && pending_ && (pending_->status & done::kError)) o = outcome::failed;
  close(true, o, more);
  return o;
}

void request_runner::empty_proc(bool more, std::optional<output_param> output) {
  pending_.reset();
  close(true, outcome::ok, more, output);
}

void request_runner::fail_request(const mssql::sql_error& e, bool in_proc, bool more) {
  write_error(e);
  write_done(out_.out(), in_proc ? token::kDoneProc : token::kDone,
             static_cast<uint16_t>(done::kError | (more ? done::kMore : 0)), 0, 0, version_);
}

}  // namespace tsl::tds
