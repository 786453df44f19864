// Entry dictionaries: storage, accessors and the fresh entries of the phonebook windows.
#include "nx/phonebook/fax_record.h"

#include <algorithm>
#include <array>
#include <ctime>

namespace nx::phonebook {

FaxRecord::FaxRecord(std::vector<Pair> pairs) : pairs_(std::move(pairs)) {
  // Pairs that come in key order without repeats (as the file readers make them) are kept as
  // they are.
  const auto unordered = std::adjacent_find(
      pairs_.begin(), pairs_.end(), [](const Pair& a, const Pair& b) { return !(a.first < b.first); });
  if (unordered == pairs_.end()) return;
  std::stable_sort(pairs_.begin(), pairs_.end(),
                   [](const Pair& a, const Pair& b) { return a.first < b.first; });
  // Of equal keys the last one stays.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < pairs_.size(); ++i) {
    if (kept > 0 && pairs_[kept - 1].first == pairs_[i].first) {
      pairs_[kept - 1] = std::move(pairs_[i]);
    } else {
      if (kept != i) pairs_[kept] = std::move(pairs_[i]);
      ++kept;
    }
  }
  pairs_.resize(kept);
}

namespace {

// Where each key sits in a record holding exactly the keys of an individual (or of a group):
// such records are nearly all of a book, and one comparison at the expected place then finds
// a key without the binary search.
template <std::size_t N>
struct KeyPlaces {
  static constexpr unsigned char kNone = 0xFF;
  static constexpr std::size_t kSlots = 128;
  std::array<std::string_view, N> sorted{};
  // A key's place by a hash of its length and end characters, checked by one comparison.
  std::array<unsigned char, kSlots> slot{};

  static std::size_t Hash(std::string_view key) {
    if (key.empty()) return 0;
    // Distinct for every key of an individual and of a group.
    return (key.size() * 4 + static_cast<unsigned char>(key.front()) * 14 +
            static_cast<unsigned char>(key.back())) % kSlots;
  }

  explicit KeyPlaces(const std::array<const char*, N>& keys) {
    for (std::size_t i = 0; i < N; ++i) sorted[i] = keys[i];
    std::sort(sorted.begin(), sorted.end());
    slot.fill(kNone);
    for (std::size_t i = 0; i < N; ++i) {
      const std::size_t h = Hash(sorted[i]);
      // Keys that share a slot are found by the scan instead.
      slot[h] = slot[h] == kNone ? static_cast<unsigned char>(i) : kNone - 1;
    }
  }
  // The place `key` would have in such a record, or N. A slot's own key is not compared here:
  // the caller compares what the record holds there anyway.
  std::size_t Of(std::string_view key) const {
    const unsigned char hit = slot[Hash(key)];
    if (hit == kNone) return N;
    if (hit < N) return hit;
    for (std::size_t i = 0; i < N; ++i) {
      if (sorted[i] == key) return i;
    }
    return N;
  }
};

const KeyPlaces<kFaxIndividualKeys.size()>& IndividualPlaces() {
  static const KeyPlaces<kFaxIndividualKeys.size()> places(kFaxIndividualKeys);
  return places;
}

const KeyPlaces<kFaxGroupKeys.size()>& GroupPlaces() {
  static const KeyPlaces<kFaxGroupKeys.size()> places(kFaxGroupKeys);
  return places;
}

}  // namespace

std::vector<FaxRecord::Pair>::const_iterator FaxRecord::LowerBound(std::string_view key) const {
  std::size_t place = pairs_.size();
  if (pairs_.size() == kFaxIndividualKeys.size()) {
    place = IndividualPlaces().Of(key);
  } else if (pairs_.size() == kFaxGroupKeys.size()) {
    place = GroupPlaces().Of(key);
  }
  if (place < pairs_.size() && pairs_[place].first == key) {
    return pairs_.begin() + static_cast<std::ptrdiff_t>(place);
  }
  return std::lower_bound(pairs_.begin(), pairs_.end(), key,
                          [](const Pair& pair, std::string_view k) { return pair.first < k; });
}

