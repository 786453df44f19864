// Helpers shared by the concrete controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pdekit {

// atoi's reading (leading blanks, a sign, the digits up to the first other character; 0 when
// there are none) without its undefined behaviour: values past the 32-bit range saturate.
int32_t SafeAtoi(std::string_view text);

// The same, empty when the text holds no digit at all.
std::optional<int32_t> ParseLeadingInteger(std::string_view text);

// "%d" of a value.
std::string DecimalText(int32_t value);

}  // namespace pdekit
