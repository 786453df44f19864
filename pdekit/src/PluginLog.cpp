// Plug-in trace lines; see PluginLog.h.
#include "PluginLog.h"

#include <cstdarg>
#include <cstdio>

namespace pdekit {

void PluginLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

}  // namespace pdekit
