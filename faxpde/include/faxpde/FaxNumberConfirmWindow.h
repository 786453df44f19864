// The fax number confirmation window: the user types the fax number (or speed dial number) a
// second time; only an exact match lets the recipient through.
#pragma once

#include <memory>
#include <string>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "pdekit/TextEditCtrl.h"

namespace faxpde {

class FaxRecipientWindowsClass;
class DFFacNumberTextEdit;
class DFSpeedDialNumberTextEdit;

// Element tags (layout "FaxNumberConfirm").
enum FaxNumberConfirmTag {
  kConfSourceLabel = 1, kConfSource = 2, kConfFaxLabel = 3, kConfFax = 4, kConfSpeedDialLabel = 5,
  kConfSpeedDial = 6, kConfOK = 7, kConfCancel = 8, kConfHelp = 9,
};

// Where the number to confirm comes from.
inline constexpr int kFaxNumSourceRecipientWindow = 1;
inline constexpr int kFaxNumSourceInformationWindow = 2;

class FaxNumberConfirmWindowsClass : public FaxPBPopupWinInPanel {
 public:
  FaxNumberConfirmWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                               pdekit::PDEHostCallback* host, nx::platform::Services& services,
                               FaxRecipientWindowsClass& recipientWindow);
  bool CreateDialog();
  // Shows `shown` (typed in the source window) for re-entry; `speedDial` picks the speed dial
  // field, else the fax number field limited to `maxLength`. The result is left in the recipient
  // window's confirmation status.
  int ActivateWindow(int source, const std::string& shown, bool speedDial, int maxLength);
  using FaxPBPopupWinInPanel::ActivateWindow;
  int getFaxNumberSource() const { return faxNumSrc; }
  pdekit::TextEditCtrl* getSourceFieldCtrl() const { return source_.get(); }
  DFFacNumberTextEdit* getConfirmFaxNumberCtrl() const { return fax_.get(); }
  DFSpeedDialNumberTextEdit* getConfirmSpeedDialCtrl() const { return speedDial_.get(); }

 private:
  void OnOK();
  void OnCancel();

  FaxRecipientWindowsClass& recipientWindow_;
  int faxNumSrc = kFaxNumSourceRecipientWindow;
  bool speedDialShown_ = false;
  std::shared_ptr<pdekit::TextEditCtrl> source_;
  std::shared_ptr<DFFacNumberTextEdit> fax_;
  std::shared_ptr<DFSpeedDialNumberTextEdit> speedDial_;
};

}  // namespace faxpde
