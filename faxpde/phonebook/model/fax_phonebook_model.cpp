// The phonebook lists and their indexes: ids, duplicate keys and group names are kept in
// indexes beside the lists, so that adding a row during an import costs a few look-ups instead
// of a scan of the whole book.
#include "nx/phonebook/fax_phonebook_model.h"

#include <algorithm>

#include "model_support.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

const std::vector<FaxRecord> kNoRecords;

// The value of an individual's "Id" ("12"), or -1 when it is not a plain number.
long long IndividualNumber(std::string_view id) {
  if (!detail::IsAllDigits(id) || id.size() > 18) return -1;
  return detail::ParseLeadingInt(id);
}

// The number of a group's "Id" ("G12"), or -1 when it is not "G" and a plain number.
long long GroupNumber(std::string_view id) {
  if (id.size() < 2 || (id[0] != 'G' && id[0] != 'g')) return -1;
  return IndividualNumber(id.substr(1));
}

}  // namespace

// ---- Id index ----------------------------------------------------------------------------------

void FaxPhonebookModel::IdIndex::Add(long long id) {
  if (id >= 0) ++counts[id];
}

void FaxPhonebookModel::IdIndex::Remove(long long id) {
  const auto it = counts.find(id);
  if (it == counts.end()) return;
  if (--it->second == 0) {
    counts.erase(it);
    if (id >= 1 && id < gapHint) gapHint = id;
  }
}

// The smallest positive number not in use. Numbers below the hint are all taken, so each call
// only walks past the numbers taken since the last one.
long long FaxPhonebookModel::IdIndex::FirstFree() const {
  while (counts.count(gapHint) != 0) ++gapHint;
  return gapHint;
}

void FaxPhonebookModel::IdIndex::Clear() {
  counts.clear();
  gapHint = 1;
}

// ---- Construction and lists --------------------------------------------------------------------

FaxPhonebookModel::FaxPhonebookModel(const nx::platform::Services& services,
                                     const nx::platform::Bundle* bundle)
    : m_Services(services), m_Bundle(bundle) {}

const std::vector<FaxRecord>& FaxPhonebookModel::getAddrsByType(int addressType) const {
  if (addressType == kFaxPBIndividuals) return m_DFaxAddrs;
  if (addressType == kFaxPBGroups) return m_DFaxGroups;
  return kNoRecords;
}

int FaxPhonebookModel::getFaxCountByType(int addressType) const {
  return static_cast<int>(getAddrsByType(addressType).size());
}

void FaxPhonebookModel::IndexIndividual(const FaxRecord& record, std::size_t position) {
  const std::string& id = FaxRecordText(record, "Id");
  m_IndividualIds.Add(IndividualNumber(id));
  m_IdPosition.emplace(id, position);
  ++m_DuplicateKeys[detail::DuplicateKey(record)];
}

void FaxPhonebookModel::UnindexIndividual(const FaxRecord& record) {
  m_IndividualIds.Remove(IndividualNumber(FaxRecordText(record, "Id")));
  const auto it = m_DuplicateKeys.find(detail::DuplicateKey(record));
  if (it != m_DuplicateKeys.end() && --it->second == 0) m_DuplicateKeys.erase(it);
}

void FaxPhonebookModel::IndexGroup(const FaxRecord& group) {
  m_GroupIds.Add(GroupNumber(FaxRecordText(group, "Id")));
  ++m_GroupNames[FaxRecordText(group, "GroupName")];
}

void FaxPhonebookModel::UnindexGroup(const FaxRecord& group) {
  m_GroupIds.Remove(GroupNumber(FaxRecordText(group, "Id")));
  const auto it = m_GroupNames.find(FaxRecordText(group, "GroupName"));
  if (it != m_GroupNames.end() && --it->second == 0) m_GroupNames.erase(it);
}

