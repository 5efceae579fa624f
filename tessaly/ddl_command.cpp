// tessaly ddl: the statements a conversion would run to create the tables,
// as a script for SQL*Plus or tsl-oracle, written without an Oracle
// connection.
#include <cstdio>
#include <memory>

#include "MSS/mss_database.h"
#include "ORA/ora_database.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_indexes_initializer.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_sql.h"
#include "TK/tk_exception.h"
#include "common/error_handler.h"
#include "common/tessaly_convertor.h"
#include "platform/text/utf.h"
#include "platform/text/wide_ctype.h"
#include "tessaly/commands.h"
#include "tessaly/exit_status.h"
#include "tessaly/session.h"
#include "tsl_version.h"

namespace tessaly {
namespace {

std::string utf8(const std::u16string& s) {
  return tsl::text::utf16_to_utf8(s);
}

// Where a source table went: its Oracle name and renamed columns.
struct made_table {
  std::u16string source;
  std::u16string target;
  t_names_map columns;
};

// The statements of one table, each ended for the script.
std::string table_script(const planned_entry& entry, udb_recordset& from, bool uppercase,
                         bool skip_indexes, int release, const std::vector<planned_entry>& all,
                         std::vector<made_table>& made) {
  ora_schema_initializer schema(entry.target, from.schema(), from.indexes(), uppercase);
  made.push_back({entry.name, entry.target, schema.names()});
  schema.set_release(release);
  std::string out = "-- " + utf8(entry.name);
  if (entry.target != entry.name) out += " as " + utf8(entry.target);
  out += "\n";
  for (const std::string& w : schema.warnings()) out += "-- Warning: " + w + "\n";
  out += utf8(schema.create_table_text()) + ";\n";
  if (!schema.identity_column().empty()) {
    // The first candidate no table of the run needs; a schema that has it
    // already makes the run take the next one.
    std::u16string sequence;
    for (int n = 0; n < 100 && sequence.empty(); ++n) {
      std::u16string candidate = schema.sequence_name(n);
      bool reserved = false;
      for (const planned_entry& e : all) reserved |= e.target == candidate;
      if (!reserved) sequence = candidate;
    }
    out += utf8(u"CREATE SEQUENCE " + ora_quoted(sequence) + ora_database::sequence_options(u"1")) +
           ";\n";
    out += utf8(ora_database::identity_trigger_text(entry.target, schema.identity_column(),
                                                    sequence)) +
           "\n/\n";
  }
  if (!skip_indexes && !from.indexes().empty()) {
    ora_indexes_initializer keys(entry.target, schema.fields(), from.indexes(), schema.names(),
                                 release);
    for (size_t i = 0; i < keys.indexes().size(); ++i) {
      std::u16string sql = keys.index_text(i);
      if (!sql.empty()) out += utf8(sql) + ";\n";
    }
  }
  return out + "\n";
}

// The foreign keys between tables of the script, as the run makes them
// after every table is filled.
std::string foreign_keys_script(const udb_relationships& keys,
                                const std::vector<made_table>& made) {
  auto find = [&](const std::u16string& source) -> const made_table* {
    for (const made_table& m : made)
      if (tsl::text::equal_nocase(m.source, source)) return &m;
    return nullptr;
  };
  std::string out;
  for (const udb_relationship& r : keys) {
    const made_table* child = find(r.table());
    const made_table* parent = find(r.referenced_table());
    if (!child || !parent) continue;
    std::vector<std::u16string> columns, referenced;
    for (const std::u16string& f : r.fields())
      columns.push_back(child->columns.get_mapped_name(f, false));
    for (const std::u16string& f : r.referenced_fields())
      referenced.push_back(parent->columns.get_mapped_name(f, false));
    out += "-- " + utf8(r.name()) + "\n" +
           utf8(ora_database::foreign_key_text(child->target, columns, parent->target, referenced,
                                               r.delete_rule())) +
           ";\n";
  }
  return out;
}

}  // namespace

int run_ddl(const cli_options& options) {
  session s(options);
  tessaly_convertor& driver = s.driver();
  std::unique_ptr<mss_database> source = s.open_source();
  s.apply_selection(*source);
  const std::vector<planned_entry> plan = s.plan(*source);
  ora_in_validator index_names{ora_in_validator::offline_t{}};
  int release = options.oracle_release << 16;
  // A connection, when named, only tells the release; nothing is run there.
  if (options.oracle_release == 0 && (!options.oracle.empty() || !options.oracle_host.empty())) {
    s.connect_destination();
    release = driver.oracle.database()->release();
  }

  std::printf("-- Oracle schema for database %s, written by tessaly %s\n\n",
              utf8(driver.database_name).c_str(), TSL_VERSION);
  int status = kDone;
  std::vector<made_table> made;
  for (const planned_entry& entry : plan) {
    try {
      if (entry.sql.empty() && !source->is_table_exist(entry.name))
        throw tk_exception("Table " + utf8(entry.name) + " not exists", 0);
      std::unique_ptr<udb_recordset> from =
          entry.sql.empty() ? source->get_table(entry.name, udb_database::kReadOnly)
                            : source->get_table(entry.name, entry.sql, udb_database::kReadOnly);
      // Only tables take part in foreign keys.
      std::vector<made_table> ignored;
      std::fputs(table_script(entry, *from, driver.uppercase, driver.skip_indexes, release, plan,
                              entry.sql.empty() ? made : ignored)
                     .c_str(),
                 stdout);
    } catch (const tk_exception& e) {
      error_handler::instance().set_context(entry.name);
      s.display().print_line("error: " + error_handler::instance().build_message(e), true);
      error_handler::instance().clear_context();
      status = kCompletedWithErrors;
    }
  }
  if (options.foreign_keys)
    std::fputs(foreign_keys_script(source->relationships(), made).c_str(), stdout);
  std::fflush(stdout);
  return status;
}

}  // namespace tessaly
