// The phonebook select window: shows the current phonebook, lets the user pick entries as
// recipients (with the job's limits and the device's kits), and manages the book (new, open,
// save as, delete, import). The book itself is the phonebook model; this window only decides
// which model operation runs and which warning is shown.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "nx/phonebook/fax_pb_recipient_model.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/bundle.h"

namespace faxpde {

class FaxPBImportFaxRecipientDataWindowsClass;
class FaxPBNewEntryWindowsClass;
class FaxPBNewIndividualEntryWindowsClass;
class FaxPBNewGroupEntryWindowsClass;
class FaxPBGroupPropertiesWindowsClass;
class FaxRecipientWindowsClass;
class NXDirectFaxPDEPluginq21;

// Element tags of the select window (layout "Phonebook_Default00").
enum PhonebookSelectTag {
  kPBSelNewPhonebook = 1, kPBSelOpenPhonebook = 2, kPBSelSaveAs = 3, kPBSelSearch = 4, kPBSelList = 5,
  kPBSelAddTo = 6, kPBSelSelectedList = 7, kPBSelNew = 8, kPBSelDelete = 9, kPBSelProperties = 10,
  kPBSelImport = 11, kPBSelDeleteFromList = 12, kPBSelHelp = 13, kPBSelCancel = 14, kPBSelOK = 15,
  kPBSelCurrentFile = 16, kPBSelSearchLabel = 17, kPBSelListLabel = 18, kPBSelSelectedLabel = 19,
};

// Element tags of the new entry window (layout "FaxPBNewEntry").
enum PhonebookNewEntryTag { kPBNewIndividual = 1, kPBNewGroup = 2, kPBNewOK = 3, kPBNewCancel = 4 };

// What the select window takes from the recipient window that opens it.
struct PhonebookSelectContext {
  nx::phonebook::FaxPBRecipientModel* recipients = nullptr;  // the job's list (required)
  int settingType = 2;            // fax module: line 1, 2, 4; IP fax 3, 4
  bool oneRecipientOnly = false;  // the PPD's "NXResMulAd" On
  std::string generation;         // "NXPlatformGeneration"
  bool sandboxed = false;
  bool speedDialExpansion = true;
  std::function<void(const std::string& path)> showPhonebook;  // path of the current book
  // The entry windows; unset: New and Properties do nothing.
  std::function<void(int entryType, const nx::phonebook::FaxRecord* edited)> openEntryWindow;
};

// Search (empty text: everything): individuals whose "Name" and groups whose "GroupName"
// contain the text, ignoring case; individuals first. Rows carry "FaxType" 0 or 1.
std::vector<nx::phonebook::FaxRecord> SearchPhonebook(const nx::phonebook::FaxPhonebookModel& model,
                                                      std::string_view text);
// "name <address>" for an individual row, "[group]" for a group row.
std::string PhonebookRowText(const nx::phonebook::FaxRecord& row);

class FaxPhonebookSelectWindowsClass : public FaxPBPopupWinInPanel {
 public:
  // `window` may be null (the operations still work; ActivateWindow then only loads the book).
  // `bundle` (may be null) translates the alerts; it must outlive the window.
  FaxPhonebookSelectWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                 pdekit::PDEHostCallback* host, nx::platform::Services& services,
                                 const nx::platform::Bundle* bundle);
  ~FaxPhonebookSelectWindowsClass() override;

  // Wires the buttons and lists of the layout. False without a window.
  bool CreateDialog();
  void SetContext(PhonebookSelectContext context);
  // Loads the current book, fills the selected list from the recipients and runs the window.
  int ActivateWindow() override;
  // The opening's first half: read the configured book, else switch to "default.fap". True
  // when the configured file was read.
  bool LoadCurrentPhonebook();
  // A sandboxed host's Look Up: the book the user chose in its open panel becomes current when it
  // reads and passes the check (and is the book the window then opens on); otherwise the
  // not-valid warning and the current book stays. "FaxPhonebookModelChanged" is posted either way.
  bool OpenChosenPhonebook(const std::string& path);

  // ---- The window's operations (rows are indexes into listedRecords / the selected list) ----
  void searchRecord(std::string_view text);
  const std::vector<nx::phonebook::FaxRecord>& listedRecords() const { return rows_; }
  // Add To; answers the number of recipients added.
  int AddTo(const std::vector<size_t>& rows);
  void DeleteFromList(const std::vector<size_t>& rows);
  // OK: the recipient list becomes the selection (when it holds any).
  void OK();
  void Cancel();
  bool NewPhonebook();
  bool OpenPhonebook();
  bool SavePhonebookAs();
  bool DeleteFromPhonebook(const std::vector<size_t>& rows);
  void Properties(const std::vector<size_t>& rows);
  void NewEntry(int entryType);
  // Import To Phonebook for data type 1 (EWS CSV), 2 (GAP) or 3 (GAD); the window asks for it.
  bool ImportToPhonebook(int dataType);
  // The window Import To Phonebook asks the data type in (not owned; unset: the button does nothing).
  void setImportWindow(FaxPBImportFaxRecipientDataWindowsClass* window) { importWindow_ = window; }
  // The window New asks Individual or Group in (not owned; unset: New opens an individual).
  void setNewEntryWindow(FaxPBNewEntryWindowsClass* window) { newEntryWindow_ = window; }
  // New as the button does it: the current file must exist, then the entry type is asked.
  void OnNew();

