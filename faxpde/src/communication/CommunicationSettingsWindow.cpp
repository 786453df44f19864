#include "faxpde/CommunicationSettingsWindow.h"

#include <initializer_list>

#include "communication/CommunicationControls.h"
#include "nx/platform/services.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordInteger;
using nx::phonebook::FaxRecordList;
using nx::phonebook::FaxRecordSetList;
using nx::phonebook::FaxRecordSetText;
using nx::phonebook::FaxRecordText;
using nx::platform::PrefUser;

namespace {

constexpr const char* kAddToTitle = "Warning_Communication_Settings_Win_Add_Relay_Fax_ID";
constexpr const char* kHelpPage = "Communication.htm";

constexpr const char* kModeItems[] = {
    "Fax Phonebook Communication Settings Window Communication Mode G3 - Auto",
    "Fax Phonebook Communication Settings Window Communication Mode Overseas / F4800",
    "Fax Phonebook Communication Settings Window Communication Mode G4 - Auto", nullptr};
const pdekit::PopupIniData kModeIni{0, 1, -1, kModeItems};
constexpr int kModeItemG3 = 0, kModeItemOverseas = 1, kModeItemG4 = 2;

constexpr const char* kLineItems[] = {"Fax Phonebook Communication Settings Window Line Outside Line",
                                      "Fax Phonebook Communication Settings Window Line Extension", nullptr};
const pdekit::PopupIniData kLineIni{0, 1, -1, kLineItems};

constexpr const char* kCategoryItems[] = {"Fax Phonebook New Individual Entry Window Fax Category - Fax",
                                          "Fax Phonebook New Individual Entry Window Fax Category - IP-Fax", nullptr};
const pdekit::PopupIniData kCategoryIni{0, 1, -1, kCategoryItems};

const pdekit::RadioButtonIniData kRadioIni[] = {
    {0, 1, -1, "Fax Phonebook Communication Settings Window Radio Button None", nullptr},
    {0, 0, -1, "Fax Phonebook Communication Settings Window Radio Button Secure Send", nullptr},
    {0, 0, -1, "Fax Phonebook Communication Settings Window Radio Button Relay Send", nullptr}};
constexpr int kRadioTags[] = {kCommRadioNone, kCommRadioSecure, kCommRadioRelay};

const pdekit::CheckBoxIniData kPrintAtRelayIni{0, 0, -1, "Fax Phonebook Communication Settings Window Print At Relay Station"};
const pdekit::CheckBoxIniData kGroupSendIni{0, 0, -1, "Fax Phonebook Communication Settings Window Group Send"};

const pdekit::TextEditIniData kMailboxIDIni{"", "", 1, 3};
const pdekit::TextEditIniData kPasscodeIni{"", "", 0, 4};
const pdekit::TextEditIniData kRelayIDIni{"", "", 1, 2};
const pdekit::TextEditIniData kDestIni{"", "", 0, 2};
const pdekit::TextEditIniData kGroupDestIni{"", "", 0, 1};
const pdekit::TextEditIniData kFCodeIni{"", "", 0, 20};

const pdekit::InputFilter kMailboxIDFilter{0, {}, 1, {{'0', '9'}}, "Warning_MAILBOX_ID_JP"};
const pdekit::InputFilter kPasscodeFilter{0, {}, 1, {{'0', '9'}}, "Warning_MAILBOX_Passcode_ID"};
const pdekit::InputFilter kRelayIDFilter{0, {}, 1, {{'0', '9'}}, "Warning_RELAY_STATION_ID"};
const pdekit::InputFilter kDestFilter{0, {}, 2, {{'*', '*'}, {'0', '9'}}, nullptr};
const pdekit::InputFilter kGroupDestFilter{0, {}, 1, {{'1', '9'}}, nullptr};
const pdekit::InputFilter kFCodeFilter{0, {}, 4, {{' ', ' '}, {'#', '#'}, {'*', '*'}, {'0', '9'}}, nullptr};

// Labels: tag and title key.
struct Label {
  int tag;
  const char* key;
};

bool IsDestinationChar(char c) { return c == '*' || (c >= '0' && c <= '9'); }

}  // namespace

