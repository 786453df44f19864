#include "faxpde/DeviceOptionPanel.h"

#include "faxpde/FaxPlugIn.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "nx/ticket/recipient_ticket.h"
#include "pdekit/ControlTables.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

namespace {

using nx::platform::PrefUser;
namespace key = nx::ticket::key;

constexpr pdekit::DataAccessInfo kFaxModuleAccess{0, 0, kFaxModuleTicketKey,
                                                  key::DeviceOptionFaxModuleTypePopupListReference};
constexpr const char* kISDNItems[] = {"ISDN G4Kit On", "ISDN G4Kit Off", nullptr};
const pdekit::PopupIniData kISDNIni{0, 2, -1, kISDNItems};
constexpr pdekit::DataAccessInfo kISDNAccess{0, 0, kISDNG4TicketKey,
                                             key::DeviceOptionISDNG4TypePopupListReference};
constexpr const char* kKitItems[] = {"Outside Line Extension Kit On",
                                     "Outside Line Extension Kit Off", nullptr};
const pdekit::PopupIniData kKitIni{0, 2, -1, kKitItems};
constexpr pdekit::DataAccessInfo kOutsideKitAccess{
    0, 0, kOutsideKitTicketKey, key::DeviceOptionOutsideExtensionKitPopupListReference};
constexpr const char* kSpeedDialItems[] = {"Speed Dial number 2000", "Speed Dial number 5000",
                                           nullptr};
const pdekit::PopupIniData kSpeedDialIni{0, 1, -1, kSpeedDialItems};
constexpr pdekit::DataAccessInfo kSpeedDialAccess{0, 0, kSpeedDialTicketKey,
                                                  key::DeviceOptionSpeedDialPopupListReference};
constexpr pdekit::DataAccessInfo kExpansionAccess{
    0, 0, kExpansionTicketKey, key::DeviceOptionPhonebookExpansionKitPopupListReference};
const pdekit::TextEditIniData kNumberIni{"", "", 0, 5};
const pdekit::InputFilter kOutlineFilter{
    0, {}, 3, {{0x20, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7E}}, "Warning527"};
const pdekit::InputFilter kInlineFilter{
    0, {}, 3, {{0x20, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7E}}, "Warning528"};
constexpr pdekit::DataAccessInfo kOutlineAccess{pdekit::kAccessTypeText, pdekit::kAccessTypeText,
                                                kOutlineTicketKey,
                                                key::DeviceOptionOutlineNumberEtxtReference};
constexpr pdekit::DataAccessInfo kInlineAccess{pdekit::kAccessTypeText, pdekit::kAccessTypeText,
                                               kInlineTicketKey,
                                               key::DeviceOptionInlineNumberEtxtReference};
constexpr const char* kPortOutsideItems[] = {"Port Setting Outside Line Type Extension",
                                             "Port Setting Outside Line Type Outside", nullptr};
const pdekit::PopupIniData kPortOutsideIni{0, 2, -1, kPortOutsideItems};
constexpr pdekit::DataAccessInfo kPortOutsideAccess{
    0, 0, kPortOutsideTicketKey, key::DeviceOptionPortSettingOutsideLinePopupListReference};
constexpr const char* kPortExtensionItems[] = {"Port Setting Extension Type Extension",
                                               "Port Setting Extension Type Outside", nullptr};
const pdekit::PopupIniData kPortExtensionIni{0, 1, -1, kPortExtensionItems};
constexpr pdekit::DataAccessInfo kPortExtensionAccess{
    0, 0, kPortExtensionTicketKey, key::DeviceOptionPortSettingExtensionPopupListReference};

constexpr int kItemOn = 1;

// CUPS writes "none" or "none,none" (start and end banner) for no cover page.
bool HasCoverPage(std::string_view sheets) {
  while (!sheets.empty()) {
    const size_t comma = sheets.find(',');
    const std::string_view part = sheets.substr(0, comma);
    if (!part.empty() && part != "none") return true;
    if (comma == std::string_view::npos) break;
    sheets.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace

// ---- PPDOPTListCtrl ----

PPDOPTListCtrl::PPDOPTListCtrl(nx::platform::ui::Element* element, DEVICEOPTIONPDEq21& panel)
    : DFaxPPDPopupListCtrl(element, &kFaxModuleAccess, PrefUser::kAny, "NXFaxModule",
                           "Device Option Setting Mode",
                           {"Device Option Setting Type 1", "Device Option Setting Type 2",
                            "Device Option Setting Type 3", "Device Option Setting Type 4"}),
      panel_(panel) {}

int PPDOPTListCtrl::statusOfFaxModule() const {
  return ControlPtr ? ControlPtr->SelectedIndex() + 1 : 0;
}

int PPDOPTListCtrl::getStatusOfOutsideLineExtension() const {
  OPTListCtrl* kit = panel_.getOutsideLineExtensionCtrl();
  return kit ? kit->ShownItem() : 0;
}

void PPDOPTListCtrl::RequestControlAction(nx::platform::ui::Element& sender) {
  const uint8_t* before = GetValueFromUIDataBlk();
  const int previous = before ? ReadInt(before) : 0;
  const int chosen = statusOfFaxModule();
  if (ControlPtr && chosen != previous && (chosen == 2 || chosen == 4) &&
      getStatusOfOutsideLineExtension() == kItemOn && !panel_.ConfirmOutsideLine()) {
    ControlPtr->SelectItem(previous - 1);
    return;
  }
  DFaxPPDPopupListCtrl::RequestControlAction(sender);
  panel_.UpdateOptionControls(false);
}

// ---- OPTListCtrl and its kinds ----

OPTListCtrl::OPTListCtrl(nx::platform::ui::Element* element, const pdekit::PopupIniData* ini,
                         const pdekit::DataAccessInfo* access, const char* summaryKey,
                         DEVICEOPTIONPDEq21& panel)
    : DFaxPopupListCtrl(element, ini, nullptr, access, PrefUser::kAny, summaryKey), panel_(panel) {}

int OPTListCtrl::ShownItem() const { return ControlPtr ? ControlPtr->SelectedIndex() + 1 : 0; }

int OPTListCtrl::getStatusOfFaxModule() const {
  const PPDOPTListCtrl* type = panel_.getSettingTypeCtrl();
  return type ? type->statusOfFaxModule() : 0;
}

void OPTListCtrl::Select(int item) {
  const int32_t value = item;
  SetControlValueToUIBlk(&value, sizeof value);
}

void OPTListCtrl::RequestControlAction(nx::platform::ui::Element& sender) {
  const uint8_t* before = GetValueFromUIDataBlk();
  const int previous = before ? ReadInt(before) : 0;
  const int chosen = ShownItem();
  if (ControlPtr && chosen != previous && !ConfirmChange(previous, chosen)) {
    ControlPtr->SelectItem(previous - 1);
    return;
  }
  DFaxPopupListCtrl::RequestControlAction(sender);
  Changed();
}

void OPTListCtrl::Update() {
  if (ControlPtr)
    ControlPtr->SetEnabled(RuleEnabled(getStatusOfFaxModule()) && panel_.IsAdministrator());
}

bool OPTOutlineExtensionTypeListCtrl::ConfirmChange(int, int chosen) {
  const int module = getStatusOfFaxModule();
  if (chosen != kItemOn || (module != 2 && module != 4)) return true;
  return panel_.ConfirmOutsideLine();
}

void OPTOutlineExtensionTypeListCtrl::Changed() { panel_.UpdateOptionControls(true); }

bool OPTSpeedDialTypeListCtrl::RuleEnabled(int faxModule) const {
  const OPTListCtrl* expansion = panel_.getPhonebookExpansionCtrl();
  return faxModule != 1 && expansion && expansion->ShownItem() == kItemOn;
}

void OPTPhonebookExpansionListCtrl::Update() {
  const int module = getStatusOfFaxModule();
  if (ControlPtr && module >= 2 && module <= 4 && ShownItem() != kItemOn) Select(kItemOn);
  OPTListCtrl::Update();
}

void OPTPhonebookExpansionListCtrl::Changed() { panel_.UpdateOptionControls(false); }

OPTOUTLINEEXTENSIONListCtrl::OPTOUTLINEEXTENSIONListCtrl(nx::platform::ui::Element* element,
                                                         const pdekit::PopupIniData* ini,
                                                         const pdekit::DataAccessInfo* access,
                                                         const char* summaryKey,
                                                         DEVICEOPTIONPDEq21& panel,
                                                         bool extensionPort)
    : OPTListCtrl(element, ini, access, summaryKey, panel),
      extensionPort_(extensionPort),
      default_(ini ? ini->defaultItem : 1) {}

void OPTOUTLINEEXTENSIONListCtrl::UpdateOPTConstrain(bool kitOn, bool selectDefault) {
  if (extensionPort_) default_ = kitOn ? 1 : 2;
  if (!ControlPtr) return;
  ControlPtr->SetItemEnabled(0, kitOn);
  ControlPtr->SetItemEnabled(1, true);
  // Without the kit no port can be an extension: a stored "Extension" moves to the default.
  if (selectDefault || (!kitOn && ShownItem() == 1)) Select(default_);
}

// ---- OPTTextEditCtrl ----

OPTTextEditCtrl::OPTTextEditCtrl(nx::platform::ui::Element* element,
                                 const pdekit::DataAccessInfo* access,
                                 const pdekit::InputFilter* filter, const char* summaryKey,
                                 DEVICEOPTIONPDEq21& panel)
    : TextEditCtrl(element, &kNumberIni, nullptr, access, PrefUser::kAny, filter),
      summaryKey_(summaryKey),
      panel_(panel) {}

void OPTTextEditCtrl::RequestControlAction(nx::platform::ui::Element& sender) {
  TextEditCtrl::RequestControlAction(sender);
  panel_.UpdateOptionControls(false);
}

bool OPTTextEditCtrl::PreInvalidateData() { return true; }

bool OPTTextEditCtrl::InvalidateData() {
  if (!ToValidate()) return true;
  if (!TextEditCtrl::InvalidateData()) return false;
  // The number is dialled in front of fax numbers inside each recipient item, which cannot carry
  // a double quote or braces: every fax job would lose its recipients.
  if (nx::ticket::IsRecipientAddressText(GetUIText())) return true;
  ShowValidationAlert(filter_ ? filter_->messageKey : nullptr);
  return false;
}

void OPTTextEditCtrl::GetSummaryText(pdekit::SummaryInfo& summary) {
  if (!summaryKey_ || !GetControlBlkPtr() || !ToGetSummaryText()) return;
  AddSummaryLine(summary, LocalizedOrKey(summaryKey_), GetControlText());
}

// ---- DEVICEOPTIONPDEq21 ----

DEVICEOPTIONPDEq21::DEVICEOPTIONPDEq21(pdekit::PDEHostCallback* host,
                                       nx::platform::Services& services,
                                       const nx::platform::Bundle& bundle)
    : BasePrintPanel(host, services), bundle_(bundle) {
  RegisterFaxKeys();
  SetPDEBundleRef(&bundle_);
  // From 0x1070 on the stored device options are the PPD's.
  SetPreferenceReaderKind(pdekit::PreferenceReaderKind::kDeviceOptionsFromPPD);
}

DEVICEOPTIONPDEq21::~DEVICEOPTIONPDEq21() = default;

nx::platform::ui::View* DEVICEOPTIONPDEq21::panelView() {
  if (!PDEMainView && !pendingView_) {
    pendingView_ = services_.toolkit().LoadView(bundle_, "NXDeviceOption");
    PDEMainView = pendingView_.get();
  }
  return PDEMainView;
}

std::string DEVICEOPTIONPDEq21::panelName() {
  isOpened = false;
  if (!cachedName_) cachedName_ = pdekit::LocalizedStringOrKey(bundle_, "Device Option PDE Title");
  return *cachedName_;
}

std::optional<std::vector<std::string>> DEVICEOPTIONPDEq21::supportedPPDOptionKeys() {
  if (!constraintIndex_) constraintIndex_ = std::make_unique<pdekit::ConstraintIndex>(100);
  return std::vector<std::string>{"NXFaxModule"};
}

bool DEVICEOPTIONPDEq21::IsAdministrator() const {
  return pdekit::IsUserAdmin(services_.identity());
}

bool DEVICEOPTIONPDEq21::ConfirmOutsideLine() {
  return pdekit::RunLocalizedAlert(services_.toolkit(), bundle_, {},
                                   nx::platform::ui::AlertStyle::kCritical,
                                   "Warning_DeviceOption_OutsideLine_Title_ID",
                                   "Warning_DeviceOption_OutsideLine_Content_ID",
                                   {"OK Button Ctrl", "Cancel Button Ctrl"}) == 0;
}

void DEVICEOPTIONPDEq21::CreateDeviceOptionControls() {
  auto* view = GetPanelControlPtr();
  auto label = [&](int tag, const char* key) {
    RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(tag), key));
  };
  RunTimeAddNewControl(
      std::make_shared<PPDStaticTextCtrl>(view->FindElement(kDOSettingTypeTitle), "NXFaxModule"));
  settingType_ = std::make_shared<PPDOPTListCtrl>(view->FindElement(kDOSettingType), *this);
  RunTimeAddNewControl(settingType_);
  label(kDOISDNTitle, "ISDN / G4 Kit Text");
  isdn_ = std::make_shared<OPTISNDKitListCtrl>(view->FindElement(kDOISDN), &kISDNIni, &kISDNAccess,
                                               "ISDN / G4 Kit Mode", *this);
  RunTimeAddNewControl(isdn_);
  label(kDOOutsideKitTitle, "Outside Line Extension Kit Text");
  outsideKit_ = std::make_shared<OPTOutlineExtensionTypeListCtrl>(
      view->FindElement(kDOOutsideKit), &kKitIni, &kOutsideKitAccess,
      "Outside Line Extension Kit Mode", *this);
  RunTimeAddNewControl(outsideKit_);
  label(kDOSpeedDialTitle, "Speed Dial Number Type Text");
  speedDial_ = std::make_shared<OPTSpeedDialTypeListCtrl>(view->FindElement(kDOSpeedDial),
                                                          &kSpeedDialIni, &kSpeedDialAccess,
                                                          "Speed Dial Number Type", *this);
  RunTimeAddNewControl(speedDial_);
  label(kDOExpansionTitle, "Phonebook Expansion Static Text");
  expansion_ = std::make_shared<OPTPhonebookExpansionListCtrl>(
      view->FindElement(kDOExpansion), &kKitIni, &kExpansionAccess, "Phonebook Expansion Kit Mode",
      *this);
  RunTimeAddNewControl(expansion_);
  label(kDOOutlineTitle, "Outside Line Text");
  outline_ = std::make_shared<OPTTextEditCtrl>(view->FindElement(kDOOutline), &kOutlineAccess,
                                               &kOutlineFilter, "Outside Line", *this);
  RunTimeAddNewControl(outline_);
  label(kDOInlineTitle, "Extension Text");
  inline_ = std::make_shared<OPTTextEditCtrl>(view->FindElement(kDOInline), &kInlineAccess,
                                              &kInlineFilter, "Extension", *this);
  RunTimeAddNewControl(inline_);
  label(kDOPortOutsideTitle, "Port Setting Outside Line Text");
  portOutside_ = std::make_shared<OPTOUTLINEEXTENSIONListCtrl>(
      view->FindElement(kDOPortOutside), &kPortOutsideIni, &kPortOutsideAccess,
      "Port Setting Outside Line Mode", *this, false);
  RunTimeAddNewControl(portOutside_);
  label(kDOPortExtensionTitle, "Port Setting Extension Text");
  portExtension_ = std::make_shared<OPTOUTLINEEXTENSIONListCtrl>(
      view->FindElement(kDOPortExtension), &kPortExtensionIni, &kPortExtensionAccess,
      "Port Setting Extension Mode", *this, true);
  RunTimeAddNewControl(portExtension_);
  helpButton_ = std::make_shared<pdekit::BaseButton>(view->FindElement(kDOHelp), nullptr);
  helpButton_->SetHandler([this](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), &bundle_, "DeviceOption.htm", nullptr);
  });
  RunTimeAddNewControl(helpButton_);
}

