#include "accountpde/JBAPanel.h"

#include <fcntl.h>
#include <unistd.h>

#include "accountpde/AccountPlugIn.h"
#include "accountpde/ClientIdentity.h"
#include "accountpde/JBAWindows.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "pdekit/ControlTables.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace accountpde {

namespace {

using nx::platform::PrefUser;

constexpr const char* kModeItems[] = {"Job Authentication Type User Mode",
                                      "Job Authentication Type Administration Mode", nullptr};
const pdekit::PopupIniData kModeIni{0, 2, -1, kModeItems};
constexpr pdekit::DataAccessInfo kModeAccess{0, 0, kJBAManageTypeTicketKey, kJBAManageTypePreferenceKey};

constexpr const char* kInfoSetItems[] = {"Case_1", "Case_2", "Case_3", "Case_4", "Case_5",
                                         "Case_6", "Case_7", "Case_8", "Case_9", nullptr};
const pdekit::PopupIniData kInfoSetIni{0, 1, -1, kInfoSetItems};
constexpr pdekit::DataAccessInfo kInfoSetAccess{0, 0, kJBAInfoSetTicketKey, nullptr};

constexpr const char* kSelectIDChoices[] = {"UserID_AccountID", "UserID", "AccountID", "None"};
constexpr int kInfoSetNoPrompt = 8;

// Rows: customised-prompt index; columns: information index.
constexpr int kInfoSetTable[4][3] = {{5, 9, 1}, {6, 9, 2}, {7, 9, 3}, {8, 9, 4}};

}  // namespace

int InfoSetModeItem(int prompt, int info) {
  if (prompt < 0 || prompt > 3 || info < 0 || info > 2) return 1;
  return kInfoSetTable[prompt][info];
}

std::string VersionLabelText(const std::string& shortVersion, ppd_file_t* ppd) {
  std::string text = "ver." + shortVersion;
  ppd_attr_t* attr = ppd ? ppdFindAttr(ppd, kCDFSettingAttribute, nullptr) : nullptr;
  if (attr) {
    const int fd = attr->value ? ::open(attr->value, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) text += ".";
    else ::close(fd);
  }
  return text;
}

// ---- JBAListCtrl ----

int JBAListCtrl::getwhichPreferenceKey() const {
  // What the list shows counts, before it is committed: the details button opens the window
  // of the mode just chosen.
  if (ControlPtr && GetControlBlkPtr()) {
    const int shown = ControlPtr->SelectedIndex();
    if (shown == 0 || shown == 1) return shown;
  }
  if (!GetControlBlkPtr()) return 1;
  return GetItemNumber() - 1;
}

void JBAListCtrl::ApplyAdminRule() {
  nx::platform::Services* services = Services();
  if (!ControlPtr || !services) return;
  if (!pdekit::IsUserAdmin(services->identity())) ControlPtr->SetEnabled(false);
}

bool JBAListCtrl::UIEventHandler() {
  const bool result = PopupControl::UIEventHandler();
  ApplyAdminRule();
  return result;
}

bool JBAListCtrl::SimulationUIEventHandler() {
  const bool result = PopupControl::SimulationUIEventHandler();
  ApplyAdminRule();
  if (ControlPtr && SystemVersion() >= pdekit::kPrintSettingsPreferenceVersion) ControlPtr->SetEnabled(false);
  return result;
}

void JBAListCtrl::GetSummaryText(pdekit::SummaryInfo& summary) {
  const int item = GetItemNumber();
  if (!GetControlBlkPtr() || item < 1 || item > 2) return;
  AddSummaryLine(summary, LocalizedOrKey("JBA Account Mode"), LocalizedOrKey(kModeItems[item - 1]));
}

void VersionLabel::ResetStatus() {
  TitledControl::ResetStatus();
  if (ControlPtr) ControlPtr->SetHidden(true);
}

// ---- JBAPDEnxbiqm08 ----

JBAPDEnxbiqm08::JBAPDEnxbiqm08(pdekit::PDEHostCallback* host, nx::platform::Services& services,
                               const nx::platform::Bundle& bundle)
    : BasePrintPanel(host, services), bundle_(bundle) {
  RegisterAccountKeys();
}

JBAPDEnxbiqm08::~JBAPDEnxbiqm08() = default;

bool JBAPDEnxbiqm08::OldStore() const { return services_.SystemVersion() < pdekit::kPrintSettingsPreferenceVersion; }

const char* JBAPDEnxbiqm08::getPDENibFileNamePrintType() const { return JBALayoutForProductType(pdeType); }

nx::platform::ui::View* JBAPDEnxbiqm08::panelView() {
  if (!jbaView && !pendingView_) {
    pendingView_ = services_.toolkit().LoadView(bundle_, getPDENibFileNamePrintType());
    jbaView = pendingView_.get();
  }
  return jbaView;
}

std::string JBAPDEnxbiqm08::panelName() {
  if (auto* host = GetCurrentPDECallbackObj())
    SetLocalizeTableName(pdekit::GetLocalizeTableNameFromPPD(host->ppdFile()));
  if (!cachedName_)
    cachedName_ = pdekit::LocalizedStringOrKey(bundle_, "Job Authentication Title", GetLocalizeTableName());
  return *cachedName_;
}