std::string FormatRelayDestinationID(const std::string& typed, bool group, const char** messageKey) {
  const char* refusal = nullptr;
  std::string id;
  if (group) {
    if (typed.empty()) refusal = "Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Empty_Content_ID";
    else if (typed.size() != 1 || typed == "0" || !IsDestinationChar(typed[0]))
      refusal = "Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Content_ID";
    else id = "0#" + typed;
  } else {
    bool allDestinationChars = typed.size() <= 2;
    for (char c : typed) allDestinationChars = allDestinationChars && IsDestinationChar(c);
    const bool onlyZeros = !typed.empty() && typed.find_first_not_of('0') == std::string::npos;
    if (typed.empty()) refusal = "Warning_Communication_Settings_Win_Add_Relay_Fax_Empty_Content_ID";
    else if (onlyZeros || !allDestinationChars) refusal = "Warning_Communication_Settings_Win_Add_Relay_Fax_Content_ID";
    else if (typed.size() == 2 && typed[0] == '*' && typed[1] != '*')
      refusal = "Warning_Communication_Settings_Win_Add_Relay_Fax_Invalid_Destination_ID_Content_ID";
    else id = std::string(3 - typed.size(), '0') + typed;
  }
  if (messageKey) *messageKey = refusal;
  return id;
}

FaxPBCommunicationSettingsWindowsClass::FaxPBCommunicationSettingsWindowsClass(
    std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey, pdekit::PDEHostCallback* host,
    nx::platform::Services& services)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services),
      radios_(std::make_unique<pdekit::RadioGroup>()) {}

FaxPBCommunicationSettingsWindowsClass::~FaxPBCommunicationSettingsWindowsClass() = default;