void DEVICEOPTIONPDEq21::UpdateOptionControls(bool kitChanged) {
  if (updating_ || !settingType_) return;
  updating_ = true;
  const bool admin = IsAdministrator();
  // The expansion first: types 2 to 4 force it On, which the speed dial type depends on.
  expansion_->Update();
  isdn_->Update();
  outsideKit_->Update();
  speedDial_->Update();
  const bool kitOn = outsideKit_->ShownItem() == kItemOn;
  for (auto* port : {portOutside_.get(), portExtension_.get()}) {
    port->UpdateOPTConstrain(kitOn, kitChanged);
    port->Update();
  }
  for (pdekit::BaseControl* c : {static_cast<pdekit::BaseControl*>(settingType_.get()),
                                 static_cast<pdekit::BaseControl*>(outline_.get()),
                                 static_cast<pdekit::BaseControl*>(inline_.get())})
    if (c->GetControlPtr()) c->GetControlPtr()->SetEnabled(admin);
  updating_ = false;
}

bool DEVICEOPTIONPDEq21::SimulationOpenPDE() {
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  ppd_file_t* ppd = host ? host->ppdFile() : nullptr;
  if (!ppd) return true;
  if (!panelView()) return false;
  const bool first = bFirstInitialzePDE;
  if (first) {
    CreatePanel(std::move(pendingView_));
    CreateDeviceOptionControls();
    pdekit::RegisterMyHelpBook(services_.help(), &bundle_);
    if (!constraintIndex_) constraintIndex_ = std::make_unique<pdekit::ConstraintIndex>(100);
    pdekit::CQuickXPPD xppdBuilder;
    xppdBuilder.setKeywords({"NXFaxModule"});
    xppdBuilder.SetXppd(ppd, constraintIndex_.get());
    SetxppdPtr(constraintIndex_.get());
    InitializeUserPane(&bundle_, ppd);
  }
  SetCurrentPrintSettings(host->printSettings(), ppd, host, host->printSession());
  if (first) SetUIDataToIniData();
  GetValueFromPreference();
  SetCurrentValueToUI();
  if (!first) UpdateConflictsPanelControlFromPPD(ppd);
  UpdateOptionControls(false);
  bFirstInitialzePDE = false;
  return true;
}

