// Character filters and column rule tables of the CSV dialects.
#include <string>

#include "nx/phonebook/field_check.h"
#include "nx/platform/text_encoding.h"
#include "text_util.h"

namespace nx::phonebook {

const FltrData MFNUMBER_FltrData = {0, {}, 1, {{0x30, 0x39}}, nullptr};

const FltrData MFCN_FltrData = {0,
                                {},
                                6,
                                {{0x20, 0x5A},
                                 {0x5C, 0x5C},
                                 {0x5E, 0x7E},
                                 {0xA0, 0xDF},
                                 {0x8140, 0xF040},
                                 {0xF9FC, 0xFCFC}},
                                nullptr};

// Printable ASCII except "[" and "]", and except what a fax job's recipient item cannot carry:
// the double quote (it would end the header attribute) and braces (they delimit the item's
// fields). A number holding them would be dropped from every job it is sent with.
const FltrData MFFAX_FltrData = {
    0, {}, 6, {{0x20, 0x21}, {0x23, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7A}, {0x7C, 0x7C}, {0x7E, 0x7E}}, nullptr};

const FltrData MFIPFAX_FltreData = {
    0, {}, 6, {{0x20, 0x21}, {0x23, 0x5A}, {0x5C, 0x5C}, {0x5E, 0x7A}, {0x7C, 0x7C}, {0x7E, 0x7E}}, nullptr};

const FltrData MFFCODE_FltrData = {
    0, {}, 4, {{0x20, 0x20}, {0x23, 0x23}, {0x2A, 0x2A}, {0x30, 0x39}}, nullptr};

const FltrData MFRLYNUM_FltrData = {0, {}, 3, {{0x23, 0x23}, {0x2A, 0x2A}, {0x30, 0x39}}, nullptr};

const FltrData MFMBOXPS_FltreData = {0, {}, 1, {{0x30, 0x39}}, nullptr};

namespace {

bool InRanges(std::int32_t code, const FltrData& filter) {
  const int n = filter.charCount < 0 ? 0 : (filter.charCount > 20 ? 20 : filter.charCount);
  for (int i = 0; i < n; ++i) {
    if (code >= filter.charRanges[i].low && code <= filter.charRanges[i].high) return true;
  }
  return false;
}

// The character's Shift_JIS code as one big-endian number, or -1 without a Shift_JIS form.
std::int32_t ShiftJisCode(char32_t cp) {
  std::string utf8;
  detail::AppendUtf8(utf8, cp);
  std::string sjis;
  if (!nx::platform::Utf8ToShiftJis(utf8, sjis)) return -1;
  const auto* b = reinterpret_cast<const unsigned char*>(sjis.data());
  if (sjis.size() == 1) return b[0] << 8;
  if (sjis.size() == 2) return (b[0] << 8) | b[1];
  return -1;
}

constexpr csvFileInfo Rule(std::int32_t maximum, std::int32_t kind, const FltrData* filter,
                           std::int32_t minValue = -1, std::int32_t maxValue = -1) {
  return csvFileInfo{maximum, minValue, maxValue, {0, 0, 0, 0}, kind, {0, 0}, filter};
}

struct NamedRule {
  const char* column;
  csvFileInfo rule;
};

const NamedRule kClassicRules[] = {
    {"MFADDRT", Rule(6, kCheckAddressType, nullptr)},
    {"MFCN", Rule(18, kCheckName, &MFCN_FltrData)},
    {"MFLINE", Rule(1, kCheckLineType, &MFNUMBER_FltrData)},
    {"MFFAX", Rule(100, kCheckFaxNumber, &MFFAX_FltrData)},
    {"MFCMODE", Rule(1, kCheckCommMode, &MFNUMBER_FltrData)},
    {"MFMBOX", Rule(1, kCheckSecureSetting, &MFNUMBER_FltrData)},
    {"MFMBOXPS", Rule(4, kCheckMailBoxPassword, &MFMBOXPS_FltreData)},
    {"MFMBOXID", Rule(3, kCheckSecureID, &MFNUMBER_FltrData, 1, 999)},
    {"MFRLY", Rule(1, kCheckRlySetting, &MFNUMBER_FltrData)},
    {"MFRLYID", Rule(2, kCheckRlyID, &MFNUMBER_FltrData, 1, 99)},
    {"MFRLYPRN", Rule(1, kCheckRlyPrn, &MFNUMBER_FltrData)},
    {"MFRLYNUM", Rule(40, kCheckRelaySendRecipients, &MFRLYNUM_FltrData)},
    {"MFFCODE", Rule(20, kCheckFCode, &MFFCODE_FltrData)},
    {"MFPCODE", Rule(20, kCheckPCode, &MFFCODE_FltrData)},
    {"MFIPFAX", Rule(128, kCheckSIPFax, &MFIPFAX_FltreData)},
    {"MFIPFAXCMODE", Rule(1, kCheckIPFAXCommMode, &MFNUMBER_FltrData)},
    {"MFIPFAXMBOX", Rule(1, kCheckIPFAXSecureSetting, &MFNUMBER_FltrData)},
    {"MFIPFAXRLY", Rule(1, kCheckIPFAXRlySetting, &MFNUMBER_FltrData)},
    {"MFIPFAXRLYPRN", Rule(1, kCheckIPFAXRlyPrn, &MFNUMBER_FltrData)},
    {"MFIPFAXMBOXPS", Rule(4, kCheckIPFAXMailBoxPassword, &MFMBOXPS_FltreData)},
    {"MFIPFAXMBOXID", Rule(3, kCheckIPFAXSecureID, &MFNUMBER_FltrData, 1, 999)},
    {"MFIPFAXRLYID", Rule(2, kCheckIPFAXRlyID, &MFNUMBER_FltrData, 1, 99)},
    {"MFIPFAXRLYNUM", Rule(40, kCheckIPFAXRelaySendRecipients, &MFRLYNUM_FltrData)},
    {"MFIPFAXFCODE", Rule(20, kCheckIPFAXFCode, &MFFCODE_FltrData)},
    {"MFIPFAXPCODE", Rule(20, kCheckIPFAXPCode, &MFFCODE_FltrData)},
};

constexpr csvFileInfo kFormat6AddressType = Rule(11, kCheckAddressType, nullptr);
constexpr csvFileInfo kMiravoContactType = Rule(1, kCheckLength, &MFNUMBER_FltrData);

const NamedRule kPartnerRules[] = {
    {"DisplayName", Rule(128, kCheckName, &MFCN_FltrData)},
    {"FirstName", Rule(32, kCheckName, &MFCN_FltrData)},
    {"LastName", Rule(32, kCheckName, &MFCN_FltrData)},
    {"Company", Rule(64, kCheckName, &MFCN_FltrData)},
    {"ScanServerAddress", Rule(64, kCheckName, &MFCN_FltrData)},
    {"FaxNumber", Rule(128, kCheckPartnerFaxNumber, &MFFAX_FltrData)},
    {"E-mailAddress", Rule(128, kCheckPartnerEmail, nullptr)},
};

template <std::size_t N>
const csvFileInfo* Find(const NamedRule (&table)[N], std::string_view column) {
  for (const auto& entry : table) {
    if (column == entry.column) return &entry.rule;
  }
  return nullptr;
}

}  // namespace

bool validateInputByJIS(std::string_view utf8, const FltrData& filter) {
  if (utf8.empty()) return true;
  while (!utf8.empty()) {
    char32_t cp;
    const std::size_t n = detail::DecodeUtf8(utf8, cp);
    if (n == 0) return false;
    const std::int32_t code = cp < 0x100 ? static_cast<std::int32_t>(cp) : ShiftJisCode(cp);
    if (code < 0 || !InRanges(code, filter)) return false;
    utf8.remove_prefix(n);
  }
  return true;
}

const csvFileInfo* CsvColumnRule(CsvRuleSet rules, std::string_view column) {
  switch (rules) {
    case CsvRuleSet::kFormat3:
    case CsvRuleSet::kFormat35:
    case CsvRuleSet::kFormat5x:
      return Find(kClassicRules, column);
    case CsvRuleSet::kFormat6:
      if (column == "MFADDRT") return &kFormat6AddressType;
      return Find(kClassicRules, column);
    case CsvRuleSet::kMiravo20x:
      if (column == "MFCNTTYPE") return &kMiravoContactType;
      if (column == "MFADDRT") return nullptr;
      return Find(kClassicRules, column);
    case CsvRuleSet::kPartner:
      return Find(kPartnerRules, column);
  }
  return nullptr;
}

}  // namespace nx::phonebook
