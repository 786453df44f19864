// The control model; see BaseControl.h.
#include "pdekit/BaseControl.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

#include "EncryptLib.h"
#include "PluginLog.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"
#include "nx/platform/system_version.h"
#include "nx/ticket/byte_list.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/protected_text.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace pdekit {
namespace {

// The plug-ins' registered tables. Each bundle carries its own copy of the framework, so a
// plug-in sees only its own keys.
std::vector<SpecialKeys>& RegisteredKeys() {
  static std::vector<SpecialKeys> tables;
  return tables;
}

// The largest text a 255-byte preference buffer holds with its terminator.
constexpr size_t kPreferenceTextMax = kPreferenceStringSize - 1;
constexpr size_t kTicketTextMax = kTicketDataSize - 1;

// The stored form of a value kept under a protected key: base64 of the storage encryption of
// its whole text (its byte length, which is also its width for the ASCII these fields accept).
// Nothing when it cannot be made (logged; the value never is).
std::optional<std::string> ProtectStoredText(std::string_view text) {
  std::string stored;
  const int rc = nx::ticket::EncryptStoredText(text, &stored);
  if (rc > 0) PluginLog("##Plugin debug##  SetValueToPreference encode fail: %d \n", rc);
  if (rc != nx::encrypt::kEncSuccess) return std::nullopt;
  return stored;
}

// The value held in a protected stored text: kEncSuccess with the value in `out`, -1 when the
// text is not base64 of a cipher, else the decryption's result.
int UnprotectStoredText(std::string_view stored, std::string* out) { return nx::ticket::DecryptStoredText(stored, out); }

void Wipe(std::string& text) { std::fill(text.begin(), text.end(), '\0'); }

}  // namespace

void RegisterSpecialKeys(const SpecialKeys& keys) {
  auto& tables = RegisteredKeys();
  const bool known = std::any_of(tables.begin(), tables.end(), [&keys](const SpecialKeys& t) {
    return t.protectedPreferenceKeys.data() == keys.protectedPreferenceKeys.data() &&
           t.protectedPreferenceKeys.size() == keys.protectedPreferenceKeys.size() &&
           t.deviceOptionKeys.data() == keys.deviceOptionKeys.data() &&
           t.deviceOptionKeys.size() == keys.deviceOptionKeys.size();
  });
  if (!known) tables.push_back(keys);
}

bool IsProtectedPreferenceKey(std::string_view key) {
  for (const SpecialKeys& t : RegisteredKeys())
    if (std::find(t.protectedPreferenceKeys.begin(), t.protectedPreferenceKeys.end(), key) !=
        t.protectedPreferenceKeys.end())
      return true;
  return false;
}

const char* DeviceOptionAttributeForPreferenceKey(std::string_view key) {
  for (const SpecialKeys& t : RegisteredKeys())
    for (const DeviceOptionKey& p : t.deviceOptionKeys)
      if (p.preferenceKey == key) return p.attribute;
  return nullptr;
}

std::string ToTicketByteList(std::string_view text) {
  return nx::ticket::EncodeTicketText(text, nx::ticket::ByteSpelling::kUnsigned);
}

std::string FromTicketByteList(std::string_view text) { return nx::ticket::DecodeTicketText(text); }

std::string_view CutUtf8(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // text[end] is the first byte left out: a continuation byte means its character began earlier.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// ---- Creation ----

BaseControl::BaseControl(nx::platform::ui::Element* element, const ConstrainTable* constrain,
                         const DataAccessInfo* access, nx::platform::PrefUser user)
    : ctrlConstrainControlArray(constrain), ctrlDataAccessInfoPtr(access), userNameinPreference(user) {
  CreateControl(element);
}

// The element may be gone already (the view dies with the panel): it is not touched here.
BaseControl::~BaseControl() = default;

void BaseControl::CreateControl(nx::platform::ui::Element* element) {
  ctrlParentPanelPtr = nullptr;
  ctrlDataBlkPtr.clear();
  ctrlUIDataBlkPtr.clear();
  ctrlDataSize = 0;
  ctrlConstrainCount = 0;
  ctrlHideCount = 0;
  m_pcCurrentPPD = nullptr;
  m_ptPPDOptions = nullptr;
  m_paPPDChoices.reset();
  ControlPtr = element;
  ctrlInWhichGroup = -1;
}

int BaseControl::GetControlTag() const { return ControlPtr ? ControlPtr->Tag() : 0; }

void BaseControl::setTargetandAction() {
  if (!ControlPtr) return;
  ControlPtr->SetAction([this](nx::platform::ui::Element& sender) { RequestControlAction(sender); });
}

bool BaseControl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  if (bundle) ctrlBundle = bundle;
  if (ppd) {
    m_pcCurrentPPD = ppd;
    if (ppdFindAttr_ALT(ppd, "NXLocalizableFileIndex")) LocalizeTableName = GetLocalizeTableNameFromPPD(ppd);
  }
  return true;
}

