// Imports into the phonebook: device CSV and partner-format CSV address books, GAD address
// books and older GAP phonebooks.
//
// An import only appends to the book in memory. The book is then checked as it would load back
// from the file, and only a book that passes is written; an import that would leave an invalid
// entry is dropped from memory and the file is never touched.
#include <algorithm>
#include <memory>
#include <new>
#include <unordered_map>

#include "model_support.h"
#include "nx/phonebook/abif_csv.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/text_encoding.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

using detail::FieldText;

constexpr char kLimitTitle[] = "Warning_Add_Individual_Group_Win_Title_ID";
constexpr char kIndividualLimitText[] = "Warning_Add_Individual_Exceeding_Maximum_Num_Content_Title_ID";
constexpr char kGroupLimitText[] = "Warning_Add_Group_Exceeding_Maximum_Num_Content_Title_ID";
constexpr char kNotValidTitle[] = "Warning_Specified_File_Not_Valiable_Win_Title_ID";
constexpr char kNotValidText[] = "Warning_Specified_File_Not_Valiable_Win_Content_ID";
constexpr char kOldHeaderText[] = "Warning_Specified_File_Have_Old_Header_Win_Content_ID";
constexpr char kGadDuplicateTitle[] = "Warning_Import_GAD_File_Duplicate_Record_Win_Title_ID";
constexpr char kGadDuplicateText[] = "Warning_Import_GAD_File_Duplicate_Record_Win_Content_ID";

template <std::size_t N>
std::string Text(const char (&field)[N]) {
  return std::string(FieldText(field));
}

// The first `count` characters of UTF-8 text.
std::string FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
    char32_t cp;
    const std::size_t len = detail::DecodeUtf8(text.substr(pos), cp);
    if (len == 0) break;
    pos += len;
  }
  return std::string(text.substr(0, pos));
}

bool IsIPFax(const tag_ABIF_EWSCVS& r) { return FieldText(r.MFADDRT) == kAddressTypeIPFax; }

// The message of a refused CSV file, by the importer's status; empty for a silent end.
const char* CsvStatusMessage(AbifStatus status) {
  switch (status) {
    case kAbifCsvBadValue:
      return "Warning_BAD_FORMAT_CSV";
    case kAbifCsvBadDataFormat:
      return "Warning_INVALID_DATAFORMAT_CSV";
    case kAbifCsvBadDataVersion:
      return "Warning_INVALID_DATAVERSION_CSV";
    case kAbifCsvBadHeader:
      return "Warning_INVALID_DATAHEADER_CSV";
    case kAbifCsvEditedByHand:
      return "Warning_Edit_EWS_CSV";
    default:
      return "";
  }
}

}  // namespace

// ---- CSV value conversions ----------------------------------------------------------------------

std::string FaxPhonebookModel::GetCSVSecureRly(std::string_view secure, std::string_view relay) {
  if (secure == "1") return "1";
  if (relay == "2") return "2";
  return "0";
}

std::vector<std::string> FaxPhonebookModel::GetRlyList(std::string_view list) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < list.size(); i += 2) out.emplace_back(list.substr(i, 2));
  return out;
}

std::string FaxPhonebookModel::GetRlyNum(std::string_view list) {
  return std::to_string(GetRlyList(list).size());
}

std::string FaxPhonebookModel::GetCSVSecure(const tag_ABIF_EWSCVS& r) {
  return IsIPFax(r) ? Text(r.MFIPFAXMBOX) : Text(r.MFMBOX);
}

std::string FaxPhonebookModel::GetCSVRly(const tag_ABIF_EWSCVS& r) {
  return IsIPFax(r) ? Text(r.MFIPFAXRLY) : Text(r.MFRLY);
}

