// Helpers shared by the phonebook model's sources.
#include "model_support.h"

#include <utility>

#include "nx/phonebook/alert_sink.h"

namespace nx::phonebook {
namespace {

LocalizedAlertSink& Sink() {
  static LocalizedAlertSink sink;
  return sink;
}

}  // namespace

void SetLocalizedAlertSink(LocalizedAlertSink sink) { Sink() = std::move(sink); }

}  // namespace nx::phonebook

namespace nx::phonebook::detail {

std::string DuplicateKey(const FaxRecord& record) {
  const std::string& name = FaxRecordText(record, "Name");
  const std::string& address = FaxRecordText(record, "Address");
  const std::string& type = FaxRecordText(record, "AddressType");
  std::string key;
  key.reserve(name.size() + address.size() + type.size() + 2);
  key.append(name).push_back('\0');
  key.append(address).push_back('\0');
  key.append(type);
  return key;
}

int ShowPhonebookAlert(nx::platform::ui::Toolkit& toolkit, const nx::platform::Bundle* bundle,
                       const std::string& titleKey, const std::string& textKey,
                       const std::vector<std::string>& buttonKeys,
                       const std::vector<std::string>& arguments) {
  using nx::platform::ui::Alert;
  using nx::platform::ui::AlertStyle;
  if (bundle != nullptr && Sink()) return Sink()(toolkit, *bundle, {titleKey, textKey, buttonKeys, arguments});
  Alert alert;
  alert.style = AlertStyle::kCritical;
  alert.title_key = titleKey;
  alert.text_key = textKey;
  alert.arguments = arguments;
  alert.message_text = nx::platform::FormatLocalized(titleKey, arguments);
  alert.informative_text = nx::platform::FormatLocalized(textKey, arguments);
  alert.buttons = buttonKeys;
  return toolkit.RunAlert(alert) - nx::platform::ui::kAlertFirstButtonReturn;
}

bool IsAllSpaces(std::string_view text) {
  if (text.empty()) return false;
  while (!text.empty()) {
    if (text[0] == ' ') {
      text.remove_prefix(1);
    } else if (text.substr(0, 3) == "\xE3\x80\x80") {  // U+3000
      text.remove_prefix(3);
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace nx::phonebook::detail
