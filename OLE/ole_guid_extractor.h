#pragma once
// Recognises the provider's text form of a GUID,
// "{guid {6F9619FF-8B86-D011-B42D-00C04FC964FF}}" (45 characters, the word in
// lower or upper case); any other text holds no GUID.
#include <string>
#include <string_view>

class ole_guid_extractor {
 public:
  explicit ole_guid_extractor(std::u16string_view text);

  bool has_guid() const { return start_ != std::u16string_view::npos; }
  // "{8-4-4-4-12}", 38 characters; empty without a GUID.
  std::u16string braced_guid() const;
  // The 32 hexadecimal digits alone; empty without a GUID.
  std::u16string bare_guid() const;

 private:
  std::u16string text_;
  size_t start_ = std::u16string_view::npos;
};
