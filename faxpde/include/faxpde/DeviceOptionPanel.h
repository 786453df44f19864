// The Device Option panel: which fax hardware the printer has (setting type, kits, speed dial
// numbering, line numbers, ports). Kept per printer for every user, changed only by members of
// "admin", and written into the ticket for the fax windows and the filter.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "faxpde/FaxControls.h"
#include "nx/ticket/keys.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/CQuickXPPD.h"
#include "pdekit/PDEHost.h"
#include "pdekit/TextEditCtrl.h"

namespace faxpde {

enum DeviceOptionTag {
  kDOSettingTypeTitle = 301,
  kDOSettingType = 302,
  kDOISDNTitle = 303,
  kDOISDN = 304,
  kDOOutsideKitTitle = 305,
  kDOOutsideKit = 306,
  kDOSpeedDialTitle = 307,
  kDOSpeedDial = 308,
  kDOExpansionTitle = 309,
  kDOExpansion = 310,
  kDOOutlineTitle = 311,
  kDOOutline = 312,
  kDOInlineTitle = 313,
  kDOInline = 314,
  kDOPortOutsideTitle = 315,
  kDOPortOutside = 316,
  kDOPortExtensionTitle = 317,
  kDOPortExtension = 318,
  kDOHelp = 319,
};

inline constexpr const char* kFaxModuleTicketKey = nx::ticket::key::DeviceOptionFaxModuleTypePopupListTicket;
inline constexpr const char* kISDNG4TicketKey = nx::ticket::key::DeviceOptionISDNG4TypePopupListTicket;
inline constexpr const char* kOutsideKitTicketKey =
    nx::ticket::key::DeviceOptionOutsideExtensionKitPopupListTicket;
inline constexpr const char* kSpeedDialTicketKey = nx::ticket::key::DeviceOptionSpeedDialPopupListTicket;
inline constexpr const char* kExpansionTicketKey =
    nx::ticket::key::DeviceOptionPhonebookExpansionKitPopupListTicket;
inline constexpr const char* kOutlineTicketKey = nx::ticket::key::DeviceOptionOutlineNumberEtxtTicket;
inline constexpr const char* kInlineTicketKey = nx::ticket::key::DeviceOptionInlineNumberEtxtTicket;
inline constexpr const char* kPortOutsideTicketKey =
    nx::ticket::key::DeviceOptionPortSettingOutsideLinePopupListTicket;
inline constexpr const char* kPortExtensionTicketKey =
    nx::ticket::key::DeviceOptionPortSettingExtensionPopupListTicket;

class DEVICEOPTIONPDEq21;

// The setting type ("fax module"): the PPD's "NXFaxModule" choices. Picking type 2 or 4 while
// the outside line extension kit is On asks first.
class PPDOPTListCtrl : public DFaxPPDPopupListCtrl {
 public:
  PPDOPTListCtrl(nx::platform::ui::Element* element, DEVICEOPTIONPDEq21& panel);
  void RequestControlAction(nx::platform::ui::Element& sender) override;
  // The item shown (1..4), 0 without an element.
  int statusOfFaxModule() const;
  int getStatusOfOutsideLineExtension() const;

 private:
  DEVICEOPTIONPDEq21& panel_;
};

// The option popups: their enabling follows the setting type and the kits.
class OPTListCtrl : public DFaxPopupListCtrl {
 public:
  OPTListCtrl(nx::platform::ui::Element* element, const pdekit::PopupIniData* ini,
              const pdekit::DataAccessInfo* access, const char* summaryKey,
              DEVICEOPTIONPDEq21& panel);
  void RequestControlAction(nx::platform::ui::Element& sender) override;
  // Re-evaluates the enabling (and, for the kits, the forced value).
  void Update() override;
  int getStatusOfFaxModule() const;
  // The item shown, 0 without an element.
  int ShownItem() const;

 protected:
  // Whether the rules allow the control for `faxModule`.
  virtual bool RuleEnabled(int faxModule) const = 0;
  // A change the user makes; false puts the previous item back.
  virtual bool ConfirmChange(int /*previous*/, int /*chosen*/) { return true; }
  virtual void Changed() {}
  void Select(int item);
  DEVICEOPTIONPDEq21& panel_;
};

class OPTISNDKitListCtrl : public OPTListCtrl {
 public:
  using OPTListCtrl::OPTListCtrl;

 protected:
  bool RuleEnabled(int faxModule) const override { return faxModule == 1; }
};

class OPTOutlineExtensionTypeListCtrl : public OPTListCtrl {
 public:
  using OPTListCtrl::OPTListCtrl;

 protected:
  bool RuleEnabled(int faxModule) const override { return faxModule != 3; }
  bool ConfirmChange(int previous, int chosen) override;
  void Changed() override;
};

class OPTSpeedDialTypeListCtrl : public OPTListCtrl {
 public:
  using OPTListCtrl::OPTListCtrl;

 protected:
  bool RuleEnabled(int faxModule) const override;
};

class OPTPhonebookExpansionListCtrl : public OPTListCtrl {
 public:
  using OPTListCtrl::OPTListCtrl;
  // Types 2 to 4 always have the expansion: the value is forced On.
  void Update() override;

