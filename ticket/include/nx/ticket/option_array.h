// Job options as the print system's own parser reads them: an owner of a cups_option_t array
// (cupsParseOptions, cupsAddOption, cupsGetOption, cupsFreeOptions).
#pragma once

#include <cups/cups.h>

#include <cstddef>

namespace nx::ticket {

class OptionArray {
 public:
  // No options.
  OptionArray() = default;
  // The options of `optionString` (argument 5 of a filter, or any option text); null parses as
  // "". Counts as one parse (ParseCount).
  explicit OptionArray(const char* optionString);
  ~OptionArray();

  OptionArray(OptionArray&& other) noexcept;
  OptionArray& operator=(OptionArray&& other) noexcept;
  OptionArray(const OptionArray&) = delete;
  OptionArray& operator=(const OptionArray&) = delete;

  // The value of `name`, or nullptr when the options do not hold it.
  const char* Find(const char* name) const;

  // Sets `name` to `value`, replacing a value it had. The value never passes through the option
  // syntax, so nothing in an option text (an open quote, a trailing backslash) can hide or
  // change it. False when it could not be stored.
  bool Add(const char* name, const char* value);

  // The options in parse order (then added ones), for readers of a family of keys.
  int size() const { return count_; }
  const char* name(int index) const;
  const char* value(int index) const;

  // The array itself, for the print system's calls that take one (cupsMarkOptions).
  cups_option_t* data() const { return options_; }

  // How many option texts this process has parsed so far.
  static std::size_t ParseCount();

 private:
  int count_ = 0;
  cups_option_t* options_ = nullptr;
};

}  // namespace nx::ticket
