// The address book container: per-kind arrays with their limits. The arrays are deques: records
// are a few kilobytes each, and a deque grows without copying the records already held.
#include <deque>
#include <new>

#include "nx/phonebook/abif_data.h"

namespace nx::phonebook {

struct ABIFDATA {
  int limitMyFax = 9999;
  int limitMyFaxGroup = 5000;
  int limitEwsCsv = 10000;
  int limitTsabfCsv = 10000;
  int limitGadFax = 9999;
  int limitGadFaxGroup = 5000;
  std::deque<tag_ABIF_MYFAX> myFax;
  std::deque<tag_ABIF_MYFAX_GROUP> myFaxGroups;
  std::deque<tag_ABIF_EWSCVS> ewsCsv;
  std::deque<tag_ABIF_TSABF> tsabfCsv;
  std::deque<tag_ABIF_GAD> gadFax;
  std::deque<tag_ABIF_GAD_GROUP> gadFaxGroups;
};

namespace {

template <typename Record>
AbifStatus AddRecords(ABIFDATA* data, std::deque<Record> ABIFDATA::*array, int ABIFDATA::*limit,
                      int count, const Record* records) {
  if (data == nullptr) return kAbifNoContainer;
  if (count < 0 || (count > 0 && records == nullptr)) return kAbifBadArgument;
  auto& vec = data->*array;
  const long long room = static_cast<long long>(data->*limit) - static_cast<long long>(vec.size());
  const long long take = room <= 0 ? 0 : (count < room ? count : room);
  try {
    vec.insert(vec.end(), records, records + take);
  } catch (const std::bad_alloc&) {
    return kAbifReadWriteFailed;
  }
  return take < count ? kAbifLimitReached : kAbifSuccess;
}

template <typename Record>
AbifStatus GetRecord(const ABIFDATA* data, std::deque<Record> ABIFDATA::*array, int index,
                     Record* out) {
  if (data == nullptr) return kAbifNoContainer;
  const auto& vec = data->*array;
  if (index < 0 || static_cast<std::size_t>(index) >= vec.size()) return kAbifBadIndex;
  if (out != nullptr) *out = vec[static_cast<std::size_t>(index)];
  return kAbifSuccess;
}

template <typename Record>
int CountRecords(const ABIFDATA* data, std::deque<Record> ABIFDATA::*array) {
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
