#include "faxpde/FaxSettingPanel.h"

#include "faxpde/FaxControls.h"
#include "faxpde/FaxRecipientWindow.h"
#include "faxpde/JobConfirmationWindow.h"
#include "faxpde/PhonebookSelectWindow.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "pdekit/ControlTables.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

namespace {

using nx::platform::PrefUser;

constexpr pdekit::DataAccessInfo kResolutionAccess{0, 0, kFaxResolutionTicketKey,
                                                   kFaxResolutionPrefKey};
constexpr const char* kReportItems[] = {"Transmission Report Report Always Item",
                                        "Transmission Report Report On Error Item",
                                        "Transmission Report No Report Item", nullptr};
const pdekit::PopupIniData kReportIni{0, 2, -1, kReportItems};
constexpr pdekit::DataAccessInfo kReportAccess{0, 0, kTransmissionReportTicketKey,
                                               kTransmissionReportPrefKey};
const pdekit::CheckBoxIniData kSendHeaderIni{0, 1, -1, "Send Header Check Box Ctrl"};
constexpr pdekit::DataAccessInfo kSendHeaderAccess{0, 0, kSendHeaderTicketKey, kSendHeaderPrefKey};

struct NibName {
  std::string_view prefix;
  const char* name;
};
constexpr NibName kDefaultNibs[] = {
    {"NXDFaxSetting_", "NXDFaxSetting_Default00"},
    {"Phonebook_", "Phonebook_Default00"},
    {"Import_", "Import_Default00"},
    {"RecipientSetting_", "RecipientSetting_Default00"},
};

}  // namespace

NXDirectFaxPDEPluginq21::NXDirectFaxPDEPluginq21(pdekit::PDEHostCallback* host,
                                                 nx::platform::Services& services,
                                                 const nx::platform::Bundle& bundle)
    : BasePrintPanel(host, services), bundle_(bundle) {
  SetPDEBundleRef(&bundle_);
}

NXDirectFaxPDEPluginq21::~NXDirectFaxPDEPluginq21() = default;

std::string NXDirectFaxPDEPluginq21::getPDENibFileName(std::string_view prefix) const {
  if (pdeType != 0) return {};
  for (const auto& nib : kDefaultNibs)
    if (nib.prefix == prefix) return nib.name;
  return {};
}

nx::platform::ui::View* NXDirectFaxPDEPluginq21::panelView() {
  if (!PDEMainView && !pendingView_) {
    pendingView_ = services_.toolkit().LoadView(bundle_, getPDENibFileName("NXDFaxSetting_"));
    PDEMainView = pendingView_.get();
  }
  return PDEMainView;
}

std::string NXDirectFaxPDEPluginq21::panelName() {
  if (!cachedName_) cachedName_ = pdekit::LocalizedStringOrKey(bundle_, "Fax Setting PDE Title");
  return *cachedName_;
}

void NXDirectFaxPDEPluginq21::willShow() {
  panelWindow_ = GetPanelWindow();
  BasePrintPanel::willShow();
}

void NXDirectFaxPDEPluginq21::CreateFaxSettingControls() {
  auto* view = GetPanelControlPtr();
  RunTimeAddNewControl(std::make_shared<PPDStaticTextCtrl>(view->FindElement(kFSResolutionTitle),
                                                           "NXFaxResolution"));
  RunTimeAddNewControl(std::make_shared<DFaxPPDPopupListCtrl>(
      view->FindElement(kFSResolution), &kResolutionAccess, PrefUser::kCurrent, "NXFaxResolution",
      "Fax Resolution Popup List Ctrl Summary String",
      std::vector<const char*>{"Fax Resolution Normal Item", "Fax Resolution Fine Item",
                               "Fax Resolution Super Fine 400 Item",
                               "Fax Resolution Super Fine 600 Item"}));
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(
      view->FindElement(kFSReportTitle), "Transmission Report Static Text Ctrl"));
  RunTimeAddNewControl(std::make_shared<DFaxPopupListCtrl>(
      view->FindElement(kFSReport), &kReportIni, nullptr, &kReportAccess, PrefUser::kCurrent,
      "Transmission Report Popup List Ctrl Summary String"));
  RunTimeAddNewControl(std::make_shared<DFaxCheckBoxCtrl>(
      view->FindElement(kFSSendHeader), &kSendHeaderIni, &kSendHeaderAccess,
      "Send Header Check Box Ctrl Summary String", "Send Header Check Box Ctrl On Summary String",
      "Send Header Check Box Ctrl Off Summary String"));
  auto defaults =
      std::make_shared<pdekit::BaseButton>(view->FindElement(kFSDefault), "Default Button Ctrl");
  defaults->SetHandler([this](pdekit::BaseButton&) { SetDefaultValueToUI(); });
  RunTimeAddNewControl(defaults);
  helpButton_ = std::make_shared<pdekit::BaseButton>(view->FindElement(kFSHelp), nullptr);
  helpButton_->SetHandler([this](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), &bundle_, "FaxSettings.htm", nullptr);
  });
  RunTimeAddNewControl(helpButton_);
}

bool NXDirectFaxPDEPluginq21::SimulationOpenPDE() {
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  ppd_file_t* ppd = host ? host->ppdFile() : nullptr;
  if (!ppd) return true;
  const bool first = bFirstInitialzePDE;
  if (first) {
    if (!panelView()) return false;
    CreatePanel(std::move(pendingView_));
    CreateFaxSettingControls();
    pdekit::RegisterMyHelpBook(services_.help(), &bundle_);
    InitializeUserPane(&bundle_, ppd);
  }
  SetCurrentPrintSettings(host->printSettings(), ppd, host, host->printSession());
  if (first) SetUIDataToIniData();
  GetValueFromPreset();
  SetCurrentValueToUI();
  bFirstInitialzePDE = false;
  return true;
}

