#include <algorithm>
#include <utility>

#include "entries/EntryWindowSupport.h"
#include "faxpde/PhonebookEntryWindows.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/services.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

using entries::FindTag;
using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordList;

namespace {
constexpr char kHelpPage[] = "GroupEntry.htm";
}

FaxPBGroupPropertiesWindowsClass::FaxPBGroupPropertiesWindowsClass(std::unique_ptr<nx::platform::ui::Window> window,
                                                                   std::string titleKey,
                                                                   pdekit::PDEHostCallback* host,
                                                                   nx::platform::Services& services)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services) {}

FaxPBGroupPropertiesWindowsClass::~FaxPBGroupPropertiesWindowsClass() = default;

bool FaxPBGroupPropertiesWindowsClass::CreateDialog() {
  if (created_) return true;
  nx::platform::ui::View* view = GetPanelControlPtr();
  if (!view) return false;
  for (int tag : {kGrpPropClose, kGrpPropList, kGrpPropProperties})
    if (!view->FindElement(tag)) return false;
  auto button = [&](int tag, const char* key, std::function<void()> handler) {
    auto b = std::make_shared<pdekit::BaseButton>(view->FindElement(tag), key);
    b->SetHandler([handler = std::move(handler)](pdekit::BaseButton&) { handler(); });
    RunTimeAddNewControl(b);
  };
  button(kGrpPropClose, "Fax Phonebook Group Properties Window OK Button", [this] {
    setWinExitStateToOK();
    DeactivateWindow(nx::platform::ui::kModalResponseOK);
  });
  button(kGrpPropProperties, "Fax Phonebook Group Properties Window Properties Button", [this] { OnProperties(); });
  if (view->FindElement(kGrpPropHelp))
    button(kGrpPropHelp, nullptr, [this] { pdekit::GotoHelpPage(services_.help(), pdeBundleRef, kHelpPage, nullptr); });
  created_ = true;
  return true;
}

int FaxPBGroupPropertiesWindowsClass::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  initialised_ = true;
  const int result = FaxPBPopupWinInPanel::InitializeUserPane(bundle, ppd);
  if (auto* e = FindTag(*this, kGrpPropList))
    e->SetDoubleAction([this](nx::platform::ui::Element&) { OnProperties(); });
  return result;
}

bool FaxPBGroupPropertiesWindowsClass::ActivateWindow(const FaxRecord& group, int openState) {
  m_OpenState = openState;
  current_GroupRecord = group;
  changed_ = false;
  setWinExitStateToCancel();
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window || !created_) return false;
  if (!initialised_) InitializeUserPane(pdeBundleRef, currentPPD);
  else ReInitializeUserPane();
  window->SetTitle(entries::Localized(*this, GetWinTitleKey()));
  SetCurrentPanelControlValueToDefault();
  ReloadList();
  services_.toolkit().RunModal(*window);
  return changed_;
}

void FaxPBGroupPropertiesWindowsClass::ReloadList() {
  members_.clear();
  auto* list = FindTag(*this, kGrpPropList);
  if (list) list->RemoveAllItems();
  if (!model_) return;
  for (const std::string& id : FaxRecordList(current_GroupRecord, "EntryList"))
    if (const FaxRecord* r = model_->getMyFaxRecordByID(id)) members_.push_back(*r);
  if (!list) return;
  for (const FaxRecord& r : members_) list->AddItem(entries::IndividualRow(*this, r));
  if (!members_.empty()) list->SelectItem(0);
}

std::vector<FaxRecord> FaxPBGroupPropertiesWindowsClass::getSelectedRecord() {
  std::vector<FaxRecord> out;
  auto* list = FindTag(*this, kGrpPropList);
  if (!list) return out;
  std::vector<int> rows = list->SelectedRows();
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows)
    if (row >= 0 && static_cast<std::size_t>(row) < members_.size()) out.push_back(members_[row]);
  return out;
}

void FaxPBGroupPropertiesWindowsClass::OnProperties() {
  const std::vector<FaxRecord> chosen = getSelectedRecord();
  if (chosen.empty()) return;
  if (chosen.size() != 1) {
    entries::ShowEntryAlert(*this, "Warning_Edit_Recipients_Win_Title_ID", "Warning_Edit_Recipients_Win_Content_ID");
    return;
  }
  if (!individual_) return;
  if (individual_->ActivateWindow(&chosen.front(), m_OpenState, kOpenFromGroupProperties)) {
    changed_ = true;
    ReloadList();
  }
}

}  // namespace faxpde