bool FaxPBCommunicationSettingsWindowsClass::CreateDialog() {
  if (created_) return true;
  nx::platform::ui::View* view = GetPanelControlPtr();
  if (!view) return false;
  static constexpr int kRequired[] = {kCommOK,        kCommCancel,       kCommModePopup,  kCommLinePopup, kCommRadioNone,
                                      kCommRadioSecure, kCommRadioRelay, kCommMailboxID,  kCommPasscode,  kCommRelayID,
                                      kCommDest,      kCommGroupDest,    kCommPrintAtRelay, kCommGroupSend, kCommAddTo,
                                      kCommRemove,    kCommDestList,     kCommFCode,      kCommFCodePassword};
  for (int tag : kRequired)
    if (!view->FindElement(tag)) return false;

  auto label = [&](const Label& l) {
    RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(l.tag), l.key));
  };
  auto button = [&](int tag, const char* key, pdekit::BaseButton::Handler handler) {
    auto b = std::make_shared<pdekit::BaseButton>(view->FindElement(tag), key);
    b->SetHandler(std::move(handler));
    RunTimeAddNewControl(b);
  };

  label({kCommModeLabel, "Fax Phonebook Communication Settings Window Communication Mode"});
  mode_ = std::make_shared<FaxPBCommunicationModePopupListCtrl>(view->FindElement(kCommModePopup), &kModeIni,
                                                                 nullptr, nullptr, PrefUser::kCurrent);
  RunTimeAddNewControl(mode_);
  label({kCommLineLabel, "Fax Phonebook Communication Settings Window Line"});
  line_ = std::make_shared<pdekit::PopupControl>(view->FindElement(kCommLinePopup), &kLineIni, nullptr, nullptr,
                                                 PrefUser::kCurrent);
  RunTimeAddNewControl(line_);
  for (int i = 0; i < 3; ++i) {
    auto radio = std::make_shared<FaxPBCommunicationSettingsWinRadioButton>(view->FindElement(kRadioTags[i]),
                                                                           &kRadioIni[i], i, *this);
    radios_->RunTimeAddNewControl(radio);
    radioButtons_.push_back(radio);
    RunTimeAddNewControl(radio);
  }
  label({kCommMailboxIDLabel, "Fax Phonebook Communication Settings Window Mailbox ID"});
  mailboxID_ = std::make_shared<FaxPBIDTextEditCtrl>(view->FindElement(kCommMailboxID), &kMailboxIDIni,
                                                     &kMailboxIDFilter, 1, 999, "");
  RunTimeAddNewControl(mailboxID_);
  label({kCommPasscodeLabel, "Fax Phonebook Communication Settings Window Mailbox Passcode"});
  passcode_ = std::make_shared<FaxPBMailboxPasscodeTextEditCtrl>(view->FindElement(kCommPasscode), &kPasscodeIni,
                                                                 &kPasscodeFilter);
  RunTimeAddNewControl(passcode_);
  label({kCommRelayIDLabel, "Fax Phonebook Communication Settings Window Relay Station ID"});
  relayID_ = std::make_shared<FaxPBIDTextEditCtrl>(view->FindElement(kCommRelayID), &kRelayIDIni, &kRelayIDFilter, 1,
                                                   99, "Warning_Invalid_RELAY_STATION_ID");
  RunTimeAddNewControl(relayID_);
  label({kCommDestLabel, "Fax Phonebook Communication Settings Window Destination ID (1-99)"});
  dest_ = std::make_shared<FaxPBDestinationIDEditCtrl>(view->FindElement(kCommDest), &kDestIni, &kDestFilter);
  RunTimeAddNewControl(dest_);
  label({kCommGroupDestLabel, "Fax Phonebook Communication Settings Window Destination ID (1-9)"});
  groupDest_ =
      std::make_shared<FaxPBDestinationIDEditCtrl>(view->FindElement(kCommGroupDest), &kGroupDestIni, &kGroupDestFilter);
  RunTimeAddNewControl(groupDest_);
  printAtRelay_ =
      std::make_shared<FaxPBCommunicationCheckBox>(view->FindElement(kCommPrintAtRelay), &kPrintAtRelayIni, nullptr);
  RunTimeAddNewControl(printAtRelay_);
  groupSend_ = std::make_shared<FaxPBCommunicationCheckBox>(view->FindElement(kCommGroupSend), &kGroupSendIni,
                                                            [this] { ApplyEnabling(); });
  RunTimeAddNewControl(groupSend_);
  button(kCommAddTo, "Fax Phonebook Communication Settings Window Add To Button",
         [this](pdekit::BaseButton&) { OnAddTo(); });
  button(kCommRemove, "Fax Phonebook Communication Settings Window Remove Button",
         [this](pdekit::BaseButton&) { OnRemove(); });
  label({kCommDestListLabel, "Fax Phonebook Communication Settings Window Destination List"});
  list_ = std::make_shared<FaxPBDestinationIDListView>(view->FindElement(kCommDestList));
  RunTimeAddNewControl(list_);
  label({kCommFCodeLabel, "Fax Phonebook Communication Settings Window F-Code"});
  fcode_ = std::make_shared<pdekit::TextEditCtrl>(view->FindElement(kCommFCode), &kFCodeIni, nullptr, nullptr,
                                                  PrefUser::kCurrent, &kFCodeFilter);
  RunTimeAddNewControl(fcode_);
  label({kCommFCodePasswordLabel, "Fax Phonebook Communication Settings Window F-Code Password"});
  fcodePassword_ = std::make_shared<pdekit::TextEditCtrl>(view->FindElement(kCommFCodePassword), &kFCodeIni, nullptr,
                                                          nullptr, PrefUser::kCurrent, &kFCodeFilter);
  RunTimeAddNewControl(fcodePassword_);
  button(kCommCancel, "Fax Phonebook Communication Settings Window Cancel Button", [this](pdekit::BaseButton&) {
    setWinExitStateToCancel();
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  });
  RunTimeAddNewControl(std::make_shared<FaxPBCommunicationSettingsWinOKButton>(view->FindElement(kCommOK), *this));
  if (view->FindElement(kCommHelp))
    button(kCommHelp, nullptr, [this](pdekit::BaseButton&) {
      pdekit::GotoHelpPage(services_.help(), pdeBundleRef, kHelpPage, nullptr);
    });
  if (view->FindElement(kCommCategory)) {
    category_ = std::make_shared<pdekit::PopupControl>(view->FindElement(kCommCategory), &kCategoryIni, nullptr,
                                                       nullptr, PrefUser::kCurrent);
    RunTimeAddNewControl(category_);
  }
  created_ = true;
  return true;
}

