#include "faxpde/FaxRecipientWindow.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "faxpde/CommunicationSettingsWindow.h"
#include "faxpde/FaxNumberConfirmWindow.h"
#include "faxpde/FaxPlugIn.h"
#include "faxpde/FaxSettingPanel.h"
#include "faxpde/JobConfirmationWindow.h"
#include "faxpde/RecipientInformationWindow.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/recipient_ticket.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "pdekit/BaseControl.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"
#include "recipient/RecipientWindowSupport.h"

namespace faxpde {

using recipient::Button;
using recipient::kFaxNumberIni;
using recipient::kNameIni;
using recipient::kSpeedDialIni;

namespace {

constexpr const char* kRecipientChanged = "FaxPhonebookRecipientModelChanged";

const char* const kOffOn[] = {"Off", "On"};
const char* const kResAddressNames[] = {"Normal", "FaxAndPhonebook", "SpeedDial", "Phonebook"};
const char* const kGenerationNames[] = {"1", "2"};

const pdekit::TextEditIniData kCurrentPBIni{"default.fap", "default.fap", 0, 255};

}  // namespace

FaxRecipientWindowsClass::FaxRecipientWindowsClass(std::unique_ptr<nx::platform::ui::Window> window,
                                                   std::string titleKey, pdekit::PDEHostCallback* host,
                                                   nx::platform::Services& services, NXDirectFaxPDEPluginq21& panel)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services), panel_(panel) {
  InstallPhonebookAlerts();
}

FaxRecipientWindowsClass::~FaxRecipientWindowsClass() = default;

bool FaxRecipientWindowsClass::CreateDialog() {
  if (!GetPanelWindow()) return false;
  faxNumberConfirmPass = true;
  onSandboxApps = false;
  restrictAddressType = -1;
  faxPBRecipientData = std::make_unique<nx::phonebook::FaxPBRecipientModel>(
      services_.notifications(), services_.toolkit(), &panel_.GetBundle(), kRecipientChanged);
  BuildControls();
  BuildChildWindows();
  listObserver_ = nx::platform::ScopedObserver(
      services_.notifications(), kRecipientChanged,
      [this](const nx::platform::Notification&) {
        list_->reloadListView();
        UpdateButtons();
      },
      faxPBRecipientData.get());
  const char* hostApp = std::getenv("NX_HOST_BUNDLE_IDENTIFIER");
  checkIfOnSandboxApps(hostApp ? hostApp : "");
  return true;
}

