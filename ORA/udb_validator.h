#pragma once
// Decides whether a name may be used as it is and makes a safe one when not:
// a length limit, characters that must be replaced, names that are reserved
// and names already taken (both compared ignoring case).
#include <cstdint>
#include <string>
#include <vector>

class udb_validator {
 public:
  // `max_length` 0 means no limit.
  explicit udb_validator(uint32_t max_length);
  virtual ~udb_validator() = default;

  virtual bool is_acceptable(const std::u16string& name) const;
  virtual bool is_duplicated(const std::u16string& name) const;
  virtual std::u16string get_safe_name(const std::u16string& name) const;

  void add_illegal(char16_t c) { illegal_.push_back(c); }
  void add_restricted(const std::u16string& name) { restricted_.push_back(name); }
  void add_used(const std::u16string& name) { used_.push_back(name); }
  // The name is free again: every restricted and used entry equal to it goes.
  void forget(const std::u16string& name);

  uint32_t max_length() const { return max_length_; }

  // A name's length in the units the maximum counts: characters here.
  virtual size_t length_of(const std::u16string& name) const { return name.size(); }
  // The name without as many trailing characters as it takes to be at most
  // `limit` long; a surrogate pair goes whole.
  std::u16string cut_to(const std::u16string& name, size_t limit) const;

 protected:
  bool is_restricted(const std::u16string& name) const;

 private:
  uint32_t max_length_;
  std::vector<char16_t> illegal_;
  std::vector<std::u16string> restricted_;
  std::vector<std::u16string> used_;
};
