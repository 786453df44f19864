// One record (line) of a CSV address book, and the CSV writer.
//
// Reading rules: fields are separated by ","; a record ends at LF, CR LF, a lone CR or the end
// of the data; a field that begins with a double quote runs to the closing quote (commas and
// line ends included, "" standing for one quote) and any text after the closing quote is
// appended. A field keeps at most kCsvFieldKeep bytes; a record keeps at most kCsvFieldsKept
// fields but counts them all.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nx::phonebook {

inline constexpr std::size_t kCsvFieldKeep = 1024;
inline constexpr std::size_t kCsvFieldsKept = 256;

struct CsvRecord {
  // columns[0] is always empty; columns[n] is the text of column n (1-based).
  std::vector<std::string> columns{std::string()};
  // Number of fields on the line, kept or not.
  std::size_t fieldCount = 0;
  // The line held no byte at all.
  bool blankLine = false;

  // Text of column n; empty for column 0 and for columns the line does not have.
  std::string_view Column(std::size_t n) const {
    return n < columns.size() ? std::string_view(columns[n]) : std::string_view();
  }
  // The first column whose text is `name`, or 0. The lookup index is built on first use, so
  // the columns must not change afterwards (Clear() drops the index).
  std::size_t ColumnOf(std::string_view name) const;
  // Text of the column named `name` in `names` (a column-name line).
  std::string_view Value(const CsvRecord& names, std::string_view name) const {
    return Column(names.ColumnOf(name));
  }
  void Clear();
  // Appends an empty column, reusing the storage of a column that Clear() dropped, so that
  // reading line after line allocates nothing once the texts have reached their sizes.
  std::string& AppendColumn();

 private:
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  mutable std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> index_;
  mutable bool indexed_ = false;
  std::vector<std::string> spare_;
};

// Appends one field: between double quotes (each inner quote doubled) when it holds LF, CR, a
// double quote or a comma, else as it is.
void WriteField(std::string& out, std::string_view field);
// Appends the fields separated by "," and ended by "\r\n".
void WriteRecord(std::string& out, const std::vector<std::string>& fields);

}  // namespace nx::phonebook
