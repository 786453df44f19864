// Settings ticket readers and the key catalogue; see TicketReader.h.
#include "TicketReader.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "DeviceEncoding.h"
#include "EncryptLib.h"
#include "FaxSettingModule.h"
#include "QueuePpd.h"
#include "nx/platform/paths.h"
#include "nx/ticket/byte_list.h"
#include "nx/ticket/protected_text.h"

namespace nx::filter {
namespace {

namespace key = nx::ticket::key;

constexpr char kLayoutRowsKey[] = "com.apple.print.PrintSettings.PMLayoutRows..n.";
constexpr char kLayoutColumnsKey[] = "com.apple.print.PrintSettings.PMLayoutColumns..n.";

// Password values: bytes of the decoded ticket text kept, and the limit of the device-key blob
// (the storage form's limits are nx::ticket's).
constexpr std::size_t kPasswordTextLimit = 1023;
constexpr std::size_t kDeviceBlobLimit = 2000;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Decimal reading with atoi's syntax; saturates instead of overflowing.
std::int32_t ParseTicketInteger(const char* text) {
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  std::int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > std::int64_t{INT32_MAX} + 1) value = std::int64_t{INT32_MAX} + 1;
  }
  if (negative) value = -value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// Length of `text` cut to at most `limit` bytes, backed off to a UTF-8 character boundary when
// the cut falls inside a character.
std::size_t CutAtUtf8Boundary(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  std::size_t cut = limit;
  for (int back = 0; back < 3 && cut > 0; ++back) {
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80) break;
    --cut;
  }
  if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) cut = limit;  // not UTF-8 anyway
  return cut;
}

// Decodes `value` (plain or byte list), keeps at most `limit` bytes of it, converts it into the
// device encoding in `destination` and removes bytes that would break a header line.
void ConvertTicketText(const char* value, std::size_t limit, char* destination, std::size_t size) {
  std::memset(destination, 0, size);
  std::string work;
  try {
    // One byte beyond the limit tells whether the text had to be cut.
    if (value[0] == '/') {
      work.resize(limit + 1);
      work.resize(nx::ticket::DecodeTicketText(value, work.data(), work.size()));
    } else {
      work.assign(value, strnlen(value, limit + 1));
    }
  } catch (const std::bad_alloc&) {
    return;
  }
  work.resize(CutAtUtf8Boundary(work, limit));
  ConvertUTF8ToEncoding(work, destination, size);
  StripHeaderUnsafeBytes(destination);
}

// True when the queue's PPD asks for passwords re-encrypted under the device key.
bool DeviceWantsReEncryption(const FilterJob& job) {
  return QueuePpdDefaultChoice(job, "NXEncryptionSetting") == "New";
}

// Zeroes a buffer that held a plain password when it goes out of scope.
template <std::size_t N>
struct SecretBuffer {
  unsigned char bytes[N]{};
  ~SecretBuffer() { OPENSSL_cleanse(bytes, N); }
};

// Replaces the base64 storage-encrypted password in `text` (capacity `size`) with base64 of the
// device-key blob. On failure `text` is left as it was. Returns 1 on success.
int ReEncryptPassword(const encrypt::DeviceKey& deviceKey, char* text, std::size_t size) {
  namespace enc = nx::encrypt;
  std::string plain;
  struct Wipe {
    std::string& text;
    ~Wipe() { OPENSSL_cleanse(text.data(), text.size()); }
  } wipe{plain};
  if (nx::ticket::DecryptStoredText(text, &plain) != enc::kEncSuccess) return 0;
  SecretBuffer<kDeviceBlobLimit> blob;
  int blobLength = static_cast<int>(kDeviceBlobLimit);
  const int encodeResult =
      deviceKey.Encode(plain.data(), static_cast<int>(plain.size()), blob.bytes, &blobLength);
  if (encodeResult != enc::kEncSuccess) {
    std::fprintf(stderr, "##filter debug## final encode failed encodeResult : %d \n", encodeResult);
    return 0;
  }
  std::string encoded(size, '\0');
  int encodedLength = 0;
  if (enc::XSPBinToB64(blob.bytes, blobLength, encoded.data(), &encodedLength,
                       static_cast<int>(size) - 1) != enc::kXspSuccess) {
    return 0;
  }
  std::memset(text, 0, size);
  std::memcpy(text, encoded.data(), static_cast<std::size_t>(encodedLength));
  return 1;
}

