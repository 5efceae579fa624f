#pragma once
// A profile: every setting of a conversion in one UTF-8 text file of
// sections and "key=value" entries, so a user can save a complete set of
// settings and load it again (in the wizard or the agent).
#include <map>
#include <string>

class udb_profile {
 public:
  using section = std::map<std::u16string, std::u16string>;

  static constexpr char16_t kAvailableQueries[] = u"Available Queries";
  static constexpr char16_t kSelectedTables[] = u"Selected Tables";
  static constexpr char16_t kGenericSettings[] = u"Generic settings";
  static constexpr char16_t kOracleSettings[] = u"Oracle settings";
  static constexpr char16_t kMssqlSettings[] = u"MS SQL Server settings";

  // A new profile holds the three empty sections that every saved profile
  // has: available queries, selected tables and generic settings.
  udb_profile();

  // Empty when absent.
  std::u16string get(const std::u16string& section_name, const std::u16string& key) const;
  // The first value put for a key stays.
  void put(const std::u16string& section_name, const std::u16string& key,
           const std::u16string& value);
  const std::map<std::u16string, section>& sections() const { return sections_; }

  // False when the file cannot be opened, or an entry comes before any
  // section header (nothing is then taken from it).
  bool read(const std::string& path);
  // Writes the whole profile, readable by its owner only: it holds
  // passwords. False when the file cannot be written.
  bool write(const std::string& path) const;

 private:
  std::map<std::u16string, section> sections_;
};
