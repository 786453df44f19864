#include <algorithm>
#include <set>
#include <utility>

#include "entries/EntryWindowSupport.h"
#include "faxpde/PhonebookEntryWindows.h"
#include "nx/phonebook/fax_pb_entry_rules.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/services.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

using entries::FindTag;
using entries::ShowEntryAlert;
using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordList;
using nx::phonebook::FaxRecordSetList;
using nx::phonebook::FaxRecordSetText;
using nx::phonebook::FaxRecordText;
using nx::phonebook::kFaxPBGroups;
using nx::phonebook::kFaxPBIndividuals;

namespace {

constexpr char kNewTitle[] = "Fax Phonebook New Group Entry Window Title String";
constexpr char kEditTitle[] = "Fax Phonebook Edit Group Entry Window Title String";
constexpr char kHelpPage[] = "GroupEntry.htm";

bool AllSpaces(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

FaxPBNewGroupEntryWindowsClass::FaxPBNewGroupEntryWindowsClass(std::unique_ptr<nx::platform::ui::Window> window,
                                                               std::string titleKey, pdekit::PDEHostCallback* host,
                                                               nx::platform::Services& services)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services) {}

FaxPBNewGroupEntryWindowsClass::~FaxPBNewGroupEntryWindowsClass() = default;

bool FaxPBNewGroupEntryWindowsClass::CreateDialog() {
  if (created_) return true;
  nx::platform::ui::View* view = GetPanelControlPtr();
  if (!view) return false;
  for (int tag : {kGrpOK, kGrpCancel, kGrpName, kGrpSearch, kGrpIndividualList, kGrpProperties, kGrpAddTo,
                  kGrpMemberList, kGrpDelete})
    if (!view->FindElement(tag)) return false;
  if (auto* e = view->FindElement(kGrpNameLabel))
    RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(e, "Fax Phonebook New Group Entry Window Group Name"));
  auto button = [this](int tag, const char* key, std::function<void()> handler) {
    entries::AddEntryButton(*this, tag, key, std::move(handler));
  };
  button(kGrpOK, "Fax Phonebook New Group Entry Window OK Button", [this] { OnOK(); });
  button(kGrpCancel, "Fax Phonebook New Group Entry Window Cancel Button", [this] {
    setWinExitStateToCancel();
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  });
  button(kGrpProperties, "Fax Phonebook New Group Entry Window Properties Button", [this] { OnProperties(); });
  button(kGrpAddTo, "Fax Phonebook New Group Entry Window Add To Button", [this] { OnAddTo(); });
  button(kGrpDelete, "Fax Phonebook New Group Entry Window Delete Button", [this] { OnDelete(); });
  if (view->FindElement(kGrpHelp))
    button(kGrpHelp, nullptr, [this] { pdekit::GotoHelpPage(services_.help(), pdeBundleRef, kHelpPage, nullptr); });
  created_ = true;
  return true;
}

int FaxPBNewGroupEntryWindowsClass::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  initialised_ = true;
  const int result = FaxPBPopupWinInPanel::InitializeUserPane(bundle, ppd);
  // The lists and the search field act on their own elements (no control keeps a value).
  if (auto* e = FindTag(*this, kGrpSearch)) e->SetAction([this](nx::platform::ui::Element&) { OnSearch(); });
  if (auto* e = FindTag(*this, kGrpIndividualList))
    e->SetDoubleAction([this](nx::platform::ui::Element&) { OnAddTo(); });
  return result;
}

std::string FaxPBNewGroupEntryWindowsClass::TitleKey() const {
  return m_PanelState == kEntryStateNew ? kNewTitle : kEditTitle;
}

bool FaxPBNewGroupEntryWindowsClass::ActivateWindow(const FaxRecord* record, int openState) {
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window || !created_ || !model_) return false;
  if (openState != kEntryStateNew && !record) return false;
  m_PanelState = openState == kEntryStateNew ? kEntryStateNew : kEntryStateEdit;
  changed_ = false;
  current_EditRecord = m_PanelState == kEntryStateNew ? nx::phonebook::initFaxGroup() : *record;
  members_ = FaxRecordList(current_EditRecord, "EntryList");

  setWinExitStateToCancel();
  if (!initialised_) InitializeUserPane(pdeBundleRef, currentPPD);
  else ReInitializeUserPane();
  window->SetTitle(entries::Localized(*this, TitleKey()));
  if (auto* e = FindTag(*this, kGrpName)) e->SetStringValue(FaxRecordText(current_EditRecord, "GroupName"));
  if (auto* e = FindTag(*this, kGrpSearch)) e->SetStringValue("");
  ReloadIndividualList();
  ReloadMemberList();

  services_.toolkit().RunModal(*window);
  return changed_;
}

