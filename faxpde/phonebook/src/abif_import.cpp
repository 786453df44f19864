// CSV address book import: dialect recognition, header checks, row checks and conversion into
// container records.
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "byte_source.h"
#include "csv_layouts.h"
#include "csv_lexer.h"
#include "nx/phonebook/abif_csv.h"
#include "nx/phonebook/field_check.h"
#include "phonebook_cipher.h"
#include "row_check.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

using detail::ByteSource;
using detail::CsvLayout;

// Protected values are opened into a buffer of this size when a record is made.
constexpr int kImportDecryptCapacity = 511;

// The first line of a device export, each field cut to the length the format gives it.
struct tag_ABIF_EWSCVSHEADER {
  std::string fileKind;           // at most 10 characters
  std::string dataTypeVersion;    // 40
  std::string dataFormatVersion;  // 128
  std::string dataVersion;        // 59
  std::size_t commaCount = 0;
};

tag_ABIF_EWSCVSHEADER CSVReadRecordHeader(const CsvRecord& line) {
  tag_ABIF_EWSCVSHEADER h;
  h.fileKind = std::string(line.Column(1).substr(0, 10));
  h.dataTypeVersion = std::string(line.Column(2).substr(0, 40));
  h.dataFormatVersion = std::string(line.Column(3).substr(0, 128));
  h.dataVersion = std::string(line.Column(4).substr(0, 59));
  h.commaCount = line.fieldCount == 0 ? 0 : line.fieldCount - 1;
  return h;
}

bool CheckCommasCount(std::size_t commas) { return commas == 5 || commas == 6; }

bool CheckDataFormat(std::string_view v) { return v == "3" || v == "5" || v == "6"; }

bool CheckDataVersion(std::string_view v) {
  return v == "2" || v == "3" || v == "5" || v == "103";
}

int ToInt(std::string_view text) { return static_cast<int>(detail::ParseLeadingInt(text)); }

// ---- Value conversions -----------------------------------------------------------------------

const char* AddressTypeCode(std::string_view text) {
  if (text == "FAX") return "0";
  if (text == "IFAX" || text == "INTERNETFAX") return "1";
  if (text == "MAIL") return "2";
  if (text == "SERVER") return "3";
  return "4";
}

const char* CommModeCode(std::string_view v) { return v == "2" ? "1" : (v == "1" ? "2" : "0"); }
const char* LineTypeCode(std::string_view v) { return v == "2" ? "1" : "0"; }
const char* SecureCode(std::string_view v) { return v == "1" ? "1" : "0"; }
const char* RelayCode(std::string_view v) { return v == "1" ? "2" : "0"; }

// The record member a carried column fills.
std::span<char> EwsField(tag_ABIF_EWSCVS& r, std::string_view column) {
  struct Slot {
    const char* column;
    char* field;
    std::size_t size;
  };
#define NX_SLOT(col, member) Slot{col, r.member, sizeof r.member}
  const Slot slots[] = {
      NX_SLOT("MFDN", MFDN),
      NX_SLOT("MFCNTID", MFDN),
      NX_SLOT("MFCN", MFCN),
      NX_SLOT("MFFAX", MFFAX),
      NX_SLOT("MFCMODE", MFCMODE),
      NX_SLOT("MFADDRT", MFADDRT),
      NX_SLOT("MFCNTTYPE", MFADDRT),
      NX_SLOT("MFLINE", MFLINE),
      NX_SLOT("MFMBOX", MFMBOX),
      NX_SLOT("MFRLY", MFRLY),
      NX_SLOT("MFMBOXID", MFMBOXID),
      NX_SLOT("MFMBOXPS", MFMBOXPS),
      NX_SLOT("MFRLYPRN", MFRLYPRN),
      NX_SLOT("MFRLYNUM", MFRLYNUM),
      NX_SLOT("MFRLYID", MFRLYID),
      NX_SLOT("MFFCODE", MFFCODE),
      NX_SLOT("MFPCODE", MFPCODE),
      NX_SLOT("MFIPFAX", MFIPFAX),
      NX_SLOT("MFIPFAXCMODE", MFIPFAXCMODE),
      NX_SLOT("MFIPFAXMBOX", MFIPFAXMBOX),
      NX_SLOT("MFIPFAXMBOXPS", MFIPFAXMBOXPS),
      NX_SLOT("MFIPFAXMBOXID", MFIPFAXMBOXID),
      NX_SLOT("MFIPFAXRLY", MFIPFAXRLY),
      NX_SLOT("MFIPFAXRLYID", MFIPFAXRLYID),
      NX_SLOT("MFIPFAXRLYNUM", MFIPFAXRLYNUM),
      NX_SLOT("MFIPFAXRLYPRN", MFIPFAXRLYPRN),
      NX_SLOT("MFIPFAXFCODE", MFIPFAXFCODE),
      NX_SLOT("MFIPFAXPCODE", MFIPFAXPCODE),
  };
#undef NX_SLOT
  for (const auto& slot : slots) {
    if (column == slot.column) return {slot.field, slot.size};
  }
  return {};
}