int FaxPBCommunicationSettingsWindowsClass::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  initialised_ = true;
  return FaxPBPopupWinInPanel::InitializeUserPane(bundle, ppd);
}

bool FaxPBCommunicationSettingsWindowsClass::ActivateWindow(FaxRecord* record, int openState,
                                                            const CommunicationDeviceState& device) {
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window || !created_ || !record) return false;
  device_ = device;
  // The kit is read only for setting type 1; other modules have none.
  mode_->SetISDNG4Kit(device.isdnG4Kit && device.faxModule == 1);
  relayRestricted_ = device.restrictMultiAddress || device.generation2;

  m_PanelState = openState == kCommunicationReadOnly ? kCommunicationReadOnly : kCommunicationEditable;
  setWinExitStateToCancel();
  if (!initialised_) InitializeUserPane(pdeBundleRef, currentPPD);
  else ReInitializeUserPane();
  SetCurrentPanelControlValueToDefault();
  SetCurrentValueToUI();
  doEnableControl();

  m_CurrentEditRecordPtr = record;
  m_CurrentEditRecord = *record;
  SetCurrentValueToUI(m_CurrentEditRecord);
  // One recipient per job, or a generation-2 device: no relay send; a record that asked for it
  // is shown as None, which OK then stores.
  if (relayRestricted_ && GetSendType() == kSendTypeRelay) SelectSendType(kSendTypeNone);
  ApplyEnabling();
  SycValueFromUI();

  services_.toolkit().RunModal(*window);
  m_CurrentEditRecordPtr = nullptr;
  return getWinExitState();
}

void FaxPBCommunicationSettingsWindowsClass::SetCurrentValueToUI(const FaxRecord& record) {
  int modeItem = kModeItemG3;
  const std::string& commMode = FaxRecordText(record, "CommMode");
  if (commMode == "2") modeItem = kModeItemOverseas;
  else if (commMode == "1" && mode_->HasISDNG4Kit()) modeItem = kModeItemG4;
  if (auto* e = mode_->GetControlPtr()) e->SelectItem(modeItem);
  if (auto* e = line_->GetControlPtr()) e->SelectItem(FaxRecordText(record, "LineType") == "1" ? 1 : 0);

  const std::string& sendType = FaxRecordText(record, "SecureorRelay");
  if (sendType == "2") {
    SelectSendType(kSendTypeRelay);
    if (auto* e = relayID_->GetControlPtr()) e->SetStringValue(FaxRecordText(record, "RlyID"));
    if (auto* e = printAtRelay_->GetControlPtr()) e->SetIntValue(FaxRecordInteger(record, "Rlyprn", 0) > 0 ? 1 : 0);
    const auto& destinations = FaxRecordList(record, "RlyDestList");
    if (FaxRecordInteger(record, "RlyNum", 0) > 0 && !destinations.empty()) list_->addRecords(destinations);
  } else if (sendType == "1") {
    SelectSendType(kSendTypeSecure);
    if (auto* e = mailboxID_->GetControlPtr()) e->SetStringValue(FaxRecordText(record, "MailBoxId"));
    if (auto* e = passcode_->GetControlPtr()) e->SetStringValue(FaxRecordText(record, "MailBoxPassword"));
  } else {
    SelectSendType(kSendTypeNone);
  }
  if (auto* e = fcode_->GetControlPtr()) e->SetStringValue(FaxRecordText(record, "FCode"));
  if (auto* e = fcodePassword_->GetControlPtr()) e->SetStringValue(FaxRecordText(record, "FCodePassword"));
}

