// The recipient entry fields: character sets, lengths, the speed dial rules and the category
// popup, and the list view over the recipient model.
#include <algorithm>
#include <cstring>

#include "faxpde/FaxRecipientWindow.h"
#include "nx/ticket/recipient_ticket.h"
#include "nx/platform/services.h"
#include "nx/platform/text_encoding.h"
#include "pdekit/Localization.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/TextEditFormatter.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordInteger;
using nx::phonebook::FaxRecordText;

namespace {

constexpr const char* kTitleKey = "Warning_Add_Recipient_to_List_Win_Title_ID";
constexpr const char* kAllSpaceKey = "Warning_Add_All_Space_Recipient_to_List_Win_Content_ID";

// Refuses an edit that leaves the character set or the maximum; the name counts characters,
// the other fields display columns. Characters of U+0100 and above are checked by their
// Shift-JIS code where the field takes the JIS set.
class RecipientFieldFormatter final : public nx::platform::ui::TextFormatter {
 public:
  RecipientFieldFormatter(const pdekit::InputFilter* filter, int maxLength, bool countCharacters, bool byJIS,
                          nx::platform::ui::Toolkit* toolkit)
      : filter_(filter), max_(maxLength), chars_(countCharacters), jis_(byJIS), toolkit_(toolkit) {}
  bool IsPartialStringValid(const std::string& partial, std::string* error) override {
    const bool set = jis_ ? pdekit::validateInputByJIS(partial, *filter_) : pdekit::validateInput(partial, *filter_);
    const int length = chars_ ? CharacterCount(partial) : pdekit::GetStringLength(partial);
    if (set && length <= max_) return true;
    if (error) *error = pdekit::kStringTooLong;
    if (toolkit_) toolkit_->Beep();
    return false;
  }

 private:
  const pdekit::InputFilter* filter_;
  int max_;
  bool chars_, jis_;
  nx::platform::ui::Toolkit* toolkit_;
};

// Shows a field warning with the recipient title; the field becomes the first responder.
void ShowFieldWarning(pdekit::BaseControl& field, const FieldWarning& warning) {
  auto* window = field.GetParentPanel();
  if (!window) return;
  const nx::platform::Bundle* bundle = window->GetPDEBundleRef();
  auto& toolkit = window->GetServices().toolkit();
  if (bundle) {
    pdekit::RunLocalizedAlert(toolkit, *bundle, {}, nx::platform::ui::AlertStyle::kCritical, kTitleKey,
                              warning.textKey, {"OK Button Ctrl"}, warning.arguments);
  } else {
    nx::platform::ui::Alert alert;
    alert.title_key = kTitleKey;
    alert.text_key = warning.textKey;
    alert.arguments = warning.arguments;
    alert.buttons = {"OK Button Ctrl"};
    toolkit.RunAlert(alert);
  }
  if (auto* w = window->GetPanelWindow(); w && field.GetControlPtr()) w->MakeFirstResponder(field.GetControlPtr());
}

}  // namespace

// ---- Name ----

namespace {
const pdekit::TextEditIniData kJISNoLimits{"", "", 0, 0};
}

DFFaxNameTextEditCtrl::DFFaxNameTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini)
    : TextEditCtrl(element, ini, nullptr, nullptr, nx::platform::PrefUser::kCurrent, &kFaxJISInputFilter) {}

void DFFaxNameTextEditCtrl::InstallFormatter() {
  if (!ControlPtr || !ini_) return;
  ControlPtr->SetFormatter(std::make_shared<RecipientFieldFormatter>(filter_, static_cast<int>(ini_->maxWidth), true,
                                                                     true, Toolkit()));
}

bool DFFaxNameTextEditCtrl::DoSelfValidate() {
  GetValueFromUI();
  const int maxLength = ini_ ? static_cast<int>(ini_->maxWidth) : kMaxRecipientNameLength;
  if (auto warning = CheckNameText(GetUIText(), maxLength)) {
    // Spaces alone have their own warning; length and set are the field's standard message.
    if (warning->textKey == kAllSpaceKey) ShowFieldWarning(*this, *warning);
    else ShowValidationAlert(filter_->messageKey);
    return false;
  }
  return true;
}

