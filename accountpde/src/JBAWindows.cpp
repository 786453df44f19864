#include "accountpde/JBAWindows.h"

#include <algorithm>

#include "accountpde/JBAPanel.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "nx/ticket/keys.h"
#include "pdekit/Localization.h"
#include "pdekit/TextEditFormatter.h"
#include "pdekit/UtilityFunction.h"

namespace accountpde {

using nx::platform::PrefUser;
using pdekit::kAccessTypePassword;
using pdekit::kAccessTypeText;

const pdekit::InputFilter kJBAPasswordFilter{0, {}, 2, {{0x20, 0x7E}, {0xA5, 0xA5}}, "Warning33"};
const pdekit::InputFilter kJBADomainFilter{0, {}, 1, {{0x20, 0x7E}}, "Warning35"};

namespace {

namespace key = nx::ticket::key;
constexpr const char* kHelpTitleKey = "Help Viewer Title for Job Accounting";

const pdekit::TextEditIniData kDomainIni{"", "", 0, 64};
const pdekit::TextEditIniData kUserIDIni{"", "", 1, 32};
const pdekit::TextEditIniData kPasswordIni{"", "", 4, 12};
const pdekit::TextEditIniData kAccountIni{"", "", 0, 32};

const pdekit::RadioButtonIniData kStoredRadioIni{0, 1, -1, "JBA Common User Info Type", "Detailed User Settings"};
const pdekit::RadioButtonIniData kPerJobRadioIni{0, 0, -1, "JBA Job User Type", "Detailed User Settings"};
const pdekit::RadioButtonIniData kAuthRadioIni{0, 1, -1, "JBA Auth Radio", nullptr};

constexpr const char* kSourceItems[] = {"JBA Login Name", "JBA Input Name", nullptr};
const pdekit::PopupIniData kSourceIni{0, 1, -1, kSourceItems};
constexpr const char* kInfoSetItems[] = {"Case_1", "Case_2", "Case_3", "Case_4", "Case_5",
                                         "Case_6", "Case_7", "Case_8", "Case_9", nullptr};
const pdekit::PopupIniData kInfoSetMirrorIni{0, 1, -1, kInfoSetItems};

const pdekit::CheckBoxIniData kLastInputIni{0, 1, -1, "JBA Last Info Setting"};
const pdekit::CheckBoxIniData kUserIDFormatIni{0, 1, -1, "JBA User ID Format"};
const pdekit::CheckBoxIniData kUserIDFormatNoDomainIni{0, 1, -1, "JBA User ID Format No Domain"};
const pdekit::CheckBoxIniData kAccountFormatIni{0, 1, -1, "JBA Account ID Format"};

// Details windows: value numbers are the list's item index and the radios' states.
constexpr int kSourceLoginDisables[] = {kInfoLogin, 0};
constexpr int kSourceLoginHides[] = {kInfoUserID, 0};
constexpr int kSourceInputHides[] = {kInfoLogin, 0};
constexpr pdekit::ControlIDList kSourceDisable[] = {kSourceLoginDisables, {}};
constexpr pdekit::ControlIDList kSourceHide[] = {kSourceLoginHides, kSourceInputHides};
constexpr pdekit::ConstrainTable kSourceConstrain{kSourceDisable, kSourceHide, {}};

constexpr int kStoredOffDisables[] = {kInfoSpecifyLabel, kInfoSourceList, kInfoUserIDLabel, kInfoUserID,
                                      kInfoPasswordLabel, kInfoPassword, kInfoAccountLabel, kInfoAccount,
                                      kInfoDomainLabel, kInfoDomain, 0};
constexpr int kStoredOffRefresh[] = {kInfoPerJobRadio, 0};
constexpr pdekit::ControlIDList kStoredDisable[] = {kStoredOffDisables};
constexpr pdekit::ControlIDList kStoredRefresh[] = {kStoredOffRefresh};
constexpr pdekit::ConstrainTable kStoredConstrain{kStoredDisable, {}, kStoredRefresh};

constexpr int kPerJobOffDisables[] = {kInfoLastInput, kInfoUserIDFormat, kInfoAccountFormat, 0};
constexpr int kPerJobOffRefresh[] = {kInfoStoredRadio, 0};
constexpr pdekit::ControlIDList kPerJobDisable[] = {kPerJobOffDisables};
constexpr pdekit::ControlIDList kPerJobRefresh[] = {kPerJobOffRefresh};
constexpr pdekit::ConstrainTable kPerJobConstrain{kPerJobDisable, {}, kPerJobRefresh};

// What a user who is not an administrator may not touch in administrator mode.
constexpr int kAdminLocked[] = {kInfoRestore,  kInfoStoredRadio,  kInfoSpecifyLabel, kInfoSourceList,
                                kInfoUserIDLabel, kInfoUserID,    kInfoLogin,        kInfoPasswordLabel,
                                kInfoPassword, kInfoDomainLabel,  kInfoDomain,       kInfoPerJobRadio,
                                kInfoAccountLabel, kInfoAccount,  kInfoLastInput,    kInfoUserIDFormat,
                                kInfoAccountFormat};

// What each information-setting item leaves out, by the identity prompts the device uses
// (items 1-4 and 5-8 follow "UserID_AccountID", "UserID", "AccountID", "None"; item 9 takes
// every field). The windows' fields for a prompt the device does not use are disabled, so they
// are neither checked nor summarised.
constexpr int kDetailsUserFields[] = {kInfoSpecifyLabel, kInfoSourceList,    kInfoUserIDLabel, kInfoUserID,
                                      kInfoLogin,        kInfoPasswordLabel, kInfoPassword,    kInfoDomainLabel,
                                      kInfoDomain,       kInfoUserIDFormat};
constexpr int kDetailsAccountFields[] = {kInfoAccountLabel, kInfoAccount, kInfoAccountFormat};
constexpr int kDetailsAllFields[] = {kInfoSpecifyLabel, kInfoSourceList,  kInfoUserIDLabel,   kInfoUserID,
                                     kInfoLogin,        kInfoPasswordLabel, kInfoPassword,    kInfoDomainLabel,
                                     kInfoDomain,       kInfoUserIDFormat, kInfoAccountLabel, kInfoAccount,
                                     kInfoAccountFormat};
constexpr int kInputUserFields[] = {kInputDomainLabel, kInputDomain,       kInputDomainMasked,  kInputUserIDLabel,
                                    kInputUserID,      kInputUserIDMasked, kInputPasswordLabel, kInputPassword};
constexpr int kInputAccountFields[] = {kInputAccountLabel, kInputAccount, kInputAccountMasked};
constexpr int kInputAllFields[] = {kInputDomainLabel,   kInputDomain,   kInputDomainMasked, kInputUserIDLabel,
                                   kInputUserID,        kInputUserIDMasked, kInputPasswordLabel, kInputPassword,
                                   kInputAccountLabel,  kInputAccount,  kInputAccountMasked};

enum class Prompts { kAll, kUserOnly, kAccountOnly, kNone };

Prompts PromptsOfItem(int item) {
  switch (item) {
    case 2: case 6: return Prompts::kUserOnly;
    case 3: case 7: return Prompts::kAccountOnly;
    case 4: case 8: return Prompts::kNone;
    default: return Prompts::kAll;
  }
}

// Input window: the fields that start empty when the last input is not remembered.
constexpr int kInputDefaultFields[] = {kInputDomain,   kInputDomainMasked, kInputUserID,       kInputUserIDMasked,
                                       kInputPassword, kInputAccount,      kInputAccountMasked};

// Input window: the authentication radio off hides every field.
constexpr int kAuthOffHides[] = {kInputDomainLabel, kInputDomain,        kInputDomainMasked, kInputUserIDLabel,
                                 kInputUserID,      kInputUserIDMasked,  kInputPasswordLabel, kInputPassword,
                                 kInputAccountLabel, kInputAccount,      kInputAccountMasked, 0};
constexpr pdekit::ControlIDList kAuthHide[] = {kAuthOffHides};
constexpr pdekit::ConstrainTable kAuthConstrain{{}, kAuthHide, {}};

// The access record of one control: its ticket key and its preference key (null: none).
struct KeyPair {
  pdekit::DataAccessInfo access;
  KeyPair(const char* ticket, const char* preference, uint32_t type) : access{type, type, ticket, preference} {}
  KeyPair(const KeyPair&) = delete;
};

void SetElementEnabled(pdekit::BasePrintPanel& window, int tag, bool enabled) {
  if (auto* c = window.GetPanelControl(tag); c && c->GetControlPtr()) c->GetControlPtr()->SetEnabled(enabled);
}

void SetElementHidden(pdekit::BasePrintPanel& window, int tag, bool hidden) {
  if (auto* c = window.GetPanelControl(tag); c && c->GetControlPtr()) c->GetControlPtr()->SetHidden(hidden);
}

std::string HelpPage(const JBAPDEnxbiqm08& panel, const char* stem) {
  return std::string(stem) + "_" + panel.GetHelpSuffix() + ".htm";
}

std::shared_ptr<pdekit::BaseButton> Button(nx::platform::ui::View* view, int tag, const char* title,
                                           pdekit::BaseButton::Handler handler) {
  auto b = std::make_shared<pdekit::BaseButton>(view->FindElement(tag), title);
  b->SetHandler(std::move(handler));
  return b;
}

}  // namespace

std::span<const int> InfoSetDisabledDetails(int item) {
  switch (PromptsOfItem(item)) {
    case Prompts::kUserOnly: return kDetailsAccountFields;
    case Prompts::kAccountOnly: return kDetailsUserFields;
    case Prompts::kNone: return kDetailsAllFields;
    case Prompts::kAll: break;
  }
  return {};
}

std::span<const int> InfoSetDisabledInput(int item) {
  switch (PromptsOfItem(item)) {
    case Prompts::kUserOnly: return kInputAccountFields;
    case Prompts::kAccountOnly: return kInputUserFields;
    case Prompts::kNone: return kInputAllFields;
    case Prompts::kAll: break;
  }
  return {};
}

static void DisableByInfoSetMode(pdekit::BasePrintPanel& window, std::span<const int> tags) {
  // Counted like the windows' own constraints, so that a radio or list that releases a field
  // leaves it disabled while the information-setting mode still holds it.
  for (int tag : tags)
    if (auto* c = window.GetPanelControl(tag)) c->Disable();
}

std::string MaskedSummaryText(const std::string& text) {
  std::string out;
  const int width = pdekit::GetStringLength(text);
  // The dot the device's character set has at 0xA5.
  for (int i = 0; i < width; ++i) out += "\xEF\xBD\xA5";
  return out;
}

std::string LoginNameForField(const std::optional<std::string>& login) {
  if (login && !login->empty()) {
    const std::string cut(pdekit::CutUtf8(*login, 32));
    const int width = pdekit::GetStringLength(cut);
    if (width >= 1 && width <= 32 && pdekit::validateInput(cut, pdekit::kNamesInputFilter)) return cut;
  }
  return "UnknownUser";
}

// ---- JBATextEdit ----

JBATextEdit::JBATextEdit(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
                         const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access,
                         const pdekit::InputFilter* filter, Rules rules)
    : TextEditCtrl(element, ini, constrain, access, PrefUser::kCurrent, filter), rules_(std::move(rules)) {}

bool JBATextEdit::InvalidateData() {
  if (Checked()) return true;
  const std::string text = GetUIText();
  const char* message = filter_ ? filter_->messageKey : nullptr;
  if (rules_.required && ini_) {
    const auto width = static_cast<uint32_t>(pdekit::GetStringLength(text));
    if (width < ini_->minWidth || width > ini_->maxWidth) {
      ShowValidationAlert(message);
      return false;
    }
  }
  if (rules_.refuseAllSpaces && !text.empty() && pdekit::IsAllSpace(text)) {
    ShowValidationAlert(message);
    return false;
  }
  return TextEditCtrl::InvalidateData();
}

bool JBATextEdit::SetValueToPreference() {
  if (rules_.store && !rules_.store()) return true;
  return TextEditCtrl::SetValueToPreference();
}

bool JBATextEdit::SetValueToPreferenceWithPrinterSettings() {
  if (rules_.store && !rules_.store()) return true;
  return TextEditCtrl::SetValueToPreferenceWithPrinterSettings();
}

void JBATextEdit::SetDefaultValueToPreference() {
  SetControlValueToDefault();
  if (SystemVersion() < pdekit::kPrintSettingsPreferenceVersion) TextEditCtrl::SetValueToPreference();
  else TextEditCtrl::SetValueToPreferenceWithPrinterSettings();
}

void JBATextEdit::GetSummaryText(pdekit::SummaryInfo& summary) {
  if (!rules_.summaryTitle || !rules_.summarise || !rules_.summarise() || !GetControlBlkPtr()) return;
  const std::string text = GetControlText();
  AddSummaryLine(summary, LocalizedOrKey(rules_.summaryTitle), rules_.masked ? MaskedSummaryText(text) : text);
}

// ---- JBARadio and JBASourceList ----

JBARadio::JBARadio(nx::platform::ui::Element* element, const pdekit::RadioButtonIniData* ini,
                   const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access,
                   std::vector<int> validate)
    : RadioButton(element, ini, constrain, access, PrefUser::kCurrent), validate_(std::move(validate)) {}

void JBARadio::RequestControlAction(nx::platform::ui::Element& sender) {
  const uint8_t* before = GetValueFromUIDataBlk();
  const int32_t previous = before ? ReadInt(before) : 0;
  if (ControlPtr && ControlPtr->IntValue() != previous && ctrlParentPanelPtr) {
    for (int tag : validate_) {
      BaseControl* field = ctrlParentPanelPtr->GetPanelControl(tag);
      if (!field) continue;
      field->GetValueFromUI();
      if (field->InvalidateData()) continue;
      // Refused: this radio and its partners show what they showed before.
      ControlPtr->SetIntValue(previous);
      if (pdekit::RadioGroup* group = GetRadioGroup())
        for (int i = 0; i < group->GetCount(); ++i)
          if (RadioButton* other = group->GetRadio(i); other && other != this && other->GetControlPtr())
            if (const uint8_t* b = other->GetValueFromUIDataBlk()) other->GetControlPtr()->SetIntValue(ReadInt(b));
      return;
    }
  }
  RadioButton::RequestControlAction(sender);
}

void JBASourceList::RequestControlAction(nx::platform::ui::Element& sender) {
  const uint8_t* before = GetValueFromUIDataBlk();
  const int32_t previousItem = before ? ReadInt(before) : 1;
  if (ctrlParentPanelPtr && ControlPtr && ControlPtr->SelectedIndex() + 1 != previousItem) {
    if (BaseControl* userID = ctrlParentPanelPtr->GetPanelControl(kInfoUserID)) {
      userID->GetValueFromUI();
      if (!userID->InvalidateData()) {
        ControlPtr->SelectItem(previousItem - 1);
        return;
      }
    }
    if (auto* password = dynamic_cast<pdekit::TextEditCtrl*>(ctrlParentPanelPtr->GetPanelControl(kInfoPassword)))
      password->CorrectCtrlUI();
  }
  PopupControl::RequestControlAction(sender);
}

// ---- JBADetailsWindow ----

// The administrator's details and the user's are the same controls under their own keys.
#define NX_JBA_KEY(admin, name) ((admin) ? key::JBAAdmin##name : key::JBA##name)
struct JBADetailsWindow::Keys {
  explicit Keys(bool a)
      : stored(NX_JBA_KEY(a, UserSettingRadioBtnTicket), NX_JBA_KEY(a, UserSettingRadioBtnReference), 0),
        source(NX_JBA_KEY(a, UserIDListCtrlTicket), NX_JBA_KEY(a, UserIDListCtrlReference), 0),
        domain(NX_JBA_KEY(a, DomainNameTextEditTicket), NX_JBA_KEY(a, DomainNameTextEditReference), kAccessTypeText),
        userID(NX_JBA_KEY(a, UserIDTextEditTicket), NX_JBA_KEY(a, UserIDTextEditReference), kAccessTypeText),
        login(NX_JBA_KEY(a, LoginTextEditTicket), nullptr, kAccessTypeText),
        password(NX_JBA_KEY(a, UserPasswordTextEditTicket), nullptr, kAccessTypePassword),
        perJob(NX_JBA_KEY(a, UserInputRadioBtnTicket), NX_JBA_KEY(a, UserInputRadioBtnReference), 0),
        account(NX_JBA_KEY(a, AccountIDTextEditTicket), NX_JBA_KEY(a, AccountIDTextEditReference), kAccessTypeText),
        lastInput(NX_JBA_KEY(a, LastInfoCheckboxTicket), NX_JBA_KEY(a, LastInfoCheckboxReference), 0),
        userIDFormat(NX_JBA_KEY(a, UserIDFormatCheckboxTicket), NX_JBA_KEY(a, UserIDFormatCheckboxReference), 0),
        accountFormat(NX_JBA_KEY(a, AccountIDFormatCheckboxTicket), NX_JBA_KEY(a, AccountIDFormatCheckboxReference),
                      0) {}
  KeyPair stored, source, domain, userID, login, password, perJob, account, lastInput, userIDFormat, accountFormat;
};
#undef NX_JBA_KEY

JBADetailsWindow::JBADetailsWindow(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey, bool admin,
                                   JBAPDEnxbiqm08& panel, std::vector<int>* encryptArray)
    : PopupWinInPanel(std::move(window), std::move(titleKey), panel.GetCurrentPDECallbackObj(), panel.GetServices()),
      admin_(admin),
      panel_(panel),
      keys_(std::make_unique<Keys>(admin)),
      radios_(std::make_unique<pdekit::RadioGroup>()) {
  auto* view = GetPanelControlPtr();
  const nx::platform::Bundle* bundle = &panel.GetBundle();
  RunTimeAddNewControl(Button(view, kInfoOK, "JBA Info OK Btn", [this](pdekit::BaseButton&) { OnOK(); }));
  RunTimeAddNewControl(Button(view, kInfoCancel, "JBA Info CANCEL Btn", [this](pdekit::BaseButton&) {
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  }));
  RunTimeAddNewControl(
      Button(view, kInfoRestore, "JBA Info RESTORE Btn", [this](pdekit::BaseButton&) { SetDefaultValueToUI(); }));
  RunTimeAddNewControl(Button(view, kInfoHelp, nullptr, [this, bundle](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), bundle, HelpPage(panel_, "DetailedUS").c_str(), nullptr, kHelpTitleKey);
  }));

  auto stored = std::make_shared<JBARadio>(view->FindElement(kInfoStoredRadio), &kStoredRadioIni, &kStoredConstrain,
                                           &keys_->stored.access, std::vector<int>{});
  radios_->RunTimeAddNewControl(stored);
  RunTimeAddNewControl(stored);
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kInfoSpecifyLabel),
                                                               "JBA Specify Name text"));
  RunTimeAddNewControl(std::make_shared<JBASourceList>(view->FindElement(kInfoSourceList), &kSourceIni,
                                                       &kSourceConstrain, &keys_->source.access, PrefUser::kCurrent));
  const auto fields = [this](int tag) { return [this, tag] { return SummariseField(tag); }; };
  const auto notHidden = [this](int tag) {
    return [this, tag] {
      auto* c = GetPanelControl(tag);
      return !(c && c->GetControlPtr() && c->GetControlPtr()->IsHidden());
    };
  };
  RunTimeAddNewControl(
      std::make_shared<pdekit::TitledControl>(view->FindElement(kInfoDomainLabel), "Domain Name text"));
  RunTimeAddNewControl(std::make_shared<JBATextEdit>(
      view->FindElement(kInfoDomain), &kDomainIni, nullptr, &keys_->domain.access, &kJBADomainFilter,
      JBATextEdit::Rules{false, true, false, "Domain Name", fields(kInfoDomain), notHidden(kInfoDomain)}));
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kInfoUserIDLabel), "User ID text"));
  RunTimeAddNewControl(std::make_shared<JBATextEdit>(
      view->FindElement(kInfoUserID), &kUserIDIni, nullptr, &keys_->userID.access, &pdekit::kNamesInputFilter,
      JBATextEdit::Rules{true, true, false, "User ID", [this] { return SummariseField(kInfoUserID) && !getbUseLoginNameSelect(); },
                         notHidden(kInfoUserID)}));
  const std::string login = LoginNameForField(services_.identity().LoginName());
  pdekit::CutUtf8(login, pdekit::kIniTextSize - 1).copy(loginIni_.initialText, pdekit::kIniTextSize - 1);
  pdekit::CutUtf8(login, pdekit::kIniTextSize - 1).copy(loginIni_.defaultText, pdekit::kIniTextSize - 1);
  loginIni_.minWidth = 1;
  loginIni_.maxWidth = 32;
  RunTimeAddNewControl(std::make_shared<JBATextEdit>(
      view->FindElement(kInfoLogin), &loginIni_, nullptr, &keys_->login.access, &pdekit::kNamesInputFilter,
      JBATextEdit::Rules{true, true, false, "User ID", [this] { return SummariseField(kInfoLogin) && getbUseLoginNameSelect(); },
                         nullptr}));
  RunTimeAddNewControl(
      std::make_shared<pdekit::TitledControl>(view->FindElement(kInfoPasswordLabel), "User ID Password text"));
  RunTimeAddNewControl(std::make_shared<JBATextEdit>(
      view->FindElement(kInfoPassword), &kPasswordIni, nullptr, &keys_->password.access, &kJBAPasswordFilter,
      JBATextEdit::Rules{false, false, true, "User ID Password", fields(kInfoPassword), notHidden(kInfoPassword)}));
  if (encryptArray) encryptArray->push_back(kInfoPassword);

  auto perJob = std::make_shared<JBARadio>(view->FindElement(kInfoPerJobRadio), &kPerJobRadioIni, &kPerJobConstrain,
                                           &keys_->perJob.access,
                                           std::vector<int>{kInfoUserID, kInfoPassword, kInfoAccount});
  radios_->RunTimeAddNewControl(perJob);
  RunTimeAddNewControl(perJob);
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kInfoAccountLabel), "Account ID text"));
  RunTimeAddNewControl(std::make_shared<JBATextEdit>(
      view->FindElement(kInfoAccount), &kAccountIni, nullptr, &keys_->account.access, &pdekit::kAccountIDInputFilter,
      JBATextEdit::Rules{false, false, false, "Account ID", fields(kInfoAccount), notHidden(kInfoAccount)}));
  RunTimeAddNewControl(std::make_shared<pdekit::CheckBox>(view->FindElement(kInfoLastInput), &kLastInputIni, nullptr,
                                                          &keys_->lastInput.access, PrefUser::kCurrent));
  RunTimeAddNewControl(std::make_shared<pdekit::CheckBox>(
      view->FindElement(kInfoUserIDFormat), panel.getPDEType() == 5 ? &kUserIDFormatIni : &kUserIDFormatNoDomainIni,
      nullptr, &keys_->userIDFormat.access, PrefUser::kCurrent));
  RunTimeAddNewControl(std::make_shared<pdekit::CheckBox>(view->FindElement(kInfoAccountFormat), &kAccountFormatIni,
                                                          nullptr, &keys_->accountFormat.access, PrefUser::kCurrent));
}

