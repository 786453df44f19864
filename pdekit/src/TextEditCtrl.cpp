// Text fields and static texts; see TextEditCtrl.h.
#include "pdekit/TextEditCtrl.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "nx/platform/text_encoding.h"
#include "pdekit/BasePrintPanel.h"
#include "pdekit/TextEditFormatter.h"
#include "pdekit/UtilityFunction.h"

namespace pdekit {
namespace {

constexpr size_t kTextMax = kTextBlockSize - 1;

std::string BlockText(const uint8_t* block, size_t capacity) {
  if (!block) return {};
  const auto* p = reinterpret_cast<const char*>(block);
  return std::string(p, strnlen(p, capacity));
}

void PutText(std::vector<uint8_t>& block, std::string_view text) {
  std::fill(block.begin(), block.end(), 0);
  if (block.empty()) return;
  const std::string_view cut = CutUtf8(text, block.size() - 1);
  if (!cut.empty()) std::memcpy(block.data(), cut.data(), cut.size());
}

}  // namespace

TextEditCtrl::TextEditCtrl(nx::platform::ui::Element* element, const TextEditIniData* ini,
                           const ConstrainTable* constrain, const DataAccessInfo* access, nx::platform::PrefUser user,
                           const InputFilter* filter)
    : BaseControl(element, constrain, access, user), ini_(ini), filter_(filter) {}

bool TextEditCtrl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  BaseControl::InitializeCtrl(bundle, ppd);
  if (AllocateDataBlocks(kTextBlockSize)) SetControlValueToDefault();  // until a stored value comes
  InstallFormatter();
  return true;
}

void TextEditCtrl::InstallFormatter() {
  if (!ControlPtr || !ini_ || ini_->maxWidth == 0) return;
  ControlPtr->SetFormatter(std::make_shared<TextEditFormatter>(filter_, ini_->maxWidth, Toolkit()));
}

uint32_t TextEditCtrl::GetDefaultDataSize() const {
  return ini_ ? static_cast<uint32_t>(strnlen(ini_->defaultText, kIniTextSize)) : 0;
}

uint32_t TextEditCtrl::GetIniDataSize() const {
  return ini_ ? static_cast<uint32_t>(strnlen(ini_->initialText, kIniTextSize)) : 0;
}

void TextEditCtrl::SetControlValueToDefault() {
  if (!ini_ || !GetControlBlkPtr()) return;
  const std::string text(ini_->defaultText, GetDefaultDataSize());
  PutText(ctrlDataBlkPtr, text);
  ctrlDataSize = static_cast<uint32_t>(GetStringLength(text));
}

void TextEditCtrl::SetUIValueToIniData() {
  if (!ini_ || !GetValueFromUIDataBlk()) return;
  const std::string text(ini_->initialText, GetIniDataSize());
  PutText(ctrlUIDataBlkPtr, text);
  ctrlDataSize = static_cast<uint32_t>(GetStringLength(text));
}

void TextEditCtrl::SetValueFromUIToControl() {
  if (!GetControlBlkPtr() || !GetValueFromUIDataBlk()) return;
  ctrlDataBlkPtr = ctrlUIDataBlkPtr;
}

uint8_t* TextEditCtrl::GetValueFromUI() {
  if (!ControlPtr || !GetValueFromUIDataBlk()) return nullptr;
  const std::string text = ControlPtr->StringValue();
  const int width = GetStringLength(text);
  PutText(ctrlUIDataBlkPtr, width == 0 ? std::string_view() : std::string_view(text));
  ctrlDataSize = static_cast<uint32_t>(width);
  return GetValueFromUIDataBlk();
}

void TextEditCtrl::SetControlValueToUI() {
  if (!ControlPtr || !GetControlBlkPtr()) return;
  const std::string text = GetControlText();
  ControlPtr->SetStringValue(text);
  ctrlDataSize = static_cast<uint32_t>(GetStringLength(text));
}

