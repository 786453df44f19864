// jobfilter: the CUPS filter of the fax queue. The print system starts it once per job:
//   jobfilter job user title copies options [filename]
// with the raster pages on standard input or in `filename`; the device stream goes to standard
// output, messages for the print system to standard error.
#include <cstdio>
#include <memory>

#include "FilterMain.h"
#include "FilterJob.h"

int main(int argc, char* argv[]) {
  // The print system reads standard error line by line while the job runs.
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  // One job per process; about 20 KB of job state, kept off the stack.
  auto job = std::make_unique<nx::filter::FilterJob>();
  return nx::filter::FilterMain(argc, argv, *job);
}
