// The recipients of the fax job being prepared (and, in the phonebook select window, the
// recipients being picked): an ordered list of entry dictionaries with "RecodeType" (and
// "FaxType"), with the duplicate confirmation, removals, the count of real destinations that
// speed dials stand for, and the list maximum.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "nx/phonebook/fax_record.h"
#include "nx/platform/bundle.h"
#include "nx/platform/notifications.h"
#include "nx/platform/toolkit.h"

namespace nx::phonebook {

// The list maximum until the panel sets one (the larger of the fax modules' two maxima).
inline constexpr int kFaxPBDefaultMaxRecipients = 200;

class FaxPBRecipientModel {
 public:
  // Changes are posted to `center` under `changeName` with the model as sender. `bundle` (may
  // be null) translates the confirmation. All references must outlive the model.
  FaxPBRecipientModel(nx::platform::NotificationCenter& center, nx::platform::ui::Toolkit& toolkit,
                      const nx::platform::Bundle* bundle = nullptr,
                      std::string changeName = "FaxPhonebookRecipientModelChanged");

  // Appends the recipient. With the duplicate check, a recipient equal to one in the list (same
  // "RecodeType", "Name" and "Address", and "AddressType" where both carry one) is added only
  // when the user confirms it (OK); without the confirmation it is not added. True when added.
  bool addRecipient(FaxRecord recipient, bool checkRecipientDuplicated, bool showComfirmInfo);
  // Replaces the recipient at `index`, the same duplicate rule against the other recipients
  // (always confirmed). False for an index out of range or a declined duplicate.
  bool replaceRecipientWithIndex(std::size_t index, FaxRecord recipient,
                                 bool checkRecipientDuplicated);
  // Indexes out of range are ignored; every index counts once.
  void removeRecipientAtIndexes(const std::vector<std::size_t>& indexes);
  void removeAllRecipient();

  // Null when out of range; valid until the next change.
  const FaxRecord* getRecipientAtIndex(std::size_t index) const;
  std::vector<FaxRecord> getRecipientAtIndexes(const std::vector<std::size_t>& indexes) const;
  const std::vector<FaxRecord>& getRecipientArray() const { return m_Recipients; }
  std::size_t recipientCount() const { return m_Recipients.size(); }
  void setMaxRecipientNum(int maximum) { m_MaxRecipients = maximum; }
  int getMaxRecipientNum() const { return m_MaxRecipients; }
  void postFaxPBRecipientChanged();

  // Destinations the list stands for: 1 per recipient, a speed dial recipient what
  // realRecipientCount says of its "Address". `expansionAvailable` is the speed dial field's
  // phonebook expansion state (three-digit numbering reaches 999 with it, 500 without).
  long long getRealRecipientCount(bool expansionAvailable) const;
  // Destinations a speed dial text names, by the first matching pattern; 0 when none matches.
  static int realRecipientCount(bool expansionAvailable, std::string_view phoneNumber);

  // The duplicate rule, against every recipient but the one at `skip`.
  bool isDuplicated(const FaxRecord& recipient, std::size_t skip = static_cast<std::size_t>(-1)) const;

 private:
  bool ConfirmDuplicate(const FaxRecord& recipient);

  nx::platform::NotificationCenter& m_Center;
  nx::platform::ui::Toolkit& m_Toolkit;
  const nx::platform::Bundle* m_Bundle;
  std::string m_ChangeName;
  std::vector<FaxRecord> m_Recipients;
  int m_MaxRecipients = kFaxPBDefaultMaxRecipients;
};

}  // namespace nx::phonebook
