// Helpers shared by the phonebook entry windows.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "nx/phonebook/fax_record.h"
#include "pdekit/BasePrintPanel.h"

namespace nx::phonebook {
class FaxPhonebookModel;
}

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

// A button on the element with `tag` that runs `handler` when pressed.
void AddEntryButton(pdekit::BasePrintPanel& window, int tag, const char* titleKey, std::function<void()> handler);

// The end of OK once the entry was checked and the store tried. Not saved: a warning under `titleKey`, and the
// window stays open with what the user typed. Saved: `changed` is set, the phonebook's observers are told (the
// sandboxed way when `sandbox`) and the window closes with OK.
void CloseAfterSave(FaxPBPopupWinInPanel& window, nx::phonebook::FaxPhonebookModel& model, bool saved, bool sandbox,
                    const std::string& titleKey, bool& changed);

// `text` contains `needle`, ignoring the case of ASCII letters.
bool ContainsIgnoringCase(const std::string& text, const std::string& needle);

}  // namespace faxpde::entries