void FaxRecipientWindowsClass::BuildControls() {
  nx::platform::ui::View* view = GetPanelWindow();
  auto label = [&](int tag, const char* key) {
    RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(tag), key));
  };
  label(kRecNameLabel, "Fax Recipient Window Name Label");
  name_ = std::make_shared<DFFaxNameTextEditCtrl>(view->FindElement(kRecName), &kNameIni);
  RunTimeAddNewControl(name_);
  label(kRecListLabel, "Fax Recipient Window Recipient List Label");
  list_ = std::make_shared<FaxPBRecipientListView>(view->FindElement(kRecList), *faxPBRecipientData);
  RunTimeAddNewControl(list_);
  list_->SetOnSelectionChange([this] { UpdateButtons(); });
  list_->SetOnDoubleClick([this] {
    if (list_->currentSelectedItem().size() == 1) OnInfo();
  });
  RunTimeAddNewControl(Button(view, kRecAddTo, "Fax Recipient Window Add To Button", [this](pdekit::BaseButton&) {
    AddToRecipientList();
  }));
  label(kRecFaxNumberLabel, "Fax Recipient Window Fax Number Label");
  faxNumber_ = std::make_shared<DFFacNumberTextEdit>(view->FindElement(kRecFaxNumber), &kFaxNumberIni);
  RunTimeAddNewControl(faxNumber_);
  label(kRecSpeedDialLabel, "Fax Recipient Window Speed Dial Label");
  speedDial_ = std::make_shared<DFSpeedDialNumberTextEdit>(view->FindElement(kRecSpeedDial), &kSpeedDialIni);
  RunTimeAddNewControl(speedDial_);
  label(kRecCategoryLabel, "Fax Recipient Window Category Label");
  category_ = std::make_shared<DFFaxCategoryPopupCtrl>(view->FindElement(kRecCategory), true);
  category_->SetOnChange([this] { OnCategoryChanged(); });
  RunTimeAddNewControl(category_);
  label(kRecPhonebookLabel, "Fax Recipient Window Current Phonebook Label");
  currentPB_ = std::make_shared<pdekit::TextEditCtrl>(view->FindElement(kRecPhonebook), &kCurrentPBIni, nullptr,
                                                      nullptr, nx::platform::PrefUser::kCurrent, nullptr);
  RunTimeAddNewControl(currentPB_);
  RunTimeAddNewControl(
      Button(view, kRecLookUp, "Fax Recipient Window Look Up Button", [this](pdekit::BaseButton&) { OnLookUp(); }));
  RunTimeAddNewControl(
      Button(view, kRecInfo, "Fax Recipient Window Info Button", [this](pdekit::BaseButton&) { OnInfo(); }));
  RunTimeAddNewControl(Button(view, kRecCommunication, "Fax Recipient Window Communication Button",
                              [this](pdekit::BaseButton&) { OnCommunication(); }));
  RunTimeAddNewControl(Button(view, kRecDelete, "Fax Recipient Window Delete From List Button",
                              [this](pdekit::BaseButton&) { OnDelete(); }));
  // Adding to the phonebook belongs to the phonebook windows, connected through the hook.
  RunTimeAddNewControl(Button(view, kRecAddToPB, "Fax Recipient Window Add To Phonebook Button",
                              [this](pdekit::BaseButton&) {
                                if (addToPhonebookHook_) addToPhonebookHook_(*this);
                              }));
  RunTimeAddNewControl(Button(view, kRecOK, "OK Button Ctrl", [this](pdekit::BaseButton&) { OnOK(); }));
  RunTimeAddNewControl(Button(view, kRecCancel, "Cancel Button Ctrl", [this](pdekit::BaseButton&) { OnCancel(); }));
  RunTimeAddNewControl(Button(view, kRecHelp, "Help Button Ctrl", [this](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), &panel_.GetBundle(), "AddressSetting.htm", nullptr);
  }));
}

void FaxRecipientWindowsClass::BuildChildWindows() {
  const nx::platform::Bundle& bundle = panel_.GetBundle();
  auto& toolkit = services_.toolkit();
  if (auto w = toolkit.LoadWindow(bundle, "FaxNumberConfirm")) {
    faxNumberConfirmWindow_ = std::make_shared<FaxNumberConfirmWindowsClass>(
        std::move(w), "Title of Reentering Fax Address", m_pPDECallbackObj, services_, *this);
    faxNumberConfirmWindow_->CreateDialog();
    RunTimeAddNewWindow(faxNumberConfirmWindow_);
  }
  if (auto w = toolkit.LoadWindow(bundle, "RecipientInformation")) {
    infoWindow_ = std::make_shared<RecipientInformationWindowsClass>(
        std::move(w), "Fax Recipient Information Window Title String", m_pPDECallbackObj, services_, *this);
    infoWindow_->CreateDialog();
    RunTimeAddNewWindow(infoWindow_);
  }
  if (auto w = toolkit.LoadWindow(bundle, "FaxJobConfirmation")) {
    jobConfirmationWindow_ = std::make_shared<FaxPBJobConfirmationWindowsClass>(
        std::move(w), "Fax Phonebook Job Confirmation Window Title String", m_pPDECallbackObj, services_);
    jobConfirmationWindow_->CreateDialog();
    RunTimeAddNewWindow(jobConfirmationWindow_);
  }
  if (auto w = toolkit.LoadWindow(bundle, "FaxCommunicationSettings")) {
    auto comm = std::make_shared<FaxPBCommunicationSettingsWindowsClass>(
        std::move(w), "Fax Communication Settings Window Title String", m_pPDECallbackObj, services_);
    if (comm->CreateDialog()) {
      RunTimeAddNewWindow(comm);
      communicationWindow_ = comm;
    }
  }
}

