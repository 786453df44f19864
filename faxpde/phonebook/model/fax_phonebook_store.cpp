// The phonebook's persistence: entries to and from container records, the FAP file named by
// the user's preferences, and the preferences property list itself.
//
// A save never touches the file until the new book is complete: the lists go into a fresh
// container, which the FAP writer puts on disk through a temporary file and a rename. The lists
// then take the entries the container loads back as, so memory holds what the file holds.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "model_support.h"
#include "nx/phonebook/abif_file.h"
#include "nx/phonebook/fax_phonebook_model.h"
#include "nx/platform/property_list.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

using detail::FieldText;
using nx::platform::PropertyValue;

// Stores `text` cut at a character boundary to the field's capacity less one.
template <std::size_t N>
void SetUtf8(char (&field)[N], std::string_view text) {
  detail::SetField(field, detail::Utf8Prefix(text, N - 1));
}

template <std::size_t N>
std::string Text(const char (&field)[N]) {
  return std::string(FieldText(field));
}

// How many slots a count text stands for, within the slots there are.
std::size_t SlotCount(std::string_view count, std::size_t slots) {
  const long long n = detail::ParseLeadingInt(count);
  if (n <= 0) return 0;
  return static_cast<std::size_t>(n) < slots ? static_cast<std::size_t>(n) : slots;
}

FaxRecord EntryFromRecord(const tag_ABIF_MYFAX& r) {
  const std::string type = Text(r.AddressType);
  std::string address;
  if (type == kAddressTypeFax) address = Text(r.Address);
  if (type == kAddressTypeIPFax) address = Text(r.SIPFAXAddress);
  std::vector<std::string> relays;
  const std::size_t n = SlotCount(FieldText(r.RlyNum), kMyFaxRelaySlots);
  relays.reserve(n);
  for (std::size_t i = 0; i < n; ++i) relays.push_back(Text(r.RlyDestList[i]));
  // Built as one vector of pairs in key order, which the record keeps without sorting.
  std::vector<FaxRecord::Pair> pairs(kFaxIndividualKeys.size());
  std::size_t next = 0;
  auto put = [&](const char* key, FaxRecord::Value value) {
    pairs[next].first = key;
    pairs[next].second = std::move(value);
    ++next;
  };
  put("Address", std::move(address));
  put("AddressType", type);
  put("CommMode", Text(r.CommMode));
  put("Company", Text(r.Company));
  put("Email", Text(r.Email));
  put("FCode", Text(r.FCode));
  put("FCodePassword", Text(r.FCodePassword));
  put("Furigana", Text(r.Furigana));
  put("Id", Text(r.Id));
  put("LineType", Text(r.LineType));
  put("MailBoxId", Text(r.MailBoxId));
  put("MailBoxPassword", Text(r.MailBoxPassword));
  put("Memo", Text(r.Memo));
  put("Name", Text(r.Name));
  put("RecodeType", std::string());
  put("RlyDestList", std::move(relays));
  put("RlyID", Text(r.RlyID));
  put("RlyNum", Text(r.RlyNum));
  put("Rlyprn", Text(r.Rlyprn));
  put("SIPFAXAddress", Text(r.SIPFAXAddress));
  put("SecureorRelay", Text(r.SecureorRelay));
  put("Tel", Text(r.Tel));
  put("TimeStamp", Text(r.TimeStamp));
  return FaxRecord(std::move(pairs));
}

FaxRecord GroupFromRecord(const tag_ABIF_MYFAX_GROUP& g) {
  std::vector<std::string> members;
  const std::size_t n = SlotCount(FieldText(g.EntryNum), kMyFaxGroupMemberSlots);
  members.reserve(n);
  for (std::size_t i = 0; i < n; ++i) members.push_back(Text(g.EntryList[i]));
  std::vector<FaxRecord::Pair> pairs;
  pairs.reserve(kFaxGroupKeys.size());
  pairs.emplace_back("EntryList", std::move(members));
  pairs.emplace_back("EntryNum", Text(g.EntryNum));
  pairs.emplace_back("Furigana", Text(g.Furigana));
  pairs.emplace_back("GroupName", Text(g.GroupName));
  pairs.emplace_back("Id", Text(g.Id));
  pairs.emplace_back("TimeStamp", Text(g.TimeStamp));
  return FaxRecord(std::move(pairs));
}

