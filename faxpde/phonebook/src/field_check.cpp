// The CSV row checkers and the column and row checks.
#include "nx/phonebook/field_check.h"

#include <string>

#include "csv_layouts.h"
#include "nx/platform/text_encoding.h"
#include "phonebook_cipher.h"
#include "row_check.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

using detail::CsvLayout;

// Protected values are opened into a buffer of this size when a column is checked.
constexpr int kCheckDecryptCapacity = 255;

bool HeaderMatches(const CsvRecord& names, CsvLayout layout) {
  const auto expected = detail::LayoutColumns(layout);
  if (names.fieldCount + 1 != expected.size()) return false;
  for (std::size_t i = 1; i < expected.size(); ++i) {
    if (names.Column(i) != expected[i]) return false;
  }
  return true;
}

AbifStatus CountMatches(std::size_t count, std::size_t expected) {
  return count == expected ? kAbifSuccess : kAbifCsvBadValue;
}

std::optional<std::string> SjisToUtf8(std::string_view sjis) {
  std::string utf8;
  if (!nx::platform::ShiftJisToUtf8(sjis, utf8)) return std::nullopt;
  return utf8;
}

bool Utf8NameLength(std::string_view value, int maximum) {
  const auto count = detail::Utf8CharCount(value);
  return count && (maximum < 0 || *count <= static_cast<std::size_t>(maximum));
}

bool Utf8Characters(std::string_view value, const FltrData* filter) {
  if (value.empty() || filter == nullptr) return true;
  return validateInputByJIS(value, *filter);
}

bool DigitCount(std::string_view value, int maximum, bool exact) {
  if (maximum < 0) return true;
  const auto limit = static_cast<std::size_t>(maximum);
  return exact ? value.size() == limit : value.size() <= limit;
}

bool WithinBound(std::string_view value, int bound, bool upper) {
  if (bound == -1) return true;
  const long long v = detail::ParseLeadingInt(value);
  return upper ? v <= bound : v >= bound;
}

// Address-type tables: the status of each text, and the row's type when the status is 0.
struct AdrTypeEntry {
  const char* text;
  AbifStatus status;
  int type;
};

AbifStatus LookUpAdrType(std::string_view value, std::initializer_list<AdrTypeEntry> table,
                         int& addressType) {
  for (const auto& entry : table) {
    if (value == entry.text) {
      if (entry.status == kAbifSuccess) addressType = entry.type;
      return entry.status;
    }
  }
  return kAbifCsvBadValue;
}

}  // namespace

// ---- Base --------------------------------------------------------------------------------------

bool CFieldDataCheckWithFileFormat::CheckHeaderFormat(const CsvRecord&) { return false; }
bool CFieldDataCheckWithFileFormat::CheckHeaderFormatFor2xx(int, const CsvRecord&) {
  return false;
}
AbifStatus CFieldDataCheckWithFileFormat::CheckCountOfValue(std::size_t) {
  return kAbifCsvBadValue;
}
AbifStatus CFieldDataCheckWithFileFormat::CheckCountOfValueFor2xx(int, std::size_t) {
  return kAbifCsvBadValue;
}

bool CFieldDataCheckWithFileFormat::CheckDigitOfName(std::string_view value, int maximum) {
  const auto utf8 = SjisToUtf8(value);
  return utf8 && Utf8NameLength(*utf8, maximum);
}

bool CFieldDataCheckWithFileFormat::CheckCharacterCode(std::string_view value,
                                                       const FltrData* filter) {
  if (value.empty() || filter == nullptr) return true;
  const auto utf8 = SjisToUtf8(value);
  return utf8 && validateInputByJIS(*utf8, *filter);
}

bool CFieldDataCheckWithFileFormat::CheckDigit(std::string_view value, int maximum, bool exact) {
  return DigitCount(value, maximum, exact);
}

bool CFieldDataCheckWithFileFormat::CheckMaxMin(std::string_view value, int minimum, int maximum) {
  if (minimum == -1 || maximum == -1) return true;
  return WithinBound(value, minimum, false) && WithinBound(value, maximum, true);
}