int FaxRecipientWindowsClass::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  needToConfirmAddress = pdekit::GetValueFromPPD(ppd, "NXReEnter", kOffOn, 2);
  restrictAddressType = pdekit::GetValueFromPPD(ppd, "NXResAddress", kResAddressNames, 4);
  restrictMultiAddInput = pdekit::GetValueFromPPD(ppd, "NXResMulAd", kOffOn, 2);
  targetDeviceType = pdekit::GetValueFromPPD(ppd, "NXPlatformGeneration", kGenerationNames, 2);
  return FaxPBPopupWinInPanel::InitializeUserPane(bundle, ppd);
}

// ---- Device options ----

std::optional<std::string> FaxRecipientWindowsClass::ReadDeviceOption(const char* ticketKey,
                                                                      const char* preferenceKey) const {
  pdekit::PrintSettings* settings = GetCurrentPMPrintSettings();
  if (!settings) settings = panel_.GetCurrentPMPrintSettings();
  if (!settings && m_pPDECallbackObj) settings = m_pPDECallbackObj->printSettings();
  if (settings) {
    // Texts travel in the ticket in their byte-list form when they hold a comma or an
    // apostrophe ("9," for "dial 9, wait"); the value is the text the panel wrote.
    std::string value;
    if (settings->GetValue(ticketKey, value) == pdekit::noErr) return pdekit::FromTicketByteList(value);
    return std::nullopt;
  }
  std::string printer = GetCurrentPrinterString();
  if (printer.empty()) printer = panel_.GetCurrentPrinterString();
  std::string value;
  if (pdekit::GetValueFromPreference(services_.preferences(), preferenceKey, nx::platform::PrefUser::kAny,
                                     printer.c_str(), &value) == 1)
    return value;
  return std::nullopt;
}

void FaxRecipientWindowsClass::ReadDeviceOptions() {
  const DeviceOptionState s = ReadDeviceOptionState(
      [this](const char* ticketKey, const char* preferenceKey) { return ReadDeviceOption(ticketKey, preferenceKey); });
  deviceOptions_ = s;
  curFaxModule = s.faxModule;
  curPhonebookExpansion = s.phonebookExpansion;
  curISDNG4Kit = s.isdnG4Kit;
  curOutlineNumber = s.outlineNumber;
  curInlineNumber = s.inlineNumber;
  if (speedDial_) speedDial_->SetState(curFaxModule == 1 ? 0 : 1, s.speedDialExpansion, s.speedDialType);
}

int FaxRecipientWindowsClass::ReInitializeUserPaneControl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  if (faxPBRecipientData) faxPBRecipientData->removeAllRecipient();
  ReadDeviceOptions();
  if (faxPBRecipientData) faxPBRecipientData->setMaxRecipientNum(curFaxModule == 1 ? 50 : 200);
  return BasePrintPanel::ReInitializeUserPaneControl(bundle, ppd);
}

void FaxRecipientWindowsClass::checkIfOnSandboxApps(std::string_view hostBundleIdentifier) {
  const bool newSystem = (services_.SystemVersion() & 0xFFF0) >= 0x1070;
  if (newSystem && (hostBundleIdentifier == "com.apple.TextEdit" || hostBundleIdentifier == "com.apple.Preview")) {
    onSandboxApps = true;
  }
}

bool FaxRecipientWindowsClass::checkIfPreferenceFileExist() const {
  std::error_code ec;
  const std::filesystem::path file =
      std::filesystem::path(services_.folders().PreferencesDir()) / nx::phonebook::kFaxPBPreferencesFileName;
  return std::filesystem::exists(file, ec);
}

// ---- Opening ----

