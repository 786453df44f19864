// The recipient window: the user builds the fax job's recipient list here (typed fax numbers, IP
// fax addresses and speed dials, entries from the phonebook), and the list goes into the ticket
// as a count, a paper name and one item per recipient.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "faxpde/RecipientRules.h"
#include "nx/phonebook/fax_pb_recipient_model.h"
#include "nx/platform/notifications.h"
#include "pdekit/ControlTables.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/TextEditCtrl.h"

namespace faxpde {

class NXDirectFaxPDEPluginq21;
class FaxPBJobConfirmationWindowsClass;
class FaxNumberConfirmWindowsClass;
class RecipientInformationWindowsClass;
class FaxRecipientWindowsClass;

// Element tags of the recipient window (layout "RecipientSetting_Default00").
enum RecipientWindowTag {
  kRecNameLabel = 1, kRecName = 2, kRecListLabel = 3, kRecList = 4, kRecAddTo = 5,
  kRecFaxNumberLabel = 6, kRecFaxNumber = 7, kRecSpeedDialLabel = 8, kRecSpeedDial = 9,
  kRecCategoryLabel = 10, kRecCategory = 11, kRecPhonebookLabel = 12, kRecPhonebook = 13,
  kRecLookUp = 14, kRecInfo = 15, kRecCommunication = 16, kRecDelete = 17, kRecAddToPB = 18,
  kRecOK = 19, kRecCancel = 20, kRecHelp = 21,
};

// Category popup items (index).
enum FaxCategory { kCategoryFax = 0, kCategorySpeedDial = 1, kCategoryIPFax = 2 };

// ---- Controls ----

// The name field: 0 to 18 characters of the JIS set; a name of spaces alone is refused.
class DFFaxNameTextEditCtrl : public pdekit::TextEditCtrl {
 public:
  DFFaxNameTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini);
  // The name's checks with their alerts; false after a warning.
  bool DoSelfValidate();

 protected:
  void InstallFormatter() override;
};

// A text field of the JIS set measured in display width (company, tel, memo).
class DFJISTextEditCtrl : public pdekit::TextEditCtrl {
 public:
  DFJISTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini);
};

// The fax number / IP fax address field; its limit follows the category (100 or 128).
class DFFacNumberTextEdit : public pdekit::TextEditCtrl {
 public:
  DFFacNumberTextEdit(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini);
  void SetMaxLength(int maxLength);
  int GetMaxLength() const { return maxLength_; }
  bool DoSelfValidate();

 protected:
  void InstallFormatter() override;

 private:
  pdekit::TextEditIniData limits_;
  int maxLength_ = 100;
};

// The speed dial field: three-digit numbering with fax module 1, four-digit otherwise.
class DFSpeedDialNumberTextEdit : public pdekit::TextEditCtrl {
 public:
  DFSpeedDialNumberTextEdit(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini);
  void SetState(int speedDialStyle, bool expansionAvailable, int speedDialMaxNumber);
  int getSpeedDialStyle() const { return iSpeedDialStyle; }
  bool getExpansionAvailable() const { return bExpansionAvailable; }
  int getSpeedDialMaxNumber() const { return iSpeedDialMaxNumber; }
  bool IsThreeDigit() const { return iSpeedDialStyle == 0; }
  bool DoSelfValidate();

 protected:
  void InstallFormatter() override;

 private:
  pdekit::TextEditIniData limits_;
  int iSpeedDialStyle = 1;
  bool bExpansionAvailable = true;
  int iSpeedDialMaxNumber = 0;
};

// The category popup (Fax, Speed Dial, IP Fax (SIP)); its enabling follows the fax module and
// the PPD. `onChange` runs after the user picks an item.
class DFFaxCategoryPopupCtrl : public pdekit::PopupControl {
 public:
  DFFaxCategoryPopupCtrl(nx::platform::ui::Element* element, bool inRecipientWindow);
  // Builds the menu and enables its items for the fax module and the PPD.
  void InitializeMenu(int faxModule, ppd_file_t* ppd);
  void setDataBlkAccordingToFaxModule(int faxModule);
  int GetControlValue() const;  // selected index
  void Select(int index);
  bool UIEventHandler() override;
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
  int getFaxModule() const { return faxModule_; }
  bool IsInRecipientWindow() const { return inRecipientWindow_; }

 private:
  std::function<void()> onChange_;
  int faxModule_ = 2;
  bool inRecipientWindow_;
};