std::string JBAPDEnxbiqm08::panelKind() { return "com.norvalex.nb.qm08.pde.AccountKind"; }

int JBAPDEnxbiqm08::getAccountMode() const {
  return jobAcctTypeListCtrl ? jobAcctTypeListCtrl->getwhichPreferenceKey() : -1;
}

int JBAPDEnxbiqm08::getInfoSetMode() const {
  return jbaInfoSetListCtrl && jbaInfoSetListCtrl->GetControlBlkPtr() ? jbaInfoSetListCtrl->GetItemNumber() : -1;
}

int JBAPDEnxbiqm08::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  bCostomizeUserPromptExist = ppd && pdekit::CheckPPDKeyIsExist(ppd, kSelectIDKeyword);
  if (bCostomizeUserPromptExist) iCostomizeUserPromptValue = pdekit::GetValueFromPPD(ppd, kSelectIDKeyword, kSelectIDChoices, 4);
  return BasePrintPanel::InitializeUserPane(bundle, ppd);
}

void JBAPDEnxbiqm08::CreateJBAControls() {
  auto* view = GetPanelControlPtr();
  modeLabel_ = std::make_shared<pdekit::TitledControl>(view->FindElement(kJBAModeLabelTag), "JBA Account Mode Text");
  RunTimeAddNewControl(modeLabel_);
  jobAcctTypeListCtrl = std::make_shared<JBAListCtrl>(view->FindElement(kJBAModeListTag), &kModeIni, nullptr,
                                                      &kModeAccess, PrefUser::kCurrent);
  RunTimeAddNewControl(jobAcctTypeListCtrl);
  jbaInfoSetListCtrl = std::make_shared<pdekit::PopupControl>(view->FindElement(kJBAInfoSetListTag), &kInfoSetIni,
                                                              nullptr, &kInfoSetAccess, PrefUser::kCurrent);
  RunTimeAddNewControl(jbaInfoSetListCtrl);
  versionLabel_ = std::make_shared<VersionLabel>(view->FindElement(kJBAVersionLabelTag), nullptr);
  RunTimeAddNewControl(versionLabel_);
  detailsButton_ = std::make_shared<pdekit::BaseButton>(view->FindElement(kJBADetailsButtonTag),
                                                        "Detailed User Settings Btn");
  detailsButton_->SetHandler([this](pdekit::BaseButton&) {
    if (getAccountMode() == 0 && jbaInfoAdminWnd) jbaInfoAdminWnd->ActivateWindow();
    else if (getAccountMode() == 1 && jbaInfoWnd) jbaInfoWnd->ActivateWindow();
  });
  RunTimeAddNewControl(detailsButton_);
  helpButton_ = std::make_shared<pdekit::BaseButton>(view->FindElement(kJBAHelpButtonTag), nullptr);
  helpButton_->SetHandler([this](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), &bundle_, ("JBA_" + GetHelpSuffix() + ".htm").c_str(), nullptr,
                         "Help Viewer Title for Job Accounting");
  });
  RunTimeAddNewControl(helpButton_);

  auto& toolkit = services_.toolkit();
  if (auto w = toolkit.LoadWindow(bundle_, "JBAInfoAdminWnd")) {
    jbaInfoAdminWnd =
        std::make_shared<JBADetailsWindow>(std::move(w), "Admin Window Title String", true, *this, &xspControlIDArray);
    RunTimeAddNewWindow(jbaInfoAdminWnd);
  }
  if (auto w = toolkit.LoadWindow(bundle_, "JBAInfoWnd")) {
    jbaInfoWnd =
        std::make_shared<JBADetailsWindow>(std::move(w), "User Window Title String", false, *this, &xspControlIDArray);
    RunTimeAddNewWindow(jbaInfoWnd);
  }
  if (auto w = toolkit.LoadWindow(bundle_, "JBAInputWindow")) {
    jbaInputWndRes = std::make_shared<JBAInputWindow>(std::move(w), "Input Window Title String", *this, &xspControlIDArray);
    RunTimeAddNewWindow(jbaInputWndRes);
  }
}

std::string JBAPDEnxbiqm08::GetHelpSuffix() const {
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  ppd_file_t* ppd = host ? host->ppdFile() : nullptr;
  ppd_attr_t* attr = ppd ? ppdFindAttr(ppd, "NXXAccountingSettings", nullptr) : nullptr;
  return attr && attr->value ? pdekit::GetAppResourceName(attr->value, 1) : std::string();
}

bool JBAPDEnxbiqm08::getbInputWndVisible() const {
  switch (getAccountMode()) {
    case 0: return jbaInfoAdminWnd && jbaInfoAdminWnd->getbEnterUserDetails();
    case 1: return jbaInfoWnd && jbaInfoWnd->getbEnterUserDetails();
    default: return false;
  }
}

