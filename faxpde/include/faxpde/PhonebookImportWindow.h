// The import data type window: the user picks what kind of address book Import To Phonebook
// reads (1 device CSV, 2 older phonebook GAP, 3 address book GAD).
#pragma once

#include <memory>
#include <string>

#include "faxpde/FaxPBPopupWinInPanel.h"

namespace faxpde {

// Element tags of the import window (layout "Import_Default00").
enum PhonebookImportTag { kPBImpDataTypeLabel = 1, kPBImpDataType = 2, kPBImpOK = 3, kPBImpCancel = 4, kPBImpHelp = 5 };

class FaxPBImportFaxRecipientDataWindowsClass : public FaxPBPopupWinInPanel {
 public:
  using FaxPBPopupWinInPanel::FaxPBPopupWinInPanel;

  // Fills the data type popup and wires OK and Cancel. False without a window.
  bool CreateDialog();
  // Shows the labels and the popup's items in the bundle's language.
  int InitializeUserPane(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  // 1, 2 or 3 as chosen in the popup (1 when nothing is chosen).
  int getDataTypeListValue() const;
};

}  // namespace faxpde
