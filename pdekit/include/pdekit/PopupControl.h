// Popup lists: the value is the 1-based item number; the value number of the constraint lists
// is the selected index. PPDPopupControl takes its items from the choices of one PPD option and
// asks the host before its choice goes into the ticket.
#pragma once

#include <string>
#include <vector>

#include "pdekit/BaseControl.h"

namespace pdekit {

class PopupControl : public BaseControl {
 public:
  // CreateControl:IniData:ConstrainArray:AccessInfo:usernamein:
  PopupControl(nx::platform::ui::Element* element, const PopupIniData* ini, const ConstrainTable* constrain,
               const DataAccessInfo* access, nx::platform::PrefUser user);

  // Allocates the blocks and fills the menu: one item per key, titled with its translation in
  // the control's table (the key itself when there is none), the key as represented object.
  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  bool ReInitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  uint32_t GetCtrlDataSize() const override { return sizeof(int32_t); }
  const void* GetDefaultDataBlk() const override { return ini_ ? &ini_->defaultItem : nullptr; }
  uint32_t GetDefaultDataSize() const override { return ini_ ? sizeof(int32_t) : 0; }
  const void* GetIniDataBlk() const override { return ini_ ? &ini_->initialItem : nullptr; }
  uint32_t GetIniDataSize() const override { return ini_ ? sizeof(int32_t) : 0; }
  uint8_t* GetValueFromUI() override;
  void SetControlValueToUI() override;
  bool SetControlValueToUIBlk(const void* value, size_t size) override;
  void SetExternalValueToUI(const void* value, uint32_t size) override;
  bool ConvertToTickectData(std::string& out) override;
  bool ConvertToPreferenceString(std::string& out) override;
  // An item number outside the list is refused, so that the default applies.
  bool ConvertFromPreferenceString(std::string_view text) override;
  bool GetValueToPreset() override;
  int GetCurrentControlArrayNumber() const override;
  void DoControlUpdateConstrain() override;
  void DoControlConstrain() override;
  void DoControlHideConstrain() override;
  void Update() override;

  // Whether the panel's constraint index holds, under `key` ("Option:Choice"), a condition on
  // `option`'s choice `choice`.
  bool isChoiceConflicted(const char* key, const char* option, const char* choice, ppd_file_t* ppd) const;

  // The committed item number (0 without a block).
  int32_t GetItemNumber() const { return ReadInt(GetControlBlkPtr()); }
  // Number of items the value may name.
  virtual int GetItemCount() const;
  const PopupIniData* GetIniData() const { return ini_; }

 protected:
  virtual void BuildMenu();
  int32_t SelectedIndex() const { return ControlPtr ? ControlPtr->SelectedIndex() : -1; }
  const PopupIniData* ini_;

 private:
  bool updating_ = false;
};

// A popup whose items are the choices of one PPD option (text shown, keyword represented). Its
// default is the option's default choice, its initial value the marked choice.
class PPDPopupControl : public PopupControl {
 public:
  PPDPopupControl(nx::platform::ui::Element* element, const PopupIniData* ini, const ConstrainTable* constrain,
                  const DataAccessInfo* access, nx::platform::PrefUser user, std::string ppdKeyword);

  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  bool ReInitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  const void* GetDefaultDataBlk() const override { return &defaultItem_; }
  uint32_t GetDefaultDataSize() const override { return sizeof(int32_t); }
  const void* GetIniDataBlk() const override { return &initialItem_; }
  uint32_t GetIniDataSize() const override { return sizeof(int32_t); }
  int GetItemCount() const override;
  // Asks the host whether the option may take the chosen choice; writes only when it may.
  // Nothing is written for an item number outside the choices.
  bool SetValueToTicket(PrintSettings* settings, bool locked) override;
  // Items whose choice conflicts with the marked choices (panel's constraint index) are
  // disabled, the others enabled.
  int UpdateConflictsPanelControlFromPPD(ppd_file_t* ppd) override;

  const std::string& GetPPDKeyword() const { return keyword_; }
  // Keyword of the committed choice; empty when there is none.
  std::string SelectedChoiceKeyword() const;

 protected:
  void BuildMenu() override;

 private:
  void BindToPPD(ppd_file_t* ppd);
  std::string keyword_;
  int32_t defaultItem_ = 1;
  int32_t initialItem_ = -1;
};

}  // namespace pdekit
