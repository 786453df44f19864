// The bundle's only visible symbol: it creates the principal object.
#include "faxpde/FaxPlugIn.h"
#include "pdekit/PDEHost.h"

NX_PDE_EXPORT_ENTRY_POINT(faxpde::NXFaxSettingPDEPluginq21)
