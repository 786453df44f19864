// The address book container: per-kind record lists with their limits.
//
// Records are fixed-size structures of a few kilobytes that are mostly NUL padding (a full book
// of individuals is 27 MB as records, under 1 MB as text). Each list therefore keeps its records
// packed: every record as alternating runs of non-zero bytes and of zero bytes. Packing and
// unpacking are exact, so a record comes back byte for byte as it went in, and a list costs
// memory in proportion to its text rather than to its capacity.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "nx/phonebook/abif_data.h"

namespace nx::phonebook {
namespace {

// Run lengths are stored as two little-endian bytes. The record size also bounds the packing
// buffer on the stack.
constexpr std::size_t kMaxRecordSize = 4096;

void PutLength(unsigned char* out, std::size_t n) {
  out[0] = static_cast<unsigned char>(n & 0xFF);
  out[1] = static_cast<unsigned char>(n >> 8);
}

std::size_t GetLength(const unsigned char* p) {
  return p[0] | (static_cast<std::size_t>(p[1]) << 8);
}

// Bytes of p[0..n) before the first non-zero one, a word at a time.
std::size_t ZeroRun(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  for (; i + sizeof(std::uint64_t) <= n; i += sizeof(std::uint64_t)) {
    std::uint64_t word;
    std::memcpy(&word, p + i, sizeof word);
    if (word != 0) break;
  }
  while (i < n && p[i] == 0) ++i;
  return i;
}

template <typename Record>
class PackedList {
  static_assert(std::is_trivially_copyable_v<Record> && sizeof(Record) <= kMaxRecordSize);

 public:
  std::size_t size() const { return places_.size(); }

  // Strong guarantee: a failed allocation leaves the list as it was.
  void Append(const Record& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    // At worst every other byte is zero: four length bytes for every two record bytes.
    unsigned char packed[3 * sizeof(Record) + 4];
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < sizeof(Record)) {
      const void* zero = std::memchr(bytes + pos, 0, sizeof(Record) - pos);
      const std::size_t text =
          zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - (bytes + pos))
               : sizeof(Record) - pos;
      PutLength(packed + used, text);
      std::memcpy(packed + used + 2, bytes + pos, text);
      used += 2 + text;
      pos += text;
      const std::size_t zeros = ZeroRun(bytes + pos, sizeof(Record) - pos);
      PutLength(packed + used, zeros);
      used += 2;
      pos += zeros;
    }
    places_.reserve(places_.size() + 1);
    if (blocks_.empty() || kBlockSize - tail_ < used) {
      blocks_.reserve(blocks_.size() + 1);
      blocks_.push_back(std::make_unique<unsigned char[]>(kBlockSize));
      tail_ = 0;
    }
    std::memcpy(blocks_.back().get() + tail_, packed, used);
    places_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1),
                       static_cast<std::uint32_t>(tail_)});
    tail_ += used;
  }

  void Get(std::size_t index, Record& out) const {
    auto* dst = reinterpret_cast<unsigned char*>(&out);
    std::memset(dst, 0, sizeof(Record));
    const Place place = places_[index];
    const unsigned char* p = blocks_[place.block].get() + place.offset;
    std::size_t pos = 0;
    while (pos < sizeof(Record)) {
      const std::size_t text = GetLength(p);
      p += 2;
      std::memcpy(dst + pos, p, text);
      p += text;
      pos += text + GetLength(p);
      p += 2;
    }
  }

  // Drops the records from `count` on.
  void Truncate(std::size_t count) {
    if (count >= places_.size()) return;
    const Place first = places_[count];
    blocks_.resize(first.block + 1);
    tail_ = first.offset;
    places_.resize(count);
  }

 private:
  // Records are packed into blocks of this size, never across two. Blocks are allocated once
  // and never moved, so a growing list touches each page of memory once, and blocks freed by
  // one container serve the next.
  static constexpr std::size_t kBlockSize = 64 * 1024;
  static_assert(3 * sizeof(Record) + 4 <= kBlockSize);
  struct Place {
    std::uint32_t block;
    std::uint32_t offset;
  };
  std::vector<std::unique_ptr<unsigned char[]>> blocks_;
  std::size_t tail_ = 0;  // bytes used in the last block
  std::vector<Place> places_;
};

}  // namespace

struct ABIFDATA {
  int limitMyFax = 9999;
  int limitMyFaxGroup = 5000;
  int limitEwsCsv = 10000;
  int limitTsabfCsv = 10000;
  int limitGadFax = 9999;
  int limitGadFaxGroup = 5000;
  PackedList<tag_ABIF_MYFAX> myFax;
  PackedList<tag_ABIF_MYFAX_GROUP> myFaxGroups;
  PackedList<tag_ABIF_EWSCVS> ewsCsv;
  PackedList<tag_ABIF_TSABF> tsabfCsv;
  PackedList<tag_ABIF_GAD> gadFax;
  PackedList<tag_ABIF_GAD_GROUP> gadFaxGroups;
};

