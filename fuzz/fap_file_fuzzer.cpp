// Fuzz target: the FAP phonebook reader over any bytes, and the FAP writer over what it read.
//
// Checked on every run: the reader stops with one of its statuses; every text it stored is
// terminated inside its field; the records it kept (also those before a damaged one) are saved
// as a FAP file that reads back to the same records, and saving that again gives the same bytes.
#include <cstdint>

#include "PhonebookChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace pb = ::nx::phonebook;
  nx::fuzz::Book book;
  const pb::AbifStatus status = pb::AbifFAPData_Read(data, size, book.data);
  FUZZ_CHECK(status == pb::kAbifSuccess || status == pb::kAbifBadFormat ||
             status == pb::kAbifOldPhonebookKind || status == pb::kAbifLimitReached);
  nx::fuzz::CheckRecordsTerminated(book.data);
  bool allFit = true;
  nx::fuzz::CheckFapRoundTrip(book.data, allFit);
  return 0;
}
