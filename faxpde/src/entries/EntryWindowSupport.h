// Helpers shared by the phonebook entry windows.
#pragma once

#include <string>
#include <vector>

#include "nx/phonebook/fax_record.h"
#include "pdekit/BasePrintPanel.h"

namespace faxpde::entries {

// A critical alert from string-table keys; answers the index of the button pressed.
int ShowEntryAlert(pdekit::BasePrintPanel& window, const std::string& titleKey, const std::string& textKey,
                   const std::vector<std::string>& arguments = {},
                   const std::vector<std::string>& buttons = {"OK Button Ctrl"});

// The element of the window with `tag`, or null.
nx::platform::ui::Element* FindTag(pdekit::BasePrintPanel& window, int tag);

// The translation of `key` in the window's table, or the key itself.
std::string Localized(pdekit::BasePrintPanel& window, const std::string& key);

// A list row of an individual: "%@ <%@>" filled with name and address.
std::string IndividualRow(pdekit::BasePrintPanel& window, const nx::phonebook::FaxRecord& record);
// A list row of a group: "[%@]" filled with the group name.
std::string GroupRow(pdekit::BasePrintPanel& window, const nx::phonebook::FaxRecord& group);

// `text` contains `needle`, ignoring the case of ASCII letters.
bool ContainsIgnoringCase(const std::string& text, const std::string& needle);

}  // namespace faxpde::entries
