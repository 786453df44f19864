// The rules the phonebook windows apply before an entry reaches the phonebook: the individual
// entry window's fields, the communication settings and the new-entry checks (duplicates,
// limits), and the group entry window's checks. Each check answers the warning the window
// shows (title and text keys) or nothing when the entry may be stored; nothing is shown here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/phonebook/fax_record.h"

namespace nx::phonebook {

inline constexpr char kFaxPBIndividualWindowTitle[] =
    "Fax Phonebook New Individual Entry Window Title String";
inline constexpr char kFaxPBGroupWindowTitle[] = "Fax Phonebook New Group Entry Window Title String";
// What a text field answers to text it does not take (the formatter's refusal).
inline constexpr char kFaxPBStringTooLong[] = "String too long.";

struct FaxPBRefusal {
  std::string titleKey;
  std::string textKey;
  std::vector<std::string> arguments;  // for kFaxPBStringTooLong: the entry key of the field
};

// The individual entry window's fields: name, the fax number or IP fax address ("AddressType"
// "0" or "4"), company, tel, e-mail, memo.
std::optional<FaxPBRefusal> CheckIndividualEntryFields(const FaxRecord& entry);
// The communication settings of the entry, as the communication settings window checks them
// at OK for the chosen send type ("SecureorRelay" 0, 1, 2).
std::optional<FaxPBRefusal> CheckCommunicationSettings(const FaxRecord& entry);
// A relay destination as the destination fields take it: "5" -> "005", "1*" -> "01*",
// "#3" (group send) -> "0#3". Refusals are those of the window's Add To.
std::optional<FaxPBRefusal> NormalizeRelayDestination(std::string_view typed, std::string& out);

// Communication settings as a command line gives them (the communication settings window's
// fields): mode "0" G3, "1" G4, "2" overseas; line "0" outside, "1" extension; a mailbox ID for
// secure send or a relay station for relay send (not both); destinations as typed.
struct FaxPBCommunicationChoice {
  std::string commMode = "0";
  std::string line = "0";
  std::optional<std::string> mailboxId;
  std::string mailboxPasscode;
  std::optional<std::string> relayStation;
  std::vector<std::string> relayDestinations;
  bool relayPrint = false;
  std::string fCode;
  std::string fCodePassword;
};
// Stores the choice in the entry as the window's OK does (destinations normalized, repeats left
// out), then checks it (CheckCommunicationSettings). The refusal of the first destination or
// check that fails; the entry is then partly set.
std::optional<FaxPBRefusal> ApplyCommunicationChoice(FaxRecord& entry, const FaxPBCommunicationChoice& choice);

struct FaxPBEntryResult {
  bool added = false;
  bool saveFailed = false;  // the entry was acceptable but the book could not be saved
  std::string id;           // the new entry's Id
  std::optional<FaxPBRefusal> refusal;
};

// OK of the individual entry window for a new entry: the field and communication checks, the
// duplicate check ("Name", "Address", "AddressType"), the 9999 limit; then the entry gets a
// new "Id" and "RecodeType" 2 and the book is saved. A failed save leaves book and file as
// they were.
FaxPBEntryResult AddNewIndividualEntry(FaxPhonebookModel& model, FaxRecord entry,
                                       bool isSandbox = false);
// OK of the group entry window for a new group ("GroupName", "EntryList" of individual Ids):
// name, members (at least 1, at most 50, each an individual of the book), a name no other
// group has, the 5000 limit; then the group gets a new "Id" and "EntryNum", and is saved.
FaxPBEntryResult AddNewGroupEntry(FaxPhonebookModel& model, FaxRecord group,
                                  bool isSandbox = false);

}  // namespace nx::phonebook
