#include "faxpde/FaxPlugIn.h"

#include "faxpde/DeviceOptionPanel.h"
#include "faxpde/FaxSettingPanel.h"
#include "nx/phonebook/alert_sink.h"
#include "nx/platform/bundle.h"
#include "nx/ticket/keys.h"
#include "pdekit/BaseControl.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {
namespace {

constexpr pdekit::DeviceOptionKey kDeviceOptionKeys[] = {
    {nx::ticket::key::DeviceOptionFaxModuleTypePopupListReference, "FaxModuleTypePopupList"},
    {nx::ticket::key::DeviceOptionPhonebookExpansionKitPopupListReference,
     "PhonebookExpansionKitPopupList"},
    {nx::ticket::key::DeviceOptionISDNG4TypePopupListReference, "ISDNG4TypePopupList"},
    {nx::ticket::key::DeviceOptionOutsideExtensionKitPopupListReference,
     "OutsideExtensionKitPopupList"},
    {nx::ticket::key::DeviceOptionOutlineNumberEtxtReference, "OutlineNumberEtxt"},
    {nx::ticket::key::DeviceOptionInlineNumberEtxtReference, "InlineNumberEtxt"},
    {nx::ticket::key::DeviceOptionPortSettingOutsideLinePopupListReference,
     "PortSettingOutsideLinePopupList"},
    {nx::ticket::key::DeviceOptionPortSettingExtensionPopupListReference,
     "PortSettingExtensionPopupList"},
};

}  // namespace

void RegisterFaxKeys() { pdekit::RegisterSpecialKeys({{}, kDeviceOptionKeys}); }

void InstallPhonebookAlerts() {
  nx::phonebook::SetLocalizedAlertSink([](nx::platform::ui::Toolkit& toolkit, const nx::platform::Bundle& bundle,
                                          const nx::phonebook::PhonebookAlert& alert) {
    return pdekit::RunLocalizedAlert(toolkit, bundle, {}, nx::platform::ui::AlertStyle::kCritical, alert.titleKey,
                                     alert.textKey, alert.buttonKeys, alert.arguments);
  });
}

FaxPanelResources FaxPanelResourcesFor(ppd_file_t* ppd) {
  FaxPanelResources r;
  ppd_attr_t* attr = ppd ? ppdFindAttr(ppd, "NXSettingType", nullptr) : nullptr;
  if (!attr || !attr->value) return r;
  r.variant = pdekit::GetAppResourceName(attr->value, 0);
  r.deviceOptionHelp = "DeviceOption_" + pdekit::GetAppResourceName(attr->value, 1);
  r.faxSettingLayout = "NXDFaxSetting_" + r.variant;
  return r;
}

bool NXFaxSettingPDEPluginq21::initWithBundle(const nx::platform::Bundle& bundle,
                                              nx::platform::Services& services) {
  RegisterFaxKeys();
  InstallPhonebookAlerts();
  if (!pluginBundle) {
    pluginBundle = &bundle;
    services_ = &services;
  }
  return true;
}

std::vector<std::unique_ptr<pdekit::PDEPanel>> NXFaxSettingPDEPluginq21::PDEPanelsForType(
    std::string_view type, pdekit::PDEHostCallback* host) {
  std::vector<std::unique_ptr<pdekit::PDEPanel>> panels;
  if (type != pdekit::kPrintDialogPDEType || !host || !pluginBundle || !services_) return panels;
  ppd_file_t* ppd = host->ppdFile();
  if (!ppd || !ppdFindAttr(ppd, "NXSettingType", nullptr)) return panels;
  const FaxPanelResources names = FaxPanelResourcesFor(ppd);
  const nx::platform::Bundle& b = *pluginBundle;
  const bool present = !b.ResourcePath(names.deviceOptionHelp, "htm", "Help").empty() &&
                       !b.ResourcePath("NXDeviceOption", "nxlayout").empty() &&
                       !b.ResourcePath("FaxSettings", "htm", "Help").empty() &&
                       !b.ResourcePath(names.faxSettingLayout, "nxlayout").empty();
  if (!present) return panels;

  auto options = std::make_unique<DEVICEOPTIONPDEq21>(host, *services_, b);
  options->setFirstInitialize(true);
  panels.push_back(std::move(options));
  auto fax = std::make_unique<NXDirectFaxPDEPluginq21>(host, *services_, b);
  fax->setFirstInitialize(true);
  fax->setPDEType(names.variant);
  panels.push_back(std::move(fax));
  return panels;
}

}  // namespace faxpde
