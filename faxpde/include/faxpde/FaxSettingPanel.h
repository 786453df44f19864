// The Fax Setting panel: fax resolution, transmission report and send header in the print
// dialog; on Print it runs the recipient window and the job confirmation window, then writes the
// recipient list through the recipient window.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nx/ticket/keys.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/PDEHost.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/StateControls.h"

namespace faxpde {

class FaxRecipientWindowsClass;

inline constexpr int kJobStatusSend = 2001;
inline constexpr int kJobStatusCancelled = 2002;

enum FaxSettingTag {
  kFSResolutionTitle = 201,
  kFSResolution = 202,
  kFSReportTitle = 203,
  kFSReport = 204,
  kFSSendHeader = 205,
  kFSDefault = 206,
  kFSHelp = 207,
};

// Ticket and preference keys of the panel's controls.
inline constexpr const char* kFaxResolutionTicketKey = nx::ticket::key::DFFaxResolutionPopupListTicket;
inline constexpr const char* kFaxResolutionPrefKey = nx::ticket::key::DFFaxResolutionPopupListReference;
inline constexpr const char* kTransmissionReportTicketKey = nx::ticket::key::DFTransmissionReportPopupListTicket;
inline constexpr const char* kTransmissionReportPrefKey = nx::ticket::key::DFTransmissionReportPopupListReference;
inline constexpr const char* kSendHeaderTicketKey = nx::ticket::key::DFaxSendHeaderTicket;
inline constexpr const char* kSendHeaderPrefKey = nx::ticket::key::DFaxSendHeaderCboxReference;

class NXDirectFaxPDEPluginq21 : public pdekit::BasePrintPanel, public pdekit::PDEPanel {
 public:
  NXDirectFaxPDEPluginq21(pdekit::PDEHostCallback* host, nx::platform::Services& services,
                          const nx::platform::Bundle& bundle);
  ~NXDirectFaxPDEPluginq21() override;

  // ---- Host protocol ----
  nx::platform::ui::View* panelView() override;
  std::string panelName() override;
  std::string panelKind() override { return "com.norvalex.nb.q21.pde.DirectFaxKind"; }
  std::optional<std::vector<std::string>> supportedPPDOptionKeys() override {
    return std::vector<std::string>{"NXFaxResolution"};
  }
  void willShow() override;
  bool shouldHide() override { return true; }
  bool restoreValuesAndReturnError(std::string* error) override;
  bool saveValuesAndReturnError(std::string* error) override;
  pdekit::SummaryInfo summaryInfo() override;
  bool shouldPrint() override;
  bool shouldShowHelp() override;
  void PPDOptionKeyValueDidChange(std::string_view, std::string_view) override {}

  // ---- Panel ----
  bool SimulationOpenPDE();
  int SycValueFromUI() { return 0; }
  void setJobStatus(int status) { JobStatus = status; }
  int getJobStatus() const { return JobStatus; }
  // Layout name of a prefix for this panel's variant; empty when there is none.
  std::string getPDENibFileName(std::string_view prefix) const;
  void setPDEType(std::string_view) { pdeType = 0; }
  int getPDEType() const { return pdeType; }
  void setFirstInitialize(bool flag) { bFirstInitialzePDE = flag; }
  bool isFirstInitialize() const { return bFirstInitialzePDE; }

  // Builds the recipient window on first use, then initialises its window group from the PPD.
  // False when the layout is missing.
  bool loadRecipientSettingWins();
  void SetCurrentPhonebookFileNameToPreference();
  // Runs the recipient window and the job confirmation window until both end with OK (true) or
  // the recipient window is cancelled (false).
  bool OnClickPrintCommand();
  FaxRecipientWindowsClass* getFaxRecipientWindowsClass() const {
    return faxRecipientWindowsClass.get();
  }

  const nx::platform::Bundle& GetBundle() const { return bundle_; }
  // The source of "now" for the delayed send date (the system clock by default).
  void SetDelayedSendClock(std::function<std::time_t()> clock);

 private:
  void CreateFaxSettingControls();
  // The panel's own controls into the ticket (the recipient list is written separately).
  void WriteOwnControls(pdekit::PrintSettings* settings);

  const nx::platform::Bundle& bundle_;
  std::unique_ptr<nx::platform::ui::View> pendingView_;
  nx::platform::ui::View* PDEMainView = nullptr;
  nx::platform::ui::Window* panelWindow_ = nullptr;
  std::shared_ptr<FaxRecipientWindowsClass> faxRecipientWindowsClass;
  int JobStatus = 0;
  bool bFirstInitialzePDE = true;
  int pdeType = 0;
  std::optional<std::string> cachedName_;
  std::shared_ptr<pdekit::BaseButton> helpButton_;
  std::function<std::time_t()> clock_;
};

}  // namespace faxpde
