// Features module: finishing attributes.
#include "TpjlTables.h"

namespace nx::filter {

CommandTable FeaturesCommandTable() { return {}; }

}  // namespace nx::filter
