// Features module: finishing attributes (tab margin, trimmer, numbering in sequence, offset
// stacking, output face). Every row ends in LF only.
#include "TpjlTables.h"

namespace nx::filter {
namespace {

constexpr std::int32_t kSwitchOff = 0;
constexpr std::int32_t kSwitchOn = 1;
// Offset stacking.
constexpr std::int32_t OptionOffsetStackingEndOfSetPage = 4;
constexpr std::int32_t OptionOffsetStackingEndOfSetCopy = 5;
// Output face and order.
constexpr std::int32_t EjectOptionsOff = 1;
constexpr std::int32_t EjectOptionsDown = 2;
constexpr std::int32_t EjectOptionsUp = 3;
constexpr std::int32_t EjectOptionsDownReverse = 4;
constexpr std::int32_t EjectOptionsUpReverse = 5;

constexpr IntField TAB = [](const FilterJob& j) { return &j.features.tabMarginSwitch; };
constexpr IntField TRM = [](const FilterJob& j) { return &j.features.trimmerSwitch; };
constexpr IntField SEQ = [](const FilterJob& j) { return &j.features.numInSequenceSwitch; };
constexpr IntField OFS = [](const FilterJob& j) { return &j.features.offsetStacking; };
constexpr IntField EJ = [](const FilterJob& j) { return &j.features.ejectOptions; };
constexpr TextField TABV = [](const FilterJob& j) -> const char* {
  return j.features.tabMarginMMShift;
};
constexpr TextField TRMV = [](const FilterJob& j) -> const char* {
  return j.features.trimmerMMCuttingSize;
};
constexpr TextField SEQV = [](const FilterJob& j) -> const char* {
  return j.features.numInSequenceCount;
};
constexpr TextField OFSP = [](const FilterJob& j) -> const char* {
  return j.features.offsetStackingPages;
};
constexpr TextField OFSU = [](const FilterJob& j) -> const char* {
  return j.features.offsetStackingUnits;
};

constexpr TpjlValue q = kQuoteValue;
constexpr TpjlValue LF = kLFValue;

constexpr CommandRow kFeaturesRows[] = {
    {"@PJL SET JOBATTR=%c@TABS=OFF%c%c", {q, q, LF}, {IntEquals(TAB, kSwitchOff)}},
    {"@PJL SET JOBATTR=%c@TABS=%s%c%c", {q, TextValue(TABV), q, LF}, {IntEquals(TAB, kSwitchOn)}},
    {"@PJL SET JOBATTR=%c@TRMR=0%c%c", {q, q, LF}, {IntEquals(TRM, kSwitchOff)}},
    {"@PJL SET JOBATTR=%c@TRMR=%s%c%c", {q, TextValue(TRMV), q, LF}, {IntEquals(TRM, kSwitchOn)}},
    {"@PJL SET JOBATTR=%c@MDOC=0%c%c", {q, q, LF}, {IntEquals(SEQ, kSwitchOff)}},
    {"@PJL SET JOBATTR=%c@MDOC=%s%c%c", {q, TextValue(SEQV), q, LF}, {IntEquals(SEQ, kSwitchOn)}},
    {"@PJL SET JOBOFFSET=PAGES%c", {LF}, {IntEquals(OFS, OptionOffsetStackingEndOfSetPage)}},
    {"@PJL SET JOBOFFSET=COPIES%c", {LF}, {IntEquals(OFS, OptionOffsetStackingEndOfSetCopy)}},
    {"@PJL SET JOBATTR=%c@OCSN=%s%c%c",
     {q, TextValue(OFSP), q, LF},
     {IntEquals(OFS, OptionOffsetStackingEndOfSetPage)}},
    {"@PJL SET JOBATTR=%c@OCSN=%s%c%c",
     {q, TextValue(OFSU), q, LF},
     {IntEquals(OFS, OptionOffsetStackingEndOfSetCopy)}},
    {"@PJL SET JOBATTR=%c@FACE=OFF%c%c", {q, q, LF}, {IntEquals(EJ, EjectOptionsOff)}},
    {"@PJL SET JOBATTR=%c@FACE=DOWN%c%c", {q, q, LF}, {IntEquals(EJ, EjectOptionsDown)}},
    {"@PJL SET JOBATTR=%c@FACE=UP%c%c", {q, q, LF}, {IntEquals(EJ, EjectOptionsUp)}},
    {"@PJL SET JOBATTR=%c@FACE=DOWN_REVERSE%c%c",
     {q, q, LF},
     {IntEquals(EJ, EjectOptionsDownReverse)}},
    {"@PJL SET JOBATTR=%c@FACE=UP_REVERSE%c%c", {q, q, LF}, {IntEquals(EJ, EjectOptionsUpReverse)}},
};

}  // namespace

CommandTable FeaturesCommandTable() { return kFeaturesRows; }

}  // namespace nx::filter
