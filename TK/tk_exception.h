#pragma once
// The engine's exception family. Every failure a user can cause travels as a
// tk_exception (or a subclass) with a severity that the error policy judges:
//   0  recoverable error of one item (record or table): the run may go on
//   1  serious error: the run ends unless the caller can go on
//   2  internal error (a failed contract check): the program ends
#include <cstdint>
#include <exception>
#include <string>

class tk_exception : public std::exception {
 public:
  explicit tk_exception(int severity);
  tk_exception(const char* text, int severity);
  tk_exception(const std::string& text, int severity);
  // Converted to the narrow character set; the message stays empty when the
  // text cannot be converted.
  tk_exception(const char16_t* text, int severity);
  tk_exception(const std::u16string& text, int severity);

  ~tk_exception() override;
  const char* what() const noexcept override;

  uint32_t system_error() const { return system_error_; }
  int severity() const { return severity_; }
  const std::string& message() const { return message_; }

 protected:
  std::string message_;
  uint32_t system_error_ = 0;
  int severity_;
};

// The last operating-system error (errno) with its system text; severity 1.
class tk_exception_ex : public tk_exception {
 public:
  tk_exception_ex();
};

// A failed contract check. The message hides the source position behind an
// opaque code ("<source>\<line>" in hexadecimal) that the maker can decode.
class tk_mail_assertion : public tk_exception {
 public:
  tk_mail_assertion(const char* source_file, int line);
};

// Stops a run quietly; carries nothing.
class tk_final_exception : public std::exception {
 public:
  tk_final_exception();
};
