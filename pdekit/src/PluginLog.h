// Trace lines of the plug-ins ("##Plugin debug##" + message) on standard error. Callers never
// pass a value that may be a password.
#pragma once

namespace pdekit {

[[gnu::format(printf, 1, 2)]] void PluginLog(const char* format, ...);

}  // namespace pdekit
