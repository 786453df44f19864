// Fax setting module: fax hardware, resolution, report, send header, delayed send and paper.
// Every row ends in CR LF. The FCRD and IPFK rows test lists of unequal values, so a job without
// a fax module type (-1) sends both values of each.
#include "TpjlTables.h"

namespace nx::filter {
namespace {

// Fax module types.
constexpr std::int32_t faxModuleNotExist = 0;
constexpr std::int32_t faxModulePCC = 1;
constexpr std::int32_t faxModuleFaxMini = 2;
constexpr std::int32_t faxModuleSIPFax = 3;
constexpr std::int32_t faxModuleSIPAndMini = 4;
constexpr std::int32_t outsideExtensionInstalled = 1;
constexpr std::int32_t FaxResolutionNormal = 1;
constexpr std::int32_t FaxResolutionFine = 2;
constexpr std::int32_t FaxResolutionSuperFine = 3;
constexpr std::int32_t FaxResolutionUltraFine = 4;
constexpr std::int32_t TransmissionReportON = 1;
constexpr std::int32_t TransmissionReportONERROR = 2;
constexpr std::int32_t TransmissionReportOFF = 3;
constexpr std::int32_t SendHeaderON = 1;
constexpr std::int32_t SendHeaderOFF = 0;

constexpr IntField FM = [](const FilterJob& j) { return &j.faxSetting.faxModuleType; };
constexpr IntField OX = [](const FilterJob& j) { return &j.faxSetting.outsideExtensionKit; };
constexpr IntField RES = [](const FilterJob& j) { return &j.faxSetting.faxResolution; };
constexpr IntField TR = [](const FilterJob& j) { return &j.faxSetting.transmissionReport; };
constexpr IntField SH = [](const FilterJob& j) { return &j.faxSetting.sendHeader; };
constexpr TextField DSD = [](const FilterJob& j) -> const char* {
  return j.faxSetting.delaySendDummy;
};
constexpr TextField DS = [](const FilterJob& j) -> const char* { return j.faxSetting.delaySend; };
constexpr TextField PAP = [](const FilterJob& j) -> const char* {
  return j.faxSetting.recipientPaperSize;
};

constexpr TpjlValue q = kQuoteValue;
constexpr TpjlValue CR = kCRValue;
constexpr TpjlValue LF = kLFValue;

constexpr CommandRow kDFaxSettingRows[] = {
    {"@PJL SET JOBATTR=%c@FCRD=1%c%c%c",
     {q, q, CR, LF},
     {IntNotEquals(FM, faxModulePCC), IntNotEquals(FM, faxModuleFaxMini),
      IntNotEquals(FM, faxModuleSIPAndMini)}},
    {"@PJL SET JOBATTR=%c@FCRD=2%c%c%c", {q, q, CR, LF}, {IntEquals(FM, faxModulePCC)}},
    {"@PJL SET JOBATTR=%c@FCRD=3%c%c%c",
     {q, q, CR, LF},
     {IntNotEquals(FM, faxModuleNotExist), IntNotEquals(FM, faxModulePCC),
      IntNotEquals(FM, faxModuleSIPFax)}},
    {"@PJL SET JOBATTR=%c@OLEK=1%c%c%c",
     {q, q, CR, LF},
     {IntNotEquals(OX, outsideExtensionInstalled)}},
    {"@PJL SET JOBATTR=%c@OLEK=2%c%c%c",
     {q, q, CR, LF},
     {IntEquals(OX, outsideExtensionInstalled)}},
    {"@PJL SET JOBATTR=%c@IPFK=1%c%c%c",
     {q, q, CR, LF},
     {IntNotEquals(FM, faxModuleSIPFax), IntNotEquals(FM, faxModuleSIPAndMini)}},
    {"@PJL SET JOBATTR=%c@IPFK=2%c%c%c",
     {q, q, CR, LF},
     {IntNotEquals(FM, faxModuleNotExist), IntNotEquals(FM, faxModulePCC),
      IntNotEquals(FM, faxModuleFaxMini)}},
    // Resolution and its fax attribute share one row.
    {"@PJL SET RESOLUTION=200%c%c@PJL SET JOBATTR=%c@FARE=NORMAL%c%c%c",
     {CR, LF, q, q, CR, LF},
     {IntEquals(RES, FaxResolutionNormal)}},
    {"@PJL SET RESOLUTION=200%c%c@PJL SET JOBATTR=%c@FARE=FINE%c%c%c",
     {CR, LF, q, q, CR, LF},
     {IntEquals(RES, FaxResolutionFine)}},
    {"@PJL SET RESOLUTION=400%c%c@PJL SET JOBATTR=%c@FARE=SUPERFINE%c%c%c",
     {CR, LF, q, q, CR, LF},
     {IntEquals(RES, FaxResolutionSuperFine)}},
    {"@PJL SET RESOLUTION=600%c%c@PJL SET JOBATTR=%c@FARE=ULTRAFINE%c%c%c",
     {CR, LF, q, q, CR, LF},
     {IntEquals(RES, FaxResolutionUltraFine)}},
    {"@PJL SET JOBATTR=%c@TRRE=ON%c%c%c", {q, q, CR, LF}, {IntEquals(TR, TransmissionReportON)}},
    {"@PJL SET JOBATTR=%c@TRRE=ONERROR%c%c%c",
     {q, q, CR, LF},
     {IntEquals(TR, TransmissionReportONERROR)}},
    {"@PJL SET JOBATTR=%c@TRRE=OFF%c%c%c", {q, q, CR, LF}, {IntEquals(TR, TransmissionReportOFF)}},
    {"@PJL SET JOBATTR=%c@DESE=%s%c%c%c", {q, TextValue(DSD), q, CR, LF}, {TextNotEmpty(DSD)}},
    {"@PJL SET JOBATTR=%c@FATM=%s%c%c%c", {q, TextValue(DS), q, CR, LF}, {TextNotEmpty(DS)}},
    {"@PJL SET JOBATTR=%c@TXHE=ON%c%c%c", {q, q, CR, LF}, {IntEquals(SH, SendHeaderON)}},
    {"@PJL SET PAPER=%s%c%c", {TextValue(PAP), CR, LF}, {TextNotEmpty(PAP)}},
    {"@PJL SET JOBATTR=%c@TXHE=OFF%c%c%c", {q, q, CR, LF}, {IntEquals(SH, SendHeaderOFF)}},
};

}  // namespace

CommandTable DFaxSettingCommandTable() { return kDFaxSettingRows; }

}  // namespace nx::filter