JBADetailsWindow::~JBADetailsWindow() = default;

int JBADetailsWindow::StateOf(int tag) const {
  auto* self = const_cast<JBADetailsWindow*>(this);
  auto* c = dynamic_cast<pdekit::StateControl*>(self->GetPanelControl(tag));
  return c ? c->GetState() : 0;
}

bool JBADetailsWindow::getbEnterUserDetails() const { return StateOf(kInfoPerJobRadio) == 1; }
bool JBADetailsWindow::getbDisplayPrevious() const { return StateOf(kInfoLastInput) == 1; }
bool JBADetailsWindow::getbHideUserID() const { return StateOf(kInfoUserIDFormat) == 1; }
bool JBADetailsWindow::getbHideAccountID() const { return StateOf(kInfoAccountFormat) == 1; }
bool JBADetailsWindow::getbUseLoginNameSelect() const {
  auto* self = const_cast<JBADetailsWindow*>(this);
  auto* list = dynamic_cast<pdekit::PopupControl*>(self->GetPanelControl(kInfoSourceList));
  return list && list->GetItemNumber() == 1;
}

bool JBADetailsWindow::SummariseField(int tag) const {
  if (!BelongsToCurrentMode() || getbEnterUserDetails()) return false;
  // A field the information-setting mode leaves out is not part of the job's details.
  const auto leftOut = InfoSetDisabledDetails(panel_.getInfoSetMode());
  return std::find(leftOut.begin(), leftOut.end(), tag) == leftOut.end();
}

