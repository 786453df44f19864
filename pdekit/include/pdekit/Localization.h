// User-facing texts of the plug-ins: keys looked up in the bundle's string tables ("Localizable"
// + the PPD's "NXLocalizableFileIndex" value, or the default table), and alerts built from keys.
#pragma once

#include <cups/ppd.h>

#include <string>
#include <string_view>
#include <vector>

#include "nx/platform/bundle.h"
#include "nx/platform/toolkit.h"

namespace pdekit {

// "Localizable" + the value of the first attribute whose name starts with
// "NXLocalizableFileIndex"; empty (the default table) when the PPD has none.
std::string GetLocalizeTableNameFromPPD(ppd_file_t* ppd);

// The translation of `key` in `table` (default table when empty), or "no translation".
std::string LocalizedString(const nx::platform::Bundle& bundle, std::string_view key, std::string_view table = {});
// The translation, or the key itself when there is none (popup items, titles).
std::string LocalizedStringOrKey(const nx::platform::Bundle& bundle, std::string_view key,
                                 std::string_view table = {});

// The placeholders of a localized text filled in (nx/platform/bundle.h).
using nx::platform::FormatLocalized;

// An alert built from keys: each text and button title is looked up (the key itself when there
// is no translation) and the arguments put into the texts; the keys and arguments are kept in
// the alert for the record. Answers the index of the button pressed (0 = first).
int RunLocalizedAlert(nx::platform::ui::Toolkit& toolkit, const nx::platform::Bundle& bundle, std::string_view table,
                      nx::platform::ui::AlertStyle style, std::string_view titleKey, std::string_view textKey,
                      const std::vector<std::string>& buttonKeys, const std::vector<std::string>& arguments = {});

}  // namespace pdekit
