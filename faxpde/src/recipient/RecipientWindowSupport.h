// What the recipient window and the recipient information window share: the record accessors, the limits of
// the fields both show, the title of the add warnings and the button factory.
#pragma once

#include <memory>
#include <utility>

#include "nx/phonebook/fax_record.h"
#include "nx/platform/toolkit.h"
#include "pdekit/ControlTables.h"
#include "pdekit/SimpleControls.h"

namespace faxpde {

using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordInteger;
using nx::phonebook::FaxRecordSetText;
using nx::phonebook::FaxRecordText;

namespace recipient {

// The title of every warning that refuses to add or change a recipient.
inline constexpr char kAddRecipientTitle[] = "Warning_Add_Recipient_to_List_Win_Title_ID";

inline const pdekit::TextEditIniData kNameIni{"", "", 0, 18};
inline const pdekit::TextEditIniData kFaxNumberIni{"", "", 1, 100};
inline const pdekit::TextEditIniData kSpeedDialIni{"", "", 1, 4};

// A button on the element of `view` with `tag`.
inline std::shared_ptr<pdekit::BaseButton> Button(nx::platform::ui::View* view, int tag, const char* titleKey,
                                                  pdekit::BaseButton::Handler handler) {
  auto b = std::make_shared<pdekit::BaseButton>(view->FindElement(tag), titleKey);
  b->SetHandler(std::move(handler));
  return b;
}

}  // namespace recipient
}  // namespace faxpde