// The entry is a text `expected` under `key`.
bool TextIs(const FaxRecord& e, const char* key, std::string_view expected) {
  const std::string* text = e.FindText(key);
  return text != nullptr && *text == expected;
}

// The entry's list under `key` is exactly the first `count` slots.
template <std::size_t Slots, std::size_t Size>
bool ListIs(const FaxRecord& e, const char* key, const char (&slots)[Slots][Size],
            std::size_t count) {
  const auto* items = e.FindList(key);
  if (items == nullptr || items->size() != count) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if ((*items)[i] != FieldText(slots[i])) return false;
  }
  return true;
}

// What EntryFromRecord would make of `r` equals `e`, checked without building it.
bool LoadsBackAs(const tag_ABIF_MYFAX& r, const FaxRecord& e) {
  if (e.size() != kFaxIndividualKeys.size()) return false;
  const std::string_view type = FieldText(r.AddressType);
  const std::string_view address = type == kAddressTypeFax     ? FieldText(r.Address)
                                   : type == kAddressTypeIPFax ? FieldText(r.SIPFAXAddress)
                                                               : std::string_view();
  return TextIs(e, "Id", FieldText(r.Id)) && TextIs(e, "Name", FieldText(r.Name)) &&
         TextIs(e, "Address", address) && TextIs(e, "Company", FieldText(r.Company)) &&
         TextIs(e, "Memo", FieldText(r.Memo)) && TextIs(e, "CommMode", FieldText(r.CommMode)) &&
         TextIs(e, "TimeStamp", FieldText(r.TimeStamp)) &&
         TextIs(e, "Furigana", FieldText(r.Furigana)) && TextIs(e, "AddressType", type) &&
         TextIs(e, "SIPFAXAddress", FieldText(r.SIPFAXAddress)) &&
         TextIs(e, "Tel", FieldText(r.Tel)) && TextIs(e, "Email", FieldText(r.Email)) &&
         TextIs(e, "LineType", FieldText(r.LineType)) &&
         TextIs(e, "SecureorRelay", FieldText(r.SecureorRelay)) &&
         TextIs(e, "MailBoxId", FieldText(r.MailBoxId)) &&
         TextIs(e, "MailBoxPassword", FieldText(r.MailBoxPassword)) &&
         TextIs(e, "Rlyprn", FieldText(r.Rlyprn)) && TextIs(e, "RlyID", FieldText(r.RlyID)) &&
         TextIs(e, "RlyNum", FieldText(r.RlyNum)) &&
         ListIs(e, "RlyDestList", r.RlyDestList, SlotCount(FieldText(r.RlyNum), kMyFaxRelaySlots)) &&
         TextIs(e, "FCode", FieldText(r.FCode)) &&
         TextIs(e, "FCodePassword", FieldText(r.FCodePassword)) && TextIs(e, "RecodeType", {});
}

bool LoadsBackAs(const tag_ABIF_MYFAX_GROUP& g, const FaxRecord& e) {
  return e.size() == kFaxGroupKeys.size() && TextIs(e, "Id", FieldText(g.Id)) &&
         TextIs(e, "GroupName", FieldText(g.GroupName)) &&
         TextIs(e, "TimeStamp", FieldText(g.TimeStamp)) &&
         TextIs(e, "EntryNum", FieldText(g.EntryNum)) &&
         ListIs(e, "EntryList", g.EntryList, SlotCount(FieldText(g.EntryNum), kMyFaxGroupMemberSlots)) &&
         TextIs(e, "Furigana", FieldText(g.Furigana));
}

std::string Utf8FromUnits(const UniChar* units, std::size_t capacity) {
  const std::size_t n = UniCharLength(units, capacity);
  const std::u16string text(units, units + n);
  return UTF8FromUniChar(text, n * 3 + 1);
}

// A GAD time (seconds since 1970) as the phonebook's time stamp; a time without a four-digit
// local year (a damaged file) takes the current time instead.
std::string GadTimeStamp(std::int64_t seconds, const std::string& now) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32] = {};
  if (localtime_r(&t, &local) == nullptr || local.tm_year + 1900 < 1000 ||
      local.tm_year + 1900 > 9999 || std::strftime(text, sizeof text, "%Y%m%d%H%M", &local) != 12) {
    return now;
  }
  return text;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

