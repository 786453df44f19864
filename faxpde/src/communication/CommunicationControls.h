// The controls of the communication settings window: the mode menu that knows about the
// ISDN/G4 kit, the send type radios that check the relay values before Relay Send is left, the
// numeric ID fields with their range checks, the mailbox passcode, the destination ID fields and
// the destination list.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pdekit/BasePrintPanel.h"
#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/StateControls.h"
#include "pdekit/TextEditCtrl.h"

namespace faxpde {

class FaxPBCommunicationSettingsWindowsClass;

// Every alert of the window: critical, a title key, a text key and the button "OK Button Ctrl".
void ShowCommunicationAlert(pdekit::BasePrintPanel& window, const char* titleKey, const char* textKey);

// Items: G3 - Auto, Overseas / F4800, G4 - Auto; the last is disabled without the ISDN/G4 kit.
class FaxPBCommunicationModePopupListCtrl : public pdekit::PopupControl {
 public:
  using PopupControl::PopupControl;
  void SetISDNG4Kit(bool installed) { kit_ = installed; }
  bool HasISDNG4Kit() const { return kit_; }

 protected:
  void BuildMenu() override;

 private:
  bool kit_ = false;
};

// One of the send type radios (index 0 None, 1 Secure Send, 2 Relay Send). Switching away from
// Relay Send asks the window first; a refusal keeps Relay Send selected.
class FaxPBCommunicationSettingsWinRadioButton : public pdekit::RadioButton {
 public:
  FaxPBCommunicationSettingsWinRadioButton(nx::platform::ui::Element* element, const pdekit::RadioButtonIniData* ini,
                                           int index, FaxPBCommunicationSettingsWindowsClass& window);
  void RequestControlAction(nx::platform::ui::Element& sender) override;
  int GetIndex() const { return index_; }

 private:
  int index_;
  FaxPBCommunicationSettingsWindowsClass& window_;
};

// A check box that tells the window after each change.
class FaxPBCommunicationCheckBox : public pdekit::CheckBox {
 public:
  FaxPBCommunicationCheckBox(nx::platform::ui::Element* element, const pdekit::CheckBoxIniData* ini,
                             std::function<void()> changed);
  void RequestControlAction(nx::platform::ui::Element& sender) override;

 private:
  std::function<void()> changed_;
};

// A numeric ID: the length within the field's widths and the value within [minValue, maxValue];
// otherwise the alert `titleKey` (may be empty) / the filter's message key.
class FaxPBIDTextEditCtrl : public pdekit::TextEditCtrl {
 public:
  FaxPBIDTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
                      const pdekit::InputFilter* filter, int minValue, int maxValue, const char* titleKey);
  // Checked only while the field is enabled and shown.
  bool PreInvalidateData() override;

 private:
  int minValue_;
  int maxValue_;
  const char* titleKey_;
};

// Empty, or exactly four digits.
class FaxPBMailboxPasscodeTextEditCtrl : public pdekit::TextEditCtrl {
 public:
  FaxPBMailboxPasscodeTextEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
                                   const pdekit::InputFilter* filter);
  bool PreInvalidateData() override;
};

// A destination ID field; Add To reads and checks it.
class FaxPBDestinationIDEditCtrl : public pdekit::TextEditCtrl {
 public:
  FaxPBDestinationIDEditCtrl(nx::platform::ui::Element* element, const pdekit::TextEditIniData* ini,
                             const pdekit::InputFilter* filter);
};

// The destination list: one row per destination ID ("DestinationID"), in the order added.
class FaxPBDestinationIDListView : public pdekit::BaseControl {
 public:
  explicit FaxPBDestinationIDListView(nx::platform::ui::Element* element);

  bool isConflict(const std::string& text) const;
  // Appends the row and selects it.
  void addOneRecord(const std::string& text);
  // Appends the rows (selection unchanged).
  void addRecords(const std::vector<std::string>& texts);
  const std::vector<std::string>& getRecords() const { return rows_; }
  // Removes the rows selected in the list.
  void removeSelectedRecord();
  int recordCount() const { return static_cast<int>(rows_.size()); }
  // Empties the list.
  void SetControlValueToDefault() override;
  void SetControlValueToUI() override;
  // At least one row while the list is enabled; otherwise "Warning_Invalid_RELAY_STATION_ID" /
  // "Warning_DESTINATION_ID".
  bool PreInvalidateData() override;
  // Selecting rows changes nothing but the selection.
  void RequestControlAction(nx::platform::ui::Element& sender) override {}

 private:
  void ShowRows();
  std::vector<std::string> rows_;
};

// OK of the window.
class FaxPBCommunicationSettingsWinOKButton : public pdekit::BaseButton {
 public:
  FaxPBCommunicationSettingsWinOKButton(nx::platform::ui::Element* element,
                                        FaxPBCommunicationSettingsWindowsClass& window);
  void ButtonAction() override;

 private:
  FaxPBCommunicationSettingsWindowsClass& window_;
};

}  // namespace faxpde