std::span<char> PartnerField(tag_ABIF_TSABF& r, std::string_view column) {
  if (column == "TmrAddressBookId") return r.TmrAddressBookId;
  if (column == "DisplayName") return r.DisplayName;
  if (column == "FirstName") return r.FirstName;
  if (column == "LastName") return r.LastName;
  if (column == "IsDL") return r.IsDL;
  if (column == "FaxNumber") return r.FaxNumber;
  if (column == "Company") return r.Company;
  if (column == "E-mailAddress") return r.EmailAddress;
  if (column == "ScanServerAddress") return r.ScanServerAddress;
  return {};
}

// Copies at most `maxBytes` (and never more than the field holds) without cutting a UTF-8
// character when the text is UTF-8.
void CopyLimited(std::span<char> field, std::string_view value, std::size_t maxBytes, bool utf8) {
  if (field.empty()) return;
  std::memset(field.data(), 0, field.size());
  std::size_t limit = maxBytes < field.size() - 1 ? maxBytes : field.size() - 1;
  const std::string_view text = utf8 ? detail::Utf8Prefix(value, limit) : value.substr(0, limit);
  // An empty value may carry no storage at all (a null data pointer).
  if (!text.empty()) std::memcpy(field.data(), text.data(), text.size());
}

void SetCode(std::span<char> field, const char* code) {
  CopyLimited(field, code, field.size(), false);
}

bool IsMailboxPassword(std::string_view c) { return c == "MFMBOXPS" || c == "MFIPFAXMBOXPS"; }
bool IsPasscode(std::string_view c) { return c == "MFPCODE" || c == "MFIPFAXPCODE"; }
bool IsRelayList(std::string_view c) { return c == "MFRLYNUM" || c == "MFIPFAXRLYNUM"; }

// The stored form of a carried value: protected columns opened, relay lists decoded. A value
// that cannot be opened is not kept (no column check vouched for it). Plain values are returned
// as they are; opened ones live in `scratch`.
std::string_view OpenedValue(std::string_view column, std::string_view value, int dataVersion,
                             std::string& scratch) {
  if (value.empty()) return {};
  if (IsMailboxPassword(column) && dataVersion == 1) return value;
  if (IsMailboxPassword(column) || IsPasscode(column)) {
    scratch = detail::EwsDecryptText(value, kImportDecryptCapacity).value_or(std::string());
    return scratch;
  }
  if (IsRelayList(column)) {
    scratch = detail::XspDecodeText(value).value_or(std::string());
    return scratch;
  }
  return value;
}

struct Dialect {
  bool miravo = false;
  bool utf8 = false;
  bool hasEncString = false;
  int dataVersion = 0;
  int subVersion = 0;
  CsvRuleSet rules = CsvRuleSet::kFormat3;
  CsvLayout layout = CsvLayout::k3;
};