bool BaseControl::ReInitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  return InitializeCtrl(bundle, ppd);
}

// ---- Services ----

nx::platform::Services* BaseControl::Services() const {
  return ctrlParentPanelPtr ? &ctrlParentPanelPtr->GetServices() : nullptr;
}

nx::platform::ui::Toolkit* BaseControl::Toolkit() const {
  auto* s = Services();
  return s ? &s->toolkit() : nullptr;
}

int BaseControl::SystemVersion() const {
  auto* s = Services();
  return s ? s->SystemVersion() : nx::platform::kUnknownSystemVersion;
}

std::string BaseControl::Localized(std::string_view key) const {
  const nx::platform::Bundle* b = ctrlBundle ? ctrlBundle : (ctrlParentPanelPtr ? ctrlParentPanelPtr->GetPDEBundleRef() : nullptr);
  if (!b) return std::string(nx::platform::kNoTranslation);
  return LocalizedString(*b, key, LocalizeTableName);
}

std::string BaseControl::LocalizedOrKey(std::string_view key) const {
  std::string s = Localized(key);
  return s == nx::platform::kNoTranslation ? std::string(key) : s;
}

std::string BaseControl::LocalizedInDefaultTable(std::string_view key) const {
  const nx::platform::Bundle* b = ctrlBundle ? ctrlBundle : (ctrlParentPanelPtr ? ctrlParentPanelPtr->GetPDEBundleRef() : nullptr);
  return b ? LocalizedStringOrKey(*b, key) : std::string(key);
}

void BaseControl::ShowValidationAlert(const char* messageKey) {
  nx::platform::ui::Toolkit* toolkit = Toolkit();
  if (!toolkit) return;
  const std::string key = messageKey ? messageKey : "";
  const nx::platform::Bundle* b = ctrlBundle ? ctrlBundle : (ctrlParentPanelPtr ? ctrlParentPanelPtr->GetPDEBundleRef() : nullptr);
  if (b) {
    RunLocalizedAlert(*toolkit, *b, LocalizeTableName, nx::platform::ui::AlertStyle::kCritical, "", key,
                      {"Alert OK Btn"});
  } else {
    nx::platform::ui::Alert alert;
    alert.text_key = key;
    alert.informative_text = key;
    alert.buttons = {"Alert OK Btn"};
    toolkit->RunAlert(alert);
  }
  if (ctrlParentPanelPtr && ControlPtr)
    if (auto* w = ctrlParentPanelPtr->GetPanelWindow()) w->MakeFirstResponder(ControlPtr);
}

// ---- Value blocks ----

int32_t BaseControl::ReadInt(const uint8_t* block) {
  int32_t v = 0;
  if (block) std::memcpy(&v, block, sizeof v);
  return v;
}

void BaseControl::WriteInt(uint8_t* block, int32_t value) {
  if (block) std::memcpy(block, &value, sizeof value);
}

bool BaseControl::AllocateDataBlocks(size_t size) {
  const bool fresh = ctrlDataBlkPtr.size() != size;
  if (fresh) ctrlDataBlkPtr.assign(size, 0);
  if (ctrlUIDataBlkPtr.size() != size) ctrlUIDataBlkPtr.assign(size, 0);
  return fresh;
}

void BaseControl::SetControlValueToDefault() {
  const void* def = GetDefaultDataBlk();
  uint8_t* block = GetControlBlkPtr();
  if (!def || !block) return;
  const uint32_t size = GetDefaultDataSize();
  std::memcpy(block, def, std::min<size_t>(size, ctrlDataBlkPtr.size()));
  ctrlDataSize = size;
}

void BaseControl::SetUIValueToIniData() {
  const void* ini = GetIniDataBlk();
  uint8_t* block = GetValueFromUIDataBlk();
  if (!ini || !block) return;
  const uint32_t size = GetIniDataSize();
  std::memcpy(block, ini, std::min<size_t>(size, ctrlUIDataBlkPtr.size()));
  ctrlDataSize = size;
}