bool CFieldDataCheckWithFileFormat::CheckMax(std::string_view value, int maximum) {
  return WithinBound(value, maximum, true);
}

bool CFieldDataCheckWithFileFormat::CheckMin(std::string_view value, int minimum) {
  return WithinBound(value, minimum, false);
}

bool CFieldDataCheckWithFileFormat::CheckIsNumber(std::string_view value,
                                                  const csvFileInfo& rule) {
  return CheckDigit(value, rule.maximum, false) && CheckCharacterCode(value, rule.filter);
}

bool CFieldDataCheckWithFileFormat::CheckSettingValue(std::string_view value,
                                                      const csvFileInfo& rule,
                                                      std::initializer_list<int> allowed) {
  if (value.empty() || !CheckDigit(value, rule.maximum, false) || !CheckIsNumber(value, rule) ||
      !detail::IsAllDigits(value)) {
    return false;
  }
  const long long v = detail::ParseLeadingInt(value);
  for (int a : allowed) {
    if (v == a) return true;
  }
  return false;
}

bool CFieldDataCheckWithFileFormat::CheckProtected(std::string_view value,
                                                   const csvFileInfo& rule, bool plain) {
  if (plain) return CheckDigit(value, rule.maximum, false) && CheckCharacterCode(value, rule.filter);
  const auto opened = detail::EwsDecryptText(value, kCheckDecryptCapacity);
  return opened && CheckDigit(*opened, rule.maximum, false) &&
         CheckCharacterCode(*opened, rule.filter);
}

bool CFieldDataCheckWithFileFormat::CheckCommMode(std::string_view value,
                                                  const csvFileInfo& rule) {
  return CheckSettingValue(value, rule, {0, 1, 2});
}

AbifStatus CFieldDataCheckWithFileFormat::CheckAdrType(std::string_view) { return kAbifSuccess; }

AbifStatus CFieldDataCheckWithFileFormat::CheckAdrTypeForMiravo(std::string_view,
                                                                std::string_view) {
  return kAbifSuccess;
}

bool CFieldDataCheckWithFileFormat::CheckLineType(std::string_view value,
                                                  const csvFileInfo& rule) {
  return CheckSettingValue(value, rule, {0, 2});
}

bool CFieldDataCheckWithFileFormat::CheckPBNO(std::string_view value, const csvFileInfo& rule) {
  return !value.empty() && CheckDigit(value, rule.maximum, false) &&
         CheckCharacterCode(value, rule.filter);
}

bool CFieldDataCheckWithFileFormat::CheckPCode(std::string_view value, const csvFileInfo& rule) {
  return value.empty() || CheckProtected(value, rule, false);
}

bool CFieldDataCheckWithFileFormat::CheckFCode(std::string_view value, const csvFileInfo& rule) {
  return value.empty() ||
         (CheckDigit(value, rule.maximum, false) && CheckCharacterCode(value, rule.filter));
}

bool CFieldDataCheckWithFileFormat::CheckMailBoxPassword(std::string_view value,
                                                         const csvFileInfo& rule) {
  return value.empty() || CheckProtected(value, rule, m_DataVersion == 1);
}

bool CFieldDataCheckWithFileFormat::CheckSecureSetting(std::string_view value,
                                                       const csvFileInfo& rule) {
  if (!CheckSettingValue(value, rule, {0, 1})) return false;
  m_SecureSetting = static_cast<int>(detail::ParseLeadingInt(value));
  return true;
}

bool CFieldDataCheckWithFileFormat::CheckSecureID(std::string_view value,
                                                  const csvFileInfo& rule) {
  if (m_SecureSetting != 1) return true;
  return !value.empty() && CheckDigit(value, rule.maximum, false) && CheckIsNumber(value, rule) &&
         detail::IsAllDigits(value) && CheckMaxMin(value, rule.minValue, rule.maxValue);
}