// Where the row code finds its columns in one file, looked up once from the column-name line.
struct DevicePlan {
  struct Copy {
    const char* name;
    std::size_t column;
    std::size_t maxBytes;
    std::size_t offset;  // of the record member the value fills
    std::size_t size;
    bool plain;  // neither protected nor a relay list
  };
  std::vector<Copy> copies;
  detail::ResolvedColumn addressType{};
  std::vector<detail::ResolvedColumn> checked;
  std::size_t mfAddrT = 0, mfCMode = 0, mfIpFaxCMode = 0, mfLine = 0, mfMBox = 0,
              mfIpFaxMBox = 0, mfRly = 0, mfIpFaxRly = 0, mfFax = 0, mfIpFax = 0, mfFCode = 0,
              mfIpFaxFCode = 0, mfEncStr = 0, mfCntType = 0;
};

DevicePlan MakeDevicePlan(const CsvRecord& names, const Dialect& d) {
  DevicePlan plan;
  const auto carried = d.miravo ? detail::CarriedMiravo() : detail::CarriedClassic();
  tag_ABIF_EWSCVS probe{};
  for (const auto& column : carried.columns) {
    const std::span<char> field = EwsField(probe, column.name);
    if (field.empty()) continue;
    const std::string_view name = column.name;
    plan.copies.push_back({column.name, names.ColumnOf(name), column.maxBytes,
                           static_cast<std::size_t>(field.data() - reinterpret_cast<char*>(&probe)),
                           field.size(),
                           !IsMailboxPassword(name) && !IsPasscode(name) && !IsRelayList(name)});
  }
  if (d.miravo) {
    plan.checked = detail::ResolveColumns(names, carried.names, d.rules);
  } else {
    plan.addressType = {"MFADDRT", names.ColumnOf("MFADDRT"), CsvColumnRule(d.rules, "MFADDRT")};
    plan.checked = detail::ResolveColumns(names, carried.names, d.rules, "MFADDRT");
  }
  plan.mfAddrT = names.ColumnOf("MFADDRT");
  plan.mfCMode = names.ColumnOf("MFCMODE");
  plan.mfIpFaxCMode = names.ColumnOf("MFIPFAXCMODE");
  plan.mfLine = names.ColumnOf("MFLINE");
  plan.mfMBox = names.ColumnOf("MFMBOX");
  plan.mfIpFaxMBox = names.ColumnOf("MFIPFAXMBOX");
  plan.mfRly = names.ColumnOf("MFRLY");
  plan.mfIpFaxRly = names.ColumnOf("MFIPFAXRLY");
  plan.mfFax = names.ColumnOf("MFFAX");
  plan.mfIpFax = names.ColumnOf("MFIPFAX");
  plan.mfFCode = names.ColumnOf("MFFCODE");
  plan.mfIpFaxFCode = names.ColumnOf("MFIPFAXFCODE");
  plan.mfEncStr = names.ColumnOf("MFENCSTR");
  plan.mfCntType = names.ColumnOf("MFCNTTYPE");
  return plan;
}