// ---- Records ------------------------------------------------------------------------------------

static void FillMyFaxRecord(const FaxRecord& e, tag_ABIF_MYFAX& out) {
  tag_ABIF_MYFAX* r = &out;
  std::memset(r, 0, sizeof *r);
  const std::string& type = FaxRecordText(e, "AddressType");
  SetUtf8(r->Id, FaxRecordText(e, "Id"));
  SetUtf8(r->Name, FaxRecordText(e, "Name"));
  SetUtf8(r->Company, FaxRecordText(e, "Company"));
  SetUtf8(r->Memo, FaxRecordText(e, "Memo"));
  SetUtf8(r->CommMode, FaxRecordText(e, "CommMode"));
  SetUtf8(r->TimeStamp, FaxRecordText(e, "TimeStamp"));
  SetUtf8(r->Furigana, FaxRecordText(e, "Furigana"));
  SetUtf8(r->AddressType, type);
  SetUtf8(r->SIPFAXAddress, FaxRecordText(e, "SIPFAXAddress"));
  if (type == kAddressTypeFax) SetUtf8(r->Address, FaxRecordText(e, "Address"));
  if (type == kAddressTypeIPFax) SetUtf8(r->SIPFAXAddress, FaxRecordText(e, "Address"));
  SetUtf8(r->Tel, FaxRecordText(e, "Tel"));
  SetUtf8(r->Email, FaxRecordText(e, "Email"));
  SetUtf8(r->LineType, FaxRecordText(e, "LineType"));
  SetUtf8(r->SecureorRelay, FaxRecordText(e, "SecureorRelay"));
  SetUtf8(r->MailBoxId, FaxRecordText(e, "MailBoxId"));
  SetUtf8(r->MailBoxPassword, FaxRecordText(e, "MailBoxPassword"));
  SetUtf8(r->Rlyprn, FaxRecordText(e, "Rlyprn"));
  SetUtf8(r->RlyID, FaxRecordText(e, "RlyID"));
  SetUtf8(r->RlyNum, FaxRecordText(e, "RlyNum"));
  const auto& relays = FaxRecordList(e, "RlyDestList");
  for (std::size_t i = 0; i < relays.size() && i < kMyFaxRelaySlots; ++i) {
    SetUtf8(r->RlyDestList[i], relays[i]);
  }
  SetUtf8(r->FCode, FaxRecordText(e, "FCode"));
  SetUtf8(r->FCodePassword, FaxRecordText(e, "FCodePassword"));
}

static void FillMyFaxGroupRecord(const FaxRecord& e, tag_ABIF_MYFAX_GROUP& out) {
  tag_ABIF_MYFAX_GROUP* g = &out;
  std::memset(g, 0, sizeof *g);
  SetUtf8(g->Id, FaxRecordText(e, "Id"));
  SetUtf8(g->GroupName, FaxRecordText(e, "GroupName"));
  SetUtf8(g->TimeStamp, FaxRecordText(e, "TimeStamp"));
  SetUtf8(g->EntryNum, FaxRecordText(e, "EntryNum"));
  const auto& members = FaxRecordList(e, "EntryList");
  for (std::size_t i = 0; i < members.size() && i < kMyFaxGroupMemberSlots; ++i) {
    SetUtf8(g->EntryList[i], members[i]);
  }
  SetUtf8(g->Furigana, FaxRecordText(e, "Furigana"));
}

AbifStatus FaxPhonebookModel::writeToABIF_MYFAX(ABIFDATA* data, const FaxRecord& e) {
  if (data == nullptr) return kAbifNoContainer;
  auto r = std::make_unique<tag_ABIF_MYFAX>();
  FillMyFaxRecord(e, *r);
  return ABIFData_Add_MyFax(data, 1, r.get());
}

AbifStatus FaxPhonebookModel::writeToABIF_MYFAX_GROUP(ABIFDATA* data, const FaxRecord& e) {
  if (data == nullptr) return kAbifNoContainer;
  auto g = std::make_unique<tag_ABIF_MYFAX_GROUP>();
  FillMyFaxGroupRecord(e, *g);
  return ABIFData_Add_MyFaxGroup(data, 1, g.get());
}