int FaxRecipientWindowsClass::ActivateWindow() {
  exitState = false;
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window) return nx::platform::ui::kModalResponseAbort;
  if (faxPBRecipientData) faxPBRecipientData->removeAllRecipient();
  ReadDeviceOptions();
  if (faxPBRecipientData) faxPBRecipientData->setMaxRecipientNum(curFaxModule == 1 ? 50 : 200);
  ReInitializeUserPane();
  SetUIDataToIniData();
  category_->InitializeMenu(curFaxModule, currentPPD);
  category_->setDataBlkAccordingToFaxModule(curFaxModule);
  SetCurrentValueToUI();
  // Every field as the restriction below leaves it; a previous opening may have disabled some.
  for (int tag : {kRecName, kRecFaxNumber, kRecSpeedDial, kRecCategory, kRecAddTo, kRecLookUp})
    if (auto* e = window->FindElement(tag)) e->SetEnabled(true);
  // The current phonebook is shown, not typed: it changes only through Look Up. A sandboxed host
  // without the preference file has no phonebook to show.
  if (auto* e = window->FindElement(kRecPhonebook)) {
    e->SetEnabled(false);
    if (!currentPhonebookPath_.empty())
      e->SetStringValue(std::filesystem::path(currentPhonebookPath_).filename().string());
    else if (onSandboxApps && !checkIfPreferenceFileExist())
      e->SetStringValue("");
  }
  OnCategoryChanged();
  list_->reloadListView();
  keyViewOrder_ = {kRecName, category_->GetControlValue() == kCategorySpeedDial ? kRecSpeedDial : kRecFaxNumber,
                   kRecCategory, kRecAddTo, kRecList};
  ApplyAddressRestriction();
  UpdateButtons();
  if (auto* e = window->FindElement(kRecName)) window->MakeFirstResponder(e);
  return services_.toolkit().RunModal(*window);
}

int FaxRecipientWindowsClass::ReActivateWindow() {
  setWinExitStateToCancel();
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window) return nx::platform::ui::kModalResponseAbort;
  list_->reloadListView();
  UpdateButtons();
  return services_.toolkit().RunModal(*window);
}

void FaxRecipientWindowsClass::ApplyAddressRestriction() {
  nx::platform::ui::Window* window = GetPanelWindow();
  auto disable = [&](int tag) {
    if (auto* e = window->FindElement(tag)) e->SetEnabled(false);
  };
  switch (restrictAddressType) {
    case 1:
      category_->Select(kCategoryFax);
      OnCategoryChanged();
      break;
    case 2:
      disable(kRecCategory);
      category_->Select(kCategorySpeedDial);
      OnCategoryChanged();
      disable(kRecLookUp);
      keyViewOrder_ = {kRecName, kRecSpeedDial, kRecAddTo};
      break;
    case 3:
      for (int tag : {kRecName, kRecFaxNumber, kRecSpeedDial, kRecCategory, kRecAddTo}) disable(tag);
      break;
    default:
      break;
  }
}

void FaxRecipientWindowsClass::OnCategoryChanged() {
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window) return;
  const int index = category_->GetControlValue();
  const bool speedDial = index == kCategorySpeedDial;
  auto hide = [&](int tag, bool hidden) {
    if (auto* e = window->FindElement(tag)) e->SetHidden(hidden);
  };
  hide(kRecFaxNumberLabel, speedDial);
  hide(kRecFaxNumber, speedDial);
  hide(kRecSpeedDialLabel, !speedDial);
  hide(kRecSpeedDial, !speedDial);
  faxNumber_->CorrectCtrlUI();
  faxNumber_->SetMaxLength(index == kCategoryIPFax ? 128 : 100);
  speedDial_->CorrectCtrlUI();
  speedDial_->SetState(curFaxModule == 1 ? 0 : 1, speedDial_->getExpansionAvailable(),
                       speedDial_->getSpeedDialMaxNumber());
  keyViewOrder_ = {kRecName, speedDial ? kRecSpeedDial : kRecFaxNumber, kRecCategory, kRecAddTo};
}

