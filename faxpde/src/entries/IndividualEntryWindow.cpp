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
using nx::phonebook::FaxRecordSetText;
using nx::phonebook::FaxRecordText;

namespace {

constexpr char kNewTitle[] = "Fax Phonebook New Individual Entry Window Title String";
constexpr char kEditTitle[] = "Fax Phonebook Edit Individual Entry Window Title String";
constexpr char kHelpPage[] = "IndividualEntry.htm";
constexpr const char* kCategoryKeys[] = {"Fax Phonebook New Individual Entry Window Fax Category - Fax",
                                         "Fax Phonebook New Individual Entry Window Fax Category - IP-Fax"};

// The text fields and the record keys they show.
struct Field {
  int tag;
  const char* key;
};
constexpr Field kFields[] = {{kIndName, "Name"}, {kIndCompany, "Company"}, {kIndAddress, "Address"},
                             {kIndTel, "Tel"},   {kIndEmail, "Email"},     {kIndMemo, "Memo"}};

struct Label {
  int tag;
  const char* key;
};
constexpr Label kLabels[] = {{kIndNameLabel, "Fax Phonebook New Individual Entry Window Name"},
                             {kIndCompanyLabel, "Fax Phonebook New Individual Entry Window Company"},
                             {kIndCategoryLabel, "Fax Phonebook New Individual Entry Window Fax Category"},
                             {kIndAddressLabel, "Fax Phonebook New Individual Entry Window Fax Number"},
                             {kIndTelLabel, "Fax Phonebook New Individual Entry Window Tel"},
                             {kIndEmailLabel, "Fax Phonebook New Individual Entry Window E-mail"},
                             {kIndMemoLabel, "Fax Phonebook New Individual Entry Window Memo"}};

bool SameIndividualKey(const FaxRecord& a, const FaxRecord& b) {
  for (const char* key : {"Name", "Address", "AddressType"})
    if (FaxRecordText(a, key) != FaxRecordText(b, key)) return false;
  return true;
}

}  // namespace

FaxPBNewIndividualEntryWindowsClass::FaxPBNewIndividualEntryWindowsClass(
    std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey, pdekit::PDEHostCallback* host,
    nx::platform::Services& services)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services) {}

FaxPBNewIndividualEntryWindowsClass::~FaxPBNewIndividualEntryWindowsClass() = default;

bool FaxPBNewIndividualEntryWindowsClass::CreateDialog() {
  if (created_) return true;
  nx::platform::ui::View* view = GetPanelControlPtr();
  if (!view) return false;
  for (int tag : {kIndOK, kIndCancel, kIndCommunication, kIndCategory})
    if (!view->FindElement(tag)) return false;
  for (const Field& f : kFields)
    if (!view->FindElement(f.tag)) return false;

  for (const Label& l : kLabels)
    if (auto* e = view->FindElement(l.tag)) RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(e, l.key));
  auto button = [this](int tag, const char* key, std::function<void()> handler) {
    entries::AddEntryButton(*this, tag, key, std::move(handler));
  };
  button(kIndOK, "Fax Phonebook New Individual Entry Window OK Button", [this] { OnOK(); });
  button(kIndCancel, "Fax Phonebook New Individual Entry Window Cancel Button", [this] {
    setWinExitStateToCancel();
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  });
  button(kIndCommunication, "Fax Phonebook New Individual Entry Window Communication Button",
         [this] { OnCommunication(); });
  if (view->FindElement(kIndHelp))
    button(kIndHelp, nullptr, [this] { pdekit::GotoHelpPage(services_.help(), pdeBundleRef, kHelpPage, nullptr); });
  created_ = true;
  return true;
}

int FaxPBNewIndividualEntryWindowsClass::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  initialised_ = true;
  const int result = FaxPBPopupWinInPanel::InitializeUserPane(bundle, ppd);
  if (auto* e = FindTag(*this, kIndCategory)) {
    e->RemoveAllItems();
    for (const char* key : kCategoryKeys) e->AddItem(entries::Localized(*this, key));
  }
  return result;
}

std::string FaxPBNewIndividualEntryWindowsClass::TitleKey() const {
  return m_PanelState == kEntryStateNew ? kNewTitle : kEditTitle;
}

