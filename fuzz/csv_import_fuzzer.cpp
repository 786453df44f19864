// Fuzz target: the CSV address book import over any bytes, for every dialect (the file's first
// line chooses it) and both device types.
//
// Input: one byte (bit 0: the device takes the Miravo 2.x layouts), then the file.
//
// Checked on every run: the import ends with one of its statuses and within the container's
// limits; every text of every record it kept is terminated inside its field; the reported
// dialect is one the import knows.
#include <cstdint>
#include <memory>

#include "PhonebookChecks.h"
#include "nx/phonebook/abif_csv.h"

namespace {

namespace pb = ::nx::phonebook;
using nx::fuzz::CheckTerminated;

bool KnownStatus(pb::AbifStatus status) {
  switch (status) {
    case pb::kAbifSuccess:
    case pb::kAbifCsvBadValue:
    case pb::kAbifCsvEditedByHand:
    case pb::kAbifCsvBadDataFormat:
    case pb::kAbifCsvBadDataVersion:
    case pb::kAbifCsvBadHeader:
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nx::fuzz::InputReader input(data, size);
  const int deviceType = input.Byte() & 1;
  const std::string_view file = input.Rest();
  nx::fuzz::Book book;
  pb::AbifImportInfo info;
  const pb::AbifStatus status = pb::Abif_ImportData(file.data(), file.size(), book.data, &info, deviceType);
  FUZZ_CHECK(KnownStatus(status));
  FUZZ_CHECK(pb::ABIFData_GetCount_EWSCVS(book.data) <= 10000);
  FUZZ_CHECK(pb::ABIFData_GetCount_TSABFCVS(book.data) <= 10000);
  if (info.partnerFormat) {
    FUZZ_CHECK(pb::ABIFData_GetCount_EWSCVS(book.data) == 0);
    FUZZ_CHECK(pb::ABIFData_GetCount_TSABFCVS(book.data) <= pb::kPartnerRowStop + 1);
  } else {
    FUZZ_CHECK(pb::ABIFData_GetCount_TSABFCVS(book.data) == 0);
  }
  if (deviceType == 0) FUZZ_CHECK(info.dataTypeVersion != 2 || pb::ABIFData_GetCount_EWSCVS(book.data) == 0);

  auto r = std::make_unique<pb::tag_ABIF_EWSCVS>();
  for (int i = 0; i < pb::ABIFData_GetCount_EWSCVS(book.data); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_EWSCVS(book.data, i, r.get()) == pb::kAbifSuccess);
    CheckTerminated(r->MFDN), CheckTerminated(r->MFCN), CheckTerminated(r->MFFAX), CheckTerminated(r->MFCMODE);
    CheckTerminated(r->MFADDRT), CheckTerminated(r->MFLINE), CheckTerminated(r->MFMBOX), CheckTerminated(r->MFRLY);
    CheckTerminated(r->MFMBOXID), CheckTerminated(r->MFMBOXPS), CheckTerminated(r->MFRLYPRN);
    CheckTerminated(r->MFRLYNUM), CheckTerminated(r->MFRLYID), CheckTerminated(r->MFFCODE);
    CheckTerminated(r->MFPCODE), CheckTerminated(r->MFIPFAX), CheckTerminated(r->MFIPFAXCMODE);
    CheckTerminated(r->MFIPFAXMBOX), CheckTerminated(r->MFIPFAXMBOXPS), CheckTerminated(r->MFIPFAXMBOXID);
    CheckTerminated(r->MFIPFAXRLY), CheckTerminated(r->MFIPFAXRLYID), CheckTerminated(r->MFIPFAXRLYNUM);
    CheckTerminated(r->MFIPFAXRLYPRN), CheckTerminated(r->MFIPFAXFCODE), CheckTerminated(r->MFIPFAXPCODE);
  }
  auto t = std::make_unique<pb::tag_ABIF_TSABF>();
  for (int i = 0; i < pb::ABIFData_GetCount_TSABFCVS(book.data); ++i) {
    FUZZ_CHECK(pb::ABIFData_GetAt_TSABFCVS(book.data, i, t.get()) == pb::kAbifSuccess);
    CheckTerminated(t->TmrAddressBookId), CheckTerminated(t->DisplayName), CheckTerminated(t->FirstName);
    CheckTerminated(t->LastName), CheckTerminated(t->IsDL), CheckTerminated(t->FaxNumber);
    CheckTerminated(t->Company), CheckTerminated(t->EmailAddress), CheckTerminated(t->ScanServerAddress);
    // A partner row without a fax number has nothing to import.
    FUZZ_CHECK(t->FaxNumber[0] != 0);
  }
  return 0;
}
