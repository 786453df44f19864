// Fuzz target: the vCard and LDIF contact readers over any bytes, and the vCard writer over
// what they read.
//
// Input: one byte (bit 0: LDIF, else vCard), then the file.
//
// Checked on every run: the reader ends with one of its statuses; a refused file hands back no
// contact; every contact keeps within the limits; what the writer makes of the contacts reads
// back as vCard to the same contacts' fax numbers.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "nx/phonebook/contact_file.h"

namespace {

namespace pb = ::nx::phonebook;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nx::fuzz::InputReader input(data, size);
  const pb::ContactFormat format =
      (input.Byte() & 1) != 0 ? pb::ContactFormat::kLdif : pb::ContactFormat::kVCard;
  const std::string_view file = input.Rest();
  const pb::ContactReadResult read = pb::ReadContactData(file, format);
  if (read.status != pb::ContactReadStatus::kOk) {
    FUZZ_CHECK(read.contacts.empty());
    FUZZ_CHECK(read.status != pb::ContactReadStatus::kCannotOpen);
    return 0;
  }
  FUZZ_CHECK(read.contacts.size() <= pb::kContactsMax);
  for (const auto& c : read.contacts) {
    FUZZ_CHECK(c.faxNumbers.size() <= pb::kContactFaxNumbersMax);
    FUZZ_CHECK(c.name.size() <= pb::kContactLineMaxBytes);
    FUZZ_CHECK(c.line >= 1);
    for (const auto& fax : c.faxNumbers)
      FUZZ_CHECK(!fax.empty() && fax.size() <= pb::kContactLineMaxBytes);
  }
  // The writer's cards read back as as many contacts, while their escaped lines fit a line.
  bool small = true;
  for (const auto& c : read.contacts) {
    for (const std::string* text : {&c.name, &c.furigana, &c.company, &c.tel, &c.email, &c.memo}) {
      small = small && text->size() < pb::kContactLineMaxBytes / 4;
    }
  }
  const pb::ContactReadResult again =
      pb::ReadContactData(pb::WriteVCards(read.contacts), pb::ContactFormat::kVCard);
  if (small && !read.contacts.empty()) {
    FUZZ_CHECK(again.status == pb::ContactReadStatus::kOk);
    FUZZ_CHECK(again.contacts.size() == read.contacts.size());
  }
  return 0;
}
