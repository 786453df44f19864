// Print type module: held, secure, sample, delayed and mailbox jobs and the job name.
#include "TpjlTables.h"

namespace nx::filter {

CommandTable PrintTypeCommandTable() { return {}; }

}  // namespace nx::filter