FaxRecord FaxPhonebookModel::FillinData(const tag_ABIF_EWSCVS& r, int dataTypeVersion,
                                        int dataFormatVersion, bool utf8Marked) const {
  FaxRecord e = initFax(NewTimeStamp());
  const bool ip = IsIPFax(r);
  std::string name = Text(r.MFCN);
  if (dataTypeVersion == 2) {
    name = FirstCharacters(name, 18);
  } else if (dataFormatVersion < 6 && !utf8Marked) {
    std::string utf8;
    name = nx::platform::ShiftJisToUtf8(name, utf8) ? utf8 : std::string();
  }
  FaxRecordSetText(e, "Name", std::move(name));
  FaxRecordSetText(e, "AddressType", Text(r.MFADDRT));
  FaxRecordSetText(e, "CommMode", ip ? Text(r.MFIPFAXCMODE) : Text(r.MFCMODE));
  FaxRecordSetText(e, "Address", ip ? Text(r.MFIPFAX) : Text(r.MFFAX));
  if (!ip) FaxRecordSetText(e, "LineType", Text(r.MFLINE));
  const std::string setting = GetCSVSecureRly(GetCSVSecure(r), GetCSVRly(r));
  FaxRecordSetText(e, "SecureorRelay", setting);
  if (setting == "1") {
    FaxRecordSetText(e, "MailBoxId", ip ? Text(r.MFIPFAXMBOXID) : Text(r.MFMBOXID));
    FaxRecordSetText(e, "MailBoxPassword", ip ? Text(r.MFIPFAXMBOXPS) : Text(r.MFMBOXPS));
  }
  if (setting == "2") {
    FaxRecordSetText(e, "Rlyprn", ip ? Text(r.MFIPFAXRLYPRN) : Text(r.MFRLYPRN));
    FaxRecordSetText(e, "RlyID", ip ? Text(r.MFIPFAXRLYID) : Text(r.MFRLYID));
  }
  const std::string relays = ip ? Text(r.MFIPFAXRLYNUM) : Text(r.MFRLYNUM);
  FaxRecordSetText(e, "RlyNum", GetRlyNum(relays));
  FaxRecordSetList(e, "RlyDestList", GetRlyList(relays));
  FaxRecordSetText(e, "FCode", ip ? Text(r.MFIPFAXFCODE) : Text(r.MFFCODE));
  FaxRecordSetText(e, "FCodePassword", ip ? Text(r.MFIPFAXPCODE) : Text(r.MFPCODE));
  return e;
}

FaxRecord FaxPhonebookModel::FillinData(const tag_ABIF_TSABF& r, int /*dataFormatVersion*/) const {
  FaxRecord e = initFax(NewTimeStamp());
  FaxRecordSetText(e, "Name", Text(r.DisplayName));
  FaxRecordSetText(e, "Address", Text(r.FaxNumber));
  FaxRecordSetText(e, "Company", Text(r.Company));
  FaxRecordSetText(e, "Email", Text(r.EmailAddress));
  FaxRecordSetText(e, "AddressType", kAddressTypeFax);
  return e;
}

// ---- CSV import ---------------------------------------------------------------------------------

bool FaxPhonebookModel::importRecorder(const std::string& path, bool isSandbox) {
  PhonebookLock lock;
  if (!beginBookEdit(isSandbox, lock)) return RefuseEdit();
  const std::size_t individuals = m_DFaxAddrs.size();
  const std::size_t groups = m_DFaxGroups.size();
  try {
    return ImportCsv(path, isSandbox);
  } catch (const std::bad_alloc&) {
    // Out of memory part way: the book goes back to what it was; the file was not touched.
    TruncateLists(individuals, groups);
    m_Report.addedIndividuals.clear();
    m_Report.status = kAbifReadWriteFailed;
    return false;
  }
}

