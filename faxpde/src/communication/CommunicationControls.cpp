#include "communication/CommunicationControls.h"

#include <algorithm>

#include "faxpde/CommunicationSettingsWindow.h"
#include "nx/platform/services.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

namespace {

constexpr const char* kOKButtonKey = "OK Button Ctrl";
constexpr int kG4AutoItem = 2;

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Enabled and shown: the only state in which a field is checked.
bool Active(const nx::platform::ui::Element* element) {
  return element && element->IsEnabled() && !element->IsHidden();
}

}  // namespace

void ShowCommunicationAlert(pdekit::BasePrintPanel& window, const char* titleKey, const char* textKey) {
  nx::platform::ui::Toolkit& toolkit = window.GetServices().toolkit();
  const std::string title = titleKey ? titleKey : "";
  const std::string text = textKey ? textKey : "";
  if (const nx::platform::Bundle* bundle = window.GetPDEBundleRef()) {
    pdekit::RunLocalizedAlert(toolkit, *bundle, window.GetLocalizeTableName(), nx::platform::ui::AlertStyle::kCritical,
                              title, text, {kOKButtonKey});
    return;
  }
  nx::platform::ui::Alert alert;
  alert.title_key = alert.message_text = title;
  alert.text_key = alert.informative_text = text;
  alert.buttons = {kOKButtonKey};
  toolkit.RunAlert(alert);
}

// ---- Mode menu ----

void FaxPBCommunicationModePopupListCtrl::BuildMenu() {
  PopupControl::BuildMenu();
  if (ControlPtr && ControlPtr->ItemCount() > kG4AutoItem) ControlPtr->SetItemEnabled(kG4AutoItem, kit_);
}

// ---- Send type radios ----

FaxPBCommunicationSettingsWinRadioButton::FaxPBCommunicationSettingsWinRadioButton(
    nx::platform::ui::Element* element, const pdekit::RadioButtonIniData* ini, int index,
    FaxPBCommunicationSettingsWindowsClass& window)
    : RadioButton(element, ini, nullptr, nullptr, nx::platform::PrefUser::kCurrent), index_(index), window_(window) {}

void FaxPBCommunicationSettingsWinRadioButton::RequestControlAction(nx::platform::ui::Element& sender) {
  if (ControlPtr && ControlPtr->IntValue() == 1) {
    // The radio that was on before this click (its element is not switched off yet).
    int from = -1;
    if (pdekit::RadioGroup* group = GetRadioGroup())
      for (int i = 0; i < group->GetCount(); ++i)
        if (auto* other = dynamic_cast<FaxPBCommunicationSettingsWinRadioButton*>(group->GetRadio(i));
            other && other != this && other->GetControlPtr() && other->GetControlPtr()->IntValue() == 1)
          from = other->GetIndex();
    if (from >= 0 && !window_.OnSendTypeLeaving(from, index_)) {
      ControlPtr->SetIntValue(0);
      return;
    }
  }
  RadioButton::RequestControlAction(sender);
  window_.ApplyEnabling();
}

FaxPBCommunicationCheckBox::FaxPBCommunicationCheckBox(nx::platform::ui::Element* element,
                                                       const pdekit::CheckBoxIniData* ini,
                                                       std::function<void()> changed)
    : CheckBox(element, ini, nullptr, nullptr, nx::platform::PrefUser::kCurrent), changed_(std::move(changed)) {}

void FaxPBCommunicationCheckBox::RequestControlAction(nx::platform::ui::Element& sender) {
  CheckBox::RequestControlAction(sender);
  if (changed_) changed_();
}

// ---- Text fields ----

FaxPBIDTextEditCtrl::FaxPBIDTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
                                         const pdekit::InputFilter* filter, int minValue, int maxValue,
                                         const char* titleKey)
    : TextEditCtrl(element, ini, nullptr, nullptr, nx::platform::PrefUser::kCurrent, filter),
      minValue_(minValue),
      maxValue_(maxValue),
      titleKey_(titleKey) {}

