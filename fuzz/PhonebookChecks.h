// Checks shared by the phonebook file targets: what a reader put into the container is saved as
// a FAP file and read back, and must come back as it was.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "nx/phonebook/abif_data.h"
#include "nx/phonebook/abif_file.h"
#include "text_util.h"

namespace nx::fuzz {

namespace pb = ::nx::phonebook;

// Owns a container.
struct Book {
  Book() : data(pb::ABIFData_Create()) { FUZZ_CHECK(data != nullptr); }
  ~Book() { pb::ABIFData_Delete(data); }
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;
  pb::ABIFDATA* data;
};

template <std::size_t N>
std::string_view Text(const char (&field)[N]) {
  return pb::detail::FieldText(field);
}

template <std::size_t N>
void CheckTerminated(const char (&field)[N]) {
  FUZZ_CHECK(std::memchr(field, 0, N) != nullptr);
}

// An enciphered field survives a save when its base64 form fits the text the reader keeps. A
// damaged field that did not decode is kept as read and can be too long for that; the phonebook
// never writes such a value (its passwords are at most 20 bytes).
template <std::size_t N>
bool EncipheredFits(const char (&field)[N]) {
  return 4 * ((Text(field).size() + 2) / 3) <= N - 1;
}

// A count field as the writer writes it: counts beyond the slots become the slot count.
template <std::size_t N>
std::string WrittenCount(const char (&field)[N], long long slots) {
  return pb::detail::ParseLeadingInt(Text(field)) > slots ? std::to_string(slots) : std::string(Text(field));
}

template <std::size_t N>
long long SlotsUsed(const char (&field)[N], long long slots) {
  return std::clamp<long long>(pb::detail::ParseLeadingInt(Text(field)), 0, slots);
}

// `a` as read, `b` after a save and a read. Enciphered fields that cannot survive are skipped
// and reported through `allFit`.
inline void CheckSameIndividual(const pb::tag_ABIF_MYFAX& a, const pb::tag_ABIF_MYFAX& b, bool& allFit) {
#define NX_SAME(field) FUZZ_CHECK(Text(a.field) == Text(b.field))
  NX_SAME(Id);
  NX_SAME(Name);
  NX_SAME(Address);
  NX_SAME(Company);
  NX_SAME(Memo);
  NX_SAME(CommMode);
  NX_SAME(TimeStamp);
  NX_SAME(Furigana);
  NX_SAME(AddressType);
  NX_SAME(SIPFAXAddress);
  NX_SAME(Tel);
  NX_SAME(Email);
  NX_SAME(LineType);
  NX_SAME(SecureorRelay);
  NX_SAME(MailBoxId);
  NX_SAME(Rlyprn);
  NX_SAME(RlyID);
  NX_SAME(FCode);
#undef NX_SAME
  FUZZ_CHECK(WrittenCount(a.RlyNum, pb::kMyFaxRelaySlots) == Text(b.RlyNum));
  const long long relays = SlotsUsed(a.RlyNum, pb::kMyFaxRelaySlots);
  for (long long i = 0; i < pb::kMyFaxRelaySlots; ++i) {
    FUZZ_CHECK((i < relays ? Text(a.RlyDestList[i]) : std::string_view()) == Text(b.RlyDestList[i]));
  }
  if (EncipheredFits(a.MailBoxPassword)) {
    FUZZ_CHECK(Text(a.MailBoxPassword) == Text(b.MailBoxPassword));
  } else {
    allFit = false;
  }
  if (EncipheredFits(a.FCodePassword)) {
    FUZZ_CHECK(Text(a.FCodePassword) == Text(b.FCodePassword));
  } else {
    allFit = false;
  }
}

inline void CheckSameGroup(const pb::tag_ABIF_MYFAX_GROUP& a, const pb::tag_ABIF_MYFAX_GROUP& b) {
  FUZZ_CHECK(Text(a.Id) == Text(b.Id));
  FUZZ_CHECK(Text(a.GroupName) == Text(b.GroupName));
  FUZZ_CHECK(Text(a.TimeStamp) == Text(b.TimeStamp));
  FUZZ_CHECK(Text(a.Furigana) == Text(b.Furigana));
  FUZZ_CHECK(WrittenCount(a.EntryNum, pb::kMyFaxGroupMemberSlots) == Text(b.EntryNum));
  // Without members the writer writes one empty member field.
  const long long members = SlotsUsed(a.EntryNum, pb::kMyFaxGroupMemberSlots);
  for (long long i = 0; i < pb::kMyFaxGroupMemberSlots; ++i) {
    FUZZ_CHECK((i < members ? Text(a.EntryList[i]) : std::string_view()) == Text(b.EntryList[i]));
  }
}

// Every text of every record is terminated inside its field.
inline void CheckRecordsTerminated(const pb::ABIFDATA* book) {
  auto r = std::make_unique<pb::tag_ABIF_MYFAX>();
  for (int i = 0; i < pb::ABIFData_GetCount_MyFax(book); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_MyFax(book, i, r.get()) == pb::kAbifSuccess);
    CheckTerminated(r->Id), CheckTerminated(r->Name), CheckTerminated(r->Address), CheckTerminated(r->Company);
    CheckTerminated(r->Memo), CheckTerminated(r->CommMode), CheckTerminated(r->TimeStamp);
    CheckTerminated(r->Furigana), CheckTerminated(r->AddressType), CheckTerminated(r->SIPFAXAddress);
    CheckTerminated(r->Tel), CheckTerminated(r->Email), CheckTerminated(r->LineType);
    CheckTerminated(r->SecureorRelay), CheckTerminated(r->MailBoxId), CheckTerminated(r->MailBoxPassword);
    CheckTerminated(r->Rlyprn), CheckTerminated(r->RlyID), CheckTerminated(r->RlyNum);
    for (const auto& relay : r->RlyDestList) CheckTerminated(relay);
    CheckTerminated(r->FCode), CheckTerminated(r->FCodePassword);
  }
  auto g = std::make_unique<pb::tag_ABIF_MYFAX_GROUP>();
  for (int i = 0; i < pb::ABIFData_GetCount_MyFaxGroup(book); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_MyFaxGroup(book, i, g.get()) == pb::kAbifSuccess);
    CheckTerminated(g->Id), CheckTerminated(g->GroupName), CheckTerminated(g->TimeStamp);
    CheckTerminated(g->EntryNum), CheckTerminated(g->Furigana);
    for (const auto& member : g->EntryList) CheckTerminated(member);
  }
}

