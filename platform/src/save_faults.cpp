// The savers' failure points; see save_faults.h.
#include "nx/platform/save_faults.h"

#include <atomic>
#include <cerrno>

namespace nx::platform {
namespace {
std::atomic<SaveFaultHook> gHook{nullptr};
}  // namespace

SaveFaultHook SetSaveFaultHook(SaveFaultHook hook) { return gHook.exchange(hook); }

int SaveStepFault(SaveStep step) {
  const SaveFaultHook hook = gHook.load();
  if (hook == nullptr) return 0;
  const int error = hook(step);
  if (error != 0) errno = error;
  return error;
}

}  // namespace nx::platform