bool FaxPhonebookModel::ImportCsv(const std::string& path, bool isSandbox) {
  m_Report = {};
  ABIFDataPtr data(ABIFData_Create());
  if (!data) {
    m_Report.status = kAbifReadWriteFailed;
    return false;
  }
  AbifImportInfo info;
  m_Report.status = Abif_ImportFile(path.c_str(), data.get(), &info, TargetDeviceType);
  const int dataTypeVersion = info.dataTypeVersion;
  const int dataFormatVersion = info.dataFormatVersion;
  const bool partner = info.partnerFormat;
  if (m_Report.status != kAbifSuccess) {
    const std::string message = CsvStatusMessage(m_Report.status);
    if (!message.empty()) showErrorMessage(message);
    return false;
  }
  m_PartnerFormat = partner;

  const std::size_t individuals = m_DFaxAddrs.size();
  const std::size_t groups = m_DFaxGroups.size();
  // Room for every row at once, so the list does not move its entries while it grows.
  const std::size_t rows = static_cast<std::size_t>(
      partner ? ABIFData_GetCount_TSABFCVS(data.get()) : ABIFData_GetCount_EWSCVS(data.get()));
  m_DFaxAddrs.reserve(std::min<std::size_t>(individuals + rows, kFaxPBMaxIndividuals));
  bool warnedRelay = false;
  bool warnedDuplicate = false;
  // One row: false ends the import (the book is full).
  auto take = [&](FaxRecord entry, int left) {
    if (SkipImportDuplicate(entry, warnedDuplicate)) return true;
    if (m_DFaxAddrs.size() >= kFaxPBMaxIndividuals) {
      Warn(kLimitTitle, kIndividualLimitText);
      m_Report.skippedOverLimit = left;
      return false;
    }
    std::string id;
    addFaxRecordsToPBByType(std::move(entry), kFaxPBIndividuals, &id);
    m_Report.addedIndividuals.push_back(std::move(id));
    return true;
  };

  if (partner) {
    auto record = std::make_unique<tag_ABIF_TSABF>();
    for (int i = 0, n = ABIFData_GetCount_TSABFCVS(data.get()); i < n; ++i) {
      if (ABIFData_GetAt_TSABFCVS(data.get(), i, record.get()) != kAbifSuccess) break;
      if (!take(FillinData(*record, dataFormatVersion), n - i)) break;
    }
  } else {
    auto record = std::make_unique<tag_ABIF_EWSCVS>();
    for (int i = 0, n = ABIFData_GetCount_EWSCVS(data.get()); i < n; ++i) {
      if (ABIFData_GetAt_EWSCVS(data.get(), i, record.get()) != kAbifSuccess) break;
      if (TargetDeviceType == 1 &&
          GetCSVSecureRly(GetCSVSecure(*record), GetCSVRly(*record)) == "2") {
        ++m_Report.skippedRelay;
        if (!warnedRelay) {
          warnedRelay = true;
          Warn("Warning_Some_Address_Not_Imported_Win_Title_ID",
               "Warning_Some_Address_Not_Imported_Win_Content_Text_ID");
        }
        continue;
      }
      if (!take(FillinData(*record, dataTypeVersion, dataFormatVersion, info.utf8Marked), n - i)) {
        break;
      }
    }
  }
  data.reset();  // the rows are entries now; their memory serves the save
  if (m_Report.addedIndividuals.empty()) return true;

  bool invalid = false;
  if (CommitBook(CurrentFile(isSandbox), true, &invalid)) {
    m_Report.saved = true;
    return true;
  }
  if (invalid) {
    if (m_Report.warnings.empty()) showErrorMessage("Warning_BAD_FORMAT_CSV");
  } else {
    m_Report.saveFailed = true;
  }
  TruncateLists(individuals, groups);
  m_Report.addedIndividuals.clear();
  return false;
}

// ---- GAD import ---------------------------------------------------------------------------------

bool FaxPhonebookModel::addGADToPhonebook() {
  bool added = false;
  std::unordered_map<std::string, std::string> translated;
  if (m_GADFaxAddrs.size() >= kFaxPBMaxIndividuals) {
    Warn("Warning_Import_GAD_File_Exceeding_Win_Title_ID",
         "Warning_Import_GAD_File_Fax_Exceeding_Win_Content_ID",
         {std::to_string(kFaxPBMaxIndividuals)});
    m_Report.skippedOverLimit += static_cast<int>(m_GADFaxAddrs.size());
  } else {
    bool warnedDuplicate = false;
    for (std::size_t i = 0; i < m_GADFaxAddrs.size(); ++i) {
      const FaxRecord& gad = m_GADFaxAddrs[i];
      if (m_DFaxAddrs.size() >= kFaxPBMaxIndividuals) {
        Warn(kLimitTitle, kIndividualLimitText);
        m_Report.skippedOverLimit += static_cast<int>(m_GADFaxAddrs.size() - i);
        break;
      }
      if (checkDuplicate(gad, kFaxPBIndividuals)) {
        ++m_Report.skippedDuplicates;
        if (!warnedDuplicate) {
          warnedDuplicate = true;
          Warn(kGadDuplicateTitle, kGadDuplicateText);
        }
        continue;
      }
      std::string id;
      addFaxRecordsToPBByType(gad, kFaxPBIndividuals, &id);
      translated.emplace(FaxRecordText(gad, "Id"), id);
      m_Report.addedIndividuals.push_back(std::move(id));
      added = true;
    }
  }
  AddGADGroups(translated);
  return added || !m_Report.addedGroups.empty();
}