template <class T>
TicketReadRow Row(const char* key, T& field, TicketReader reader) {
  return {key, &field, sizeof field, reader};
}

}  // namespace

std::string DeviceKeyFile() { return platform::SystemDir() + "/device_public_key.pem"; }

const encrypt::DeviceKey& JobDeviceKey::Get() const {
  if (key_) return *key_;
  // A deployment's own key, when one is installed in place of the built-in key: at most a few
  // kilobytes of its file are read. An installed key that cannot be read must not send the
  // passwords under the built-in key: it counts as a key that does not decode.
  std::string text;
  bool unreadable = false;
  if (std::FILE* file = std::fopen(DeviceKeyFile().c_str(), "rb")) {
    text.resize(16 * 1024);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    unreadable = std::ferror(file) != 0;
    std::fclose(file);
  } else {
    unreadable = errno != ENOENT && errno != ENOTDIR;
  }
  if (unreadable) {
    key_ = std::make_shared<const encrypt::DeviceKey>("", 0);
  } else if (text.empty()) {
    key_ = std::make_shared<const encrypt::DeviceKey>();
  } else {
    key_ = std::make_shared<const encrypt::DeviceKey>(text.data(), static_cast<int>(text.size()));
  }
  return *key_;
}

int GetTicketFromArray(const FilterJob& job, std::span<const TicketReadRow> table) {
  for (const TicketReadRow& row : table) {
    if (row.reader != nullptr) row.reader(row.key, job, row.destination, row.size);
  }
  return 1;
}

int GetTicketInteger(const char* key, const FilterJob& job, void* destination,
                     std::size_t size) {
  const char* value = job.options.Find(key);
  const std::int32_t result = value ? ParseTicketInteger(value) : -1;
  if (destination != nullptr && size >= sizeof result) {
    std::memcpy(destination, &result, sizeof result);
  }
  return value ? 1 : 0;
}

int GetTicketStringConvertedToPrtLang(const char* key, const FilterJob& job,
                                      void* destination, std::size_t size) {
  auto* out = static_cast<char*>(destination);
  if (out == nullptr || size == 0) return job.options.Find(key) ? 1 : 0;
  std::memset(out, 0, size);
  const char* value = job.options.Find(key);
  if (value == nullptr) return 0;
  ConvertTicketText(value, 2 * size - 1, out, size);
  return 1;
}

int GetNumberUpTicketString(const char* key, const FilterJob& job, void* destination,
                            std::size_t size) {
  auto* out = static_cast<char*>(destination);
  if (out == nullptr || size == 0) return 1;
  std::string text = "1";
  if (const char* numberUp = job.options.Find(key)) {
    text = "N";
    text.append(numberUp, strnlen(numberUp, 2 * size));
  } else {
    const char* rows = job.options.Find(kLayoutRowsKey);
    const char* columns = job.options.Find(kLayoutColumnsKey);
    if (rows != nullptr && columns != nullptr) {
      const std::int64_t product =
          std::int64_t{ParseTicketInteger(rows)} * std::int64_t{ParseTicketInteger(columns)};
      if (product == 0) {
        text = "N";
      } else if (product >= 2 && product <= 99) {
        text = "N" + std::to_string(product);
      }
      // A negative or implausibly large layout counts as no layout: "1".
    }
  }
  ConvertUTF8ToEncoding(text, out, size);
  StripHeaderUnsafeBytes(out);
  return 1;
}

int GetTicketPasswordStringConvertedToEncryption(const char* key, const FilterJob& job,
                                                 void* destination, std::size_t size) {
  auto* out = static_cast<char*>(destination);
  if (out == nullptr || size == 0) return 0;
  std::memset(out, 0, size);
  const char* value = job.options.Find(key);
  if (value == nullptr) return 0;
  ConvertTicketText(value, kPasswordTextLimit, out, size);
  if (!DeviceWantsReEncryption(job)) return 1;
  return ReEncryptPassword(job.deviceKey.Get(), out, size);
}

