#include "UDB/udb_relationship.h"

udb_relationship::udb_relationship(std::u16string name, std::u16string second_name,
                                   std::u16string table, std::u16string referenced_table,
                                   std::vector<std::u16string> fields,
                                   std::vector<std::u16string> referenced_fields,
                                   std::u16string delete_rule)
    : name_(std::move(name)),
      second_name_(std::move(second_name)),
      table_(std::move(table)),
      referenced_table_(std::move(referenced_table)),
      delete_rule_(std::move(delete_rule)),
      fields_(std::move(fields)),
      referenced_fields_(std::move(referenced_fields)) {}
