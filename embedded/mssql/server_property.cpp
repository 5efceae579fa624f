#include "embedded/mssql/server_property.h"

#include "embedded/mssql/catalog.h"

namespace tsl::mssql {
namespace {

// "Microsoft SQL Server 2008 (SP1) - 10.0.2531.0 (X64) ... \n\tDeveloper
// Edition (64-bit) on Windows ...": the parts between the markers.
std::string between(const std::string& text, const std::string& open, const std::string& close) {
  size_t a = text.find(open);
  if (a == std::string::npos) return {};
  a += open.size();
  size_t b = text.find(close, a);
  return b == std::string::npos ? std::string() : text.substr(a, b - a);
}

std::string edition(const std::string& text) {
  // The line that names the edition, up to " on ".
  size_t at = text.find(" Edition");
  if (at == std::string::npos) return {};
  size_t start = text.rfind('\t', at);
  start = start == std::string::npos ? 0 : start + 1;
  size_t end = text.find(" on ", at);
  return text.substr(start, (end == std::string::npos ? text.find('\n', at) : end) - start);
}

}  // namespace

value server_property(const std::string& name, const std::string& version_text,
                      const std::string& server_name) {
  if (iequals(name, "ProductVersion")) {
    std::string v = between(version_text, " - ", " ");
    return v.empty() ? value::null() : value::of_text(v);
  }
  if (iequals(name, "ProductLevel")) {
    std::string level = between(version_text, "(", ")");
    if (level.rfind("SP", 0) == 0 || level.rfind("RTM", 0) == 0) return value::of_text(level);
    return value::of_text("RTM");
  }
  if (iequals(name, "Edition")) {
    std::string e = edition(version_text);
    return e.empty() ? value::null() : value::of_text(e);
  }
  if (iequals(name, "EngineEdition")) {
    // 3: Enterprise, Developer and Evaluation; 2: Standard; 4: Express.
    std::string e = edition(version_text);
    if (e.find("Express") != std::string::npos) return value::of_text("4");
    if (e.find("Standard") != std::string::npos || e.find("Workgroup") != std::string::npos)
      return value::of_text("2");
    return value::of_text("3");
  }
  if (iequals(name, "ServerName") || iequals(name, "MachineName"))
    return value::of_text(server_name);
  if (iequals(name, "InstanceName")) return value::null();
  if (iequals(name, "Collation")) return value::of_text("SQL_Latin1_General_CP1_CI_AS");
  if (iequals(name, "IsIntegratedSecurityOnly") || iequals(name, "IsClustered") ||
      iequals(name, "IsFullTextInstalled") || iequals(name, "IsSingleUser"))
    return value::of_text("0");
  return value::null();
}

}  // namespace tsl::mssql
