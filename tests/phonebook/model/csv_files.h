// Device and partner-format CSV address books for the import tests, written column by name.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "nx/phonebook/csv_record.h"
#include "phonebook_test_support.h"

namespace pbmodel {

using Values = std::map<std::string, std::string>;

// A device export of data format 3 (Shift_JIS names, no consistency column).
inline std::string DeviceCsv(const std::vector<Values>& rows,
                             std::vector<std::string> first = {"*", "1", "3", "3", "", ""}) {
  const auto& columns = pbtest::layouts::kLayout3;
  std::string text;
  nx::phonebook::WriteRecord(text, first);
  nx::phonebook::WriteRecord(text, columns);
  for (const auto& row : rows) {
    std::vector<std::string> fields(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const auto it = row.find(columns[i]);
      if (it != row.end()) fields[i] = it->second;
    }
    nx::phonebook::WriteRecord(text, fields);
  }
  return text;
}

inline Values FaxRow(const std::string& name, const std::string& fax, Values changes = {}) {
  Values v = {{"MFDN", "1"},         {"MFADDRT", "FAX"},    {"MFCN", name},      {"MFCMODE", "0"},
              {"MFFAX", fax},        {"MFLINE", "0"},       {"MFMBOX", "0"},     {"MFRLY", "0"},
              {"MFRLYPRN", "0"},     {"MFIPFAXCMODE", "0"}, {"MFIPFAXMBOX", "0"}, {"MFIPFAXRLY", "0"},
              {"MFIPFAXRLYPRN", "0"}};
  for (auto& [k, value] : changes) v[k] = value;
  return v;
}

inline std::string PartnerCsv(const std::vector<Values>& rows) {
  const auto& columns = pbtest::layouts::kPartnerLayout;
  std::string text;
  nx::phonebook::WriteRecord(text, columns);
  for (const auto& row : rows) {
    std::vector<std::string> fields(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const auto it = row.find(columns[i]);
      if (it != row.end()) fields[i] = it->second;
    }
    nx::phonebook::WriteRecord(text, fields);
  }
  return text;
}

inline Values PartnerRow(const std::string& name, const std::string& fax, Values changes = {}) {
  Values v = {{"TmrAddressBookId", "1"}, {"DisplayName", name}, {"IsDL", "0"}, {"FaxNumber", fax},
              {"E-mailAddress", "mail@example.com"}};
  for (auto& [k, value] : changes) v[k] = value;
  return v;
}

}  // namespace pbmodel
