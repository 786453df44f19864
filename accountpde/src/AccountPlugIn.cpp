#include "accountpde/AccountPlugIn.h"

#include <cstring>

#include "accountpde/JBAPanel.h"
#include "accountpde/PrintTypePanel.h"
#include "nx/platform/bundle.h"
#include "nx/ticket/keys.h"
#include "pdekit/BaseControl.h"
#include "pdekit/UtilityFunction.h"

namespace accountpde {

namespace {

struct ProductRow {
  const char* variant;
  int type;
  const char* layout;
};

// The accounting variants; the first one loads a layout of its own name.
constexpr ProductRow kProducts[] = {
    {"Default00", 0, "NXBIPrintJBA_Default00"}, {"Default01", 1, "NXPrintJBA_Default01"},
    {"Default02", 2, "NXPrintJBA_Default02"},   {"Pellan00", 3, "NXPrintJBA_Pellan00"},
    {"Printer00", 4, "NXPrintJBA_Printer00"},   {"Printer01", 5, "NXPrintJBA_Printer01"},
};

constexpr std::string_view kProtectedPreferenceKeys[] = {
    nx::ticket::key::PrintTypePasswordReference,
    nx::ticket::key::PrintTypeMBNPasswordReference,
    nx::ticket::key::JBAUserPasswordTextEditReference,
    nx::ticket::key::JBAStoragePasswordTextEditReference,
    nx::ticket::key::JBAAdminUserPasswordTextEditReference,
    nx::ticket::key::JBAAdminStoragePasswordTextEditReference,
    nx::ticket::key::JBAInputUserPasswordTextEditReference,
    nx::ticket::key::JBAInputStoragePasswordTextEditReference,
};

struct PanelResources {
  std::string first;
  bool present = false;
};

// The variant named by `attribute` and whether the bundle has its help page and layout.
PanelResources FindResources(const nx::platform::Bundle& bundle, ppd_file_t* ppd, const char* attribute,
                             std::string_view helpPrefix, std::string_view layoutPrefix) {
  PanelResources r;
  ppd_attr_t* attr = ppdFindAttr(ppd, attribute, nullptr);
  if (!attr || !attr->value) return r;
  r.first = pdekit::GetAppResourceName(attr->value, 0);
  const std::string second = pdekit::GetAppResourceName(attr->value, 1);
  const std::string help = pdekit::GetAppFullResourceName(second, 0, helpPrefix, "");
  const std::string layout = pdekit::GetAppFullResourceName(r.first, 0, layoutPrefix, "");
  r.present = !bundle.ResourcePath(help, "htm", "Help").empty() && !bundle.ResourcePath(layout, "nxlayout").empty();
  return r;
}

}  // namespace

int ProductTypeForVariant(std::string_view variant) {
  for (const auto& row : kProducts)
    if (variant == row.variant) return row.type;
  return 0;
}

const char* JBALayoutForProductType(int type) {
  if (type < 0 || type > 5) type = 0;
  return kProducts[type].layout;
}

bool CheckLoadCondition(ppd_file_t* ppd, const char* keyword) {
  if (!ppd || !keyword) return true;
  ppd_attr_t* attr = ppdFindAttr(ppd, keyword, nullptr);
  return !(attr && attr->value && std::strcmp(attr->value, "False") == 0);
}

void RegisterAccountKeys() { pdekit::RegisterSpecialKeys({kProtectedPreferenceKeys, {}}); }

bool PrintAccountPDEPlugInnxbiqm08::initWithBundle(const nx::platform::Bundle& bundle,
                                                   nx::platform::Services& services) {
  RegisterAccountKeys();
  if (!bundle_) {
    bundle_ = &bundle;
    services_ = &services;
  }
  return true;
}

std::vector<std::unique_ptr<pdekit::PDEPanel>> PrintAccountPDEPlugInnxbiqm08::PDEPanelsForType(
    std::string_view type, pdekit::PDEHostCallback* host) {
  std::vector<std::unique_ptr<pdekit::PDEPanel>> panels;
  if (type != pdekit::kPrintDialogPDEType || !host || !bundle_ || !services_) return panels;
  ppd_file_t* ppd = host->ppdFile();
  if (!ppd) return panels;

  const PanelResources jba = FindResources(*bundle_, ppd, "NXXAccountingSettings", "JBA_", "NXPrintJBA_");
  if (jba.present) {
    auto panel = std::make_unique<JBAPDEnxbiqm08>(host, *services_, *bundle_);
    panel->setFirstInitialize(true);
    panel->setPDEType(ProductTypeForVariant(jba.first));
    panels.push_back(std::move(panel));
  }
  const PanelResources pt = FindResources(*bundle_, ppd, "NXXPrintTypeSettings", "SelectJobType_", "NXPrintType_");
  if (pt.present) {
    auto panel = std::make_unique<PrintTypePDEum08>(host, *services_, *bundle_);
    panel->setFirstInitialize(true);
    panel->setPDEType(PrintTypeForVariant(pt.first));
    panels.push_back(std::move(panel));
  }
  return panels;
}

}  // namespace accountpde
