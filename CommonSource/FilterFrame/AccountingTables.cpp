// Accounting module: the administrator table and the common table.
#include "TpjlTables.h"

namespace nx::filter {

CommandTable JBAAdminCommandTable() { return {}; }

CommandTable JBACommandTable() { return {}; }

}  // namespace nx::filter
