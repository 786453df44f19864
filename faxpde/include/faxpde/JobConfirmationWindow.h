// The job confirmation window: the recipients once more, and an optional delayed send at a
// chosen time of day (written as a dated time and as the plain time).
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "faxpde/FaxPBPopupWinInPanel.h"
#include "pdekit/PDEHost.h"

namespace nx::platform {
class Services;
namespace ui {
class Window;
}
}  // namespace nx::platform

namespace faxpde {

inline constexpr const char* kDelaySendTicketKey = "com.norvalex.nb.qtz.printsettings.DFDelaySendKeyTicket";
inline constexpr const char* kDelaySendDummyTicketKey = "com.norvalex.nb.qtz.printsettings.DFDelaySendDummyKeyTicket";

class DFaxHourTimePicker;
class DFaxHourTimePickerDummy;

class FaxPBJobConfirmationWindowsClass : public FaxPBPopupWinInPanel {
 public:
  using Clock = std::function<std::time_t()>;

  FaxPBJobConfirmationWindowsClass(std::unique_ptr<nx::platform::ui::Window> window, std::string titleKey,
                                   pdekit::PDEHostCallback* host, nx::platform::Services& services);
  ~FaxPBJobConfirmationWindowsClass() override;

  // Builds the list, the delayed send box, both time pickers and the buttons.
  bool CreateDialog();
  // The rows shown: one per recipient record ("member" key), rebuilt on each opening.
  void SetRecipientRows(std::vector<std::string> rows);
  const std::vector<std::string>& GetRecipientRows() const { return rows_; }
  // Writes the two delayed send keys while the delayed send box is checked; true.
  bool SetValueToTicket(pdekit::PrintSettings* settings, bool locked);
  // The source of "now" for the dated delayed send time (the system clock by default).
  void SetClock(Clock clock);

  DFaxHourTimePicker* getFaxPBJobConfirmationWinTimeCtrlPtr() const { return timeCtrl_.get(); }
  DFaxHourTimePicker& getFaxPBJobConfirmationWinTimeCtrl() const { return *timeCtrl_; }
  DFaxHourTimePickerDummy* getFaxPBJobConfirmationWinTimeDummyCtrlPtr() const { return dummyCtrl_.get(); }
  bool IsDelayedSendChecked() const;

 private:
  std::shared_ptr<DFaxHourTimePicker> timeCtrl_;
  std::shared_ptr<DFaxHourTimePickerDummy> dummyCtrl_;
  std::vector<std::string> rows_;
  Clock clock_;
};

}  // namespace faxpde