bool CFieldDataCheckWithFileFormat::CheckRlySetting(std::string_view value,
                                                    const csvFileInfo& rule) {
  if (!CheckSettingValue(value, rule, {0, 1})) return false;
  m_RelaySetting = detail::ParseLeadingInt(value) == 1 ? 2 : 0;
  return true;
}

bool CFieldDataCheckWithFileFormat::CheckRlyID(std::string_view value, const csvFileInfo& rule) {
  if (m_RelaySetting != 2) return true;
  return !value.empty() && CheckDigit(value, rule.maximum, false) && CheckIsNumber(value, rule) &&
         detail::IsAllDigits(value) && CheckMaxMin(value, rule.minValue, rule.maxValue);
}

bool CFieldDataCheckWithFileFormat::CheckRlyPrn(std::string_view value, const csvFileInfo& rule) {
  return CheckSettingValue(value, rule, {0, 1});
}

bool CFieldDataCheckWithFileFormat::CheckRelaySendRecipients(std::string_view value,
                                                             const csvFileInfo& rule) {
  if (value.empty()) return true;
  const auto list = detail::XspDecodeText(value);
  return list && CheckDigit(*list, rule.maximum, false) && CheckCharacterCode(*list, rule.filter);
}

bool CFieldDataCheckWithFileFormat::CheckSIPFax(std::string_view value, const csvFileInfo& rule) {
  return CFieldDataCheckWithFileFormat::CheckPBNO(value, rule);
}

bool CFieldDataCheckWithFileFormat::CheckIPFAXCommMode(std::string_view value,
                                                       const csvFileInfo& rule) {
  return CheckSettingValue(value, rule, {0, 1});
}

bool CFieldDataCheckWithFileFormat::CheckIPFAXSecureSetting(std::string_view value,
                                                            const csvFileInfo& rule) {
  return CFieldDataCheckWithFileFormat::CheckSecureSetting(value, rule);
}

bool CFieldDataCheckWithFileFormat::CheckIPFAXRlySetting(std::string_view, const csvFileInfo&) {
  return true;
}
bool CFieldDataCheckWithFileFormat::CheckIPFAXSecureID(std::string_view, const csvFileInfo&) {
  return true;
}
bool CFieldDataCheckWithFileFormat::CheckIPFAXRlyID(std::string_view, const csvFileInfo&) {
  return true;
}
bool CFieldDataCheckWithFileFormat::CheckIPFAXRelaySendRecipients(std::string_view,
                                                                  const csvFileInfo&) {
  return true;
}
bool CFieldDataCheckWithFileFormat::CheckIPFAXRlyPrn(std::string_view, const csvFileInfo&) {
  return true;
}
bool CFieldDataCheckWithFileFormat::CheckIPFAXFCode(std::string_view, const csvFileInfo&) {
  return true;
}
bool CFieldDataCheckWithFileFormat::CheckIPFAXPCode(std::string_view, const csvFileInfo&) {
  return true;
}
bool CFieldDataCheckWithFileFormat::CheckIPFAXMailBoxPassword(std::string_view,
                                                              const csvFileInfo&) {
  return true;
}

void CFieldDataCheckWithFileFormat::ResetMemberValue() {
  m_AddressType = 0;
  m_SecureSetting = 0;
  m_RelaySetting = 0;
}

// ---- Format 1 ----------------------------------------------------------------------------------

bool CFieldDataCheckWithFileFormat1::CheckHeaderFormat(const CsvRecord&) { return true; }

AbifStatus CFieldDataCheckWithFileFormat1::CheckCountOfValue(std::size_t) { return kAbifSuccess; }

AbifStatus CFieldDataCheckWithFileFormat1::CheckAdrType(std::string_view value) {
  return LookUpAdrType(value,
                       {{"FAX", kAbifSuccess, 0},
                        {"IPFAX", kAbifCsvBadValue, 0},
                        {"IFAX", kAbifCsvOtherAddressKind, 0},
                        {"INTERNETFAX", kAbifCsvBadValue, 0},
                        {"MAIL", kAbifCsvOtherAddressKind, 0},
                        {"SERVER", kAbifCsvOtherAddressKind, 0}},
                       m_AddressType);
}

