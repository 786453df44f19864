// The fax module of the filter: its ticket reading (the fax table, the recipient items, the
// device-option report, the refusal rules) and its header lines (the fax command table, one line
// per recipient, the closing line).
#pragma once

#include <cstdio>

#include "FilterState.h"
#include "TicketReader.h"

namespace nx::filter {

// Reads the fax module's keys into job.faxSetting. Result 1 go on, 0 refuse the job.
int DFaxSettingGetTicketFromPDE(FilterJob& job, const JobArguments& args);

// True when the job has no recipient (count below 1).
bool ShouldCancelJobAndShowError(const FilterJob& job);

// Writes the fax lines of the header to `out`.
void InjectTPIFCommandFaxSetting(FilterJob& job, const JobArguments& args, std::FILE* out);

}  // namespace nx::filter
