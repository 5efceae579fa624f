// Single-row INSERT statements with literals, each committed, through the
// OCI binding table, as the row insertion sends them: one reused statement
// handle, RETURNING ROWID INTO :1 through a dynamic bind.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include "embedded/oracle/database.h"
#include "embedded/oracle_client/embedded_client.h"
#include "platform/oci/client_library.h"
#include "platform/text/utf.h"
#include "testing/temp_dir.h"

namespace {

struct rowid_target {
  ub4 length = 512;
  char16_t buffer[256] = {};
};

sb4 no_data(void*, OCIBind*, ub4, ub4, void** bufpp, ub4* alenp, ub1* piecep, void** indpp) {
  *bufpp = nullptr;
  *alenp = 0;
  *indpp = nullptr;
  *piecep = OCI_ONE_PIECE;
  return OCI_CONTINUE;
}

sb4 get_data(void* ctx, OCIBind*, ub4, ub4, void** bufpp, ub4** alenpp, ub1* piecep, void** indpp,
             ub2** rcodepp) {
  auto* t = static_cast<rowid_target*>(ctx);
  t->length = sizeof t->buffer;
  *bufpp = t->buffer;
  *alenpp = &t->length;
  *piecep = OCI_ONE_PIECE;
  *indpp = nullptr;
  *rcodepp = nullptr;
  return OCI_CONTINUE;
}

void committed_inserts(benchmark::State& state) {
  tsl::testing::temp_dir dir;
  setenv("TSL_ORACLE_DATA", dir.path().c_str(), 1);
  tsl::eora::create_database("BENCH", 1521, "current");
  tsl::eora::create_user("BENCH", "u", "p");
  tsl::eoci::install_embedded_client();
  auto lib = tsl::oci::client_library::load("embedded");
  const tsl::oci::api& f = lib->functions();
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  f.OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  f.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  std::u16string user = u"u", pw = u"p", db = u"BENCH";
  f.OCILogon(env, err, &svc, reinterpret_cast<const OraText*>(user.data()), 2,
             reinterpret_cast<const OraText*>(pw.data()), 2,
             reinterpret_cast<const OraText*>(db.data()), 10);
  auto run = [&](OCIStmt* s, const std::u16string& sql, ub4 mode) {
    f.OCIStmtPrepare(s, err, reinterpret_cast<const OraText*>(sql.data()),
                     static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    return f.OCIStmtExecute(svc, s, err, 1, 0, nullptr, nullptr, mode);
  };
  OCIStmt* stmt = nullptr;
  f.OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  run(stmt,
      u"CREATE TABLE \"T\" (\"ID\" NUMBER(11,0) NOT NULL, \"NAME\" VARCHAR2(50), \"CITY\" "
      u"VARCHAR2(30), "
      u"\"PRICE\" NUMBER(18,4), \"QTY\" NUMBER(5,0), \"AT\" DATE, \"NOTE\" VARCHAR2(200), \"FLAG\" "
      u"NUMBER(3,0), "
      u"\"CODE\" VARCHAR2(10), \"RATE\" NUMBER)",
      OCI_DEFAULT);
  rowid_target target;
  OCIBind* bind = nullptr;
  int64_t id = 0;
  for (auto _ : state) {
    ++id;
    std::string sql =
        "INSERT /*+ APPEND */ INTO \"T\" VALUES(" + std::to_string(id) + ", 'Customer number " +
        std::to_string(id) + "', 'Springfield', 1234.5678, " + std::to_string(id % 1000) +
        ", to_date('2010-11-24 13:45:59', 'YYYY-MM-DD HH24:MI:SS'), 'A note with an apostrophe''s "
        "text', 1, 'C" +
        std::to_string(id % 97) + "', 3.14159) RETURNING ROWID INTO :1";
    std::u16string wide = tsl::text::utf8_to_utf16(sql);
    f.OCIStmtPrepare(stmt, err, reinterpret_cast<const OraText*>(wide.data()),
                     static_cast<ub4>(wide.size() * 2), OCI_NTV_SYNTAX, OCI_DEFAULT);
    std::u16string ph = u":1";
    f.OCIBindByName(stmt, &bind, err, reinterpret_cast<const OraText*>(ph.data()), 4, target.buffer,
                    512, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC);
    f.OCIBindDynamic(bind, err, &target, no_data, &target, get_data);
    if (f.OCIStmtExecute(svc, stmt, err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS) !=
        OCI_SUCCESS) {
      state.SkipWithError("insert failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["max_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  f.OCIHandleFree(stmt, OCI_HTYPE_STMT);
  f.OCILogoff(svc, err);
  f.OCIHandleFree(err, OCI_HTYPE_ERROR);
  f.OCIHandleFree(env, OCI_HTYPE_ENV);
}

BENCHMARK(committed_inserts)->Unit(benchmark::kMicrosecond)->MinTime(3.0);

}  // namespace
