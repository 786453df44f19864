// Print type module: held, secure, sample, delayed and mailbox jobs and the job name.
#include "TpjlTables.h"

namespace nx::filter {
namespace {

// Print types.
constexpr std::int32_t OptionSecurePrintNone = 1;
constexpr std::int32_t OptionSecurePrint = 2;
constexpr std::int32_t OptionSamplePrint = 3;
constexpr std::int32_t OptionDelayPrint = 4;
constexpr std::int32_t OptionMBN = 5;
// Source of the job name.
constexpr std::int32_t OptionDocumentNameAutoRetrieve = 1;
constexpr std::int32_t OptionDocumentNameEnterName = 2;

constexpr IntField PT = [](const FilterJob& j) { return &j.printType.printType; };
constexpr IntField DNT = [](const FilterJob& j) { return &j.printType.documentNameType; };
constexpr TextField PTU = [](const FilterJob& j) -> const char* { return j.printType.userName; };
constexpr TextField PTP = [](const FilterJob& j) -> const char* { return j.printType.password; };
constexpr TextField DN = [](const FilterJob& j) -> const char* { return j.printType.documentName; };
constexpr TextField DP = [](const FilterJob& j) -> const char* { return j.printType.delayPrint; };
constexpr TextField MB = [](const FilterJob& j) -> const char* {
  return j.printType.mailboxNumber;
};
constexpr TextField MBP = [](const FilterJob& j) -> const char* {
  return j.printType.mailboxPassword;
};
constexpr TextField PTStdDocumentName = [](const FilterJob& j) -> const char* {
  return j.PTStdDocumentName;
};

constexpr TpjlValue q = kQuoteValue;
constexpr TpjlValue CR = kCRValue;
constexpr TpjlValue LF = kLFValue;

// The standard PJL rows 1 to 5 end in LF only, the others in CR LF.
constexpr CommandRow kPrintTypeRows[] = {
    {"@PJL SET HOLD=STORE\n", {}, {IntEquals(PT, OptionSecurePrint), TextNotEmpty(PTU)}},
    {"@PJL SET HOLDTYPE=PRIVATE\n",
     {},
     {IntEquals(PT, OptionSecurePrint), TextNotEmpty(PTU), TextNotEmpty(PTP)}},
    {"@PJL SET HOLD=PROOF\n", {}, {IntEquals(PT, OptionSamplePrint), TextNotEmpty(PTU)}},
    {"@PJL SET HOLD=BOXSTORE\n", {}, {IntEquals(PT, OptionMBN)}},
    {"@PJL SET HOLDTYPE=PRIVATE\n", {}, {IntEquals(PT, OptionMBN), TextNotEmpty(MBP)}},
    {"@PJL SET BOXNUMBER=%s%c%c", {TextValue(MB), CR, LF}, {IntEquals(PT, OptionMBN)}},
    {"@PJL SET BOXENCRYPTKEY=%c%s%c%c%c",
     {q, TextValue(MBP), q, CR, LF},
     {IntEquals(PT, OptionMBN), TextNotEmpty(MBP)}},
    {"@PJL SET USERNAME=%c%s%c%c%c",
     {q, TextValue(PTU), q, CR, LF},
     {IntNotEquals(PT, OptionSecurePrintNone), IntNotEquals(PT, OptionDelayPrint),
      IntNotEquals(PT, OptionMBN), TextNotEmpty(PTU)}},
    {"@PJL SET HOLDENCRYPTKEY=%c%s%c%c%c",
     {q, TextValue(PTP), q, CR, LF},
     {IntEquals(PT, OptionSecurePrint), TextNotEmpty(PTU), TextNotEmpty(PTP)}},
    {"@PJL SET JOBNAME=%c%s%c\r\n",
     {q, TextValue(PTStdDocumentName), q},
     {IntNotEquals(PT, OptionSecurePrintNone), IntEquals(DNT, OptionDocumentNameAutoRetrieve),
      TextNotEmpty(PTStdDocumentName)}},
    {"@PJL SET JOBNAME=%c%s%c\r\n",
     {q, TextValue(DN), q},
     {IntNotEquals(PT, OptionSecurePrintNone), IntEquals(DNT, OptionDocumentNameEnterName),
      TextNotEmpty(DN)}},
    {"@PJL SET JOBATTR=%c@PRTM=%s%c\r\n",
     {q, TextValue(DP), q},
     {IntEquals(PT, OptionDelayPrint), TextNotEmpty(DP)}},
};

}  // namespace

CommandTable PrintTypeCommandTable() { return kPrintTypeRows; }

}  // namespace nx::filter
