#include "accountpde/PrintTypePanel.h"

#include "accountpde/AccountPlugIn.h"
#include "accountpde/JBAPanel.h"
#include "accountpde/JBAWindows.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "pdekit/ClockControl.h"
#include "pdekit/ControlTables.h"
#include "pdekit/Localization.h"
#include "pdekit/TextEditFormatter.h"
#include "pdekit/UtilityFunction.h"

namespace accountpde {

namespace {

using nx::platform::PrefUser;
namespace key = nx::ticket::key;

constexpr PTProductInfo kPTProducts[] = {
    {"Default00", 0, "PrintType_Default00"}, {"Default01", 1, "PrintType_Default01"},
    {"Default02", 2, "PrintType_Default02"}, {"Default03", 3, "PrintType_Default03"},
    {"Pellan00", 4, "PrintType_Pellan00"},
};

constexpr const char* kTypeItems[] = {"Job Type None", "Job Type Secure", "Job Type Sample", "Job Type Time", nullptr};
const pdekit::PopupIniData kTypeIni{0, 1, -1, kTypeItems};
constexpr pdekit::DataAccessInfo kTypeAccess{0, 0, key::PrintTypeTicketKey, key::PrintTypeReference};

constexpr const char* kDocItems[] = {"Document Name Type Auto", "Document Name Type Enter Name", nullptr};
const pdekit::PopupIniData kDocIni{0, 1, -1, kDocItems};
constexpr pdekit::DataAccessInfo kDocListAccess{0, 0, key::DocumentNameTypeTicketKey,
                                                key::DocumentNameTypeReference};

const pdekit::TextEditIniData kUserIDIni{"", "", 1, 24};
const pdekit::InputFilter kUserIDFilter{0, {}, 1, {{0x20, 0x7E}}, "Message43"};
constexpr pdekit::DataAccessInfo kUserIDAccess{pdekit::kAccessTypeText, pdekit::kAccessTypeText,
                                               key::PrintTypeUserNameTicketKey,
                                               key::PrintTypeUserNameReference};
const pdekit::TextEditIniData kPasswordIni{"", "", 0, 12};
const pdekit::InputFilter kPasswordFilter{0, {}, 1, {{0x30, 0x39}}, "Message39"};
constexpr pdekit::DataAccessInfo kPasswordAccess{pdekit::kAccessTypePassword, pdekit::kAccessTypePassword,
                                                 key::PrintTypePasswordTicketKey,
                                                 key::PrintTypePasswordReference};
const pdekit::TextEditIniData kDocNameIni{"", "", 0, 24};
const pdekit::InputFilter kDocNameFilter{0, {}, 1, {{0x20, 0x7E}}, "Message41"};
constexpr pdekit::DataAccessInfo kDocNameAccess{pdekit::kAccessTypeText, pdekit::kAccessTypeText,
                                                key::DocumentNameTicketKey, key::DocumentNameReference};
const pdekit::ClockIniData kTimeIni{0, 0, 0, 0, 0, 0, 0};
constexpr pdekit::DataAccessInfo kTimeAccess{pdekit::kAccessTypeDate, pdekit::kAccessTypeDate,
                                             key::DelayPrintTicketKey, key::DelayPrintReference};

// Print type list, value numbers = item index.
constexpr int kNoneDisables[] = {kPTUserIDTitle, kPTUserID, kPTPasswordTitle, kPTPassword, kPTDocNameListTitle,
                                 kPTDocNameList, kPTDocNameTitle, kPTStartTimeTitle, kPTStartTime, kPTDocName, 0};
constexpr int kNoneRefresh[] = {kPTUserIDTitle, kPTUserID, kPTPasswordTitle, kPTPassword, kPTDocNameTitle,
                                kPTDocName, 0};
constexpr int kSecureDisables[] = {kPTStartTimeTitle, kPTStartTime, 0};
constexpr int kSampleDisables[] = {kPTPasswordTitle, kPTPassword, kPTStartTimeTitle, kPTStartTime, 0};
constexpr int kTimeDisables[] = {kPTUserIDTitle, kPTUserID, kPTPasswordTitle, kPTPassword, 0};
constexpr int kCredentialRefresh[] = {kPTUserIDTitle, kPTUserID, kPTPasswordTitle, kPTPassword, 0};
constexpr pdekit::ControlIDList kTypeDisable[] = {kNoneDisables, kSecureDisables, kSampleDisables, kTimeDisables};
constexpr pdekit::ControlIDList kTypeRefresh[] = {kNoneRefresh, kCredentialRefresh, kCredentialRefresh,
                                                  kCredentialRefresh};
constexpr pdekit::ConstrainTable kTypeConstrain{kTypeDisable, {}, kTypeRefresh};

constexpr int kAutoDisables[] = {kPTDocNameTitle, kPTDocName, 0};
constexpr int kDocRefresh[] = {kPTDocName, 0};
constexpr pdekit::ControlIDList kDocDisable[] = {kAutoDisables, {}};
constexpr pdekit::ControlIDList kDocRefreshLists[] = {kDocRefresh, kDocRefresh};
constexpr pdekit::ConstrainTable kDocConstrain{kDocDisable, {}, kDocRefreshLists};

constexpr int kNoDiskDisables[] = {kPTList, kPTUserID, kPTPassword, kPTDocName, kPTListTitle, 0};
constexpr pdekit::InstallableConstrain kHardDiskTable[] = {{"False", kNoDiskDisables}, {"True", {}}};

}  // namespace

const PTProductInfo* getPTProductInfoPtr() { return kPTProducts; }
int getPTProductInfoCont() { return 5; }

int PrintTypeForVariant(std::string_view variant) {
  for (const auto& row : kPTProducts)
    if (variant == row.variant) return row.type;
  return 0;
}

// ---- PTListCtrl ----

PTListCtrl::PTListCtrl(nx::platform::ui::Element* element, const pdekit::PopupIniData* ini,
                       const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access,
                       const char* summaryKey, std::vector<int> validate)
    : PopupControl(element, ini, constrain, access, PrefUser::kCurrent),
      summaryKey_(summaryKey),
      validate_(std::move(validate)) {}

void PTListCtrl::RequestControlAction(nx::platform::ui::Element& sender) {
  const uint8_t* before = GetValueFromUIDataBlk();
  const int32_t previousItem = before ? ReadInt(before) : 1;
  if (ctrlParentPanelPtr && ControlPtr && ControlPtr->SelectedIndex() + 1 != previousItem) {
    for (int tag : validate_) {
      BaseControl* field = ctrlParentPanelPtr->GetPanelControl(tag);
      if (!field) continue;
      field->GetValueFromUI();
      if (field->PreInvalidateData() && field->InvalidateData()) continue;
      ControlPtr->SelectItem(previousItem - 1);
      return;
    }
  }
  PopupControl::RequestControlAction(sender);
}

void PTListCtrl::SetControlValueToUI() {
  PopupControl::SetControlValueToUI();
  if (!ControlPtr) return;
  const int index = ControlPtr->SelectedIndex();
  if (index > 0 && (!ControlPtr->IsEnabled() || !ControlPtr->IsItemEnabled(index))) {
    // Item 1 takes the place of the stored one. The UI block keeps what the replay compares
    // against, so that item 1's constraints apply as if the user had picked it.
    ControlPtr->SelectItem(0);
    WriteInt(GetControlBlkPtr(), 1);
  }
}

void PTListCtrl::GetSummaryText(pdekit::SummaryInfo& summary) {
  const int item = GetItemNumber();
  if (!summaryKey_ || !ini_ || !GetControlBlkPtr() || !ToGetSummaryText() || item < 1 || item > GetItemCount()) return;
  AddSummaryLine(summary, LocalizedOrKey(summaryKey_), LocalizedOrKey(ini_->itemKeys[item - 1]));
}

// ---- PTTextEditCtrl ----

PTTextEditCtrl::PTTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
                               const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access,
                               const pdekit::InputFilter* filter, const char* summaryKey, const char* emptyMessage,
                               bool refuseAllSpaces, bool masked)
    : TextEditCtrl(element, ini, constrain, access, PrefUser::kCurrent, filter),
      summaryKey_(summaryKey),
      emptyMessage_(emptyMessage),
      refuseAllSpaces_(refuseAllSpaces),
      masked_(masked) {}

