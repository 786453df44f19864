// Fuzz target: the GAD (UTF-16) address book reader over any bytes.
//
// Checked on every run: the reader stops with one of its statuses and within the container's
// limits; every text it stored ends with a zero unit inside its field; converted to UTF-8 as the
// import does, every text is well-formed UTF-8 within its capacity.
#include <cstdint>
#include <memory>
#include <string>

#include "PhonebookChecks.h"

namespace {

namespace pb = ::nx::phonebook;

template <std::size_t N>
void CheckText(const pb::UniChar (&field)[N]) {
  FUZZ_CHECK(pb::UniCharLength(field, N) < N);
  char utf8[4 * N];
  pb::UTF8FromUniChar(utf8, field, sizeof utf8);
  const std::string_view text(utf8, strnlen(utf8, sizeof utf8));
  FUZZ_CHECK(text.size() < sizeof utf8);
  FUZZ_CHECK(pb::detail::Utf8CharCount(text).has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nx::fuzz::Book book;
  const pb::AbifStatus status = pb::AbifGADData_Read(data, size, book.data);
  FUZZ_CHECK(status == pb::kAbifSuccess || status == pb::kAbifBadFormat ||
             status == pb::kAbifLimitReached);
  FUZZ_CHECK(pb::ABIFData_GetCount_GADFax(book.data) <= 9999);
  FUZZ_CHECK(pb::ABIFData_GetCount_GADFaxGroup(book.data) <= 5000);
  auto r = std::make_unique<pb::tag_ABIF_GAD>();
  for (int i = 0; i < pb::ABIFData_GetCount_GADFax(book.data); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_GADFax(book.data, i, r.get()) == pb::kAbifSuccess);
    CheckText(r->Name);
    CheckText(r->FaxNumber);
    CheckText(r->Company);
    CheckText(r->Memo);
    CheckText(r->Furigana);
  }
  auto g = std::make_unique<pb::tag_ABIF_GAD_GROUP>();
  for (int i = 0; i < pb::ABIFData_GetCount_GADFaxGroup(book.data); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_GADFaxGroup(book.data, i, g.get()) == pb::kAbifSuccess);
    CheckText(g->GroupName);
  }
  return 0;
}
