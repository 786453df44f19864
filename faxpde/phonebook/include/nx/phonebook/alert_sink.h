// How the phonebook model's alerts reach the user translated. The model knows its alerts only as
// string-table keys; whoever owns the string tables (the fax plug-in) installs the sink that
// looks them up in the model's bundle.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "nx/platform/bundle.h"
#include "nx/platform/toolkit.h"

namespace nx::phonebook {

// A critical alert from keys, with the arguments for the texts' placeholders.
struct PhonebookAlert {
  std::string titleKey;
  std::string textKey;
  std::vector<std::string> buttonKeys;
  std::vector<std::string> arguments;
};

// Shows `alert` with texts from `bundle`; answers the index of the button pressed (0 = first).
using LocalizedAlertSink =
    std::function<int(nx::platform::ui::Toolkit& toolkit, const nx::platform::Bundle& bundle, const PhonebookAlert& alert)>;

// Replaces the sink for every model of the process; an empty one restores the default. Without
// a sink, and for a model without a bundle, the keys themselves are the texts.
void SetLocalizedAlertSink(LocalizedAlertSink sink);

}  // namespace nx::phonebook