bool PTTextEditCtrl::PreInvalidateData() {
  if (!ToValidate() || !ini_ || ini_->minWidth == 0 || !GetUIText().empty()) return true;
  ShowValidationAlert(emptyMessage_ ? emptyMessage_ : (filter_ ? filter_->messageKey : nullptr));
  return false;
}

bool PTTextEditCtrl::InvalidateData() {
  if (!ToValidate()) return true;
  const std::string text = GetUIText();
  if (refuseAllSpaces_ && !text.empty() && pdekit::IsAllSpace(text)) {
    ShowValidationAlert(filter_ ? filter_->messageKey : nullptr);
    return false;
  }
  return TextEditCtrl::InvalidateData();
}

void PTTextEditCtrl::GetSummaryText(pdekit::SummaryInfo& summary) {
  if (!summaryKey_ || !GetControlBlkPtr() || !ToGetSummaryText()) return;
  const std::string text = GetControlText();
  AddSummaryLine(summary, LocalizedOrKey(summaryKey_), masked_ ? MaskedSummaryText(text) : text);
}

void PrintTypeHelpBtn::ResetStatus() {
  BaseButton::ResetStatus();
  if (ControlPtr) ControlPtr->SetHidden(true);
}

// ---- PrintTypePDEum08 ----

PrintTypePDEum08::PrintTypePDEum08(pdekit::PDEHostCallback* host, nx::platform::Services& services,
                                   const nx::platform::Bundle& bundle)
    : BasePrintPanel(host, services), bundle_(bundle) {
  RegisterAccountKeys();
}

