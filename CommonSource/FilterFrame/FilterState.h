// The option records of one filter job, one per module, which the ticket readers fill and the
// TPJL command tables point at; FilterJob.h holds them with the rest of the job.
//
// Widths are the device's: each text field holds its value in the device encoding with the
// terminating NUL. Integer fields read -1 when their ticket key is absent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace nx::filter {

// Every password field: the protected value as the ticket reader leaves it.
inline constexpr std::size_t kTicketPasswordSize = 2048;
// One recipient item of the fax module.
inline constexpr std::size_t kRecipientItemSize = 2049;

struct PrintTypeOption {
  std::int32_t printType = 0;  // 1 none, 2 secure, 3 sample, 4 delayed, 5 mailbox
  char userName[25]{};
  char password[kTicketPasswordSize]{};
  std::int32_t documentNameType = 0;  // 1 from the job title, 2 entered name
  char documentName[65]{};
  char delayPrint[17]{};
  char mailboxNumber[5]{};
  char mailboxPassword[kTicketPasswordSize]{};
  std::int32_t productType = 0;  // read on its own for the document-name rule
};

// Accounting, common table.
struct JBAOption {
  char ipAddressString[46]{};
  char numberUp[10]{};
  std::int32_t manageType = 0;  // 1 administrator settings, 2 user settings
  std::int32_t userSetting = 0;
  std::int32_t userIDList = 0;  // 1 login name, 2 entered user ID
  char userID[33]{};
  char userPassword[kTicketPasswordSize]{};
  char domainName[65]{};
  char inputDomainName[65]{};
  char accountID[33]{};
  char storageID[25]{};
  char storagePassword[kTicketPasswordSize]{};
  std::int32_t userInput = 0;
  std::int32_t inputAuth = 0;
  std::int32_t inputStorage = 0;
  char inputStorageID[25]{};
  char inputStoragePassword[kTicketPasswordSize]{};
  char inputUserID[33]{};
  char inputUserPassword[kTicketPasswordSize]{};
  char inputAccountID[33]{};
};

// Accounting, administrator table.
struct JBAAdminOption {
  std::int32_t userSetting = 0;
  std::int32_t userIDList = 0;
  char userID[33]{};
  char domainName[65]{};
  char userPassword[kTicketPasswordSize]{};
  char accountID[33]{};
  char storageID[25]{};
  char storagePassword[kTicketPasswordSize]{};
  std::int32_t userInput = 0;
};

struct FeaturesOption {
  std::int32_t tabMarginSwitch = 0;
  std::int32_t trimmerSwitch = 0;
  char tabMarginMMShift[5]{};
  char trimmerMMCuttingSize[5]{};
  std::int32_t numInSequenceSwitch = 0;
  char numInSequenceCount[5]{};
  std::int32_t offsetStacking = 0;
  char offsetStackingPages[6]{};
  char offsetStackingUnits[6]{};
  std::int32_t ejectOptions = 0;
};

struct SpecialPageOption {
  char commandFileName[256]{};  // a job-ticket file sent ahead of the header
};

struct DFaxSettingOption {
  std::int32_t faxModuleType = 0;
  std::int32_t phonebookExpansionKit = 0;
  std::int32_t speedDial = 0;
  std::int32_t outsideExtensionKit = 0;
  std::int32_t isdnG4Type = 0;
  char outlineNumber[6]{};
  char inlineNumber[6]{};
  std::int32_t portSettingOutsideLine = 0;
  std::int32_t portSettingExtension = 0;
  std::int32_t sendHeader = 0;
  std::int32_t faxResolution = 0;
  std::int32_t transmissionReport = 0;
  char delaySendDummy[6]{};
  char delaySend[18]{};
  std::int32_t recipientListCount = 0;
  char recipientPaperSize[10]{};
};

// Why the fax module's reader found the recipient list unfit to send, though the count is 1 or
// more. The job is refused: a list the device would take only in part loses recipients without
// anyone noticing.
enum class RecipientListFault : std::int8_t {
  kNone,
  kTooMany,  // the count is above the most recipients one job takes
  kMissing,  // an index below the count has no item key
  kEmpty,    // an item reads as empty (written empty, or nothing of it survives the conversion)
};

}  // namespace nx::filter
