#include "faxpde/PhonebookImportWindow.h"

namespace faxpde {

bool FaxPBImportFaxRecipientDataWindowsClass::CreateDialog() {
  auto* w = GetPanelWindow();
  if (!w) return false;
  if (auto* popup = w->FindElement(kPBImpDataType); popup && popup->ItemCount() == 0) {
    popup->AddItem("Fax PB Import Fax Recipient Data Win Data Type Popup List Speed Dial Data EWS-CSV");
    popup->AddItem("Fax PB Import Fax Recipient Data Win Data Type Popup List Speed Dial Data EWS-CSV Ago");
    popup->AddItem("Fax PB Import Fax Recipient Data Win Data Type Popup List Phonebook (GAD)");
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
  return true;
}

int FaxPBImportFaxRecipientDataWindowsClass::getDataTypeListValue() const {
  auto* w = GetPanelWindow();
  auto* popup = w ? w->FindElement(kPBImpDataType) : nullptr;
  const int index = popup ? popup->SelectedIndex() : 0;
  return index >= 0 && index <= 2 ? index + 1 : 1;
}

}  // namespace faxpde
