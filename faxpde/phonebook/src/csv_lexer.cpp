// CSV reading and writing; see csv_record.h.
#include "csv_lexer.h"

#include <algorithm>

namespace nx::phonebook {

std::size_t CsvRecord::ColumnOf(std::string_view name) const {
  if (!indexed_) {
    index_.clear();
    for (std::size_t i = columns.size(); i-- > 1;) index_[columns[i]] = i;
    indexed_ = true;
  }
  const auto it = index_.find(name);
  return it == index_.end() ? 0 : it->second;
}

void CsvRecord::Clear() {
  for (std::size_t i = columns.size(); i-- > 1;) spare_.push_back(std::move(columns[i]));
  columns.resize(1);
  columns[0].clear();
  fieldCount = 0;
  blankLine = false;
  if (indexed_) index_.clear();
  indexed_ = false;
}

std::string& CsvRecord::AppendColumn() {
  if (spare_.empty()) return columns.emplace_back();
  std::string& column = columns.emplace_back(std::move(spare_.back()));
  spare_.pop_back();
  column.clear();
  return column;
}

void WriteField(std::string& out, std::string_view field) {
  if (field.find_first_of("\n\r\",") == std::string_view::npos) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

void WriteRecord(std::string& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.push_back(',');
    WriteField(out, fields[i]);
  }
  out.append("\r\n");
}

namespace detail {

FieldEnd ReadField(ByteSource& src, std::string& out, std::size_t& consumed) {
  out.clear();
  consumed = 0;
  auto keep = [&out](int c) {
    if (out.size() < kCsvFieldKeep) out.push_back(static_cast<char>(c));
  };
  int c = src.Get();
  if (c == '"') {
    ++consumed;
    for (;;) {
      c = src.Get();
      if (c == ByteSource::kEnd) return FieldEnd::kDataEnd;
      ++consumed;
      if (c == '"') {
        c = src.Get();
        if (c != '"') break;  // closing quote; c is what follows it
        ++consumed;
      }
      keep(c);
    }
  }
  for (;;) {
    if (c == ByteSource::kEnd) return FieldEnd::kDataEnd;
    if (c == ',') return FieldEnd::kSeparator;
    if (c == '\n') return FieldEnd::kLineEnd;
    if (c == '\r') {
      // A lone CR ends the line too; the byte after it then belongs to the next line.
      const int next = src.Get();
      if (next != '\n' && next != ByteSource::kEnd) src.Unget();
      return FieldEnd::kLineEnd;
    }
    ++consumed;
    keep(c);
    // Runs of ordinary bytes are taken from the buffer at once.
    const auto [data, size] = src.Buffered();
    std::size_t run = 0;
    while (run < size && data[run] != ',' && data[run] != '\n' && data[run] != '\r') ++run;
    if (out.size() < kCsvFieldKeep) {
      out.append(reinterpret_cast<const char*>(data), std::min(run, kCsvFieldKeep - out.size()));
    }
    consumed += run;
    src.Skip(run);
    c = src.Get();
  }
}

bool CSVReadRecord(ByteSource& src, CsvRecord& record) {
  record.Clear();
  // Fields past the kept ones are read (and counted) into a scratch text.
  std::string surplus;
  auto next = [&]() -> std::string& {
    return record.columns.size() <= kCsvFieldsKept ? record.AppendColumn() : surplus;
  };
  std::size_t consumed = 0;
  FieldEnd end = ReadField(src, next(), consumed);
  if (end == FieldEnd::kDataEnd && consumed == 0) {
    record.Clear();
    return false;
  }
  const bool blank = end == FieldEnd::kLineEnd && consumed == 0;
  for (;;) {
    ++record.fieldCount;
    if (end != FieldEnd::kSeparator) break;
    end = ReadField(src, next(), consumed);
  }
  record.blankLine = blank;
  return true;
}

bool SkipByteOrderMark(ByteSource& src) {
  if (src.Get() == 0xEF && src.Get() == 0xBB && src.Get() == 0xBF) return true;
  src.Rewind();
  return false;
}

bool CheckIsLastLine(const CsvRecord& record) {
  return record.fieldCount == 1 && record.Column(1) == "*";
}

}  // namespace detail
}  // namespace nx::phonebook
