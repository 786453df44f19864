#include "faxpde/FaxPBPopupWinInPanel.h"

#include "pdekit/BaseControl.h"

namespace faxpde {

int FaxPBPopupWinInPanel::ActivateWindow() {
  exitState = false;
  return pdekit::PopupWinInPanel::ActivateWindow();
}

void FaxPBPopupWinInPanel::SetCurrentPanelControlValueToDefault() {
  for (const auto& control : getCtrlGroupArrayRef())
    if (control) control->SetControlValueToDefault();
}

}  // namespace faxpde
