// The recipient information window: shows a listed recipient and lets the user change its name,
// category, number and contact fields; the edited record replaces the one in the list.
#pragma once

#include <memory>
#include <string>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "nx/phonebook/fax_record.h"
#include "pdekit/TextEditCtrl.h"

namespace faxpde {

class FaxRecipientWindowsClass;
class DFFaxNameTextEditCtrl;
class DFFaxCategoryPopupCtrl;
class DFFacNumberTextEdit;
class DFSpeedDialNumberTextEdit;
class DFJISTextEditCtrl;

// Element tags (layout "RecipientInformation").
enum RecipientInfoTag {
  kInfoNameLabel = 1, kInfoName = 2, kInfoCategoryLabel = 3, kInfoCategory = 4, kInfoCompanyLabel = 5,
  kInfoCompany = 6, kInfoFaxLabel = 7, kInfoFax = 8, kInfoSpeedDialLabel = 9, kInfoSpeedDial = 10,
  kInfoTelLabel = 11, kInfoTel = 12, kInfoEmailLabel = 13, kInfoEmail = 14, kInfoMemoLabel = 15,
  kInfoMemo = 16, kInfoCancel = 17, kInfoOK = 18, kInfoHelp = 19,
};

class RecipientInformationWindowsClass : public FaxPBPopupWinInPanel {
 public:
  RecipientInformationWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                   pdekit::PDEHostCallback* host, nx::platform::Services& services,
                                   FaxRecipientWindowsClass& recipientWindow);
  bool CreateDialog();
  // Opens the window on the list record at `index`.
  int ActivateWindow(size_t index);
  using FaxPBPopupWinInPanel::ActivateWindow;
  void SetCurrentValueToUI(const nx::phonebook::FaxRecord& record);
  using FaxPBPopupWinInPanel::SetCurrentValueToUI;
  const nx::phonebook::FaxRecord& getCurrentEditRecord() const { return current_EditRecord; }
  DFFaxNameTextEditCtrl* getNameCtrl() const { return name_.get(); }
  DFFaxCategoryPopupCtrl* getCategoryCtrl() const { return category_.get(); }
  DFFacNumberTextEdit* getFaxNumberCtrl() const { return fax_.get(); }
  DFSpeedDialNumberTextEdit* getSpeedDialCtrl() const { return speedDial_.get(); }

 private:
  void OnOK();
  void OnCategoryChanged(bool clear);
  void ApplyRestriction();

  FaxRecipientWindowsClass& recipientWindow_;
  nx::phonebook::FaxRecord current_EditRecord;
  size_t editIndex_ = 0;
  std::shared_ptr<DFFaxNameTextEditCtrl> name_;
  std::shared_ptr<DFFaxCategoryPopupCtrl> category_;
  std::shared_ptr<DFFacNumberTextEdit> fax_;
  std::shared_ptr<DFSpeedDialNumberTextEdit> speedDial_;
  std::shared_ptr<DFJISTextEditCtrl> company_, tel_, memo_;
  std::shared_ptr<pdekit::TextEditCtrl> email_;
};

}  // namespace faxpde
