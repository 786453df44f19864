// Failure points of the savers that replace a file through a temporary file (phonebook files,
// preference files). Each saver asks before every step whether the step is to fail, so tests can
// fail any one step, or stop the process there, and check that the target is always either the
// old file or the whole new one. Without a hook installed every step simply runs.
#pragma once

namespace nx::platform {

// The steps of a save, in the order the savers take them: create the temporary file, write it,
// flush it to disk (fsync), close it (where some file systems report lost writes), rename it
// over the target.
enum class SaveStep { kOpen, kWrite, kSync, kClose, kRename };

// Called before each step: 0 lets the step run, any other value is the errno value with which
// the step fails instead.
using SaveFaultHook = int (*)(SaveStep step);

// Installs `hook` (nullptr removes it) and returns the previous one. For tests; a process that
// installs none behaves as if this did not exist.
SaveFaultHook SetSaveFaultHook(SaveFaultHook hook);

// What the savers call before `step`: 0 to go on, else the injected errno value (errno is set
// to it as well).
int SaveStepFault(SaveStep step);

}  // namespace nx::platform
