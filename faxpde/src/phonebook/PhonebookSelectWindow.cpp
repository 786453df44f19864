#include "faxpde/PhonebookSelectWindow.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "faxpde/FaxPlugIn.h"
#include "faxpde/FaxRecipientWindow.h"
#include "faxpde/PhonebookImportWindow.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordList;
using nx::phonebook::FaxRecordSetText;
using nx::phonebook::FaxRecordText;
namespace pb = nx::phonebook;

namespace {

constexpr char kAddTitle[] = "Warning_Add_Recipient_to_List_Win_Title_ID";
constexpr char kNotValidTitle[] = "Warning_Specified_File_Not_Valiable_Win_Title_ID";
constexpr char kNotExistTitle[] = "Warning_Specified_File_Not_Exist_Win_Title_ID";
constexpr char kNotExistText[] = "Warning_Specified_File_Not_Exist_Win_Content_ID";

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Contains(std::string_view haystack, const std::string& loweredNeedle) {
  return Lower(haystack).find(loweredNeedle) != std::string::npos;
}

bool IsGroupRow(const FaxRecord& row) { return FaxRecordText(row, "FaxType") == "1"; }

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string LastComponent(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/";
}

}  // namespace

std::vector<FaxRecord> SearchPhonebook(const pb::FaxPhonebookModel& model, std::string_view text) {
  const std::string needle = Lower(text);
  std::vector<FaxRecord> rows;
  for (const auto& e : model.getAddrsByType(pb::kFaxPBIndividuals)) {
    if (!needle.empty() && !Contains(FaxRecordText(e, "Name"), needle)) continue;
    FaxRecord row = e;
    FaxRecordSetText(row, "FaxType", "0");
    rows.push_back(std::move(row));
  }
  for (const auto& g : model.getAddrsByType(pb::kFaxPBGroups)) {
    if (!needle.empty() && !Contains(FaxRecordText(g, "GroupName"), needle)) continue;
    FaxRecord row = g;
    FaxRecordSetText(row, "FaxType", "1");
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string PhonebookRowText(const FaxRecord& row) {
  if (IsGroupRow(row)) return "[" + FaxRecordText(row, "GroupName") + "]";
  return FaxRecordText(row, "Name") + " <" + FaxRecordText(row, "Address") + ">";
}

FaxPhonebookSelectWindowsClass::FaxPhonebookSelectWindowsClass(std::unique_ptr<nx::platform::ui::Window> window,
                                                               std::string titleKey, pdekit::PDEHostCallback* host,
                                                               nx::platform::Services& services,
                                                               const nx::platform::Bundle* bundle)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services),
      bundle_(bundle),
      model_(std::make_unique<pb::FaxPhonebookModel>(services, bundle)),
      selected_(std::make_unique<pb::FaxPBRecipientModel>(services.notifications(), services.toolkit(), bundle,
                                                          pb::kFaxPhonebookSelectedRecipientModelChanged)) {
  InstallPhonebookAlerts();
}

FaxPhonebookSelectWindowsClass::~FaxPhonebookSelectWindowsClass() = default;

void FaxPhonebookSelectWindowsClass::SetContext(PhonebookSelectContext context) {
  context_ = std::move(context);
  if (context_.recipients) selected_->setMaxRecipientNum(context_.recipients->getMaxRecipientNum());
}

int FaxPhonebookSelectWindowsClass::ShowAlert(std::string_view titleKey, std::string_view textKey,
                                              const std::vector<std::string>& arguments,
                                              std::vector<std::string> buttons) {
  auto& toolkit = GetServices().toolkit();
  if (bundle_)
    return pdekit::RunLocalizedAlert(toolkit, *bundle_, {}, nx::platform::ui::AlertStyle::kCritical, titleKey,
                                     textKey, buttons, arguments);
  nx::platform::ui::Alert alert;
  alert.title_key = titleKey;
  alert.text_key = textKey;
  alert.arguments = arguments;
  alert.message_text = titleKey;
  alert.informative_text = textKey;
  alert.buttons = std::move(buttons);
  return toolkit.RunAlert(alert) - nx::platform::ui::kAlertFirstButtonReturn;
}

// ---- Opening ----

bool FaxPhonebookSelectWindowsClass::ReadBook(const std::string& path, pb::AbifStatus* status) {
  *status = pb::kAbifSuccess;
  auto data = model_->readMyFaxFileFromABIF(path, pb::kFaxPBFileFAP, status);
  if (!data) return false;
  // A book with invalid entries is not taken at all: replacing the current one with what is
  // left of it would lose those entries at the next save.
  auto candidate = std::make_unique<pb::FaxPhonebookModel>(GetServices(), bundle_);
  candidate->usePhonebookFile(path);
  candidate->addMyFaxRecordsFrom(data.get());
  if (!candidate->checkGAPoFAPIsValidate()) return false;
  model_->adoptBookRecords(data.get(), *status);
  // A book the container could not hold whole is shown, but the model refuses to save it.
  if (model_->bookIncomplete()) ShowAlert(kNotValidTitle, "Warning_Phonebook_Entries_Left_Out_ID");
  return true;
}

void FaxPhonebookSelectWindowsClass::SetCurrentPath(const std::string& path) {
  currentPath_ = path;
  // Saves go where the preferences point; when they cannot be written, the book is saved to the
  // file shown rather than to the one the preferences still name.
  if (!context_.sandboxed && !model_->setMyFaxFileNameToPreferenceFile(path)) {
    std::fprintf(stderr, "##Plugin debug## the current phonebook could not be stored in the preferences\n");
    model_->usePhonebookFile(path);
  }
  if (context_.showPhonebook) context_.showPhonebook(path);
  if (auto* w = GetPanelWindow())
    if (auto* field = w->FindElement(kPBSelCurrentFile)) field->SetStringValue(LastComponent(path));
}

bool FaxPhonebookSelectWindowsClass::LoadCurrentPhonebook() {
  std::string configured = context_.sandboxed ? model_->getMyFaxFileNameForSandbox() : model_->getMyFaxFileNameFromConfig();
  if (context_.sandboxed && !sandboxChosen_.empty()) configured = sandboxChosen_;
  pb::AbifStatus status = pb::kAbifSuccess;
  const bool read = ReadBook(configured, &status);
  if (read) {
    SetCurrentPath(configured);
  } else {
    model_->clearPhonebookData();
    SetCurrentPath(model_->getMyFaxFileDirectory() + "/default.fap");
    // The default book is read when it is there; otherwise the book stays empty.
    ReadBook(currentPath_, &status);
  }
  ReloadLists();
  return read;
}

bool FaxPhonebookSelectWindowsClass::OpenChosenPhonebook(const std::string& path) {
  pb::AbifStatus status = pb::kAbifSuccess;
  const bool read = ReadBook(path, &status);
  if (read) {
    sandboxChosen_ = path;
    // Named in the preferences only where the preference file already exists.
    model_->setMyFaxFileNameToPreferenceFile(path);
    SetCurrentPath(path);
  } else {
    ShowAlert(kNotValidTitle, "Warning_Specified_File_Not_Valiable_Win_Content_ID");
    if (context_.showPhonebook) context_.showPhonebook(currentPath_);
  }
  Changed();
  return read;
}

int FaxPhonebookSelectWindowsClass::ActivateWindow() {
  LoadCurrentPhonebook();
  selected_->removeAllRecipient();
  if (context_.recipients)
    for (const auto& r : context_.recipients->getRecipientArray()) selected_->addRecipient(r, false, false);
  searchText_.clear();
  ReloadLists();
  auto* w = GetPanelWindow();
  if (!w) return nx::platform::ui::kModalResponseAbort;
  if (auto* search = w->FindElement(kPBSelSearch)) search->SetStringValue("");
  // What a sandboxed host may not change.
  for (int tag : {kPBSelNewPhonebook, kPBSelSaveAs, kPBSelNew, kPBSelDelete, kPBSelProperties})
    if (auto* e = w->FindElement(tag)) e->SetEnabled(!context_.sandboxed);
  return FaxPBPopupWinInPanel::ActivateWindow();
}

// ---- Lists ----

void FaxPhonebookSelectWindowsClass::searchRecord(std::string_view text) {
  searchText_ = std::string(text);
  ReloadLists();
}

void FaxPhonebookSelectWindowsClass::ReloadLists() {
  rows_ = SearchPhonebook(*model_, searchText_);
  auto* w = GetPanelWindow();
  if (!w) return;
  if (auto* list = w->FindElement(kPBSelList)) {
    list->RemoveAllItems();
    for (const auto& row : rows_) list->AddRow({PhonebookRowText(row)});
    list->SelectRows({});
  }
  if (auto* list = w->FindElement(kPBSelSelectedList)) {
    list->RemoveAllItems();
    for (const auto& r : selected_->getRecipientArray())
      if (auto text = RecipientRowText(r)) list->AddRow({*text});
    list->SelectRows({});
  }
}

void FaxPhonebookSelectWindowsClass::Changed() {
  if (context_.sandboxed) model_->postFaxPhonebookChangedForSandbox(pb::kFaxPhonebookModelChanged);
  else model_->postFaxPhonebookChanged(pb::kFaxPhonebookModelChanged);
  ReloadLists();
}

std::vector<size_t> FaxPhonebookSelectWindowsClass::SelectedRows(int tag) const {
  std::vector<size_t> out;
  auto* w = GetPanelWindow();
  auto* list = w ? w->FindElement(tag) : nullptr;
  if (!list) return out;
  for (int row : list->SelectedRows())
    if (row >= 0) out.push_back(static_cast<size_t>(row));
  return out;
}

// ---- Add To ----

bool FaxPhonebookSelectWindowsClass::AddIndividual(const FaxRecord& entry, bool* added) {
  *added = false;
  const EntryCheck check =
      CheckPhonebookEntry(entry, context_.settingType, context_.generation == "2", context_.oneRecipientOnly);
  if (check.verdict == EntryVerdict::kStop) {
    ShowAlert(kAddTitle, check.textKey);
    return false;
  }
  if (check.verdict == EntryVerdict::kSkip) return true;  // told once before the loop
  const long long real = selected_->getRealRecipientCount(context_.speedDialExpansion);
  if (auto limit = CheckAddLimits(real, 1, selected_->recipientCount(), selected_->getMaxRecipientNum(), false)) {
    ShowAlert(limit->textKey, {}, limit->arguments);
    return false;
  }
  if (check.verdict == EntryVerdict::kRefuse) {
    ShowAlert(kAddTitle, check.textKey);
    return true;
  }
  *added = selected_->addRecipient(PhonebookRecipient(entry), true, true);
  return true;
}

int FaxPhonebookSelectWindowsClass::AddTo(const std::vector<size_t>& rows) {
  std::vector<const FaxRecord*> chosen;
  for (size_t r : rows)
    if (r < rows_.size()) chosen.push_back(&rows_[r]);
  if (chosen.empty()) return 0;
  if (context_.oneRecipientOnly && (selected_->recipientCount() > 0 || chosen.size() > 1)) {
    ShowAlert(kAddTitle, "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID");
    return 0;
  }
  if (context_.generation == "2" && !context_.oneRecipientOnly) {
    bool relay = false;
    for (const auto* row : chosen) {
      if (!IsGroupRow(*row)) relay = relay || IsRelaySendEntry(*row);
      else
        for (const auto& id : FaxRecordList(*row, "EntryList"))
          if (const auto* m = model_->getMyFaxRecordByID(id)) relay = relay || IsRelaySendEntry(*m);
    }
    if (relay)
      ShowAlert("Warning_Add_Recipient_Relay_Send_Unsupport_Content_Title_ID",
                "Warning_Add_Recipient_Relay_Send_Unsupport_Content_Text_ID");
  }
  int count = 0;
  bool go = true;
  for (const auto* row : chosen) {
    if (!go) break;
    if (IsGroupRow(*row)) {
      if (context_.oneRecipientOnly) {
        ShowAlert(kAddTitle, "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_Group_ID");
        break;
      }
      // Copies: adding to the selection may post notifications that reload the book.
      std::vector<FaxRecord> members;
      for (const auto& id : FaxRecordList(*row, "EntryList"))
        if (const auto* m = model_->getMyFaxRecordByID(id)) members.push_back(*m);
      for (const auto& m : members) {
        bool added = false;
        go = AddIndividual(m, &added);
        count += added;
        if (!go) break;
      }
    } else {
      bool added = false;
      go = AddIndividual(*row, &added);
      count += added;
    }
  }
  selected_->postFaxPBRecipientChanged();
  ReloadLists();
  return count;
}

void FaxPhonebookSelectWindowsClass::DeleteFromList(const std::vector<size_t>& rows) {
  selected_->removeRecipientAtIndexes(rows);
  ReloadLists();
}

void FaxPhonebookSelectWindowsClass::OK() {
  if (context_.recipients && selected_->recipientCount() > 0) {
    context_.recipients->removeAllRecipient();
    for (const auto& r : selected_->getRecipientArray()) context_.recipients->addRecipient(r, false, false);
  }
  if (context_.showPhonebook) context_.showPhonebook(currentPath_);
  setWinExitStateToOK();
  if (auto* w = GetPanelWindow(); w && GetServices().toolkit().IsRunningModal(*w))
    DeactivateWindow(nx::platform::ui::kModalResponseStop);
}

void FaxPhonebookSelectWindowsClass::Cancel() {
  setWinExitStateToCancel();
  if (auto* w = GetPanelWindow(); w && GetServices().toolkit().IsRunningModal(*w))
    DeactivateWindow(nx::platform::ui::kModalResponseStop);
}

// ---- Phonebook files ----

nx::platform::ui::SavePanelRequest FaxPhonebookSelectWindowsClass::PhonebookSavePanel() {
  nx::platform::ui::SavePanelRequest request;
  request.title = Localized("New Phonebook Window Title String");
  request.name_label = Localized("New Phonebook Window Field Label String");
  request.message = Localized("New Phonebook Window Prompt String");
  request.start_dir = model_->getMyFaxFileDirectory();
  request.allowed_extensions = {"fap"};
  return request;
}

std::string FaxPhonebookSelectWindowsClass::Localized(std::string_view key) const {
  return bundle_ ? pdekit::LocalizedStringOrKey(*bundle_, key) : std::string(key);
}

bool FaxPhonebookSelectWindowsClass::CurrentFileExists() {
  if (FileExists(currentPath_)) return true;
  ShowAlert(kNotExistTitle, kNotExistText);
  return false;
}

bool FaxPhonebookSelectWindowsClass::NewPhonebook() {
  if (context_.sandboxed) return false;
  auto path = GetServices().toolkit().RunSavePanel(PhonebookSavePanel());
  if (!path) return false;
  // The empty book replaces an existing file atomically; nothing is deleted before it is written.
  if (!model_->createEmptyFaxPhoneBook(*path)) {
    ShowAlert(kNotValidTitle, "Warning_Specified_File_Not_Valiable_Win_Content_ID");
    return false;
  }
  model_->clearPhonebookData();
  SetCurrentPath(*path);
  Changed();
  return true;
}

bool FaxPhonebookSelectWindowsClass::OpenPhonebook() {
  nx::platform::ui::OpenPanelRequest request;
  request.start_dir = model_->getMyFaxFileDirectory();
  request.allowed_extensions = {"fap"};
  auto path = GetServices().toolkit().RunOpenPanel(request);
  if (!path) return false;
  pb::AbifStatus status = pb::kAbifSuccess;
  const bool read = ReadBook(*path, &status);
  if (read) {
    SetCurrentPath(*path);
  } else {
    ShowAlert(kNotValidTitle, status == pb::kAbifOldPhonebookKind ? "Warning_Specified_File_Have_Old_Header_Win_Content_ID"
                                                                  : "Warning_Specified_File_Not_Valiable_Win_Content_ID");
  }
  Changed();
  return read;
}

bool FaxPhonebookSelectWindowsClass::SavePhonebookAs() {
  if (context_.sandboxed || !CurrentFileExists()) return false;
  auto path = GetServices().toolkit().RunSavePanel(PhonebookSavePanel());
  if (!path) return false;
  const std::string previous = currentPath_;
  SetCurrentPath(*path);
  if (!model_->saveMyFaxData()) {
    // The book stays where it was rather than pointing at a file that holds none of it.
    SetCurrentPath(previous);
    ShowAlert(kNotValidTitle, "Warning_Specified_File_Not_Valiable_Win_Content_ID");
    return false;
  }
  ReloadLists();
  return true;
}

bool FaxPhonebookSelectWindowsClass::DeleteFromPhonebook(const std::vector<size_t>& rows) {
  if (context_.sandboxed) return false;
  std::vector<FaxRecord> chosen;
  for (size_t r : rows)
    if (r < rows_.size()) chosen.push_back(rows_[r]);
  if (chosen.empty()) return false;
  if (ShowAlert("Warning_Delete_Entries_Win_Title_ID", "Warning_Delete_Entries_Win_Content_ID", {},
                {"OK Button Ctrl", "Cancel Button Ctrl"}) != 0)
    return false;
  const bool deleted = model_->delectFaxRecordsFromPB(chosen);
  Changed();
  return deleted;
}

void FaxPhonebookSelectWindowsClass::Properties(const std::vector<size_t>& rows) {
  if (context_.sandboxed) return;
  if (rows.size() != 1 || rows[0] >= rows_.size()) {
    ShowAlert("Warning_Edit_Recipients_Win_Title_ID", "Warning_Edit_Recipients_Win_Content_ID");
    return;
  }
  const FaxRecord row = rows_[rows[0]];
  if (context_.openEntryWindow) context_.openEntryWindow(IsGroupRow(row) ? 1 : 0, &row);
  ReloadLists();
}

void FaxPhonebookSelectWindowsClass::NewEntry(int entryType) {
  if (context_.sandboxed || entryType < 0 || !CurrentFileExists()) return;
  if (context_.openEntryWindow) context_.openEntryWindow(entryType, nullptr);
  ReloadLists();
}

void FaxPhonebookSelectWindowsClass::OnNew() {
  if (context_.sandboxed || !CurrentFileExists()) return;
  int type = 0;
  if (newEntryWindow_) {
    newEntryWindow_->resetNewEntryType();
    newEntryWindow_->ActivateWindow();
    type = newEntryWindow_->getNewEntryType();
  }
  if (type >= 0) NewEntry(type);
}

bool FaxPhonebookSelectWindowsClass::ImportToPhonebook(int dataType) {
  static const char* const kExtensions[] = {"csv", "gap", "fad"};
  if (dataType < 1 || dataType > 3) return false;
  nx::platform::ui::OpenPanelRequest request;
  request.start_dir = dataType == 1 ? HomeFolder() : model_->getMyFaxFileDirectory();
  request.allowed_extensions = {kExtensions[dataType - 1]};
  auto path = GetServices().toolkit().RunOpenPanel(request);
  if (!path) return false;
  bool imported = false;
  if (dataType == 1) {
    imported = model_->importRecorder(*path, context_.sandboxed);
  } else if (dataType == 2) {
    // The model reports a refused file itself (old header or not valid).
    imported = model_->importGAPToPhonebook(*path, context_.sandboxed);
  } else {
    imported = model_->importGADToPhonebook(*path, context_.sandboxed);
  }
  Changed();
  return imported;
}

// ---- Layout ----

bool FaxPhonebookSelectWindowsClass::CreateDialog() {
  auto* w = GetPanelWindow();
  if (!w) return false;
  auto on = [w](int tag, std::function<void()> f) {
    if (auto* e = w->FindElement(tag)) e->SetAction([f = std::move(f)](nx::platform::ui::Element&) { f(); });
  };
  static const std::pair<int, const char*> kTitles[] = {
      {kPBSelNewPhonebook, "Fax Phonebook Select Window New Phonebook Button"},
      {kPBSelOpenPhonebook, "Fax Phonebook Select Window Open Phonebook Button"},
      {kPBSelSaveAs, "Fax Phonebook Select Window Save Phonebook As Button"},
      {kPBSelSearchLabel, "Fax Phonebook Select Window Search Label"},
      {kPBSelListLabel, "Fax Phonebook Select Window Phonebook List Label"},
      {kPBSelSelectedLabel, "Fax Phonebook Select Window Selected Recipients Label"},
      {kPBSelAddTo, "Fax Phonebook Select Window Add To Button"},
      {kPBSelNew, "Fax Phonebook Select Window New Button"},
      {kPBSelDelete, "Fax Phonebook Select Window Delete From Phonebook Button"},
      {kPBSelProperties, "Fax Phonebook Select Window Properties Button"},
      {kPBSelImport, "Fax Phonebook Select Window Import To Phonebook Button"},
      {kPBSelDeleteFromList, "Fax Phonebook Select Window Delete From List Button"},
      {kPBSelHelp, "Help Button Ctrl"},
      {kPBSelCancel, "Cancel Button Ctrl"},
      {kPBSelOK, "OK Button Ctrl"},
  };
  for (const auto& [tag, key] : kTitles)
    if (auto* e = w->FindElement(tag)) e->SetTitle(Localized(key));

  on(kPBSelNewPhonebook, [this] { NewPhonebook(); });
  on(kPBSelOpenPhonebook, [this] { OpenPhonebook(); });
  on(kPBSelSaveAs, [this] { SavePhonebookAs(); });
  on(kPBSelSearch, [this, w] {
    if (auto* e = w->FindElement(kPBSelSearch)) searchRecord(e->StringValue());
  });
  on(kPBSelAddTo, [this] { AddTo(SelectedRows(kPBSelList)); });
  if (auto* list = w->FindElement(kPBSelList))
    list->SetDoubleAction([this](nx::platform::ui::Element&) { AddTo(SelectedRows(kPBSelList)); });
  on(kPBSelDeleteFromList, [this] { DeleteFromList(SelectedRows(kPBSelSelectedList)); });
  on(kPBSelDelete, [this] { DeleteFromPhonebook(SelectedRows(kPBSelList)); });
  on(kPBSelProperties, [this] { Properties(SelectedRows(kPBSelList)); });
  on(kPBSelNew, [this] { OnNew(); });
  on(kPBSelHelp, [this] { pdekit::GotoHelpPage(GetServices().help(), bundle_, "Phonebook.htm", nullptr); });
  on(kPBSelImport, [this] {
    if (!importWindow_) return;
    importWindow_->ActivateWindow();
    if (importWindow_->getWinExitState()) ImportToPhonebook(importWindow_->getDataTypeListValue());
  });
  on(kPBSelOK, [this] { OK(); });
  on(kPBSelCancel, [this] { Cancel(); });
  return true;
}

// ---- New entry window ----

bool FaxPBNewEntryWindowsClass::CreateDialog() {
  auto* w = GetPanelWindow();
  if (!w) return false;
  for (int tag : {kPBNewIndividual, kPBNewGroup, kPBNewOK, kPBNewCancel})
    if (!w->FindElement(tag)) return false;
  w->FindElement(kPBNewIndividual)->SetAction([this](nx::platform::ui::Element&) { Choose(0); });
  w->FindElement(kPBNewGroup)->SetAction([this](nx::platform::ui::Element&) { Choose(1); });
  w->FindElement(kPBNewOK)->SetAction([this](nx::platform::ui::Element&) {
    newEntryType_ = chosen_;
    setWinExitStateToOK();
    DeactivateWindow(nx::platform::ui::kModalResponseOK);
  });
  w->FindElement(kPBNewCancel)->SetAction([this](nx::platform::ui::Element&) {
    newEntryType_ = -1;
    setWinExitStateToCancel();
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  });
  return true;
}

void FaxPBNewEntryWindowsClass::Choose(int type) {
  chosen_ = type;
  // The two radio buttons are one choice.
  if (auto* w = GetPanelWindow()) {
    w->FindElement(kPBNewIndividual)->SetIntValue(type == 0 ? 1 : 0);
    w->FindElement(kPBNewGroup)->SetIntValue(type == 1 ? 1 : 0);
  }
}

int FaxPBNewEntryWindowsClass::ActivateWindow() {
  auto* w = GetPanelWindow();
  if (!w) return nx::platform::ui::kModalResponseAbort;
  if (pdeBundleRef) {
    w->FindElement(kPBNewIndividual)->SetTitle(pdekit::LocalizedStringOrKey(*pdeBundleRef, "Fax Phonebook New Entry Window Individual"));
    w->FindElement(kPBNewGroup)->SetTitle(pdekit::LocalizedStringOrKey(*pdeBundleRef, "Fax Phonebook New Entry Window Group"));
    w->FindElement(kPBNewOK)->SetTitle(pdekit::LocalizedStringOrKey(*pdeBundleRef, "OK Button Ctrl"));
    w->FindElement(kPBNewCancel)->SetTitle(pdekit::LocalizedStringOrKey(*pdeBundleRef, "Cancel Button Ctrl"));
  }
  Choose(0);
  return FaxPBPopupWinInPanel::ActivateWindow();
}

}  // namespace faxpde
