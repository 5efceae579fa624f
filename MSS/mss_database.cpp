#include "MSS/mss_database.h"

#include "MSS/mss_engine.h"
#include "MSS/mss_select_check.h"
#include "MSS/mss_table.h"
#include "MSS/odb_command.h"
#include "MSS/odb_exception.h"
#include "MSS/odb_meta_data.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"

mss_database::mss_database(const std::u16string& name, IDBInitialize* data_source,
                           IOpenRowset* session, int32_t mode)
    : udb_database(name, mode, false), data_source_(data_source), session_(session) {
  tk_trace(2, "odb_database::ctor");
  tk_trace_w(2, u"mss_database::ctor(%s)", name.c_str());
  if (!session_) throw tk_mail_assertion("mss_db", 30);
  const std::u16string owner = mss_engine::instance().owner();
  odb_tl_meta_data tables(session_.get(), owner);
  for (tables.reset(); !tables.is_eof(); tables.next()) {
    const udb_record& r = *tables.get_item();
    std::u16string table = odb_record::column(r, 3).to_wstring();
    std::u16string schema = odb_record::column(r, 2).to_wstring();
    tk_trace_w(2, u"Got table: (%s, %s)", table.c_str(), schema.c_str());
    add_table_name(std::move(table));
  }
  tk_trace(2, "Tables count: %d", static_cast<int>(table_names().size()));
}

mss_database::~mss_database() {
  tk_trace(2, "mss_database::dtor");
}

std::unique_ptr<udb_recordset> mss_database::create_table(const std::u16string&, const udb_schema&,
                                                          const udb_indexes&) {
  throw tk_mail_assertion("mss_db", 48);
}

std::unique_ptr<udb_recordset> mss_database::get_table(const std::u16string& name, int32_t flags) {
  tk_trace_w(1, u"mss_database::get_table(%s)", name.c_str());
  return std::make_unique<mss_table>(mss_engine::instance().get_safe_tname(name), session_.get(),
                                     flags, &relationships());
}

std::unique_ptr<udb_recordset> mss_database::get_table(const std::u16string& name,
                                                       const std::u16string& sql, int32_t flags) {
  tk_trace_w(1, u"mss_database::get_table(%s: %s)", name.c_str(), sql.c_str());
  return std::make_unique<mss_table>(name, sql, session_.get(), flags);
}

bool mss_database::test_query(const std::u16string& sql) {
  std::u16string checked;
  try {
    checked = mss_select_check(sql);
  } catch (const tk_exception& e) {
    tk_trace(2, "Query refused: %s", e.what());
    return false;
  }
  try {
    odb_command cmd(session_.get());
    ole_ptr<IRowset> rowset;
    cmd.execute(mss_select_wrapped(checked), &rowset);
  } catch (const odb_exception&) {
    // The server refused the text; internal faults still propagate.
    return false;
  }
  return true;
}

std::unique_ptr<udb_recordset> mss_database::query(const std::u16string& sql) {
  tk_trace_w(1, u"odb_database::query(%s)", sql.c_str());
  odb_command cmd(session_.get());
  ole_ptr<IRowset> rowset;
  cmd.execute(sql, &rowset);
  return std::make_unique<odb_recordset>(rowset.get());
}