std::size_t numstrtochar(char* text) {
  if (text == nullptr) return 0;
  const std::size_t length = std::strlen(text);
  if (text[0] != '/') return length;
  const std::size_t n = nx::ticket::DecodeTicketText({text, length}, text, length);
  text[n] = 0;
  return n;
}

std::vector<TicketReadRow> PrintTypeTicketTable(FilterJob& job) {
  PrintTypeOption& o = job.printType;
  return {
      Row(key::PrintTypeTicketKey, o.printType, GetTicketInteger),
      Row(key::PrintTypeUserNameTicketKey, o.userName,
          GetTicketStringConvertedToPrtLang),
      Row(key::PrintTypePasswordTicketKey, o.password,
          GetTicketPasswordStringConvertedToEncryption),
      Row(key::DocumentNameTypeTicketKey, o.documentNameType, GetTicketInteger),
      Row(key::DocumentNameTicketKey, o.documentName,
          GetTicketStringConvertedToPrtLang),
      Row(key::DelayPrintTicketKey, o.delayPrint, GetTicketStringConvertedToPrtLang),
      Row(key::PrintTypeMBNTicketKey, o.mailboxNumber,
          GetTicketStringConvertedToPrtLang),
      Row(key::PrintTypeMBNPasswordTicketKey, o.mailboxPassword,
          GetTicketPasswordStringConvertedToEncryption),
  };
}

std::vector<TicketReadRow> JBATicketTable(FilterJob& job) {
  JBAOption& o = job.jba;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  constexpr TicketReader P = GetTicketPasswordStringConvertedToEncryption;
  return {
      Row(key::JBAIPAddressStringTicket, o.ipAddressString, T),
      Row("number-up", o.numberUp, GetNumberUpTicketString),
      Row(key::JBAManageTypeListTicketKey, o.manageType, I),
      Row(key::JBAUserSettingRadioBtnTicket, o.userSetting, I),
      Row(key::JBAUserIDListCtrlTicket, o.userIDList, I),
      Row(key::JBAUserIDTextEditTicket, o.userID, T),
      Row(key::JBAUserPasswordTextEditTicket, o.userPassword, P),
      Row(key::JBADomainNameTextEditTicket, o.domainName, T),
      Row(key::JBAInputDomainNameTextEditTicket, o.inputDomainName, T),
      Row(key::JBAAccountIDTextEditTicket, o.accountID, T),
      Row(key::JBAStorageIDTextEditTicket, o.storageID, T),
      Row(key::JBAStoragePasswordTextEditTicket, o.storagePassword, P),
      Row(key::JBAUserInputRadioBtnTicket, o.userInput, I),
      Row(key::JBAInputAuthRadioBtnTicketKey, o.inputAuth, I),
      Row(key::JBAInputStrgRadioBtnTicketKey, o.inputStorage, I),
      Row(key::JBAInputStorageIDTextEditTicket, o.inputStorageID, T),
      Row(key::JBAInputStoragePasswordTextEditTicket, o.inputStoragePassword, P),
      Row(key::JBAInputUserIDTextEditTicket, o.inputUserID, T),
      Row(key::JBAInputUserPasswordTextEditTicket, o.inputUserPassword, P),
      Row(key::JBAInputAccountIDTextEditTicket, o.inputAccountID, T),
  };
}

std::vector<TicketReadRow> JBAAdminTicketTable(FilterJob& job) {
  JBAAdminOption& o = job.jbaAdmin;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  constexpr TicketReader P = GetTicketPasswordStringConvertedToEncryption;
  return {
      Row(key::JBAAdminUserSettingRadioBtnTicket, o.userSetting, I),
      Row(key::JBAAdminUserIDListCtrlTicket, o.userIDList, I),
      Row(key::JBAAdminUserIDTextEditTicket, o.userID, T),
      Row(key::JBAAdminDomainNameTextEditTicket, o.domainName, T),
      Row(key::JBAAdminUserPasswordTextEditTicket, o.userPassword, P),
      Row(key::JBAAdminAccountIDTextEditTicket, o.accountID, T),
      Row(key::JBAAdminStorageIDTextEditTicket, o.storageID, T),
      Row(key::JBAAdminStoragePasswordTextEditTicket, o.storagePassword, P),
      Row(key::JBAAdminUserInputRadioBtnTicket, o.userInput, I),
  };
}