AbifStatus FaxPhonebookModel::writeMyFaxRecordsTo(ABIFDATA* data) const {
  if (data == nullptr) return kAbifNoContainer;
  for (const auto& entry : m_DFaxAddrs) {
    const AbifStatus status = writeToABIF_MYFAX(data, entry);
    if (status != kAbifSuccess) return status;
  }
  for (const auto& group : m_DFaxGroups) {
    const AbifStatus status = writeToABIF_MYFAX_GROUP(data, group);
    if (status != kAbifSuccess) return status;
  }
  return kAbifSuccess;
}

void FaxPhonebookModel::addMyFaxRecordsFrom(const ABIFDATA* data) {
  auto individual = std::make_unique<tag_ABIF_MYFAX>();
  for (int i = 0, n = ABIFData_GetCount_MyFax(data); i < n; ++i) {
    if (ABIFData_GetAt_MyFax(data, i, individual.get()) != kAbifSuccess) break;
    FaxRecord entry = EntryFromRecord(*individual);
    if (checkDuplicate(entry, kFaxPBIndividuals)) continue;
    addAddrsFromPBByType(std::move(entry), kFaxPBIndividuals);
  }
  auto group = std::make_unique<tag_ABIF_MYFAX_GROUP>();
  for (int i = 0, n = ABIFData_GetCount_MyFaxGroup(data); i < n; ++i) {
    if (ABIFData_GetAt_MyFaxGroup(data, i, group.get()) != kAbifSuccess) break;
    FaxRecord entry = GroupFromRecord(*group);
    // A damaged file may name more members than a group holds; the validation removes it.
    if (m_DFaxGroups.size() < kFaxPBMaxGroups) AppendGroup(std::move(entry));
  }
}

void FaxPhonebookModel::addGADFaxRecordsFrom(const ABIFDATA* data) {
  m_GADFaxAddrs.clear();
  m_GADFaxGroups.clear();
  const std::string now = NewTimeStamp();
  auto individual = std::make_unique<tag_ABIF_GAD>();
  for (int i = 0, n = ABIFData_GetCount_GADFax(data); i < n; ++i) {
    if (ABIFData_GetAt_GADFax(data, i, individual.get()) != kAbifSuccess) break;
    const tag_ABIF_GAD& r = *individual;
    FaxRecord e = initFax(GadTimeStamp(r.Time, now));
    FaxRecordSetText(e, "Id", std::to_string(r.Id));
    FaxRecordSetText(e, "Name", Utf8FromUnits(r.Name, std::size(r.Name)));
    FaxRecordSetText(e, "Address", Utf8FromUnits(r.FaxNumber, std::size(r.FaxNumber)));
    FaxRecordSetText(e, "Company", Utf8FromUnits(r.Company, std::size(r.Company)));
    FaxRecordSetText(e, "Memo", Utf8FromUnits(r.Memo, std::size(r.Memo)));
    FaxRecordSetText(e, "CommMode", std::to_string(r.CommMode));
    FaxRecordSetText(e, "Furigana", Utf8FromUnits(r.Furigana, std::size(r.Furigana)));
    FaxRecordSetText(e, "AddressType", kAddressTypeFax);
    m_GADFaxAddrs.push_back(std::move(e));
  }
  auto group = std::make_unique<tag_ABIF_GAD_GROUP>();
  for (int i = 0, n = ABIFData_GetCount_GADFaxGroup(data); i < n; ++i) {
    if (ABIFData_GetAt_GADFaxGroup(data, i, group.get()) != kAbifSuccess) break;
    const tag_ABIF_GAD_GROUP& g = *group;
    FaxRecord e = initFaxGroup(GadTimeStamp(g.Time, now));
    FaxRecordSetText(e, "Id", std::to_string(g.Id));
    FaxRecordSetText(e, "GroupName", Utf8FromUnits(g.GroupName, std::size(g.GroupName)));
    FaxRecordSetText(e, "EntryNum", std::to_string(g.EntryNum));
    std::vector<std::string> members;
    const std::size_t taken = g.EntryNum < kGadGroupMemberSlots ? g.EntryNum : kGadGroupMemberSlots;
    for (std::size_t k = 0; k < taken; ++k) members.push_back(std::to_string(g.EntryList[k]));
    FaxRecordSetList(e, "EntryList", members);
    m_GADFaxGroups.push_back(std::move(e));
  }
}

