// Popup lists, plain and bound to a PPD option; see PopupControl.h.
#include "pdekit/PopupControl.h"

#include <cstring>

#include "ControlSupport.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/UtilityFunction.h"
#include "pdekit/XPPD.h"

namespace pdekit {
namespace {

// Item key lists are static tables ending with a null entry; this bounds a table that lost it.
constexpr int kMaxItemKeys = 256;

int CountItemKeys(const PopupIniData* ini) {
  if (!ini || !ini->itemKeys) return 0;
  int n = 0;
  while (n < kMaxItemKeys && ini->itemKeys[n]) ++n;
  return n;
}

}  // namespace

PopupControl::PopupControl(nx::platform::ui::Element* element, const PopupIniData* ini,
                           const ConstrainTable* constrain, const DataAccessInfo* access,
                           nx::platform::PrefUser user)
    : BaseControl(element, constrain, access, user), ini_(ini) {}

bool PopupControl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  BaseControl::InitializeCtrl(bundle, ppd);
  const bool fresh = AllocateDataBlocks(sizeof(int32_t));
  BuildMenu();
  if (fresh) SetControlValueToDefault();  // the default until a stored value replaces it
  return true;
}

bool PopupControl::ReInitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  InitializeCtrl(bundle, ppd);
  // The rebuilt menu shows what the UI block holds.
  if (ControlPtr && GetValueFromUIDataBlk()) ControlPtr->SelectItem(ReadInt(GetValueFromUIDataBlk()) - 1);
  return true;
}

void PopupControl::BuildMenu() {
  if (!ControlPtr) return;
  ControlPtr->RemoveAllItems();
  const int n = CountItemKeys(ini_);
  for (int i = 0; i < n; ++i) ControlPtr->AddItem(LocalizedOrKey(ini_->itemKeys[i]), ini_->itemKeys[i]);
}

int PopupControl::GetItemCount() const { return ControlPtr ? ControlPtr->ItemCount() : CountItemKeys(ini_); }

uint8_t* PopupControl::GetValueFromUI() {
  uint8_t* ui = GetValueFromUIDataBlk();
  if (!ui || !ControlPtr) return nullptr;
  WriteInt(ui, SelectedIndex() + 1);
  ctrlDataSize = sizeof(int32_t);
  return ui;
}

void PopupControl::SetControlValueToUI() {
  if (ControlPtr && GetControlBlkPtr()) ControlPtr->SelectItem(ReadInt(GetControlBlkPtr()) - 1);
}

bool PopupControl::SetControlValueToUIBlk(const void* value, size_t size) {
  uint8_t* ui = GetValueFromUIDataBlk();
  if (!ui || !value || size != sizeof(int32_t)) return false;
  std::memcpy(ui, value, sizeof(int32_t));
  if (ControlPtr) ControlPtr->SelectItem(ReadInt(ui) - 1);
  return true;
}

void PopupControl::SetExternalValueToUI(const void* value, uint32_t size) {
  if (!ControlPtr || !value || size < sizeof(int32_t)) return;
  ControlPtr->SelectItem(ReadInt(static_cast<const uint8_t*>(value)) - 1);
}

bool PopupControl::ConvertToTickectData(std::string& out) {
  if (!GetControlBlkPtr()) return false;
  out = DecimalText(GetItemNumber());
  return true;
}

bool PopupControl::ConvertToPreferenceString(std::string& out) { return ConvertToTickectData(out); }

bool PopupControl::ConvertFromPreferenceString(std::string_view text) {
  uint8_t* block = GetControlBlkPtr();
  if (!block) return false;
  const int32_t item = SafeAtoi(text);
  if (item < 1 || item > GetItemCount()) return false;
  WriteInt(block, item);
  return true;
}

bool PopupControl::GetValueToPreset() {
  uint8_t* block = GetControlBlkPtr();
  PrintSettings* settings = ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPMPrintSettings() : nullptr;
  if (!block || !settings || !ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->ticketKey) return false;
  std::string value;
  if (settings->GetValue(ctrlDataAccessInfoPtr->ticketKey, value) != noErr) return false;
  const auto item = ParseLeadingInteger(value);
  if (!item) return false;
  WriteInt(block, *item);
  return true;
}

int PopupControl::GetCurrentControlArrayNumber() const { return ReadInt(GetValueFromUIDataBlk()) - 1; }

void PopupControl::DoControlUpdateConstrain() {
  if (ControlPtr && GetValueFromUIDataBlk() && SelectedIndex() != GetCurrentControlArrayNumber())
    BaseControl::DoControlUpdateConstrain();
}

void PopupControl::DoControlConstrain() {
  if (!ControlPtr || !ctrlConstrainControlArray || !GetValueFromUIDataBlk()) return;
  const int now = SelectedIndex();
  const int before = GetCurrentControlArrayNumber();
  if (now == before) return;
  DisableControlConstrains(ListFor(ctrlConstrainControlArray->disableLists, now));
  if (before >= 0) EnableControlConstrains(ListFor(ctrlConstrainControlArray->disableLists, before));
}

