// Phonebook entries and fax recipients as the windows see them: key/value dictionaries whose
// values are texts, except the two lists ("RlyDestList", "EntryList"), which are arrays of texts.
//
// An individual carries every key of kFaxIndividualKeys; a group every key of kFaxGroupKeys.
// Recipients are individuals with "RecodeType" set (and, on list rows, "FaxType").
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>


namespace nx::phonebook {

// A key/value dictionary whose values are texts or lists of texts. Entries hold about two dozen
// keys and a phonebook ten thousand entries, so the pairs live in one sorted vector rather than
// in a tree of nodes.
class FaxRecord {
 public:
  using List = std::vector<std::string>;
  using Value = std::variant<std::string, List>;
  using Pair = std::pair<std::string, Value>;

  FaxRecord() = default;
  // From pairs in any order; of pairs with the same key the last one counts.
  explicit FaxRecord(std::vector<Pair> pairs);

  bool Has(std::string_view key) const { return Find(key) != nullptr; }
  // Null when the key is missing or holds the other kind of value.
  const std::string* FindText(std::string_view key) const;
  const List* FindList(std::string_view key) const;
  const Value* Find(std::string_view key) const;
  void Set(std::string_view key, Value value);
  bool Erase(std::string_view key);

  std::size_t size() const { return pairs_.size(); }
  bool empty() const { return pairs_.empty(); }
  // The pairs in key order.
  std::vector<Pair>::const_iterator begin() const { return pairs_.begin(); }
  std::vector<Pair>::const_iterator end() const { return pairs_.end(); }
  bool operator==(const FaxRecord&) const = default;
  void reserve(std::size_t n) { pairs_.reserve(n); }

 private:
  std::vector<Pair>::const_iterator LowerBound(std::string_view key) const;
  std::vector<Pair> pairs_;
};

// Keys of an individual entry, in their documented order.
inline constexpr std::array<const char*, 23> kFaxIndividualKeys = {
    "Id",          "Name",     "Address",        "Company",        "Memo",          "CommMode",
    "TimeStamp",   "Furigana", "AddressType",    "SIPFAXAddress",  "Tel",           "Email",
    "LineType",    "SecureorRelay", "MailBoxId", "MailBoxPassword", "Rlyprn",       "RlyID",
    "RlyNum",      "RlyDestList", "FCode",       "FCodePassword",  "RecodeType"};

// Keys of a group entry, in their documented order.
inline constexpr std::array<const char*, 6> kFaxGroupKeys = {"Id",       "GroupName", "TimeStamp",
                                                             "EntryNum", "EntryList", "Furigana"};

// Where a recipient came from ("RecodeType").
inline constexpr int kNormal_Fax_Type = 0;     // a number typed in
inline constexpr int kSpeedDial_Fax_Type = 1;  // a speed dial
inline constexpr int kPhonebook_Fax_Type = 2;  // a phonebook entry

// "AddressType" codes of the phonebook.
inline constexpr char kAddressTypeFax[] = "0";
inline constexpr char kAddressTypeIPFax[] = "4";

// The text under `key`; empty when the key is missing or holds no text.
const std::string& FaxRecordText(const FaxRecord& record, std::string_view key);
// The list under `key`; empty when the key is missing or holds no list.
const std::vector<std::string>& FaxRecordList(const FaxRecord& record, std::string_view key);
// The text under `key` read as a decimal number (digits only); `fallback` otherwise.
long long FaxRecordInteger(const FaxRecord& record, std::string_view key, long long fallback = -1);
void FaxRecordSetText(FaxRecord& record, std::string_view key, std::string value);
void FaxRecordSetList(FaxRecord& record, std::string_view key, std::vector<std::string> items);

// The local time of now as "%Y%m%d%H%M".
std::string FaxTimeStampNow();

// A new individual: every key present; "TimeStamp" = `timeStamp`; "CommMode", "AddressType",
// "LineType", "SecureorRelay" and "Rlyprn" "0"; every other text empty; lists empty.
FaxRecord initFax(std::string timeStamp = FaxTimeStampNow());
// A new group: "Id" and "GroupName" empty, "TimeStamp" = `timeStamp`, "EntryNum" "0", no members.
FaxRecord initFaxGroup(std::string timeStamp = FaxTimeStampNow());

// True when the entry's "Id" names a group: it contains "G" or "g".
bool IsFaxGroupId(std::string_view id);

}  // namespace nx::phonebook