// ---- Files --------------------------------------------------------------------------------------

ABIFDataPtr FaxPhonebookModel::readMyFaxFileFromABIF(const std::string& path, int fileType,
                                                     AbifStatus* errcode) const {
  ABIFDataPtr data(ABIFData_Create());
  AbifStatus status = kAbifReadWriteFailed;
  if (data) {
    switch (fileType) {
      case kFaxPBFileFAP:
        status = AbifFAPFile_Read(path.c_str(), data.get());
        break;
      case kFaxPBFileGAP:
        status = AbifGAPFile_Read(path.c_str(), data.get());
        break;
      case kFaxPBFileGAD:
        status = AbifGADFile_Read(path.c_str(), data.get());
        break;
      default:
        status = kAbifBadArgument;
    }
  }
  if (errcode != nullptr) *errcode = status;
  if (status != kAbifSuccess && status != kAbifLimitReached) data.reset();
  return data;
}

void FaxPhonebookModel::NoteFresh(const std::string& path, std::uint64_t hold) {
  m_FreshPath = path;
  m_FreshHold = hold;
}

void FaxPhonebookModel::adoptBookRecords(const ABIFDATA* data, AbifStatus readStatus) {
  clearPhonebookData();
  addMyFaxRecordsFrom(data);
  m_BookIncomplete = readStatus == kAbifLimitReached;
  m_LastReadStatus = readStatus;
  NoteFresh({}, 0);
}

bool FaxPhonebookModel::ReadBook(const std::string& path, int fileType) {
  ABIFDataPtr data = readMyFaxFileFromABIF(path, fileType, &m_LastReadStatus);
  if (!data) return false;
  std::vector<FaxRecord> individuals;
  std::vector<FaxRecord> groups;
  individuals.swap(m_DFaxAddrs);
  groups.swap(m_DFaxGroups);
  try {
    RebuildIndexes();
    addMyFaxRecordsFrom(data.get());
    checkGAPoFAPIsValidate();
    m_LastReadLeftOut = ABIFData_GetCount_MyFax(data.get()) +
                        ABIFData_GetCount_MyFaxGroup(data.get()) -
                        static_cast<int>(m_DFaxAddrs.size() + m_DFaxGroups.size());
    m_BookIncomplete = m_LastReadStatus == kAbifLimitReached;
    NoteFresh(path, PhonebookLock::CurrentHold(path));
    return true;
  } catch (const std::bad_alloc&) {
    m_DFaxAddrs.swap(individuals);
    m_DFaxGroups.swap(groups);
    RebuildIndexes();
    m_LastReadStatus = kAbifReadWriteFailed;
    return false;
  }
}

bool FaxPhonebookModel::readMyFaxFile(const std::string& path) {
  return ReadBook(path, kFaxPBFileFAP);
}

bool FaxPhonebookModel::readMyFaxFileForGAP(const std::string& path) {
  return ReadBook(path, kFaxPBFileGAP);
}

bool FaxPhonebookModel::readGADFile(const std::string& path) {
  ABIFDataPtr data = readMyFaxFileFromABIF(path, kFaxPBFileGAD, &m_LastReadStatus);
  if (!data) return false;
  addGADFaxRecordsFrom(data.get());
  return true;
}

bool FaxPhonebookModel::beginBookEdit(bool isSandbox, PhonebookLock& lock) {
  const std::string path = CurrentFile(isSandbox);
  lock = PhonebookLock::Acquire(path);
  if (!lock.held()) return false;
  if (m_FreshHold != lock.hold() || m_FreshPath != path) {
    // A book that is not there yet has nothing to reload: the lists are what will be saved.
    if (FileExists(path) && !ReadBook(path, kFaxPBFileFAP)) {
      std::fprintf(stderr, "##Plugin debug## phonebook %s does not read (status 0x%08X)\n",
                   path.c_str(), m_LastReadStatus);
      return false;
    }
  }
  return !m_BookIncomplete;
}