void FaxPhonebookModel::AddGADGroups(const std::unordered_map<std::string, std::string>& translated) {
  if (m_GADFaxGroups.size() >= kFaxPBMaxGroups) {
    Warn("Warning_Import_GAD_File_Exceeding_Win_Title_ID",
         "Warning_Import_GAD_File_Group_Exceeding_Win_Content_ID", {std::to_string(kFaxPBMaxGroups)});
    m_Report.skippedOverLimit += static_cast<int>(m_GADFaxGroups.size());
    return;
  }
  bool warnedDuplicate = false;
  for (std::size_t i = 0; i < m_GADFaxGroups.size(); ++i) {
    FaxRecord group = m_GADFaxGroups[i];
    if (m_DFaxGroups.size() >= kFaxPBMaxGroups) {
      Warn(kLimitTitle, kGroupLimitText, {std::to_string(kFaxPBMaxGroups)});
      m_Report.skippedOverLimit += static_cast<int>(m_GADFaxGroups.size() - i);
      return;
    }
    if (checkDuplicate(group, kFaxPBGroups)) {
      ++m_Report.skippedDuplicates;
      if (!warnedDuplicate) {
        warnedDuplicate = true;
        Warn(kGadDuplicateTitle, kGadDuplicateText);
      }
      continue;
    }
    std::vector<std::string> members;
    for (const auto& member : FaxRecordList(group, "EntryList")) {
      const auto it = translated.find(member);
      if (it == translated.end()) {
        ++m_Report.droppedMembers;
      } else {
        members.push_back(it->second);
      }
    }
    FaxRecordSetList(group, "EntryList", members);
    FaxRecordSetText(group, "EntryNum", std::to_string(members.size()));
    std::string id;
    addFaxRecordsToPBByType(std::move(group), kFaxPBGroups, &id);
    m_Report.addedGroups.push_back(std::move(id));
  }
}

// Both imports keep the book as it was when they do not finish: a GAP import renumbers the
// book's own entries too, so the whole lists are kept aside.
bool FaxPhonebookModel::importGADToPhonebook(const std::string& path, bool isSandbox) {
  return GuardedImport(&FaxPhonebookModel::ImportGad, path, isSandbox);
}

bool FaxPhonebookModel::importGAPToPhonebook(const std::string& path, bool isSandbox) {
  return GuardedImport(&FaxPhonebookModel::ImportGap, path, isSandbox);
}

bool FaxPhonebookModel::SkipImportDuplicate(const FaxRecord& entry, bool& warned) {
  if (!checkDuplicate(entry, kFaxPBIndividuals)) return false;
  ++m_Report.skippedDuplicates;
  if (!warned) {
    warned = true;
    const FaxRecord* existing = CheckDuplication(entry);
    showErrorMessage("Warning_Duplicated_PB_Content_ID_CSV",
                     {FaxRecordText(*existing, "Name"), FaxRecordText(*existing, "Address")});
  }
  return true;
}

bool FaxPhonebookModel::RefuseEdit() {
  m_Report = {};
  m_Report.status = m_BookIncomplete ? kAbifLimitReached : m_LastReadStatus;
  m_Report.saveFailed = true;
  return false;
}

bool FaxPhonebookModel::GuardedImport(bool (FaxPhonebookModel::*import)(const std::string&, bool),
                                      const std::string& path, bool isSandbox) {
  PhonebookLock lock;
  if (!beginBookEdit(isSandbox, lock)) return RefuseEdit();
  std::vector<FaxRecord> individuals;
  std::vector<FaxRecord> groups;
  try {
    individuals = m_DFaxAddrs;
    groups = m_DFaxGroups;
    if ((this->*import)(path, isSandbox)) return true;
  } catch (const std::bad_alloc&) {
    m_Report.status = kAbifReadWriteFailed;
  }
  m_DFaxAddrs.swap(individuals);
  m_DFaxGroups.swap(groups);
  RebuildIndexes();
  m_Report.addedIndividuals.clear();
  m_Report.addedGroups.clear();
  return false;
}