void FaxPBCommunicationSettingsWindowsClass::getCommunicationSettings() {
  FaxRecord& r = m_CurrentEditRecord;
  static constexpr const char* kModeValues[] = {"0", "2", "1"};
  const int modeItem = mode_->GetItemNumber() - 1;
  FaxRecordSetText(r, "CommMode", modeItem >= 0 && modeItem < 3 ? kModeValues[modeItem] : "0");
  if (ElementEnabled(kCommLinePopup)) FaxRecordSetText(r, "LineType", line_->GetItemNumber() == 2 ? "1" : "0");
  const int sendType = GetSendType();
  FaxRecordSetText(r, "SecureorRelay", std::to_string(sendType));
  if (sendType == kSendTypeRelay) {
    FaxRecordSetText(r, "MailBoxId", "");
    FaxRecordSetText(r, "MailBoxPassword", "");
    FaxRecordSetText(r, "RlyID", relayID_->GetControlText());
    FaxRecordSetText(r, "Rlyprn", printAtRelay_->GetState() == 1 ? "1" : "0");
    FaxRecordSetText(r, "RlyNum", std::to_string(list_->recordCount()));
    FaxRecordSetList(r, "RlyDestList", list_->getRecords());
  } else {
    if (sendType == kSendTypeSecure) {
      FaxRecordSetText(r, "MailBoxId", mailboxID_->GetControlText());
      FaxRecordSetText(r, "MailBoxPassword", passcode_->GetControlText());
    } else {
      FaxRecordSetText(r, "MailBoxId", "");
      FaxRecordSetText(r, "MailBoxPassword", "");
    }
    FaxRecordSetText(r, "RlyID", "");
    FaxRecordSetText(r, "Rlyprn", "0");
    FaxRecordSetText(r, "RlyNum", "0");
    FaxRecordSetList(r, "RlyDestList", {});
  }
  FaxRecordSetText(r, "FCode", fcode_->GetControlText());
  FaxRecordSetText(r, "FCodePassword", fcodePassword_->GetControlText());
}

void FaxPBCommunicationSettingsWindowsClass::doEnableControl() {
  for (const auto& control : getCtrlGroupArrayRef())
    if (control) control->ResetStatus();
}

void FaxPBCommunicationSettingsWindowsClass::doUneditSetting() {
  m_PanelState = kCommunicationReadOnly;
  ApplyEnabling();
}

int FaxPBCommunicationSettingsWindowsClass::GetSendType() const {
  for (const auto& radio : radioButtons_)
    if (radio->GetControlPtr() && radio->GetControlPtr()->IntValue() == 1) return radio->GetIndex();
  return kSendTypeNone;
}

void FaxPBCommunicationSettingsWindowsClass::SelectSendType(int type) {
  for (const auto& radio : radioButtons_)
    if (auto* e = radio->GetControlPtr()) e->SetIntValue(radio->GetIndex() == type ? 1 : 0);
  radios_->SetcurRadio(type);
  radios_->GetValueFromUI();
}

bool FaxPBCommunicationSettingsWindowsClass::ElementEnabled(int tag) {
  auto* e = GetPanelControlPtr() ? GetPanelControlPtr()->FindElement(tag) : nullptr;
  return e && e->IsEnabled();
}

void FaxPBCommunicationSettingsWindowsClass::SetEnabled(int tag, bool enabled) {
  if (auto* e = GetPanelControlPtr() ? GetPanelControlPtr()->FindElement(tag) : nullptr) e->SetEnabled(enabled);
}

void FaxPBCommunicationSettingsWindowsClass::SetHidden(int tag, bool hidden) {
  if (auto* e = GetPanelControlPtr() ? GetPanelControlPtr()->FindElement(tag) : nullptr) e->SetHidden(hidden);
}

void FaxPBCommunicationSettingsWindowsClass::ApplyEnabling() {
  const bool editable = m_PanelState != kCommunicationReadOnly;
  const int sendType = GetSendType();
  const bool secure = sendType == kSendTypeSecure;
  const bool relay = sendType == kSendTypeRelay;
  const bool group = groupSend_ && groupSend_->GetControlPtr() && groupSend_->GetControlPtr()->IntValue() == 1;
  auto enable = [&](std::initializer_list<int> tags, bool on) {
    for (int tag : tags) SetEnabled(tag, on && editable);
  };
  enable({kCommModeLabel, kCommModePopup, kCommLineLabel, kCommLinePopup, kCommRadioNone, kCommRadioSecure,
          kCommFCodeLabel, kCommFCode, kCommFCodePasswordLabel, kCommFCodePassword, kCommOK},
         true);
  enable({kCommRadioRelay}, !relayRestricted_);
  enable({kCommMailboxIDLabel, kCommMailboxID, kCommPasscodeLabel, kCommPasscode}, secure);
  enable({kCommRelayIDLabel, kCommRelayID, kCommPrintAtRelay, kCommGroupSend, kCommDestLabel, kCommDest,
          kCommGroupDestLabel, kCommGroupDest, kCommDestListLabel, kCommDestList, kCommAddTo},
         relay);
  enable({kCommRemove}, relay && list_->recordCount() > 0);
  // Cancel and Help stay usable in every state, or a read-only window could not be left.
  SetEnabled(kCommCancel, true);
  SetEnabled(kCommHelp, true);
  for (int tag : {kCommDestLabel, kCommDest}) SetHidden(tag, group);
  for (int tag : {kCommGroupDestLabel, kCommGroupDest}) SetHidden(tag, !group);
  SetHidden(kCommCategory, true);
}