bool FaxPhonebookModel::CommitBook(const std::string& path, bool validate, bool* invalid) {
  if (invalid != nullptr) *invalid = false;
  if (m_BookIncomplete) {
    std::fprintf(stderr, "##Plugin debug## phonebook not saved: it was read without some of its "
                         "entries\n");
    return false;
  }
  // Saves of the lists alone still wait for a read-modify-write of another program to end.
  const PhonebookLock lock = PhonebookLock::Acquire(path);
  if (!lock.held()) return false;
  // Both forms keep the lists as they were when memory runs out on the way.
  try {
    // Repeated individuals load back once: only a book without them can be kept in place.
    bool saved;
    if (m_DuplicateKeys.size() == m_DFaxAddrs.size()) {
      if (const auto done = CommitInPlace(path, validate, invalid)) {
        saved = *done;
      } else {
        saved = CommitByReload(path, validate, invalid);
      }
    } else {
      saved = CommitByReload(path, validate, invalid);
    }
    if (saved) NoteFresh(path, lock.hold());
    return saved;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "##Plugin debug## phonebook not saved: out of memory\n");
    return false;
  }
}

// Each entry goes into its record; an entry that would not load back from it unchanged (a value
// cut to its field, an address its type does not keep) is replaced by what loads back. The
// originals of the replaced entries are kept until the file is written.
std::optional<bool> FaxPhonebookModel::CommitInPlace(const std::string& path, bool validate,
                                                     bool* invalid) {
  ABIFDataPtr data(ABIFData_Create());
  if (!data) return false;
  std::vector<std::pair<std::size_t, FaxRecord>> changedIndividuals;
  std::vector<std::pair<std::size_t, FaxRecord>> changedGroups;
  // Only a change of what the indexes hold (ids, names, addresses) calls for rebuilding them.
  bool reindex = false;
  auto restore = [&] {
    for (auto& [i, original] : changedIndividuals) m_DFaxAddrs[i] = std::move(original);
    for (auto& [i, original] : changedGroups) m_DFaxGroups[i] = std::move(original);
    if (reindex) RebuildIndexes();
  };
  try {
    auto individual = std::make_unique<tag_ABIF_MYFAX>();
    for (std::size_t i = 0; i < m_DFaxAddrs.size(); ++i) {
      FillMyFaxRecord(m_DFaxAddrs[i], *individual);
      if (ABIFData_Add_MyFax(data.get(), 1, individual.get()) != kAbifSuccess) {
        restore();
        return false;
      }
      if (!LoadsBackAs(*individual, m_DFaxAddrs[i])) {
        FaxRecord loaded = EntryFromRecord(*individual);
        reindex = reindex || detail::DuplicateKey(loaded) != detail::DuplicateKey(m_DFaxAddrs[i]) ||
                  FaxRecordText(loaded, "Id") != FaxRecordText(m_DFaxAddrs[i], "Id");
        changedIndividuals.emplace_back(i, std::move(m_DFaxAddrs[i]));
        m_DFaxAddrs[i] = std::move(loaded);
      }
    }
    auto group = std::make_unique<tag_ABIF_MYFAX_GROUP>();
    for (std::size_t i = 0; i < m_DFaxGroups.size(); ++i) {
      FillMyFaxGroupRecord(m_DFaxGroups[i], *group);
      if (ABIFData_Add_MyFaxGroup(data.get(), 1, group.get()) != kAbifSuccess) {
        restore();
        return false;
      }
      if (!LoadsBackAs(*group, m_DFaxGroups[i])) {
        FaxRecord loaded = GroupFromRecord(*group);
        reindex = reindex || FaxRecordText(loaded, "Id") != FaxRecordText(m_DFaxGroups[i], "Id") ||
                  FaxRecordText(loaded, "GroupName") != FaxRecordText(m_DFaxGroups[i], "GroupName");
        changedGroups.emplace_back(i, std::move(m_DFaxGroups[i]));
        m_DFaxGroups[i] = std::move(loaded);
      }
    }
    if (reindex) {
      RebuildIndexes();
      // Entries that became equal when cut to their fields: the reload drops the repeats.
      if (m_DuplicateKeys.size() != m_DFaxAddrs.size()) {
        restore();
        return std::nullopt;
      }
    }
    bool ok = true;
    if (validate) {
      ok = std::all_of(m_DFaxAddrs.begin(), m_DFaxAddrs.end(),
                       [&](const FaxRecord& e) { return isValidIndividual(e); }) &&
           std::all_of(m_DFaxGroups.begin(), m_DFaxGroups.end(),
                       [&](const FaxRecord& g) { return isValidGroup(g); });
      if (!ok && invalid != nullptr) *invalid = true;
    }
    ok = ok && !path.empty() && AbifFAPFile_Write(path.c_str(), data.get()) == kAbifSuccess;
    if (!ok) restore();
    return ok;
  } catch (const std::bad_alloc&) {
    restore();
    throw;
  }
}

