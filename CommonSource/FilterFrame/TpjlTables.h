// The command tables of the job header, one per module, in the order the header writes them.
// Each is constant data (see TpjlEngine.h) defined in its own file; changing a row touches only
// that file.
#pragma once

#include "TpjlEngine.h"

namespace nx::filter {

CommandTable PrintTypeCommandTable();    // PrintTypeTable.cpp
CommandTable JBAAdminCommandTable();     // AccountingTables.cpp, accounting mode 1
CommandTable JBACommandTable();          // AccountingTables.cpp, every job and mode 2
CommandTable FeaturesCommandTable();     // FeaturesTable.cpp
CommandTable DFaxSettingCommandTable();  // FaxSettingTable.cpp

}  // namespace nx::filter
