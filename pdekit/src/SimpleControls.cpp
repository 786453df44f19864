// Buttons, group boxes and installable-option watchers; see SimpleControls.h.
#include "pdekit/SimpleControls.h"

#include <cstring>

namespace pdekit {

TitledControl::TitledControl(nx::platform::ui::Element* element, const char* titleKey)
    : BaseControl(element, nullptr, nullptr, nx::platform::PrefUser::kCurrent), titleKey_(titleKey) {}

bool TitledControl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  BaseControl::InitializeCtrl(bundle, ppd);
  if (ControlPtr && titleKey_) ControlPtr->SetTitle(LocalizedOrKey(titleKey_));
  return true;
}

InstallableControl::InstallableControl(nx::platform::ui::Element* element, std::string ppdMainKey,
                                       std::span<const InstallableConstrain> table)
    : BaseControl(element, nullptr, nullptr, nx::platform::PrefUser::kCurrent),
      kPPDMainKey(std::move(ppdMainKey)),
      table_(table) {}

int InstallableControl::ConstrainPanelControlFromPPD(ppd_file_t* ppd) {
  if (!ppd) return 0;
  ppd_choice_t* marked = ppdFindMarkedChoice(ppd, kPPDMainKey.c_str());
  if (!marked) return 0;
  for (const InstallableConstrain& row : table_) {
    if (!row.choice) break;
    if (std::strcmp(row.choice, marked->choice) == 0) {
      DisableControlConstrains(row.disable);
      return 1000;
    }
  }
  return 0;
}

}  // namespace pdekit