DFJISTextEditCtrl::DFJISTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini)
    : TextEditCtrl(element, ini ? ini : &kJISNoLimits, nullptr, nullptr, nx::platform::PrefUser::kCurrent,
                   &kFaxJISInputFilter) {}

// ---- Fax number ----

DFFacNumberTextEdit::DFFacNumberTextEdit(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini)
    : TextEditCtrl(element, &limits_, nullptr, nullptr, nx::platform::PrefUser::kCurrent, &kFaxNumberInputFilter),
      limits_(ini ? *ini : pdekit::TextEditIniData{"", "", 1, 100}) {
  maxLength_ = static_cast<int>(limits_.maxWidth);
}

void DFFacNumberTextEdit::SetMaxLength(int maxLength) {
  maxLength_ = maxLength;
  limits_.maxWidth = static_cast<uint32_t>(maxLength);
  InstallFormatter();
}

void DFFacNumberTextEdit::InstallFormatter() {
  if (!ControlPtr) return;
  ControlPtr->SetFormatter(
      std::make_shared<RecipientFieldFormatter>(filter_, maxLength_, false, false, Toolkit()));
}

bool DFFacNumberTextEdit::DoSelfValidate() {
  GetValueFromUI();
  if (auto warning = CheckFaxNumberText(GetUIText(), maxLength_)) {
    ShowFieldWarning(*this, *warning);
    return false;
  }
  return true;
}

// ---- Speed dial ----

DFSpeedDialNumberTextEdit::DFSpeedDialNumberTextEdit(nx::platform::ui::Element* element,
                                                     const pdekit::TextEditIniData* ini)
    : TextEditCtrl(element, &limits_, nullptr, nullptr, nx::platform::PrefUser::kCurrent, &kSpeedDialInputFilter),
      limits_(ini ? *ini : pdekit::TextEditIniData{"", "", 1, 4}) {}

void DFSpeedDialNumberTextEdit::SetState(int speedDialStyle, bool expansionAvailable, int speedDialMaxNumber) {
  iSpeedDialStyle = speedDialStyle;
  bExpansionAvailable = expansionAvailable;
  iSpeedDialMaxNumber = speedDialMaxNumber;
  limits_.minWidth = 1;
  limits_.maxWidth = speedDialStyle == 0 ? 3 : 4;
  InstallFormatter();
}

void DFSpeedDialNumberTextEdit::InstallFormatter() {
  if (!ControlPtr) return;
  ControlPtr->SetFormatter(std::make_shared<RecipientFieldFormatter>(
      filter_, static_cast<int>(limits_.maxWidth), false, false, Toolkit()));
}

bool DFSpeedDialNumberTextEdit::DoSelfValidate() {
  GetValueFromUI();
  if (auto warning = CheckSpeedDialText(GetUIText(), IsThreeDigit(), bExpansionAvailable, iSpeedDialMaxNumber)) {
    ShowFieldWarning(*this, *warning);
    return false;
  }
  return true;
}

// ---- Category ----

namespace {
constexpr const char* kCategoryItems[] = {"Fax Category Fax", "Fax Category Speed Dial", "Fax Category IP Fax (SIP)",
                                          nullptr};
const pdekit::PopupIniData kCategoryIni{0, 1, -1, kCategoryItems};
const char* const kResAddressNames[] = {"Normal", "FaxAndPhonebook", "SpeedDial", "Phonebook"};
const char* const kGenerationNames[] = {"1", "2"};
}  // namespace

DFFaxCategoryPopupCtrl::DFFaxCategoryPopupCtrl(nx::platform::ui::Element* element, bool inRecipientWindow)
    : PopupControl(element, &kCategoryIni, nullptr, nullptr, nx::platform::PrefUser::kCurrent),
      inRecipientWindow_(inRecipientWindow) {}