std::vector<TicketReadRow> FeaturesTicketTable(FilterJob& job) {
  FeaturesOption& o = job.features;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  return {
      Row(key::TabMarginSwitchTicket, o.tabMarginSwitch, I),
      Row(key::TrimmerSwitchTicket, o.trimmerSwitch, I),
      Row(key::TabMarginMMShiftTicket, o.tabMarginMMShift, T),
      Row(key::TrimmerMMCuttingSizeTicket, o.trimmerMMCuttingSize, T),
      Row(key::NumInSequenceSwitchTicket, o.numInSequenceSwitch, I),
      Row(key::NumInSequenceLArrowTicket, o.numInSequenceCount, T),
      Row(key::OffsetStackingListTicket, o.offsetStacking, I),
      Row(key::OffsetStackingPagesLArrowTicket, o.offsetStackingPages, T),
      Row(key::OffsetStackingUnitsLArrowTicket, o.offsetStackingUnits, T),
      Row(key::EjectOptionsListTicket, o.ejectOptions, I),
  };
}

std::vector<TicketReadRow> SpecialPageTicketTable(FilterJob& job) {
  return {Row(key::TPIFCommandFileNameTicket, job.specialPage.commandFileName,
              GetTicketStringConvertedToPrtLang)};
}

std::vector<TicketReadRow> DFaxSettingTicketTable(FilterJob& job) {
  DFaxSettingOption& o = job.faxSetting;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  return {
      Row(key::DeviceOptionFaxModuleTypePopupListTicket, o.faxModuleType, I),
      Row(key::DeviceOptionPhonebookExpansionKitPopupListTicket,
          o.phonebookExpansionKit, I),
      Row(key::DeviceOptionSpeedDialPopupListTicket, o.speedDial, I),
      Row(key::DeviceOptionOutsideExtensionKitPopupListTicket, o.outsideExtensionKit,
          I),
      Row(key::DeviceOptionISDNG4TypePopupListTicket, o.isdnG4Type, I),
      Row(key::DeviceOptionOutlineNumberEtxtTicket, o.outlineNumber, T),
      Row(key::DeviceOptionInlineNumberEtxtTicket, o.inlineNumber, T),
      Row(key::DeviceOptionPortSettingOutsideLinePopupListTicket,
          o.portSettingOutsideLine, I),
      Row(key::DeviceOptionPortSettingExtensionPopupListTicket, o.portSettingExtension,
          I),
      Row(key::DFaxSendHeaderTicket, o.sendHeader, I),
      Row(key::DFFaxResolutionPopupListTicket, o.faxResolution, I),
      Row(key::DFTransmissionReportPopupListTicket, o.transmissionReport, I),
      Row(key::DFDelaySendDummyKeyTicket, o.delaySendDummy, T),
      Row(key::DFDelaySendKeyTicket, o.delaySend, T),
      Row(key::DFRecipientListCountTicket, o.recipientListCount, I),
      Row(key::DFRecipientPaperSizeTicket, o.recipientPaperSize, T),
  };
}

int PrintTypeGetTicketFromPDE(FilterJob& job) {
  return GetTicketFromArray(job, PrintTypeTicketTable(job));
}

int JBAGetTicketFromPDE(FilterJob& job) {
  GetTicketFromArray(job, JBATicketTable(job));
  return GetTicketFromArray(job, JBAAdminTicketTable(job));
}

int FeaturesGetTicketFromPDE(FilterJob& job) {
  return GetTicketFromArray(job, FeaturesTicketTable(job));
}

int SpecialPageGetTicketFromPDE(FilterJob& job) {
  return GetTicketFromArray(job, SpecialPageTicketTable(job));
}

int PrintTypeGetProductTypeTicket(FilterJob& job) {
  return GetTicketInteger(key::PrintTypeProductTypeTicketKey, job,
                          &job.printType.productType, sizeof job.printType.productType);
}

int GetTicketFromPDE(FilterJob& job) {
  PrintTypeGetTicketFromPDE(job);
  JBAGetTicketFromPDE(job);
  FeaturesGetTicketFromPDE(job);
  SpecialPageGetTicketFromPDE(job);
  return DFaxSettingGetTicketFromPDE(job);
}

}  // namespace nx::filter