bool DEVICEOPTIONPDEq21::restoreValuesAndReturnError(std::string* error) {
  isOpened = true;
  if (SimulationOpenPDE()) return true;
  if (error) *error = "the layout NXDeviceOption is missing";
  return false;
}

bool DEVICEOPTIONPDEq21::ValidateUserPane() {
  for (auto& c : getCtrlGroupArrayRef()) c->GetValueFromUI();
  for (auto& c : getCtrlGroupArrayRef())
    if (!c->PreInvalidateData() || !c->InvalidateData()) return false;
  return true;
}

void DEVICEOPTIONPDEq21::StoreAndWrite() {
  if (GetPanelControlPtr()) SetValueFromUIToControl();
  SetValueToPreference();
  if (pdekit::PrintSettings* settings = GetCurrentPMPrintSettings())
    SetValueToTicket(settings, false, nullptr);
}

bool DEVICEOPTIONPDEq21::saveValuesAndReturnError(std::string* error) {
  if (getCtrlGroupArrayRef().empty()) return true;
  if (!ValidateUserPane()) {
    if (error) *error = "a device option is not valid";
    return false;
  }
  StoreAndWrite();
  return true;
}

bool DEVICEOPTIONPDEq21::shouldPrint() {
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  pdekit::PrintSettings* settings = host ? host->printSettings() : nullptr;
  std::string sheets;
  if (settings && settings->GetValue("job-sheets", sheets) == pdekit::noErr && HasCoverPage(sheets))
    pdekit::RunLocalizedAlert(services_.toolkit(), bundle_, {},
                              nx::platform::ui::AlertStyle::kCritical, "Warning_String_Title_ID",
                              "Warning_CoverPage_Setting", {"OK Button Ctrl"});
  if (!isOpened && pdekit::RunLocalizedAlert(services_.toolkit(), bundle_, {},
                                             nx::platform::ui::AlertStyle::kCritical,
                                             "Warning_String_Title_ID", "Warning_DeviceOptions",
                                             {"OK Button Ctrl", "Cancel Button Ctrl"}) != 0)
    return false;
  if (bFirstInitialzePDE) SimulationOpenPDE();
  if (!getCtrlGroupArrayRef().empty() && !ValidateUserPane()) return false;
  StoreAndWrite();
  return true;
}

bool DEVICEOPTIONPDEq21::shouldShowHelp() {
  if (!helpButton_ || !helpButton_->GetControlPtr()) return true;
  return pdekit::GotoHelpPage(services_.help(), &bundle_, "DeviceOption.htm", nullptr) != 0;
}

pdekit::SummaryInfo DEVICEOPTIONPDEq21::summaryInfo() {
  pdekit::SummaryInfo summary;
  GetSummaryText(summary);
  return summary;
}

}  // namespace faxpde