int JBADetailsWindow::GetSummaryText(pdekit::SummaryInfo& summary) {
  return BelongsToCurrentMode() ? PopupWinInPanel::GetSummaryText(summary) : 0;
}

void JBADetailsWindow::InitializePaneConstrains() {
  if (admin_ && panel_.getAccountMode() == 0 && !pdekit::IsUserAdmin(services_.identity()))
    for (int tag : kAdminLocked) SetElementEnabled(*this, tag, false);
  ApplyInfoSetConstrains();
}

bool JBADetailsWindow::BelongsToCurrentMode() const {
  const int mode = panel_.getAccountMode();
  return admin_ ? mode == 0 : mode == 1;
}

void JBADetailsWindow::ApplyInfoSetConstrains() {
  if (BelongsToCurrentMode()) DisableByInfoSetMode(*this, InfoSetDisabledDetails(panel_.getInfoSetMode()));
}

int JBADetailsWindow::ActivateWindow() {
  if (!GetPanelWindow()) return nx::platform::ui::kModalResponseAbort;
  if (!IsActived()) {
    ChangeActivedStatus(true);
  } else {
    ReInitializeUserPane();
    SetUIDataToIniData();
  }
  SetCurrentValueToUI();
  InitializePaneConstrains();
  return services_.toolkit().RunModal(*GetPanelWindow());
}

