#include "platform/freetds/tds_connection.h"

namespace tsl::freetds {

std::unique_ptr<oledb::result_set> tds_connection::execute(const std::string& sql,
                                                           int64_t* rows) {
  return run(sql, rows);
}

std::unique_ptr<oledb::result_set> tds_connection::open_table(const std::string& name) {
  std::unique_ptr<tds_result> r;
  try {
    r = run("SELECT * FROM " + quote_table_name(name), nullptr);
  } catch (const oledb::server_error& e) {
    if (e.number() != 208) throw;
    throw oledb::server_error(oledb::results::kNoTable, e.records());
  }
  if (!r)
    throw oledb::server_error(oledb::results::kNoTable,
                              oledb::error_record{208, 16, 1, "42S02",
                                                  "Invalid object name '" + name + "'."});
  // The client library folds char, varchar, nchar and nvarchar (and text,
  // ntext and xml) together; the catalogue tells them apart.
  std::string owner, table;
  split_table_name(name, owner, table);
  auto declared = declared_columns([&](const std::string& sql) { return fetch(sql); }, owner,
                                   table);
  const auto& cols = r->columns();
  for (size_t i = 0; i < cols.size(); ++i)
    for (const auto& d : declared)
      if (d.first == cols[i].name) {
        r->declare(i, d.second);
        break;
      }
  return r;
}

std::unique_ptr<oledb::result_set> tds_connection::schema(oledb::schema_kind kind,
                                                        const oledb::restrictions& r) {
  return schema_answer(kind, r, [&](const std::string& sql) { return fetch(sql); });
}

std::unique_ptr<tds_result> tds_connection::run(const std::string& sql, int64_t* rows) {
  auto s = pool_->take();
  bool has_rows;
  try {
    has_rows = s->run(sql, rows);
  } catch (const oledb::server_error&) {
    pool_->give_back(std::move(s));
    throw;
  }
  if (!has_rows) {
    pool_->give_back(std::move(s));
    return nullptr;
  }
  if (rows) *rows = -1;
  return std::make_unique<tds_result>(pool_, std::move(s), sql);
}

rows tds_connection::fetch(const std::string& sql) {
  rows out;
  auto result = run(sql, nullptr);
  if (!result) return out;
  std::vector<oledb::field_value> row;
  while (result->next(row)) out.push_back(row);
  return out;
}

}  // namespace tsl::freetds
