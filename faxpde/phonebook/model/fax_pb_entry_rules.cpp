// The phonebook windows' checks of new individuals and groups.
#include "nx/phonebook/fax_pb_entry_rules.h"

#include <algorithm>
#include <set>

#include "model_support.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

constexpr char kRelayTitle[] = "Warning_Invalid_RELAY_STATION_ID";
constexpr char kAddRelayTitle[] = "Warning_Communication_Settings_Win_Add_Relay_Fax_ID";
constexpr std::size_t kMaxRelayDestinations = 20;

FaxPBRefusal TooLong(const char* key) { return {kFaxPBIndividualWindowTitle, kFaxPBStringTooLong, {key}}; }

bool IsDigits(std::string_view text) { return detail::IsAllDigits(text); }

bool InRange(std::string_view text, long long low, long long high) {
  const long long v = detail::ParseLeadingInt(text);
  return v >= low && v <= high;
}

bool OnlyStarsAndDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c == '*' || (c >= '0' && c <= '9'); });
}

}  // namespace

std::optional<FaxPBRefusal> CheckIndividualEntryFields(const FaxRecord& e) {
  auto text = [&](const char* key) -> const std::string& { return FaxRecordText(e, key); };
  if (!FaxPhonebookModel::checkStrIsValidate(text("Name"), kFaxPBNameField)) return TooLong("Name");

  const std::string& type = text("AddressType");
  if (type != kAddressTypeFax && type != kAddressTypeIPFax) return TooLong("AddressType");
  const FaxPBField& field = type == kAddressTypeFax ? kFaxPBFaxNumberField : kFaxPBIPFaxAddressField;
  const std::string& address = text("Address");
  const auto length = detail::Utf8CharCount(address);
  if (!length || *length < field.limits.minLength || *length > field.limits.maxLength) {
    return FaxPBRefusal{kFaxPBIndividualWindowTitle, "Warning_Add_Recipient_to_List_Win_Content_ID", {}};
  }
  if (detail::IsAllSpaces(address)) {
    return FaxPBRefusal{kFaxPBIndividualWindowTitle,
                        "Warning_Add_All_Space_Recipient_to_List_Win_Content_ID", {}};
  }
  if (!FaxPhonebookModel::checkStrIsValidate(address, field)) {
    return FaxPBRefusal{kFaxPBIndividualWindowTitle, "Warning_Invalid_Input_Number_ID", {}};
  }
  const std::pair<const char*, const FaxPBField*> others[] = {{"Company", &kFaxPBCompanyField},
                                                             {"Tel", &kFaxPBTelField},
                                                             {"Email", &kFaxPBEmailField},
                                                             {"Memo", &kFaxPBMemoField}};
  for (const auto& [key, other] : others) {
    if (!FaxPhonebookModel::checkStrIsValidate(text(key), *other)) return TooLong(key);
  }
  return std::nullopt;
}

std::optional<FaxPBRefusal> CheckCommunicationSettings(const FaxRecord& e) {
  auto text = [&](const char* key) -> const std::string& { return FaxRecordText(e, key); };
  const std::string& mode = text("CommMode");
  if (mode != "0" && mode != "1" && mode != "2") return TooLong("CommMode");
  const std::string& line = text("LineType");
  if (line != "0" && line != "1") return TooLong("LineType");
  const std::string& send = text("SecureorRelay");
  if (send == "1") {
    const std::string& box = text("MailBoxId");
    if (box.empty() || box.size() > 3 || !IsDigits(box) || !InRange(box, 1, 999)) {
      return FaxPBRefusal{"", "Warning_MAILBOX_ID_JP", {}};
    }
    const std::string& passcode = text("MailBoxPassword");
    if (!passcode.empty() && (passcode.size() != 4 || !IsDigits(passcode))) {
      return FaxPBRefusal{kRelayTitle, "Warning_MAILBOX_Passcode_ID", {}};
    }
  } else if (send == "2") {
    const std::string& station = text("RlyID");
    if (station.empty() || station.size() > 2 || !IsDigits(station) || !InRange(station, 1, 99)) {
      return FaxPBRefusal{kRelayTitle, "Warning_RELAY_STATION_ID", {}};
    }
    const auto& destinations = FaxRecordList(e, "RlyDestList");
    if (destinations.empty()) return FaxPBRefusal{kRelayTitle, "Warning_DESTINATION_ID", {}};
    if (destinations.size() > kMaxRelayDestinations) {
      return FaxPBRefusal{kAddRelayTitle,
                          "Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Full_Content_ID", {}};
    }
    const std::string& print = text("Rlyprn");
    if (print != "0" && print != "1") return TooLong("Rlyprn");
  } else if (send != "0") {
    return TooLong("SecureorRelay");
  }
  if (!FaxPhonebookModel::checkStrIsValidate(text("FCode"), kFaxPBFCodeField)) return TooLong("FCode");
  if (!FaxPhonebookModel::checkStrIsValidate(text("FCodePassword"), kFaxPBFCodePasswordField)) {
    return TooLong("FCodePassword");
  }
  return std::nullopt;
}

