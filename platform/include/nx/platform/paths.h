// Where the system keeps its files on Linux.
//
// Every root can be moved with an environment variable so that tests and the demo never
// touch a real user's files or the machine's configuration:
//   NX_USER_PREFS_DIR      current user's preferences   ($XDG_CONFIG_HOME/norvalex, ~/.config/norvalex)
//   NX_ANY_USER_PREFS_DIR  preferences for every user   (/etc/norvalex/preferences)
//   XDG_DATA_HOME          the user's application data  (~/.local/share)
//   NX_SYSTEM_DIR          the driver's system folder   (/etc/norvalex)
//   NX_PRIVATE_TMP         the system's private temp    (/tmp)
//   NX_DATA_DIR            installed read-only data     (<prefix>/share/norvalex)
//   NX_PLUGIN_DIR          print-dialog plug-in bundles (<prefix>/lib/norvalex/plugins)
#pragma once

#include <string>

namespace nx::platform {

std::string UserPreferencesDir();
std::string AnyUserPreferencesDir();
// The user's Library folder + "Application Support".
std::string ApplicationSupportDir();
// ApplicationSupportDir()/NORVALEX/JPN/MFP_D-FAX
std::string PhonebookDir();
// The driver's system folder (the original platform's /Library/Printers/NORVALEX).
std::string SystemDir();
// SystemDir()/nxjobcopy: when it exists the filter keeps a copy of every job.
std::string JobCopyFlagFile();
// The original platform's /private/tmp.
std::string PrivateTmpDir();
// TMPDIR when set and not empty, else "/tmp" (the print system's temporary folder).
std::string TempDir();
// Installed read-only data (localization tables of the filter, PPDs).
std::string DataDir();
// The installed print-dialog plug-in bundles, where the dialogs look when not told otherwise:
// NX_PLUGIN_DIR; else, for a program in an installation's bin folder, that installation's
// plug-in folder when it exists (a staged or moved installation finds its own bundles); else
// the folder the build installs them into.
std::string PlugInDir();
// The home folder of the real user (HOME, else the password database).
std::string HomeDir();

}  // namespace nx::platform
