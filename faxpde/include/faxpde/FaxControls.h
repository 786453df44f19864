// Controls shared by the fax panels: a label titled by a PPD option, popups and a check box
// that summarise themselves by key, and the resolution popup that takes its items from the PPD.
#pragma once

#include <string>
#include <vector>

#include "pdekit/PopupControl.h"
#include "pdekit/SimpleControls.h"
#include "pdekit/StateControls.h"

namespace faxpde {

// A label showing the UI title of a PPD option (the element keeps its title without one).
class PPDStaticTextCtrl : public pdekit::TitledControl {
 public:
  PPDStaticTextCtrl(nx::platform::ui::Element* element, std::string keyword);
  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;

 private:
  std::string keyword_;
};

// A popup from one PPD option whose summary names the value by `itemKeys` (by value, 1-based).
class DFaxPPDPopupListCtrl : public pdekit::PPDPopupControl {
 public:
  DFaxPPDPopupListCtrl(nx::platform::ui::Element* element, const pdekit::DataAccessInfo* access,
                       nx::platform::PrefUser user, std::string keyword, const char* summaryKey,
                       std::vector<const char*> itemKeys);
  // Reads its ticket key from the current print settings as an item number.
  bool GetValueToPreset() override;
  void GetSummaryText(pdekit::SummaryInfo& summary) override;

 private:
  const char* summaryKey_;
  std::vector<const char*> itemKeys_;
};

class DFaxPopupListCtrl : public pdekit::PopupControl {
 public:
  DFaxPopupListCtrl(nx::platform::ui::Element* element, const pdekit::PopupIniData* ini,
                    const pdekit::ConstrainTable* constrain, const pdekit::DataAccessInfo* access,
                    nx::platform::PrefUser user, const char* summaryKey);
  void GetSummaryText(pdekit::SummaryInfo& summary) override;

 protected:
  const char* summaryKey_;
};

class DFaxCheckBoxCtrl : public pdekit::CheckBox {
 public:
  DFaxCheckBoxCtrl(nx::platform::ui::Element* element, const pdekit::CheckBoxIniData* ini,
                   const pdekit::DataAccessInfo* access, const char* summaryKey, const char* onKey,
                   const char* offKey);
  void GetSummaryText(pdekit::SummaryInfo& summary) override;

 private:
  const char* summaryKey_;
  const char* onKey_;
  const char* offKey_;
};

}  // namespace faxpde