// GetRecordForUI / Miravo22RecordForUI with the value conversions of RecordClone.
AbifStatus MakeRecord(const CsvRecord& row, const DevicePlan& plan, const Dialect& d,
                      tag_ABIF_EWSCVS& r, std::string& scratch) {
  std::memset(&r, 0, sizeof r);
  char* base = reinterpret_cast<char*>(&r);
  for (const auto& copy : plan.copies) {
    const std::string_view raw = row.Column(copy.column);
    const std::string_view value =
        copy.plain ? raw : OpenedValue(copy.name, raw, d.dataVersion, scratch);
    CopyLimited(std::span<char>(base + copy.offset, copy.size), value, copy.maxBytes, d.utf8);
  }
  const char* type;
  if (d.miravo) {
    type = row.Column(plan.mfFax).empty() ? "4" : "0";
  } else {
    type = AddressTypeCode(row.Column(plan.mfAddrT));
  }
  SetCode(r.MFADDRT, type);
  SetCode(r.MFCMODE, CommModeCode(row.Column(plan.mfCMode)));
  SetCode(r.MFIPFAXCMODE, CommModeCode(row.Column(plan.mfIpFaxCMode)));
  SetCode(r.MFLINE, LineTypeCode(row.Column(plan.mfLine)));
  SetCode(r.MFMBOX, SecureCode(row.Column(plan.mfMBox)));
  SetCode(r.MFIPFAXMBOX, SecureCode(row.Column(plan.mfIpFaxMBox)));
  if (!d.miravo) {
    SetCode(r.MFRLY, RelayCode(row.Column(plan.mfRly)));
    SetCode(r.MFIPFAXRLY, RelayCode(row.Column(plan.mfIpFaxRly)));
  }
  const bool fax = std::strcmp(r.MFADDRT, "0") == 0 && r.MFFAX[0] != '\0';
  const bool ipFax = std::strcmp(r.MFADDRT, "4") == 0 && r.MFIPFAX[0] != '\0';
  return fax || ipFax ? kAbifSuccess : kAbifCsvNoFaxAddress;
}

// The row's "MFENCSTR" must begin with the encoding of its addresses.
AbifStatus CheckEncString(const CsvRecord& row, const DevicePlan& plan, std::string& joined) {
  const std::string_view stored = row.Column(plan.mfEncStr);
  if (stored.empty()) return kAbifSuccess;
  joined.clear();
  // The values taken, separated by tabs.
  bool first = true;
  auto add = [&](std::string_view value) {
    if (!first) joined.push_back('\t');
    joined.append(value);
    first = false;
  };
  if (const auto fax = row.Column(plan.mfFax); !fax.empty()) {
    add(fax);
    add(row.Column(plan.mfFCode));
  }
  if (const auto ipFax = row.Column(plan.mfIpFax); !ipFax.empty()) {
    add(ipFax);
    add(row.Column(plan.mfIpFaxFCode));
  }
  if (joined.size() < 2) return kAbifSuccess;
  auto expected = detail::Base64Text(joined);
  if (!expected) return kAbifCsvEditedByHand;
  for (char& c : *expected) {
    if (c == '0') c = '-';
  }
  return stored.substr(0, expected->size()) == *expected ? kAbifSuccess : kAbifCsvEditedByHand;
}

// Miravo 2.x fields are "", "[]" or "[value]": keeps the text between the first "[" and the
// last "]". False for a non-empty field without such a pair.
bool StripBrackets(CsvRecord& row) {
  for (std::size_t i = 1; i < row.columns.size(); ++i) {
    std::string& field = row.columns[i];
    if (field.empty()) continue;
    const auto open = field.find('[');
    const auto close = field.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    field = field.substr(open + 1, close - open - 1);
  }
  return true;
}

AbifStatus Finish(const ByteSource& src) {
  return src.failed() ? kAbifReadWriteFailed : kAbifSuccess;
}

// The rules of data formats 3 and 5 over a file whose byte-order mark declares UTF-8: names are
// measured and filtered as the UTF-8 of data format 6, not decoded as Shift_JIS.
class Utf8MarkedChecker final : public CFieldDataCheckWithFileFormat2 {
 public:
  explicit Utf8MarkedChecker(int dataVersion)
      : CFieldDataCheckWithFileFormat2(dataVersion), utf8_(dataVersion) {}
  bool CheckDigitOfName(std::string_view value, int maximum) override {
    return utf8_.CheckDigitOfName(value, maximum);
  }
  bool CheckCharacterCode(std::string_view value, const FltrData* filter) override {
    return utf8_.CheckCharacterCode(value, filter);
  }

 private:
  CFieldDataCheckWithFileFormat6 utf8_;
};

