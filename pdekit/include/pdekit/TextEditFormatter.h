// Character filters of text fields and the formatter that applies them while the user types.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "nx/platform/toolkit.h"
#include "pdekit/ControlTables.h"

namespace pdekit {

// True for an empty text; otherwise every UTF-16 unit of the UTF-8 text must lie within one of
// the filter's character ranges (text that is not UTF-8 fails). A filter without character
// ranges refuses every non-empty text.
bool validateInput(std::string_view text, const InputFilter& filter);
// As validateInput, but a character of U+0100 or above is checked as its Shift-JIS code (two
// bytes read big-endian); a character without a Shift-JIS form fails.
bool validateInputByJIS(std::string_view text, const InputFilter& filter);
// True when every character is a space (U+0020) or an ideographic space (U+3000); true for an
// empty text.
bool IsAllSpace(std::string_view text);

// The description of every refused edit.
inline constexpr const char* kStringTooLong = "String too long.";

// Accepts an edit when every character passes the filter and the display width of the edited
// text is at most the maximum; otherwise refuses it with "String too long." and a beep.
class TextEditFormatter : public nx::platform::ui::TextFormatter {
 public:
  // initWithFilter:withMaxlength: (the filter is static data, not owned). `toolkit` sounds the
  // beep and may be null.
  TextEditFormatter(const InputFilter* filter, uint32_t maxLength, nx::platform::ui::Toolkit* toolkit = nullptr)
      : filter_(filter), maxLength_(maxLength), toolkit_(toolkit) {}

  bool IsPartialStringValid(const std::string& partial, std::string* error) override;
  // The string passes through unchanged.
  static std::string getObjectValue(const std::string& text) { return text; }
  // The object when it is a string, else nothing.
  static std::optional<std::string> stringForObjectValue(const std::optional<std::string>& object) { return object; }

  const InputFilter* GetFilter() const { return filter_; }
  uint32_t GetMaxLength() const { return maxLength_; }

 private:
  const InputFilter* filter_;
  uint32_t maxLength_;
  nx::platform::ui::Toolkit* toolkit_;
};

}  // namespace pdekit
