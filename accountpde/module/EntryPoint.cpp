// The bundle's only visible symbol: it creates the principal object.
#include "accountpde/AccountPlugIn.h"
#include "pdekit/PDEHost.h"

NX_PDE_EXPORT_ENTRY_POINT(accountpde::PrintAccountPDEPlugInnxbiqm08)
