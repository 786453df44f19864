// CSV reading over a byte source; see csv_record.h for the rules.
#pragma once

#include <string>

#include "byte_source.h"
#include "nx/phonebook/csv_record.h"

namespace nx::phonebook::detail {

enum class FieldEnd { kSeparator, kLineEnd, kDataEnd };

// Reads one field into `out` (at most kCsvFieldKeep bytes kept) and tells what ended it;
// `consumed` counts the bytes read before the separator or line end.
FieldEnd ReadField(ByteSource& src, std::string& out, std::size_t& consumed);

// Reads the next record. False at the end of the data (nothing read).
bool CSVReadRecord(ByteSource& src, CsvRecord& record);

// Skips a UTF-8 byte-order mark at the start of the data (the source must be at its start).
bool SkipByteOrderMark(ByteSource& src);

// The line that ends the data rows: the single field "*".
bool CheckIsLastLine(const CsvRecord& record);

}  // namespace nx::phonebook::detail
