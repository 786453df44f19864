// The print type panel: print at once, hold as a secure job under a user ID and numeric
// password, print a sample, or print at a set time, and how the held job is named.
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
#include "pdekit/TextEditCtrl.h"

namespace accountpde {

enum PrintTypeTag {
  kPTGroup = 101, kPTList = 102, kPTUserID = 103, kPTPassword = 104, kPTDocNameList = 105, kPTDocName = 106,
  kPTStartTime = 107, kPTRestore = 108, kPTHelp = 109, kPTListTitle = 112, kPTUserIDTitle = 113,
  kPTPasswordTitle = 114, kPTDocNameListTitle = 115, kPTDocNameTitle = 116, kPTStartTimeTitle = 117,
  kPTVersion = 123,
};

inline constexpr const char* kPrintTypeProductTypeTicketKey = nx::ticket::key::PrintTypeProductTypeTicketKey;

struct PTProductInfo {
  const char* variant;
  int type;
  const char* layout;
};
const PTProductInfo* getPTProductInfoPtr();
int getPTProductInfoCont();
// Variant number of a print type variant name; 0 for any other text.
int PrintTypeForVariant(std::string_view variant);

// A list that refuses a change while a field of its validation list fails, and falls back to
// item 1 when it shows a disabled item.
class PTListCtrl : public pdekit::PopupControl {
 public:
  PTListCtrl(nx::platform::ui::Element* element, const pdekit::PopupIniData* ini,
             const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access, const char* summaryKey,
             std::vector<int> validate);
  void RequestControlAction(nx::platform::ui::Element& sender) override;
  void SetControlValueToUI() override;
  void GetSummaryText(pdekit::SummaryInfo& summary) override;

 private:
  const char* summaryKey_;
  std::vector<int> validate_;
};

// Text fields: `emptyMessage` (user ID) is shown for an empty field that needs text,
// `refuseAllSpaces` turns away spaces-only text, `masked` summarises with dots.
class PTTextEditCtrl : public pdekit::TextEditCtrl {
 public:
  PTTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
                 const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access,
                 const pdekit::InputFilter* filter, const char* summaryKey, const char* emptyMessage,
                 bool refuseAllSpaces, bool masked);
  bool PreInvalidateData() override;
  bool InvalidateData() override;
  void GetSummaryText(pdekit::SummaryInfo& summary) override;

 private:
  bool ToValidate() const { return ControlPtr && ControlPtr->IsEnabled() && !ControlPtr->IsHidden(); }
  const char* summaryKey_;
  const char* emptyMessage_;
  bool refuseAllSpaces_;
  bool masked_;
};

// The pane's help button: opens the variant's page; a status reset hides it (the dialog's own
// help still reaches the page through shouldShowHelp).
class PrintTypeHelpBtn : public pdekit::BaseButton {
 public:
  using BaseButton::BaseButton;
  void ResetStatus() override;
};

class PrintTypePDEum08 : public pdekit::BasePrintPanel, public pdekit::PDEPanel {
 public:
  PrintTypePDEum08(pdekit::PDEHostCallback* host, nx::platform::Services& services,
                   const nx::platform::Bundle& bundle);
  ~PrintTypePDEum08() override;

  nx::platform::ui::View* panelView() override;
  std::string panelName() override;
  std::string panelKind() override { return "com.norvalex.nb.qm08.pde.PrintTypeKind"; }
  std::optional<std::vector<std::string>> supportedPPDOptionKeys() override { return std::nullopt; }
  void willShow() override {}
  bool shouldHide() override { return true; }
  bool restoreValuesAndReturnError(std::string* error) override;
  bool saveValuesAndReturnError(std::string* error) override;
  pdekit::SummaryInfo summaryInfo() override;
  bool shouldPrint() override;
  bool shouldShowHelp() override;
  void PPDOptionKeyValueDidChange(std::string_view, std::string_view) override {}

  bool SimulationOpenPDE();
  // Reads every field, then checks each in order; false at the first that fails.
  bool ValidateUserPane();
  void setPDEType(int type) { pdeType = (type >= 0 && type < 5) ? type : 0; }
  int getPDEType() const { return pdeType; }
  const char* getPDENibFileNamePrintType() const;
  void setFirstInitialize(bool flag) { bFirstInitialzePDE = flag; }

 private:
  bool OldStore() const;
  bool Open(std::string* error);
  void CreatePrintTypeControls();
  bool StoreAndWrite();

  const nx::platform::Bundle& bundle_;
  std::unique_ptr<nx::platform::ui::View> pendingView_;
  nx::platform::ui::View* view_ = nullptr;
  bool bFirstInitialzePDE = true;
  int pdeType = 0;
  std::optional<std::string> cachedName_;
  std::shared_ptr<PrintTypeHelpBtn> helpButton_;
  std::string helpPage_;
  std::vector<int> xspControlIDArray;
};

}  // namespace accountpde
