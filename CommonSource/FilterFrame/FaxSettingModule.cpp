// The fax module's reading and header lines; see FaxSettingModule.h.
//
// The recipient items, the device-option report and the generation-2 refusal join the reader
// after the fax table; the recipient lines go between the fax table and the closing line.
#include "FaxSettingModule.h"

#include "KTOutput.h"
#include "TpjlTables.h"

namespace nx::filter {

int DFaxSettingGetTicketFromPDE(FilterJob& job, const JobArguments& args) {
  GetTicketFromArray(args, DFaxSettingTicketTable(job));
  return 1;
}

bool ShouldCancelJobAndShowError(const FilterJob& job) {
  return job.faxSetting.recipientListCount < 1;
}

void InjectTPIFCommandFaxSetting(FilterJob& job, const JobArguments& args, std::FILE* out) {
  OutputTPJLCommandFromArray(job, DFaxSettingCommandTable(), out);
  KTfprintf(out, "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n");
}

}  // namespace nx::filter