bool FaxPhonebookModel::ImportGad(const std::string& path, bool isSandbox) {
  m_Report = {};
  const bool read = readGADFile(path);
  m_Report.status = m_LastReadStatus;
  if (!read || !checkGADIsValidate()) {
    Warn(kNotValidTitle, kNotValidText);
    return false;
  }
  if (!addGADToPhonebook()) return true;
  return CommitImport(isSandbox);
}

// ---- GAP import ---------------------------------------------------------------------------------

// The phonebook window's GAP import adds the file's entries and renumbers the book. The book's
// own entries are renumbered first and the file's entries numbered after them, so that the
// members of both the book's and the file's groups keep naming the same people.
bool FaxPhonebookModel::ImportGap(const std::string& path, bool isSandbox) {
  m_Report = {};
  ABIFDataPtr data = readMyFaxFileFromABIF(path, kFaxPBFileGAP, &m_Report.status);
  if (!data) {
    Warn(kNotValidTitle, m_Report.status == kAbifOldPhonebookKind ? kOldHeaderText : kNotValidText);
    return false;
  }
  updateIDinOrder();

  // Entries of the file, as a book of their own, valid ones only.
  FaxPhonebookModel file(m_Services, m_Bundle);
  file.m_PartnerFormat = m_PartnerFormat;
  file.addMyFaxRecordsFrom(data.get());
  file.checkGAPoFAPIsValidate();
  // Imported entries meet the entry window's rules: a number no fax job could carry stays out.
  auto& fileEntries = file.m_DFaxAddrs;
  const std::size_t loaded = fileEntries.size();
  fileEntries.erase(std::remove_if(fileEntries.begin(), fileEntries.end(),
                                   [](const FaxRecord& e) { return !hasEnterableAddress(e); }),
                    fileEntries.end());
  if (fileEntries.size() != loaded) file.RebuildIndexes();

  std::unordered_map<std::string, std::string> translated;
  const auto& incoming = file.m_DFaxAddrs;
  for (std::size_t i = 0; i < incoming.size(); ++i) {
    const std::string& fileId = FaxRecordText(incoming[i], "Id");
    if (const FaxRecord* existing = CheckDuplication(incoming[i])) {
      ++m_Report.skippedDuplicates;
      translated.emplace(fileId, FaxRecordText(*existing, "Id"));
      continue;
    }
    if (m_DFaxAddrs.size() >= kFaxPBMaxIndividuals) {
      m_Report.skippedOverLimit += static_cast<int>(incoming.size() - i);
      break;
    }
    std::string id;
    addFaxRecordsToPBByType(incoming[i], kFaxPBIndividuals, &id);
    translated.emplace(fileId, id);
    m_Report.addedIndividuals.push_back(std::move(id));
  }
  for (FaxRecord group : file.m_DFaxGroups) {
    if (m_DFaxGroups.size() >= kFaxPBMaxGroups) {
      ++m_Report.skippedOverLimit;
      continue;
    }
    std::vector<std::string> members;
    for (const auto& member : FaxRecordList(group, "EntryList")) {
      const auto it = translated.find(member);
      if (it == translated.end()) {
        ++m_Report.droppedMembers;
      } else {
        members.push_back(it->second);
      }
    }
    FaxRecordSetList(group, "EntryList", members);
    FaxRecordSetText(group, "EntryNum", std::to_string(members.size()));
    // Groups keep their Id unless it is no group Id or one the book already uses.
    const std::string& id = FaxRecordText(group, "Id");
    const bool free = IsFaxGroupId(id) && std::none_of(m_DFaxGroups.begin(), m_DFaxGroups.end(),
                                                        [&](const FaxRecord& g) {
                                                          return FaxRecordText(g, "Id") == id;
                                                        });
    if (free) {
      m_Report.addedGroups.push_back(id);
      addAddrsFromPBByType(std::move(group), kFaxPBGroups);
    } else {
      std::string newId;
      addFaxRecordsToPBByType(std::move(group), kFaxPBGroups, &newId);
      m_Report.addedGroups.push_back(std::move(newId));
    }
  }

  return CommitImport(isSandbox);
}

bool FaxPhonebookModel::CommitImport(bool isSandbox) {
  bool invalid = false;
  if (CommitBook(CurrentFile(isSandbox), true, &invalid)) {
    m_Report.saved = true;
    return true;
  }
  if (invalid) Warn(kNotValidTitle, kNotValidText);
  m_Report.saveFailed = !invalid;
  return false;
}

}  // namespace nx::phonebook