AbifStatus ImportDeviceRows(ByteSource& src, ABIFDATA* data, const Dialect& d,
                            const CsvRecord& names) {
  CsvRecord row;
  auto record = std::make_unique<tag_ABIF_EWSCVS>();
  const DevicePlan plan = MakeDevicePlan(names, d);
  std::string scratch;
  while (CSVReadRecord(src, row)) {
    if (row.blankLine) continue;
    if (detail::CheckIsLastLine(row)) break;
    if (d.miravo) {
      if (!StripBrackets(row)) return kAbifCsvBadValue;
      if (row.Column(plan.mfCntType) == "1") continue;
    }

    AbifStatus status;
    if (d.miravo) {
      CFieldDataCheckWithFileFormat20x counter(d.dataVersion);
      status = counter.CheckCountOfValueFor2xx(d.subVersion, row.fieldCount);
    } else if (d.layout == CsvLayout::k3) {
      status = CFieldDataCheckWithFileFormat3(d.dataVersion).CheckCountOfValue(row.fieldCount);
    } else if (d.layout == CsvLayout::k35) {
      status = CFieldDataCheckWithFileFormat35(d.dataVersion).CheckCountOfValue(row.fieldCount);
    } else {
      status = CFieldDataCheckWithFileFormat5x(d.dataVersion).CheckCountOfValue(row.fieldCount);
    }
    if (status != kAbifSuccess) return kAbifCsvBadValue;

    if (d.miravo) {
      CFieldDataCheckWithFileFormat20x checker(d.dataVersion);
      status = detail::CheckMiravoRow(row, plan.mfFax, plan.mfIpFax, plan.checked, checker);
    } else if (d.rules == CsvRuleSet::kFormat6) {
      CFieldDataCheckWithFileFormat6 checker(d.dataVersion);
      status = detail::CheckClassicRow(row, plan.addressType, plan.checked, checker);
    } else if (d.utf8) {
      Utf8MarkedChecker checker(d.dataVersion);
      status = detail::CheckClassicRow(row, plan.addressType, plan.checked, checker);
    } else {
      CFieldDataCheckWithFileFormat2 checker(d.dataVersion);
      status = detail::CheckClassicRow(row, plan.addressType, plan.checked, checker);
    }
    if (status == kAbifCsvOtherAddressKind) continue;
    if (status != kAbifSuccess) return status;

    if (d.hasEncString) {
      status = CheckEncString(row, plan, scratch);
      if (status != kAbifSuccess) return status;
    }

    if (MakeRecord(row, plan, d, *record, scratch) != kAbifSuccess) continue;
    status = ABIFData_Add_EWSCVS(data, 1, record.get());
    if (status != kAbifSuccess && status != kAbifLimitReached) return status;
  }
  return Finish(src);
}

