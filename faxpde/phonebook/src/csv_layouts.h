// Column-name lists of the CSV dialects and the columns each carries into its record.
#pragma once

#include <cstddef>
#include <span>

namespace nx::phonebook::detail {

enum class CsvLayout { k3, k35, k5x, k20x, k21x, kHeaderless, kPartner };

// The dialect's column names; element 0 is the unused column 0 (an empty name).
std::span<const char* const> LayoutColumns(CsvLayout layout);

// A carried column and the most bytes copied from it into the record.
struct CarriedColumn {
  const char* name;
  std::size_t maxBytes;
};

// A dialect's carried columns, in checking order, with their names alone for the row checks.
struct CarriedList {
  std::span<const CarriedColumn> columns;
  std::span<const char* const> names;
};

CarriedList CarriedClassic1();
CarriedList CarriedClassic();
CarriedList CarriedMiravo();
CarriedList CarriedPartner();

}  // namespace nx::phonebook::detail
