#include "entries/EntryWindowSupport.h"

#include <algorithm>
#include <cctype>

#include "nx/platform/services.h"
#include "pdekit/Localization.h"

namespace faxpde::entries {

using nx::phonebook::FaxRecordText;

int ShowEntryAlert(pdekit::BasePrintPanel& window, const std::string& titleKey, const std::string& textKey,
                   const std::vector<std::string>& arguments, const std::vector<std::string>& buttons) {
  nx::platform::ui::Toolkit& toolkit = window.GetServices().toolkit();
  if (const nx::platform::Bundle* bundle = window.GetPDEBundleRef())
    return pdekit::RunLocalizedAlert(toolkit, *bundle, window.GetLocalizeTableName(),
                                     nx::platform::ui::AlertStyle::kCritical, titleKey, textKey, buttons, arguments);
  nx::platform::ui::Alert alert;
  alert.title_key = alert.message_text = titleKey;
  alert.text_key = alert.informative_text = textKey;
  alert.arguments = arguments;
  alert.buttons = buttons;
  return toolkit.RunAlert(alert) - nx::platform::ui::kAlertFirstButtonReturn;
}

nx::platform::ui::Element* FindTag(pdekit::BasePrintPanel& window, int tag) {
  nx::platform::ui::View* view = window.GetPanelControlPtr();
  return view ? view->FindElement(tag) : nullptr;
}

std::string Localized(pdekit::BasePrintPanel& window, const std::string& key) {
  const nx::platform::Bundle* bundle = window.GetPDEBundleRef();
  return bundle ? pdekit::LocalizedStringOrKey(*bundle, key, window.GetLocalizeTableName()) : key;
}

std::string IndividualRow(pdekit::BasePrintPanel&, const nx::phonebook::FaxRecord& record) {
  return pdekit::FormatLocalized("%@ <%@>", {FaxRecordText(record, "Name"), FaxRecordText(record, "Address")});
}

std::string GroupRow(pdekit::BasePrintPanel&, const nx::phonebook::FaxRecord& group) {
  return pdekit::FormatLocalized("[%@]", {FaxRecordText(group, "GroupName")});
}

bool ContainsIgnoringCase(const std::string& text, const std::string& needle) {
  auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                        [&](char a, char b) { return lower(a) == lower(b); });
  return it != text.end();
}

}  // namespace faxpde::entries