PrintTypePDEum08::~PrintTypePDEum08() = default;

bool PrintTypePDEum08::OldStore() const {
  return services_.SystemVersion() < pdekit::kPrintSettingsPreferenceVersion;
}

const char* PrintTypePDEum08::getPDENibFileNamePrintType() const { return kPTProducts[pdeType].layout; }

nx::platform::ui::View* PrintTypePDEum08::panelView() {
  if (!view_ && !pendingView_) {
    pendingView_ = services_.toolkit().LoadView(bundle_, getPDENibFileNamePrintType());
    view_ = pendingView_.get();
  }
  return view_;
}

std::string PrintTypePDEum08::panelName() {
  if (!cachedName_) {
    pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
    const std::string table = pdekit::GetLocalizeTableNameFromPPD(host ? host->ppdFile() : nullptr);
    cachedName_ = pdekit::LocalizedStringOrKey(bundle_, "PDE Title", table.empty() ? "Localizable" : table);
  }
  return *cachedName_;
}

void PrintTypePDEum08::CreatePrintTypeControls() {
  auto* view = GetPanelControlPtr();
  auto title = [&](int tag, const char* key) {
    RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(tag), key));
  };
  RunTimeAddNewControl(
      std::make_shared<pdekit::GroupBoxControl>(view->FindElement(kPTGroup), "Print Type Group Control Title"));
  title(kPTListTitle, "Print Type List");
  RunTimeAddNewControl(std::make_shared<PTListCtrl>(view->FindElement(kPTList), &kTypeIni, &kTypeConstrain,
                                                    &kTypeAccess, "PDE Menu Summary",
                                                    std::vector<int>{kPTUserID, kPTPassword, kPTDocName}));
  title(kPTUserIDTitle, "Print Type User Name Text");
  RunTimeAddNewControl(std::make_shared<PTTextEditCtrl>(view->FindElement(kPTUserID), &kUserIDIni, nullptr,
                                                        &kUserIDAccess, &kUserIDFilter, "User ID", "Message42", true,
                                                        false));
  title(kPTPasswordTitle, "Password Text");
  RunTimeAddNewControl(std::make_shared<PTTextEditCtrl>(view->FindElement(kPTPassword), &kPasswordIni, nullptr,
                                                        &kPasswordAccess, &kPasswordFilter, "Password", nullptr, false,
                                                        true));
  xspControlIDArray.push_back(kPTPassword);
  title(kPTDocNameListTitle, "Retrieve Document Name List");
  RunTimeAddNewControl(std::make_shared<PTListCtrl>(view->FindElement(kPTDocNameList), &kDocIni, &kDocConstrain,
                                                    &kDocListAccess, "Retrieve Document Name",
                                                    std::vector<int>{kPTDocName}));
  title(kPTDocNameTitle, "Document Name Text");
  RunTimeAddNewControl(std::make_shared<PTTextEditCtrl>(view->FindElement(kPTDocName), &kDocNameIni, nullptr,
                                                        &kDocNameAccess, &kDocNameFilter, "Document Name", nullptr,
                                                        false, false));
  title(kPTStartTimeTitle, "Start Print Time Text");
  RunTimeAddNewControl(std::make_shared<pdekit::ClockControl>(view->FindElement(kPTStartTime), &kTimeIni, nullptr,
                                                              &kTimeAccess, PrefUser::kCurrent, "Start Print Time"));
  auto restore = std::make_shared<pdekit::BaseButton>(view->FindElement(kPTRestore), "Restore Button Title");
  restore->SetHandler([this](pdekit::BaseButton&) {
    SetDefaultValueToUI();
    SetValueFromUIToControl();
  });
  RunTimeAddNewControl(restore);
  helpButton_ = std::make_shared<PrintTypeHelpBtn>(view->FindElement(kPTHelp), nullptr);
  helpButton_->SetHandler([this](pdekit::BaseButton&) {
    if (!helpPage_.empty())
      pdekit::GotoHelpPage(services_.help(), &bundle_, helpPage_.c_str(), nullptr,
                           "Help Viewer Title for Job Accounting");
  });
  RunTimeAddNewControl(helpButton_);
  auto version = std::make_shared<VersionLabel>(view->FindElement(kPTVersion), nullptr);
  RunTimeAddNewControl(version);
  RunTimeAddNewInstallableControl(std::make_shared<pdekit::InstallableControl>(nullptr, "NXHardDisk", kHardDiskTable));
}