void FaxRecipientWindowsClass::UpdateButtons() {
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window || !faxPBRecipientData) return;
  const auto selected = list_->currentSelectedItem();
  const bool one = selected.size() == 1;
  bool notSpeedDial = false;
  if (one)
    if (const FaxRecord* r = faxPBRecipientData->getRecipientAtIndex(selected[0]))
      notSpeedDial = FaxRecordInteger(*r, "RecodeType") != nx::phonebook::kSpeedDial_Fax_Type;
  auto enable = [&](int tag, bool enabled) {
    if (auto* e = window->FindElement(tag)) e->SetEnabled(enabled);
  };
  enable(kRecDelete, faxPBRecipientData->recipientCount() > 0);
  enable(kRecInfo, one);
  enable(kRecCommunication, one && notSpeedDial && communicationWindow_ != nullptr);
  // Adding to the phonebook needs the phonebook windows; a sandboxed host may not write the book.
  enable(kRecAddToPB, addToPhonebookHook_ && !onSandboxApps && faxPBRecipientData->recipientCount() > 0);
  // Look Up leads to the phonebook windows; without them it would do nothing.
  if (restrictAddressType == 2 || !phonebookHook_) enable(kRecLookUp, false);
}

// ---- Add To ----

bool FaxRecipientWindowsClass::AddToRecipientList() {
  if (!faxPBRecipientData) return false;
  const int index = category_->GetControlValue();
  const bool speedDial = index == kCategorySpeedDial;
  if (!name_->DoSelfValidate()) return false;
  if (speedDial ? !speedDial_->DoSelfValidate() : !faxNumber_->DoSelfValidate()) return false;

  FaxRecord record = nx::phonebook::initFax();
  if (speedDial) {
    FaxRecordSetText(record, "RecodeType", std::to_string(nx::phonebook::kSpeedDial_Fax_Type));
    FaxRecordSetText(record, "Address", PadSpeedDial(speedDial_->GetUIText(), curFaxModule == 1));
  } else {
    FaxRecordSetText(record, "RecodeType", std::to_string(nx::phonebook::kNormal_Fax_Type));
    FaxRecordSetText(record, "AddressType", index == kCategoryIPFax ? "4" : "0");
    FaxRecordSetText(record, "Address", faxNumber_->GetUIText());
  }
  FaxRecordSetText(record, "Name", name_->GetUIText());

  const bool expansion = speedDial_->getExpansionAvailable();
  const long long adding =
      speedDial ? nx::phonebook::FaxPBRecipientModel::realRecipientCount(expansion, FaxRecordText(record, "Address"))
                : 1;
  const long long existing = faxPBRecipientData->getRealRecipientCount(expansion);
  if (auto limit = CheckAddLimits(existing, adding, faxPBRecipientData->recipientCount(),
                                  faxPBRecipientData->getMaxRecipientNum(), restrictMultiAddInput == 1)) {
    ShowAlert(recipient::kAddRecipientTitle, limit->textKey, limit->arguments);
    return false;
  }
  if (needToConfirmAddress == 1) {
    if (!faxNumberConfirmWindow_) return false;
    const std::string shown = speedDial ? speedDial_->GetUIText() : faxNumber_->GetUIText();
    faxNumberConfirmWindow_->ActivateWindow(kFaxNumSourceRecipientWindow, shown, speedDial,
                                            faxNumber_->GetMaxLength());
    if (!faxNumberConfirmPass) return false;
  }
  const bool added = faxPBRecipientData->addRecipient(record, true, true);
  faxNumber_->CorrectCtrlUI();
  speedDial_->CorrectCtrlUI();
  name_->CorrectCtrlUI();
  list_->reloadListView();
  UpdateButtons();
  return added;
}

// ---- Buttons ----

int FaxRecipientWindowsClass::ShowAlert(std::string_view titleKey, std::string_view textKey,
                                        const std::vector<std::string>& arguments, bool withCancel) {
  std::vector<std::string> buttons{"OK Button Ctrl"};
  if (withCancel) buttons.push_back("Cancel Button Ctrl");
  return pdekit::RunLocalizedAlert(services_.toolkit(), panel_.GetBundle(), {},
                                   nx::platform::ui::AlertStyle::kCritical, titleKey, textKey, buttons, arguments);
}

