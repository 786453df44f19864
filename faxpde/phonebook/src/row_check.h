// Row checks with the columns looked up once per file rather than once per row.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "nx/phonebook/csv_record.h"
#include "nx/phonebook/field_check.h"

namespace nx::phonebook::detail {

// A carried column found in a file's column-name line.
struct ResolvedColumn {
  const char* name;
  std::size_t column;       // 0 when the file has no such column (its value is empty)
  const csvFileInfo* rule;  // null when the column is not checked
};

// The carried columns with their places and rules; `skip` names a column to leave out (or null).
std::vector<ResolvedColumn> ResolveColumns(const CsvRecord& names,
                                           std::span<const char* const> carried, CsvRuleSet rules,
                                           const char* skip = nullptr);

// As CheckFieldDataWithDataFormat (classic): the address type column first, then `carried`
// (which leaves the address type out).
AbifStatus CheckClassicRow(const CsvRecord& row, const ResolvedColumn& addressType,
                           std::span<const ResolvedColumn> carried,
                           CFieldDataCheckWithFileFormat& checker);
// As CheckFieldDataWithDataFormat20x.
AbifStatus CheckMiravoRow(const CsvRecord& row, std::size_t faxColumn, std::size_t ipFaxColumn,
                          std::span<const ResolvedColumn> carried,
                          CFieldDataCheckWithFileFormat& checker);
// As CheckFieldDataWithDataFormat (partner format).
AbifStatus CheckPartnerRow(const CsvRecord& row, std::size_t faxNumberColumn,
                           std::span<const ResolvedColumn> carried,
                           CFieldDataCheckWithTSABFFileFormat& checker);

}  // namespace nx::phonebook::detail
