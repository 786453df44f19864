// The recipient rules shared by the fax windows and faxsend; see RecipientRules.h.
#include "faxpde/RecipientRules.h"

#include <algorithm>
#include <cstdio>

#include "nx/ticket/keys.h"
#include "pdekit/BaseControl.h"
#include "pdekit/TextEditFormatter.h"
#include "pdekit/UtilityFunction.h"

namespace faxpde {

using nx::phonebook::FaxRecord;
using nx::phonebook::FaxRecordInteger;
using nx::phonebook::FaxRecordText;

const pdekit::InputFilter kFaxJISInputFilter{
    0,
    {},
    6,
    {{0x20, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7E}, {0xA0, 0xDF}, {0x8140, 0xF040}, {0xF9FC, 0xFCFC}},
    "Warning_Add_Recipient_to_List_Win_Content_ID"};
const pdekit::InputFilter kFaxNumberInputFilter{
    0, {}, 3, {{0x20, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7E}}, "Warning_Invalid_Input_Number_ID"};
const pdekit::InputFilter kSpeedDialInputFilter{
    0, {}, 2, {{0x2A, 0x2A}, {0x30, 0x39}}, "Warning_Add_Recipient_to_List_Win_PPC_Content_ID"};
const pdekit::InputFilter kEmailInputFilter{
    0, {}, 1, {{0x21, 0x7E}}, "Warning_Invalid_Input_Number_ID"};

namespace {

constexpr const char* kLengthKey = "Warning_Add_Recipient_to_List_Win_Content_ID";
constexpr const char* kAllSpaceKey = "Warning_Add_All_Space_Recipient_to_List_Win_Content_ID";

bool Matches(const char* pattern, const std::string& text) {
  return pdekit::regexp(pattern, text.c_str()) == 0;
}

// A device option value: decimal text to an integer; nothing for text that holds no digits.
std::optional<int> AsInteger(const std::optional<std::string>& text) {
  if (!text || text->empty()) return std::nullopt;
  const std::string& t = *text;
  if (t.find_first_of("0123456789") == std::string::npos) return std::nullopt;
  return pdekit::getIntFromString(t.c_str(), static_cast<int>(t.size()));
}

std::string Cut5(const std::string& text) { return std::string(pdekit::CutUtf8(text, 5)); }

}  // namespace

// ---- Fields ----

int CharacterCount(std::string_view text) {
  int n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

bool IsAllSpaceText(std::string_view text) { return !text.empty() && pdekit::IsAllSpace(text); }

std::optional<FieldWarning> CheckNameText(std::string_view text, int maxLength) {
  if (IsAllSpaceText(text)) return FieldWarning{kAllSpaceKey, {}};
  if (CharacterCount(text) > maxLength || !pdekit::validateInputByJIS(text, kFaxJISInputFilter))
    return FieldWarning{kFaxJISInputFilter.messageKey, {}};
  return std::nullopt;
}

int SpeedDialUpperBound(bool threeDigit, bool expansionAvailable, int speedDialType) {
  if (threeDigit) return expansionAvailable ? 999 : 500;
  return speedDialType == 2 ? 5000 : 2000;
}

std::optional<FieldWarning> CheckSpeedDialText(std::string_view view, bool threeDigit,
                                               bool expansionAvailable, int speedDialType) {
  const std::string text(view);
  const size_t maxLength = threeDigit ? 3 : 4;
  if (text.empty() || text.size() > maxLength) return FieldWarning{kLengthKey, {}};
  if (threeDigit) {
    if (!Matches("^[0-9]{0,2}[*]{1}$|^[0-9]{0,1}[*]{2}$|^[0-9]{1,3}$|^[*]{3}$", text))
      return FieldWarning{"Warning_Add_Recipient_to_List_Win_PPC_Content_ID", {}};
  } else if (!Matches("^[0-9]{0,3}[*]{1}$|^[0-9]{0,2}[*]{2}$|^[0-9]{1,4}$", text)) {
    return FieldWarning{"Warning_Add_Recipient_to_List_Win_Mini_Content_ID", {}};
  }
  // The lowest number named: stars as zeros; speed dial 0 does not exist, so a text of zeros and
  // stars names 1 first.
  std::string lowest = text;
  std::replace(lowest.begin(), lowest.end(), '*', '0');
  int number = pdekit::getIntFromString(lowest.c_str(), static_cast<int>(lowest.size()));
  const char* zerosAndStars = threeDigit ? "^[0]{0,2}[*]{1,2}$|^[*]{3}$" : "^[0]{0,3}[*]{1,2}$";
  if (Matches(zerosAndStars, text)) number += 1;
  const int bound = SpeedDialUpperBound(threeDigit, expansionAvailable, speedDialType);
  if (number < 1 || number > bound)
    return FieldWarning{"Warning_Add_Recipient_to_List_Win_Range_Content_ID",
                        {std::to_string(bound), std::to_string(bound)}};
  return std::nullopt;
}

std::optional<FieldWarning> CheckFaxNumberText(std::string_view text, int maxLength) {
  const int length = pdekit::GetStringLength(text);
  if (length < 1 || length > maxLength) return FieldWarning{kLengthKey, {}};
  if (IsAllSpaceText(text)) return FieldWarning{kAllSpaceKey, {}};
  // The set admits the double quote and braces, which no recipient item can carry: the number
  // would be dropped from the job when it prints, so it is refused here.
  if (!pdekit::validateInput(text, kFaxNumberInputFilter) ||
      !nx::ticket::IsRecipientAddressText(text))
    return FieldWarning{"Warning_Invalid_Input_Number_ID", {}};
  return std::nullopt;
}

std::string PadSpeedDial(std::string_view text, bool threeDigit) {
  const size_t width = threeDigit ? 3 : 4;
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), '0') + std::string(text);
}