void FaxRecipientWindowsClass::OnOK() {
  const auto& records = faxPBRecipientData->getRecipientArray();
  if (records.empty()) {
    ShowAlert("Warning_Fax_Job_Win_Title_ID", "Warning_Fax_Job_Win_Content_ID");
    return;
  }
  if (records.size() > 1) {
    const ConfidentialRecipients found = FindConfidentialRecipients(records);
    const bool secure = found.secureSend, fcode = found.fCode, password = found.fCodePassword;
    if (found.any()) {
      const auto& bundle = panel_.GetBundle();
      auto text = [&](bool on, const char* key) { return on ? pdekit::LocalizedStringOrKey(bundle, key) : ""; };
      const int answer = ShowAlert("Warning_String_Title_ID", "Warning_Content_ID",
                                   {text(secure, "Warning_Secure_Send_Content_ID"),
                                    text(fcode, "Warning_F_Code_Content_ID"),
                                    text(password, "Warning_Password_Content_ID")},
                                   true);
      if (answer != 0) return;
    }
  }
  setWinExitStateToOK();
  DeactivateWindow(nx::platform::ui::kModalResponseOK);
}

void FaxRecipientWindowsClass::OnCancel() {
  panel_.setJobStatus(kJobStatusCancelled);
  setWinExitStateToCancel();
  DeactivateWindow(nx::platform::ui::kModalResponseCancel);
}

void FaxRecipientWindowsClass::OnDelete() {
  const auto selected = list_->currentSelectedItem();
  if (faxPBRecipientData->recipientCount() == 0) return;
  if (ShowAlert("Warning_Delete_Recipients_Win_Title_ID", "Warning_Delete_Recipients_Win_Content_ID", {}, true) != 0)
    return;
  faxPBRecipientData->removeRecipientAtIndexes(selected);
  list_->reloadListView();
  UpdateButtons();
}

void FaxRecipientWindowsClass::OnInfo() {
  const auto selected = list_->currentSelectedItem();
  if (selected.size() != 1 || !infoWindow_) return;
  infoWindow_->ActivateWindow(selected[0]);
  list_->reloadListView();
  UpdateButtons();
}

void FaxRecipientWindowsClass::OnCommunication() {
  auto* comm = dynamic_cast<FaxPBCommunicationSettingsWindowsClass*>(communicationWindow_.get());
  const auto selected = list_->currentSelectedItem();
  if (!comm || selected.size() != 1) return;
  const FaxRecord* current = faxPBRecipientData->getRecipientAtIndex(selected[0]);
  if (!current || FaxRecordInteger(*current, "RecodeType") == nx::phonebook::kSpeedDial_Fax_Type) return;
  FaxRecord edited = *current;
  CommunicationDeviceState device;
  device.faxModule = curFaxModule;
  device.isdnG4Kit = curISDNG4Kit;
  device.restrictMultiAddress = restrictMultiAddInput == 1;
  device.generation2 = targetDeviceType == 1;
  const int state = restrictAddressType == 3 ? kCommunicationReadOnly : kCommunicationEditable;
  if (comm->ActivateWindow(&edited, state, device)) {
    faxPBRecipientData->replaceRecipientWithIndex(selected[0], std::move(edited), false);
    list_->reloadListView();
    UpdateButtons();
  }
}

std::vector<FaxRecord> FaxRecipientWindowsClass::GetRecipientRecords() const {
  if (!faxPBRecipientData) return {};
  return faxPBRecipientData->getRecipientArray();
}

void FaxRecipientWindowsClass::OnLookUp() {
  loadPhonebookWins();
}

void FaxRecipientWindowsClass::loadPhonebookWins() {
  if (phonebookHook_) phonebookHook_(*this);
}