void JBAPDEnxbiqm08::UpdateInfoSetMode() {
  if (!jbaInfoSetListCtrl || !bCostomizeUserPromptExist) return;
  const int32_t item = InfoSetModeItem(iCostomizeUserPromptValue, 0);
  if (jbaInfoSetListCtrl->SetControlValueToUIBlk(&item, sizeof item)) jbaInfoSetListCtrl->SetValueFromUIToControl();
  auto enable = [](pdekit::BaseControl* c, bool on) {
    if (c && c->GetControlPtr()) c->GetControlPtr()->SetEnabled(on);
  };
  // The windows of the current account mode take the item's constraints now, so that what
  // they leave out is neither checked nor summarised before a window is first opened.
  if (jbaInfoAdminWnd) jbaInfoAdminWnd->ApplyInfoSetConstrains();
  if (jbaInfoWnd) jbaInfoWnd->ApplyInfoSetConstrains();
  if (jbaInputWndRes) jbaInputWndRes->ApplyInfoSetConstrains();
  if (item == kInfoSetNoPrompt) {
    enable(jobAcctTypeListCtrl.get(), false);
    enable(detailsButton_.get(), false);
    return;
  }
  enable(detailsButton_.get(), true);
  if (OldStore() && pdekit::IsUserAdmin(services_.identity())) enable(jobAcctTypeListCtrl.get(), true);
}

bool JBAPDEnxbiqm08::LoadFirstTime(std::string* error) {
  if (!bFirstInitialzePDE) return true;
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  bool helpRegistered = true;
  if (host && host->ppdFile()) {
    if (!panelView()) {
      if (error) *error = std::string("the layout ") + getPDENibFileNamePrintType() + " is missing";
      return false;
    }
    CreatePanel(std::move(pendingView_));
    CreateJBAControls();
    InitializeUserPane(&bundle_, host->ppdFile());
    versionLabel_->GetControlPtr()->SetTitle(VersionLabelText(bundle_.ShortVersion(), host->ppdFile()));
    helpRegistered = pdekit::RegisterMyHelpBook(services_.help(), &bundle_) == 0;
    SetCurrentPrintSettings(host->printSettings(), host->ppdFile(), host, host->printSession());
  }
  SetUIDataToIniData();
  if (OldStore()) GetValueFromPreference();
  else GetValueFromPreferenceWithPrinterSettings();
  SetCurrentValueToUI();
  UpdateInfoSetMode();
  bFirstInitialzePDE = false;
  return helpRegistered;
}

bool JBAPDEnxbiqm08::restoreValuesAndReturnError(std::string* error) {
  if (!bFirstInitialzePDE) return true;
  std::string why;
  LoadFirstTime(&why);
  if (!why.empty()) {
    if (error) *error = why;
    return false;
  }
  return true;
}

bool JBAPDEnxbiqm08::SimulationOpenPDE() { return LoadFirstTime(nullptr); }

bool JBAPDEnxbiqm08::StoreValues() {
  return (OldStore() ? SetValueToPreference() : SetValueToPreferenceWithPrinterSettings()) == 0;
}

void JBAPDEnxbiqm08::WriteTicket() {
  pdekit::PrintSettings* settings = GetCurrentPMPrintSettings();
  if (!settings) return;
  SetValueToTicket(settings, false, &xspControlIDArray);
  SetInformationToTicket(settings, false, services_.identity(), services_.network());
}

bool JBAPDEnxbiqm08::saveValuesAndReturnError(std::string* error) {
  if (GetPanelControlPtr()) SetValueFromUIToControl();
  if (!StoreValues()) {
    if (error) *error = "the accounting settings could not be stored";
    return false;
  }
  WriteTicket();
  return true;
}

bool JBAPDEnxbiqm08::OnClickPrintCommand() {
  if (jbaInputWndRes) {
    if (getbInputWndVisible()) {
      // Closing the window any other way than with its buttons cancels the job too.
      setJobStatus(kJobStatusCancelled);
      jbaInputWndRes->Present();
    } else {
      setJobStatus(kJobStatusPrint);
    }
  } else {
    setJobStatus(kJobStatusPrint);
  }
  return getJobStatus() == kJobStatusPrint;
}

bool JBAPDEnxbiqm08::shouldPrint() {
  pdekit::PDEHostCallback* host = GetCurrentPDECallbackObj();
  int destination = pdekit::kPMDestinationPrinter;
  if (host && host->printSession()) host->printSession()->GetDestinationType(host->printSettings(), destination);
  if (destination != pdekit::kPMDestinationPrinter) return true;
  if (bFirstInitialzePDE) SimulationOpenPDE();
  if (!OnClickPrintCommand()) return false;
  if (GetPanelControlPtr()) SetValueFromUIToControl();
  if (!StoreValues()) return false;
  WriteTicket();
  return true;
}

bool JBAPDEnxbiqm08::shouldShowHelp() {
  if (!helpButton_ || !helpButton_->GetControlPtr()) return true;
  helpButton_->ButtonAction();
  return false;
}

pdekit::SummaryInfo JBAPDEnxbiqm08::summaryInfo() {
  pdekit::SummaryInfo summary;
  GetSummaryText(summary);
  return summary;
}

}  // namespace accountpde