void FaxPBNewGroupEntryWindowsClass::ReloadIndividualList() {
  rows_.clear();
  auto* list = FindTag(*this, kGrpIndividualList);
  if (!list || !model_) return;
  list->RemoveAllItems();
  const auto* search = FindTag(*this, kGrpSearch);
  const std::string text = search ? search->StringValue() : std::string();
  for (const FaxRecord& r : model_->getAddrsByType(kFaxPBIndividuals)) {
    if (!text.empty() && !entries::ContainsIgnoringCase(FaxRecordText(r, "Name"), text)) continue;
    rows_.push_back({FaxRecordText(r, "Id"), 0});
    list->AddItem(entries::IndividualRow(*this, r));
  }
  for (const FaxRecord& g : model_->getAddrsByType(kFaxPBGroups)) {
    // The group being edited cannot become its own member.
    if (m_PanelState != kEntryStateNew && FaxRecordText(g, "Id") == FaxRecordText(current_EditRecord, "Id")) continue;
    if (!text.empty() && !entries::ContainsIgnoringCase(FaxRecordText(g, "GroupName"), text)) continue;
    rows_.push_back({FaxRecordText(g, "Id"), 1});
    list->AddItem(entries::GroupRow(*this, g));
  }
}

void FaxPBNewGroupEntryWindowsClass::ReloadMemberList() {
  auto* list = FindTag(*this, kGrpMemberList);
  if (!list || !model_) return;
  list->RemoveAllItems();
  // An Id that names no individual cannot be stored with the group.
  std::erase_if(members_, [&](const std::string& id) { return model_->getMyFaxRecordByID(id) == nullptr; });
  for (const std::string& id : members_) list->AddItem(entries::IndividualRow(*this, *model_->getMyFaxRecordByID(id)));
}