void JBADetailsWindow::OnOK() {
  const int mode = panel_.getAccountMode();
  if (mode == 0 || mode == 1) {
    SycValueFromUI();
    for (auto& c : getCtrlGroupArrayRef())
      if (!c->InvalidateData()) return;
  }
  SetValueFromUIToControl();
  DeactivateWindow(nx::platform::ui::kModalResponseOK);
}

// ---- JBAInputWindow ----

struct JBAInputWindow::Keys {
  Keys()
      : auth(key::JBAInputAuthRadioBtnTicketKey, key::JBAInputAuthRadioBtnReference, 0),
        domain(key::JBAInputDomainNameTextEditTicket, key::JBAInputDomainNameTextEditReference, kAccessTypeText),
        domainMasked(key::JBAInputDomainNameTextEditTicket, key::JBAInputDomainNameTextEditReference,
                     kAccessTypePassword),
        userID(key::JBAInputUserIDTextEditTicket, key::JBAInputUserIDTextEditReference, kAccessTypeText),
        userIDMasked(key::JBAInputUserIDTextEditTicket, key::JBAInputUserIDTextEditReference, kAccessTypePassword),
        password(key::JBAInputUserPasswordTextEditTicket, nullptr, kAccessTypePassword),
        account(key::JBAInputAccountIDTextEditTicket, key::JBAInputAccountIDTextEditReference, kAccessTypeText),
        accountMasked(key::JBAInputAccountIDTextEditTicket, key::JBAInputAccountIDTextEditReference,
                      kAccessTypePassword) {}
  KeyPair auth, domain, domainMasked, userID, userIDMasked, password, account, accountMasked;
};

