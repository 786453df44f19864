// The user's current phonebook as the phonebook windows choose it, for the command-line tools.
#pragma once

#include <string>

#include "nx/platform/services.h"

namespace nx::phonebook {

// The file the preferences name when it is there, else the default book in the phonebook
// folder, which is created empty when missing (as the windows create it when they open). The
// preferences are read, never written. False when the default book cannot be made.
bool CurrentPhonebookPath(const nx::platform::Services& services, std::string* path);

}  // namespace nx::phonebook