std::vector<int> FaxPBNewGroupEntryWindowsClass::SelectedRows(int tag) {
  auto* list = FindTag(*this, tag);
  if (!list) return {};
  std::vector<int> rows = list->SelectedRows();
  std::erase_if(rows, [&](int row) { return row < 0 || row >= list->ItemCount(); });
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void FaxPBNewGroupEntryWindowsClass::OnSearch() { ReloadIndividualList(); }

void FaxPBNewGroupEntryWindowsClass::OnAddTo() {
  if (!model_) return;
  std::vector<std::string> added;
  std::set<std::string> present(members_.begin(), members_.end());
  auto take = [&](const std::string& id) {
    if (model_->getMyFaxRecordByID(id) && present.insert(id).second) added.push_back(id);
  };
  for (int row : SelectedRows(kGrpIndividualList)) {
    if (static_cast<std::size_t>(row) >= rows_.size()) continue;
    const Row& r = rows_[row];
    if (r.faxType == 0) {
      take(r.id);
      continue;
    }
    // A chosen group gives its members.
    for (const FaxRecord& g : model_->getAddrsByType(kFaxPBGroups))
      if (FaxRecordText(g, "Id") == r.id) {
        for (const std::string& id : FaxRecordList(g, "EntryList")) take(id);
        break;
      }
  }
  if (added.empty()) return;
  if (members_.size() + added.size() > static_cast<std::size_t>(nx::phonebook::kFaxPBMaxGroupMembers)) {
    ShowEntryAlert(*this, "Warning_Add_Group_Member_to_List_Win_Title_ID",
                   "Warning_Add_Group_Member_Exceeding_Maximum_Num_Content_Title_ID",
                   {std::to_string(nx::phonebook::kFaxPBMaxGroupMembers)});
    return;
  }
  members_.insert(members_.end(), added.begin(), added.end());
  ReloadMemberList();
  services_.notifications().Post(nx::phonebook::kDFGroupEntryRecipientModelChanged, this);
}

void FaxPBNewGroupEntryWindowsClass::OnDelete() {
  const std::vector<int> rows = SelectedRows(kGrpMemberList);
  if (rows.empty()) return;
  if (ShowEntryAlert(*this, "Warning_Delete_Group_Member_Win_Title_ID", "Warning_Delete_Group_Member_Win_Content_ID", {},
                     {"OK Button Ctrl", "Cancel Button Ctrl"}) != 0)
    return;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    if (static_cast<std::size_t>(*it) < members_.size()) members_.erase(members_.begin() + *it);
  ReloadMemberList();
  services_.notifications().Post(nx::phonebook::kDFGroupEntryRecipientModelChanged, this);
}

void FaxPBNewGroupEntryWindowsClass::OnProperties() {
  const std::vector<int> rows = SelectedRows(kGrpIndividualList);
  if (rows.size() != 1 || static_cast<std::size_t>(rows[0]) >= rows_.size()) {
    ShowEntryAlert(*this, "Warning_Edit_Recipients_Win_Title_ID", "Warning_Edit_Recipients_Win_Content_ID");
    return;
  }
  const Row row = rows_[rows[0]];
  if (row.faxType == 1) {
    if (!properties_) return;
    for (const FaxRecord& g : model_->getAddrsByType(kFaxPBGroups))
      if (FaxRecordText(g, "Id") == row.id) {
        const FaxRecord group = g;
        properties_->ActivateWindow(group, kEntryStateReadOnly);
        break;
      }
  } else if (individual_) {
    if (const FaxRecord* r = model_->getMyFaxRecordByID(row.id)) {
      const FaxRecord entry = *r;
      individual_->ActivateWindow(&entry, kEntryStateReadOnly, kOpenFromGroupEntry);
    }
  }
}

FaxRecord FaxPBNewGroupEntryWindowsClass::getGroupEntrySettings() {
  if (auto* e = FindTag(*this, kGrpName)) FaxRecordSetText(current_EditRecord, "GroupName", e->StringValue());
  FaxRecordSetList(current_EditRecord, "EntryList", members_);
  FaxRecordSetText(current_EditRecord, "EntryNum", std::to_string(members_.size()));
  return current_EditRecord;
}

void FaxPBNewGroupEntryWindowsClass::OnOK() {
  if (!model_) return;
  FaxRecord group = getGroupEntrySettings();
  auto refuse = [&](const nx::phonebook::FaxPBRefusal& r) {
    // The group checks speak under this window's title.
    const std::string title = r.titleKey == nx::phonebook::kFaxPBGroupWindowTitle ? TitleKey() : r.titleKey;
    ShowEntryAlert(*this, title, r.textKey, r.arguments);
  };
  bool saved = false;
  if (m_PanelState == kEntryStateNew) {
    auto result = nx::phonebook::AddNewGroupEntry(*model_, std::move(group), isSandbox);
    if (result.refusal) return refuse(*result.refusal);
    saved = result.added;
  } else {
    const std::string& name = FaxRecordText(group, "GroupName");
    const auto& members = FaxRecordList(group, "EntryList");
    if (name.empty() || AllSpaces(name))
      return refuse({kEditTitle, "Warning_New_Group_Entry_Window_NULL_Group_Name_ID", {}});
    if (!nx::phonebook::FaxPhonebookModel::checkStrIsValidate(name, nx::phonebook::kFaxPBGroupNameField))
      return refuse({kEditTitle, nx::phonebook::kFaxPBStringTooLong, {"GroupName"}});
    if (members.empty())
      return refuse({kEditTitle, "Warning_New_Group_Entry_Window_One_Member_At_Least_Group_Name_ID", {}});
    if (members.size() > static_cast<std::size_t>(nx::phonebook::kFaxPBMaxGroupMembers))
      return refuse({"Warning_Add_Group_Member_to_List_Win_Title_ID",
                     "Warning_Add_Group_Member_Exceeding_Maximum_Num_Content_Title_ID",
                     {std::to_string(nx::phonebook::kFaxPBMaxGroupMembers)}});
    const std::string& id = FaxRecordText(group, "Id");
    for (const FaxRecord& other : model_->getAddrsByType(kFaxPBGroups))
      if (FaxRecordText(other, "Id") != id && FaxRecordText(other, "GroupName") == name)
        return refuse({kEditTitle, "Warning_New_Group_Entry_Window_Double_Group_Name_ID", {}});
    saved = model_->replaceFaxRecordsFromPBByID(group, kFaxPBGroups);
  }
  entries::CloseAfterSave(*this, *model_, saved, isSandbox, TitleKey(), changed_);
}

}  // namespace faxpde
