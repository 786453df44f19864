#include "faxpde/PhonebookImportWindow.h"

#include "nx/platform/services.h"
#include "pdekit/Localization.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

namespace {

constexpr const char* kDataTypeItems[] = {
    "Fax PB Import Fax Recipient Data Win Data Type Popup List Speed Dial Data EWS-CSV",
    "Fax PB Import Fax Recipient Data Win Data Type Popup List Speed Dial Data EWS-CSV Ago",
    "Fax PB Import Fax Recipient Data Win Data Type Popup List Phonebook (GAD)"};

}  // namespace

bool FaxPBImportFaxRecipientDataWindowsClass::CreateDialog() {
  auto* w = GetPanelWindow();
  if (!w) return false;
  if (auto* popup = w->FindElement(kPBImpDataType); popup && popup->ItemCount() == 0) {
    for (const char* key : kDataTypeItems) popup->AddItem(key);
    popup->SelectItem(0);
  }
  if (auto* ok = w->FindElement(kPBImpOK))
    ok->SetAction([this](nx::platform::ui::Element&) {
      setWinExitStateToOK();
      DeactivateWindow(nx::platform::ui::kModalResponseStop);
    });
  if (auto* cancel = w->FindElement(kPBImpCancel))
    cancel->SetAction([this](nx::platform::ui::Element&) {
      setWinExitStateToCancel();
      DeactivateWindow(nx::platform::ui::kModalResponseStop);
    });
  if (auto* help = w->FindElement(kPBImpHelp))
    help->SetAction([this](nx::platform::ui::Element&) {
      pdekit::GotoHelpPage(services_.help(), pdeBundleRef, "Import.htm", nullptr);
    });
  return true;
}

int FaxPBImportFaxRecipientDataWindowsClass::InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  const int result = FaxPBPopupWinInPanel::InitializeUserPane(bundle, ppd);
  auto* w = GetPanelWindow();
  if (!w || !bundle) return result;
  auto title = [&](int tag, const char* key) {
    if (auto* e = w->FindElement(tag)) e->SetTitle(pdekit::LocalizedStringOrKey(*bundle, key));
  };
  title(kPBImpDataTypeLabel, "Fax Phonebook Import Fax Recipient Data Window Data Type Static Edit Title String");
  title(kPBImpOK, "OK Button Ctrl");
  title(kPBImpCancel, "Cancel Button Ctrl");
  title(kPBImpHelp, "Help Button Ctrl");
  if (auto* popup = w->FindElement(kPBImpDataType)) {
    const int selected = popup->SelectedIndex();
    popup->RemoveAllItems();
    for (const char* key : kDataTypeItems) popup->AddItem(pdekit::LocalizedStringOrKey(*bundle, key));
    popup->SelectItem(selected >= 0 ? selected : 0);
  }
  return result;
}

int FaxPBImportFaxRecipientDataWindowsClass::getDataTypeListValue() const {
  auto* w = GetPanelWindow();
  auto* popup = w ? w->FindElement(kPBImpDataType) : nullptr;
  const int index = popup ? popup->SelectedIndex() : 0;
  return index >= 0 && index <= 2 ? index + 1 : 1;
}

}  // namespace faxpde