AbifStatus ImportPartner(ByteSource& src, ABIFDATA* data, AbifImportInfo& info) {
  if (!src.Rewind()) return kAbifReadWriteFailed;
  detail::SkipByteOrderMark(src);
  CsvRecord names;
  if (!CSVReadRecord(src, names)) return src.failed() ? kAbifReadWriteFailed : kAbifCsvBadDataFormat;
  if (!CFieldDataCheckWithTSABFFileFormat().CheckHeaderFormat(names)) return kAbifCsvBadDataFormat;
  info.partnerFormat = true;

  CsvRecord row;
  auto record = std::make_unique<tag_ABIF_TSABF>();
  const auto carried = detail::CarriedPartner();
  // Columns looked up once for the file.
  const auto checked = detail::ResolveColumns(names, carried.names, CsvRuleSet::kPartner);
  struct Copy {
    std::size_t column;
    std::size_t maxBytes;
    std::size_t offset;
    std::size_t size;
  };
  std::vector<Copy> copies;
  for (const auto& column : carried.columns) {
    const std::span<char> field = PartnerField(*record, column.name);
    if (field.empty()) continue;
    copies.push_back({names.ColumnOf(column.name), column.maxBytes,
                      static_cast<std::size_t>(field.data() - reinterpret_cast<char*>(record.get())),
                      field.size()});
  }
  const std::size_t isDL = names.ColumnOf("IsDL");
  const std::size_t faxNumber = names.ColumnOf("FaxNumber");
  int taken = 0;
  while (taken <= kPartnerRowStop && CSVReadRecord(src, row)) {
    if (row.blankLine) continue;
    CFieldDataCheckWithTSABFFileFormat checker;
    const std::size_t displayColumn = checker.CheckDisplayName(row, names);
    if (displayColumn == CFieldDataCheckWithTSABFFileFormat::kNoDisplayName) continue;
    if (row.Column(isDL) == "1") continue;
    if (checker.CheckCountOfValue(row.fieldCount) != kAbifSuccess) return kAbifCsvBadValue;
    const AbifStatus status = detail::CheckPartnerRow(row, faxNumber, checked, checker);
    if (status == kAbifCsvOtherAddressKind) continue;
    if (status != kAbifSuccess) return status;

    std::memset(record.get(), 0, sizeof *record);
    char* base = reinterpret_cast<char*>(record.get());
    for (const auto& copy : copies) {
      CopyLimited(std::span<char>(base + copy.offset, copy.size), row.Column(copy.column),
                  copy.maxBytes, true);
    }
    // A row without a display name shows the first of its other names.
    if (record->DisplayName[0] == '\0') {
      CopyLimited(record->DisplayName, row.Column(displayColumn), sizeof record->DisplayName - 1,
                  true);
    }
    const AbifStatus added = ABIFData_Add_TSABFCVS(data, 1, record.get());
    if (added != kAbifSuccess && added != kAbifLimitReached) return added;
    ++taken;
  }
  return Finish(src);
}

AbifStatus ImportCsv(ByteSource& src, ABIFDATA* data, AbifImportInfo& info,
                     int targetDeviceType) {
  info.utf8Marked = detail::SkipByteOrderMark(src);
  CsvRecord first;
  if (!CSVReadRecord(src, first)) return src.failed() ? kAbifReadWriteFailed : kAbifCsvBadHeader;
  const tag_ABIF_EWSCVSHEADER header = CSVReadRecordHeader(first);
  if (header.fileKind == "TmrAddress") return ImportPartner(src, data, info);

  info.dataTypeVersion = ToInt(header.dataTypeVersion);
  info.dataFormatVersion = ToInt(header.dataFormatVersion);
  Dialect d;
  d.dataVersion = ToInt(header.dataVersion);
  if (header.dataTypeVersion != "2") {
    if (!CheckCommasCount(header.commaCount)) return kAbifCsvBadHeader;
    if (!CheckDataFormat(header.dataFormatVersion)) return kAbifCsvBadDataFormat;
    if (!CheckDataVersion(header.dataVersion)) return kAbifCsvBadDataVersion;
    if (header.dataFormatVersion == "3") {
      d.layout = header.dataVersion == "5" ? CsvLayout::k35 : CsvLayout::k3;
      d.rules = header.dataVersion == "5" ? CsvRuleSet::kFormat35 : CsvRuleSet::kFormat3;
    } else {
      d.layout = CsvLayout::k5x;
      d.hasEncString = true;
      d.utf8 = header.dataFormatVersion == "6";
      d.rules = d.utf8 ? CsvRuleSet::kFormat6 : CsvRuleSet::kFormat5x;
    }
  } else {
    if (header.commaCount != 4) return kAbifCsvBadHeader;
    if (targetDeviceType == 0) return kAbifCsvBadDataFormat;
    d.miravo = true;
    d.utf8 = true;
    d.hasEncString = true;
    d.subVersion = info.dataFormatVersion;
    d.rules = CsvRuleSet::kMiravo20x;
    d.layout = d.subVersion == 1 ? CsvLayout::k21x : CsvLayout::k20x;
  }

  // A byte-order mark says the text is UTF-8, so it is cut as UTF-8 too.
  d.utf8 = d.utf8 || info.utf8Marked;

  // Without the column-name line (a "*" at the first or fifth character of the first field)
  // the rows cannot be mapped to columns: the headerless layouts of the retired data formats.
  const std::string& kind = header.fileKind;
  if (!((kind.size() > 0 && kind[0] == '*') || (kind.size() > 4 && kind[4] == '*'))) {
    return kAbifCsvBadDataFormat;
  }
  CsvRecord names;
  if (!CSVReadRecord(src, names)) return src.failed() ? kAbifReadWriteFailed : kAbifCsvBadDataFormat;
  bool headerOk;
  if (d.miravo) {
    headerOk = CFieldDataCheckWithFileFormat20x(d.dataVersion).CheckHeaderFormatFor2xx(d.subVersion,
                                                                                     names);
  } else if (d.layout == CsvLayout::k3) {
    headerOk = CFieldDataCheckWithFileFormat3(d.dataVersion).CheckHeaderFormat(names);
  } else if (d.layout == CsvLayout::k35) {
    headerOk = CFieldDataCheckWithFileFormat35(d.dataVersion).CheckHeaderFormat(names);
  } else if (d.rules == CsvRuleSet::kFormat6) {
    headerOk = CFieldDataCheckWithFileFormat6(d.dataVersion).CheckHeaderFormat(names);
  } else {
    headerOk = CFieldDataCheckWithFileFormat5x(d.dataVersion).CheckHeaderFormat(names);
  }
  if (!headerOk) return kAbifCsvBadDataFormat;
  return ImportDeviceRows(src, data, d, names);
}