bool TextEditCtrl::SetControlValueToUIBlk(const void* value, size_t size) {
  if (!value || !GetValueFromUIDataBlk()) return false;
  const auto* p = static_cast<const char*>(value);
  const std::string text(p, strnlen(p, size));
  if (text.size() > kTextMax) return false;
  PutText(ctrlUIDataBlkPtr, text);
  if (ControlPtr) ControlPtr->SetStringValue(text);
  ctrlDataSize = static_cast<uint32_t>(GetStringLength(text));
  return true;
}

void TextEditCtrl::SetExternalValueToUI(const void* value, uint32_t size) {
  if (!ControlPtr || !value) return;
  const auto* p = static_cast<const char*>(value);
  ControlPtr->SetStringValue(std::string(CutUtf8(std::string_view(p, strnlen(p, size)), kTextMax)));
}

bool TextEditCtrl::ConvertToTickectData(std::string& out) {
  if (!GetControlBlkPtr()) return false;
  out = GetControlText();
  return true;
}

bool TextEditCtrl::ConvertToPreferenceString(std::string& out) { return ConvertToTickectData(out); }

bool TextEditCtrl::ConvertFromPreferenceString(std::string_view text) {
  if (!GetControlBlkPtr()) return false;
  const std::string_view value = text.substr(0, text.find('\0'));
  if (!nx::platform::IsValidUtf8(value)) return false;
  PutText(ctrlDataBlkPtr, value);
  return true;
}

bool TextEditCtrl::IsClearStoredValue(std::string_view text) const {
  // The shortest protected text: base64 of one 16-byte cipher block. A field that could hold
  // that much, or any character, cannot tell a damaged protected value from a clear one.
  constexpr uint32_t kShortestProtectedText = 24;
  if (!ini_ || !filter_ || ini_->maxWidth >= kShortestProtectedText) return false;
  if (!nx::platform::IsValidUtf8(text) || text.find('\0') != std::string_view::npos) return false;
  const int width = GetStringLength(text);
  if (width == 0) return true;
  if (static_cast<uint32_t>(width) < ini_->minWidth || static_cast<uint32_t>(width) > ini_->maxWidth) return false;
  return validateInput(text, *filter_);
}

std::string TextEditCtrl::GetUIText() const { return BlockText(GetValueFromUIDataBlk(), ctrlUIDataBlkPtr.size()); }

std::string TextEditCtrl::GetControlText() const { return BlockText(GetControlBlkPtr(), ctrlDataBlkPtr.size()); }

int TextEditCtrl::GetUITextWidth() const { return GetStringLength(GetUIText()); }

bool TextEditCtrl::CheckUIText() const {
  if (!ini_) return true;
  const std::string text = GetUIText();
  const int width = GetStringLength(text);
  if (width == 0) return true;
  if (static_cast<uint32_t>(width) < ini_->minWidth || static_cast<uint32_t>(width) > ini_->maxWidth) return false;
  return !filter_ || validateInput(text, *filter_);
}

bool TextEditCtrl::InvalidateData() {
  if (CheckUIText()) return true;
  ShowValidationAlert(filter_ ? filter_->messageKey : nullptr);
  return false;
}

bool TextEditCtrl::InvalidateDataAndReturnError() { return CheckUIText(); }

void TextEditCtrl::CorrectCtrlUI() {
  if (ControlPtr) ControlPtr->SetStringValue("");
  std::fill(ctrlUIDataBlkPtr.begin(), ctrlUIDataBlkPtr.end(), 0);
  ctrlDataSize = 0;
}

// ---- StaticTextEditControl ----

StaticTextEditControl::StaticTextEditControl(nx::platform::ui::Element* element, const TextEditIniData* ini,
                                             const ConstrainTable* constrain, const DataAccessInfo* access,
                                             nx::platform::PrefUser user, const InputFilter* filter,
                                             const char* summaryKey)
    : TextEditCtrl(element, ini, constrain, access, user, filter), summaryKey_(summaryKey) {}

bool StaticTextEditControl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  TextEditCtrl::InitializeCtrl(bundle, ppd);
  ShowLabel();
  return true;
}

void StaticTextEditControl::ShowLabel() {
  if (ControlPtr && summaryKey_) ControlPtr->SetStringValue(LocalizedOrKey(summaryKey_));
}

}  // namespace pdekit