bool NXDirectFaxPDEPluginq21::restoreValuesAndReturnError(std::string* error) {
  if (SimulationOpenPDE()) return true;
  if (error) *error = "the layout " + getPDENibFileName("NXDFaxSetting_") + " is missing";
  return false;
}

void NXDirectFaxPDEPluginq21::WriteOwnControls(pdekit::PrintSettings* settings) {
  if (!settings) return;
  for (const auto& control : getCtrlGroupArrayRef()) control->SetValueToTicket(settings, false);
}

bool NXDirectFaxPDEPluginq21::saveValuesAndReturnError(std::string*) {
  if (GetPanelControlPtr()) SetValueFromUIToControl();
  // The recipient list goes into the ticket only when printing.
  WriteOwnControls(GetCurrentPMPrintSettings());
  return true;
}

pdekit::SummaryInfo NXDirectFaxPDEPluginq21::summaryInfo() {
  pdekit::SummaryInfo summary;
  for (const auto& control : getCtrlGroupArrayRef()) control->GetSummaryText(summary);
  return summary;
}

bool NXDirectFaxPDEPluginq21::shouldShowHelp() {
  if (!helpButton_ || !helpButton_->GetControlPtr()) return true;
  return pdekit::GotoHelpPage(services_.help(), &bundle_, "FaxSettings.htm", nullptr) != 0;
}

bool NXDirectFaxPDEPluginq21::shouldPrint() {
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  pdekit::PrintSession* session = host ? host->printSession() : nullptr;
  pdekit::PrintSettings* settings = host ? host->printSettings() : nullptr;
  int destination = pdekit::kPMDestinationInvalid;
  if (!session || session->GetDestinationType(settings, destination) != pdekit::noErr ||
      destination != pdekit::kPMDestinationPrinter)
    return true;
  if (bFirstInitialzePDE) SimulationOpenPDE();
  if (!OnClickPrintCommand()) return false;
  if (GetPanelControlPtr()) SetValueFromUIToControl();
  SetCurrentPhonebookFileNameToPreference();
  WriteOwnControls(settings);
  // A list that could not be written must not print: the filter would refuse the job, or send
  // it to fewer recipients than the user confirmed.
  if (faxRecipientWindowsClass && settings && !faxRecipientWindowsClass->WriteRecipientList(settings, false)) {
    JobStatus = kJobStatusCancelled;
    return false;
  }
  return JobStatus == kJobStatusSend;
}

bool NXDirectFaxPDEPluginq21::loadRecipientSettingWins() {
  const bool first = !faxRecipientWindowsClass;
  if (first) {
    auto window = services_.toolkit().LoadWindow(bundle_, getPDENibFileName("RecipientSetting_"));
    if (!window) return false;
    auto w = std::make_shared<FaxRecipientWindowsClass>(
        std::move(window), "Fax Recipient Window Title String", GetCurrentPDECallbackObj(),
        services_, *this);
    if (!w->CreateDialog()) return false;
    // Look Up, Import and Add To Phonebook build the phonebook windows on first use.
    ConnectPhonebookWindows(*this, *w);
    RunTimeAddNewWindow(w);
    faxRecipientWindowsClass = w;
    if (FaxPBJobConfirmationWindowsClass* jc = w->getJobConfirmationWindow()) {
      FaxRecipientWindowsClass* rw = w.get();
      jc->SetRecipientSource([rw] { return rw->GetRecipientRecords(); });
      if (clock_) jc->SetClock(clock_);
    }
  }
  return InitializeUserPane(first, {faxRecipientWindowsClass.get()}) == 0;
}

void NXDirectFaxPDEPluginq21::SetCurrentPhonebookFileNameToPreference() {
  if (faxRecipientWindowsClass) faxRecipientWindowsClass->StoreCurrentPhonebookFileName();
}

void NXDirectFaxPDEPluginq21::SetDelayedSendClock(FaxClock clock) {
  clock_ = std::move(clock);
  if (faxRecipientWindowsClass)
    if (FaxPBJobConfirmationWindowsClass* jc = faxRecipientWindowsClass->getJobConfirmationWindow())
      jc->SetClock(clock_);
}

bool NXDirectFaxPDEPluginq21::OnClickPrintCommand() {
  if (!loadRecipientSettingWins()) return false;
  FaxRecipientWindowsClass& recipients = *faxRecipientWindowsClass;
  recipients.ActivateWindow();
  if (!recipients.getWinExitState()) {
    JobStatus = kJobStatusCancelled;
    return false;
  }
  FaxPBJobConfirmationWindowsClass* confirmation = recipients.getJobConfirmationWindow();
  if (!confirmation) {
    JobStatus = kJobStatusCancelled;
    return false;
  }
  for (;;) {
    confirmation->ActivateWindow();
    if (confirmation->getWinExitState()) {
      JobStatus = kJobStatusSend;
      return true;
    }
    // Back to the recipients with the list as it was.
    recipients.ReActivateWindow();
    if (!recipients.getWinExitState()) {
      JobStatus = kJobStatusCancelled;
      return false;
    }
  }
}

}  // namespace faxpde