const FaxRecord::Value* FaxRecord::Find(std::string_view key) const {
  const auto it = LowerBound(key);
  return it != pairs_.end() && it->first == key ? &it->second : nullptr;
}

const std::string* FaxRecord::FindText(std::string_view key) const {
  const Value* value = Find(key);
  return value ? std::get_if<std::string>(value) : nullptr;
}

const FaxRecord::List* FaxRecord::FindList(std::string_view key) const {
  const Value* value = Find(key);
  return value ? std::get_if<List>(value) : nullptr;
}

void FaxRecord::Set(std::string_view key, Value value) {
  const auto at = LowerBound(key);
  const auto index = static_cast<std::size_t>(at - pairs_.begin());
  if (at != pairs_.end() && at->first == key) {
    pairs_[index].second = std::move(value);
  } else {
    pairs_.insert(pairs_.begin() + static_cast<std::ptrdiff_t>(index),
                  Pair(std::string(key), std::move(value)));
  }
}

bool FaxRecord::Erase(std::string_view key) {
  const auto at = LowerBound(key);
  if (at == pairs_.end() || at->first != key) return false;
  pairs_.erase(at);
  return true;
}

const std::string& FaxRecordText(const FaxRecord& record, std::string_view key) {
  static const std::string kEmpty;
  const std::string* text = record.FindText(key);
  return text ? *text : kEmpty;
}

const std::vector<std::string>& FaxRecordList(const FaxRecord& record, std::string_view key) {
  static const std::vector<std::string> kEmpty;
  const auto* list = record.FindList(key);
  return list ? *list : kEmpty;
}

long long FaxRecordInteger(const FaxRecord& record, std::string_view key, long long fallback) {
  const std::string* text = record.FindText(key);
  if (text == nullptr || text->empty() || text->size() > 18) return fallback;
  long long value = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return fallback;
    value = value * 10 + (c - '0');
  }
  return value;
}

void FaxRecordSetText(FaxRecord& record, std::string_view key, std::string value) {
  record.Set(key, std::move(value));
}

void FaxRecordSetList(FaxRecord& record, std::string_view key, std::vector<std::string> items) {
  record.Set(key, std::move(items));
}

std::string FaxTimeStampNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = {};
  if (localtime_r(&now, &local) == nullptr ||
      std::strftime(text, sizeof text, "%Y%m%d%H%M", &local) == 0) {
    return "200101010000";
  }
  return text;
}

FaxRecord initFax(std::string timeStamp) {
  // Copies of one sorted template: a new entry costs one allocation for its pairs.
  static const FaxRecord kTemplate = [] {
    std::vector<FaxRecord::Pair> pairs;
    for (const char* key : kFaxIndividualKeys) pairs.emplace_back(key, std::string());
    pairs.emplace_back("RlyDestList", FaxRecord::List{});
    for (const char* key : {"CommMode", "AddressType", "LineType", "SecureorRelay", "Rlyprn"}) {
      pairs.emplace_back(key, std::string("0"));
    }
    return FaxRecord(std::move(pairs));
  }();
  FaxRecord record = kTemplate;
  record.Set("TimeStamp", std::move(timeStamp));
  return record;
}

FaxRecord initFaxGroup(std::string timeStamp) {
  FaxRecord group;
  group.reserve(kFaxGroupKeys.size());
  for (const char* key : kFaxGroupKeys) group.Set(key, std::string());
  group.Set("EntryList", FaxRecord::List{});
  group.Set("EntryNum", std::string("0"));
  group.Set("TimeStamp", std::move(timeStamp));
  return group;
}

bool IsFaxGroupId(std::string_view id) {
  return id.find('G') != std::string_view::npos || id.find('g') != std::string_view::npos;
}

}  // namespace nx::phonebook