JBAInputWindow::JBAInputWindow(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                               JBAPDEnxbiqm08& panel, std::vector<int>* encryptArray)
    : PopupWinInPanel(std::move(window), std::move(titleKey), panel.GetCurrentPDECallbackObj(), panel.GetServices()),
      panel_(panel),
      keys_(std::make_unique<Keys>()),
      radios_(std::make_unique<pdekit::RadioGroup>()) {
  auto* view = GetPanelControlPtr();
  const nx::platform::Bundle* bundle = &panel.GetBundle();
  RunTimeAddNewControl(Button(view, kInputOK, "JBA Input OK Btn", [this](pdekit::BaseButton&) { OnOK(); }));
  RunTimeAddNewControl(Button(view, kInputCancel, "JBA Input CANCEL Btn", [this](pdekit::BaseButton&) {
    panel_.setJobStatus(kJobStatusCancelled);
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  }));
  RunTimeAddNewControl(Button(view, kInputHelp, nullptr, [this, bundle](pdekit::BaseButton&) {
    pdekit::GotoHelpPage(services_.help(), bundle, HelpPage(panel_, "EnterUD").c_str(), nullptr, kHelpTitleKey);
  }));
  auto auth = std::make_shared<JBARadio>(view->FindElement(kInputAuthRadio), &kAuthRadioIni, &kAuthConstrain,
                                         &keys_->auth.access, std::vector<int>{});
  radios_->RunTimeAddNewControl(auth);
  RunTimeAddNewControl(auth);

  const auto remember = [this] { return RememberInput(); };
  auto field = [&](int tag, const pdekit::TextEditIniData* ini, const KeyPair& keys, const pdekit::InputFilter* filter,
                   bool required, bool refuseSpaces) {
    RunTimeAddNewControl(std::make_shared<JBATextEdit>(view->FindElement(tag), ini, nullptr, &keys.access, filter,
                                                       JBATextEdit::Rules{required, refuseSpaces, false, nullptr,
                                                                          nullptr, remember}));
  };
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kInputDomainLabel), "Domain Name text"));
  field(kInputDomain, &kDomainIni, keys_->domain, &kJBADomainFilter, false, true);
  field(kInputDomainMasked, &kDomainIni, keys_->domainMasked, &kJBADomainFilter, false, true);
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kInputUserIDLabel), "User ID text"));
  field(kInputUserID, &kUserIDIni, keys_->userID, &pdekit::kNamesInputFilter, true, true);
  field(kInputUserIDMasked, &kUserIDIni, keys_->userIDMasked, &pdekit::kNamesInputFilter, true, true);
  RunTimeAddNewControl(
      std::make_shared<pdekit::TitledControl>(view->FindElement(kInputPasswordLabel), "User ID Password text"));
  RunTimeAddNewControl(std::make_shared<JBATextEdit>(view->FindElement(kInputPassword), &kPasswordIni, nullptr,
                                                     &keys_->password.access, &kJBAPasswordFilter,
                                                     JBATextEdit::Rules{false, false, true, nullptr, nullptr, nullptr}));
  if (encryptArray) encryptArray->push_back(kInputPassword);
  RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(view->FindElement(kInputAccountLabel), "Account ID text"));
  field(kInputAccount, &kAccountIni, keys_->account, &pdekit::kAccountIDInputFilter, false, false);
  field(kInputAccountMasked, &kAccountIni, keys_->accountMasked, &pdekit::kAccountIDInputFilter, false, false);
  RunTimeAddNewControl(std::make_shared<pdekit::PopupControl>(view->FindElement(kInputInfoSet), &kInfoSetMirrorIni,
                                                              nullptr, nullptr, PrefUser::kCurrent));
}

