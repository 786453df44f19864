// Controls without a value: buttons, group boxes, and the watchers that disable controls when
// an installable option of the PPD has a given choice.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "pdekit/BaseControl.h"

namespace pdekit {

// A control titled with a localized key (the control's table; the key itself when missing).
class TitledControl : public BaseControl {
 public:
  // CreateControl:withTitle: (`titleKey` may be null: the element keeps its title).
  TitledControl(nx::platform::ui::Element* element, const char* titleKey);
  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  const char* GetTitleKey() const { return titleKey_; }

 private:
  const char* titleKey_;
};

class GroupBoxControl : public TitledControl {
 public:
  using TitledControl::TitledControl;
};

// A push button: a click runs ButtonAction, which runs the handler when one is set.
class BaseButton : public TitledControl {
 public:
  using Handler = std::function<void(BaseButton&)>;
  using TitledControl::TitledControl;

  void RequestControlAction(nx::platform::ui::Element& sender) override { ButtonAction(); }
  virtual void ButtonAction() {
    if (handler_) handler_(*this);
  }
  void SetHandler(Handler handler) { handler_ = std::move(handler); }

 private:
  Handler handler_;
};

// One row of an installable-option table: the choice keyword and what it disables. A table
// ends at its end or at the first row without a keyword.
struct InstallableConstrain {
  const char* choice = nullptr;
  ControlIDList disable;
};

// Watches one PPD option: when its marked choice is one of the table's keywords, the controls
// of that row are disabled.
class InstallableControl : public BaseControl {
 public:
  // CreateControl:withConstrain: (`element` may be null).
  InstallableControl(nx::platform::ui::Element* element, std::string ppdMainKey,
                     std::span<const InstallableConstrain> table);
  // 1000 after disabling the controls of the marked choice's row; 0 when no row matches.
  int ConstrainPanelControlFromPPD(ppd_file_t* ppd) override;
  const std::string& GetPPDMainKey() const { return kPPDMainKey; }

 private:
  std::string kPPDMainKey;
  std::span<const InstallableConstrain> table_;
};

}  // namespace pdekit
