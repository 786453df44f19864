// Column rules and checkers for the rows of imported CSV address books.
//
// Each dialect has a rule per column (length, range, check kind, allowed characters) and a
// checker class whose virtual operations carry the dialect's differences. While one row is
// checked the checker remembers the row's address type (0 fax, 4 IP fax) and its secure and
// relay settings, because some columns only matter when those call for them; the address type
// and setting columns come first in the checking order.
//
// Texts are the bytes of the file: Shift_JIS in the classic dialects below data format 6,
// UTF-8 in data format 6, the Miravo 2.x layout and the partner format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "nx/phonebook/abif_data.h"
#include "nx/phonebook/csv_record.h"

namespace nx::phonebook {

// ---- Character filters ------------------------------------------------------------------------

struct FilterRange {
  std::int32_t low;
  std::int32_t high;
};

// Byte ranges (not consulted by the checks), then character ranges: a character below U+0100
// is compared as it is; any other as its Shift_JIS code, two bytes read big-endian (a one-byte
// code as that byte followed by 0). A character without a Shift_JIS form never passes.
struct FltrData {
  std::int32_t byteCount;
  FilterRange byteRanges[20];
  std::int32_t charCount;
  FilterRange charRanges[20];
  const char* errorKey;
};

extern const FltrData MFNUMBER_FltrData;
extern const FltrData MFCN_FltrData;
extern const FltrData MFFAX_FltrData;
extern const FltrData MFRLYNUM_FltrData;
extern const FltrData MFFCODE_FltrData;
extern const FltrData MFMBOXPS_FltreData;
extern const FltrData MFIPFAX_FltreData;

// True for empty text; otherwise every character of the UTF-8 text must pass the filter as
// described at FltrData. Malformed UTF-8 fails; a filter without ranges refuses everything.
bool validateInputByJIS(std::string_view utf8, const FltrData& filter);

// ---- Column rules ----------------------------------------------------------------------------

// Check kinds of a column rule.
enum CsvCheckKind : std::int32_t {
  kCheckName = 2,
  kCheckLength = 7,
  kCheckCommMode = 10,
  kCheckFCode = 11,
  kCheckPCode = 12,
  kCheckFaxNumber = 13,
  kCheckLineType = 18,
  kCheckSIPFax = 19,
  kCheckAddressType = 23,
  kCheckNumberRange = 25,
  kCheckSecureSetting = 26,
  kCheckMailBoxPassword = 27,
  kCheckSecureID = 28,
  kCheckRlySetting = 29,
  kCheckRlyID = 30,
  kCheckRlyPrn = 31,
  kCheckRelaySendRecipients = 32,
  kCheckIPFAXCommMode = 33,
  kCheckIPFAXSecureSetting = 34,
  kCheckIPFAXMailBoxPassword = 35,
  kCheckIPFAXRlySetting = 36,
  kCheckIPFAXSecureID = 37,
  kCheckIPFAXRlyID = 38,
  kCheckIPFAXRelaySendRecipients = 39,
  kCheckIPFAXRlyPrn = 40,
  kCheckIPFAXFCode = 41,
  kCheckIPFAXPCode = 42,
  kCheckPartnerFaxNumber = 47,
  kCheckPartnerEmail = 48,
};

struct csvFileInfo {
  std::int32_t maximum;   // length limit (characters or bytes per check); -1 none
  std::int32_t minValue;  // -1 none
  std::int32_t maxValue;  // -1 none
  std::int32_t reserved1[4];
  std::int32_t checkKind;  // -1 or unknown: not checked
  std::int32_t reserved2[2];
  const FltrData* filter;
};

// The rule tables of the dialects.
enum class CsvRuleSet { kFormat3, kFormat35, kFormat5x, kFormat6, kMiravo20x, kPartner };

// The rule of a column, or null for a column without one.
const csvFileInfo* CsvColumnRule(CsvRuleSet rules, std::string_view column);

// ---- Checkers --------------------------------------------------------------------------------

class CFieldDataCheckWithFileFormat {
 public:
  explicit CFieldDataCheckWithFileFormat(int dataVersion) : m_DataVersion(dataVersion) {}
  virtual ~CFieldDataCheckWithFileFormat() = default;
  CFieldDataCheckWithFileFormat(const CFieldDataCheckWithFileFormat&) = delete;
  CFieldDataCheckWithFileFormat& operator=(const CFieldDataCheckWithFileFormat&) = delete;

