#include "embedded/mssql_tds/tds_session.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>

#include "embedded/mssql/parser.h"
#include "embedded/mssql/session.h"
#include "embedded/mssql/sql_error.h"
#include "embedded/mssql_tds/all_headers.h"
#include "embedded/mssql_tds/login7.h"
#include "embedded/mssql_tds/message_writer.h"
#include "embedded/mssql_tds/prelogin.h"
#include "embedded/mssql_tds/protocol.h"
#include "embedded/mssql_tds/request_runner.h"
#include "embedded/mssql_tds/rpc_procedures.h"
#include "embedded/mssql_tds/rpc_request.h"
#include "embedded/mssql_tds/tds_error.h"
#include "embedded/mssql_tds/tokens.h"
#include "embedded/mssql_tds/wire_reader.h"
#include "platform/text/utf.h"

namespace tsl::tds {
namespace {

const char16_t kServerName[] = u"TESSALY";
const char16_t kProgram[] = u"Microsoft SQL Server";

product_version version_of(const std::string& text) {
  // "Microsoft SQL Server 2008 (SP1) - 10.0.2531.0 (X64) ..."
  product_version v;
  size_t at = text.find(" - ");
  if (at == std::string::npos) return v;
  unsigned major = 0, minor = 0, build = 0;
  if (std::sscanf(text.c_str() + at + 3, "%u.%u.%u", &major, &minor, &build) == 3) {
    v.major = static_cast<uint8_t>(major);
    v.minor = static_cast<uint8_t>(minor);
    v.build = static_cast<uint16_t>(build);
  }
  return v;
}

std::string to_utf8(std::u16string_view s) {
  return text::utf16_to_utf8(s);
}

mssql::sql_error login_error(const std::string& user, const std::string& reason = {}) {
  return mssql::sql_error(mssql::err::kAuthFailed,
                          mssql::error_record{18456, 14, 1, "28000",
                                              "Login failed for user '" + user + "'." + reason});
}

class connection {
 public:
  connection(socket_stream& stream, std::shared_ptr<mssql::server> srv, const session_options& o,
             uint16_t spid, std::function<void(const std::string&)> trace)
      : stream_(stream),
        server_(std::move(srv)),
        options_(o),
        reader_(stream, o.limits),
        writer_(stream),
        trace_(std::move(trace)) {
    writer_.set_spid(spid);
  }

  void serve(int busy_limit) {
    stream_.set_timeouts(options_.login_timeout, options_.write_timeout);
    std::optional<message> m = reader_.next();
    if (!m) return;
    bool requires_encryption = false;
    if (m->type == packet::kPrelogin) {
      prelogin_request p = parse_prelogin(m->payload);
      requires_encryption = p.requires_encryption();
      writer_.out().raw(prelogin_reply(version_of(server_->version())));
      writer_.end_message();
      m = reader_.next();
      if (!m) return;
    }
    if (m->type != packet::kLogin7)
      throw tds_error("expected a login, got a packet of type " + std::to_string(m->type));
    if (!login(*m, requires_encryption, busy_limit)) return;
    // Logged in: an idle client may wait as long as it likes.
    stream_.set_timeouts(0, options_.write_timeout);
    while ((m = reader_.next())) handle(*m);
  }

 private:
  void write_refusal(const mssql::sql_error& e) {
    for (const auto& r : e.records()) {
      server_message sm;
      sm.number = r.number;
      sm.state = static_cast<uint8_t>(r.state);
      sm.severity = static_cast<uint8_t>(r.severity);
      sm.text = text::utf8_to_utf16(r.message);
      sm.server = kServerName;
      write_message(writer_.out(), sm, version_);
    }
    write_done(writer_.out(), token::kDone, done::kError, 0, 0, version_);
    writer_.end_message();
  }