void BaseControl::SetDefaultValueToUI() {
  const void* def = GetDefaultDataBlk();
  if (!def || !GetControlBlkPtr()) return;
  SetExternalValueToUI(def, GetDefaultDataSize());
}

void BaseControl::setExternalValueToData(const void* value, uint32_t size, int valueType) {
  uint8_t* block = GetControlBlkPtr();
  if (!block || !value) return;
  if (valueType == 2) {
    if (ctrlDataBlkPtr.size() >= sizeof(int32_t)) std::memcpy(block, value, sizeof(int32_t));
  } else if (valueType == 0) {
    // The whole block is cleared so that no tail of a longer earlier text survives, and the
    // copy leaves room for the terminator.
    std::fill(ctrlDataBlkPtr.begin(), ctrlDataBlkPtr.end(), 0);
    std::memcpy(block, value, std::min<size_t>(size, ctrlDataBlkPtr.size() - 1));
  }
}

void BaseControl::SetValueFromUIToControl() {
  uint8_t* to = GetControlBlkPtr();
  const uint8_t* from = GetValueFromUIDataBlk();
  if (!to || !from) return;
  std::memcpy(to, from, std::min<size_t>({ctrlDataSize, ctrlDataBlkPtr.size(), ctrlUIDataBlkPtr.size()}));
}

// ---- Persistence ----

bool BaseControl::StoreOldStylePreference(const std::string& text) {
  std::string key;
  const std::string& printer = ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPrinterString() : std::string();
  if (printer.empty() || !CreateKeyWithCurrentPrinter(ctrlDataAccessInfoPtr->preferenceKey, printer.c_str(), &key))
    return false;
  if (SystemVersion() >= kPrintSettingsPreferenceVersion) return true;
  nx::platform::Preferences& prefs = Services()->preferences();
  const nx::platform::PrefDomain domain{std::string(nx::platform::kAnyApplication), userNameinPreference,
                                        nx::platform::PrefHost::kCurrent};
  prefs.SetValue(key, nx::platform::PropertyValue(text), domain);
  return prefs.Synchronize(domain);
}

bool BaseControl::MayStorePreference() const {
  nx::platform::Services* services = Services();
  // A setting shared by all users is changed by administrators only.
  return services &&
         (userNameinPreference == nx::platform::PrefUser::kCurrent || IsUserAdmin(services->identity()));
}

bool BaseControl::PreferenceText(std::string* out) {
  std::string text;
  if (!ConvertToPreferenceString(text)) return false;
  text = std::string(CutUtf8(text, kPreferenceTextMax));
  if (!IsProtectedPreferenceKey(ctrlDataAccessInfoPtr->preferenceKey)) {
    *out = std::move(text);
    return true;
  }
  auto stored = ProtectStoredText(text);
  Wipe(text);
  if (!stored) return false;
  *out = std::move(*stored);
  return true;
}

bool BaseControl::TakeProtectedValue(const std::string& stored, const std::function<void(const std::string&)>& rewrite) {
  std::string plain;
  const int rc = UnprotectStoredText(stored, &plain);
  if (rc == nx::encrypt::kEncSuccess) {
    const bool ok = ConvertFromPreferenceString(plain);
    Wipe(plain);
    return ok;
  }
  // Earlier versions kept the value in clear: it is taken once and stored in protected form in
  // its place. Only a text the field itself could hold counts, so that a damaged protected
  // value is not shown as the password.
  if (!IsClearStoredValue(stored)) {
    if (rc != -1) PluginLog("##Plugin debug## GetValueFromPreference encode fail: %d \n", rc);
    return false;
  }
  if (!ConvertFromPreferenceString(stored)) return false;
  if (MayStorePreference())
    if (auto protectedText = ProtectStoredText(stored)) rewrite(*protectedText);
  return true;
}

bool BaseControl::SetValueToPreference() {
  if (!ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->preferenceKey) return true;
  if (!GetControlBlkPtr()) return false;
  if (!Services()) return false;
  if (!MayStorePreference()) return true;
  // Passwords are kept protected in this store as in the print settings.
  std::string text;
  if (!PreferenceText(&text)) return false;
  return StoreOldStylePreference(text);
}