bool FaxPBCommunicationSettingsWindowsClass::OnSendTypeLeaving(int from, int to) {
  if (from != kSendTypeRelay || to == kSendTypeRelay || !ElementEnabled(kCommDestList)) return true;
  auto* relayElement = relayID_->GetControlPtr();
  const std::string relayID = relayElement ? relayElement->StringValue() : std::string();
  const int rows = list_->recordCount();
  if (rows > 0 && relayID.empty()) {
    ShowAlert("Warning_Invalid_RELAY_STATION_ID", "Warning_RELAY_STATION_ID");
    return false;
  }
  if (!relayID.empty() && rows == 0) {
    ShowAlert("Warning_Invalid_RELAY_STATION_ID", "Warning_DESTINATION_ID");
    return false;
  }
  FaxRecord& r = m_CurrentEditRecord;
  FaxRecordSetText(r, "RlyID", relayID);
  FaxRecordSetText(r, "RlyNum", std::to_string(rows));
  FaxRecordSetList(r, "RlyDestList", list_->getRecords());
  if (auto* e = mailboxID_->GetControlPtr(); e && !e->StringValue().empty())
    FaxRecordSetText(r, "MailBoxId", e->StringValue());
  if (auto* e = passcode_->GetControlPtr(); e && !e->StringValue().empty())
    FaxRecordSetText(r, "MailBoxPassword", e->StringValue());
  return true;
}

void FaxPBCommunicationSettingsWindowsClass::OnOK() {
  if (m_PanelState == kCommunicationReadOnly) return;
  SycValueFromUI();
  for (const auto& control : getCtrlGroupArrayRef())
    if (control && !control->PreInvalidateData()) return;
  SetValueFromUIToControl();
  getCommunicationSettings();
  if (m_CurrentEditRecordPtr) *m_CurrentEditRecordPtr = m_CurrentEditRecord;
  setWinExitStateToOK();
  DeactivateWindow(nx::platform::ui::kModalResponseOK);
}

void FaxPBCommunicationSettingsWindowsClass::OnAddTo() {
  if (GetSendType() == kSendTypeRelay && list_->recordCount() >= kMaxRelayDestinations) {
    ShowAlert(kAddToTitle, "Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Full_Content_ID");
    return;
  }
  const bool group = groupSend_->GetControlPtr() && groupSend_->GetControlPtr()->IntValue() == 1;
  FaxPBDestinationIDEditCtrl& field = group ? *groupDest_ : *dest_;
  nx::platform::ui::Element* element = field.GetControlPtr();
  if (!element) return;
  const char* refusal = nullptr;
  const std::string id = FormatRelayDestinationID(element->StringValue(), group, &refusal);
  if (id.empty()) {
    ShowAlert(kAddToTitle, refusal);
    return;
  }
  if (list_->isConflict(id)) {
    services_.toolkit().Beep();
    return;
  }
  list_->addOneRecord(id);
  element->SetStringValue("");
  field.GetValueFromUI();
  ApplyEnabling();
}

void FaxPBCommunicationSettingsWindowsClass::OnRemove() {
  list_->removeSelectedRecord();
  ApplyEnabling();
}

void FaxPBCommunicationSettingsWindowsClass::ShowAlert(const char* titleKey, const char* textKey) {
  ShowCommunicationAlert(*this, titleKey, textKey);
}

}  // namespace faxpde