namespace {

template <typename Record>
AbifStatus AddRecords(ABIFDATA* data, PackedList<Record> ABIFDATA::*array, int ABIFDATA::*limit,
                      int count, const Record* records) {
  if (data == nullptr) return kAbifNoContainer;
  if (count < 0 || (count > 0 && records == nullptr)) return kAbifBadArgument;
  auto& list = data->*array;
  const long long room = static_cast<long long>(data->*limit) - static_cast<long long>(list.size());
  const long long take = room <= 0 ? 0 : (count < room ? count : room);
  // All or nothing: a failure leaves the list as it was.
  const std::size_t before = list.size();
  try {
    for (long long i = 0; i < take; ++i) list.Append(records[i]);
  } catch (const std::bad_alloc&) {
    list.Truncate(before);
    return kAbifReadWriteFailed;
  }
  return take < count ? kAbifLimitReached : kAbifSuccess;
}

template <typename Record>
AbifStatus GetRecord(const ABIFDATA* data, PackedList<Record> ABIFDATA::*array, int index,
                     Record* out) {
  if (data == nullptr) return kAbifNoContainer;
  const auto& list = data->*array;
  if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return kAbifBadIndex;
  if (out != nullptr) list.Get(static_cast<std::size_t>(index), *out);
  return kAbifSuccess;
}

template <typename Record>
int CountRecords(const ABIFDATA* data, PackedList<Record> ABIFDATA::*array) {
  return data == nullptr ? 0 : static_cast<int>((data->*array).size());
}

}  // namespace

ABIFDATA* ABIFData_Create() { return new (std::nothrow) ABIFDATA(); }

void ABIFData_Delete(ABIFDATA* data) { delete data; }

AbifStatus ABIFData_Add_MyFax(ABIFDATA* data, int count, const tag_ABIF_MYFAX* records) {
  return AddRecords(data, &ABIFDATA::myFax, &ABIFDATA::limitMyFax, count, records);
}
AbifStatus ABIFData_Add_MyFaxGroup(ABIFDATA* data, int count, const tag_ABIF_MYFAX_GROUP* records) {
  return AddRecords(data, &ABIFDATA::myFaxGroups, &ABIFDATA::limitMyFaxGroup, count, records);
}
AbifStatus ABIFData_Add_EWSCVS(ABIFDATA* data, int count, const tag_ABIF_EWSCVS* records) {
  return AddRecords(data, &ABIFDATA::ewsCsv, &ABIFDATA::limitEwsCsv, count, records);
}
AbifStatus ABIFData_Add_TSABFCVS(ABIFDATA* data, int count, const tag_ABIF_TSABF* records) {
  return AddRecords(data, &ABIFDATA::tsabfCsv, &ABIFDATA::limitTsabfCsv, count, records);
}
AbifStatus ABIFData_Add_GADFax(ABIFDATA* data, int count, const tag_ABIF_GAD* records) {
  return AddRecords(data, &ABIFDATA::gadFax, &ABIFDATA::limitGadFax, count, records);
}
AbifStatus ABIFData_Add_GADFaxGroup(ABIFDATA* data, int count, const tag_ABIF_GAD_GROUP* records) {
  return AddRecords(data, &ABIFDATA::gadFaxGroups, &ABIFDATA::limitGadFaxGroup, count, records);
}

AbifStatus ABIFData_GetAt_MyFax(const ABIFDATA* data, int index, tag_ABIF_MYFAX* out) {
  return GetRecord(data, &ABIFDATA::myFax, index, out);
}
AbifStatus ABIFData_GetAt_MyFaxGroup(const ABIFDATA* data, int index, tag_ABIF_MYFAX_GROUP* out) {
  return GetRecord(data, &ABIFDATA::myFaxGroups, index, out);
}
AbifStatus ABIFData_GetAt_EWSCVS(const ABIFDATA* data, int index, tag_ABIF_EWSCVS* out) {
  return GetRecord(data, &ABIFDATA::ewsCsv, index, out);
}
AbifStatus ABIFData_GetAt_TSABFCVS(const ABIFDATA* data, int index, tag_ABIF_TSABF* out) {
  return GetRecord(data, &ABIFDATA::tsabfCsv, index, out);
}
AbifStatus ABIFData_GetAt_GADFax(const ABIFDATA* data, int index, tag_ABIF_GAD* out) {
  return GetRecord(data, &ABIFDATA::gadFax, index, out);
}
AbifStatus ABIFData_GetAt_GADFaxGroup(const ABIFDATA* data, int index, tag_ABIF_GAD_GROUP* out) {
  return GetRecord(data, &ABIFDATA::gadFaxGroups, index, out);
}

int ABIFData_GetCount_MyFax(const ABIFDATA* data) { return CountRecords(data, &ABIFDATA::myFax); }
int ABIFData_GetCount_MyFaxGroup(const ABIFDATA* data) {
  return CountRecords(data, &ABIFDATA::myFaxGroups);
}
int ABIFData_GetCount_EWSCVS(const ABIFDATA* data) { return CountRecords(data, &ABIFDATA::ewsCsv); }
int ABIFData_GetCount_TSABFCVS(const ABIFDATA* data) {
  return CountRecords(data, &ABIFDATA::tsabfCsv);
}
int ABIFData_GetCount_GADFax(const ABIFDATA* data) { return CountRecords(data, &ABIFDATA::gadFax); }
int ABIFData_GetCount_GADFaxGroup(const ABIFDATA* data) {
  return CountRecords(data, &ABIFDATA::gadFaxGroups);
}

AbifStatus ABIFData_SetLimit_MyFax(ABIFDATA* data, int limit) {
  if (data == nullptr) return kAbifNoContainer;
  data->limitMyFax = limit;
  return kAbifSuccess;
}

AbifStatus ABIFData_SetLimit_MyFaxGroup(ABIFDATA* data, int limit) {
  if (data == nullptr) return kAbifNoContainer;
  data->limitMyFaxGroup = limit;
  return kAbifSuccess;
}

}  // namespace nx::phonebook