std::optional<std::string> RecipientRowText(const FaxRecord& record) {
  const long long type = FaxRecordInteger(record, "RecodeType");
  const std::string& name = FaxRecordText(record, "Name");
  const std::string& address = FaxRecordText(record, "Address");
  if (type == nx::phonebook::kSpeedDial_Fax_Type) return name + " <'" + address + "'>";
  if (type == nx::phonebook::kNormal_Fax_Type || type == nx::phonebook::kPhonebook_Fax_Type)
    return name + " <" + address + ">";
  return std::nullopt;
}

std::optional<AddLimitWarning> CheckAddLimits(long long existing, long long adding, size_t records,
                                              int maximumRecords, bool oneRecipientOnly) {
  if (oneRecipientOnly) {
    if (adding >= 2)
      return AddLimitWarning{"Waring_Restriction_Of_Faxing_Muti_Address_Transmission_SpeedDial_ID",
                             {}};
    if (existing >= 1)
      return AddLimitWarning{
          "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID", {}};
  }
  constexpr const char* kExceeding = "Warning_Add_Recipient_Exceeding_Maximum_Num_Content_Title_ID";
  if (existing + adding > kMaxRealRecipients)
    return AddLimitWarning{kExceeding,
                           {std::to_string(kMaxRealRecipients),
                            std::to_string(existing + adding - kMaxRealRecipients)}};
  if (maximumRecords > 0 && records >= static_cast<size_t>(maximumRecords)) {
    // A list of speed dials that name nobody counts fewer destinations than records; the excess
    // shown is at least the one record refused.
    const long long excess = std::max<long long>(1, existing + adding - maximumRecords);
    return AddLimitWarning{kExceeding, {std::to_string(maximumRecords), std::to_string(excess)}};
  }
  return std::nullopt;
}

// ---- Phonebook entries ----

bool IsRelaySendEntry(const FaxRecord& entry) {
  return FaxRecordText(entry, "SecureorRelay") == "2";
}

EntryCheck CheckPhonebookEntry(const FaxRecord& entry, int settingType, bool generation2,
                               bool oneRecipientOnly) {
  if (IsRelaySendEntry(entry)) {
    if (oneRecipientOnly)
      return {EntryVerdict::kStop,
              "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_RelaytSend_ID"};
    if (generation2) return {EntryVerdict::kSkip, {}};
  }
  const bool faxLine = settingType == 1 || settingType == 2 || settingType == 4;
  const bool ipFax = settingType == 3 || settingType == 4;
  const std::string& addressType = FaxRecordText(entry, "AddressType");
  if (addressType == "4" && !ipFax)
    return {EntryVerdict::kRefuse, "Warning_Add_Recipient_SIP_Kit_Unsupport_Content_Title_ID"};
  if (addressType == "0" && !faxLine)
    return {EntryVerdict::kRefuse, "Warning_Add_Recipient_FAX_Kit_Unsupport_Content_Title_ID"};
  return {};
}

FaxRecord PhonebookRecipient(const FaxRecord& entry) {
  FaxRecord recipient = entry;
  recipient.Erase("FaxType");
  nx::phonebook::FaxRecordSetText(recipient, "RecodeType",
                                  std::to_string(nx::phonebook::kPhonebook_Fax_Type));
  return recipient;
}

ConfidentialRecipients FindConfidentialRecipients(const std::vector<FaxRecord>& records) {
  ConfidentialRecipients found;
  if (records.size() < 2) return found;
  for (const auto& r : records) {
    found.secureSend = found.secureSend || FaxRecordInteger(r, "SecureorRelay") == 1;
    found.fCode = found.fCode || !FaxRecordText(r, "FCode").empty();
    found.fCodePassword = found.fCodePassword || !FaxRecordText(r, "FCodePassword").empty();
  }
  return found;
}

