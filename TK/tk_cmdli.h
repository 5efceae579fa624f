#pragma once
// Walks a program's arguments against a table of options. The first option
// whose text is a prefix of an argument matches it; the rest of the argument
// is the option's value. An argument that matches nothing gets the
// identifier -1 and is remembered as unrecognised.
#include <cstddef>
#include <string>
#include <vector>

struct tk_cmdli_option {
  const char* text;
  int id;
};

class tk_cmdli {
 public:
  // Positioned on the first argument after the program name.
  tk_cmdli(int argc, const char* const* argv, const tk_cmdli_option* table, size_t table_size);
  virtual ~tk_cmdli() = default;

  // Moves to the next argument; an internal error when not valid.
  virtual void next();
  virtual bool valid() const { return left_ > 0; }

  // The current argument's identifier and value; internal errors when not
  // valid.
  int id() const;
  const char* value() const;
  const char* argument() const;

  // The arguments that matched no option, in order; room for 20, the count
  // goes on past that.
  static constexpr size_t kUnrecognisedRoom = 20;
  const std::vector<std::string>& unrecognised() const { return unrecognised_; }
  size_t unrecognised_count() const { return unrecognised_count_; }

 private:
  void match();

  const tk_cmdli_option* table_;
  size_t table_size_;
  const char* const* cursor_;
  int left_;
  int id_ = -1;
  const char* value_ = nullptr;
  std::vector<std::string> unrecognised_;
  size_t unrecognised_count_ = 0;
};
