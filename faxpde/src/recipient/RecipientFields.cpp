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

const pdekit::InputFilter kFaxJISInputFilter{
    0, {}, 6, {{0x20, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7E}, {0xA0, 0xDF}, {0x8140, 0xF040}, {0xF9FC, 0xFCFC}},
    "Warning_Add_Recipient_to_List_Win_Content_ID"};
const pdekit::InputFilter kFaxNumberInputFilter{
    0, {}, 3, {{0x20, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7E}}, "Warning_Invalid_Input_Number_ID"};
const pdekit::InputFilter kSpeedDialInputFilter{
    0, {}, 2, {{0x2A, 0x2A}, {0x30, 0x39}}, "Warning_Add_Recipient_to_List_Win_PPC_Content_ID"};
const pdekit::InputFilter kEmailInputFilter{0, {}, 1, {{0x21, 0x7E}}, "Warning_Invalid_Input_Number_ID"};

namespace {

constexpr const char* kTitleKey = "Warning_Add_Recipient_to_List_Win_Title_ID";
constexpr const char* kLengthKey = "Warning_Add_Recipient_to_List_Win_Content_ID";
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

bool Matches(const char* pattern, const std::string& text) { return pdekit::regexp(pattern, text.c_str()) == 0; }

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

// ---- Rules ----

int CharacterCount(std::string_view text) {
  int n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

bool IsAllSpaceText(std::string_view text) { return !text.empty() && pdekit::IsAllSpace(text); }

int SpeedDialUpperBound(bool threeDigit, bool expansionAvailable, int speedDialType) {
  if (threeDigit) return expansionAvailable ? 999 : 500;
  return speedDialType == 2 ? 5000 : 2000;
}

std::optional<FieldWarning> CheckSpeedDialText(std::string_view view, bool threeDigit, bool expansionAvailable,
                                               int speedDialType) {
  const std::string text(view);
  const size_t maxLength = threeDigit ? 3 : 4;
  if (text.empty() || text.size() > maxLength) return FieldWarning{kLengthKey, {}};
  if (threeDigit) {
    if (!Matches("^[0-9]{0,2}[*]{1}$|^[0-9]{0,1}[*]{2}$|^[0-9]{1,3}$|^[*]{3}$", text))
      return FieldWarning{"Warning_Add_Recipient_to_List_Win_PPC_Content_ID", {}};
  } else if (!Matches("^[0-9]{0,3}[*]{1}$|^[0-9]{0,2}[*]{2}$|^[0-9]{1,4}$", text)) {
    return FieldWarning{"Warning_Add_Recipient_to_List_Win_Mini_Content_ID", {}};
  }
  // The lowest number named: stars as zeros; speed dial 0 does not exist, so a text of zeros and
  // stars names 1 first.
  std::string lowest = text;
  std::replace(lowest.begin(), lowest.end(), '*', '0');
  int number = pdekit::getIntFromString(lowest.c_str(), static_cast<int>(lowest.size()));
  const char* zerosAndStars = threeDigit ? "^[0]{0,2}[*]{1,2}$|^[*]{3}$" : "^[0]{0,3}[*]{1,2}$";
  if (Matches(zerosAndStars, text)) number += 1;
  const int bound = SpeedDialUpperBound(threeDigit, expansionAvailable, speedDialType);
  if (number < 1 || number > bound)
    return FieldWarning{"Warning_Add_Recipient_to_List_Win_Range_Content_ID",
                        {std::to_string(bound), std::to_string(bound)}};
  return std::nullopt;
}

std::optional<FieldWarning> CheckFaxNumberText(std::string_view text, int maxLength) {
  const int length = pdekit::GetStringLength(text);
  if (length < 1 || length > maxLength) return FieldWarning{kLengthKey, {}};
  if (IsAllSpaceText(text)) return FieldWarning{kAllSpaceKey, {}};
  // The set admits the double quote and braces, which no recipient item can carry: the number
  // would be dropped from the job when it prints, so it is refused here.
  if (!pdekit::validateInput(text, kFaxNumberInputFilter) || !nx::ticket::IsRecipientAddressText(text))
    return FieldWarning{"Warning_Invalid_Input_Number_ID", {}};
  return std::nullopt;
}

std::string PadSpeedDial(std::string_view text, bool threeDigit) {
  const size_t width = threeDigit ? 3 : 4;
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), '0') + std::string(text);
}

std::optional<std::string> RecipientRowText(const FaxRecord& record) {
  const long long type = FaxRecordInteger(record, "RecodeType");
  const std::string& name = FaxRecordText(record, "Name");
  const std::string& address = FaxRecordText(record, "Address");
  if (type == nx::phonebook::kSpeedDial_Fax_Type) return name + " <'" + address + "'>";
  if (type == nx::phonebook::kNormal_Fax_Type || type == nx::phonebook::kPhonebook_Fax_Type)
    return name + " <" + address + ">";
  return std::nullopt;
}

std::optional<AddLimitWarning> CheckAddLimits(long long existing, long long adding, size_t records,
                                              int maximumRecords, bool oneRecipientOnly) {
  if (oneRecipientOnly) {
    if (adding >= 2) return AddLimitWarning{"Waring_Restriction_Of_Faxing_Muti_Address_Transmission_SpeedDial_ID", {}};
    if (existing >= 1)
      return AddLimitWarning{"Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID", {}};
  }
  constexpr const char* kExceeding = "Warning_Add_Recipient_Exceeding_Maximum_Num_Content_Title_ID";
  if (existing + adding > kMaxRealRecipients)
    return AddLimitWarning{kExceeding,
                           {std::to_string(kMaxRealRecipients), std::to_string(existing + adding - kMaxRealRecipients)}};
  if (maximumRecords > 0 && records >= static_cast<size_t>(maximumRecords)) {
    // A list of speed dials that name nobody counts fewer destinations than records; the excess
    // shown is at least the one record refused.
    const long long excess = std::max<long long>(1, existing + adding - maximumRecords);
    return AddLimitWarning{kExceeding, {std::to_string(maximumRecords), std::to_string(excess)}};
  }
  return std::nullopt;
}

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
  const std::string text = GetUIText();
  if (IsAllSpaceText(text)) {
    ShowFieldWarning(*this, FieldWarning{kAllSpaceKey, {}});
    return false;
  }
  const int length = CharacterCount(text);
  const int maxLength = ini_ ? static_cast<int>(ini_->maxWidth) : 18;
  if (length > maxLength || !pdekit::validateInputByJIS(text, *filter_)) {
    ShowValidationAlert(filter_->messageKey);
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
