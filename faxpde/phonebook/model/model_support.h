// Helpers shared by the phonebook model's sources.
#pragma once

#include <string>
#include <vector>

#include "nx/phonebook/fax_record.h"
#include "nx/platform/bundle.h"
#include "nx/platform/toolkit.h"

namespace nx::phonebook::detail {

// The key under which equal individuals meet: "Name", "Address" and "AddressType" (a missing
// key counts as empty).
std::string DuplicateKey(const FaxRecord& record);

// A critical alert from keys: translated through `bundle` by the installed sink when there are
// both (alert_sink.h), else the keys themselves with the arguments put into them. Answers the
// index of the button pressed.
int ShowPhonebookAlert(nx::platform::ui::Toolkit& toolkit, const nx::platform::Bundle* bundle,
                       const std::string& titleKey, const std::string& textKey,
                       const std::vector<std::string>& buttonKeys,
                       const std::vector<std::string>& arguments);

// True for a non-empty text made only of U+0020 and U+3000.
bool IsAllSpaces(std::string_view text);

}  // namespace nx::phonebook::detail
