// The rules a recipient passes before it joins a fax job, free of any window: the fields'
// character sets and checks, the list limits, what a phonebook entry needs of the device, the
// device options the rules depend on, and the fields the recipient ticket encoder takes. The
// recipient and phonebook windows show the warnings these answer; faxsend prints them.
#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nx/phonebook/fax_record.h"
#include "nx/ticket/recipient_ticket.h"
#include "pdekit/ControlTables.h"

namespace faxpde {

// Real recipients one job may have.
inline constexpr long long kMaxRealRecipients = 600;
// Longest fax number and IP fax address the fields take; longest name.
inline constexpr int kMaxFaxNumberLength = 100;
inline constexpr int kMaxIPFaxAddressLength = 128;
inline constexpr int kMaxRecipientNameLength = 18;

// Character sets of the recipient fields.
extern const pdekit::InputFilter kFaxJISInputFilter;     // names, company, tel, memo
extern const pdekit::InputFilter kFaxNumberInputFilter;  // fax numbers and IP fax addresses
extern const pdekit::InputFilter kSpeedDialInputFilter;  // "*" and digits
extern const pdekit::InputFilter kEmailInputFilter;      // U+0021-U+007E

// A check that failed: the alert's text key and the values put into it.
struct FieldWarning {
  std::string textKey;
  std::vector<std::string> arguments;
};

// Non-empty and made only of U+0020 and U+3000.
bool IsAllSpaceText(std::string_view text);
// Number of characters (code points) of UTF-8 text.
int CharacterCount(std::string_view text);

// The name field's checks: spaces alone ("Warning_Add_All_Space_Recipient_to_List_Win_Content_ID"),
// then more than `maxLength` characters or a character outside the JIS set (the set's message key).
std::optional<FieldWarning> CheckNameText(std::string_view text,
                                          int maxLength = kMaxRecipientNameLength);
// Highest speed dial number: three-digit numbering 999 with the expansion kit, else 500;
// four-digit numbering 5000 with speed dial type 2, else 2000.
int SpeedDialUpperBound(bool threeDigit, bool expansionAvailable, int speedDialType);
// The checks of a speed dial text (length, pattern, lowest number named within 1..bound).
std::optional<FieldWarning> CheckSpeedDialText(std::string_view text, bool threeDigit,
                                               bool expansionAvailable, int speedDialType);
// The checks of a fax number or IP fax address (length 1..maxLength, spaces, character set).
std::optional<FieldWarning> CheckFaxNumberText(std::string_view text, int maxLength);
// Right-aligned, padded with "0" to 3 digits (three-digit numbering) or 4.
std::string PadSpeedDial(std::string_view text, bool threeDigit);
// The list row of a record: "name <address>", "name <'address'>" for speed dials; nothing for
// other record types.
std::optional<std::string> RecipientRowText(const nx::phonebook::FaxRecord& record);

// The limits Add To checks before a record joins the list, in order: one recipient per job,
// 600 real recipients, the list maximum. `existing` is the list's real recipient count,
// `adding` what the new record stands for.
struct AddLimitWarning {
  std::string textKey;
  std::vector<std::string> arguments;
};
std::optional<AddLimitWarning> CheckAddLimits(long long existing, long long adding, size_t records,
                                              int maximumRecords, bool oneRecipientOnly);

// ---- Phonebook entries as recipients ----

// What becomes of one individual of the phonebook picked as a recipient (a group is its
// members, each taken in turn).
enum class EntryVerdict {
  kAdd,     // it joins the list
  kSkip,    // relay send on a device of generation 2: left out (told once for the whole pick)
  kRefuse,  // `textKey` says why; the other entries of the pick go on
  kStop,    // `textKey` says why; nothing more of the pick is added
};
struct EntryCheck {
  EntryVerdict verdict = EntryVerdict::kAdd;
  std::string textKey;
};
// The device's rules for an individual, before the list limits: relay send under the
// one-recipient restriction stops the pick, relay send on generation 2 is skipped, an IP fax
// entry needs setting type 3 or 4 and a fax entry 1, 2 or 4.
EntryCheck CheckPhonebookEntry(const nx::phonebook::FaxRecord& entry, int settingType,
                               bool generation2, bool oneRecipientOnly);
// The entry as a recipient: "RecodeType" 2, no "FaxType".
nx::phonebook::FaxRecord PhonebookRecipient(const nx::phonebook::FaxRecord& entry);
bool IsRelaySendEntry(const nx::phonebook::FaxRecord& entry);

// A job of several recipients where one uses secure send, an F-code or an F-code password: the
// recipient window asks before it lets the job go.
struct ConfidentialRecipients {
  bool secureSend = false;
  bool fCode = false;
  bool fCodePassword = false;
  bool any() const { return secureSend || fCode || fCodePassword; }
};
ConfidentialRecipients FindConfidentialRecipients(
    const std::vector<nx::phonebook::FaxRecord>& records);

// ---- Device options ----

// Device options the recipient rules and the ticket depend on (print settings first, else the
// per-printer preferences for any user).
struct DeviceOptionState {
  int faxModule = 2;
  bool phonebookExpansion = false;
  bool isdnG4Kit = false;
  std::string outlineNumber;
  std::string inlineNumber;
  // For the speed dial field: the expansion kit as the field sees it (true unless the kit
  // setting says 2 or the module is 3), and the speed dial type (0 when absent).
  bool speedDialExpansion = true;
  int speedDialType = 0;
  // The list maximum: 50 records with fax module 1, else 200.
  int MaxRecords() const { return faxModule == 1 ? 50 : 200; }
  bool ThreeDigitSpeedDial() const { return faxModule == 1; }
  nx::ticket::LineSettings Line() const;
};
// One device option by its ticket key (as the print settings hold it) and preference key;
// nothing when neither is set.
using DeviceOptionLookup =
    std::function<std::optional<std::string>(const char* ticketKey, const char* preferenceKey)>;
// The device options as the recipient window reads them.
DeviceOptionState ReadDeviceOptionState(const DeviceOptionLookup& lookup);

// ---- Ticket ----

// The fields the recipient item encoder takes from a record.
nx::ticket::RecipientFields RecipientTicketFields(const nx::phonebook::FaxRecord& record);
// Generation 2 devices take no apostrophe in an item (it quotes a speed dial number there) and
// no relay send field; false also when an item cannot be built.
bool TakenByGeneration2Devices(const std::vector<nx::ticket::RecipientFields>& recipients,
                               const nx::ticket::LineSettings& line);
// The dated delayed send text "YYYY:MM:DD:HH:MM" for a chosen hour and minute: today when the
// time is not earlier than `now` (to the minute), else tomorrow through the calendar.
std::string DelayedSendDateText(std::time_t now, int hour, int minute);

}  // namespace faxpde