JBAInputWindow::~JBAInputWindow() = default;

int JBAInputWindow::StateOfAuth() const {
  auto* self = const_cast<JBAInputWindow*>(this);
  auto* radio = dynamic_cast<pdekit::StateControl*>(self->GetPanelControl(kInputAuthRadio));
  if (!radio || !radio->GetControlPtr()) return 1;
  return radio->GetControlPtr()->IntValue();
}

JBADetailsWindow* JBAInputWindow::CurrentDetails() const {
  switch (panel_.getAccountMode()) {
    case 0: return panel_.getjbaInfoAdminWnd();
    case 1: return panel_.getjbaInfoWnd();
    default: return nullptr;
  }
}

bool JBAInputWindow::RememberInput() const {
  const JBADetailsWindow* details = CurrentDetails();
  return details && details->getbDisplayPrevious();
}

void JBAInputWindow::InitializePaneConstrains() {
  const JBADetailsWindow* details = CurrentDetails();
  const bool maskUser = details && details->getbHideUserID();
  const bool maskAccount = details && details->getbHideAccountID();
  // The authentication radio hides every field while it is off; otherwise one variant shows.
  const bool authOff = StateOfAuth() == 0;
  SetElementHidden(*this, kInputUserID, authOff || maskUser);
  SetElementHidden(*this, kInputUserIDMasked, authOff || !maskUser);
  SetElementHidden(*this, kInputDomain, authOff || maskUser);
  SetElementHidden(*this, kInputDomainMasked, authOff || !maskUser);
  SetElementHidden(*this, kInputAccount, authOff || maskAccount);
  SetElementHidden(*this, kInputAccountMasked, authOff || !maskAccount);
  if (auto* mirror = dynamic_cast<pdekit::PopupControl*>(GetPanelControl(kInputInfoSet));
      mirror && mirror->GetControlPtr()) {
    mirror->GetControlPtr()->SelectItem(panel_.getInfoSetMode() - 1);
    mirror->GetControlPtr()->SetEnabled(false);
  }
  ApplyInfoSetConstrains();
  // Typing starts in the user ID the window shows, when the mode leaves it to the user.
  if (auto* userID = GetPanelControl(maskUser ? kInputUserIDMasked : kInputUserID);
      userID && userID->GetControlPtr() && !userID->GetControlPtr()->IsHidden() &&
      userID->GetControlPtr()->IsEnabled() && GetPanelWindow())
    GetPanelWindow()->MakeFirstResponder(userID->GetControlPtr());
}

