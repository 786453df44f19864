// Accounting module: the administrator table (accounting mode 1) and the common table (the client
// identity for every job, then accounting mode 2).
#include "TpjlTables.h"

namespace nx::filter {
namespace {

// Accounting modes.
constexpr std::int32_t JBAModeListAdmin = 1;
constexpr std::int32_t JBAModeListUser = 2;
constexpr std::int32_t OptionUserInputTypeSelected = 1;
// Source of the user ID.
constexpr std::int32_t OptionComInUserTypeUseLogin = 1;
constexpr std::int32_t OptionComInUserTypeEnterName = 2;

constexpr TextField StdUserName = [](const FilterJob& j) -> const char* { return j.StdUserName; };
constexpr TextField StdJBAUserName = [](const FilterJob& j) -> const char* {
  return j.StdJBAUserName;
};
constexpr TextField HostNameStr = [](const FilterJob& j) -> const char* { return j.HostNameStr; };
constexpr TextField IPAddressStr = [](const FilterJob& j) -> const char* { return j.IPAddressStr; };

// Common table fields.
constexpr IntField M = [](const FilterJob& j) { return &j.jba.manageType; };
constexpr IntField US = [](const FilterJob& j) { return &j.jba.userSetting; };
constexpr IntField UL = [](const FilterJob& j) { return &j.jba.userIDList; };
constexpr IntField UI = [](const FilterJob& j) { return &j.jba.userInput; };
constexpr IntField IA = [](const FilterJob& j) { return &j.jba.inputAuth; };
constexpr IntField IS = [](const FilterJob& j) { return &j.jba.inputStorage; };
constexpr TextField IPT = [](const FilterJob& j) -> const char* { return j.jba.ipAddressString; };
constexpr TextField NUP = [](const FilterJob& j) -> const char* { return j.jba.numberUp; };
constexpr TextField UID = [](const FilterJob& j) -> const char* { return j.jba.userID; };
constexpr TextField UPW = [](const FilterJob& j) -> const char* { return j.jba.userPassword; };
constexpr TextField DOM = [](const FilterJob& j) -> const char* { return j.jba.domainName; };
constexpr TextField ACC = [](const FilterJob& j) -> const char* { return j.jba.accountID; };
constexpr TextField SID = [](const FilterJob& j) -> const char* { return j.jba.storageID; };
constexpr TextField SPW = [](const FilterJob& j) -> const char* { return j.jba.storagePassword; };
constexpr TextField IUID = [](const FilterJob& j) -> const char* { return j.jba.inputUserID; };
constexpr TextField IUPW = [](const FilterJob& j) -> const char* {
  return j.jba.inputUserPassword;
};
constexpr TextField IDOM = [](const FilterJob& j) -> const char* { return j.jba.inputDomainName; };
constexpr TextField IACC = [](const FilterJob& j) -> const char* { return j.jba.inputAccountID; };
constexpr TextField ISID = [](const FilterJob& j) -> const char* { return j.jba.inputStorageID; };
constexpr TextField ISPW = [](const FilterJob& j) -> const char* {
  return j.jba.inputStoragePassword;
};

// Administrator table fields.
constexpr IntField AUS = [](const FilterJob& j) { return &j.jbaAdmin.userSetting; };
constexpr IntField AUL = [](const FilterJob& j) { return &j.jbaAdmin.userIDList; };
constexpr IntField AUI = [](const FilterJob& j) { return &j.jbaAdmin.userInput; };
constexpr TextField AUID = [](const FilterJob& j) -> const char* { return j.jbaAdmin.userID; };
constexpr TextField AUPW = [](const FilterJob& j) -> const char* {
  return j.jbaAdmin.userPassword;
};
constexpr TextField ADOM = [](const FilterJob& j) -> const char* { return j.jbaAdmin.domainName; };
constexpr TextField AACC = [](const FilterJob& j) -> const char* { return j.jbaAdmin.accountID; };
constexpr TextField ASID = [](const FilterJob& j) -> const char* { return j.jbaAdmin.storageID; };
constexpr TextField ASPW = [](const FilterJob& j) -> const char* {
  return j.jbaAdmin.storagePassword;
};

constexpr TpjlValue q = kQuoteValue;
constexpr TpjlValue CR = kCRValue;
constexpr TpjlValue LF = kLFValue;

// Rows 21 and 22 end in LF only, the others in CR LF.
constexpr CommandRow kJBAAdminRows[] = {
    // Stored details, user ID from the login name or entered.
    {"@PJL SET JOBATTR=%c@JOAU=%s%c%c%c",
     {q, TextValue(StdJBAUserName), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      IntEquals(AUL, OptionComInUserTypeUseLogin), TextNotEmpty(StdUserName)}},
    {"@PJL SET JOBATTR=%c@JOAU=%s%c%c%c",
     {q, TextValue(AUID), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      IntEquals(AUL, OptionComInUserTypeEnterName), TextNotEmpty(AUID)}},
    {"@PJL SET JOBATTR=%c@JOEP=%s%c%c%c",
     {q, TextValue(AUPW), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      IntEquals(AUL, OptionComInUserTypeUseLogin), TextNotEmpty(StdUserName), TextNotEmpty(AUPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      IntEquals(AUL, OptionComInUserTypeUseLogin), TextNotEmpty(StdUserName), TextEmpty(AUPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%s%c%c%c",
     {q, TextValue(AUPW), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      IntEquals(AUL, OptionComInUserTypeEnterName), TextNotEmpty(AUID), TextNotEmpty(AUPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      IntEquals(AUL, OptionComInUserTypeEnterName), TextNotEmpty(AUID), TextEmpty(AUPW)}},
    {"@PJL SET JOBATTR=%c@JOAD=%s%c%c%c",
     {q, TextValue(ADOM), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      TextNotEmpty(ADOM)}},
    {"@PJL SET JOBATTR=%c@DAID=%s%c%c%c",
     {q, TextValue(AACC), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      TextNotEmpty(AACC)}},
    {"@PJL SET JOBATTR=%c@DAID=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      TextEmpty(AACC)}},
    {"@PJL SET JOBATTR=%c@ACID=%s%c%c%c",
     {q, TextValue(ASID), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      TextNotEmpty(ASID)}},
    {"@PJL SET JOBATTR=%c@ACEP=%s%c%c%c",
     {q, TextValue(ASPW), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      TextNotEmpty(ASID), TextNotEmpty(ASPW)}},
    {"@PJL SET JOBATTR=%c@ACEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUS, OptionUserInputTypeSelected),
      TextNotEmpty(ASID), TextEmpty(ASPW)}},
    // Details entered for this job: authentication details.
    {"@PJL SET JOBATTR=%c@JOAU=%s%c%c%c",
     {q, TextValue(IUID), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IUID)}},
    {"@PJL SET JOBATTR=%c@JOEP=%s%c%c%c",
     {q, TextValue(IUPW), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IUID), TextNotEmpty(IUPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextEmpty(IUPW), TextNotEmpty(IUID)}},
    {"@PJL SET JOBATTR=%c@JOAD=%s%c%c%c",
     {q, TextValue(IDOM), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IDOM)}},
    {"@PJL SET JOBATTR=%c@DAID=%s%c%c%c",
     {q, TextValue(IACC), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IACC)}},
    {"@PJL SET JOBATTR=%c@DAID=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextEmpty(IACC)}},
    // Details entered for this job: storage details.
    {"@PJL SET JOBATTR=%c@DAID=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected)}},
    {"@PJL SET JOBATTR=%c@ACID=%s%c%c%c",
     {q, TextValue(ISID), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected), TextNotEmpty(ISID)}},
    {"@PJL SET JOBATTR=%c@JOAU=UnknownUser%c\n",
     {q, q},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c\n",
     {q, q},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected)}},
    {"@PJL SET JOBATTR=%c@ACEP=%s%c%c%c",
     {q, TextValue(ISPW), q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected), TextNotEmpty(ISID), TextNotEmpty(ISPW)}},
    {"@PJL SET JOBATTR=%c@ACEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListAdmin), IntEquals(AUI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected), TextNotEmpty(ISID), TextEmpty(ISPW)}},
};

// Rows 1 to 7, 28 and 29 end in LF only, the others in CR LF.
constexpr CommandRow kJBARows[] = {
    // The client identity, for every job.
    {"@PJL SET JOBATTR=%c@CNAM=%s%c%c",
     {q, TextValue(HostNameStr), q, LF},
     {TextNotEmpty(HostNameStr)}},
    {"@PJL SET JOBATTR=%c@CNAM=UnknownHost%c\n", {q, q}, {TextEmpty(HostNameStr)}},
    {"@PJL SET JOBATTR=%c@LUNA=%s%c%c",
     {q, TextValue(StdUserName), q, LF},
     {TextNotEmpty(StdUserName)}},
    {"@PJL SET JOBATTR=%c@LUNA=UnknownUser%c\n", {q, q}, {TextEmpty(StdUserName)}},
    // Without a client address the line would be cut after its opening quote: not sent.
    {"@PJL SET JOBATTR=%c@HOAD=%s%c%c",
     {q, TextValue(IPAddressStr), q, LF},
     {TextNotEmpty(IPT), TextNotEmpty(IPAddressStr)}},
    {"@PJL SET JOBATTR=%c@HOAD=%s%c%c",
     {q, TextValue(IPAddressStr), q, LF},
     {TextEmpty(IPT), TextNotEmpty(IPAddressStr)}},
    {"@PJL SET JOBATTR=%c@NLPP=%s%c%c", {q, TextValue(NUP), q, LF}, {TextNotEmpty(NUP)}},
    // Stored details, user ID from the login name or entered.
    {"@PJL SET JOBATTR=%c@JOAU=%s%c%c%c",
     {q, TextValue(StdJBAUserName), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      IntEquals(UL, OptionComInUserTypeUseLogin), TextNotEmpty(StdUserName)}},
    {"@PJL SET JOBATTR=%c@JOAU=%s%c%c%c",
     {q, TextValue(UID), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      IntEquals(UL, OptionComInUserTypeEnterName), TextNotEmpty(UID)}},
    {"@PJL SET JOBATTR=%c@JOEP=%s%c%c%c",
     {q, TextValue(UPW), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      IntEquals(UL, OptionComInUserTypeUseLogin), TextNotEmpty(StdUserName), TextNotEmpty(UPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      IntEquals(UL, OptionComInUserTypeUseLogin), TextNotEmpty(StdUserName), TextEmpty(UPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%s%c%c%c",
     {q, TextValue(UPW), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      IntEquals(UL, OptionComInUserTypeEnterName), TextNotEmpty(UID), TextNotEmpty(UPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      IntEquals(UL, OptionComInUserTypeEnterName), TextNotEmpty(UID), TextEmpty(UPW)}},
    {"@PJL SET JOBATTR=%c@JOAD=%s%c%c%c",
     {q, TextValue(DOM), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      TextNotEmpty(DOM)}},
    {"@PJL SET JOBATTR=%c@DAID=%s%c%c%c",
     {q, TextValue(ACC), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      TextNotEmpty(ACC)}},
    {"@PJL SET JOBATTR=%c@DAID=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected), TextEmpty(ACC)}},
    {"@PJL SET JOBATTR=%c@ACID=%s%c%c%c",
     {q, TextValue(SID), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected),
      TextNotEmpty(SID)}},
    {"@PJL SET JOBATTR=%c@ACEP=%s%c%c%c",
     {q, TextValue(SPW), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected), TextNotEmpty(SID),
      TextNotEmpty(SPW)}},
    {"@PJL SET JOBATTR=%c@ACEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(US, OptionUserInputTypeSelected), TextNotEmpty(SID),
      TextEmpty(SPW)}},
    // Details entered for this job: authentication details.
    {"@PJL SET JOBATTR=%c@JOAU=%s%c%c%c",
     {q, TextValue(IUID), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IUID)}},
    {"@PJL SET JOBATTR=%c@JOEP=%s%c%c%c",
     {q, TextValue(IUPW), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IUID), TextNotEmpty(IUPW)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextEmpty(IUPW), TextNotEmpty(IUID)}},
    {"@PJL SET JOBATTR=%c@JOAD=%s%c%c%c",
     {q, TextValue(IDOM), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IDOM)}},
    {"@PJL SET JOBATTR=%c@DAID=%s%c%c%c",
     {q, TextValue(IACC), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextNotEmpty(IACC)}},
    {"@PJL SET JOBATTR=%c@DAID=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IA, OptionUserInputTypeSelected), TextEmpty(IACC)}},
    // Details entered for this job: storage details.
    {"@PJL SET JOBATTR=%c@DAID=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected)}},
    {"@PJL SET JOBATTR=%c@ACID=%s%c%c%c",
     {q, TextValue(ISID), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected), TextNotEmpty(ISID)}},
    {"@PJL SET JOBATTR=%c@JOAU=UnknownUser%c\n",
     {q, q},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected)}},
    {"@PJL SET JOBATTR=%c@JOEP=%c\n",
     {q, q},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected)}},
    {"@PJL SET JOBATTR=%c@ACEP=%s%c%c%c",
     {q, TextValue(ISPW), q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected), TextNotEmpty(ISID), TextNotEmpty(ISPW)}},
    {"@PJL SET JOBATTR=%c@ACEP=%c%c%c",
     {q, q, CR, LF},
     {IntEquals(M, JBAModeListUser), IntEquals(UI, OptionUserInputTypeSelected),
      IntEquals(IS, OptionUserInputTypeSelected), TextNotEmpty(ISID), TextEmpty(ISPW)}},
};

}  // namespace

CommandTable JBAAdminCommandTable() { return kJBAAdminRows; }

CommandTable JBACommandTable() { return kJBARows; }

}  // namespace nx::filter