void DFFaxCategoryPopupCtrl::InitializeMenu(int faxModule, ppd_file_t* ppd) {
  faxModule_ = faxModule;
  if (!ControlPtr) return;
  if (ControlPtr->ItemCount() != 3) BuildMenu();
  bool enabled[3] = {true, true, true};
  if (faxModule == 1 || faxModule == 2) enabled[kCategoryIPFax] = false;
  if (faxModule == 3) enabled[kCategoryFax] = false;
  if (ppd) {
    if (pdekit::GetValueFromPPD(ppd, "NXResAddress", kResAddressNames, 4) == 1) enabled[kCategorySpeedDial] = false;
    if (pdekit::GetValueFromPPD(ppd, "NXPlatformGeneration", kGenerationNames, 2) == 1)
      enabled[kCategorySpeedDial] = false;
  }
  for (int i = 0; i < 3; ++i) ControlPtr->SetItemEnabled(i, enabled[i]);
}

void DFFaxCategoryPopupCtrl::setDataBlkAccordingToFaxModule(int faxModule) {
  const int32_t item = faxModule == 3 ? 3 : 1;
  if (!GetControlBlkPtr()) AllocateDataBlocks(sizeof(int32_t));
  WriteInt(GetControlBlkPtr(), item);
  if (uint8_t* ui = GetValueFromUIDataBlk()) WriteInt(ui, item);
  if (ControlPtr) ControlPtr->SelectItem(item - 1);
}

int DFFaxCategoryPopupCtrl::GetControlValue() const { return SelectedIndex(); }

void DFFaxCategoryPopupCtrl::Select(int index) {
  if (ControlPtr) ControlPtr->SelectItem(index);
  GetValueFromUI();
}

bool DFFaxCategoryPopupCtrl::UIEventHandler() {
  const bool result = PopupControl::UIEventHandler();
  if (onChange_) onChange_();
  return result;
}

// ---- List view ----

FaxPBRecipientListView::FaxPBRecipientListView(nx::platform::ui::Element* element,
                                               nx::phonebook::FaxPBRecipientModel& model)
    : BaseControl(element, nullptr, nullptr, nx::platform::PrefUser::kCurrent), model_(model) {}

void FaxPBRecipientListView::reloadListView() {
  rowRecords_.clear();
  if (!ControlPtr) return;
  ControlPtr->RemoveAllItems();
  const auto& records = model_.getRecipientArray();
  for (size_t i = 0; i < records.size(); ++i) {
    auto row = RecipientRowText(records[i]);
    if (!row) continue;
    ControlPtr->AddRow({*row});
    rowRecords_.push_back(i);
  }
  ControlPtr->SelectRows({});
}

std::vector<size_t> FaxPBRecipientListView::currentSelectedItem() const {
  std::vector<size_t> out;
  if (!ControlPtr) return out;
  for (int row : ControlPtr->SelectedRows())
    if (row >= 0 && static_cast<size_t>(row) < rowRecords_.size()) out.push_back(rowRecords_[row]);
  return out;
}

std::vector<FaxRecord> FaxPBRecipientListView::getItems(const std::vector<size_t>& indexes) const {
  return model_.getRecipientAtIndexes(indexes);
}

void FaxPBRecipientListView::changeRecordTypeToPB(const FaxRecord& record) {
  const auto& records = model_.getRecipientArray();
  for (size_t i = 0; i < records.size(); ++i) {
    if (FaxRecordText(records[i], "Name") != FaxRecordText(record, "Name") ||
        FaxRecordText(records[i], "Address") != FaxRecordText(record, "Address"))
      continue;
    FaxRecord changed = record;
    nx::phonebook::FaxRecordSetText(changed, "RecodeType", std::to_string(nx::phonebook::kPhonebook_Fax_Type));
    model_.replaceRecipientWithIndex(i, std::move(changed), false);
    return;
  }
}

void FaxPBRecipientListView::RequestControlAction(nx::platform::ui::Element&) {
  if (onSelection_) onSelection_();
}

void FaxPBRecipientListView::SetOnDoubleClick(std::function<void()> f) {
  if (!ControlPtr) return;
  ControlPtr->SetDoubleAction([f = std::move(f)](nx::platform::ui::Element&) {
    if (f) f();
  });
}

}  // namespace faxpde
