// The job accounting panel ("Job Authentication"): account mode, the derived information-setting
// mode, the version label, the details and help buttons; what it stores, what it asks before
// printing and what it writes into the settings ticket.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "nx/ticket/keys.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/PDEHost.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"

namespace accountpde {

class JBADetailsWindow;
class JBAInputWindow;

// Element tags of the accounting pane.
enum JBATag {
  kJBAModeLabelTag = 1,
  kJBAModeListTag = 2,
  kJBAInfoSetListTag = 3,
  kJBAVersionLabelTag = 4,
  kJBADetailsButtonTag = 5,
  kJBAHelpButtonTag = 6,
};

inline constexpr int kJobStatusPrint = 2001;
inline constexpr int kJobStatusCancelled = 2002;

inline constexpr const char* kJBAManageTypeTicketKey = nx::ticket::key::JBAManageTypeListTicketKey;
inline constexpr const char* kJBAManageTypePreferenceKey = nx::ticket::key::JBAManageTypeListReference;
inline constexpr const char* kJBAInfoSetTicketKey = nx::ticket::key::JBAInfoSetListTicketKey;
inline constexpr const char* kSelectIDKeyword = "NXSelectID";
inline constexpr const char* kCDFSettingAttribute = "NXXCDFSetting";

// Item number of the information-setting list for customised-prompt index `prompt` (0..3) and
// information index `info` (0..2); 1 for anything else.
int InfoSetModeItem(int prompt, int info);
// "ver." + version, plus "." when the PPD names a CDF file that cannot be opened.
std::string VersionLabelText(const std::string& shortVersion, ppd_file_t* ppd);

// The account mode list: disabled for a user who is not an administrator, and summarised.
class JBAListCtrl : public pdekit::PopupControl {
 public:
  using PopupControl::PopupControl;
  bool UIEventHandler() override;
  bool SimulationUIEventHandler() override;
  void GetSummaryText(pdekit::SummaryInfo& summary) override;
  // 0 or 1: the selected index (committed value); 1 before the value exists.
  int getwhichPreferenceKey() const;

 private:
  void ApplyAdminRule();
};

// A label that is hidden whenever the panel resets its controls' status.
class VersionLabel : public pdekit::TitledControl {
 public:
  using TitledControl::TitledControl;
  void ResetStatus() override;
};

class JBAPDEnxbiqm08 : public pdekit::BasePrintPanel, public pdekit::PDEPanel {
 public:
  JBAPDEnxbiqm08(pdekit::PDEHostCallback* host, nx::platform::Services& services, const nx::platform::Bundle& bundle);
  ~JBAPDEnxbiqm08() override;

  // ---- Host protocol ----
  nx::platform::ui::View* panelView() override;
  std::string panelName() override;
  std::string panelKind() override;
  std::optional<std::vector<std::string>> supportedPPDOptionKeys() override { return std::nullopt; }
  void willShow() override {}
  bool shouldHide() override { return true; }
  bool restoreValuesAndReturnError(std::string* error) override;
  bool saveValuesAndReturnError(std::string* error) override;
  pdekit::SummaryInfo summaryInfo() override;
  bool shouldPrint() override;
  bool shouldShowHelp() override;
  void PPDOptionKeyValueDidChange(std::string_view, std::string_view) override {}

  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;

  // ---- Accessors ----
  int getAccountMode() const;
  int getInfoSetMode() const;
  int getCostomizeUserPromptValue() const { return iCostomizeUserPromptValue; }
  bool checkIsCostomizeUserPromptExist() const { return bCostomizeUserPromptExist; }
  JBAListCtrl* getjobAcctTypeListCtrlPtr() const { return jobAcctTypeListCtrl.get(); }
  pdekit::PopupControl* getjbaInfoSetListCtrlPtr() const { return jbaInfoSetListCtrl.get(); }
  pdekit::PopupControl* getjbaInfoListCtrlPtr() const { return nullptr; }
  pdekit::BaseButton* getjbaInfoWndPushCtrlPtr() const { return detailsButton_.get(); }
  std::vector<int>* getEncryptArray() { return &xspControlIDArray; }
  void setJobStatus(int status) { JobStatus = status; }
  int getJobStatus() const { return JobStatus; }
  void setPDEType(int type) { pdeType = (type >= 0 && type <= 5) ? type : 0; }
  int getPDEType() const { return pdeType; }
  const char* getPDENibFileNamePrintType() const;
  void setFirstInitialize(bool flag) { bFirstInitialzePDE = flag; }
  JBADetailsWindow* getjbaInfoAdminWnd() const { return jbaInfoAdminWnd.get(); }
  JBADetailsWindow* getjbaInfoWnd() const { return jbaInfoWnd.get(); }
  JBAInputWindow* getjbaInputWnd() const { return jbaInputWndRes.get(); }
  // Whether printing asks for the details: the current mode's details window has its per-job
  // radio on.
  bool getbInputWndVisible() const;
  const nx::platform::Bundle& GetBundle() const { return bundle_; }
  // The second part of the PPD's accounting variant, inserted into help page names.
  std::string GetHelpSuffix() const;

  // Builds and loads a panel whose pane was never shown; false when the help book could not
  // be registered.
  bool SimulationOpenPDE();
  // Runs the per-job prompt; true when the job goes on.
  bool OnClickPrintCommand();
  // Applies the derived information-setting mode and what it enables.
  void UpdateInfoSetMode();

 private:
  bool OldStore() const;
  bool LoadFirstTime(std::string* error);
  void CreateJBAControls();
  bool StoreValues();
  void WriteTicket();

  const nx::platform::Bundle& bundle_;
  std::unique_ptr<nx::platform::ui::View> pendingView_;
  nx::platform::ui::View* jbaView = nullptr;
  bool bFirstInitialzePDE = true;
  int pdeType = 0;
  int JobStatus = kJobStatusPrint;
  bool bCostomizeUserPromptExist = false;
  int iCostomizeUserPromptValue = -1;
  std::optional<std::string> cachedName_;
  std::shared_ptr<pdekit::TitledControl> modeLabel_;
  std::shared_ptr<JBAListCtrl> jobAcctTypeListCtrl;
  std::shared_ptr<pdekit::PopupControl> jbaInfoSetListCtrl;
  std::shared_ptr<VersionLabel> versionLabel_;
  std::shared_ptr<pdekit::BaseButton> detailsButton_;
  std::shared_ptr<pdekit::BaseButton> helpButton_;
  std::shared_ptr<JBADetailsWindow> jbaInfoAdminWnd;
  std::shared_ptr<JBADetailsWindow> jbaInfoWnd;
  std::shared_ptr<JBAInputWindow> jbaInputWndRes;
  std::vector<int> xspControlIDArray;
};

}  // namespace accountpde