void FaxPhonebookModel::RebuildIndexes() {
  m_IndividualIds.Clear();
  m_GroupIds.Clear();
  m_IdPosition.clear();
  m_DuplicateKeys.clear();
  m_GroupNames.clear();
  m_PhoneBookIDs.clear();
  m_PhoneBookIDs.reserve(m_DFaxAddrs.size());
  for (std::size_t i = 0; i < m_DFaxAddrs.size(); ++i) {
    m_PhoneBookIDs.push_back(FaxRecordText(m_DFaxAddrs[i], "Id"));
    IndexIndividual(m_DFaxAddrs[i], i);
  }
  for (const auto& group : m_DFaxGroups) IndexGroup(group);
}

void FaxPhonebookModel::AppendIndividual(FaxRecord record) {
  m_PhoneBookIDs.push_back(FaxRecordText(record, "Id"));
  IndexIndividual(record, m_DFaxAddrs.size());
  m_DFaxAddrs.push_back(std::move(record));
}

void FaxPhonebookModel::AppendGroup(FaxRecord group) {
  IndexGroup(group);
  m_DFaxGroups.push_back(std::move(group));
}

void FaxPhonebookModel::TruncateLists(std::size_t individuals, std::size_t groups) {
  if (m_DFaxAddrs.size() > individuals) m_DFaxAddrs.resize(individuals);
  if (m_DFaxGroups.size() > groups) m_DFaxGroups.resize(groups);
  RebuildIndexes();
}

bool FaxPhonebookModel::CanAdd(const FaxRecord& record, int addressType) const {
  if (addressType == kFaxPBIndividuals) return m_DFaxAddrs.size() < kFaxPBMaxIndividuals;
  if (addressType != kFaxPBGroups || m_DFaxGroups.size() >= kFaxPBMaxGroups) return false;
  return FaxRecordList(record, "EntryList").size() <= kFaxPBMaxGroupMembers;
}

std::string FaxPhonebookModel::newIndividualID() const {
  if (m_IndividualIds.counts.empty()) return "1";
  const long long next = m_IndividualIds.counts.rbegin()->first + 1;
  if (next <= IDMaxValue) return std::to_string(next);
  return std::to_string(m_IndividualIds.FirstFree());
}

std::string FaxPhonebookModel::newGroupID() const {
  std::string id("G");
  id += std::to_string(m_GroupIds.FirstFree());
  return id;
}

bool FaxPhonebookModel::addFaxRecordsToPBByType(FaxRecord record, int addressType,
                                                std::string* newId) {
  if (!CanAdd(record, addressType)) return false;
  std::string id = addressType == kFaxPBIndividuals ? newIndividualID() : newGroupID();
  if (newId != nullptr) *newId = id;
  FaxRecordSetText(record, "Id", std::move(id));
  if (addressType == kFaxPBIndividuals) {
    AppendIndividual(std::move(record));
  } else {
    AppendGroup(std::move(record));
  }
  return true;
}

bool FaxPhonebookModel::addAddrsFromPBByType(FaxRecord record, int addressType) {
  if (!CanAdd(record, addressType)) return false;
  if (addressType == kFaxPBIndividuals) {
    AppendIndividual(std::move(record));
  } else {
    AppendGroup(std::move(record));
  }
  return true;
}

bool FaxPhonebookModel::replaceFaxRecordsFromPBByID(const FaxRecord& given, int addressType) {
  // The record may be one of the entries, which the reload replaces.
  const FaxRecord record = given;
  PhonebookLock lock;
  if (!beginBookEdit(false, lock)) return false;
  const std::string& id = FaxRecordText(record, "Id");
  if (addressType == kFaxPBIndividuals) {
    const auto it = m_IdPosition.find(id);
    if (it == m_IdPosition.end()) return false;
    const std::size_t pos = it->second;
    FaxRecord previous = m_DFaxAddrs[pos];
    UnindexIndividual(previous);
    m_DFaxAddrs[pos] = record;
    IndexIndividual(record, pos);
    if (resaveFaxPhonebookData()) return true;
    UnindexIndividual(record);
    m_DFaxAddrs[pos] = std::move(previous);
    IndexIndividual(m_DFaxAddrs[pos], pos);
    return false;
  }
  if (addressType != kFaxPBGroups) return false;
  if (FaxRecordList(record, "EntryList").size() > kFaxPBMaxGroupMembers) return false;
  const auto it = std::find_if(m_DFaxGroups.begin(), m_DFaxGroups.end(), [&](const FaxRecord& g) {
    return FaxRecordText(g, "Id") == id;
  });
  if (it == m_DFaxGroups.end()) return false;
  FaxRecord previous = *it;
  UnindexGroup(previous);
  *it = record;
  IndexGroup(*it);
  if (resaveFaxPhonebookData()) return true;
  UnindexGroup(*it);
  *it = std::move(previous);
  IndexGroup(*it);
  return false;
}

