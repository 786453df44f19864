// Validation of loaded books and GAD books against the entry fields of the phonebook windows.
#include <algorithm>
#include <unordered_set>

#include "model_support.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

// E-mail addresses: U+0021-U+007E.
const FltrData kEmailFltrData = {0, {}, 1, {{0x21, 0x7E}}, nullptr};

bool IsOneDigit(std::string_view text) { return text.size() == 1 && text[0] >= '0' && text[0] <= '9'; }

bool IsTwelveCharacters(std::string_view text) {
  const auto count = detail::Utf8CharCount(text);
  return count && *count == 12;
}

// A relay destination as the communication settings window writes it: "005", "0**", "0#3".
bool IsRelayDestination(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '*' || c == '#';
  });
}

bool IsMemberId(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '#';
  });
}

// A plain positive number: "0" is what the file readers write into a damaged record's Id.
bool IsIndividualId(std::string_view id) {
  return detail::IsAllDigits(id) && id.find_first_not_of('0') != std::string_view::npos;
}

// A loaded book's numbers: printable ASCII except "[" and "]". The entry fields and imports also
// refuse the double quote and braces, which no fax job can carry; a book stored before keeps
// such entries (dropping them when it is read would lose them at the next save). Printing to
// one of them is refused when the job is written.
const FltrData kStoredAddressFltrData = {0, {}, 3, {{0x20, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7E}}, nullptr};
const FaxPBField kStoredFaxNumberField{{1, 100}, &kStoredAddressFltrData};
const FaxPBField kStoredIPFaxAddressField{{1, 128}, &kStoredAddressFltrData};

}  // namespace

const FaxPBField kFaxPBNameField{{0, 40}, &MFCN_FltrData};
const FaxPBField kFaxPBPartnerNameField{{0, 384}, &MFCN_FltrData};
const FaxPBField kFaxPBFaxNumberField{{1, 100}, &MFFAX_FltrData};
const FaxPBField kFaxPBIPFaxAddressField{{1, 128}, &MFIPFAX_FltreData};
const FaxPBField kFaxPBCompanyField{{0, 59}, &MFCN_FltrData};
const FaxPBField kFaxPBMemoField{{0, 254}, &MFCN_FltrData};
const FaxPBField kFaxPBTelField{{0, 46}, &MFCN_FltrData};
const FaxPBField kFaxPBEmailField{{0, 256}, &kEmailFltrData};
const FaxPBField kFaxPBMailBoxIdField{{1, 3}, &MFNUMBER_FltrData};
const FaxPBField kFaxPBMailBoxPasswordField{{0, 4}, &MFMBOXPS_FltreData};
const FaxPBField kFaxPBRlyIDField{{0, 2}, &MFNUMBER_FltrData};
const FaxPBField kFaxPBFCodeField{{0, 20}, &MFFCODE_FltrData};
const FaxPBField kFaxPBFCodePasswordField{{0, 20}, &MFFCODE_FltrData};
const FaxPBField kFaxPBGroupNameField{{1, 40}, &MFCN_FltrData};
const FaxPBField kFaxPBPartnerGroupNameField{{1, 384}, &MFCN_FltrData};

bool FaxPhonebookModel::checkStrIsValidate(std::string_view text, const FaxPBTextLimits& limits,
                                           const FltrData* filter) {
  if (text.empty()) return true;
  const auto count = detail::Utf8CharCount(text);
  if (!count || *count < limits.minLength || *count > limits.maxLength) return false;
  return filter == nullptr || validateInputByJIS(text, *filter);
}

const FaxPBField& FaxPhonebookModel::NameField() const {
  return m_PartnerFormat ? kFaxPBPartnerNameField : kFaxPBNameField;
}

const FaxPBField& FaxPhonebookModel::GroupNameField() const {
  return m_PartnerFormat ? kFaxPBPartnerGroupNameField : kFaxPBGroupNameField;
}

bool FaxPhonebookModel::isValidIndividual(const FaxRecord& e) const {
  auto text = [&](const char* key) -> const std::string& { return FaxRecordText(e, key); };
  if (!IsIndividualId(text("Id"))) return false;
  for (const char* key : {"CommMode", "AddressType", "LineType", "SecureorRelay", "Rlyprn"}) {
    if (!IsOneDigit(text(key))) return false;
  }
  const bool ipFax = text("AddressType") == kAddressTypeIPFax;
  const bool address = ipFax ? checkStrIsValidate(text("SIPFAXAddress"), kStoredIPFaxAddressField)
                             : checkStrIsValidate(text("Address"), kStoredFaxNumberField);
  if (!address || !checkStrIsValidate(text("Name"), NameField()) ||
      !checkStrIsValidate(text("Company"), kFaxPBCompanyField) ||
      !checkStrIsValidate(text("Memo"), kFaxPBMemoField) ||
      !checkStrIsValidate(text("Tel"), kFaxPBTelField) ||
      !checkStrIsValidate(text("Email"), kFaxPBEmailField) ||
      !checkStrIsValidate(text("MailBoxId"), kFaxPBMailBoxIdField) ||
      !checkStrIsValidate(text("MailBoxPassword"), kFaxPBMailBoxPasswordField) ||
      !checkStrIsValidate(text("RlyID"), kFaxPBRlyIDField) ||
      !checkStrIsValidate(text("FCode"), kFaxPBFCodeField) ||
      !checkStrIsValidate(text("FCodePassword"), kFaxPBFCodePasswordField)) {
    return false;
  }
  if (!IsTwelveCharacters(text("TimeStamp"))) return false;
  const auto& relays = FaxRecordList(e, "RlyDestList");
  return std::all_of(relays.begin(), relays.end(), IsRelayDestination);
}

