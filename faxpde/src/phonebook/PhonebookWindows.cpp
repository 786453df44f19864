// The phonebook windows of the recipient window: built on first use from the layouts of the
// panel's variant, and the recipient window's Look Up, Import and Add To Phonebook.
#include <cstdio>
#include <optional>

#include "faxpde/CommunicationSettingsWindow.h"
#include "faxpde/FaxRecipientWindow.h"
#include "faxpde/FaxSettingPanel.h"
#include "faxpde/PhonebookEntryWindows.h"
#include "faxpde/PhonebookImportWindow.h"
#include "faxpde/PhonebookSelectWindow.h"
#include "nx/platform/bundle.h"
#include "nx/platform/services.h"

namespace faxpde {

namespace pb = nx::phonebook;
using pb::FaxRecord;
using pb::FaxRecordInteger;
using pb::FaxRecordSetText;
using pb::FaxRecordText;

namespace {

constexpr char kAddToPBTitle[] = "Warning_Add_To_Phonebook_Win_Title_ID";

}  // namespace

FaxPhonebookWindows::FaxPhonebookWindows(NXDirectFaxPDEPluginq21& panel, FaxRecipientWindowsClass& recipients)
    : panel_(panel), recipients_(recipients) {}

FaxPhonebookWindows::~FaxPhonebookWindows() = default;

template <class W, class... Extra>
std::shared_ptr<W> FaxPhonebookWindows::Build(const std::string& layout, const char* titleKey, Extra... extra) {
  if (layout.empty()) return nullptr;
  auto window = panel_.GetServices().toolkit().LoadWindow(panel_.GetBundle(), layout);
  if (!window) return nullptr;
  auto w = std::make_shared<W>(std::move(window), titleKey, panel_.GetCurrentPDECallbackObj(), panel_.GetServices(),
                               extra...);
  if (!w->CreateDialog()) return nullptr;
  return w;
}

bool FaxPhonebookWindows::loadPhonebookWins() {
  if (select_) return true;
  const nx::platform::Bundle* bundle = &panel_.GetBundle();
  select_ = Build<FaxPhonebookSelectWindowsClass>(panel_.getPDENibFileName("Phonebook_"),
                                                  "Fax Phonebook Select Window Title String", bundle);
  if (!select_) return false;
  ppd_file_t* ppd = panel_.GetCurrentPPD();
  select_->InitializeUserPane(bundle, ppd);

  // The entry windows work on the select window's book. Each is optional: without its layout the
  // button that opens it does nothing.
  newEntry_ = Build<FaxPBNewEntryWindowsClass>("FaxPBNewEntry", "Fax Phonebook New Entry Window Title String");
  individual_ = Build<FaxPBNewIndividualEntryWindowsClass>("FaxPBIndividualEntry",
                                                           "Fax Phonebook New Individual Entry Window Title String");
  group_ = Build<FaxPBNewGroupEntryWindowsClass>("FaxPBGroupEntry", "Fax Phonebook New Group Entry Window Title String");
  properties_ = Build<FaxPBGroupPropertiesWindowsClass>("FaxPBGroupProperties",
                                                        "Fax Phonebook Group Properties Window Title String");
  pb::FaxPhonebookModel* model = select_->getFaxPBPhonebookDataPtr();
  if (newEntry_) {
    newEntry_->InitializeUserPane(bundle, ppd);
    select_->setNewEntryWindow(newEntry_.get());
  }
  if (individual_) {
    individual_->InitializeUserPane(bundle, ppd);
    individual_->setPhonebookModel(model);
    individual_->setCommunicationWindow(
        dynamic_cast<FaxPBCommunicationSettingsWindowsClass*>(recipients_.getCommunicationSettingsWindow()));
  }
  if (group_) {
    group_->InitializeUserPane(bundle, ppd);
    group_->setPhonebookModel(model);
    group_->setIndividualEntryWindow(individual_.get());
    group_->setGroupPropertiesWindow(properties_.get());
  }
  if (properties_) {
    properties_->InitializeUserPane(bundle, ppd);
    properties_->setPhonebookModel(model);
    properties_->setIndividualEntryWindow(individual_.get());
  }
  return true;
}

bool FaxPhonebookWindows::loadImportWins() {
  if (import_) return true;
  import_ = Build<FaxPBImportFaxRecipientDataWindowsClass>(
      panel_.getPDENibFileName("Import_"), "Fax Phonebook Import Fax Recipient Data Window Title String");
  if (!import_) return false;
  import_->InitializeUserPane(&panel_.GetBundle(), panel_.GetCurrentPPD());
  if (select_) select_->setImportWindow(import_.get());
  return true;
}

void FaxPhonebookWindows::PrepareContext() {
  const DeviceOptionState& device = recipients_.getDeviceOptionState();
  PhonebookSelectContext context;
  context.recipients = recipients_.getRecipientData();
  context.settingType = recipients_.getFaxModule();
  context.oneRecipientOnly = recipients_.getRestrictMultiAddInput() == 1;
  // "NXPlatformGeneration" as the recipient window read it: index 1 is generation "2".
  context.generation.assign(1, recipients_.getTargetDevice() == 1 ? '2' : '1');
  context.sandboxed = recipients_.ifOnSandboxApps();
  context.speedDialExpansion = device.speedDialExpansion;
  FaxRecipientWindowsClass* recipients = &recipients_;
  context.showPhonebook = [recipients](const std::string& path) { recipients->setCurrentPhonebookPath(path); };
  context.openEntryWindow = [this](int entryType, const FaxRecord* edited) { OpenEntryWindow(entryType, edited); };
  select_->SetContext(std::move(context));

  const bool sandboxed = recipients_.ifOnSandboxApps();
  if (individual_) {
    CommunicationDeviceState comm;
    comm.faxModule = recipients_.getFaxModule();
    comm.isdnG4Kit = recipients_.getISDNG4KitStates();
    comm.restrictMultiAddress = recipients_.getRestrictMultiAddInput() == 1;
    comm.generation2 = recipients_.getTargetDevice() == 1;
    individual_->setDeviceState(comm);
    individual_->isSandbox = sandboxed;
  }
  if (group_) group_->isSandbox = sandboxed;
  // The model takes the PPD's index: 1 (generation "2") skips relay entries on import.
  select_->getFaxPBPhonebookDataPtr()->setTargetDeviceType(recipients_.getTargetDevice());
}

void FaxPhonebookWindows::OpenEntryWindow(int entryType, const FaxRecord* edited) {
  // A list row carries "FaxType"; the book's entries do not.
  std::optional<FaxRecord> entry;
  if (edited) {
    entry = *edited;
    entry->Erase("FaxType");
  }
  const FaxRecord* record = entry ? &*entry : nullptr;
  if (entryType == 0 && individual_) {
    individual_->ActivateWindow(record, record ? kEntryStateEdit : kEntryStateNew, kOpenFromPhonebookList);
  } else if (entryType == 1 && group_) {
    group_->ActivateWindow(record, record ? kEntryStateEdit : kEntryStateNew);
  }
}

bool FaxPhonebookWindows::ChooseSandboxedPhonebook() {
  select_->ShowAlert("Warning_String_Title_ID", "Warning_LookUp_PhoneBook_Title_ID");
  nx::platform::ui::OpenPanelRequest request;
  request.start_dir = select_->getFaxPBPhonebookDataPtr()->getMyFaxFileDirectory();
  request.allowed_extensions = {"fap"};
  auto path = panel_.GetServices().toolkit().RunOpenPanel(request);
  return path && select_->OpenChosenPhonebook(*path);
}

int FaxPhonebookWindows::LookUp() {
  if (!loadPhonebookWins()) return nx::platform::ui::kModalResponseAbort;
  loadImportWins();
  PrepareContext();
  if (recipients_.ifOnSandboxApps() && !ChooseSandboxedPhonebook()) return nx::platform::ui::kModalResponseCancel;
  const int response = select_->ActivateWindow();
  // The list may have been replaced by the selection; the window reloads on the notification.
  if (select_->getWinExitState()) recipients_.getRecipientData()->postFaxPBRecipientChanged();
  return response;
}

// ---- Add To Phonebook ----

int FaxPhonebookWindows::AddToPhonebook() {
  const FaxPBRecipientListView* list = recipients_.getRecipientListView();
  if (!list) return 0;
  return AddToPhonebook(list->currentSelectedItem());
}

int FaxPhonebookWindows::AddToPhonebook(const std::vector<size_t>& indexes) {
  pb::FaxPBRecipientModel* recipients = recipients_.getRecipientData();
  if (!recipients || indexes.empty() || recipients_.ifOnSandboxApps() || !loadPhonebookWins()) return 0;
  PrepareContext();
  // The current book as the select window would open it.
  select_->LoadCurrentPhonebook();
  // Copies: marking a recipient replaces records of the list.
  const std::vector<FaxRecord> chosen = recipients->getRecipientAtIndexes(indexes);
  const bool several = chosen.size() > 1;
  int stored = 0;
  for (const FaxRecord& recipient : chosen)
    if (!AddOneToPhonebook(recipient, several, &stored)) break;
  if (stored > 0) {
    select_->getFaxPBPhonebookDataPtr()->postFaxPhonebookChanged(pb::kFaxPhonebookModelChanged);
    recipients->postFaxPBRecipientChanged();
  }
  return stored;
}

bool FaxPhonebookWindows::AddOneToPhonebook(const FaxRecord& recipient, bool several, int* stored) {
  pb::FaxPhonebookModel& book = *select_->getFaxPBPhonebookDataPtr();
  if (FaxRecordInteger(recipient, "RecodeType") == pb::kSpeedDial_Fax_Type) {
    if (several)
      select_->ShowAlert(kAddToPBTitle, "Warning_Warning_Add_Multi_To_Phonebook_Win_Content_ID",
                         {FaxRecordText(recipient, "Name")});
    else
      select_->ShowAlert(kAddToPBTitle, "Warning_Warning_Add_To_Phonebook_Win_Content_ID");
    return true;
  }
  FaxRecord entry = recipient;
  FaxRecordSetText(entry, "RecodeType", std::to_string(pb::kPhonebook_Fax_Type));
  if (const FaxRecord* existing = book.CheckDuplication(entry)) {
    const int answer = select_->ShowAlert(kAddToPBTitle, "Warning_Duplicated_PB_Content_ID",
                                          {FaxRecordText(entry, "Name"), FaxRecordText(entry, "Address")},
                                          {"OK Button Ctrl", "No Button Ctrl"});
    if (answer != 0) return true;
    FaxRecordSetText(entry, "Id", FaxRecordText(*existing, "Id"));
    if (!book.replaceFaxRecordsFromPBByID(entry, pb::kFaxPBIndividuals)) {
      select_->ShowAlert(kAddToPBTitle, "Warning_Phonebook_Entry_Not_Saved_ID");
      return false;
    }
    ++*stored;
    return true;
  }
  if (book.getFaxCountByType(pb::kFaxPBIndividuals) >= pb::kFaxPBMaxIndividuals) {
    select_->ShowAlert("Warning_Add_Individual_Group_Win_Title_ID",
                       "Warning_Add_Individual_Exceeding_Maximum_Num_Content_Title_ID");
    return false;
  }
  std::string id;
  bool saveFailed = false;
  if (!book.addFaxRecordAndSave(entry, pb::kFaxPBIndividuals, &id, false, &saveFailed)) {
    // Nothing was stored: the book and its file are as they were.
    select_->ShowAlert(kAddToPBTitle, "Warning_Phonebook_Entry_Not_Saved_ID");
    return false;
  }
  FaxRecordSetText(entry, "Id", id);
  recipients_.getRecipientListView()->changeRecordTypeToPB(entry);
  ++*stored;
  return true;
}

// ---- Connection ----

void ConnectPhonebookWindows(NXDirectFaxPDEPluginq21& panel, FaxRecipientWindowsClass& recipients) {
  auto windows = std::make_shared<FaxPhonebookWindows>(panel, recipients);
  recipients.SetPhonebookWindowHook([windows](FaxRecipientWindowsClass&) { windows->LookUp(); });
  recipients.SetImportWindowHook([windows](FaxRecipientWindowsClass&) {
    windows->loadPhonebookWins();
    windows->loadImportWins();
  });
  recipients.SetAddToPhonebookHook([windows](FaxRecipientWindowsClass&) { windows->AddToPhonebook(); });
}

}  // namespace faxpde