 protected:
  bool RuleEnabled(int faxModule) const override { return faxModule == 1; }
  void Changed() override;
};

// The two port popups: without the outside line extension kit their "Extension" items are
// disabled and the extension port defaults to "Outside".
class OPTOUTLINEEXTENSIONListCtrl : public OPTListCtrl {
 public:
  OPTOUTLINEEXTENSIONListCtrl(nx::platform::ui::Element* element, const pdekit::PopupIniData* ini,
                              const pdekit::DataAccessInfo* access, const char* summaryKey,
                              DEVICEOPTIONPDEq21& panel, bool extensionPort);
  const void* GetDefaultDataBlk() const override { return &default_; }
  // Enables the items for the kit state; `selectDefault` (a kit change) selects the default,
  // otherwise only a selection that became unavailable moves to it.
  void UpdateOPTConstrain(bool kitOn, bool selectDefault);

 protected:
  bool RuleEnabled(int) const override { return true; }

 private:
  bool extensionPort_;
  int32_t default_;
};

// Outside line and extension numbers: up to 5 characters, checked only while shown and enabled.
class OPTTextEditCtrl : public pdekit::TextEditCtrl {
 public:
  OPTTextEditCtrl(nx::platform::ui::Element* element, const pdekit::DataAccessInfo* access,
                  const pdekit::InputFilter* filter, const char* summaryKey,
                  DEVICEOPTIONPDEq21& panel);
  void RequestControlAction(nx::platform::ui::Element& sender) override;
  bool PreInvalidateData() override;
  bool InvalidateData() override;
  void GetSummaryText(pdekit::SummaryInfo& summary) override;

 private:
  bool ToValidate() const {
    return ControlPtr && ControlPtr->IsEnabled() && !ControlPtr->IsHidden();
  }
  const char* summaryKey_;
  DEVICEOPTIONPDEq21& panel_;
};

class DEVICEOPTIONPDEq21 : public pdekit::BasePrintPanel, public pdekit::PDEPanel {
 public:
  DEVICEOPTIONPDEq21(pdekit::PDEHostCallback* host, nx::platform::Services& services,
                     const nx::platform::Bundle& bundle);
  ~DEVICEOPTIONPDEq21() override;

  nx::platform::ui::View* panelView() override;
  // Also clears isOpened: the dialog asks for the name before it shows the panel.
  std::string panelName() override;
  std::string panelKind() override { return "com.norvalex.nb.q21.pde.DeviceOptionKind"; }
  std::optional<std::vector<std::string>> supportedPPDOptionKeys() override;
  void willShow() override {}
  bool shouldHide() override { return true; }
  bool restoreValuesAndReturnError(std::string* error) override;
  bool saveValuesAndReturnError(std::string* error) override;
  pdekit::SummaryInfo summaryInfo() override;
  bool shouldPrint() override;
  bool shouldShowHelp() override;
  void PPDOptionKeyValueDidChange(std::string_view, std::string_view) override {}

  bool SimulationOpenPDE();
  void setFirstInitialize(bool flag) { bFirstInitialzePDE = flag; }
  bool IsOpened() const { return isOpened; }
  // Reads every field, then checks each in order; false at the first that fails.
  bool ValidateUserPane();

  // Re-evaluates every option control (enabling, forced values, administrator rule);
  // `kitChanged` rebuilds the port menus with their defaults.
  void UpdateOptionControls(bool kitChanged);
  // The outside line question; true when the user answered OK.
  bool ConfirmOutsideLine();
  bool IsAdministrator() const;

  PPDOPTListCtrl* getSettingTypeCtrl() const { return settingType_.get(); }
  OPTListCtrl* getPhonebookExpansionCtrl() const { return expansion_.get(); }
  OPTListCtrl* getOutsideLineExtensionCtrl() const { return outsideKit_.get(); }
  OPTListCtrl* getSpeedDialTypeCtrl() const { return speedDial_.get(); }
  OPTListCtrl* getISDNG4Ctrl() const { return isdn_.get(); }
  OPTOUTLINEEXTENSIONListCtrl* getPortOutsideLineCtrl() const { return portOutside_.get(); }
  OPTOUTLINEEXTENSIONListCtrl* getPortExtensionCtrl() const { return portExtension_.get(); }

 private:
  void CreateDeviceOptionControls();
  void StoreAndWrite();

  const nx::platform::Bundle& bundle_;
  std::unique_ptr<nx::platform::ui::View> pendingView_;
  nx::platform::ui::View* PDEMainView = nullptr;
  bool bFirstInitialzePDE = true;
  bool isOpened = false;
  bool updating_ = false;
  std::unique_ptr<pdekit::ConstraintIndex> constraintIndex_;
  std::optional<std::string> cachedName_;
  std::shared_ptr<PPDOPTListCtrl> settingType_;
  std::shared_ptr<OPTListCtrl> isdn_, outsideKit_, speedDial_, expansion_;
  std::shared_ptr<OPTOUTLINEEXTENSIONListCtrl> portOutside_, portExtension_;
  std::shared_ptr<OPTTextEditCtrl> outline_, inline_;
  std::shared_ptr<pdekit::BaseButton> helpButton_;
};

}  // namespace faxpde
