// Runs the filter's document step on its own, as the main flow does at its document step: the
// job set up from the same arguments, the same signal handling and exit status (1 when the output
// pipe broke, 2 when the document could not be made).
#include <csignal>
#include <memory>

#include "FilterInit.h"
#include "FilterJob.h"
#include "OutputPDFStream.h"

namespace {
volatile std::sig_atomic_t gPipeBroken = 0;
extern "C" void OnPipe(int) { gPipeBroken = 1; }
extern "C" void OnTerm(int) {}
}  // namespace

int main(int argc, char* argv[]) {
  std::signal(SIGPIPE, OnPipe);
  std::signal(SIGTERM, OnTerm);
  auto job = std::make_unique<nx::filter::FilterJob>();
  // With the wrong argument count the job stays without its PPD, and the step says so.
  (void)nx::filter::Initialize(argc, argv, *job);
  const int result = nx::filter::OutputPDFStream(*job);
  return gPipeBroken ? 1 : result;
}
