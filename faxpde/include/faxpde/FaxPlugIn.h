// The fax plug-in's principal object: offers the Device Option and Fax Setting panels when the
// printer's PPD names the fax variant and the bundle has every resource the panels need.
#pragma once

#include <cups/ppd.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdekit/PDEHost.h"

namespace faxpde {

inline constexpr const char* kBundleIdentifier = "com.norvalex.nb.q21.pde.DirectFax";

// The resources a variant needs ("NXSettingType" value "Panel-Help"): the help page of the
// device options and the Fax Setting layout named by the variant, plus the fixed ones.
struct FaxPanelResources {
  std::string deviceOptionHelp;  // "DeviceOption_" + the part after "-"
  std::string faxSettingLayout;  // "NXDFaxSetting_" + the part before it
  std::string variant;           // the part before "-"
};
// Empty names when the PPD has no "NXSettingType".
FaxPanelResources FaxPanelResourcesFor(ppd_file_t* ppd);

// Registers the device-option preference keys and their PPD attributes with the framework. The
// principal object and the Device Option panel call it, so a panel built without the bundle
// has them too.
void RegisterFaxKeys();

// Installs the framework's localized alerts as the phonebook model's alert sink. The principal
// object and the windows that give a model the bundle call it.
void InstallPhonebookAlerts();

class NXFaxSettingPDEPluginq21 : public pdekit::PDEPlugIn {
 public:
  // Keeps the first bundle it is given; always succeeds.
  bool initWithBundle(const nx::platform::Bundle& bundle,
                      nx::platform::Services& services) override;
  // The Device Option panel then the Fax Setting panel, or nothing.
  std::vector<std::unique_ptr<pdekit::PDEPanel>> PDEPanelsForType(
      std::string_view type, pdekit::PDEHostCallback* host) override;
  const nx::platform::Bundle* GetPluginBundle() const { return pluginBundle; }

 private:
  const nx::platform::Bundle* pluginBundle = nullptr;
  nx::platform::Services* services_ = nullptr;
};

}  // namespace faxpde