bool FaxPBIDTextEditCtrl::PreInvalidateData() {
  if (!Active(ControlPtr) || !ini_) return true;
  const std::string text = GetUIText();
  bool valid = text.size() >= ini_->minWidth && text.size() <= ini_->maxWidth && AllDigits(text);
  if (valid) {
    // At most a few digits by now, so the value cannot overflow.
    const int value = text.empty() ? 0 : std::stoi(text);
    valid = value >= minValue_ && value <= maxValue_;
  }
  if (valid) return true;
  const std::string message = filter_ && filter_->messageKey ? filter_->messageKey : "";
  // The plain mailbox message has a title of its own; the other messages use the field's.
  const char* title = message == "Warning_MAILBOX_ID" ? "Warning_Invalid_MAILBOX_ID" : titleKey_;
  if (ctrlParentPanelPtr) ShowCommunicationAlert(*ctrlParentPanelPtr, title, message.c_str());
  return false;
}

FaxPBMailboxPasscodeTextEditCtrl::FaxPBMailboxPasscodeTextEditCtrl(nx::platform::ui::Element* element,
                                                                   const pdekit::TextEditIniData* ini,
                                                                   const pdekit::InputFilter* filter)
    : TextEditCtrl(element, ini, nullptr, nullptr, nx::platform::PrefUser::kCurrent, filter) {}

bool FaxPBMailboxPasscodeTextEditCtrl::PreInvalidateData() {
  if (!Active(ControlPtr)) return true;
  const std::string text = GetUIText();
  if (text.empty() || (text.size() == 4 && AllDigits(text))) return true;
  if (ctrlParentPanelPtr)
    ShowCommunicationAlert(*ctrlParentPanelPtr, "Warning_Invalid_RELAY_STATION_ID", "Warning_MAILBOX_Passcode_ID");
  return false;
}

FaxPBDestinationIDEditCtrl::FaxPBDestinationIDEditCtrl(nx::platform::ui::Element* element,
                                                       const pdekit::TextEditIniData* ini,
                                                       const pdekit::InputFilter* filter)
    : TextEditCtrl(element, ini, nullptr, nullptr, nx::platform::PrefUser::kCurrent, filter) {}

// ---- Destination list ----

FaxPBDestinationIDListView::FaxPBDestinationIDListView(nx::platform::ui::Element* element)
    : BaseControl(element, nullptr, nullptr, nx::platform::PrefUser::kCurrent) {}

bool FaxPBDestinationIDListView::isConflict(const std::string& text) const {
  return std::find(rows_.begin(), rows_.end(), text) != rows_.end();
}

void FaxPBDestinationIDListView::addOneRecord(const std::string& text) {
  rows_.push_back(text);
  if (!ControlPtr) return;
  ControlPtr->AddRow({text});
  ControlPtr->SelectRows({static_cast<int>(rows_.size()) - 1});
}

void FaxPBDestinationIDListView::addRecords(const std::vector<std::string>& texts) {
  for (const auto& text : texts) {
    rows_.push_back(text);
    if (ControlPtr) ControlPtr->AddRow({text});
  }
}

void FaxPBDestinationIDListView::removeSelectedRecord() {
  if (!ControlPtr) return;
  std::vector<int> selected = ControlPtr->SelectedRows();
  std::sort(selected.rbegin(), selected.rend());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  for (int row : selected)
    if (row >= 0 && row < recordCount()) rows_.erase(rows_.begin() + row);
  ShowRows();
}

void FaxPBDestinationIDListView::SetControlValueToDefault() {
  rows_.clear();
  ShowRows();
}

void FaxPBDestinationIDListView::SetControlValueToUI() { ShowRows(); }

void FaxPBDestinationIDListView::ShowRows() {
  if (!ControlPtr) return;
  ControlPtr->RemoveAllItems();
  for (const auto& text : rows_) ControlPtr->AddRow({text});
}

bool FaxPBDestinationIDListView::PreInvalidateData() {
  if (!Active(ControlPtr) || !rows_.empty()) return true;
  if (ctrlParentPanelPtr)
    ShowCommunicationAlert(*ctrlParentPanelPtr, "Warning_Invalid_RELAY_STATION_ID", "Warning_DESTINATION_ID");
  return false;
}

// ---- OK ----

FaxPBCommunicationSettingsWinOKButton::FaxPBCommunicationSettingsWinOKButton(
    nx::platform::ui::Element* element, FaxPBCommunicationSettingsWindowsClass& window)
    : BaseButton(element, "Fax Phonebook Communication Settings Window OK Button"), window_(window) {}

void FaxPBCommunicationSettingsWinOKButton::ButtonAction() { window_.OnOK(); }

}  // namespace faxpde