AbifStatus RunImport(ByteSource& src, ABIFDATA* data, AbifImportInfo& info,
                     int targetDeviceType) {
  try {
    return ImportCsv(src, data, info, targetDeviceType);
  } catch (const std::bad_alloc&) {
    return kAbifReadWriteFailed;
  }
}

}  // namespace

AbifStatus Abif_Import(void* /*reserved*/, const char* path, int kind, ABIFDATA* data,
                       int* dataTypeVersion, int* dataFormatVersion, bool* partnerFormat,
                       int targetDeviceType) {
  if (path == nullptr || *path == '\0') return kAbifBadArgument;
  if (data == nullptr) return kAbifNoContainer;
  if (kind != kAbifImportCsv) return kAbifBadArgument;
  AbifImportInfo info;
  const AbifStatus status = Abif_ImportFile(path, data, &info, targetDeviceType);
  if (dataTypeVersion != nullptr) *dataTypeVersion = info.dataTypeVersion;
  if (dataFormatVersion != nullptr) *dataFormatVersion = info.dataFormatVersion;
  if (partnerFormat != nullptr) *partnerFormat = info.partnerFormat;
  return status;
}

AbifStatus Abif_ImportFile(const char* path, ABIFDATA* data, AbifImportInfo* info,
                           int targetDeviceType) {
  if (path == nullptr || *path == '\0') return kAbifBadArgument;
  if (data == nullptr) return kAbifNoContainer;
  auto src = detail::FileSource::Open(path);
  if (!src) return kAbifBadArgument;
  AbifImportInfo local;
  const AbifStatus status = RunImport(*src, data, local, targetDeviceType);
  if (info != nullptr) *info = local;
  return status;
}

AbifStatus Abif_ImportData(const void* bytes, std::size_t size, ABIFDATA* data,
                           AbifImportInfo* info, int targetDeviceType) {
  if (data == nullptr) return kAbifNoContainer;
  detail::MemorySource src(bytes, size);
  AbifImportInfo local;
  const AbifStatus status = RunImport(src, data, local, targetDeviceType);
  if (info != nullptr) *info = local;
  return status;
}

}  // namespace nx::phonebook