  // ---- Accessors ----
  nx::phonebook::FaxPhonebookModel* getFaxPBPhonebookDataPtr() { return model_.get(); }
  nx::phonebook::FaxPBRecipientModel* getFaxPBRecipientModelPtr() { return selected_.get(); }
  const std::string& getCurrentPhonebookPath() const { return currentPath_; }
  const std::string& getTargetDevice() const { return context_.generation; }
  const PhonebookSelectContext& context() const { return context_; }
  // Shows a critical alert with keys of the bundle's default table; answers the button index.
  int ShowAlert(std::string_view titleKey, std::string_view textKey, const std::vector<std::string>& arguments = {},
                std::vector<std::string> buttons = {"OK Button Ctrl"});

 private:
  nx::platform::ui::SavePanelRequest PhonebookSavePanel();
  std::string Localized(std::string_view key) const;
  bool ReadBook(const std::string& path, nx::phonebook::AbifStatus* status);
  void SetCurrentPath(const std::string& path);
  void Changed();
  void ReloadLists();
  bool CurrentFileExists();
  std::vector<size_t> SelectedRows(int tag) const;
  // One individual into the selection; false when Add To must stop.
  bool AddIndividual(const nx::phonebook::FaxRecord& entry, bool* added);

  const nx::platform::Bundle* bundle_;
  std::unique_ptr<nx::phonebook::FaxPhonebookModel> model_;
  std::unique_ptr<nx::phonebook::FaxPBRecipientModel> selected_;
  PhonebookSelectContext context_;
  std::vector<nx::phonebook::FaxRecord> rows_;
  std::string searchText_;
  std::string currentPath_;
  std::string sandboxChosen_;  // the book a sandboxed Look Up chose
  FaxPBImportFaxRecipientDataWindowsClass* importWindow_ = nullptr;
  FaxPBNewEntryWindowsClass* newEntryWindow_ = nullptr;
};

// The new entry window: Individual (0) or Group (1). OK keeps the choice, Cancel leaves -1.
class FaxPBNewEntryWindowsClass : public FaxPBPopupWinInPanel {
 public:
  using FaxPBPopupWinInPanel::FaxPBPopupWinInPanel;

  // Wires the radio buttons, OK and Cancel. False without a window or one of its elements.
  bool CreateDialog();
  // Starts with Individual chosen and runs the window.
  int ActivateWindow() override;
  int getNewEntryType() const { return newEntryType_; }
  void resetNewEntryType() { newEntryType_ = -1; }

 private:
  void Choose(int type);
  int chosen_ = 0;
  int newEntryType_ = -1;
};

// The phonebook windows of one recipient window: the select window with its new entry,
// individual entry, group entry, group properties and import windows. Built from their layouts
// on the first Look Up (or Add To Phonebook) and kept.
class FaxPhonebookWindows {
 public:
  FaxPhonebookWindows(NXDirectFaxPDEPluginq21& panel, FaxRecipientWindowsClass& recipients);
  ~FaxPhonebookWindows();
  FaxPhonebookWindows(const FaxPhonebookWindows&) = delete;
  FaxPhonebookWindows& operator=(const FaxPhonebookWindows&) = delete;

  // Builds the select window and its entry windows (layout "Phonebook_" of the panel's variant).
  // False when the select window's layout is missing.
  bool loadPhonebookWins();
  // Builds the import data type window (layout "Import_") and hands it to the select window.
  bool loadImportWins();
  // Look Up: the select window on the current phonebook, filled from the recipient list; its
  // OK makes the selection the recipient list.
  int LookUp();
  // The sandboxed host's first step of Look Up: a warning, then an open panel for one book.
  // False when no readable book was chosen (the select window is not opened then).
  bool ChooseSandboxedPhonebook();
  // Add To Phonebook with the recipients chosen in the recipient window's list; answers the
  // number of entries added or overwritten.
  int AddToPhonebook();
  // The same for the given recipients of the list (indexes).
  int AddToPhonebook(const std::vector<size_t>& indexes);

  FaxPhonebookSelectWindowsClass* getSelectWindow() const { return select_.get(); }
  FaxPBImportFaxRecipientDataWindowsClass* getImportWindow() const { return import_.get(); }

 private:
  // The select window's context from the recipient window as it is now.
  void PrepareContext();
  void OpenEntryWindow(int entryType, const nx::phonebook::FaxRecord* edited);
  // One recipient into the book; false when no more can be added.
  bool AddOneToPhonebook(const nx::phonebook::FaxRecord& recipient, bool several, int* stored);
  // A window of `layout` with its controls wired; null without the layout. `extra` follows the
  // common constructor arguments.
  template <class W, class... Extra>
  std::shared_ptr<W> Build(const std::string& layout, const char* titleKey, Extra... extra);

  NXDirectFaxPDEPluginq21& panel_;
  FaxRecipientWindowsClass& recipients_;
  std::shared_ptr<FaxPhonebookSelectWindowsClass> select_;
  std::shared_ptr<FaxPBNewEntryWindowsClass> newEntry_;
  std::shared_ptr<FaxPBNewIndividualEntryWindowsClass> individual_;
  std::shared_ptr<FaxPBNewGroupEntryWindowsClass> group_;
  std::shared_ptr<FaxPBGroupPropertiesWindowsClass> properties_;
  std::shared_ptr<FaxPBImportFaxRecipientDataWindowsClass> import_;
};

// Sets the recipient window's Look Up, Import and Add To Phonebook hooks to phonebook windows
// built on first use.
void ConnectPhonebookWindows(NXDirectFaxPDEPluginq21& panel, FaxRecipientWindowsClass& recipients);

}  // namespace faxpde