void FaxRecipientWindowsClass::loadImportWins() {
  if (importHook_) importHook_(*this);
}

void FaxRecipientWindowsClass::setCurrentPhonebookPath(std::string path) {
  currentPhonebookPath_ = std::move(path);
  if (currentPB_ && currentPB_->GetControlPtr())
    currentPB_->GetControlPtr()->SetStringValue(std::filesystem::path(currentPhonebookPath_).filename().string());
}

void FaxRecipientWindowsClass::StoreCurrentPhonebookFileName() {
  // Only a phonebook the user chose is stored: writing the default would create the preference
  // file whose absence the sandbox check relies on.
  if (currentPhonebookPath_.empty()) return;
  nx::phonebook::FaxPhonebookModel model(services_, &panel_.GetBundle());
  if (!model.setMyFaxFileNameToPreferenceFile(currentPhonebookPath_))
    std::fprintf(stderr, "##Plugin debug## the current phonebook could not be stored\n");
}

// ---- Ticket ----

bool FaxRecipientWindowsClass::SetValueToTicket(pdekit::PrintSettings* settings, bool locked, const char* key,
                                                const char* text) {
  if (!settings || !key || !text) return false;
  const std::string escaped = nx::ticket::EscapeTicketValue(text);
  return pdekit::SetValueToSettingsWithTicketKeyAndLock(escaped.c_str(), settings, key, locked) == pdekit::noErr;
}

bool FaxRecipientWindowsClass::SetValueToTicket(pdekit::PrintSettings* settings, bool locked) {
  WriteRecipientList(settings, locked);
  return true;
}


bool FaxRecipientWindowsClass::WriteRecipientList(pdekit::PrintSettings* settings, bool locked) {
  if (!faxPBRecipientData || faxPBRecipientData->recipientCount() == 0 || !settings) return true;
  std::vector<nx::ticket::RecipientFields> recipients;
  for (const auto& r : faxPBRecipientData->getRecipientArray()) recipients.push_back(RecipientTicketFields(r));
  nx::ticket::LineSettings line;
  line.outsideLineNumber = curOutlineNumber;
  line.extensionLineNumber = curInlineNumber;
  line.isdnG4Kit = curISDNG4Kit;

  ppd_file_t* ppd = GetInitializedPPD();
  if (!ppd) ppd = panel_.GetCurrentPPD();
  if (!ppd && m_pPDECallbackObj) ppd = m_pPDECallbackObj->ppdFile();
  std::string paper;
  if (ppd)
    if (ppd_choice_t* marked = ppdFindMarkedChoice(ppd, "PageSize")) paper = marked->choice;

  std::vector<nx::ticket::TicketPair> pairs;
  bool written = nx::ticket::BuildRecipientListTicket(recipients, line, paper, &pairs);
  if (!written) {
    // A passcode that cannot be protected must not travel in clear, and an address or line
    // number the item cannot carry would reach another number: no list is written.
    std::fprintf(stderr, "##Plugin debug## recipient list not written: a recipient cannot be encoded\n");
  } else if (targetDeviceType == 1 && !TakenByGeneration2Devices(recipients, line)) {
    // The filter refuses such a job for these devices; saying so here keeps the dialog from
    // reporting a fax as printed that will never go out.
    std::fprintf(stderr, "##Plugin debug## recipient list not written: the device takes no quoted number or relay\n");
    pairs.clear();
    written = false;
  }
  for (const auto& [key, value] : pairs) {
    if (pdekit::SetValueToSettingsWithTicketKeyAndLock(value.c_str(), settings, key.c_str(), locked) != pdekit::noErr) {
      std::fprintf(stderr, "##Plugin debug## recipient list entry not written\n");
      written = false;
    }
  }
  if (!written) {
    ShowAlert("Warning_String_Title_ID", "Warning_Recipient_List_Not_Written_ID");
    return false;
  }
  if (jobConfirmationWindow_) jobConfirmationWindow_->SetValueToTicket(settings, locked);
  return true;
}

}  // namespace faxpde
