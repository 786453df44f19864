// Runs the filter's document step on its own, as the main flow does at its document step: the
// same arguments, the same signal handling and exit status (1 when the output pipe broke, 2 when
// the document could not be made).
#include <csignal>

#include "OutputPDFStream.h"

namespace {
volatile std::sig_atomic_t gPipeBroken = 0;
extern "C" void OnPipe(int) { gPipeBroken = 1; }
extern "C" void OnTerm(int) {}
}  // namespace

int main(int argc, char* argv[]) {
  std::signal(SIGPIPE, OnPipe);
  std::signal(SIGTERM, OnTerm);
  const int result = nx::filter::OutputPDFStream(argc, argv);
  return gPipeBroken ? 1 : result;
}
