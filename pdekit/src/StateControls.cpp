// Check boxes, radio buttons and radio groups; see StateControls.h.
#include "pdekit/StateControls.h"

#include <algorithm>
#include <cstring>

#include "ControlSupport.h"
#include "pdekit/BasePrintPanel.h"

namespace pdekit {

// ---- StateControl ----

bool StateControl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  BaseControl::InitializeCtrl(bundle, ppd);
  // A new control holds its default until a stored value replaces it, so that controls
  // without a preference key start from their default too.
  if (AllocateDataBlocks(sizeof(int32_t))) SetControlValueToDefault();
  return true;
}

int32_t StateControl::ElementState() const { return ControlPtr ? ControlPtr->IntValue() : 0; }

uint8_t* StateControl::GetValueFromUI() {
  uint8_t* ui = GetValueFromUIDataBlk();
  if (!ui || !ControlPtr) return nullptr;
  WriteInt(ui, ElementState());
  ctrlDataSize = sizeof(int32_t);
  return ui;
}

void StateControl::SetControlValueToUI() {
  if (ControlPtr && GetControlBlkPtr()) ControlPtr->SetIntValue(ReadInt(GetControlBlkPtr()));
}

bool StateControl::SetControlValueToUIBlk(const void* value, size_t size) {
  uint8_t* ui = GetValueFromUIDataBlk();
  if (!ui || !value || size != sizeof(int32_t)) return false;
  std::memcpy(ui, value, sizeof(int32_t));
  if (ControlPtr) ControlPtr->SetIntValue(ReadInt(ui));
  return true;
}

void StateControl::SetExternalValueToUI(const void* value, uint32_t size) {
  if (!ControlPtr || !value || size < sizeof(int32_t)) return;
  ControlPtr->SetIntValue(ReadInt(static_cast<const uint8_t*>(value)));
}

bool StateControl::ConvertToTickectData(std::string& out) {
  if (!GetControlBlkPtr()) return false;
  out = DecimalText(ReadInt(GetControlBlkPtr()));
  return true;
}

bool StateControl::ConvertToPreferenceString(std::string& out) { return ConvertToTickectData(out); }

bool StateControl::ConvertFromPreferenceString(std::string_view text) {
  uint8_t* block = GetControlBlkPtr();
  if (!block) return false;
  const int32_t state = SafeAtoi(text);
  WriteInt(block, state);
  StateLoaded(state);
  return true;
}

bool StateControl::GetValueToPreset() {
  uint8_t* block = GetControlBlkPtr();
  PrintSettings* settings = ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPMPrintSettings() : nullptr;
  if (!block || !settings || !ctrlDataAccessInfoPtr || !ctrlDataAccessInfoPtr->ticketKey) return false;
  std::string value;
  if (settings->GetValue(ctrlDataAccessInfoPtr->ticketKey, value) != noErr) return false;
  const auto state = ParseLeadingInteger(value);
  if (!state) return false;
  WriteInt(block, *state);
  StateLoaded(*state);
  return true;
}

int StateControl::GetCurrentControlArrayNumber() const { return ReadInt(GetValueFromUIDataBlk()); }

void StateControl::DoControlUpdateConstrain() {
  if (ControlPtr && GetValueFromUIDataBlk() && ElementState() != ReadInt(GetValueFromUIDataBlk()))
    BaseControl::DoControlUpdateConstrain();
}

void StateControl::DoControlConstrain() {
  if (!ControlPtr || !ctrlConstrainControlArray || !GetValueFromUIDataBlk()) return;
  const int32_t now = ElementState();
  const int32_t before = ReadInt(GetValueFromUIDataBlk());
  if (now == before) return;
  DisableControlConstrains(ListFor(ctrlConstrainControlArray->disableLists, now));
  if (before >= 0) EnableControlConstrains(ListFor(ctrlConstrainControlArray->disableLists, before));
}

void StateControl::DoControlHideConstrain() {
  if (!ControlPtr || !ctrlConstrainControlArray || !GetValueFromUIDataBlk()) return;
  const int32_t now = ElementState();
  const int32_t before = ReadInt(GetValueFromUIDataBlk());
  if (now == before) return;
  HideControlConstrains(ListFor(ctrlConstrainControlArray->hideLists, now));
  if (before >= 0) ShowControlConstrains(ListFor(ctrlConstrainControlArray->hideLists, before));
}