  // The column-name line equals the dialect's list (counting the unused column 0).
  virtual bool CheckHeaderFormat(const CsvRecord& names);
  virtual bool CheckHeaderFormatFor2xx(int subVersion, const CsvRecord& names);
  // 0, or kAbifCsvBadValue when a data row has another number of values.
  virtual AbifStatus CheckCountOfValue(std::size_t count);
  virtual AbifStatus CheckCountOfValueFor2xx(int subVersion, std::size_t count);

  virtual bool CheckDigitOfName(std::string_view value, int maximum);
  virtual bool CheckCharacterCode(std::string_view value, const FltrData* filter);
  virtual bool CheckDigit(std::string_view value, int maximum, bool exact);
  virtual bool CheckMaxMin(std::string_view value, int minimum, int maximum);
  virtual bool CheckMax(std::string_view value, int maximum);
  virtual bool CheckMin(std::string_view value, int minimum);
  virtual bool CheckCommMode(std::string_view value, const csvFileInfo& rule);
  virtual AbifStatus CheckAdrType(std::string_view value);
  virtual AbifStatus CheckAdrTypeForMiravo(std::string_view fax, std::string_view ipFax);
  virtual bool CheckIsNumber(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckLineType(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckPBNO(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckPCode(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckFCode(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckMailBoxPassword(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckSecureSetting(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckSecureID(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckRlySetting(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckRlyID(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckRlyPrn(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckRelaySendRecipients(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckSIPFax(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXCommMode(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXSecureSetting(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXRlySetting(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXSecureID(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXRlyID(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXRelaySendRecipients(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXRlyPrn(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXFCode(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXPCode(std::string_view value, const csvFileInfo& rule);
  virtual bool CheckIPFAXMailBoxPassword(std::string_view value, const csvFileInfo& rule);

  bool CheckIsEmpty(std::string_view value) const { return value.empty(); }
  void ResetMemberValue();

  int DataVersion() const { return m_DataVersion; }
  int AddressType() const { return m_AddressType; }
  int SecureSetting() const { return m_SecureSetting; }
  int RelaySetting() const { return m_RelaySetting; }

 protected:
  // Shared rule pieces: non-empty, length, number, and the value among `allowed`.
  bool CheckSettingValue(std::string_view value, const csvFileInfo& rule,
                         std::initializer_list<int> allowed);
  // Length and filter of a plain password, or of a protected one once opened.
  bool CheckProtected(std::string_view value, const csvFileInfo& rule, bool plain);

  int m_DataVersion;
  int m_AddressType = 0;
  int m_SecureSetting = 0;
  int m_RelaySetting = 0;
};

class CFieldDataCheckWithFileFormat1 : public CFieldDataCheckWithFileFormat {
 public:
  using CFieldDataCheckWithFileFormat::CFieldDataCheckWithFileFormat;
  bool CheckHeaderFormat(const CsvRecord& names) override;
  AbifStatus CheckCountOfValue(std::size_t count) override;
  AbifStatus CheckAdrType(std::string_view value) override;
  bool CheckPCode(std::string_view value, const csvFileInfo& rule) override;
};

// Address-type gating: fax-side columns pass for IP fax rows, IP fax columns for fax rows.
class CFieldDataCheckWithFileFormat2 : public CFieldDataCheckWithFileFormat {
 public:
  using CFieldDataCheckWithFileFormat::CFieldDataCheckWithFileFormat;
  bool CheckHeaderFormat(const CsvRecord& names) override;
  bool CheckHeaderFormatFor2xx(int subVersion, const CsvRecord& names) override;
  AbifStatus CheckCountOfValue(std::size_t count) override;
  AbifStatus CheckCountOfValueFor2xx(int subVersion, std::size_t count) override;
  bool CheckCommMode(std::string_view value, const csvFileInfo& rule) override;
  AbifStatus CheckAdrType(std::string_view value) override;
  AbifStatus CheckAdrTypeForMiravo(std::string_view fax, std::string_view ipFax) override;
  bool CheckLineType(std::string_view value, const csvFileInfo& rule) override;
  bool CheckPBNO(std::string_view value, const csvFileInfo& rule) override;
  bool CheckPCode(std::string_view value, const csvFileInfo& rule) override;
  bool CheckFCode(std::string_view value, const csvFileInfo& rule) override;
  bool CheckMailBoxPassword(std::string_view value, const csvFileInfo& rule) override;
  bool CheckSecureSetting(std::string_view value, const csvFileInfo& rule) override;
  bool CheckRlySetting(std::string_view value, const csvFileInfo& rule) override;
  bool CheckRlyPrn(std::string_view value, const csvFileInfo& rule) override;
  bool CheckRelaySendRecipients(std::string_view value, const csvFileInfo& rule) override;
  bool CheckSIPFax(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXCommMode(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXSecureSetting(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXRlySetting(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXSecureID(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXRlyID(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXRelaySendRecipients(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXRlyPrn(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXFCode(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXPCode(std::string_view value, const csvFileInfo& rule) override;
  bool CheckIPFAXMailBoxPassword(std::string_view value, const csvFileInfo& rule) override;

 protected:
  bool IsFaxRow() const { return m_AddressType == 0; }
  bool IsIPFaxRow() const { return m_AddressType == 4; }
};

class CFieldDataCheckWithFileFormat3 : public CFieldDataCheckWithFileFormat {
 public:
  using CFieldDataCheckWithFileFormat::CFieldDataCheckWithFileFormat;
  bool CheckHeaderFormat(const CsvRecord& names) override;
  AbifStatus CheckCountOfValue(std::size_t count) override;
};

class CFieldDataCheckWithFileFormat35 : public CFieldDataCheckWithFileFormat {
 public:
  using CFieldDataCheckWithFileFormat::CFieldDataCheckWithFileFormat;
  bool CheckHeaderFormat(const CsvRecord& names) override;
  AbifStatus CheckCountOfValue(std::size_t count) override;
};

class CFieldDataCheckWithFileFormat5x : public CFieldDataCheckWithFileFormat {
 public:
  using CFieldDataCheckWithFileFormat::CFieldDataCheckWithFileFormat;
  bool CheckHeaderFormat(const CsvRecord& names) override;
  AbifStatus CheckCountOfValue(std::size_t count) override;
};

class CFieldDataCheckWithFileFormat6 : public CFieldDataCheckWithFileFormat2 {
 public:
  using CFieldDataCheckWithFileFormat2::CFieldDataCheckWithFileFormat2;
  bool CheckHeaderFormat(const CsvRecord& names) override;
  AbifStatus CheckCountOfValue(std::size_t count) override;
  bool CheckDigitOfName(std::string_view value, int maximum) override;
  bool CheckCharacterCode(std::string_view value, const FltrData* filter) override;
  AbifStatus CheckAdrType(std::string_view value) override;
};

class CFieldDataCheckWithFileFormat20x : public CFieldDataCheckWithFileFormat2 {
 public:
  using CFieldDataCheckWithFileFormat2::CFieldDataCheckWithFileFormat2;
  bool CheckHeaderFormat(const CsvRecord& names) override;
  bool CheckHeaderFormatFor2xx(int subVersion, const CsvRecord& names) override;
  AbifStatus CheckCountOfValue(std::size_t count) override;
  AbifStatus CheckCountOfValueFor2xx(int subVersion, std::size_t count) override;
  bool CheckDigitOfName(std::string_view value, int maximum) override;
  bool CheckCharacterCode(std::string_view value, const FltrData* filter) override;
  AbifStatus CheckAdrType(std::string_view value) override;
  AbifStatus CheckAdrTypeForMiravo(std::string_view fax, std::string_view ipFax) override;
};

// Partner-format rows (UTF-8).
class CFieldDataCheckWithTSABFFileFormat {
 public:
  CFieldDataCheckWithTSABFFileFormat() = default;
  virtual ~CFieldDataCheckWithTSABFFileFormat() = default;
  CFieldDataCheckWithTSABFFileFormat(const CFieldDataCheckWithTSABFFileFormat&) = delete;
  CFieldDataCheckWithTSABFFileFormat& operator=(const CFieldDataCheckWithTSABFFileFormat&) = delete;

  virtual bool CheckCharacterCode(std::string_view value, const FltrData* filter);
  virtual bool CheckDigitOfName(std::string_view value, int maximum);
  virtual bool CheckDigit(std::string_view value, int maximum, bool exact);
  virtual bool CheckMaxMin(std::string_view value, int minimum, int maximum);
  virtual bool CheckMax(std::string_view value, int maximum);
  virtual bool CheckMin(std::string_view value, int minimum);

  bool CheckIsNumber(std::string_view value, const csvFileInfo& rule);
  bool CheckIsEmpty(std::string_view value) const { return value.empty(); }
  bool CheckHeaderFormat(const CsvRecord& names);
  AbifStatus CheckCountOfValue(std::size_t count);
  bool CheckFaxNumber(std::string_view value, const csvFileInfo& rule);
  bool CheckEmailAddress(std::string_view value, const csvFileInfo& rule);
  // The column that supplies the display name, or kNoDisplayName when every candidate is empty.
  std::size_t CheckDisplayName(const CsvRecord& row, const CsvRecord& names);

  static constexpr std::size_t kNoDisplayName = 999;
};

// ---- Column and row checks -------------------------------------------------------------------

// One value against its rule: 0, kAbifCsvBadValue, or the address type's own status.
AbifStatus CheckField(std::string_view value, const csvFileInfo& rule,
                      CFieldDataCheckWithFileFormat& checker);
AbifStatus CheckFieldForMiravo(std::string_view value, const csvFileInfo& rule,
                               CFieldDataCheckWithFileFormat& checker);
// Partner format; an empty fax number answers kAbifCsvOtherAddressKind (the row has no fax
// address to import).
AbifStatus CheckField(std::string_view value, const csvFileInfo& rule,
                      CFieldDataCheckWithTSABFFileFormat& checker);

// A classic row: "MFADDRT" first (its status returned when not 0), then the carried columns
// in order; kAbifCsvBadValue at the first failure. The checker is reset after a valid row.
AbifStatus CheckFieldDataWithDataFormat(const CsvRecord& row, const CsvRecord& names,
                                        std::span<const char* const> carried, CsvRuleSet rules,
                                        CFieldDataCheckWithFileFormat& checker);
// A Miravo 2.x row (brackets already removed): the address type from "MFFAX" / "MFIPFAX"
// first, then the carried columns.
AbifStatus CheckFieldDataWithDataFormat20x(const CsvRecord& row, const CsvRecord& names,
                                           std::span<const char* const> carried,
                                           CFieldDataCheckWithFileFormat& checker);
// A partner-format row: kAbifCsvOtherAddressKind when it has no fax number, else the carried
// columns in order.
AbifStatus CheckFieldDataWithDataFormat(const CsvRecord& row, const CsvRecord& names,
                                        std::span<const char* const> carried,
                                        CFieldDataCheckWithTSABFFileFormat& checker);

}  // namespace nx::phonebook
