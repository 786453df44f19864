// The static tables every control is made from: access info records (ticket key, preference
// key, type codes), constraint tables (which controls a value disables, hides or refreshes), ini
// data records per control type and the input filter records of text fields.
//
// All of them are static data owned by the plug-in; controls keep pointers to them.
#pragma once

#include <cstdint>
#include <span>

#include "pdekit/UtilityFunction.h"

namespace pdekit {

// Type codes of access info records.
inline constexpr uint32_t kAccessTypeText = FourCC("cfst");
inline constexpr uint32_t kAccessTypePassword = FourCC("pwcf");
inline constexpr uint32_t kAccessTypeDate = FourCC("date");

// Where a setting goes: the settings-ticket key and the preference key (either may be null).
struct DataAccessInfo {
  uint32_t typeCode1 = 0;  // 'cfst' texts, 'pwcf' passwords, 0 others
  uint32_t typeCode2 = 0;
  const char* ticketKey = nullptr;
  const char* preferenceKey = nullptr;
};

// A list of control identifiers (element tags), ending at the first 0 or at the end of the span.
using ControlIDList = std::span<const int>;

// Per value number of the control: what to disable, hide and refresh while that value is
// current. Value numbers beyond a span, and empty lists, mean nothing to do.
struct ConstrainTable {
  std::span<const ControlIDList> disableLists;
  std::span<const ControlIDList> hideLists;
  std::span<const ControlIDList> updateLists;
};

// ---- Ini data records ----

struct CheckBoxIniData {
  int32_t reserved = 0;
  int32_t defaultState = 0;
  int32_t initialState = -1;  // -1: none
  const char* titleKey = nullptr;
};

struct RadioButtonIniData {
  int32_t reserved = 0;
  int32_t defaultState = 0;
  int32_t initialState = -1;
  const char* titleKey = nullptr;
  const char* summaryTitleKey = nullptr;
};

struct PopupIniData {
  int32_t reserved = 0;
  int32_t defaultItem = 1;  // 1-based item numbers
  int32_t initialItem = -1;
  const char* const* itemKeys = nullptr;  // ends with a null entry
};

inline constexpr size_t kIniTextSize = 256;

struct TextEditIniData {
  char initialText[kIniTextSize] = {};
  char defaultText[kIniTextSize] = {};
  uint32_t minWidth = 0;  // display widths (GetStringLength)
  uint32_t maxWidth = 0;
};

using ClockIniData = LongDateRec;

// ---- Input filters ----

inline constexpr int kMaxFilterRanges = 20;

struct FilterRange {
  int32_t low = 0;
  int32_t high = 0;
};

// Allowed bytes and characters of a text field, and the message key shown when it fails.
// Counts above kMaxFilterRanges are taken as kMaxFilterRanges.
struct InputFilter {
  int32_t byteRangeCount = 0;
  FilterRange byteRanges[kMaxFilterRanges] = {};
  int32_t charRangeCount = 0;
  FilterRange charRanges[kMaxFilterRanges] = {};  // UTF-16 units (or Shift-JIS codes)
  const char* messageKey = nullptr;
};

// The account plug-in's filters: user IDs and login names; account IDs.
extern const InputFilter kNamesInputFilter;
extern const InputFilter kAccountIDInputFilter;

}  // namespace pdekit