// ---- Device options ----

nx::ticket::LineSettings DeviceOptionState::Line() const {
  nx::ticket::LineSettings line;
  line.outsideLineNumber = outlineNumber;
  line.extensionLineNumber = inlineNumber;
  line.isdnG4Kit = isdnG4Kit;
  return line;
}

DeviceOptionState ReadDeviceOptionState(const DeviceOptionLookup& lookup) {
  namespace key = nx::ticket::key;
  DeviceOptionState s;
  if (auto module = AsInteger(lookup(key::DeviceOptionFaxModuleTypePopupListTicket,
                                     key::DeviceOptionFaxModuleTypePopupListReference)))
    s.faxModule = *module;
  std::optional<int> kit;
  if (s.faxModule != 3) {
    kit = AsInteger(lookup(key::DeviceOptionPhonebookExpansionKitPopupListTicket,
                           key::DeviceOptionPhonebookExpansionKitPopupListReference));
    if (kit == 1) s.phonebookExpansion = true;
  }
  if (s.faxModule != 2 && s.faxModule != 3 && s.faxModule != 4) {
    if (AsInteger(lookup(key::DeviceOptionISDNG4TypePopupListTicket,
                         key::DeviceOptionISDNG4TypePopupListReference)) == 1)
      s.isdnG4Kit = true;
  }
  if (auto t = lookup(key::DeviceOptionOutlineNumberEtxtTicket,
                      key::DeviceOptionOutlineNumberEtxtReference))
    s.outlineNumber = Cut5(*t);
  if (auto t = lookup(key::DeviceOptionInlineNumberEtxtTicket,
                      key::DeviceOptionInlineNumberEtxtReference))
    s.inlineNumber = Cut5(*t);
  s.speedDialExpansion = !(s.faxModule == 3 || kit == 2);
  if (auto type = AsInteger(lookup(key::DeviceOptionSpeedDialPopupListTicket,
                                   key::DeviceOptionSpeedDialPopupListReference)))
    s.speedDialType = *type;
  return s;
}

// ---- Ticket ----

nx::ticket::RecipientFields RecipientTicketFields(const FaxRecord& r) {
  nx::ticket::RecipientFields f;
  f.recodeType = static_cast<int>(FaxRecordInteger(r, "RecodeType", 0));
  f.name = FaxRecordText(r, "Name");
  f.address = FaxRecordText(r, "Address");
  f.addressType = static_cast<int>(FaxRecordInteger(r, "AddressType", 0));
  f.lineType = static_cast<int>(FaxRecordInteger(r, "LineType", 0));
  f.commMode = static_cast<int>(FaxRecordInteger(r, "CommMode", 0));
  f.secureOrRelay = static_cast<int>(FaxRecordInteger(r, "SecureorRelay", 0));
  f.mailBoxId = FaxRecordText(r, "MailBoxId");
  f.mailBoxPassword = FaxRecordText(r, "MailBoxPassword");
  f.rlyId = FaxRecordText(r, "RlyID");
  f.rlyPrn = static_cast<int>(FaxRecordInteger(r, "Rlyprn", 0));
  f.rlyDestList = nx::phonebook::FaxRecordList(r, "RlyDestList");
  f.fCode = FaxRecordText(r, "FCode");
  f.fCodePassword = FaxRecordText(r, "FCodePassword");
  return f;
}

bool TakenByGeneration2Devices(const std::vector<nx::ticket::RecipientFields>& recipients,
                               const nx::ticket::LineSettings& line) {
  // Our items are ASCII (the name field is base64), so a byte search is exact.
  std::string item;
  for (const auto& r : recipients) {
    if (!nx::ticket::BuildRecipientItem(r, line, &item)) return false;
    if (item.find('\'') != std::string::npos || item.find("{1") != std::string::npos) return false;
  }
  return true;
}

std::string DelayedSendDateText(std::time_t now, int hour, int minute) {
  std::tm tm{};
  if (localtime_r(&now, &tm) == nullptr) return {};
  if (hour < tm.tm_hour || (hour == tm.tm_hour && minute < tm.tm_min)) {
    // Noon of the next calendar day: no daylight saving change can move it to another date.
    tm.tm_mday += 1;
    tm.tm_hour = 12;
    tm.tm_min = 0;
    tm.tm_sec = 0;
    tm.tm_isdst = -1;
    if (std::mktime(&tm) == static_cast<std::time_t>(-1)) return {};
  }
  char text[64];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, hour, minute);
  return text;
}

}  // namespace faxpde
