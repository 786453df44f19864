// The module tables row by row: each case is a ticket (read by the real readers) with fixed job
// names, and the lines one table sends for it. A last test checks that the cases reach every
// row's conditions on both sides.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "TableTestSupport.h"
#include "TpjlTables.h"

namespace nx::filter {
namespace {

using test::Entries;
using test::JobNames;
using test::TestArgs;
using test::Visible;

enum class Table { PrintType, JBAAdmin, JBA, Features, Fax };

CommandTable TableOf(Table t) {
  switch (t) {
    case Table::PrintType:
      return PrintTypeCommandTable();
    case Table::JBAAdmin:
      return JBAAdminCommandTable();
    case Table::JBA:
      return JBACommandTable();
    case Table::Features:
      return FeaturesCommandTable();
    case Table::Fax:
      return DFaxSettingCommandTable();
  }
  return {};
}

// A quoted job attribute line ending in CR LF, and one ending in LF only.
std::string A(const std::string& attr) { return "@PJL SET JOBATTR=\"@" + attr + "\"\r\n"; }
std::string AL(const std::string& attr) { return "@PJL SET JOBATTR=\"@" + attr + "\"\n"; }

// What the common table sends for every job with the default names.
const std::string kIdentity =
    AL("CNAM=mac1") + AL("LUNA=alice") + AL("HOAD=IC0A8010A") + AL("NLPP=1");
// Fax hardware lines for fax module 0 without an outside extension kit.
const std::string kNoModule = A("FCRD=1") + A("OLEK=1") + A("IPFK=1");

const std::string k40 = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
const std::string k32 = k40.substr(0, 32);

struct RowCase {
  const char* name;
  Table table;
  Entries ticket;
  std::string expected;
  JobNames names = {};
  void (*after)(FilterJob&) = nullptr;  // state the readers cannot produce
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

std::unique_ptr<FilterJob> JobFor(const RowCase& c) {
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(c.ticket));
  test::ReadTicket(args.Into(*job));
  test::SetNames(*job, c.names);
  if (c.after) c.after(*job);
  return job;
}

const RowCase kCases[] = {
    // Print type.
    {"PrintTypeAbsent", Table::PrintType, {}, ""},
    {"PrintTypeNoneSendsNothing",
     Table::PrintType,
     {{"PrintTypeTicketKey", "1"},
      {"PrintTypeUserNameTicketKey", "U1"},
      {"PrintTypePasswordTicketKey", "cHc="},
      {"DocumentNameTypeTicketKey", "1"}},
     "",
     {.document = "Report"}},
    {"SecurePrintWithPassword",
     Table::PrintType,
     {{"PrintTypeTicketKey", "2"},
      {"PrintTypeUserNameTicketKey", "U1"},
      {"PrintTypePasswordTicketKey", "cHc="},
      {"DocumentNameTypeTicketKey", "1"}},
     "@PJL SET HOLD=STORE\n@PJL SET HOLDTYPE=PRIVATE\n@PJL SET USERNAME=\"U1\"\r\n"
     "@PJL SET HOLDENCRYPTKEY=\"cHc=\"\r\n@PJL SET JOBNAME=\"Report\"\r\n",
     {.document = "Report"}},
    {"SecurePrintWithoutPasswordEnteredName",
     Table::PrintType,
     {{"PrintTypeTicketKey", "2"},
      {"PrintTypeUserNameTicketKey", "U1"},
      {"DocumentNameTypeTicketKey", "2"},
      {"DocumentNameTicketKey", "Minutes"}},
     "@PJL SET HOLD=STORE\n@PJL SET USERNAME=\"U1\"\r\n@PJL SET JOBNAME=\"Minutes\"\r\n"},
    {"SecurePrintWithoutUserIDOrDocumentName",
     Table::PrintType,
     {{"PrintTypeTicketKey", "2"},
      {"PrintTypePasswordTicketKey", "cHc="},
      {"DocumentNameTypeTicketKey", "1"}},
     ""},
    {"SamplePrint",
     Table::PrintType,
     {{"PrintTypeTicketKey", "3"},
      {"PrintTypeUserNameTicketKey", "U1"},
      {"DocumentNameTypeTicketKey", "2"}},
     "@PJL SET HOLD=PROOF\n@PJL SET USERNAME=\"U1\"\r\n"},
    {"SamplePrintWithoutUserID",
     Table::PrintType,
     {{"PrintTypeTicketKey", "3"}, {"DocumentNameTypeTicketKey", "1"}},
     "@PJL SET JOBNAME=\"Report\"\r\n",
     {.document = "Report"}},
    {"DelayedPrint",
     Table::PrintType,
     {{"PrintTypeTicketKey", "4"},
      {"PrintTypeUserNameTicketKey", "U1"},
      {"DelayPrintTicketKey", "202401011200"},
      {"DocumentNameTypeTicketKey", "1"}},
     "@PJL SET JOBNAME=\"Report\"\r\n@PJL SET JOBATTR=\"@PRTM=202401011200\"\r\n",
     {.document = "Report"}},
    {"DelayedPrintWithoutTime", Table::PrintType, {{"PrintTypeTicketKey", "4"}}, ""},
    {"MailboxWithoutPassword",
     Table::PrintType,
     {{"PrintTypeTicketKey", "5"},
      {"PrintTypeMBNTicketKey", "12"},
      {"PrintTypeUserNameTicketKey", "U1"}},
     "@PJL SET HOLD=BOXSTORE\n@PJL SET BOXNUMBER=12\r\n"},
    {"MailboxWithPassword",
     Table::PrintType,
     {{"PrintTypeTicketKey", "5"},
      {"PrintTypeMBNTicketKey", "12"},
      {"PrintTypeMBNPasswordTicketKey", "bWI="}},
     "@PJL SET HOLD=BOXSTORE\n@PJL SET HOLDTYPE=PRIVATE\n@PJL SET BOXNUMBER=12\r\n"
     "@PJL SET BOXENCRYPTKEY=\"bWI=\"\r\n"},

    // Accounting, administrator table.
    {"AdminNoAccountingKeys", Table::JBAAdmin, {}, ""},
    {"AdminLoginNameWithEveryDetail",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "1"},
      {"JBAAdminUserPasswordTextEditTicket", "pw"},
      {"JBAAdminDomainNameTextEditTicket", "dom"},
      {"JBAAdminAccountIDTextEditTicket", "acc"},
      {"JBAAdminStorageIDTextEditTicket", "S1"},
      {"JBAAdminStoragePasswordTextEditTicket", "spw"}},
     A("JOAU=alice") + A("JOEP=pw") + A("JOAD=dom") + A("DAID=acc") + A("ACID=S1") + A("ACEP=spw")},
    {"AdminLoginNameWithoutPasswords",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "1"},
      {"JBAAdminStorageIDTextEditTicket", "S1"}},
     A("JOAU=alice") + A("JOEP=") + A("DAID=") + A("ACID=S1") + A("ACEP=")},
    {"AdminLoginNameMissing",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "1"},
      {"JBAAdminUserPasswordTextEditTicket", "pw"}},
     A("DAID="),
     {.user = ""}},
    {"AdminEnteredIDWithPassword",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "2"},
      {"JBAAdminUserIDTextEditTicket", "ID1"},
      {"JBAAdminUserPasswordTextEditTicket", "pw"}},
     A("JOAU=ID1") + A("JOEP=pw") + A("DAID=")},
    {"AdminEnteredIDWithoutPassword",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "2"},
      {"JBAAdminUserIDTextEditTicket", "ID1"}},
     A("JOAU=ID1") + A("JOEP=") + A("DAID=")},
    {"AdminEnteredIDEmpty",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "2"},
      {"JBAAdminUserPasswordTextEditTicket", "pw"}},
     A("DAID=")},
    {"AdminRowsNotInUserMode",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"}},
     ""},
    {"AdminJobEntryAuthentication",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"},
      {"JBAInputUserPasswordTextEditTicket", "ipw"},
      {"JBAInputDomainNameTextEditTicket", "idom"},
      {"JBAInputAccountIDTextEditTicket", "iacc"}},
     A("JOAU=I1") + A("JOEP=ipw") + A("JOAD=idom") + A("DAID=iacc")},
    {"AdminJobEntryAuthenticationWithoutPassword",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"}},
     A("JOAU=I1") + A("JOEP=") + A("DAID=")},
    {"AdminJobEntryAuthenticationWithoutUserID",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputUserPasswordTextEditTicket", "ipw"}},
     A("DAID=")},
    {"AdminJobEntryStorageWithPassword",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputStorageIDTextEditTicket", "S1"},
      {"JBAInputStoragePasswordTextEditTicket", "spw"}},
     A("DAID=") + A("ACID=S1") + AL("JOAU=UnknownUser") + AL("JOEP=") + A("ACEP=spw")},
    {"AdminJobEntryStorageWithoutPassword",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputStorageIDTextEditTicket", "S1"}},
     A("DAID=") + A("ACID=S1") + AL("JOAU=UnknownUser") + AL("JOEP=") + A("ACEP=")},
    {"AdminJobEntryStorageWithoutID",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputStoragePasswordTextEditTicket", "spw"}},
     A("DAID=") + AL("JOAU=UnknownUser") + AL("JOEP=")},
    {"AdminStoredAndJobEntryBothSent",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAAdminUserSettingRadioBtnTicket", "1"},
      {"JBAAdminUserIDListCtrlTicket", "2"},
      {"JBAAdminUserIDTextEditTicket", "ID1"},
      {"JBAAdminUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"}},
     A("JOAU=ID1") + A("JOEP=") + A("DAID=") + A("JOAU=I1") + A("JOEP=") + A("DAID=")},
    {"AdminJobEntryKindsWithoutJobEntry",
     Table::JBAAdmin,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"}},
     ""},

    // Accounting, common table.
    {"CommonNoAccountingKeys", Table::JBA, {}, kIdentity},
    {"CommonUnknownHostAndUser",
     Table::JBA,
     {},
     AL("CNAM=UnknownHost") + AL("LUNA=UnknownUser") + AL("HOAD=IC0A8010A") + AL("NLPP=1"),
     {.user = "", .host = ""}},
    {"CommonClientAddressKeySet", Table::JBA, {{"JBAIPAddressStringTicket", "on"}}, kIdentity},
    {"CommonClientAddressKeySetWithoutAddress",
     Table::JBA,
     {{"JBAIPAddressStringTicket", "on"}},
     AL("CNAM=mac1") + AL("LUNA=alice") + AL("NLPP=1"),
     {.address = ""}},
    {"CommonNoAddress",
     Table::JBA,
     {},
     AL("CNAM=mac1") + AL("LUNA=alice") + AL("NLPP=1"),
     {.address = ""}},
    {"CommonNumberUp",
     Table::JBA,
     {{"number-up", "4"}},
     AL("CNAM=mac1") + AL("LUNA=alice") + AL("HOAD=IC0A8010A") + AL("NLPP=N4")},
    {"CommonPagesPerSheetNotRead",
     Table::JBA,
     {},
     AL("CNAM=mac1") + AL("LUNA=alice") + AL("HOAD=IC0A8010A"),
     {},
     [](FilterJob& j) { j.jba.numberUp[0] = 0; }},
    {"CommonLoginNameCutTo32Bytes",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserSettingRadioBtnTicket", "1"},
      {"JBAUserIDListCtrlTicket", "1"}},
     AL("CNAM=mac1") + AL("LUNA=" + k40) + AL("HOAD=IC0A8010A") + AL("NLPP=1") + A("JOAU=" + k32) +
         A("JOEP=") + A("DAID="),
     {.user = k40.c_str(), .jbaUser = k32.c_str()}},
    {"CommonLoginNameWithEveryDetail",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserSettingRadioBtnTicket", "1"},
      {"JBAUserIDListCtrlTicket", "1"},
      {"JBAUserPasswordTextEditTicket", "pw"},
      {"JBADomainNameTextEditTicket", "dom"},
      {"JBAAccountIDTextEditTicket", "acc"},
      {"JBAStorageIDTextEditTicket", "S1"},
      {"JBAStoragePasswordTextEditTicket", "spw"}},
     kIdentity + A("JOAU=alice") + A("JOEP=pw") + A("JOAD=dom") + A("DAID=acc") + A("ACID=S1") +
         A("ACEP=spw")},
    {"CommonLoginNameMissing",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserSettingRadioBtnTicket", "1"},
      {"JBAUserIDListCtrlTicket", "1"},
      {"JBAUserPasswordTextEditTicket", "pw"}},
     AL("CNAM=mac1") + AL("LUNA=UnknownUser") + AL("HOAD=IC0A8010A") + AL("NLPP=1") + A("DAID="),
     {.user = ""}},
    {"CommonEnteredIDWithPassword",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserSettingRadioBtnTicket", "1"},
      {"JBAUserIDListCtrlTicket", "2"},
      {"JBAUserIDTextEditTicket", "ABC"},
      {"JBAUserPasswordTextEditTicket", "pw"}},
     kIdentity + A("JOAU=ABC") + A("JOEP=pw") + A("DAID=")},
    {"CommonEnteredIDWithoutPassword",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserSettingRadioBtnTicket", "1"},
      {"JBAUserIDListCtrlTicket", "2"},
      {"JBAUserIDTextEditTicket", "ABC"},
      {"JBAStorageIDTextEditTicket", "S1"}},
     kIdentity + A("JOAU=ABC") + A("JOEP=") + A("DAID=") + A("ACID=S1") + A("ACEP=")},
    {"CommonEnteredIDEmpty",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserSettingRadioBtnTicket", "1"},
      {"JBAUserIDListCtrlTicket", "2"},
      {"JBAUserPasswordTextEditTicket", "pw"}},
     kIdentity + A("DAID=")},
    {"CommonJobEntryAuthentication",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"},
      {"JBAInputUserPasswordTextEditTicket", "ipw"},
      {"JBAInputDomainNameTextEditTicket", "idom"},
      {"JBAInputAccountIDTextEditTicket", "iacc"}},
     kIdentity + A("JOAU=I1") + A("JOEP=ipw") + A("JOAD=idom") + A("DAID=iacc")},
    {"CommonJobEntryAuthenticationWithoutPassword",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"}},
     kIdentity + A("JOAU=I1") + A("JOEP=") + A("DAID=")},
    {"CommonJobEntryAuthenticationWithoutUserID",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputUserPasswordTextEditTicket", "ipw"}},
     kIdentity + A("DAID=")},
    {"CommonJobEntryStorageWithoutPassword",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserInputRadioBtnTicket", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputStorageIDTextEditTicket", "S1"}},
     kIdentity + A("DAID=") + A("ACID=S1") + AL("JOAU=UnknownUser") + AL("JOEP=") + A("ACEP=")},
    {"CommonJobEntryStorageWithPassword",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserInputRadioBtnTicket", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputStorageIDTextEditTicket", "S1"},
      {"JBAInputStoragePasswordTextEditTicket", "spw"}},
     kIdentity + A("DAID=") + A("ACID=S1") + AL("JOAU=UnknownUser") + AL("JOEP=") + A("ACEP=spw")},
    {"CommonJobEntryStorageWithoutID",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "2"},
      {"JBAUserInputRadioBtnTicket", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"}},
     kIdentity + A("DAID=") + AL("JOAU=UnknownUser") + AL("JOEP=")},
    {"CommonUserRowsNotInAdminMode",
     Table::JBA,
     {{"JBAManageTypeListTicketKey", "1"},
      {"JBAUserSettingRadioBtnTicket", "1"},
      {"JBAUserIDListCtrlTicket", "1"},
      {"JBAUserInputRadioBtnTicket", "1"},
      {"JBAInputAuthRadioBtnTicketKey", "1"},
      {"JBAInputStrgRadioBtnTicketKey", "1"},
      {"JBAInputUserIDTextEditTicket", "I1"}},
     kIdentity},

    // Features.
    {"FeaturesAbsent", Table::Features, {}, ""},
    {"FeatureSwitchesOff",
     Table::Features,
     {{"TabMarginSwitchTicket", "0"},
      {"TabMarginMMShiftTicket", "5"},
      {"TrimmerSwitchTicket", "0"},
      {"NumInSequenceSwitchTicket", "0"}},
     AL("TABS=OFF") + AL("TRMR=0") + AL("MDOC=0")},
    {"FeatureSwitchesOn",
     Table::Features,
     {{"TabMarginSwitchTicket", "1"},
      {"TabMarginMMShiftTicket", "5"},
      {"TrimmerSwitchTicket", "1"},
      {"TrimmerMMCuttingSizeTicket", "10"},
      {"NumInSequenceSwitchTicket", "1"},
      {"NumInSequenceLArrowTicket", "3"}},
     AL("TABS=5") + AL("TRMR=10") + AL("MDOC=3")},
    {"OffsetStackingByPages",
     Table::Features,
     {{"OffsetStackingListTicket", "4"},
      {"OffsetStackingPagesLArrowTicket", "10"},
      {"OffsetStackingUnitsLArrowTicket", "3"}},
     "@PJL SET JOBOFFSET=PAGES\n" + AL("OCSN=10")},
    {"OffsetStackingByCopies",
     Table::Features,
     {{"OffsetStackingListTicket", "5"},
      {"OffsetStackingPagesLArrowTicket", "10"},
      {"OffsetStackingUnitsLArrowTicket", "3"}},
     "@PJL SET JOBOFFSET=COPIES\n" + AL("OCSN=3")},
    {"OffsetStackingEndOfSet",
     Table::Features,
     {{"OffsetStackingListTicket", "2"}, {"OffsetStackingPagesLArrowTicket", "10"}},
     ""},
    {"EjectOff", Table::Features, {{"EjectOptionsListTicket", "1"}}, AL("FACE=OFF")},
    {"EjectDown", Table::Features, {{"EjectOptionsListTicket", "2"}}, AL("FACE=DOWN")},
    {"EjectUp", Table::Features, {{"EjectOptionsListTicket", "3"}}, AL("FACE=UP")},
    {"EjectDownReverse",
     Table::Features,
     {{"EjectOptionsListTicket", "4"}},
     AL("FACE=DOWN_REVERSE")},
    {"EjectUpReverse", Table::Features, {{"EjectOptionsListTicket", "5"}}, AL("FACE=UP_REVERSE")},

    // Fax settings.
    {"FaxModuleAbsentSendsBothCardAndKitValues",
     Table::Fax,
     {},
     A("FCRD=1") + A("FCRD=3") + A("OLEK=1") + A("IPFK=1") + A("IPFK=2")},
    {"FaxModuleNone",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"},
      {"DeviceOptionOutsideExtensionKitPopupListTicket", "2"}},
     kNoModule},
    {"FaxModulePCCWithOutsideExtensionKit",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "1"},
      {"DeviceOptionOutsideExtensionKitPopupListTicket", "1"}},
     A("FCRD=2") + A("OLEK=2") + A("IPFK=1")},
    {"FaxModuleFaxMini",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "2"},
      {"DeviceOptionOutsideExtensionKitPopupListTicket", "0"}},
     A("FCRD=3") + A("OLEK=1") + A("IPFK=1")},
    {"FaxModuleSIPFax",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "3"}},
     A("FCRD=1") + A("OLEK=1") + A("IPFK=2")},
    {"FaxModuleSIPAndMini",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "4"}},
     A("FCRD=3") + A("OLEK=1") + A("IPFK=2")},
    {"ResolutionNormal",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"}, {"DFFaxResolutionPopupListTicket", "1"}},
     kNoModule + "@PJL SET RESOLUTION=200\r\n" + A("FARE=NORMAL")},
    {"ResolutionFine",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"}, {"DFFaxResolutionPopupListTicket", "2"}},
     kNoModule + "@PJL SET RESOLUTION=200\r\n" + A("FARE=FINE")},
    {"ResolutionSuperFine",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"}, {"DFFaxResolutionPopupListTicket", "3"}},
     kNoModule + "@PJL SET RESOLUTION=400\r\n" + A("FARE=SUPERFINE")},
    {"ResolutionUltraFine",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"}, {"DFFaxResolutionPopupListTicket", "4"}},
     kNoModule + "@PJL SET RESOLUTION=600\r\n" + A("FARE=ULTRAFINE")},
    {"ResolutionOutOfRange",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"}, {"DFFaxResolutionPopupListTicket", "5"}},
     kNoModule},
    {"TransmissionReportOn",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"},
      {"DFTransmissionReportPopupListTicket", "1"}},
     kNoModule + A("TRRE=ON")},
    {"TransmissionReportOnError",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"},
      {"DFTransmissionReportPopupListTicket", "2"}},
     kNoModule + A("TRRE=ONERROR")},
    {"TransmissionReportOff",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"},
      {"DFTransmissionReportPopupListTicket", "3"}},
     kNoModule + A("TRRE=OFF")},
    {"DelayedSendSendHeaderAndPaper",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"},
      {"DFDelaySendDummyKeyTicket", "1"},
      {"DFDelaySendKeyTicket", "202401011200"},
      {"DFaxSendHeaderTicket", "1"},
      {"DFRecipientPaperSizeTicket", "A4"}},
     kNoModule + A("DESE=1") + A("FATM=202401011200") + A("TXHE=ON") + "@PJL SET PAPER=A4\r\n"},
    {"SendHeaderOff",
     Table::Fax,
     {{"DeviceOptionFaxModuleTypePopupListTicket", "0"}, {"DFaxSendHeaderTicket", "0"}},
     kNoModule + A("TXHE=OFF")},
};

class TableRowsTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(TableRowsTest, SendsTheListedLines) {
  const RowCase& c = GetParam();
  test::ScopedEnv noPpd("PPD", std::nullopt);
  const auto job = JobFor(c);
  const std::string lines = test::TableLines(*job, TableOf(c.table));
  EXPECT_EQ(Visible(lines), Visible(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Tickets, TableRowsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TableRows, TablesHaveTheirRowCountsAndAreWellFormed) {
  const std::map<Table, std::size_t> counts = {{Table::PrintType, 12},
                                               {Table::JBAAdmin, 24},
                                               {Table::JBA, 31},
                                               {Table::Features, 15},
                                               {Table::Fax, 19}};
  for (const auto& [table, count] : counts) {
    EXPECT_EQ(TableOf(table).size(), count);
    EXPECT_TRUE(ValidateCommandTable(TableOf(table)));
  }
}

// Every row of every table is sent by at least one case and skipped by at least one.
TEST(TableRows, CasesReachEveryRowOnBothSides) {
  test::ScopedEnv noPpd("PPD", std::nullopt);
  for (Table table : {Table::PrintType, Table::JBAAdmin, Table::JBA, Table::Features, Table::Fax}) {
    const CommandTable rows = TableOf(table);
    std::vector<bool> sent(rows.size()), skipped(rows.size());
    for (const RowCase& c : kCases) {
      const auto job = JobFor(c);
      for (std::size_t r = 0; r < rows.size(); ++r) {
        (ConditionCompare(rows[r].conditions, *job) ? sent : skipped)[r] = true;
      }
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
      EXPECT_TRUE(sent[r]) << "table " << static_cast<int>(table) << " row " << r + 1
                           << " never sent";
      EXPECT_TRUE(skipped[r]) << "table " << static_cast<int>(table) << " row " << r + 1
                              << " never skipped";
    }
  }
}

}  // namespace
}  // namespace nx::filter