// The general form: the lists are replaced by the entries the container loads back as.
bool FaxPhonebookModel::CommitByReload(const std::string& path, bool validate, bool* invalid) {
  ABIFDataPtr data(ABIFData_Create());
  if (!data || writeMyFaxRecordsTo(data.get()) != kAbifSuccess) return false;

  std::vector<FaxRecord> individuals;
  std::vector<FaxRecord> groups;
  individuals.swap(m_DFaxAddrs);
  groups.swap(m_DFaxGroups);
  RebuildIndexes();
  addMyFaxRecordsFrom(data.get());
  bool ok = true;
  if (validate) {
    for (const auto& entry : m_DFaxAddrs) ok = ok && isValidIndividual(entry);
    for (const auto& group : m_DFaxGroups) ok = ok && isValidGroup(group);
    if (!ok && invalid != nullptr) *invalid = true;
  }
  ok = ok && !path.empty() && AbifFAPFile_Write(path.c_str(), data.get()) == kAbifSuccess;
  if (!ok) {
    m_DFaxAddrs.swap(individuals);
    m_DFaxGroups.swap(groups);
    RebuildIndexes();
  }
  return ok;
}

bool FaxPhonebookModel::WriteTo(const std::string& path) const {
  if (m_BookIncomplete) return false;
  const PhonebookLock lock = PhonebookLock::Acquire(path);
  ABIFDataPtr data(ABIFData_Create());
  return data && lock.held() && writeMyFaxRecordsTo(data.get()) == kAbifSuccess &&
         AbifFAPFile_Write(path.c_str(), data.get()) == kAbifSuccess;
}

std::string FaxPhonebookModel::CurrentFile(bool sandbox) {
  if (sandbox) return getMyFaxFileNameForSandbox();
  if (m_FixedPath) return *m_FixedPath;
  return getMyFaxFileNameFromConfig();
}

bool FaxPhonebookModel::saveMyFaxData() { return CommitBook(CurrentFile(false), false, nullptr); }

bool FaxPhonebookModel::saveMyFaxDataForSandbox() {
  return CommitBook(CurrentFile(true), false, nullptr);
}

// The file is replaced atomically by the save itself; deleting it first would lose the whole
// book whenever the save then failed.
bool FaxPhonebookModel::resaveFaxPhonebookData() { return saveMyFaxData(); }

bool FaxPhonebookModel::resaveFaxPhonebookDataForSandbox() { return saveMyFaxDataForSandbox(); }

bool FaxPhonebookModel::addFaxRecordAndSave(FaxRecord record, int addressType, std::string* newId,
                                            bool isSandbox, bool* saveFailed) {
  if (saveFailed != nullptr) *saveFailed = false;
  PhonebookLock lock;
  if (!beginBookEdit(isSandbox, lock)) {
    if (saveFailed != nullptr) *saveFailed = true;
    return false;
  }
  const std::size_t individuals = m_DFaxAddrs.size();
  const std::size_t groups = m_DFaxGroups.size();
  if (!addFaxRecordsToPBByType(std::move(record), addressType, newId)) return false;
  if (CommitBook(CurrentFile(isSandbox), false, nullptr)) return true;
  TruncateLists(individuals, groups);
  if (saveFailed != nullptr) *saveFailed = true;
  return false;
}

bool FaxPhonebookModel::writeFaxPhoneBookToFAP() { return WriteTo(CurrentFile(false)); }

