// The recipient list of a fax job and its real recipient count.
#include "nx/phonebook/fax_pb_recipient_model.h"

#include <algorithm>
// GCC 12 reports uninitialized members inside libstdc++'s regex automaton when sanitizers are
// on; the warning is about the library's code, not this file's.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#include <set>

#include "model_support.h"

namespace nx::phonebook {
namespace {

struct CountPattern {
  const char* pattern;
  int withExpansion;
  int withoutExpansion;
};

// Speed dial texts: "*" stands for any digit. First match wins.
constexpr CountPattern kCountPatterns[] = {
    {"^[0-9]{1,4}$", 1, 1},
    {"^[0]{0,3}[*]{1}$", 9, 9},
    {"^[0]{0,2}[*]{2}$", 99, 99},
    {"^[0]{0,2}[1-4]{1,3}[0-9]{0,2}[*]{1}$", 10, 10},
    {"^[0]{0,1}[1-4]{1,2}[0-9]{0,2}[*]{2}$", 100, 100},
    {"^[0]{0,1}[5]{1}[0]{1}[*]{1}$", 10, 1},
    {"^[0]{0,1}[5]{1}[*]{2}$", 100, 1},
    {"^[0]{0,2}[6-9]{1,3}[0-9]{0,2}[*]{1}$", 10, 10},
    {"^[0]{0,1}[6-9]{1,2}[0-9]{0,2}[*]{2}$", 100, 100},
    {"^[2]{1}[0]{2}[*]{1}$", 1, 1},
    {"^[2]{1}[0]{1}[*]{2}$", 1, 1},
};

const std::vector<std::regex>& CompiledPatterns() {
  static const std::vector<std::regex> compiled = [] {
    std::vector<std::regex> out;
    for (const auto& p : kCountPatterns) out.emplace_back(p.pattern, std::regex::ECMAScript);
    return out;
  }();
  return compiled;
}

bool SameText(const FaxRecord& a, const FaxRecord& b, const char* key) {
  return FaxRecordText(a, key) == FaxRecordText(b, key);
}

}  // namespace

FaxPBRecipientModel::FaxPBRecipientModel(nx::platform::NotificationCenter& center,
                                         nx::platform::ui::Toolkit& toolkit,
                                         const nx::platform::Bundle* bundle, std::string changeName)
    : m_Center(center), m_Toolkit(toolkit), m_Bundle(bundle), m_ChangeName(std::move(changeName)) {}

bool FaxPBRecipientModel::isDuplicated(const FaxRecord& recipient, std::size_t skip) const {
  const bool hasType = recipient.Has("AddressType");
  for (std::size_t i = 0; i < m_Recipients.size(); ++i) {
    if (i == skip) continue;
    const FaxRecord& other = m_Recipients[i];
    if (FaxRecordInteger(other, "RecodeType") != FaxRecordInteger(recipient, "RecodeType") ||
        !SameText(other, recipient, "Name") ||
        !SameText(other, recipient, "Address")) {
      continue;
    }
    if (hasType && other.Has("AddressType") && !SameText(other, recipient, "AddressType")) {
      continue;
    }
    return true;
  }
  return false;
}

bool FaxPBRecipientModel::ConfirmDuplicate(const FaxRecord& recipient) {
  const int answer = detail::ShowPhonebookAlert(
      m_Toolkit, m_Bundle, "Warning_Add_Recipient_to_List_Win_Title_ID",
      "Warning_Duplicated_Recipient_to_List_Win_Content_ID", {"OK Button Ctrl", "Cancel Button Ctrl"},
      {FaxRecordText(recipient, "Name"), FaxRecordText(recipient, "Address")});
  return answer == 0;
}

bool FaxPBRecipientModel::addRecipient(FaxRecord recipient, bool checkRecipientDuplicated,
                                       bool showComfirmInfo) {
  if (checkRecipientDuplicated && isDuplicated(recipient) &&
      (!showComfirmInfo || !ConfirmDuplicate(recipient))) {
    return false;
  }
  m_Recipients.push_back(std::move(recipient));
  postFaxPBRecipientChanged();
  return true;
}

bool FaxPBRecipientModel::replaceRecipientWithIndex(std::size_t index, FaxRecord recipient,
                                                    bool checkRecipientDuplicated) {
  if (index >= m_Recipients.size()) return false;
  if (checkRecipientDuplicated && isDuplicated(recipient, index) && !ConfirmDuplicate(recipient)) {
    return false;
  }
  m_Recipients[index] = std::move(recipient);
  postFaxPBRecipientChanged();
  return true;
}

void FaxPBRecipientModel::removeRecipientAtIndexes(const std::vector<std::size_t>& indexes) {
  const std::set<std::size_t> chosen(indexes.begin(), indexes.end());
  std::vector<FaxRecord> kept;
  kept.reserve(m_Recipients.size());
  for (std::size_t i = 0; i < m_Recipients.size(); ++i) {
    if (chosen.count(i) == 0) kept.push_back(std::move(m_Recipients[i]));
  }
  m_Recipients = std::move(kept);
  postFaxPBRecipientChanged();
}

void FaxPBRecipientModel::removeAllRecipient() {
  m_Recipients.clear();
  postFaxPBRecipientChanged();
}

const FaxRecord* FaxPBRecipientModel::getRecipientAtIndex(std::size_t index) const {
  return index < m_Recipients.size() ? &m_Recipients[index] : nullptr;
}

std::vector<FaxRecord> FaxPBRecipientModel::getRecipientAtIndexes(
    const std::vector<std::size_t>& indexes) const {
  std::vector<FaxRecord> out;
  for (std::size_t index : indexes) {
    if (index < m_Recipients.size()) out.push_back(m_Recipients[index]);
  }
  return out;
}

void FaxPBRecipientModel::postFaxPBRecipientChanged() { m_Center.Post(m_ChangeName, this); }

int FaxPBRecipientModel::realRecipientCount(bool expansionAvailable, std::string_view phoneNumber) {
  // No pattern matches more than 8 characters; longer texts never reach the matcher.
  if (phoneNumber.size() > 8) return 0;
  const std::string text(phoneNumber);
  const auto& compiled = CompiledPatterns();
  for (std::size_t i = 0; i < compiled.size(); ++i) {
    if (std::regex_match(text, compiled[i])) {
      return expansionAvailable ? kCountPatterns[i].withExpansion : kCountPatterns[i].withoutExpansion;
    }
  }
  return 0;
}

long long FaxPBRecipientModel::getRealRecipientCount(bool expansionAvailable) const {
  long long total = 0;
  for (const auto& recipient : m_Recipients) {
    if (FaxRecordInteger(recipient, "RecodeType") == kSpeedDial_Fax_Type) {
      total += realRecipientCount(expansionAvailable, FaxRecordText(recipient, "Address"));
    } else {
      ++total;
    }
  }
  return total;
}

}  // namespace nx::phonebook
