// docs/type-mapping.md tells users what each of their columns becomes: every
// row of its table is created in SQL Server, read as the source reads it,
// and must become the Oracle types the row shows for each release.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "MSS/mss_database.h"
#include "MSS/mss_engine.h"
#include "ORA/ora_type_map.h"
#include "agent/tests/agent_fixture.h"

namespace agent_testing {
namespace {

struct doc_row {
  std::string example;
  std::string oracle9, oracle8, oracle7;
};

std::string unquoted(std::string cell) {
  while (!cell.empty() && cell.front() == ' ') cell.erase(0, 1);
  while (!cell.empty() && cell.back() == ' ') cell.pop_back();
  if (cell.size() >= 2 && cell.front() == '`' && cell.back() == '`')
    cell = cell.substr(1, cell.size() - 2);
  return cell;
}

std::vector<doc_row> column_types_table() {
  std::ifstream in(TSL_SOURCE_DIR "/docs/type-mapping.md");
  std::vector<doc_row> rows;
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) in_section = line == "## Column types";
    if (!in_section || line.rfind("| ", 0) != 0) continue;
    std::vector<std::string> cells;
    std::stringstream ss(line.substr(1));
    std::string cell;
    while (std::getline(ss, cell, '|')) cells.push_back(unquoted(cell));
    if (cells.size() < 7 || cells[0] == "SQL Server type") continue;
    rows.push_back({cells[2], cells[3], cells[4], cells[5]});
  }
  return rows;
}

class type_mapping_doc : public agent_fixture {};

TEST_F(type_mapping_doc, EveryRowHoldsForEveryRelease) {
  const std::vector<doc_row> rows = column_types_table();
  ASSERT_GT(rows.size(), 30u);
  std::string create = "USE sample_shop\nGO\nCREATE TABLE mapping (";
  for (size_t i = 0; i < rows.size(); ++i)
    create += (i ? ", c" : "c") + std::to_string(i) + " " + rows[i].example;
  mssql(create + ")\nGO\n");

  mss_engine engine(0);
  engine.connect(tsl::text::utf8_to_utf16(mssql_dir_));
  auto db = engine.open_db(u"sample_shop", 1);
  auto t = db->get_table(u"mapping", 1);
  ASSERT_EQ(t->schema().size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].example);
    const t_ftd& f = t->schema()[i];
    auto type = [&](int release) { return tsl::text::utf16_to_utf8(get_native_type(f, release)); };
    EXPECT_EQ(type(ora_release_newest), rows[i].oracle9);
    EXPECT_EQ(type(0x130300), rows[i].oracle9);
    EXPECT_EQ(type(0x90201), rows[i].oracle9);
    EXPECT_EQ(type(0x80107), rows[i].oracle8);
    EXPECT_EQ(type(0x70304), rows[i].oracle7);
  }
}

}  // namespace
}  // namespace agent_testing
