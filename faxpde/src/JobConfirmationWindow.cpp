#include "faxpde/JobConfirmationWindow.h"

#include <cstdio>

#include "nx/platform/services.h"
#include "nx/platform/toolkit.h"
#include "pdekit/ControlTables.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

namespace {

constexpr pdekit::ClockIniData kTimeIni{};
constexpr pdekit::DataAccessInfo kTimeAccess{pdekit::kAccessTypeDate, pdekit::kAccessTypeDate,
                                             kDelaySendTicketKey, nullptr};
constexpr pdekit::DataAccessInfo kDummyAccess{pdekit::kAccessTypeDate, pdekit::kAccessTypeDate,
                                              kDelaySendDummyTicketKey, nullptr};

// The delayed send box: off disables both pickers.
const pdekit::CheckBoxIniData kDelayedIni{
    0, 0, -1, "Fax Phonebook Job Confirmation Window Delayed Send Check Box String"};
constexpr int kDelayedOffDisables[] = {kJCTimeTitle, kJCTime, kJCTimeDummy, 0};
constexpr pdekit::ControlIDList kDelayedDisable[] = {kDelayedOffDisables, {}};
constexpr pdekit::ConstrainTable kDelayedConstrain{kDelayedDisable, {}, {}};


}  // namespace

std::optional<std::string> JobConfirmationRow(const nx::phonebook::FaxRecord& record) {
  const long long type = nx::phonebook::FaxRecordInteger(record, "RecodeType");
  const std::string& name = nx::phonebook::FaxRecordText(record, "Name");
  const std::string& address = nx::phonebook::FaxRecordText(record, "Address");
  if (type == nx::phonebook::kNormal_Fax_Type || type == nx::phonebook::kPhonebook_Fax_Type)
    return name + " <" + address + ">";
  if (type == nx::phonebook::kSpeedDial_Fax_Type) return name + " <'" + address + "'>";
  return std::nullopt;
}

// ---- Pickers ----

DFaxHourTimePickerSuper::DFaxHourTimePickerSuper(nx::platform::ui::Element* element,
                                                 const pdekit::DataAccessInfo* access,
                                                 const char* summaryKey)
    : ClockControl(element, &kTimeIni, nullptr, access, nx::platform::PrefUser::kCurrent,
                   summaryKey) {}

bool DFaxHourTimePickerSuper::SetValueToTicket(pdekit::PrintSettings* settings, bool locked) {
  if (GetConstrainCount() != 0) return true;
  return ClockControl::SetValueToTicket(settings, locked);
}

DFaxHourTimePicker::DFaxHourTimePicker(nx::platform::ui::Element* element, const char* summaryKey)
    : DFaxHourTimePickerSuper(element, &kTimeAccess, summaryKey),
      clock_([] { return std::time(nullptr); }) {}

bool DFaxHourTimePicker::ConvertToTickectData(std::string& out) {
  if (!GetControlBlkPtr()) return false;
  const pdekit::LongDateRec chosen = GetControlTime();
  const std::string text = DelayedSendDateText(clock_(), chosen.hour, chosen.minute);
  if (text.empty()) return false;
  hourTime = text;
  out = text;
  return true;
}

DFaxHourTimePickerDummy::DFaxHourTimePickerDummy(nx::platform::ui::Element* element,
                                                 const DFaxHourTimePicker* shown)
    : DFaxHourTimePickerSuper(element, &kDummyAccess, nullptr), shown_(shown) {}

void DFaxHourTimePickerDummy::ResetStatus() {
  DFaxHourTimePickerSuper::ResetStatus();
  if (nx::platform::ui::Element* e = GetControlPtr()) e->SetHidden(true);
}

bool DFaxHourTimePickerDummy::ConvertToTickectData(std::string& out) {
  if (!shown_ || !shown_->GetControlBlkPtr()) return false;
  const pdekit::LongDateRec chosen = shown_->GetControlTime();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", chosen.hour, chosen.minute);
  hourTimedummy = text;
  out = text;
  return true;
}

// ---- Window ----

FaxPBJobConfirmationWindowsClass::FaxPBJobConfirmationWindowsClass(
    std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
    pdekit::PDEHostCallback* host, nx::platform::Services& services)
    : FaxPBPopupWinInPanel(std::move(window), std::move(titleKey), host, services) {}