// Saves the individuals and groups of `book` in the FAP form, reads them back and compares.
// Returns the saved bytes.
inline std::string CheckFapRoundTrip(const pb::ABIFDATA* book, bool& allFit) {
  std::string bytes;
  FUZZ_CHECK(pb::AbifFAPFile_Build(book, bytes) == pb::kAbifSuccess);
  Book back;
  FUZZ_CHECK(pb::AbifFAPData_Read(bytes.data(), bytes.size(), back.data) == pb::kAbifSuccess);
  FUZZ_CHECK(pb::ABIFData_GetCount_MyFax(back.data) == pb::ABIFData_GetCount_MyFax(book));
  FUZZ_CHECK(pb::ABIFData_GetCount_MyFaxGroup(back.data) == pb::ABIFData_GetCount_MyFaxGroup(book));
  auto a = std::make_unique<pb::tag_ABIF_MYFAX>();
  auto b = std::make_unique<pb::tag_ABIF_MYFAX>();
  for (int i = 0; i < pb::ABIFData_GetCount_MyFax(book); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_MyFax(book, i, a.get()) == pb::kAbifSuccess);
    FUZZ_CHECK(pb::ABIFData_GetAt_MyFax(back.data, i, b.get()) == pb::kAbifSuccess);
    CheckSameIndividual(*a, *b, allFit);
  }
  auto ga = std::make_unique<pb::tag_ABIF_MYFAX_GROUP>();
  auto gb = std::make_unique<pb::tag_ABIF_MYFAX_GROUP>();
  for (int i = 0; i < pb::ABIFData_GetCount_MyFaxGroup(book); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_MyFaxGroup(book, i, ga.get()) == pb::kAbifSuccess);
    FUZZ_CHECK(pb::ABIFData_GetAt_MyFaxGroup(back.data, i, gb.get()) == pb::kAbifSuccess);
    CheckSameGroup(*ga, *gb);
  }
  // Saved again, the book gives the same bytes: from the first save on nothing changes. (When
  // an enciphered field was too long, that holds from the second save on.)
  std::string again;
  FUZZ_CHECK(pb::AbifFAPFile_Build(back.data, again) == pb::kAbifSuccess);
  if (allFit) {
    FUZZ_CHECK(again == bytes);
  } else {
    Book third;
    FUZZ_CHECK(pb::AbifFAPData_Read(again.data(), again.size(), third.data) == pb::kAbifSuccess);
    std::string once_more;
    FUZZ_CHECK(pb::AbifFAPFile_Build(third.data, once_more) == pb::kAbifSuccess);
    FUZZ_CHECK(once_more == again);
  }
  return bytes;
}

}  // namespace nx::fuzz