void PopupControl::DoControlHideConstrain() {
  if (!ControlPtr || !ctrlConstrainControlArray || !GetValueFromUIDataBlk()) return;
  const int now = SelectedIndex();
  const int before = GetCurrentControlArrayNumber();
  if (now == before) return;
  HideControlConstrains(ListFor(ctrlConstrainControlArray->hideLists, now));
  if (before >= 0) ShowControlConstrains(ListFor(ctrlConstrainControlArray->hideLists, before));
}

void PopupControl::Update() {
  if (updating_ || !ControlPtr || !GetValueFromUIDataBlk()) return;
  if (SelectedIndex() == GetCurrentControlArrayNumber()) return;
  updating_ = true;
  UIEventHandler();
  GetValueFromUI();
  updating_ = false;
}

bool PopupControl::isChoiceConflicted(const char* key, const char* option, const char* choice,
                                      ppd_file_t* ppd) const {
  const ConstraintIndex* index = ctrlParentPanelPtr ? ctrlParentPanelPtr->Getxppd() : nullptr;
  if (!ppd || !index || !key || !option || !choice) return false;
  for (const x_constraints& c : index->find(key)) {
    // Positions come from a cache file: each one is checked against this PPD.
    if (c.group >= ppd->num_groups) continue;
    const ppd_group_t& g = ppd->groups[c.group];
    if (c.option >= g.num_options) continue;
    const ppd_option_t& o = g.options[c.option];
    if (c.choice >= o.num_choices) continue;
    if (std::strcmp(o.keyword, option) == 0 && std::strcmp(o.choices[c.choice].choice, choice) == 0) return true;
  }
  return false;
}

// ---- PPDPopupControl ----

PPDPopupControl::PPDPopupControl(nx::platform::ui::Element* element, const PopupIniData* ini,
                                 const ConstrainTable* constrain, const DataAccessInfo* access,
                                 nx::platform::PrefUser user, std::string ppdKeyword)
    : PopupControl(element, ini, constrain, access, user), keyword_(std::move(ppdKeyword)) {
  if (ini) {
    defaultItem_ = ini->defaultItem;
    initialItem_ = ini->initialItem;
  }
}

void PPDPopupControl::BindToPPD(ppd_file_t* ppd) {
  ppd_option_t* option = ppd ? ppdFindOption(ppd, keyword_.c_str()) : nullptr;
  setPPDOptions(option);
  setPPDChoices(ArrayFromPPDOption(option));
  if (!option) return;
  for (int i = 0; i < option->num_choices; ++i) {
    if (std::strcmp(option->choices[i].choice, option->defchoice) == 0) {
      defaultItem_ = i + 1;
      break;
    }
  }
  const int marked = GetIndexOfMarkedOptionWithKey(option, ppd, keyword_.c_str());
  if (marked >= 0) initialItem_ = marked + 1;
}

bool PPDPopupControl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  BaseControl::InitializeCtrl(bundle, ppd);
  const bool fresh = AllocateDataBlocks(sizeof(int32_t));
  BindToPPD(ppd ? ppd : m_pcCurrentPPD);
  BuildMenu();
  if (fresh) SetControlValueToDefault();
  return true;
}

bool PPDPopupControl::ReInitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  InitializeCtrl(bundle, ppd);
  if (ControlPtr && GetValueFromUIDataBlk()) ControlPtr->SelectItem(ReadInt(GetValueFromUIDataBlk()) - 1);
  return true;
}

void PPDPopupControl::BuildMenu() {
  if (!ControlPtr) return;
  ControlPtr->RemoveAllItems();
  if (!m_paPPDChoices) return;
  for (const PDEChoice& c : *m_paPPDChoices) ControlPtr->AddItem(c.userTitle(), c.ppdTitle());
}

int PPDPopupControl::GetItemCount() const {
  return m_paPPDChoices ? static_cast<int>(m_paPPDChoices->size()) : 0;
}

std::string PPDPopupControl::SelectedChoiceKeyword() const {
  const int32_t item = GetItemNumber();
  if (!m_paPPDChoices || item < 1 || item > static_cast<int>(m_paPPDChoices->size())) return {};
  return (*m_paPPDChoices)[static_cast<size_t>(item - 1)].ppdTitle();
}

bool PPDPopupControl::SetValueToTicket(PrintSettings* settings, bool locked) {
  const std::string choice = SelectedChoiceKeyword();
  if (choice.empty()) return false;
  PDEHostCallback* host = ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPDECallbackObj() : nullptr;
  if (host && !host->willChangePPDOptionKeyValue(keyword_, choice)) return false;
  return PopupControl::SetValueToTicket(settings, locked);
}

int PPDPopupControl::UpdateConflictsPanelControlFromPPD(ppd_file_t* ppd) {
  if (!ControlPtr || !m_paPPDChoices) return 0;
  const ConstraintIndex* index = ctrlParentPanelPtr ? ctrlParentPanelPtr->Getxppd() : nullptr;
  for (size_t i = 0; i < m_paPPDChoices->size(); ++i) {
    const std::string& choice = (*m_paPPDChoices)[i].ppdTitle();
    ControlPtr->SetItemEnabled(static_cast<int>(i),
                               !IsPPDChoiceConflicted(ppd, index, keyword_.c_str(), choice.c_str()));
  }
  return 0;
}

}  // namespace pdekit
