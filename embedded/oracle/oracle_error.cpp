#include "embedded/oracle/oracle_error.h"

#include <cstdio>
#include <map>

namespace tsl::eora {

namespace {

const std::map<int, const char*>& texts() {
  static const std::map<int, const char*> table = {
      {1, "unique constraint (%s.%s) violated"},
      {54, "resource busy and acquire with NOWAIT specified or timeout expired"},
      {900, "invalid SQL statement"},
      {901, "invalid CREATE command"},
      {902, "invalid datatype"},
      {903, "invalid table name"},
      {904, "%s: invalid identifier"},
      {905, "missing keyword"},
      {906, "missing left parenthesis"},
      {907, "missing right parenthesis"},
      {908, "missing NULL keyword"},
      {910, "specified length too long for its datatype"},
      {911, "invalid character"},
      {913, "too many values"},
      {917, "missing comma"},
      {918, "column ambiguously defined"},
      {921, "unexpected end of SQL command"},
      {922, "missing or invalid option"},
      {923, "FROM keyword not found where expected"},
      {925, "missing INTO keyword"},
      {926, "missing VALUES keyword"},
      {927, "missing equal sign"},
      {928, "missing SELECT keyword"},
      {931, "missing identifier"},
      {932, "inconsistent datatypes: expected %s got %s"},
      {933, "SQL command not properly ended"},
      {934, "group function is not allowed here"},
      {936, "missing expression"},
      {937, "not a single-group group function"},
      {942, "table or view does not exist"},
      {947, "not enough values"},
      {950, "invalid DROP option"},
      {955, "name is already used by an existing object"},
      {957, "duplicate column name"},
      {969, "missing ON keyword"},
      {972, "identifier is too long"},
      {979, "not a GROUP BY expression"},
      {984, "column not allowed here"},
      {1008, "not all variables bound"},
      {1017, "invalid username/password; logon denied"},
      {1400, "cannot insert NULL into (%s)"},
      {1402, "view WITH CHECK OPTION where-clause violation"},
      {1407, "cannot update (%s) to NULL"},
      {1408, "such column list already indexed"},
      {1410, "invalid ROWID"},
      {1418, "specified index does not exist"},
      {1426, "numeric overflow"},
      {1430, "column being added already exists in table"},
      {1438, "value larger than specified precision allowed for this column"},
      {1440, "column to be modified must be empty to decrease precision or scale"},
      {1441, "cannot decrease column length because some value is too big"},
      {1442, "column to be modified to NOT NULL is already NOT NULL"},
      {1449, "column contains NULL values; cannot alter to NOT NULL"},
      {1451, "column to be modified to NULL cannot be modified to NULL"},
      {1465, "invalid hex number"},
      {1476, "divisor is equal to zero"},
      {1722, "invalid number"},
      {1723, "zero-length columns are not allowed"},
      {1727, "numeric precision specifier is out of range (1 to 38)"},
      {1728, "numeric scale specifier is out of range (-84 to 127)"},
      {1741, "illegal zero-length identifier"},
      {1740, "missing double quote in identifier"},
      {1756, "quoted string not properly terminated"},
      {1785, "ORDER BY item must be the number of a SELECT-list expression"},
      {1810, "format code appears twice"},
      {1821, "date format not recognized"},
      {1830, "date format picture ends before converting entire input string"},
      {1840, "input value not long enough for date format"},
      {1841, "(full) year must be between -4713 and +9999, and not be 0"},
      {1843, "not a valid month"},
      {1847, "day of month must be between 1 and last day of month"},
      {1850, "hour must be between 0 and 23"},
      {1851, "minutes must be between 0 and 59"},
      {1852, "seconds must be between 0 and 59"},
      {1858, "a non-numeric character was found where a numeric was expected"},
      {1861, "literal does not match format string"},
      {2260, "table can have only one primary key"},
      {2261, "such unique or primary key already exists in the table"},
      {2264, "name already used by an existing constraint"},
      {2270, "no matching unique or primary key for this column-list"},
      {2275, "such a referential constraint already exists in the table"},
      {2289, "sequence does not exist"},
      {2291, "integrity constraint (%s.%s) violated - parent key not found"},
      {2292, "integrity constraint (%s.%s) violated - child record found"},
      {2298, "cannot validate (%s.%s) - parent keys not found"},
      {2449, "unique/primary keys in table referenced by foreign keys"},
      {4080, "trigger '%s' does not exist"},
      {4081, "trigger '%s' already exists"},
      {4098, "trigger '%s.%s' is invalid and failed re-validation"},
      {8002, "sequence %s.CURRVAL is not yet defined in this session"},
      {8004, "sequence %s.NEXTVAL exceeds MAXVALUE and cannot be instantiated"},
      {12154, "TNS:could not resolve the connect identifier specified"},
      {12541, "TNS:no listener"},
      {12545, "Connect failed because target host or object does not exist"},
      {12899, "value too large for column %s (actual: %s, maximum: %s)"},
      {22275, "invalid LOB locator specified"},
      {24333, "zero iteration count"},
      {24338, "statement handle not executed"},
      {24344, "success with compilation error"},
      {24369, "required callbacks not registered for one or more bind handles"},
      {924, "missing BY keyword"},
      {940, "invalid ALTER command"},
      {953, "missing or invalid index name"},
      {971, "missing SET keyword"},
      {1724, "floating point precision is out of range (1 to 126)"},
      {1735, "invalid ALTER TABLE option"},
      {2437, "cannot validate (%s.%s) - primary key violated"},
      {2299, "cannot validate (%s.%s) - duplicate keys found"},
      {4070, "invalid trigger name"},
      {12514, "TNS:listener does not currently know of service requested in connect descriptor"},
      {1031, "insufficient privileges"},
      {1918, "user '%s' does not exist"},
      {1920, "user name '%s' conflicts with another user or role name"},
      {22920, "row containing the LOB value is not locked"},
      {8177, "can't serialize access for this transaction"},
      {988, "missing or invalid password(s)"},
      {909, "invalid number of arguments"},
      {920, "invalid relational operator"},
      {3114, "not connected to ORACLE"},
      {1439, "column to be modified must be empty to change datatype"},
      {1452, "cannot CREATE UNIQUE INDEX; duplicate keys found"},
      {1758, "table must be empty to add mandatory (NOT NULL) column"},
      {2256, "number of referencing columns must match referenced columns"},
      {2296, "cannot enable (%s.%s) - null values found"},
      {2327, "cannot create index on expression with datatype %s"},
      {2429, "cannot drop index used for enforcement of unique/primary key"},
      {4002, "INCREMENT must be a non-zero integer"},
      {4004, "MINVALUE must be less than MAXVALUE"},
      {4006, "START WITH cannot be less than MINVALUE"},
      {4008, "START WITH cannot be more than MAXVALUE"},
      {24315, "illegal attribute type"},
      {1455, "converting column overflows integer datatype"},
      {24345, "A Truncation or null fetch error occurred"},
      {24334, "no descriptor for this position"},
      {24343, "user defined callback error"},
      {24381, "error(s) in array DML"},
      {1001, "invalid cursor"},
      {1002, "fetch out of sequence"},
      {1405, "fetched column value is NULL"},
      {1406, "fetched column value was truncated"},
      {1007, "variable not in select list"},
      {1778, "maximum subquery nesting level exceeded"},
      {1036, "illegal variable name/number"},
      {1704, "string literal too long"},
      {12162, "TNS:net service name is incorrectly specified"},
      {12705, "Cannot access NLS data files or invalid environment specified"},
      {24806, "LOB form mismatch"},
  };
  return table;
}

}  // namespace

std::string quoted(const std::string& name) {
  return "\"" + name + "\"";
}

oracle_error make_error(int code, std::initializer_list<std::string> args) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
  std::string text = prefix;
  auto it = texts().find(code);
  std::string pattern = it != texts().end() ? it->second : "internal error";
  auto arg = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      if (arg != args.end()) text += *arg++;
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return oracle_error(code, text);
}

}  // namespace tsl::eora
