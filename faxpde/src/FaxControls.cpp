#include "faxpde/FaxControls.h"

#include <charconv>

#include "pdekit/BasePrintPanel.h"

namespace faxpde {

PPDStaticTextCtrl::PPDStaticTextCtrl(nx::platform::ui::Element* element, std::string keyword)
    : TitledControl(element, nullptr), keyword_(std::move(keyword)) {}

bool PPDStaticTextCtrl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  TitledControl::InitializeCtrl(bundle, ppd);
  ppd_option_t* option = ppd ? ppdFindOption(ppd, keyword_.c_str()) : nullptr;
  if (option && ControlPtr && option->text[0]) ControlPtr->SetTitle(option->text);
  return true;
}

DFaxPPDPopupListCtrl::DFaxPPDPopupListCtrl(nx::platform::ui::Element* element,
                                           const pdekit::DataAccessInfo* access,
                                           nx::platform::PrefUser user, std::string keyword,
                                           const char* summaryKey,
                                           std::vector<const char*> itemKeys)
    : PPDPopupControl(element, nullptr, nullptr, access, user, std::move(keyword)),
      summaryKey_(summaryKey),
      itemKeys_(std::move(itemKeys)) {}

bool DFaxPPDPopupListCtrl::GetValueToPreset() {
  uint8_t* block = GetControlBlkPtr();
  pdekit::PrintSettings* settings =
      ctrlParentPanelPtr ? ctrlParentPanelPtr->GetCurrentPMPrintSettings() : nullptr;
  const pdekit::DataAccessInfo* access = GetAccessInfo();
  if (!block || !settings || !access || !access->ticketKey) return false;
  std::string value;
  if (settings->GetValue(access->ticketKey, value) != pdekit::noErr) return false;
  int item = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), item);
  // A stale ticket from another PPD may name a choice this one does not have.
  if (ec != std::errc() || end != value.data() + value.size() || item < 1 || item > GetItemCount())
    return false;
  WriteInt(block, item);
  return true;
}

void DFaxPPDPopupListCtrl::GetSummaryText(pdekit::SummaryInfo& summary) {
  const int item = GetItemNumber();
  if (!summaryKey_ || !GetControlBlkPtr() || !ToGetSummaryText() || item < 1 ||
      item > static_cast<int>(itemKeys_.size()))
    return;
  AddSummaryLine(summary, LocalizedOrKey(summaryKey_), LocalizedOrKey(itemKeys_[item - 1]));
}

DFaxPopupListCtrl::DFaxPopupListCtrl(nx::platform::ui::Element* element,
                                     const pdekit::PopupIniData* ini,
                                     const pdekit::ConstrainTable* constrain,
                                     const pdekit::DataAccessInfo* access,
                                     nx::platform::PrefUser user, const char* summaryKey)
    : PopupControl(element, ini, constrain, access, user), summaryKey_(summaryKey) {}

void DFaxPopupListCtrl::GetSummaryText(pdekit::SummaryInfo& summary) {
  const int item = GetItemNumber();
  if (!summaryKey_ || !ini_ || !GetControlBlkPtr() || !ToGetSummaryText() || item < 1 ||
      item > GetItemCount())
    return;
  AddSummaryLine(summary, LocalizedOrKey(summaryKey_), LocalizedOrKey(ini_->itemKeys[item - 1]));
}

DFaxCheckBoxCtrl::DFaxCheckBoxCtrl(nx::platform::ui::Element* element,
                                   const pdekit::CheckBoxIniData* ini,
                                   const pdekit::DataAccessInfo* access, const char* summaryKey,
                                   const char* onKey, const char* offKey)
    : CheckBox(element, ini, nullptr, access, nx::platform::PrefUser::kCurrent),
      summaryKey_(summaryKey),
      onKey_(onKey),
      offKey_(offKey) {}

void DFaxCheckBoxCtrl::GetSummaryText(pdekit::SummaryInfo& summary) {
  if (!summaryKey_ || !GetControlBlkPtr() || !ToGetSummaryText()) return;
  AddSummaryLine(summary, LocalizedOrKey(summaryKey_),
                 LocalizedOrKey(GetState() ? onKey_ : offKey_));
}

}  // namespace faxpde