bool FaxPhonebookModel::writeFaxPhoneBookToFAPForSandbox() { return WriteTo(CurrentFile(true)); }

bool FaxPhonebookModel::createEmptyFaxPhoneBook(const std::string& path) {
  const PhonebookLock lock = PhonebookLock::Acquire(path);
  ABIFDataPtr data(ABIFData_Create());
  return data && lock.held() && AbifFAPFile_Write(path.c_str(), data.get()) == kAbifSuccess;
}

bool FaxPhonebookModel::InitialFrom(bool sandbox) {
  if (!sandbox && m_FixedPath) return readMyFaxFile(*m_FixedPath);
  const std::string configured = CurrentFile(sandbox);
  if (readMyFaxFile(configured)) return true;
  const std::string fallback = getMyFaxFileNameForSandbox();
  if (!sandbox && configured != fallback) {
    setMyFaxFileNameToPreferenceFile(fallback);
    if (readMyFaxFile(fallback)) return true;
  }
  // A default book that exists but does not read is kept for the user to recover; only a
  // missing one is created.
  if (FileExists(fallback)) {
    std::fprintf(stderr, "##Plugin debug## phonebook %s does not read (status 0x%08X)\n",
                 fallback.c_str(), m_LastReadStatus);
    return false;
  }
  return CommitBook(fallback, false, nullptr);
}

bool FaxPhonebookModel::initialFaxPhoneBook() { return InitialFrom(false); }

bool FaxPhonebookModel::initialFaxPhoneBookForSandbox() { return InitialFrom(true); }

// ---- Locations ----------------------------------------------------------------------------------

std::string FaxPhonebookModel::getMyFaxFileDirectory() {
  const auto& folders = m_Services.folders();
  const std::string dir = folders.PhonebookDir();
  if (dir.empty()) return {};
  if (!folders.CreateDirectories(dir)) {
    std::fprintf(stderr, "##Plugin debug## phonebook folder %s cannot be created\n", dir.c_str());
  }
  // Members of the user's group share the maker's folder, as the phonebook files' folder does.
  const std::string maker = folders.ApplicationSupportDir() + "/NORVALEX";
  ::chmod(maker.c_str(), 0775);
  return dir;
}

std::string FaxPhonebookModel::getMyFaxFileNameForSandbox() {
  return getMyFaxFileDirectory() + "/" + kDefaultPhonebookFile;
}

std::string FaxPhonebookModel::getFaxPBPreferencesFileDirectory() const {
  return m_Services.folders().PreferencesDir();
}

std::string FaxPhonebookModel::getMyFaxFileNameFromConfig() {
  const std::string plist = getFaxPBPreferencesFileDirectory() + "/" + kFaxPBPreferencesFileName;
  if (FileExists(plist)) {
    if (const auto root = nx::platform::ReadPropertyListFile(plist)) {
      if (const auto* dict = root->AsDictionary()) {
        const auto it = dict->find(kFaxPBCurrentPathKey);
        if (it != dict->end() && it->second.AsString() && !it->second.AsString()->empty()) {
          return *it->second.AsString();
        }
      }
    }
    // A preferences file without a usable path keeps what it holds; the default is used.
    return getMyFaxFileNameForSandbox();
  }
  const std::string fallback = getMyFaxFileNameForSandbox();
  PropertyValue::Dictionary dict;
  dict[kFaxPBCurrentPathKey] = PropertyValue(fallback);
  if (!nx::platform::WritePropertyListFile(plist, PropertyValue(std::move(dict)))) {
    std::fprintf(stderr, "##Plugin debug## %s cannot be written\n", plist.c_str());
  }
  return fallback;
}

bool FaxPhonebookModel::setMyFaxFileNameToPreferenceFile(const std::string& path) {
  if (m_FixedPath) {
    m_FixedPath = path;
    return true;
  }
  const std::string plist = getFaxPBPreferencesFileDirectory() + "/" + kFaxPBPreferencesFileName;
  if (!FileExists(plist)) return false;
  PropertyValue::Dictionary dict;
  dict[kFaxPBCurrentPathKey] = PropertyValue(path);
  return nx::platform::WritePropertyListFile(plist, PropertyValue(std::move(dict)));
}

}  // namespace nx::phonebook