bool FaxPhonebookModel::delectFaxRecordsFromPB(const std::vector<FaxRecord>& given) {
  // The records may be the entries themselves, which the reload replaces.
  const std::vector<FaxRecord> records = given;
  PhonebookLock lock;
  if (!beginBookEdit(false, lock)) return false;
  std::vector<FaxRecord> savedIndividuals = m_DFaxAddrs;
  std::vector<FaxRecord> savedGroups = m_DFaxGroups;

  // Groups first.
  std::vector<std::string> individualIds;
  for (const auto& record : records) {
    const std::string& id = FaxRecordText(record, "Id");
    if (!IsFaxGroupId(id)) {
      individualIds.push_back(id);
      continue;
    }
    const auto it = std::find_if(m_DFaxGroups.begin(), m_DFaxGroups.end(),
                                 [&](const FaxRecord& g) { return FaxRecordText(g, "Id") == id; });
    if (it != m_DFaxGroups.end()) m_DFaxGroups.erase(it);
  }

  // Then individuals: each given Id removes the first individual with that Id still there, and
  // the first member equal to it in every group.
  std::unordered_map<std::string, int> removals;
  std::vector<bool> remove(m_DFaxAddrs.size(), false);
  for (const auto& id : individualIds) {
    ++removals[id];
    const auto pos = m_IdPosition.find(id);
    std::size_t i = pos == m_IdPosition.end() ? m_DFaxAddrs.size() : pos->second;
    while (i < m_DFaxAddrs.size() && (remove[i] || FaxRecordText(m_DFaxAddrs[i], "Id") != id)) ++i;
    if (i < m_DFaxAddrs.size()) remove[i] = true;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < m_DFaxAddrs.size(); ++i) {
    if (!remove[i]) {
      if (kept != i) m_DFaxAddrs[kept] = std::move(m_DFaxAddrs[i]);
      ++kept;
    }
  }
  m_DFaxAddrs.resize(kept);
  if (!removals.empty()) {
    for (auto& group : m_DFaxGroups) {
      std::vector<std::string> members = FaxRecordList(group, "EntryList");
      auto pending = removals;
      std::vector<std::string> left;
      left.reserve(members.size());
      for (auto& member : members) {
        const auto it = pending.find(member);
        if (it != pending.end() && it->second > 0) {
          --it->second;
        } else {
          left.push_back(std::move(member));
        }
      }
      if (left.size() != members.size()) {
        FaxRecordSetList(group, "EntryList", left);
        FaxRecordSetText(group, "EntryNum", std::to_string(left.size()));
      }
    }
  }
  RebuildIndexes();
  if (resaveFaxPhonebookData()) return true;
  m_DFaxAddrs = std::move(savedIndividuals);
  m_DFaxGroups = std::move(savedGroups);
  RebuildIndexes();
  return false;
}

const FaxRecord* FaxPhonebookModel::getMyFaxRecordByID(std::string_view id) const {
  const auto it = m_IdPosition.find(std::string(id));
  return it == m_IdPosition.end() ? nullptr : &m_DFaxAddrs[it->second];
}

