// Text fields: a 512-byte UTF-8 value block, widths in display columns (GetStringLength), a
// character filter, and the validation alert shown when the dialog commits. Static texts show a
// localized label instead of a value.
#pragma once

#include <string>

#include "pdekit/BaseControl.h"

namespace pdekit {

inline constexpr size_t kTextBlockSize = 512;

class TextEditCtrl : public BaseControl {
 public:
  // CreateControl:IniData:Constrain:AccessInfo:usernamein:FilterData: (`filter` may be null:
  // any character).
  TextEditCtrl(nx::platform::ui::Element* element, const TextEditIniData* ini, const ConstrainTable* constrain,
               const DataAccessInfo* access, nx::platform::PrefUser user, const InputFilter* filter);

  // Allocates the blocks and gives the element a formatter for the filter and the maximum width.
  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  uint32_t GetCtrlDataSize() const override { return kTextBlockSize; }
  const void* GetDefaultDataBlk() const override { return ini_ ? ini_->defaultText : nullptr; }
  uint32_t GetDefaultDataSize() const override;
  const void* GetIniDataBlk() const override { return ini_ ? ini_->initialText : nullptr; }
  uint32_t GetIniDataSize() const override;
  void SetControlValueToDefault() override;
  void SetUIValueToIniData() override;
  // The whole text, whatever its width.
  void SetValueFromUIToControl() override;
  // Takes the element's text (at most 511 bytes, cut at a character boundary); width 0 clears
  // the block. ctrlDataSize becomes the width.
  uint8_t* GetValueFromUI() override;
  void SetControlValueToUI() override;
  // Refuses text longer than 511 bytes.
  bool SetControlValueToUIBlk(const void* value, size_t size) override;
  void SetExternalValueToUI(const void* value, uint32_t size) override;
  bool ConvertToTickectData(std::string& out) override;
  bool ConvertToPreferenceString(std::string& out) override;
  // Text that is not UTF-8 is refused.
  bool ConvertFromPreferenceString(std::string_view text) override;
  // UTF-8 text within the field's width limits and filter (empty text too), for fields with a
  // filter and a maximum width below the length of any protected text.
  bool IsClearStoredValue(std::string_view text) const override;
  // Valid without an ini record, for width 0, or with the width within the limits and every
  // character in the filter; otherwise the filter's message is shown and the field becomes
  // the first responder.
  bool InvalidateData() override;
  // The same test without the alert.
  bool InvalidateDataAndReturnError() override;
  // Empties the field and its UI block.
  void CorrectCtrlUI();

  std::string GetUIText() const;
  std::string GetControlText() const;
  // Display width of the UI text.
  int GetUITextWidth() const;
  const TextEditIniData* GetIniData() const { return ini_; }
  const InputFilter* GetFilter() const { return filter_; }

 protected:
  // Installs the formatter on the element; subclasses may install their own.
  virtual void InstallFormatter();
  bool CheckUIText() const;
  const TextEditIniData* ini_;
  const InputFilter* filter_;
};

// A label: shows the localized summary key as its text, dimmed while disabled.
class StaticTextEditControl : public TextEditCtrl {
 public:
  // CreateControl:IniData:Constrain:AccessInfo:usernamein:FilterData:SummaryInfo:
  StaticTextEditControl(nx::platform::ui::Element* element, const TextEditIniData* ini,
                        const ConstrainTable* constrain, const DataAccessInfo* access, nx::platform::PrefUser user,
                        const InputFilter* filter, const char* summaryKey);

  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  // The label stays whatever value is shown.
  void SetControlValueToUI() override { ShowLabel(); }
  void SetExternalValueToUI(const void*, uint32_t) override { ShowLabel(); }
  const char* GetSummaryKey() const { return summaryKey_; }

 protected:
  void InstallFormatter() override {}
  void ShowLabel();

 private:
  const char* summaryKey_;
};

}  // namespace pdekit
