// The base of every fax window: a child window that remembers whether it was left with OK.
#pragma once

#include <memory>
#include <string>

#include "pdekit/BasePrintPanel.h"

namespace faxpde {

class FaxPBPopupWinInPanel : public pdekit::PopupWinInPanel {
 public:
  using pdekit::PopupWinInPanel::PopupWinInPanel;

  // Clears the exit state, then shows the window modally as the base does.
  int ActivateWindow() override;

  bool getWinExitState() const { return exitState; }
  void setWinExitStateToOK() { exitState = true; }
  void setWinExitStateToCancel() { exitState = false; }
  // Every control of the window back to its default.
  void SetCurrentPanelControlValueToDefault();

 protected:
  bool exitState = false;
};

}  // namespace faxpde
