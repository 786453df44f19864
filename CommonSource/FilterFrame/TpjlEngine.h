// The TPJL command table engine: which header lines a job sends, and with which values, is data.
// A command row holds a format with control symbols ("%d", "%c", "%s"), the values that fill
// them and the conditions under which the row is sent; one engine walks the module tables.
//
// Tables are constant data written once per module (see TpjlTables.h). Their values name fields
// of a job through small accessor functions, so the same table serves any FilterJob instance:
//
//   constexpr TextField kPTU = [](const FilterJob& j) -> const char* {
//     return j.printType.userName; };
//   constexpr IntField kPT = [](const FilterJob& j) { return &j.printType.printType; };
//   constexpr CommandRow kRows[] = {
//       {"@PJL SET USERNAME=%c%s%c%c%c",
//        {kQuoteValue, TextValue(kPTU), kQuoteValue, kCRValue, kLFValue},
//        {IntNotEquals(kPT, 1), TextNotEmpty(kPTU)}},
//   };
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <span>
#include <stdexcept>

#include "FilterJob.h"
#include "TicketReader.h"

namespace nx::filter {

// Every command is built in a buffer of this size.
inline constexpr std::size_t kTpjlCommandSize = 2048;
inline constexpr int kMaxCommandParams = 8;
inline constexpr int kMaxConditionItems = 8;

using IntField = const std::int32_t* (*)(const FilterJob&);
using TextField = const char* (*)(const FilterJob&);

// One value of a parameter list or a condition: a job field or a constant.
class TpjlValue {
 public:
  enum class Kind : std::uint8_t { Int, Char, Text };

  constexpr TpjlValue() : kind_(Kind::Text), source_(Source::TextConstant), text_(nullptr) {}
  static constexpr TpjlValue FromIntField(IntField f) { return TpjlValue(f); }
  static constexpr TpjlValue FromTextField(TextField f) { return TpjlValue(f); }
  static constexpr TpjlValue FromInt(std::int32_t v) { return TpjlValue(v); }
  static constexpr TpjlValue FromChar(char c) { return TpjlValue(c); }
  static constexpr TpjlValue FromText(const char* s) { return TpjlValue(s); }

  constexpr Kind kind() const { return kind_; }
  // The value's address for `job`: a const std::int32_t*, a const char* to one character, or a
  // NUL-terminated text (nullptr for a missing text). Constants live in the value itself, so the
  // address is valid as long as the value is.
  const void* Resolve(const FilterJob& job) const;

 private:
  enum class Source : std::uint8_t { IntField, TextField, IntConstant, CharConstant, TextConstant };
  constexpr explicit TpjlValue(IntField f)
      : kind_(Kind::Int), source_(Source::IntField), intField_(f) {}
  constexpr explicit TpjlValue(TextField f)
      : kind_(Kind::Text), source_(Source::TextField), textField_(f) {}
  constexpr explicit TpjlValue(std::int32_t v)
      : kind_(Kind::Int), source_(Source::IntConstant), int_(v) {}
  constexpr explicit TpjlValue(char c)
      : kind_(Kind::Char), source_(Source::CharConstant), char_(c) {}
  constexpr explicit TpjlValue(const char* s)
      : kind_(Kind::Text), source_(Source::TextConstant), text_(s) {}

  Kind kind_;
  Source source_;
  union {
    IntField intField_;
    TextField textField_;
    std::int32_t int_;
    char char_;
    const char* text_;
  };
};

constexpr TpjlValue IntValue(IntField f) { return TpjlValue::FromIntField(f); }
constexpr TpjlValue TextValue(TextField f) { return TpjlValue::FromTextField(f); }
constexpr TpjlValue IntConstant(std::int32_t v) { return TpjlValue::FromInt(v); }
constexpr TpjlValue CharConstant(char c) { return TpjlValue::FromChar(c); }
constexpr TpjlValue TextConstant(const char* s) { return TpjlValue::FromText(s); }

// The character constants of the tables.
inline constexpr TpjlValue kESCValue = CharConstant('\x1b');
inline constexpr TpjlValue kPercentValue = CharConstant('%');
inline constexpr TpjlValue kCRValue = CharConstant('\r');
inline constexpr TpjlValue kLFValue = CharConstant('\n');
inline constexpr TpjlValue kQuoteValue = CharConstant('"');

// Parameter list: the values of a format's control symbols, in order.
struct CmdParaList {
  std::int32_t count = 0;
  TpjlValue values[kMaxCommandParams]{};