  bool login(const message& m, bool requires_encryption, int busy_limit) {
    login7 l = parse_login7(m.payload);
    version_ = std::min(l.tds_version, version::k74);
    if (version_ < version::k71) version_ = version::k71;  // for the refusal's layout
    const std::string user = to_utf8(l.user);
    if (l.tds_version < version::k71) {
      l.wipe();
      trace_("login refused: TDS version older than 7.1");
      write_refusal(login_error(user, " Reason: the client's TDS version is older than 7.1."));
      return false;
    }
    if (requires_encryption) {
      l.wipe();
      trace_("login refused: the client requires encryption");
      write_refusal(login_error(user,
                                " Reason: the client requires encryption, which this server does "
                                "not support."));
      return false;
    }
    if (busy_limit > 0) {
      l.wipe();
      trace_("login refused: too many connections");
      write_refusal(mssql::sql_error(
          mssql::err::kFail,
          mssql::error_record{17809, 20, 1, "08004",
                              "Could not connect because the maximum number of '" +
                                  std::to_string(busy_limit) +
                                  "' user connections has already been reached. The system "
                                  "administrator can use sp_configure to increase the maximum "
                                  "value. The connection has been closed."}));
      return false;
    }
    if (l.integrated) {
      l.wipe();
      trace_("login refused: integrated security is not available over the network");
      write_refusal(mssql::sql_error(
          mssql::err::kAuthFailed,
          mssql::error_record{18452, 14, 1, "28000",
                              "Login failed. The login is from an untrusted domain and cannot be "
                              "used with Windows authentication."}));
      return false;
    }
    mssql::login_request req;
    req.user = user;
    req.password = std::move(l.password);
    req.initial_catalog = to_utf8(l.database);
    l.wipe();
    try {
      session_ = std::make_unique<mssql::session>(server_, req);
    } catch (const mssql::sql_error& e) {
      login7 scrub;
      scrub.password = std::move(req.password);
      scrub.wipe();
      trace_("login failed for user '" + user + "' (error " + std::to_string(e.number()) + ")");
      write_refusal(e);
      return false;
    }
    {
      login7 scrub;
      scrub.password = std::move(req.password);
      scrub.wipe();
    }
    initial_db_ = session_->current().name();
    // ODBC clients get ODBC's session defaults; others SQL Server's own
    // TEXTSIZE until they set theirs.
    constexpr uint8_t kOdbc = 0x02;
    login_text_size_ = (l.flags2 & kOdbc) ? 2147483647 : mssql::session::kDefaultTextSize;
    session_->set_text_size(login_text_size_);
    size_t size = l.packet_size == 0 ? packet::kDefaultSize : l.packet_size;
    size = std::clamp<size_t>(size, packet::kMinSize, packet::kMaxNegotiated);

    wire_writer& w = writer_.out();
    const std::u16string db = text::utf8_to_utf16(initial_db_);
    write_env_text(w, env::kDatabase, db, u"master");
    info(5701, "Changed database context to '" + initial_db_ + "'.");
    write_env_collation(w);
    write_env_text(w, env::kLanguage, u"us_english", u"");
    info(5703, "Changed language setting to us_english.");
    write_login_ack(w, version_, kProgram, version_of(server_->version()));
    write_env_text(w, env::kPacketSize, text::ascii_to_utf16(std::to_string(size)),
                   text::ascii_to_utf16(std::to_string(packet::kDefaultSize)));
    write_done(w, token::kDone, done::kFinal, 0, 0, version_);
    writer_.end_message();
    writer_.set_packet_size(size);
    trace_("login as '" + user + "' to " + initial_db_);
    runner_ = std::make_unique<request_runner>(*session_, writer_, version_, kServerName,
                                               [this] { return attention_arrived(); });
    procedures_ = std::make_unique<rpc_procedures>(*session_, *runner_);
    return true;
  }

  void info(int32_t number, const std::string& text) {
    server_message sm;
    sm.number = number;
    sm.severity = 0;
    sm.state = 1;
    sm.text = text::utf8_to_utf16(text);
    sm.server = kServerName;
    write_message(writer_.out(), sm, version_);
  }

  // While rows are being sent, the only thing a client may send is an
  // attention.
  bool attention_arrived() {
    if (!stream_.input_pending()) return false;
    std::optional<message> m = reader_.next();
    if (!m) throw tds_error("the client closed the connection during a result");
    if (m->type != packet::kAttention)
      throw tds_error("a request of type " + std::to_string(m->type) +
                      " came while the previous one was still being answered");
    return true;
  }