FaxPBJobConfirmationWindowsClass::~FaxPBJobConfirmationWindowsClass() = default;

bool FaxPBJobConfirmationWindowsClass::CreateDialog() {
  nx::platform::ui::Window* w = GetPanelWindow();
  if (!w) return false;
  auto titled = [&](int tag, const char* key) {
    RunTimeAddNewControl(std::make_shared<pdekit::TitledControl>(w->FindElement(tag), key));
  };
  titled(kJCListTitle, "Fax Phonebook Job Confirmation Window Recipients List Title String");
  delayedCtrl_ = std::make_shared<pdekit::CheckBox>(w->FindElement(kJCDelayedSend), &kDelayedIni,
                                                    &kDelayedConstrain, nullptr,
                                                    nx::platform::PrefUser::kCurrent);
  RunTimeAddNewControl(delayedCtrl_);
  titled(kJCTimeTitle, "Fax Phonebook Job Confirmation Window Time Title String");
  timeCtrl_ = std::make_shared<DFaxHourTimePicker>(
      w->FindElement(kJCTime), "Fax Phonebook Job Confirmation Window Time Title String");
  if (clock_) timeCtrl_->SetFaxClock(clock_);
  RunTimeAddNewControl(timeCtrl_);
  dummyCtrl_ =
      std::make_shared<DFaxHourTimePickerDummy>(w->FindElement(kJCTimeDummy), timeCtrl_.get());
  RunTimeAddNewControl(dummyCtrl_);

  auto ok = std::make_shared<pdekit::BaseButton>(w->FindElement(kJCOK), "OK Button Ctrl");
  ok->SetHandler([this](pdekit::BaseButton&) {
    SycValueFromUI();
    SetValueFromUIToControl();
    setWinExitStateToOK();
    DeactivateWindow(nx::platform::ui::kModalResponseOK);
  });
  RunTimeAddNewControl(ok);
  auto abort = std::make_shared<pdekit::BaseButton>(w->FindElement(kJCAbort), "Abort Button Ctrl");
  abort->SetHandler([this](pdekit::BaseButton&) {
    setWinExitStateToCancel();
    DeactivateWindow(nx::platform::ui::kModalResponseCancel);
  });
  RunTimeAddNewControl(abort);
  auto help = std::make_shared<pdekit::BaseButton>(w->FindElement(kJCHelp), nullptr);
  help->SetHandler([this](pdekit::BaseButton&) {
    if (const nx::platform::Bundle* bundle = GetPDEBundleRef())
      pdekit::GotoHelpPage(services_.help(), bundle, "Confirmation.htm", nullptr);
  });
  RunTimeAddNewControl(help);
  return true;
}

void FaxPBJobConfirmationWindowsClass::SetClock(FaxClock clock) {
  clock_ = std::move(clock);
  if (timeCtrl_) timeCtrl_->SetFaxClock(clock_);
}

bool FaxPBJobConfirmationWindowsClass::IsDelayedSendChecked() const {
  return delayedCtrl_ && delayedCtrl_->GetState() == 1;
}

void FaxPBJobConfirmationWindowsClass::RebuildRows() {
  rows_.clear();
  if (source_)
    for (const auto& record : source_())
      if (auto row = JobConfirmationRow(record)) rows_.push_back(std::move(*row));
  nx::platform::ui::Window* w = GetPanelWindow();
  if (nx::platform::ui::Element* list = w ? w->FindElement(kJCList) : nullptr) {
    list->RemoveAllItems();
    for (const auto& row : rows_) list->AddRow({row});
  }
}

int FaxPBJobConfirmationWindowsClass::ActivateWindow() {
  RebuildRows();
  return FaxPBPopupWinInPanel::ActivateWindow();
}

bool FaxPBJobConfirmationWindowsClass::SetValueToTicket(pdekit::PrintSettings* settings,
                                                        bool locked) {
  if (!settings || !IsDelayedSendChecked()) return true;
  if (timeCtrl_) timeCtrl_->SetValueToTicket(settings, locked);
  if (dummyCtrl_) dummyCtrl_->SetValueToTicket(settings, locked);
  return true;
}

}  // namespace faxpde