void StateControl::Update() {
  // Refresh lists may name each other; a control already refreshing is left alone.
  if (updating_ || !ControlPtr || !GetValueFromUIDataBlk()) return;
  if (ElementState() == ReadInt(GetValueFromUIDataBlk())) return;
  updating_ = true;
  UIEventHandler();
  GetValueFromUI();
  updating_ = false;
}

// ---- CheckBox ----

CheckBox::CheckBox(nx::platform::ui::Element* element, const CheckBoxIniData* ini, const ConstrainTable* constrain,
                   const DataAccessInfo* access, nx::platform::PrefUser user)
    : StateControl(element, constrain, access, user), ini_(ini) {}

bool CheckBox::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  StateControl::InitializeCtrl(bundle, ppd);
  if (ControlPtr && ini_ && ini_->titleKey) ControlPtr->SetTitle(LocalizedOrKey(ini_->titleKey));
  return true;
}

void CheckBox::GetSummaryText(SummaryInfo& summary) {
  if (!ini_ || !ini_->titleKey || !GetControlBlkPtr() || !ToGetSummaryText()) return;
  AddSummaryLine(summary, LocalizedOrKey(ini_->titleKey), LocalizedOrKey(GetState() == 1 ? "On" : "Off"));
}

// ---- RadioButton ----

RadioButton::RadioButton(nx::platform::ui::Element* element, const RadioButtonIniData* ini,
                         const ConstrainTable* constrain, const DataAccessInfo* access, nx::platform::PrefUser user)
    : StateControl(element, constrain, access, user), ini_(ini) {}

bool RadioButton::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  StateControl::InitializeCtrl(bundle, ppd);
  if (ControlPtr && ini_ && ini_->titleKey) ControlPtr->SetTitle(LocalizedInDefaultTable(ini_->titleKey));
  return true;
}

void RadioButton::StateLoaded(int32_t state) {
  if (state >= 1 && group_) group_->SetGrpcurRadio(*this);
}

void RadioButton::RequestControlAction(nx::platform::ui::Element& sender) {
  if (ElementState() >= 1 && group_) {
    group_->SwitchOthersOff(*this);
    group_->SetGrpcurRadio(*this);
  }
  StateControl::RequestControlAction(sender);
}

bool RadioButton::SimulationUIEventHandler() {
  if (group_ && group_->GetcurRadio() < 0) group_->SetcurRadio(0);
  return StateControl::SimulationUIEventHandler();
}

void RadioButton::SetControlValueToUI() {
  StateControl::SetControlValueToUI();
  if (GetControlBlkPtr()) StateLoaded(GetState());
}

void RadioButton::GetSummaryText(SummaryInfo& summary) {
  if (!ini_ || !ini_->titleKey || !ini_->summaryTitleKey || !GetControlBlkPtr() || GetState() < 1 ||
      !ToGetSummaryText())
    return;
  AddSummaryLine(summary, LocalizedInDefaultTable(ini_->summaryTitleKey), LocalizedInDefaultTable(ini_->titleKey));
}

// ---- RadioGroup ----

RadioGroup::~RadioGroup() {
  for (auto& b : fCtrlGroupArray)
    if (b->GetRadioGroup() == this) b->SetRadioGroup(nullptr);
}

int RadioGroup::RunTimeAddNewControl(std::shared_ptr<RadioButton> button) {
  if (!button) return GetCount();
  button->SetRadioGroup(this);
  fCtrlGroupArray.push_back(std::move(button));
  return GetCount() - 1;
}

void RadioGroup::SetGrpcurRadio(const RadioButton& button) {
  const int tag = button.GetControlTag();
  for (int i = 0; i < GetCount(); ++i) {
    if (fCtrlGroupArray[static_cast<size_t>(i)]->GetControlTag() == tag) {
      curRadio = i;
      return;
    }
  }
}

void RadioGroup::SetcurRadio(int index) {
  if (index >= 0 && index < GetCount()) curRadio = index;
}

RadioButton* RadioGroup::GetRadio(int index) const {
  return index >= 0 && index < GetCount() ? fCtrlGroupArray[static_cast<size_t>(index)].get() : nullptr;
}

void RadioGroup::GetValueFromUI() {
  for (auto& b : fCtrlGroupArray) b->GetValueFromUI();
}

void RadioGroup::SwitchOthersOff(const RadioButton& on) {
  for (auto& b : fCtrlGroupArray) {
    if (b.get() == &on) continue;
    if (auto* e = b->GetControlPtr(); e && e != on.GetControlPtr()) e->SetIntValue(0);
  }
}

}  // namespace pdekit