void JBAInputWindow::ApplyInfoSetConstrains() {
  DisableByInfoSetMode(*this, InfoSetDisabledInput(panel_.getInfoSetMode()));
}

void JBAInputWindow::SycnContents() {
  const JBADetailsWindow* details = CurrentDetails();
  auto copy = [this](int from, int to) {
    auto* a = GetPanelControl(from);
    auto* b = GetPanelControl(to);
    if (a && b && a->GetControlPtr() && b->GetControlPtr()) b->GetControlPtr()->SetStringValue(a->GetControlPtr()->StringValue());
  };
  if (details && details->getbHideUserID()) {
    copy(kInputUserIDMasked, kInputUserID);
    copy(kInputDomainMasked, kInputDomain);
  } else {
    copy(kInputUserID, kInputUserIDMasked);
    copy(kInputDomain, kInputDomainMasked);
  }
  if (details && details->getbHideAccountID()) copy(kInputAccountMasked, kInputAccount);
  else copy(kInputAccount, kInputAccountMasked);
}

void JBAInputWindow::SetControlDataToDefault() {
  for (int tag : kInputDefaultFields)
    if (auto* field = dynamic_cast<JBATextEdit*>(GetPanelControl(tag))) field->SetDefaultValueToPreference();
}

int JBAInputWindow::Present() {
  if (!GetPanelWindow()) return nx::platform::ui::kModalResponseAbort;
  if (!IsActived()) {
    ChangeActivedStatus(true);
  } else {
    ReInitializeUserPane();
    SetUIDataToIniData();
  }
  // Entries stored while the memory was on would otherwise come back.
  if (!RememberInput()) SetControlDataToDefault();
  SetCurrentValueToUI();
  InitializePaneConstrains();
  return services_.toolkit().RunModal(*GetPanelWindow());
}

void JBAInputWindow::OnOK() {
  SycnContents();
  SycValueFromUI();
  for (auto& c : getCtrlGroupArrayRef())
    if (!c->PreInvalidateData() || !c->InvalidateData()) return;
  panel_.setJobStatus(kJobStatusPrint);
  SetValueFromUIToControl();
  DeactivateWindow(nx::platform::ui::kModalResponseOK);
}

}  // namespace accountpde