bool PrintTypePDEum08::Open(std::string* error) {
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  if (!host || !host->ppdFile()) return true;
  if (!panelView()) {
    if (error) *error = std::string("the layout ") + getPDENibFileNamePrintType() + " is missing";
    return false;
  }
  ppd_file_t* ppd = host->ppdFile();
  bool helpRegistered = true;
  const bool first = bFirstInitialzePDE;
  if (first) {
    CreatePanel(std::move(pendingView_));
    CreatePrintTypeControls();
    helpRegistered = pdekit::RegisterMyHelpBook(services_.help(), &bundle_) == 0;
    InitializeUserPane(&bundle_, ppd);
    const std::string keyword = pdekit::FixPPDKeywordAccordingToType(ppd, "NXXPrintTypeSettings");
    if (ppd_attr_t* attr = ppdFindAttr(ppd, keyword.c_str(), nullptr); attr && attr->value && *attr->value)
      helpPage_ = "SelectJobType_" + pdekit::GetAppResourceName(attr->value, 1) + ".htm";
    if (auto* v = GetPanelControl(kPTVersion); v && v->GetControlPtr())
      v->GetControlPtr()->SetTitle(VersionLabelText(bundle_.ShortVersion(), ppd));
  }
  SetCurrentPrintSettings(host->printSettings(), ppd, host, host->printSession());
  SetUIDataToIniData();
  if (!first) ResetControlStatus();
  if (OldStore()) GetValueFromPreference();
  else GetValueFromPreferenceWithPrinterSettings();
  ConstrainPanelControlFromPPD(ppd);
  SetCurrentValueToUI();
  bFirstInitialzePDE = false;
  return helpRegistered;
}

bool PrintTypePDEum08::restoreValuesAndReturnError(std::string* error) {
  std::string why;
  Open(&why);
  if (!why.empty()) {
    if (error) *error = why;
    return false;
  }
  return true;
}

bool PrintTypePDEum08::SimulationOpenPDE() { return Open(nullptr); }

bool PrintTypePDEum08::ValidateUserPane() {
  for (auto& c : getCtrlGroupArrayRef()) c->GetValueFromUI();
  for (auto& c : getCtrlGroupArrayRef())
    if (!c->PreInvalidateData() || !c->InvalidateData()) return false;
  return true;
}

bool PrintTypePDEum08::StoreAndWrite() {
  if (GetPanelControlPtr()) SetValueFromUIToControl();
  if ((OldStore() ? SetValueToPreference() : SetValueToPreferenceWithPrinterSettings()) != 0) return false;
  if (pdekit::PrintSettings* settings = GetCurrentPMPrintSettings()) {
    pdekit::SetValueToSettingsWithTicketKeyAndLock(std::to_string(pdeType).c_str(), settings,
                                                   kPrintTypeProductTypeTicketKey, false);
    SetValueToTicket(settings, false, &xspControlIDArray);
  }
  return true;
}

bool PrintTypePDEum08::saveValuesAndReturnError(std::string* error) {
  if (!ValidateUserPane()) {
    if (error) *error = "a print type field is not valid";
    return false;
  }
  if (!StoreAndWrite()) {
    if (error) *error = "the print type settings could not be stored";
    return false;
  }
  return true;
}

bool PrintTypePDEum08::shouldPrint() {
  if (bFirstInitialzePDE) SimulationOpenPDE();
  if (!ValidateUserPane()) return false;
  return StoreAndWrite();
}

bool PrintTypePDEum08::shouldShowHelp() {
  if (!helpButton_ || !helpButton_->GetControlPtr()) return true;
  helpButton_->ButtonAction();
  return false;
}

pdekit::SummaryInfo PrintTypePDEum08::summaryInfo() {
  pdekit::SummaryInfo summary;
  GetSummaryText(summary);
  return summary;
}

}  // namespace accountpde
