// Property-list values and their XML files: the format of preference files, bundle Info.plist
// files and string tables. Parsing and writing go through libplist; this header keeps libplist
// out of its users.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace nx::platform {

// One property-list value. Dates are kept as seconds since 2001-01-01 00:00 UTC (the format's
// own epoch).
class PropertyValue {
 public:
  struct Date {
    double seconds_since_2001 = 0;
    bool operator==(const Date&) const = default;
  };
  using Data = std::vector<uint8_t>;
  using Array = std::vector<PropertyValue>;
  using Dictionary = std::map<std::string, PropertyValue>;

  PropertyValue() : value_(std::string()) {}
  PropertyValue(std::string s) : value_(std::move(s)) {}  // NOLINT: implicit by design
  PropertyValue(const char* s) : value_(std::string(s)) {}  // NOLINT
  PropertyValue(bool b) : value_(b) {}                      // NOLINT
  PropertyValue(int64_t i) : value_(i) {}                   // NOLINT
  PropertyValue(int i) : value_(static_cast<int64_t>(i)) {}  // NOLINT
  PropertyValue(double d) : value_(d) {}                    // NOLINT
  PropertyValue(Date d) : value_(d) {}                      // NOLINT
  PropertyValue(Data d) : value_(std::move(d)) {}           // NOLINT
  PropertyValue(Array a) : value_(std::move(a)) {}          // NOLINT
  PropertyValue(Dictionary d) : value_(std::move(d)) {}     // NOLINT

  const std::string* AsString() const { return std::get_if<std::string>(&value_); }
  const bool* AsBool() const { return std::get_if<bool>(&value_); }
  const int64_t* AsInteger() const { return std::get_if<int64_t>(&value_); }
  const double* AsReal() const { return std::get_if<double>(&value_); }
  const Date* AsDate() const { return std::get_if<Date>(&value_); }
  const Data* AsData() const { return std::get_if<Data>(&value_); }
  const Array* AsArray() const { return std::get_if<Array>(&value_); }
  const Dictionary* AsDictionary() const { return std::get_if<Dictionary>(&value_); }
  Array* AsArray() { return std::get_if<Array>(&value_); }
  Dictionary* AsDictionary() { return std::get_if<Dictionary>(&value_); }

  bool operator==(const PropertyValue&) const = default;

 private:
  std::variant<std::string, bool, int64_t, double, Date, Data, Array, Dictionary> value_;
};

// Parses an XML or binary property list. Empty on any malformed input (never throws).
std::optional<PropertyValue> ParsePropertyList(std::string_view bytes);

// The XML form of `value`; empty on failure.
std::string ToXmlPropertyList(const PropertyValue& value);

// Reads and parses a file; empty when it is missing, unreadable, larger than `max_bytes` or
// not a property list.
std::optional<PropertyValue> ReadPropertyListFile(const std::string& path,
                                                  size_t max_bytes = 16u << 20);

// Writes `value` as XML through WriteFileAtomically.
[[nodiscard]] bool WritePropertyListFile(const std::string& path, const PropertyValue& value,
                                         unsigned mode = 0600);

// Replaces `path` with `contents` so that readers see either the old file or the whole new
// one: a temporary file in the same folder, written, flushed to disk, then renamed over the
// target (and the folder synced). Creates missing parent folders. False on any failure, with
// the temporary file removed.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view contents,
                                       unsigned mode = 0600);

}  // namespace nx::platform