bool CFieldDataCheckWithFileFormat1::CheckPCode(std::string_view value, const csvFileInfo& rule) {
  return value.empty() || CheckProtected(value, rule, m_DataVersion == 1);
}

// ---- Format 2 and the address-type gating ----------------------------------------------------

using Base = CFieldDataCheckWithFileFormat;

bool CFieldDataCheckWithFileFormat2::CheckHeaderFormat(const CsvRecord&) { return true; }
bool CFieldDataCheckWithFileFormat2::CheckHeaderFormatFor2xx(int, const CsvRecord&) {
  return true;
}
AbifStatus CFieldDataCheckWithFileFormat2::CheckCountOfValue(std::size_t) { return kAbifSuccess; }
AbifStatus CFieldDataCheckWithFileFormat2::CheckCountOfValueFor2xx(int, std::size_t) {
  return kAbifSuccess;
}

AbifStatus CFieldDataCheckWithFileFormat2::CheckAdrType(std::string_view value) {
  return LookUpAdrType(value,
                       {{"FAX", kAbifSuccess, 0},
                        {"IPFAX", kAbifSuccess, 4},
                        {"IFAX", kAbifCsvOtherAddressKind, 0},
                        {"INTERNETFAX", kAbifCsvBadValue, 0},
                        {"MAIL", kAbifCsvOtherAddressKind, 0},
                        {"SERVER", kAbifCsvOtherAddressKind, 0}},
                       m_AddressType);
}

AbifStatus CFieldDataCheckWithFileFormat2::CheckAdrTypeForMiravo(std::string_view,
                                                                 std::string_view) {
  return kAbifSuccess;
}