bool FaxPhonebookModel::checkDuplicate(const FaxRecord& record, int recordType) const {
  if (recordType == kFaxPBIndividuals) {
    return m_DuplicateKeys.count(detail::DuplicateKey(record)) != 0;
  }
  if (recordType == kFaxPBGroups) {
    return m_GroupNames.count(FaxRecordText(record, "GroupName")) != 0;
  }
  return false;
}

const FaxRecord* FaxPhonebookModel::CheckDuplication(const FaxRecord& record) const {
  const std::string key = detail::DuplicateKey(record);
  if (m_DuplicateKeys.count(key) == 0) return nullptr;
  for (const auto& entry : m_DFaxAddrs) {
    if (detail::DuplicateKey(entry) == key) return &entry;
  }
  return nullptr;
}

bool FaxPhonebookModel::checkDuplicateID(int count, std::string_view id, int fileType,
                                         int recordType) const {
  const std::vector<FaxRecord>* list = nullptr;
  if (fileType == 1) list = recordType == 0 ? &m_DFaxAddrs : &m_DFaxGroups;
  if (fileType == 0) list = recordType == 0 ? &m_GADFaxAddrs : &m_GADFaxGroups;
  if (list == nullptr || (recordType != 0 && recordType != 1) || count <= 0) return false;
  const std::size_t n = std::min(list->size(), static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < n; ++i) {
    if (FaxRecordText((*list)[i], "Id") == id) return true;
  }
  return false;
}

void FaxPhonebookModel::updateIDinOrder() {
  // Old Id -> new Id, for the first individual with each Id: group members follow their
  // individual, so that renumbering never turns a member into somebody else.
  std::unordered_map<std::string, std::string> renumbered;
  for (std::size_t i = 0; i < m_DFaxAddrs.size(); ++i) {
    std::string id = std::to_string(i + 1);
    renumbered.emplace(FaxRecordText(m_DFaxAddrs[i], "Id"), id);
    FaxRecordSetText(m_DFaxAddrs[i], "Id", std::move(id));
  }
  for (auto& group : m_DFaxGroups) {
    std::vector<std::string> members;
    bool changed = false;
    for (const auto& member : FaxRecordList(group, "EntryList")) {
      const auto it = renumbered.find(member);
      if (it == renumbered.end()) {
        changed = true;
        continue;
      }
      changed = changed || it->second != member;
      members.push_back(it->second);
    }
    if (changed) {
      FaxRecordSetList(group, "EntryList", members);
      FaxRecordSetText(group, "EntryNum", std::to_string(members.size()));
    }
  }
  RebuildIndexes();
}

void FaxPhonebookModel::clearPhonebookData() {
  m_DFaxAddrs.clear();
  m_DFaxGroups.clear();
  RebuildIndexes();
}

// ---- Warnings and notifications ------------------------------------------------------------------

int FaxPhonebookModel::Warn(const std::string& titleKey, const std::string& textKey,
                            const std::vector<std::string>& arguments,
                            const std::vector<std::string>& buttons) {
  m_Report.warnings.push_back({titleKey, textKey, arguments});
  return detail::ShowPhonebookAlert(m_Services.toolkit(), m_Bundle, titleKey, textKey, buttons,
                                    arguments);
}

void FaxPhonebookModel::showErrorMessage(const std::string& textKey,
                                         const std::vector<std::string>& arguments) {
  Warn("Warning_Add_To_Phonebook_Win_Title_ID", textKey, arguments);
}

void FaxPhonebookModel::postFaxPhonebookChanged(std::string_view name) {
  if (name == kFaxPhonebookModelChangedForGAP) {
    writeFaxPhoneBookToFAP();
  } else {
    initialFaxPhoneBook();
  }
  m_Services.notifications().Post(name, this);
}

void FaxPhonebookModel::postFaxPhonebookChangedForSandbox(std::string_view name) {
  if (name == kFaxPhonebookModelChangedForGAP) {
    writeFaxPhoneBookToFAPForSandbox();
  } else {
    initialFaxPhoneBookForSandbox();
  }
  m_Services.notifications().Post(name, this);
}

}  // namespace nx::phonebook
