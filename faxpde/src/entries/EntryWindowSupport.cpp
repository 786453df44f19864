#include "entries/EntryWindowSupport.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <utility>

#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/services.h"
#include "pdekit/Localization.h"
#include "pdekit/SimpleControls.h"

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

void AddEntryButton(pdekit::BasePrintPanel& window, int tag, const char* titleKey, std::function<void()> handler) {
  auto b = std::make_shared<pdekit::BaseButton>(FindTag(window, tag), titleKey);
  b->SetHandler([handler = std::move(handler)](pdekit::BaseButton&) { handler(); });
  window.RunTimeAddNewControl(b);
}

void CloseAfterSave(FaxPBPopupWinInPanel& window, nx::phonebook::FaxPhonebookModel& model, bool saved, bool sandbox,
                    const std::string& titleKey, bool& changed) {
  if (!saved) {
    ShowEntryAlert(window, titleKey, "Warning_Phonebook_Entry_Not_Saved_ID");
    return;
  }
  changed = true;
  if (sandbox) model.postFaxPhonebookChangedForSandbox(nx::phonebook::kFaxPhonebookModelChanged);
  else model.postFaxPhonebookChanged(nx::phonebook::kFaxPhonebookModelChanged);
  window.setWinExitStateToOK();
  window.DeactivateWindow(nx::platform::ui::kModalResponseOK);
}

bool ContainsIgnoringCase(const std::string& text, const std::string& needle) {
  auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                        [&](char a, char b) { return lower(a) == lower(b); });
  return it != text.end();
}

}  // namespace faxpde::entries