// The recipient list view: one row per record of the recipient model, reloaded on the model's
// change notification.
class FaxPBRecipientListView : public pdekit::BaseControl {
 public:
  FaxPBRecipientListView(nx::platform::ui::Element* element, nx::phonebook::FaxPBRecipientModel& model);
  void reloadListView();
  size_t recordCount() const { return model_.recipientCount(); }
  std::vector<size_t> currentSelectedItem() const;
  std::vector<nx::phonebook::FaxRecord> getItems(const std::vector<size_t>& indexes) const;
  // The first record with the same name and address becomes a phonebook record (no duplicate
  // check).
  void changeRecordTypeToPB(const nx::phonebook::FaxRecord& record);
  void RequestControlAction(nx::platform::ui::Element& sender) override;
  void SetOnSelectionChange(std::function<void()> f) { onSelection_ = std::move(f); }
  void SetOnDoubleClick(std::function<void()> f);

 private:
  nx::phonebook::FaxPBRecipientModel& model_;
  std::function<void()> onSelection_;
  std::vector<size_t> rowRecords_;  // record index of each row
};

// ---- The window ----


class FaxRecipientWindowsClass : public FaxPBPopupWinInPanel {
 public:
  FaxRecipientWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                           pdekit::PDEHostCallback* host, nx::platform::Services& services,
                           NXDirectFaxPDEPluginq21& panel);
  ~FaxRecipientWindowsClass() override;

  // Builds the controls and the child windows (fax number confirmation, recipient information,
  // job confirmation; communication settings when its layout ships). False without a window.
  bool CreateDialog();
  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  // Empties the list, reads the device options again, sets the list maximum.
  int ReInitializeUserPaneControl(const nx::platform::Bundle* bundle, ppd_file_t* ppd);
  int ActivateWindow() override;
  // Runs the window again with its list kept.
  int ReActivateWindow();

  // Writes the recipient list (count, paper, items) and then the delayed send keys; always true
  // (the window group's writer protocol). Printing uses WriteRecipientList.
  bool SetValueToTicket(pdekit::PrintSettings* settings, bool locked);
  // As SetValueToTicket, but false when the list holds recipients and could not be written
  // whole (an item that cannot be built, a key that could not be stored): the user has been
  // told, and the job must not print, since the filter would refuse it or send to fewer
  // recipients. Nothing to write (no settings, no list) is true.
  bool WriteRecipientList(pdekit::PrintSettings* settings, bool locked);
  // Escapes `text` as the ticket carries it and stores it; false without settings, key or text.
  bool SetValueToTicket(pdekit::PrintSettings* settings, bool locked, const char* key, const char* text);
  // Stores the phonebook the user chose in the preferences (nothing when none was chosen).
  void StoreCurrentPhonebookFileName();

  // Phonebook and import windows belong elsewhere: they are loaded only when their layouts
  // ship. The hooks let them register once built.
  void loadPhonebookWins();
  void loadImportWins();
  using WindowHook = std::function<void(FaxRecipientWindowsClass&)>;
  void SetPhonebookWindowHook(WindowHook hook) { phonebookHook_ = std::move(hook); }
  void SetImportWindowHook(WindowHook hook) { importHook_ = std::move(hook); }
  // Add To Phonebook (disabled while unset, in a sandboxed host and with an empty list).
  void SetAddToPhonebookHook(WindowHook hook) { addToPhonebookHook_ = std::move(hook); }
  // The current phonebook's path as chosen through Look Up (empty until then).
  void setCurrentPhonebookPath(std::string path);
  const std::string& getCurrentPhonebookPath() const { return currentPhonebookPath_; }

  // Add To, as the button does it; true when a record was added.
  bool AddToRecipientList();
  // The category change handling (fields shown, cleared and limited).
  void OnCategoryChanged();

  // ---- Accessors ----
  nx::phonebook::FaxPBRecipientModel* getRecipientData() const { return faxPBRecipientData.get(); }
  // A copy of the recipient list (the job confirmation window shows it).
  std::vector<nx::phonebook::FaxRecord> GetRecipientRecords() const;
  FaxPBJobConfirmationWindowsClass* getJobConfirmationWindow() const { return jobConfirmationWindow_.get(); }
  FaxNumberConfirmWindowsClass* getFaxNumberConfirmWindow() const { return faxNumberConfirmWindow_.get(); }
  RecipientInformationWindowsClass* getRecipientInformationWindow() const { return infoWindow_.get(); }
  pdekit::PopupWinInPanel* getCommunicationSettingsWindow() const { return communicationWindow_.get(); }
  DFFaxNameTextEditCtrl* getNameCtrl() const { return name_.get(); }
  DFFacNumberTextEdit* getFaxNumberCtrl() const { return faxNumber_.get(); }
  DFSpeedDialNumberTextEdit* getSpeedDialCtrl() const { return speedDial_.get(); }
  DFFaxCategoryPopupCtrl* getCategoryCtrl() const { return category_.get(); }
  FaxPBRecipientListView* getRecipientListView() const { return list_.get(); }
  pdekit::TextEditCtrl* getCurrentPBCtrl() const { return currentPB_.get(); }
  NXDirectFaxPDEPluginq21& getParentPanel() const { return panel_; }

  int getFaxModule() const { return curFaxModule; }
  bool getPhonebookExpansionStates() const { return curPhonebookExpansion; }
  bool getISDNG4KitStates() const { return curISDNG4Kit; }
  const std::string& getOutlineNumber() const { return curOutlineNumber; }
  const std::string& getInlineNumber() const { return curInlineNumber; }
  int getReEnterAddress() const { return needToConfirmAddress; }
  int getRestrictAddressType() const { return restrictAddressType; }
  int getRestrictMultiAddInput() const { return restrictMultiAddInput; }
  int getTargetDevice() const { return targetDeviceType; }
  void setFaxNumConfirmStatus(bool passed) { faxNumberConfirmPass = passed; }
  bool getFaxNumConfirmStatus() const { return faxNumberConfirmPass; }
  bool ifOnSandboxApps() const { return onSandboxApps; }
  // The host application runs sandboxed (checked once, when the window is built).
  void checkIfOnSandboxApps(std::string_view hostBundleIdentifier);
  bool checkIfPreferenceFileExist() const;
  // Tags in keyboard order as the last opening left them.
  const std::vector<int>& getKeyViewOrder() const { return keyViewOrder_; }
  const DeviceOptionState& getDeviceOptionState() const { return deviceOptions_; }

  // Shows a critical alert with keys of the bundle's default table; answers the button index.
  int ShowAlert(std::string_view titleKey, std::string_view textKey, const std::vector<std::string>& arguments = {},
                bool withCancel = false);

 private:
  void BuildControls();
  void BuildChildWindows();
  void ReadDeviceOptions();
  void ApplyAddressRestriction();
  void UpdateButtons();
  void OnOK();
  void OnCancel();
  void OnDelete();
  void OnInfo();
  void OnCommunication();
  void OnLookUp();
  std::optional<std::string> ReadDeviceOption(const char* ticketKey, const char* preferenceKey) const;

  NXDirectFaxPDEPluginq21& panel_;
  std::unique_ptr<nx::phonebook::FaxPBRecipientModel> faxPBRecipientData;
  int curFaxModule = 2;
  bool curPhonebookExpansion = false;
  bool curISDNG4Kit = false;
  std::string curOutlineNumber;
  std::string curInlineNumber;
  int needToConfirmAddress = 0;
  int restrictAddressType = -1;
  int restrictMultiAddInput = 0;
  int targetDeviceType = 0;
  bool faxNumberConfirmPass = true;
  bool onSandboxApps = false;
  DeviceOptionState deviceOptions_;
  std::string currentPhonebookPath_;
  std::vector<int> keyViewOrder_;
  WindowHook phonebookHook_, importHook_, addToPhonebookHook_;

  std::shared_ptr<DFFaxNameTextEditCtrl> name_;
  std::shared_ptr<DFFacNumberTextEdit> faxNumber_;
  std::shared_ptr<DFSpeedDialNumberTextEdit> speedDial_;
  std::shared_ptr<DFFaxCategoryPopupCtrl> category_;
  std::shared_ptr<FaxPBRecipientListView> list_;
  std::shared_ptr<pdekit::TextEditCtrl> currentPB_;
  std::shared_ptr<FaxPBJobConfirmationWindowsClass> jobConfirmationWindow_;
  std::shared_ptr<FaxNumberConfirmWindowsClass> faxNumberConfirmWindow_;
  std::shared_ptr<RecipientInformationWindowsClass> infoWindow_;
  std::shared_ptr<pdekit::PopupWinInPanel> communicationWindow_;
  nx::platform::ScopedObserver listObserver_;
};

}  // namespace faxpde
