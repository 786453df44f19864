// Scenario steps of the recipient window and its child windows for the dialog host tests.
#pragma once

#include <string>
#include <vector>

#include "fax_fixture.h"

namespace faxpde::testing {

inline constexpr const char* kRecipientWindow = "RecipientSetting_Default00";
inline constexpr const char* kConfirmWindow = "FaxNumberConfirm";
inline constexpr const char* kInfoWindow = "RecipientInformation";
inline constexpr const char* kJobWindow = "FaxJobConfirmation";
inline constexpr const char* kCommWindow = "FaxCommunicationSettings";

inline std::string In(const std::string& window, const std::string& body) {
  return R"({"window": ")" + window + R"(", )" + body + "}";
}
inline std::string Plain(const std::string& body) { return "{" + body + "}"; }
inline std::string Json(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}
inline std::string Enter(int tag, const std::string& text, const std::string& window = kRecipientWindow) {
  return In(window, R"("action": "enter", "tag": )" + std::to_string(tag) + R"(, "text": )" + Json(text));
}
inline std::string Click(int tag, const std::string& window = kRecipientWindow) {
  return In(window, R"("action": "click", "tag": )" + std::to_string(tag));
}
inline std::string SelectItem(int tag, int index, const std::string& window = kRecipientWindow) {
  return In(window, R"("action": "select", "tag": )" + std::to_string(tag) + R"(, "index": )" + std::to_string(index));
}
inline std::string Answer(int button, const std::string& textKey = "") {
  std::string body = R"("action": "answerAlert", "button": )" + std::to_string(button);
  if (!textKey.empty()) body += R"(, "textKey": )" + Json(textKey);
  return Plain(body);
}
inline std::string Print() { return Plain(R"("action": "print")"); }

// Name and number typed, then Add To (tags of the recipient window).
inline std::vector<std::string> TypedRecipient(const std::string& name, const std::string& number) {
  return {Enter(2, name), Enter(7, number), Click(5)};
}
inline std::vector<std::string> SpeedDialRecipient(const std::string& name, const std::string& number) {
  return {SelectItem(11, 1), Enter(2, name), Enter(9, number), Click(5)};
}
// Opens the communication settings of list row `row`, runs `inside` there and leaves with OK.
inline std::vector<std::string> Communication(int row, const std::vector<std::string>& inside) {
  std::vector<std::string> steps{
      In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [)" + std::to_string(row) + "]"), Click(16)};
  steps.insert(steps.end(), inside.begin(), inside.end());
  steps.push_back(Click(10, kCommWindow));
  return steps;
}
// OK in the recipient window, then OK in the job confirmation window.
inline std::vector<std::string> Confirm() { return {Click(19), Click(16, kJobWindow)}; }

// Device options as the Device Option panel finds them stored for the queue "Fax" (any user).
struct StoredOptions {
  const char* faxModule = nullptr;     // "1" .. "4"
  const char* expansionKit = nullptr;  // "1" installed, "2" not
  const char* speedDialType = nullptr; // "1" up to 2000, "2" up to 5000
  const char* isdnKit = nullptr;       // "1" installed, "2" not
  const char* outline = nullptr;       // outside line number
  const char* inlineNumber = nullptr;  // extension number
};
inline std::shared_ptr<nx::platform::MemoryPreferences> PreferencesWith(const StoredOptions& o) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  const nx::platform::PrefDomain domain{std::string(nx::platform::kAnyApplication), nx::platform::PrefUser::kAny,
                                        nx::platform::PrefHost::kCurrent};
  auto set = [&](const char* name, const char* value) {
    if (value) prefs->SetValue("Fax" + Key(std::string("DeviceOption") + name), nx::platform::PropertyValue(value), domain);
  };
  set("FaxModuleTypePopupListReference", o.faxModule);
  set("PhonebookExpansionKitPopupListReference", o.expansionKit);
  set("SpeedDialPopupListReference", o.speedDialType);
  set("ISDNG4TypePopupListReference", o.isdnKit);
  set("OutlineNumberEtxtReference", o.outline);
  set("InlineNumberEtxtReference", o.inlineNumber);
  return prefs;
}

inline std::string Scenario(const std::vector<std::vector<std::string>>& groups, const std::string& extra = "") {
  std::string out = "{" + extra + R"("steps": [)";
  bool first = true;
  for (const auto& group : groups)
    for (const auto& step : group) {
      out += (first ? "" : ",\n") + step;
      first = false;
    }
  return out + "]}";
}

}  // namespace faxpde::testing