std::optional<FaxPBRefusal> NormalizeRelayDestination(std::string_view typed, std::string& out) {
  out.clear();
  auto refuse = [](const char* key) { return FaxPBRefusal{kAddRelayTitle, key, {}}; };
  if (!typed.empty() && typed[0] == '#') {
    const std::string_view digit = typed.substr(1);
    if (digit.empty()) return refuse("Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Empty_Content_ID");
    if (digit.size() != 1 || digit == "0" || !OnlyStarsAndDigits(digit)) {
      return refuse("Warning_Communication_Settings_Win_Add_Relay_Fax_Group_Content_ID");
    }
    out = "0#" + std::string(digit);
    return std::nullopt;
  }
  if (typed.empty()) return refuse("Warning_Communication_Settings_Win_Add_Relay_Fax_Empty_Content_ID");
  if (typed.size() > 2 || !OnlyStarsAndDigits(typed) || typed.find_first_not_of('0') == std::string_view::npos) {
    return refuse("Warning_Communication_Settings_Win_Add_Relay_Fax_Content_ID");
  }
  if (typed.size() == 2 && typed[0] == '*' && typed[1] != '*') {
    return refuse("Warning_Communication_Settings_Win_Add_Relay_Fax_Invalid_Destination_ID_Content_ID");
  }
  out = std::string(3 - typed.size(), '0') + std::string(typed);
  return std::nullopt;
}

std::optional<FaxPBRefusal> ApplyCommunicationChoice(FaxRecord& entry, const FaxPBCommunicationChoice& choice) {
  FaxRecordSetText(entry, "CommMode", choice.commMode);
  FaxRecordSetText(entry, "LineType", choice.line);
  FaxRecordSetText(entry, "FCode", choice.fCode);
  FaxRecordSetText(entry, "FCodePassword", choice.fCodePassword);
  FaxRecordSetText(entry, "MailBoxId", "");
  FaxRecordSetText(entry, "MailBoxPassword", "");
  FaxRecordSetText(entry, "RlyID", "");
  FaxRecordSetText(entry, "Rlyprn", "0");
  FaxRecordSetText(entry, "RlyNum", "0");
  FaxRecordSetList(entry, "RlyDestList", {});
  if (choice.mailboxId) {
    FaxRecordSetText(entry, "SecureorRelay", "1");
    FaxRecordSetText(entry, "MailBoxId", *choice.mailboxId);
    FaxRecordSetText(entry, "MailBoxPassword", choice.mailboxPasscode);
  } else if (choice.relayStation) {
    FaxRecordSetText(entry, "SecureorRelay", "2");
    FaxRecordSetText(entry, "RlyID", *choice.relayStation);
    FaxRecordSetText(entry, "Rlyprn", choice.relayPrint ? "1" : "0");
    std::vector<std::string> destinations;
    for (const auto& typed : choice.relayDestinations) {
      std::string destination;
      if (auto refusal = NormalizeRelayDestination(typed, destination)) return refusal;
      // The window beeps at a destination already listed and adds nothing.
      if (std::find(destinations.begin(), destinations.end(), destination) == destinations.end())
        destinations.push_back(destination);
    }
    FaxRecordSetText(entry, "RlyNum", std::to_string(destinations.size()));
    FaxRecordSetList(entry, "RlyDestList", std::move(destinations));
  } else {
    FaxRecordSetText(entry, "SecureorRelay", "0");
  }
  return CheckCommunicationSettings(entry);
}