bool CFieldDataCheckWithFileFormat2::CheckCommMode(std::string_view v, const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckCommMode(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckLineType(std::string_view v, const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckLineType(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckPBNO(std::string_view v, const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckPBNO(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckPCode(std::string_view v, const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckPCode(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckFCode(std::string_view v, const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckFCode(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckMailBoxPassword(std::string_view v,
                                                          const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckMailBoxPassword(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckSecureSetting(std::string_view v, const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckSecureSetting(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckRlySetting(std::string_view v, const csvFileInfo& r) {
  return IsIPFaxRow() || Base::CheckRlySetting(v, r);
}

// The relay print flag and destination list matter only for a relay send.
bool CFieldDataCheckWithFileFormat2::CheckRlyPrn(std::string_view v, const csvFileInfo& r) {
  return m_RelaySetting != 2 || Base::CheckRlyPrn(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckRelaySendRecipients(std::string_view v,
                                                              const csvFileInfo& r) {
  return m_RelaySetting != 2 || Base::CheckRelaySendRecipients(v, r);
}

bool CFieldDataCheckWithFileFormat2::CheckSIPFax(std::string_view v, const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckSIPFax(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXCommMode(std::string_view v, const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckIPFAXCommMode(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXSecureSetting(std::string_view v,
                                                             const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckIPFAXSecureSetting(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXRlySetting(std::string_view v,
                                                          const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckRlySetting(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXSecureID(std::string_view v, const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckSecureID(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXRlyID(std::string_view v, const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckRlyID(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXRelaySendRecipients(std::string_view v,
                                                                   const csvFileInfo& r) {
  return IsFaxRow() || CFieldDataCheckWithFileFormat2::CheckRelaySendRecipients(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXRlyPrn(std::string_view v, const csvFileInfo& r) {
  return IsFaxRow() || CFieldDataCheckWithFileFormat2::CheckRlyPrn(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXFCode(std::string_view v, const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckFCode(v, r);
}
bool CFieldDataCheckWithFileFormat2::CheckIPFAXPCode(std::string_view v, const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckPCode(v, r);
}
// The IP fax mailbox password is held to the fax-side password's rule (opened, 4 digits).
bool CFieldDataCheckWithFileFormat2::CheckIPFAXMailBoxPassword(std::string_view v,
                                                               const csvFileInfo& r) {
  return IsFaxRow() || Base::CheckMailBoxPassword(v, r);
}

// ---- Layout checkers -------------------------------------------------------------------------

bool CFieldDataCheckWithFileFormat3::CheckHeaderFormat(const CsvRecord& names) {
  return HeaderMatches(names, CsvLayout::k3);
}
AbifStatus CFieldDataCheckWithFileFormat3::CheckCountOfValue(std::size_t count) {
  return CountMatches(count, 88);
}

bool CFieldDataCheckWithFileFormat35::CheckHeaderFormat(const CsvRecord& names) {
  return HeaderMatches(names, CsvLayout::k35);
}
AbifStatus CFieldDataCheckWithFileFormat35::CheckCountOfValue(std::size_t count) {
  return CountMatches(count, 89);
}

bool CFieldDataCheckWithFileFormat5x::CheckHeaderFormat(const CsvRecord& names) {
  return HeaderMatches(names, CsvLayout::k5x);
}
AbifStatus CFieldDataCheckWithFileFormat5x::CheckCountOfValue(std::size_t count) {
  return CountMatches(count, 90);
}

bool CFieldDataCheckWithFileFormat6::CheckHeaderFormat(const CsvRecord& names) {
  return HeaderMatches(names, CsvLayout::k5x);
}
AbifStatus CFieldDataCheckWithFileFormat6::CheckCountOfValue(std::size_t count) {
  return CountMatches(count, 90);
}
bool CFieldDataCheckWithFileFormat6::CheckDigitOfName(std::string_view value, int maximum) {
  return Utf8NameLength(value, maximum);
}
bool CFieldDataCheckWithFileFormat6::CheckCharacterCode(std::string_view value,
                                                        const FltrData* filter) {
  return Utf8Characters(value, filter);
}
AbifStatus CFieldDataCheckWithFileFormat6::CheckAdrType(std::string_view value) {
  return LookUpAdrType(value,
                       {{"FAX", kAbifSuccess, 0},
                        {"IPFAX", kAbifSuccess, 4},
                        {"IFAX", kAbifCsvBadValue, 0},
                        {"INTERNETFAX", kAbifCsvOtherAddressKind, 0},
                        {"MAIL", kAbifCsvOtherAddressKind, 0},
                        {"SERVER", kAbifCsvOtherAddressKind, 0}},
                       m_AddressType);
}

bool CFieldDataCheckWithFileFormat20x::CheckHeaderFormat(const CsvRecord&) { return true; }
bool CFieldDataCheckWithFileFormat20x::CheckHeaderFormatFor2xx(int subVersion,
                                                               const CsvRecord& names) {
  return HeaderMatches(names, subVersion == 1 ? CsvLayout::k21x : CsvLayout::k20x);
}
AbifStatus CFieldDataCheckWithFileFormat20x::CheckCountOfValue(std::size_t count) {
  return CountMatches(count, 93);
}
AbifStatus CFieldDataCheckWithFileFormat20x::CheckCountOfValueFor2xx(int subVersion,
                                                                     std::size_t count) {
  return CountMatches(count, subVersion == 1 ? 94 : 93);
}
bool CFieldDataCheckWithFileFormat20x::CheckDigitOfName(std::string_view, int) { return true; }
bool CFieldDataCheckWithFileFormat20x::CheckCharacterCode(std::string_view value,
                                                          const FltrData* filter) {
  return Utf8Characters(value, filter);
}
AbifStatus CFieldDataCheckWithFileFormat20x::CheckAdrType(std::string_view) {
  return kAbifSuccess;
}
AbifStatus CFieldDataCheckWithFileFormat20x::CheckAdrTypeForMiravo(std::string_view fax,
                                                                   std::string_view ipFax) {
  if (!fax.empty()) {
    m_AddressType = 0;
    return kAbifSuccess;
  }
  if (!ipFax.empty()) {
    m_AddressType = 4;
    return kAbifSuccess;
  }
  return kAbifCsvOtherAddressKind;
}

// ---- Partner format ----------------------------------------------------------------------------

bool CFieldDataCheckWithTSABFFileFormat::CheckCharacterCode(std::string_view value,
                                                            const FltrData* filter) {
  return Utf8Characters(value, filter);
}
bool CFieldDataCheckWithTSABFFileFormat::CheckDigitOfName(std::string_view value, int maximum) {
  return Utf8NameLength(value, maximum);
}
bool CFieldDataCheckWithTSABFFileFormat::CheckDigit(std::string_view value, int maximum,
                                                    bool exact) {
  return DigitCount(value, maximum, exact);
}
bool CFieldDataCheckWithTSABFFileFormat::CheckMaxMin(std::string_view value, int minimum,
                                                     int maximum) {
  if (minimum == -1 || maximum == -1) return true;
  return WithinBound(value, minimum, false) && WithinBound(value, maximum, true);
}
bool CFieldDataCheckWithTSABFFileFormat::CheckMax(std::string_view value, int maximum) {
  return WithinBound(value, maximum, true);
}
bool CFieldDataCheckWithTSABFFileFormat::CheckMin(std::string_view value, int minimum) {
  return WithinBound(value, minimum, false);
}
bool CFieldDataCheckWithTSABFFileFormat::CheckIsNumber(std::string_view value,
                                                       const csvFileInfo& rule) {
  return CheckDigit(value, rule.maximum, false) && CheckCharacterCode(value, rule.filter);
}
bool CFieldDataCheckWithTSABFFileFormat::CheckHeaderFormat(const CsvRecord& names) {
  return HeaderMatches(names, CsvLayout::kPartner);
}
AbifStatus CFieldDataCheckWithTSABFFileFormat::CheckCountOfValue(std::size_t count) {
  return CountMatches(count, 23);
}

// Held to the fax number entry field of the recipient window: 100 characters.
bool CFieldDataCheckWithTSABFFileFormat::CheckFaxNumber(std::string_view value,
                                                        const csvFileInfo& rule) {
  constexpr int kFaxNumberEntryMax = 100;
  return !value.empty() && Utf8NameLength(value, kFaxNumberEntryMax) &&
         CheckCharacterCode(value, rule.filter);
}

bool CFieldDataCheckWithTSABFFileFormat::CheckEmailAddress(std::string_view, const csvFileInfo&) {
  return true;
}

std::size_t CFieldDataCheckWithTSABFFileFormat::CheckDisplayName(const CsvRecord& row,
                                                                 const CsvRecord& names) {
  for (const char* column : {"DisplayName", "FirstName", "LastName", "Company", "E-mailAddress",
                             "FaxNumber", "ScanServerAddress"}) {
    const std::size_t n = names.ColumnOf(column);
    if (n != 0 && !row.Column(n).empty()) return n;
  }
  return kNoDisplayName;
}

// ---- Column checks -----------------------------------------------------------------------------

namespace {

enum class Dialect { kClassic, kMiravo };

bool IsRelayKind(std::int32_t kind) {
  switch (kind) {
    case kCheckRlySetting:
    case kCheckRlyID:
    case kCheckRlyPrn:
    case kCheckRelaySendRecipients:
    case kCheckIPFAXRlySetting:
    case kCheckIPFAXRlyID:
    case kCheckIPFAXRelaySendRecipients:
    case kCheckIPFAXRlyPrn:
      return true;
    default:
      return false;
  }
}

AbifStatus Verdict(bool ok) { return ok ? kAbifSuccess : kAbifCsvBadValue; }

AbifStatus Dispatch(std::string_view v, const csvFileInfo& r, CFieldDataCheckWithFileFormat& c,
                    Dialect dialect) {
  if (dialect == Dialect::kMiravo && IsRelayKind(r.checkKind)) return kAbifSuccess;
  switch (r.checkKind) {
    case kCheckName:
      return Verdict(c.CheckDigitOfName(v, r.maximum) && c.CheckCharacterCode(v, r.filter));
    case kCheckLength:
      return dialect == Dialect::kMiravo ? Verdict(c.CheckDigit(v, r.maximum, false))
                                         : kAbifSuccess;
    case kCheckCommMode: return Verdict(c.CheckCommMode(v, r));
    case kCheckFCode: return Verdict(c.CheckFCode(v, r));
    case kCheckPCode: return Verdict(c.CheckPCode(v, r));
    case kCheckFaxNumber: return Verdict(c.CheckPBNO(v, r));
    case kCheckLineType: return Verdict(c.CheckLineType(v, r));
    case kCheckSIPFax: return Verdict(c.CheckSIPFax(v, r));
    case kCheckAddressType:
      if (!c.CheckDigit(v, r.maximum, false)) return kAbifCsvBadValue;
      return c.CheckAdrType(v);
    case kCheckNumberRange:
      return Verdict(c.CheckIsNumber(v, r) && c.CheckMaxMin(v, r.minValue, r.maxValue));
    case kCheckSecureSetting: return Verdict(c.CheckSecureSetting(v, r));
    case kCheckMailBoxPassword: return Verdict(c.CheckMailBoxPassword(v, r));
    case kCheckSecureID: return Verdict(c.CheckSecureID(v, r));
    case kCheckRlySetting: return Verdict(c.CheckRlySetting(v, r));
    case kCheckRlyID: return Verdict(c.CheckRlyID(v, r));
    case kCheckRlyPrn: return Verdict(c.CheckRlyPrn(v, r));
    case kCheckRelaySendRecipients: return Verdict(c.CheckRelaySendRecipients(v, r));
    case kCheckIPFAXCommMode: return Verdict(c.CheckIPFAXCommMode(v, r));
    case kCheckIPFAXSecureSetting: return Verdict(c.CheckIPFAXSecureSetting(v, r));
    case kCheckIPFAXMailBoxPassword: return Verdict(c.CheckIPFAXMailBoxPassword(v, r));
    case kCheckIPFAXRlySetting: return Verdict(c.CheckIPFAXRlySetting(v, r));
    case kCheckIPFAXSecureID: return Verdict(c.CheckIPFAXSecureID(v, r));
    case kCheckIPFAXRlyID: return Verdict(c.CheckIPFAXRlyID(v, r));
    case kCheckIPFAXRelaySendRecipients: return Verdict(c.CheckIPFAXRelaySendRecipients(v, r));
    case kCheckIPFAXRlyPrn: return Verdict(c.CheckIPFAXRlyPrn(v, r));
    case kCheckIPFAXFCode: return Verdict(c.CheckIPFAXFCode(v, r));
    case kCheckIPFAXPCode: return Verdict(c.CheckIPFAXPCode(v, r));
    default: return kAbifSuccess;
  }
}

}  // namespace

AbifStatus CheckField(std::string_view value, const csvFileInfo& rule,
                      CFieldDataCheckWithFileFormat& checker) {
  return Dispatch(value, rule, checker, Dialect::kClassic);
}

AbifStatus CheckFieldForMiravo(std::string_view value, const csvFileInfo& rule,
                               CFieldDataCheckWithFileFormat& checker) {
  return Dispatch(value, rule, checker, Dialect::kMiravo);
}

AbifStatus CheckField(std::string_view value, const csvFileInfo& rule,
                      CFieldDataCheckWithTSABFFileFormat& checker) {
  switch (rule.checkKind) {
    case kCheckName:
      return Verdict(checker.CheckDigitOfName(value, rule.maximum) &&
                     checker.CheckCharacterCode(value, rule.filter));
    case kCheckPartnerFaxNumber:
      if (value.empty()) return kAbifCsvOtherAddressKind;
      return Verdict(checker.CheckFaxNumber(value, rule));
    case kCheckPartnerEmail:
      return Verdict(checker.CheckEmailAddress(value, rule));
    default:
      return kAbifSuccess;
  }
}

namespace detail {

std::vector<ResolvedColumn> ResolveColumns(const CsvRecord& names,
                                           std::span<const char* const> carried, CsvRuleSet rules,
                                           const char* skip) {
  std::vector<ResolvedColumn> out;
  out.reserve(carried.size());
  for (const char* column : carried) {
    if (skip != nullptr && std::string_view(column) == skip) continue;
    out.push_back({column, names.ColumnOf(column), CsvColumnRule(rules, column)});
  }
  return out;
}

AbifStatus CheckClassicRow(const CsvRecord& row, const ResolvedColumn& addressType,
                           std::span<const ResolvedColumn> carried,
                           CFieldDataCheckWithFileFormat& checker) {
  if (addressType.rule != nullptr) {
    const AbifStatus status = CheckField(row.Column(addressType.column), *addressType.rule, checker);
    if (status != kAbifSuccess) return status;
  }
  for (const auto& c : carried) {
    if (c.rule == nullptr) continue;
    if (CheckField(row.Column(c.column), *c.rule, checker) != kAbifSuccess) return kAbifCsvBadValue;
  }
  checker.ResetMemberValue();
  return kAbifSuccess;
}

AbifStatus CheckMiravoRow(const CsvRecord& row, std::size_t faxColumn, std::size_t ipFaxColumn,
                          std::span<const ResolvedColumn> carried,
                          CFieldDataCheckWithFileFormat& checker) {
  const AbifStatus status =
      checker.CheckAdrTypeForMiravo(row.Column(faxColumn), row.Column(ipFaxColumn));
  if (status != kAbifSuccess) return status;
  for (const auto& c : carried) {
    if (c.rule == nullptr) continue;
    if (CheckFieldForMiravo(row.Column(c.column), *c.rule, checker) != kAbifSuccess) {
      return kAbifCsvBadValue;
    }
  }
  checker.ResetMemberValue();
  return kAbifSuccess;
}

AbifStatus CheckPartnerRow(const CsvRecord& row, std::size_t faxNumberColumn,
                           std::span<const ResolvedColumn> carried,
                           CFieldDataCheckWithTSABFFileFormat& checker) {
  if (row.Column(faxNumberColumn).empty()) return kAbifCsvOtherAddressKind;
  for (const auto& c : carried) {
    if (c.rule == nullptr) continue;
    const AbifStatus status = CheckField(row.Column(c.column), *c.rule, checker);
    if (status != kAbifSuccess) {
      return status == kAbifCsvOtherAddressKind ? status : kAbifCsvBadValue;
    }
  }
  return kAbifSuccess;
}

}  // namespace detail

AbifStatus CheckFieldDataWithDataFormat(const CsvRecord& row, const CsvRecord& names,
                                        std::span<const char* const> carried, CsvRuleSet rules,
                                        CFieldDataCheckWithFileFormat& checker) {
  const detail::ResolvedColumn addressType{"MFADDRT", names.ColumnOf("MFADDRT"),
                                           CsvColumnRule(rules, "MFADDRT")};
  const auto columns = detail::ResolveColumns(names, carried, rules, "MFADDRT");
  return detail::CheckClassicRow(row, addressType, columns, checker);
}

AbifStatus CheckFieldDataWithDataFormat20x(const CsvRecord& row, const CsvRecord& names,
                                           std::span<const char* const> carried,
                                           CFieldDataCheckWithFileFormat& checker) {
  const auto columns = detail::ResolveColumns(names, carried, CsvRuleSet::kMiravo20x);
  return detail::CheckMiravoRow(row, names.ColumnOf("MFFAX"), names.ColumnOf("MFIPFAX"), columns,
                                checker);
}

AbifStatus CheckFieldDataWithDataFormat(const CsvRecord& row, const CsvRecord& names,
                                        std::span<const char* const> carried,
                                        CFieldDataCheckWithTSABFFileFormat& checker) {
  const auto columns = detail::ResolveColumns(names, carried, CsvRuleSet::kPartner);
  return detail::CheckPartnerRow(row, names.ColumnOf("FaxNumber"), columns, checker);
}

}  // namespace nx::phonebook