bool FaxPhonebookModel::hasEnterableAddress(const FaxRecord& e) {
  const bool ipFax = FaxRecordText(e, "AddressType") == kAddressTypeIPFax;
  const FaxPBField& field = ipFax ? kFaxPBIPFaxAddressField : kFaxPBFaxNumberField;
  return checkStrIsValidate(FaxRecordText(e, "Address"), field) &&
         checkStrIsValidate(FaxRecordText(e, "SIPFAXAddress"), kFaxPBIPFaxAddressField);
}

bool FaxPhonebookModel::isValidGroup(const FaxRecord& g) const {
  const std::string& name = FaxRecordText(g, "GroupName");
  if (name.empty() || detail::IsAllSpaces(name) || !checkStrIsValidate(name, GroupNameField())) {
    return false;
  }
  if (!IsTwelveCharacters(FaxRecordText(g, "TimeStamp"))) return false;
  const std::string& count = FaxRecordText(g, "EntryNum");
  const auto& members = FaxRecordList(g, "EntryList");
  if (!detail::IsAllDigits(count) || count.size() > 3 ||
      detail::ParseLeadingInt(count) > kFaxPBMaxGroupMembers ||
      static_cast<std::size_t>(detail::ParseLeadingInt(count)) != members.size()) {
    return false;
  }
  return std::all_of(members.begin(), members.end(), IsMemberId);
}

bool FaxPhonebookModel::checkGAPoFAPIsValidate() {
  const std::size_t individuals = m_DFaxAddrs.size();
  const std::size_t groups = m_DFaxGroups.size();
  m_DFaxAddrs.erase(std::remove_if(m_DFaxAddrs.begin(), m_DFaxAddrs.end(),
                                   [&](const FaxRecord& e) { return !isValidIndividual(e); }),
                    m_DFaxAddrs.end());
  m_DFaxGroups.erase(std::remove_if(m_DFaxGroups.begin(), m_DFaxGroups.end(),
                                    [&](const FaxRecord& g) { return !isValidGroup(g); }),
                     m_DFaxGroups.end());
  const bool allValid = individuals == m_DFaxAddrs.size() && groups == m_DFaxGroups.size();
  if (!allValid) RebuildIndexes();
  return allValid;
}

bool FaxPhonebookModel::checkGADIsValidate() {
  auto refuse = [&] {
    m_GADFaxAddrs.clear();
    m_GADFaxGroups.clear();
    return false;
  };
  std::unordered_set<std::string> ids;
  for (const auto& e : m_GADFaxAddrs) {
    const std::string& name = FaxRecordText(e, "Name");
    const std::string& fax = FaxRecordText(e, "Address");
    if (!ids.insert(FaxRecordText(e, "Id")).second || name.empty() || fax.empty() ||
        !checkStrIsValidate(name, NameField()) || !checkStrIsValidate(fax, kFaxPBFaxNumberField) ||
        !checkStrIsValidate(FaxRecordText(e, "Company"), kFaxPBCompanyField.limits, nullptr) ||
        !checkStrIsValidate(FaxRecordText(e, "Memo"), kFaxPBMemoField.limits, nullptr) ||
        detail::ParseLeadingInt(FaxRecordText(e, "CommMode")) > 2) {
      return refuse();
    }
  }
  std::unordered_set<std::string> groupIds;
  for (const auto& g : m_GADFaxGroups) {
    const std::string& name = FaxRecordText(g, "GroupName");
    const long long count = detail::ParseLeadingInt(FaxRecordText(g, "EntryNum"));
    if (!groupIds.insert(FaxRecordText(g, "Id")).second || name.empty() ||
        !checkStrIsValidate(name, GroupNameField()) || count >= 31 || !g.FindList("EntryList")) {
      return refuse();
    }
    const auto& members = FaxRecordList(g, "EntryList");
    if (static_cast<long long>(members.size()) != count) return refuse();
    for (const auto& member : members) {
      if (ids.count(member) == 0) return refuse();
    }
  }
  return true;
}

}  // namespace nx::phonebook