FaxPBEntryResult AddNewIndividualEntry(FaxPhonebookModel& model, FaxRecord entry, bool isSandbox) {
  FaxPBEntryResult result;
  if ((result.refusal = CheckIndividualEntryFields(entry))) return result;
  if ((result.refusal = CheckCommunicationSettings(entry))) return result;
  // Duplicates and limits are checked against the book as it is on disk now.
  PhonebookLock lock;
  if (!model.beginBookEdit(isSandbox, lock)) {
    result.saveFailed = true;
    return result;
  }
  if (model.checkDuplicate(entry, kFaxPBIndividuals)) {
    result.refusal = FaxPBRefusal{kFaxPBIndividualWindowTitle,
                                  "Warning_New_Individual_Entry_Duplicated_Individual_ID", {}};
    return result;
  }
  if (model.getFaxCountByType(kFaxPBIndividuals) >= kFaxPBMaxIndividuals) {
    result.refusal = FaxPBRefusal{"Warning_Add_Individual_Group_Win_Title_ID",
                                  "Warning_Add_Individual_Exceeding_Maximum_Num_Content_Title_ID", {}};
    return result;
  }
  FaxRecordSetText(entry, "RecodeType", std::to_string(kPhonebook_Fax_Type));
  result.added = model.addFaxRecordAndSave(std::move(entry), kFaxPBIndividuals, &result.id, isSandbox,
                                           &result.saveFailed);
  return result;
}

FaxPBEntryResult AddNewGroupEntry(FaxPhonebookModel& model, FaxRecord group, bool isSandbox) {
  FaxPBEntryResult result;
  auto refuse = [&](std::string title, std::string text, std::vector<std::string> args = {}) {
    result.refusal = FaxPBRefusal{std::move(title), std::move(text), std::move(args)};
    return result;
  };
  const std::string& name = FaxRecordText(group, "GroupName");
  const auto& members = FaxRecordList(group, "EntryList");
  // A name of spaces alone is no name: the book's validation would drop the group.
  if (name.empty() || detail::IsAllSpaces(name)) {
    return refuse(kFaxPBGroupWindowTitle, "Warning_New_Group_Entry_Window_NULL_Group_Name_ID");
  }
  if (!FaxPhonebookModel::checkStrIsValidate(name, kFaxPBGroupNameField)) {
    return refuse(kFaxPBGroupWindowTitle, kFaxPBStringTooLong, {"GroupName"});
  }
  if (members.empty()) {
    return refuse(kFaxPBGroupWindowTitle, "Warning_New_Group_Entry_Window_One_Member_At_Least_Group_Name_ID");
  }
  if (members.size() > kFaxPBMaxGroupMembers) {
    return refuse("Warning_Add_Group_Member_to_List_Win_Title_ID",
                  "Warning_Add_Group_Member_Exceeding_Maximum_Num_Content_Title_ID");
  }
  PhonebookLock lock;
  if (!model.beginBookEdit(isSandbox, lock)) {
    result.saveFailed = true;
    return result;
  }
  if (model.checkDuplicate(group, kFaxPBGroups)) {
    return refuse(kFaxPBGroupWindowTitle, "Warning_New_Group_Entry_Window_Double_Group_Name_ID");
  }
  if (model.getFaxCountByType(kFaxPBGroups) >= kFaxPBMaxGroups) {
    return refuse("Warning_Add_Individual_Group_Win_Title_ID",
                  "Warning_Add_Group_Exceeding_Maximum_Num_Content_Title_ID",
                  {std::to_string(kFaxPBMaxGroups)});
  }
  FaxRecordSetText(group, "EntryNum", std::to_string(members.size()));
  result.added = model.addFaxRecordAndSave(std::move(group), kFaxPBGroups, &result.id, isSandbox,
                                           &result.saveFailed);
  return result;
}

}  // namespace nx::phonebook
