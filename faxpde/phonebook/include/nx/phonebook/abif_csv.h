// Import of CSV address books: the devices' web-page exports (classic dialects with data
// formats 3, 5 and 6, the Miravo 2.x layouts) and the partner format.
//
// The first line names the dialect; a column-name line follows it; every data row is checked
// against the dialect's rules before it becomes a record. Protected columns are stored opened
// (passwords deciphered, relay lists decoded); setting columns are stored as the phonebook's
// codes.
#pragma once

#include <cstddef>

#include "nx/phonebook/abif_data.h"

namespace nx::phonebook {

// The import kind Abif_Import takes: a CSV address book.
inline constexpr int kAbifImportCsv = 2;

// Rows of a partner-format file taken at most (the counter is tested before each row).
inline constexpr int kPartnerRowStop = 2500;

struct AbifImportInfo {
  int dataTypeVersion = 0;    // first-line field 2 ("2": Miravo 2.x)
  int dataFormatVersion = 0;  // first-line field 3
  bool partnerFormat = false;
  // The file starts with a UTF-8 byte-order mark: its text is UTF-8 whatever the data format
  // (names of formats below 6 are Shift_JIS otherwise).
  bool utf8Marked = false;
};

// Imports the CSV file at `path` into `data` (EWS CSV or partner records). `reserved` is
// unused. Results: 0; kAbifBadArgument (missing path, kind other than kAbifImportCsv, file
// cannot be opened); kAbifNoContainer; kAbifReadWriteFailed (read error); the header statuses
// kAbifCsvBadDataFormat, kAbifCsvBadDataVersion, kAbifCsvBadHeader (nothing read); or, at the
// row that caused it, kAbifCsvBadValue or kAbifCsvEditedByHand, with the rows before it kept
// (the caller discards the whole import). Rows of other address kinds are skipped. The out
// parameters may be null. `targetDeviceType` 0 refuses the Miravo 2.x layout.
AbifStatus Abif_Import(void* reserved, const char* path, int kind, ABIFDATA* data,
                       int* dataTypeVersion, int* dataFormatVersion, bool* partnerFormat,
                       int targetDeviceType);

// The same with the first line's facts in `info` (may be null).
AbifStatus Abif_ImportFile(const char* path, ABIFDATA* data, AbifImportInfo* info,
                           int targetDeviceType);

// The same over CSV bytes in memory.
AbifStatus Abif_ImportData(const void* bytes, std::size_t size, ABIFDATA* data,
                           AbifImportInfo* info, int targetDeviceType);

}  // namespace nx::phonebook
