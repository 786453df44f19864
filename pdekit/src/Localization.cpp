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

std::string FormatLocalized(std::string_view text, const std::vector<std::string>& arguments) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    if (text[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // Optional "n$" position, optional "l", then the conversion.
    size_t j = i + 1;
    size_t position = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9' && position < 100) position = position * 10 + (text[j++] - '0');
    if (j < text.size() && text[j] == '$' && position > 0) ++j;
    else j = i + 1, position = 0;
    if (j < text.size() && text[j] == 'l') ++j;
    if (j >= text.size() || std::string_view("@sdu").find(text[j]) == std::string_view::npos) {
      out += text[i];
      continue;
    }
    const size_t index = position > 0 ? position - 1 : next++;
    if (index < arguments.size()) out += arguments[index];
    else out.append(text.substr(i, j - i + 1));
    i = j;
  }
  return out;
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