bool FaxPBNewIndividualEntryWindowsClass::ActivateWindow(const FaxRecord* record, int openState, int openFrom) {
  nx::platform::ui::Window* window = GetPanelWindow();
  if (!window || !created_) return false;
  if (openState != kEntryStateNew && !record) return false;
  m_PanelState = openState;
  m_PanelFrom = openFrom;
  changed_ = false;
  addedId_.clear();
  current_EditRecord = openState == kEntryStateNew ? nx::phonebook::initFax() : *record;
  original_ = current_EditRecord;
  if (FaxRecordText(current_EditRecord, "AddressType").empty())
    FaxRecordSetText(current_EditRecord, "AddressType", nx::phonebook::kAddressTypeFax);

  setWinExitStateToCancel();
  if (!initialised_) InitializeUserPane(pdeBundleRef, currentPPD);
  else ReInitializeUserPane();
  window->SetTitle(entries::Localized(*this, TitleKey()));
  SetCurrentValueToUI(current_EditRecord);

  const bool editable = m_PanelState != kEntryStateReadOnly;
  for (const Field& f : kFields)
    if (auto* e = FindTag(*this, f.tag)) e->SetEnabled(editable);
  if (auto* e = FindTag(*this, kIndCategory)) e->SetEnabled(editable);
  if (auto* e = FindTag(*this, kIndOK)) e->SetEnabled(editable);
  // Read-only still shows the communication settings (read-only there too).
  if (auto* e = FindTag(*this, kIndCommunication)) e->SetEnabled(comm_ != nullptr);

  services_.toolkit().RunModal(*window);
  return changed_;
}

void FaxPBNewIndividualEntryWindowsClass::SetCurrentValueToUI(const FaxRecord& record) {
  for (const Field& f : kFields)
    if (auto* e = FindTag(*this, f.tag)) e->SetStringValue(FaxRecordText(record, f.key));
  if (auto* e = FindTag(*this, kIndCategory))
    e->SelectItem(FaxRecordText(record, "AddressType") == nx::phonebook::kAddressTypeIPFax ? 1 : 0);
}

FaxRecord FaxPBNewIndividualEntryWindowsClass::getIndividualEntrySettings() {
  for (const Field& f : kFields)
    if (auto* e = FindTag(*this, f.tag)) FaxRecordSetText(current_EditRecord, f.key, e->StringValue());
  const auto* category = FindTag(*this, kIndCategory);
  FaxRecordSetText(current_EditRecord, "AddressType",
                   category && category->SelectedIndex() == 1 ? nx::phonebook::kAddressTypeIPFax
                                                               : nx::phonebook::kAddressTypeFax);
  return current_EditRecord;
}

void FaxPBNewIndividualEntryWindowsClass::OnCommunication() {
  if (!comm_) return;
  getIndividualEntrySettings();
  const int state = m_PanelState == kEntryStateReadOnly ? kCommunicationReadOnly : kCommunicationEditable;
  comm_->ActivateWindow(&current_EditRecord, state, device_);
}

void FaxPBNewIndividualEntryWindowsClass::OnOK() {
  if (m_PanelState == kEntryStateReadOnly) return;
  FaxRecord entry = getIndividualEntrySettings();
  if (!model_) {
    setWinExitStateToOK();
    DeactivateWindow(nx::platform::ui::kModalResponseOK);
    return;
  }
  auto refuse = [&](const nx::phonebook::FaxPBRefusal& r) { ShowEntryAlert(*this, r.titleKey, r.textKey, r.arguments); };
  bool saveFailed = false;
  if (m_PanelState == kEntryStateNew) {
    auto result = nx::phonebook::AddNewIndividualEntry(*model_, std::move(entry), isSandbox);
    if (result.refusal) return refuse(*result.refusal);
    saveFailed = !result.added;
    if (result.added) addedId_ = result.id;
  } else {
    if (auto r = nx::phonebook::CheckIndividualEntryFields(entry)) return refuse(*r);
    if (auto r = nx::phonebook::CheckCommunicationSettings(entry)) return refuse(*r);
    if (!SameIndividualKey(entry, original_)) {
      const std::string& id = FaxRecordText(entry, "Id");
      for (const FaxRecord& other : model_->getAddrsByType(nx::phonebook::kFaxPBIndividuals)) {
        if (FaxRecordText(other, "Id") != id && SameIndividualKey(other, entry)) {
          ShowEntryAlert(*this, kEditTitle, "Warning_New_Individual_Entry_Duplicated_Individual_ID");
          return;
        }
      }
    }
    saveFailed = !model_->replaceFaxRecordsFromPBByID(entry, nx::phonebook::kFaxPBIndividuals);
  }
  entries::CloseAfterSave(*this, *model_, !saveFailed, isSandbox, TitleKey(), changed_);
}

}  // namespace faxpde
