// String-table look-ups and alerts from keys; see Localization.h.
#include "pdekit/Localization.h"

#include "pdekit/UtilityFunction.h"

namespace pdekit {

std::string GetLocalizeTableNameFromPPD(ppd_file_t* ppd) {
  ppd_attr_t* a = ppdFindAttr_ALT(ppd, "NXLocalizableFileIndex");
  if (!a) return {};
  return std::string(nx::platform::kDefaultStringTable) + (a->value ? a->value : "");
}

std::string LocalizedString(const nx::platform::Bundle& bundle, std::string_view key, std::string_view table) {
  return bundle.LocalizedString(key, nx::platform::kNoTranslation, table);
}

std::string LocalizedStringOrKey(const nx::platform::Bundle& bundle, std::string_view key, std::string_view table) {
  std::string s = LocalizedString(bundle, key, table);
  return s == nx::platform::kNoTranslation ? std::string(key) : s;
}

int RunLocalizedAlert(nx::platform::ui::Toolkit& toolkit, const nx::platform::Bundle& bundle, std::string_view table,
                      nx::platform::ui::AlertStyle style, std::string_view titleKey, std::string_view textKey,
                      const std::vector<std::string>& buttonKeys, const std::vector<std::string>& arguments) {
  nx::platform::ui::Alert alert;
  alert.style = style;
  alert.title_key = std::string(titleKey);
  alert.text_key = std::string(textKey);
  alert.arguments = arguments;
  if (!titleKey.empty()) alert.message_text = FormatLocalized(LocalizedStringOrKey(bundle, titleKey, table), arguments);
  if (!textKey.empty()) alert.informative_text = FormatLocalized(LocalizedStringOrKey(bundle, textKey, table), arguments);
  for (const auto& b : buttonKeys) alert.buttons.push_back(LocalizedStringOrKey(bundle, b, table));
  return toolkit.RunAlert(alert) - nx::platform::ui::kAlertFirstButtonReturn;
}

}  // namespace pdekit
