// Check boxes and radio buttons: controls whose value is one signed 32-bit state (0 or 1), with
// the constraint lists of the state, and the radio groups that keep one button of several on.
#pragma once

#include <memory>
#include <vector>

#include "pdekit/BaseControl.h"

namespace pdekit {

class RadioGroup;

// What check boxes and radio buttons share: a 4-byte state, "%d" conversions, and constraint
// dispatch from the state before an event (UI block) to the state the element shows.
class StateControl : public BaseControl {
 public:
  using BaseControl::BaseControl;

  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  uint32_t GetCtrlDataSize() const override { return sizeof(int32_t); }
  uint8_t* GetValueFromUI() override;
  void SetControlValueToUI() override;
  bool SetControlValueToUIBlk(const void* value, size_t size) override;
  void SetExternalValueToUI(const void* value, uint32_t size) override;
  bool ConvertToTickectData(std::string& out) override;
  bool ConvertToPreferenceString(std::string& out) override;
  bool ConvertFromPreferenceString(std::string_view text) override;
  bool GetValueToPreset() override;
  int GetCurrentControlArrayNumber() const override;
  void DoControlUpdateConstrain() override;
  void DoControlConstrain() override;
  void DoControlHideConstrain() override;
  // Re-reads the element and, when it changed, handles the change as an event would.
  void Update() override;

  // The committed state (0 without a block).
  int32_t GetState() const { return ReadInt(GetControlBlkPtr()); }

 protected:
  // Called whenever a state is loaded into the control block.
  virtual void StateLoaded(int32_t state) {}
  int32_t ElementState() const;

 private:
  bool updating_ = false;
};

class CheckBox : public StateControl {
 public:
  CheckBox(nx::platform::ui::Element* element, const CheckBoxIniData* ini, const ConstrainTable* constrain,
           const DataAccessInfo* access, nx::platform::PrefUser user);

  // Titles the element with its key, localized in the control's table.
  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  const void* GetDefaultDataBlk() const override { return ini_ ? &ini_->defaultState : nullptr; }
  uint32_t GetDefaultDataSize() const override { return ini_ ? sizeof(int32_t) : 0; }
  const void* GetIniDataBlk() const override { return ini_ ? &ini_->initialState : nullptr; }
  uint32_t GetIniDataSize() const override { return ini_ ? sizeof(int32_t) : 0; }
  // Localized title -> localized "On" or "Off".
  void GetSummaryText(SummaryInfo& summary) override;
  const CheckBoxIniData* GetIniData() const { return ini_; }

 private:
  const CheckBoxIniData* ini_;
};

class RadioButton : public StateControl {
 public:
  RadioButton(nx::platform::ui::Element* element, const RadioButtonIniData* ini, const ConstrainTable* constrain,
              const DataAccessInfo* access, nx::platform::PrefUser user);

  // Titles the element with its key, localized in the default table.
  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  const void* GetDefaultDataBlk() const override { return ini_ ? &ini_->defaultState : nullptr; }
  uint32_t GetDefaultDataSize() const override { return ini_ ? sizeof(int32_t) : 0; }
  const void* GetIniDataBlk() const override { return ini_ ? &ini_->initialState : nullptr; }
  uint32_t GetIniDataSize() const override { return ini_ ? sizeof(int32_t) : 0; }
  // A button switched on switches the other buttons of its group off first.
  void RequestControlAction(nx::platform::ui::Element& sender) override;
  // With a group that has no current radio, radio 0 becomes current first.
  bool SimulationUIEventHandler() override;
  void SetControlValueToUI() override;
  // When on, and both keys are set: localized summary title -> localized title.
  void GetSummaryText(SummaryInfo& summary) override;

  void SetRadioGroup(RadioGroup* group) { group_ = group; }
  RadioGroup* GetRadioGroup() const { return group_; }
  const RadioButtonIniData* GetIniData() const { return ini_; }

 protected:
  void StateLoaded(int32_t state) override;

 private:
  const RadioButtonIniData* ini_;
  RadioGroup* group_ = nullptr;  // not owned
};

// Radio buttons that belong together, in the order added, and the index of the one that is on.
class RadioGroup {
 public:
  RadioGroup() = default;
  ~RadioGroup();
  RadioGroup(const RadioGroup&) = delete;
  RadioGroup& operator=(const RadioGroup&) = delete;

  // Appends the button, tells it its group and answers its position.
  int RunTimeAddNewControl(std::shared_ptr<RadioButton> button);
  // The current index becomes the position of the button whose element tag is `button`'s.
  void SetGrpcurRadio(const RadioButton& button);
  // Ignores indexes outside 0..count-1.
  void SetcurRadio(int index);
  int GetcurRadio() const { return curRadio; }
  int GetCount() const { return static_cast<int>(fCtrlGroupArray.size()); }
  RadioButton* GetRadio(int index) const;
  // Reads every button.
  void GetValueFromUI();
  // Switches the elements of the other buttons off.
  void SwitchOthersOff(const RadioButton& on);

 private:
  std::vector<std::shared_ptr<RadioButton>> fCtrlGroupArray;
  int curRadio = -1;
};

}  // namespace pdekit
