// Helpers of the concrete controls; see ControlSupport.h.
#include "ControlSupport.h"

#include <limits>

namespace pdekit {

std::optional<int32_t> ParseLeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  bool digits = false;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    digits = true;
    if (value < kLimit) value = value * 10 + (text[i] - '0');
  }
  if (!digits) return std::nullopt;
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t SafeAtoi(std::string_view text) { return ParseLeadingInteger(text).value_or(0); }

std::string DecimalText(int32_t value) { return std::to_string(value); }

}  // namespace pdekit
