// Fax setting module: fax hardware, resolution, report, send header, delayed send and paper.
#include "TpjlTables.h"

namespace nx::filter {

CommandTable DFaxSettingCommandTable() { return {}; }

}  // namespace nx::filter
