// The phonebook's entry windows: the individual entry window (new and edit), the group entry
// window (members, properties) and the group properties window (the members of one group).
//
// Each is built from its layout ("FaxPBIndividualEntry", "FaxPBGroupEntry",
// "FaxPBGroupProperties"), then CreateDialog(), then made a child window of the owning panel or
// window (RunTimeAddNewWindow) or initialised with InitializeUserPane. The windows work on the
// FaxPhonebookModel handed to them (not owned) and answer from ActivateWindow whether the book
// changed; the model saves every change to the phonebook file at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "faxpde/CommunicationSettingsWindow.h"
#include "faxpde/FaxPBPopupWinInPanel.h"
#include "nx/phonebook/fax_record.h"

namespace nx::phonebook {
class FaxPhonebookModel;
}

namespace faxpde {

// Element tags of the layout "FaxPBIndividualEntry".
enum FaxPBIndividualEntryTag {
  kIndOK = 10, kIndCancel = 11, kIndHelp = 12, kIndCommunication = 13,
  kIndNameLabel = 20, kIndName = 21, kIndCompanyLabel = 22, kIndCompany = 23,
  kIndCategoryLabel = 24, kIndCategory = 25, kIndAddressLabel = 26, kIndAddress = 27,
  kIndTelLabel = 28, kIndTel = 29, kIndEmailLabel = 30, kIndEmail = 31, kIndMemoLabel = 32, kIndMemo = 33,
};

// Element tags of the layout "FaxPBGroupEntry".
enum FaxPBGroupEntryTag {
  kGrpOK = 10, kGrpCancel = 11, kGrpHelp = 12,
  kGrpNameLabel = 20, kGrpName = 21, kGrpSearch = 22, kGrpIndividualList = 23,
  kGrpProperties = 24, kGrpAddTo = 25, kGrpMemberList = 26, kGrpDelete = 27,
};

// Element tags of the layout "FaxPBGroupProperties".
enum FaxPBGroupPropertiesTag {
  kGrpPropClose = 10, kGrpPropHelp = 12, kGrpPropList = 20, kGrpPropProperties = 21,
};

// Opening states of the entry windows.
inline constexpr int kEntryStateNew = 0;
inline constexpr int kEntryStateEdit = 1;
inline constexpr int kEntryStateEditSelected = 2;
// Shown only: nothing can be changed and OK stores nothing (opened from a group's properties).
inline constexpr int kEntryStateReadOnly = 3;

// Where the individual entry window was opened from.
inline constexpr int kOpenFromPhonebookList = 0;
inline constexpr int kOpenFromGroupEntry = 1;
inline constexpr int kOpenFromGroupProperties = 2;

class FaxPBNewIndividualEntryWindowsClass : public FaxPBPopupWinInPanel {
 public:
  FaxPBNewIndividualEntryWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                      pdekit::PDEHostCallback* host, nx::platform::Services& services);
  ~FaxPBNewIndividualEntryWindowsClass() override;

  // Builds the controls; false when the window lacks one of its elements.
  bool CreateDialog();
  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;

  // The book the window adds to and edits (not owned). Without one OK refuses nothing and
  // stores nothing.
  void setPhonebookModel(nx::phonebook::FaxPhonebookModel* model) { model_ = model; }
  // The communication settings window the Communication button opens (not owned; the button is
  // disabled without one), and the device it is opened for.
  void setCommunicationWindow(FaxPBCommunicationSettingsWindowsClass* window) { comm_ = window; }
  void setDeviceState(const CommunicationDeviceState& device) { device_ = device; }
  bool isSandbox = false;

  // Opens the window modally: kEntryStateNew starts from a new fax record (`record` unused),
  // the edit states from a copy of `record` (an individual of the book). True when the book
  // changed (the entry was added or replaced and saved).
  bool ActivateWindow(const nx::phonebook::FaxRecord* record, int openState, int openFrom);
  using FaxPBPopupWinInPanel::ActivateWindow;

  void SetCurrentValueToUI(const nx::phonebook::FaxRecord& record);
  using FaxPBPopupWinInPanel::SetCurrentValueToUI;
  // The entry the controls describe (the edited record with the fields written in).
  nx::phonebook::FaxRecord getIndividualEntrySettings();
  const nx::phonebook::FaxRecord& getCurrentEditRecord() const { return current_EditRecord; }
  int getPanelState() const { return m_PanelState; }
  int getPanelOpenFrom() const { return m_PanelFrom; }
  // The Id of the entry added by the last OK in the new state.
  const std::string& getAddedID() const { return addedId_; }

  void OnOK();
  void OnCommunication();

 private:
  void ShowAlert(const std::string& titleKey, const std::string& textKey,
                 const std::vector<std::string>& arguments = {});
  std::string TitleKey() const;