std::optional<std::string> BaseControl::ReadOldStylePreference() {
  std::string key;
  const std::string printer = ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPrinterString() : std::string();
  if (printer.empty() || !CreateKeyWithCurrentPrinter(ctrlDataAccessInfoPtr->preferenceKey, printer.c_str(), &key))
    return std::nullopt;
  if (SystemVersion() >= kPrintSettingsPreferenceVersion) {
    if (ctrlParentPanelPtr->GetPreferenceReaderKind() != PreferenceReaderKind::kDeviceOptionsFromPPD)
      return std::nullopt;
    // The fax plug-in takes the device options from the queue's PPD instead.
    if (!m_pcCurrentPPD) return std::nullopt;
    const char* attribute = DeviceOptionAttributeForPreferenceKey(ctrlDataAccessInfoPtr->preferenceKey);
    if (!attribute) return std::string();
    ppd_attr_t* a = ppdFindAttr_ALT(m_pcCurrentPPD, attribute);
    if (!a || !a->value) return std::nullopt;
    return std::string(CutUtf8(a->value, kPreferenceTextMax));
  }
  std::string out;
  if (!pdekit::GetValueFromPreference(Services()->preferences(), ctrlDataAccessInfoPtr->preferenceKey,
                                      userNameinPreference, printer.c_str(), &out))
    return std::nullopt;
  if (out.size() > kPreferenceTextMax) return std::nullopt;
  return out;
}

bool BaseControl::GetValueFromPreference() {
  if (!ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->preferenceKey) return true;
  if (!GetControlBlkPtr()) return false;
  if (!Services()) return false;
  auto text = ReadOldStylePreference();
  if (!text) return false;
  if (!IsProtectedPreferenceKey(ctrlDataAccessInfoPtr->preferenceKey)) return ConvertFromPreferenceString(*text);
  const bool ok = TakeProtectedValue(*text, [this](const std::string& stored) {
    if (!StoreOldStylePreference(stored)) PluginLog("##Plugin debug## a clear stored value could not be replaced\n");
  });
  Wipe(*text);
  return ok;
}

bool BaseControl::SetValueToPreferenceWithPrinterSettings() {
  if (!ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->preferenceKey) return true;
  if (!GetControlBlkPtr()) return false;
  if (!Services()) return false;
  if (!MayStorePreference()) return true;
  std::string stored;
  if (!PreferenceText(&stored)) return false;
  PrintSettings* settings = ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPMPrintSettings() : nullptr;
  if (!settings) return true;
  // The key alone, without a printer identifier.
  return settings->SetValue(ctrlDataAccessInfoPtr->preferenceKey, stored, false) == noErr;
}

bool BaseControl::GetValueFromPreferenceWithPrinterSettings() {
  if (!ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->preferenceKey) return true;
  if (!GetControlBlkPtr()) return false;
  PrintSettings* settings = ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPMPrintSettings() : nullptr;
  if (!settings) return false;
  const char* key = ctrlDataAccessInfoPtr->preferenceKey;
  std::string value;
  if (settings->GetValue(key, value) != noErr) return false;
  value = std::string(CutUtf8(value, kPreferenceStringSize));
  if (!IsProtectedPreferenceKey(key)) return ConvertFromPreferenceString(value);
  const bool ok = TakeProtectedValue(value, [settings, key](const std::string& stored) {
    if (settings->SetValue(key, stored, false) != noErr)
      PluginLog("##Plugin debug## a clear stored value could not be replaced\n");
  });
  Wipe(value);
  return ok;
}

bool BaseControl::SetValueToTicket(PrintSettings* settings, bool locked) {
  if (!ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->ticketKey) return false;
  std::string text;
  if (!ConvertToTickectData(text)) return false;
  const std::string stored = ToTicketByteList(CutUtf8(text, kTicketTextMax));
  return SetValueToSettingsWithTicketKeyAndLock(stored.c_str(), settings, ctrlDataAccessInfoPtr->ticketKey, locked) ==
         noErr;
}

bool BaseControl::SetValueToTicketWithXSPEnc(PrintSettings* settings, bool locked) {
  if (!ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->ticketKey) return false;
  std::string text;
  if (!ConvertToTickectData(text)) return false;
  text = std::string(CutUtf8(text, kTicketTextMax));
  // Every byte is enciphered (a yen sign is two bytes but one column wide).
  std::string stored;
  const bool enciphered = nx::ticket::EncipherTicketText(text, &stored);
  Wipe(text);
  if (!enciphered) return false;
  return SetValueToSettingsWithTicketKeyAndLock(stored.c_str(), settings, ctrlDataAccessInfoPtr->ticketKey, locked) ==
         noErr;
}

bool BaseControl::SetValueToTicket(PrintSettings* settings, bool locked, const std::vector<int>* encryptTags) {
  if (encryptTags && !encryptTags->empty() && ControlPtr &&
      std::find(encryptTags->begin(), encryptTags->end(), ControlPtr->Tag()) != encryptTags->end())
    return SetValueToTicketWithXSPEnc(settings, locked);
  return SetValueToTicket(settings, locked);
}