  constexpr CmdParaList() = default;
  constexpr CmdParaList(std::initializer_list<TpjlValue> list) {
    if (list.size() > kMaxCommandParams) throw std::length_error("too many command parameters");
    for (const TpjlValue& v : list) values[count++] = v;
  }
};

// Compare functions; the arguments are resolved value addresses (TpjlValue::Resolve).
using CompareFunc = bool (*)(const void* left, const void* right);
bool IntCampareFunc(const void* left, const void* right);         // integers equal
bool IntNoEqualCampareFunc(const void* left, const void* right);  // integers differ
bool StrEqualCampareFunc(const void* left, const void* right);    // texts equal byte for byte
bool StrNoNULLCampareFunc(const void* left, const void* right);   // left text present, not empty
bool StrIsNULLCampareFunc(const void* left, const void* right);   // left text missing or empty

struct ConditionItem {
  TpjlValue left;
  TpjlValue right;
  CompareFunc compare = nullptr;
};

// Condition list: all items must hold; an empty list always holds.
struct ConditionList {
  std::int32_t count = 0;
  ConditionItem items[kMaxConditionItems]{};

  constexpr ConditionList() = default;
  constexpr ConditionList(std::initializer_list<ConditionItem> list) {
    if (list.size() > kMaxConditionItems) throw std::length_error("too many conditions");
    for (const ConditionItem& c : list) items[count++] = c;
  }
};

constexpr ConditionItem IntEquals(IntField f, std::int32_t v) {
  return {IntValue(f), IntConstant(v), IntCampareFunc};
}
constexpr ConditionItem IntNotEquals(IntField f, std::int32_t v) {
  return {IntValue(f), IntConstant(v), IntNoEqualCampareFunc};
}
constexpr ConditionItem TextEquals(TextField f, const char* s) {
  return {TextValue(f), TextConstant(s), StrEqualCampareFunc};
}
constexpr ConditionItem TextNotEmpty(TextField f) {
  return {TextValue(f), TpjlValue(), StrNoNULLCampareFunc};
}
constexpr ConditionItem TextEmpty(TextField f) {
  return {TextValue(f), TpjlValue(), StrIsNULLCampareFunc};
}

// One header line: sent when its conditions hold, built from its format and parameters.
struct CommandRow {
  const char* format = nullptr;
  CmdParaList params;
  ConditionList conditions;
};

using CommandTable = std::span<const CommandRow>;

// Control symbols.
inline constexpr int CtrlSymNum = 3;
struct CtrlSym {
  const char* symbol;
  int kind;  // 0 integer, 1 character, 2 text
};
inline constexpr CtrlSym ctrlSymTalbe[CtrlSymNum] = {{"%d", 0}, {"%c", 1}, {"%s", 2}};

// The kind of the control symbol formed by the two characters at `text`, or -1.
int IsCtrlSym(const char* text);
// The next control symbol in `text` (a "%" followed by d, c or s), or nullptr; its kind goes to
// `*kind` when given. A "%" followed by anything else is ordinary text.
const char* GetNextCtrlSym(const char* text, int* kind);
// Expands one symbol of `kind` with the resolved `value` into `out` (NUL-terminated, at most
// `size` bytes with the NUL). Returns the expansion's length; 0 for an empty text, a character
// 0, or a value of another kind than the symbol.
std::size_t getCtrlSym(int kind, TpjlValue::Kind valueKind, const void* value, char* out,
                       std::size_t size);

// Builds the command of `format` with `params` for `job` into `out` (always NUL-terminated,
// never longer than the buffer). An empty expansion stops the command before the literal text
// that precedes it; a symbol without a matching value counts as an empty expansion. Returns
// false when the command was stopped that way (it then lacks the rest of its format, line end
// included).
bool BuildPrintComand(const char* format, const CmdParaList& params, const FilterJob& job,
                      char (&out)[kTpjlCommandSize]);

// True when every item holds (or the list is empty).
bool ConditionCompare(const ConditionList& conditions, const FilterJob& job);

// Writes every row of `table` whose conditions hold, in order, to `out`. A row
// whose command was stopped by an empty value is not written: without its line end it would run
// into the next line of the header.
void OutputTPJLCommandFromArray(const FilterJob& job, CommandTable table, std::FILE* out);

// Checks that a table is well formed: every format has a value of the right kind for each of its
// control symbols and every condition has a compare function. For the tables' own tests.
bool ValidateCommandTable(CommandTable table);

// The per-job part of building the tables: the lists themselves are constant data; this clears
// the special page path record.
void InializeDescriptionTable(FilterJob& job);

// Sends the job-ticket file named by "TPIFCommandFileNameTicket" (copied in blocks of 2048 bytes
// to `out`, then deleted). Only a regular file directly inside the print system's
// temporary folder (platform TempDir()) is taken, opened without following a symbolic link;
// anything else is skipped silently. Returns true when a file was sent.
bool OutputSpecialPageFile(const FilterJob& job, std::FILE* out);

// The whole job header: the special page file, the universal exit language and job line, the
// print type, accounting administrator, accounting common and features tables, the fax module's
// lines and "@PJL ENTER LANGUAGE=PDF". The main flow builds it in memory and hands it to the
// document step, which sends it to the device.
void OutputTPJLCommand(FilterJob& job, std::FILE* out);

// The trailer written after the document to the job's device stream and copy file (KTOutput.h):
// ESC %-12345X@PJL EOJ and LF.
void OutputTPJLTrailer(const FilterJob& job);

}  // namespace nx::filter