  nx::phonebook::FaxPhonebookModel* model_ = nullptr;
  FaxPBCommunicationSettingsWindowsClass* comm_ = nullptr;
  CommunicationDeviceState device_;
  nx::phonebook::FaxRecord current_EditRecord;
  int m_PanelState = kEntryStateNew;
  int m_PanelFrom = kOpenFromPhonebookList;
  bool changed_ = false;
  bool created_ = false;
  bool initialised_ = false;
  std::string addedId_;
  nx::phonebook::FaxRecord original_;  // the entry as the list had it (edit states)
};

class FaxPBGroupPropertiesWindowsClass;

class FaxPBNewGroupEntryWindowsClass : public FaxPBPopupWinInPanel {
 public:
  FaxPBNewGroupEntryWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                 pdekit::PDEHostCallback* host, nx::platform::Services& services);
  ~FaxPBNewGroupEntryWindowsClass() override;

  bool CreateDialog();
  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;

  void setPhonebookModel(nx::phonebook::FaxPhonebookModel* model) { model_ = model; }
  // The windows its Properties button opens (not owned; may be null).
  void setIndividualEntryWindow(FaxPBNewIndividualEntryWindowsClass* window) { individual_ = window; }
  void setGroupPropertiesWindow(FaxPBGroupPropertiesWindowsClass* window) { properties_ = window; }
  bool isSandbox = false;

  // kEntryStateNew: an empty group (`record` unused); kEntryStateEdit: a copy of `record`, a
  // group of the book. True when the book changed.
  bool ActivateWindow(const nx::phonebook::FaxRecord* record, int openState);
  using FaxPBPopupWinInPanel::ActivateWindow;

  // The group the controls describe ("GroupName", "EntryNum", "EntryList").
  nx::phonebook::FaxRecord getGroupEntrySettings();
  const nx::phonebook::FaxRecord& getCurrentEditRecord() const { return current_EditRecord; }
  int getPanelOpenState() const { return m_PanelState; }
  // The member Ids, in order.
  const std::vector<std::string>& getMemberIDs() const { return members_; }
  nx::phonebook::FaxPhonebookModel* getPhonebookModel() const { return model_; }

  void OnOK();
  void OnAddTo();
  void OnDelete();
  void OnProperties();
  void OnSearch();

 private:
  struct Row {
    std::string id;
    int faxType = 0;  // 0 individual, 1 group
  };
  void ReloadIndividualList();
  void ReloadMemberList();
  std::vector<int> SelectedRows(int tag);
  void ShowAlert(const std::string& titleKey, const std::string& textKey,
                 const std::vector<std::string>& arguments = {},
                 const std::vector<std::string>& buttons = {"OK Button Ctrl"}, int* answer = nullptr);
  std::string TitleKey() const;

  nx::phonebook::FaxPhonebookModel* model_ = nullptr;
  FaxPBNewIndividualEntryWindowsClass* individual_ = nullptr;
  FaxPBGroupPropertiesWindowsClass* properties_ = nullptr;
  nx::phonebook::FaxRecord current_EditRecord;
  int m_PanelState = kEntryStateNew;
  bool changed_ = false;
  bool created_ = false;
  std::vector<std::string> members_;
  std::vector<Row> rows_;  // the individuals list as shown
  bool initialised_ = false;
};

class FaxPBGroupPropertiesWindowsClass : public FaxPBPopupWinInPanel {
 public:
  FaxPBGroupPropertiesWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                   pdekit::PDEHostCallback* host, nx::platform::Services& services);
  ~FaxPBGroupPropertiesWindowsClass() override;

  bool CreateDialog();
  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;

  // The book the members come from and the window a member's Properties opens (not owned).
  void setPhonebookModel(nx::phonebook::FaxPhonebookModel* model) { model_ = model; }
  void setIndividualEntryWindow(FaxPBNewIndividualEntryWindowsClass* window) { individual_ = window; }

  // Lists the members of `group` and runs the window. True when the book changed.
  bool ActivateWindow(const nx::phonebook::FaxRecord& group, int openState);
  using FaxPBPopupWinInPanel::ActivateWindow;

  const nx::phonebook::FaxRecord& getCurrentGroupRecord() const { return current_GroupRecord; }
  // The members shown, in order (Ids without an individual skipped).
  const std::vector<nx::phonebook::FaxRecord>& getMembers() const { return members_; }
  // The entries of the selected rows; empty when the list is empty.
  std::vector<nx::phonebook::FaxRecord> getSelectedRecord();

  void OnProperties();

 private:
  void ReloadList();

  nx::phonebook::FaxPhonebookModel* model_ = nullptr;
  FaxPBNewIndividualEntryWindowsClass* individual_ = nullptr;
  nx::phonebook::FaxRecord current_GroupRecord;
  std::vector<nx::phonebook::FaxRecord> members_;
  int m_OpenState = kEntryStateReadOnly;
  bool changed_ = false;
  bool created_ = false;
  bool initialised_ = false;
};

}  // namespace faxpde