// ---- Events and constraints ----

void BaseControl::RequestControlAction(nx::platform::ui::Element&) {
  UIEventHandler();
  GetValueFromUI();
}

bool BaseControl::UIEventHandler() {
  DoControlUpdateConstrain();
  DoSelfUpdate();
  DoControlHideConstrain();
  DoControlConstrain();
  return true;
}

bool BaseControl::SimulationUIEventHandler() {
  UIEventHandler();
  // What the replay compared against is now what the element shows, so that the next user
  // event releases what this replay disabled.
  GetValueFromUI();
  return true;
}

ControlIDList BaseControl::ListFor(std::span<const ControlIDList> lists, int number) {
  if (number < 0 || static_cast<size_t>(number) >= lists.size()) return {};
  return lists[static_cast<size_t>(number)];
}

void BaseControl::DoControlUpdateConstrain() {
  if (!ctrlConstrainControlArray) return;
  const int number = std::max(GetCurrentControlArrayNumber(), 0);
  ApplyToList(ListFor(ctrlConstrainControlArray->updateLists, number), &BaseControl::Update);
}

void BaseControl::ApplyToList(ControlIDList list, void (BaseControl::*operation)()) {
  if (!ctrlParentPanelPtr) return;
  for (int id : list) {
    if (id == 0) break;
    if (BaseControl* c = ctrlParentPanelPtr->GetPanelControl(id)) (c->*operation)();
  }
}

void BaseControl::DisableControlConstrains(ControlIDList list) { ApplyToList(list, &BaseControl::Disable); }
void BaseControl::EnableControlConstrains(ControlIDList list) { ApplyToList(list, &BaseControl::Enable); }
void BaseControl::HideControlConstrains(ControlIDList list) { ApplyToList(list, &BaseControl::Hide); }
void BaseControl::ShowControlConstrains(ControlIDList list) { ApplyToList(list, &BaseControl::Show); }

void BaseControl::DisableControlConstrains() {
  if (ctrlConstrainControlArray)
    DisableControlConstrains(ListFor(ctrlConstrainControlArray->disableLists, GetCurrentControlArrayNumber()));
}
void BaseControl::EnableControlConstrains() {
  if (ctrlConstrainControlArray)
    EnableControlConstrains(ListFor(ctrlConstrainControlArray->disableLists, GetCurrentControlArrayNumber()));
}
void BaseControl::HideControlConstrains() {
  if (ctrlConstrainControlArray)
    HideControlConstrains(ListFor(ctrlConstrainControlArray->hideLists, GetCurrentControlArrayNumber()));
}
void BaseControl::ShowControlConstrains() {
  if (ctrlConstrainControlArray)
    ShowControlConstrains(ListFor(ctrlConstrainControlArray->hideLists, GetCurrentControlArrayNumber()));
}

void BaseControl::Disable() {
  const int before = ctrlConstrainCount++;
  if (before >= 0 && ControlPtr && ControlPtr->IsEnabled()) ControlPtr->SetEnabled(false);
}

void BaseControl::Enable() {
  const int before = ctrlConstrainCount--;
  if (before <= 1 && ControlPtr && !ControlPtr->IsEnabled()) ControlPtr->SetEnabled(true);
}

void BaseControl::Hide() {
  const int before = ctrlHideCount++;
  if (before >= 0 && ControlPtr && !ControlPtr->IsHidden()) ControlPtr->SetHidden(true);
}

void BaseControl::Show() {
  const int before = ctrlHideCount--;
  if (before <= 1 && ControlPtr && ControlPtr->IsHidden()) ControlPtr->SetHidden(false);
}

void BaseControl::PPDCtrlShow() {
  if (ControlPtr) ControlPtr->SetHidden(false);
}

void BaseControl::PPDCtrlHide() {
  if (ControlPtr) ControlPtr->SetHidden(true);
}

void BaseControl::ResetStatus() {
  ctrlConstrainCount = 0;
  ctrlHideCount = 0;
  if (ControlPtr) {
    ControlPtr->SetEnabled(true);
    ControlPtr->SetHidden(false);
  }
}

void BaseControl::AddSummaryLine(SummaryInfo& summary, const std::string& title, const std::string& value) {
  summary.values[title] = value;
  if (std::find(summary.displayOrder.begin(), summary.displayOrder.end(), title) == summary.displayOrder.end())
    summary.displayOrder.push_back(title);
}

}  // namespace pdekit
