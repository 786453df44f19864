// The controls here run without a plug-in bundle: the keys the plug-ins register when loaded are
// registered once for the whole program, as both plug-ins would.
#include "accountpde/AccountPlugIn.h"
#include "faxpde/FaxPlugIn.h"

namespace {

[[maybe_unused]] const bool kRegistered = [] {
  accountpde::RegisterAccountKeys();
  faxpde::RegisterFaxKeys();
  return true;
}();

}  // namespace