  void acknowledge_attention() {
    write_done(writer_.out(), token::kDone, done::kAttention, 0, 0, version_);
    writer_.end_message();
  }

  void handle(const message& m) {
    if (m.type == packet::kAttention) {
      acknowledge_attention();
      return;
    }
    if (m.ignore) {
      write_done(writer_.out(), token::kDone, done::kFinal, 0, 0, version_);
      writer_.end_message();
      return;
    }
    if (m.status & (packet::kResetConnection | packet::kResetConnectionSkipTran)) reset();
    request_runner::outcome o = request_runner::outcome::ok;
    switch (m.type) {
      case packet::kSqlBatch: {
        const size_t skip = all_headers_length(m.payload, version_);
        std::string_view text = std::string_view(m.payload).substr(skip);
        if (text.size() % 2) throw tds_error("SQL batch with an odd number of bytes");
        wire_reader r(text);
        o = runner_->run_batch(to_utf8(r.ucs2(text.size() / 2)));
        break;
      }
      case packet::kRpc:
        o = rpc(m.payload);
        break;
      case packet::kTransaction:
        runner_->fail_request(
            mssql::err::generic(40000, "Transaction manager requests are not supported by this "
                                       "server."),
            false);
        break;
      default:
        throw tds_error("unexpected packet of type " + std::to_string(m.type) + " after the login");
    }
    writer_.end_message();
    if (o == request_runner::outcome::cancelled) acknowledge_attention();
  }

  void reset() {
    write_env_reset(writer_.out());
    session_->unbind();
    session_->set_text_size(login_text_size_);
    session_->set_no_count(false);
    procedures_->reset();
    if (session_->current().name() != initial_db_) session_->run(mssql::use_stmt{initial_db_});
  }

  request_runner::outcome rpc(const std::string& payload) {
    std::vector<rpc_call> calls;
    try {
      calls = parse_rpc(payload, version_);
    } catch (const mssql::sql_error& e) {
      runner_->fail_request(e, true);
      return request_runner::outcome::failed;
    }
    request_runner::outcome last = request_runner::outcome::ok;
    for (size_t i = 0; i < calls.size(); ++i) {
      const bool more = i + 1 < calls.size();
      last = procedures_->call(calls[i], more);
      if (last == request_runner::outcome::cancelled) break;
    }
    return last;
  }

  socket_stream& stream_;
  std::shared_ptr<mssql::server> server_;
  const session_options& options_;
  message_reader reader_;
  message_writer writer_;
  std::function<void(const std::string&)> trace_;
  uint32_t version_ = version::k74;
  std::unique_ptr<mssql::session> session_;
  std::unique_ptr<request_runner> runner_;
  std::string initial_db_;
  std::unique_ptr<rpc_procedures> procedures_;
  int64_t login_text_size_ = mssql::session::kDefaultTextSize;
};

}  // namespace

tds_session::tds_session(std::shared_ptr<socket_stream> stream, std::shared_ptr<mssql::server> srv,
                         session_options options, uint16_t spid, std::string peer)
    : stream_(std::move(stream)),
      server_(std::move(srv)),
      options_(std::move(options)),
      spid_(spid),
      peer_(std::move(peer)) {}

void tds_session::trace(const std::string& line) const {
  if (options_.log) options_.log("connection " + std::to_string(spid_) + " from " + peer_ + ": " + line);
}

void tds_session::run() {
  try {
    connection c(*stream_, server_, options_, spid_, [this](const std::string& l) { trace(l); });
    c.serve(busy_limit_);
    trace("closed");
  } catch (const tds_error& e) {
    trace(std::string("closed: ") + e.what());
  } catch (const mssql::sql_error& e) {
    trace(std::string("closed after error ") + std::to_string(e.number()) + ": " + e.what());
  } catch (const std::exception& e) {
    // A storage fault: this connection ends, the server goes on.
    trace(std::string("closed after an internal error: ") + e.what());
  }
}

}  // namespace tsl::tds
