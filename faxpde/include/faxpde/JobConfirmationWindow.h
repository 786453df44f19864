// The job confirmation window: the recipients once more, and an optional delayed send at a
// chosen time of day (written as a dated time and as the plain time).
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "faxpde/RecipientRules.h"
#include "nx/phonebook/fax_record.h"
#include "nx/ticket/keys.h"
#include "pdekit/ClockControl.h"
#include "pdekit/PDEHost.h"
#include "pdekit/StateControls.h"

namespace nx::platform {
class Services;
namespace ui {
class Window;
}
}  // namespace nx::platform

namespace faxpde {

inline constexpr const char* kDelaySendTicketKey = nx::ticket::key::DFDelaySendKeyTicket;
inline constexpr const char* kDelaySendDummyTicketKey = nx::ticket::key::DFDelaySendDummyKeyTicket;

// Element tags of the window's layout ("FaxJobConfirmation").
enum JobConfirmationTag {
  kJCListTitle = 10,
  kJCList = 11,
  kJCDelayedSend = 12,
  kJCTimeTitle = 13,
  kJCTime = 14,
  kJCTimeDummy = 15,
  kJCOK = 16,
  kJCAbort = 17,
  kJCHelp = 18,
};

using FaxClock = std::function<std::time_t()>;

// The confirmation list row of a recipient: "name <address>", a speed dial "name <'address'>";
// nothing for other record types.
std::optional<std::string> JobConfirmationRow(const nx::phonebook::FaxRecord& record);

// Both pickers: the hour and minute of a time-of-day element, written only while nothing
// disables them (the delayed send box is checked).
class DFaxHourTimePickerSuper : public pdekit::ClockControl {
 public:
  DFaxHourTimePickerSuper(nx::platform::ui::Element* element, const pdekit::DataAccessInfo* access,
                          const char* summaryKey);
  bool SetValueToTicket(pdekit::PrintSettings* settings, bool locked) override;
  const std::string& GetHourTime() const { return hourTime; }

 protected:
  std::string hourTime = "00:00";
  std::string hourTimedummy = "00:00";
};

class DFaxHourTimePicker : public DFaxHourTimePickerSuper {
 public:
  DFaxHourTimePicker(nx::platform::ui::Element* element, const char* summaryKey);
  void SetFaxClock(FaxClock clock) { clock_ = std::move(clock); }
  bool ConvertToTickectData(std::string& out) override;

 private:
  FaxClock clock_;
};

// Hidden: writes the visible picker's time as "HH:MM".
class DFaxHourTimePickerDummy : public DFaxHourTimePickerSuper {
 public:
  DFaxHourTimePickerDummy(nx::platform::ui::Element* element, const DFaxHourTimePicker* shown);
  bool ConvertToTickectData(std::string& out) override;
  // Only carries the shown picker's time into the ticket: never on the screen, where it would
  // lie over the shown one.
  void ResetStatus() override;

 private:
  const DFaxHourTimePicker* shown_;
};

class FaxPBJobConfirmationWindowsClass : public FaxPBPopupWinInPanel {
 public:
  using RecipientSource = std::function<std::vector<nx::phonebook::FaxRecord>()>;

  FaxPBJobConfirmationWindowsClass(std::unique_ptr<nx::platform::ui::Window> window,
                                   std::string titleKey, pdekit::PDEHostCallback* host,
                                   nx::platform::Services& services);
  ~FaxPBJobConfirmationWindowsClass() override;

  // Builds the list, the delayed send box, both time pickers and the buttons.
  bool CreateDialog();
  // Where the rows come from; read again on each opening.
  void SetRecipientSource(RecipientSource source) { source_ = std::move(source); }
  // Rebuilds the rows from the source, then runs the window as the base does.
  int ActivateWindow() override;
  const std::vector<std::string>& GetRecipientRows() const { return rows_; }
  // Writes the two delayed send keys while the delayed send box is checked; true.
  bool SetValueToTicket(pdekit::PrintSettings* settings, bool locked);
  // The source of "now" for the dated delayed send time (the system clock by default).
  void SetClock(FaxClock clock);

  DFaxHourTimePicker* getFaxPBJobConfirmationWinTimeCtrlPtr() const { return timeCtrl_.get(); }
  DFaxHourTimePicker& getFaxPBJobConfirmationWinTimeCtrl() const { return *timeCtrl_; }
  DFaxHourTimePickerDummy* getFaxPBJobConfirmationWinTimeDummyCtrlPtr() const {
    return dummyCtrl_.get();
  }
  bool IsDelayedSendChecked() const;

 private:
  void RebuildRows();
  std::shared_ptr<pdekit::CheckBox> delayedCtrl_;
  std::shared_ptr<DFaxHourTimePicker> timeCtrl_;
  std::shared_ptr<DFaxHourTimePickerDummy> dummyCtrl_;
  std::vector<std::string> rows_;
  RecipientSource source_;
  FaxClock clock_;
};

}  // namespace faxpde
