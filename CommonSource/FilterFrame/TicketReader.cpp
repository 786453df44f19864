// Settings ticket readers and the key catalogue; see TicketReader.h.
#include "TicketReader.h"

#include <cups/cups.h>
#include <openssl/crypto.h>

#include <algorithm>
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

namespace nx::filter {
namespace {

// Full ticket key of a panel setting.
#define NX_TICKET_KEY(name) "com.norvalex.nb.qtz.printsettings." name

constexpr char kLayoutRowsKey[] = "com.apple.print.PrintSettings.PMLayoutRows..n.";
constexpr char kLayoutColumnsKey[] = "com.apple.print.PrintSettings.PMLayoutColumns..n.";

// Password values: bytes of the decoded ticket text kept, and the limits of the re-encryption
// steps.
constexpr std::size_t kPasswordTextLimit = 1023;
constexpr std::size_t kStorageBlobLimit = 255;
constexpr std::size_t kPlainPasswordLimit = 255;
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

// Reads one byte-list field starting after its "/" and returns its byte: the low 8 bits of the
// signed value, 0 for 256 or more. Exact for numbers of any length. `*end` is set to the next "/"
// or the terminating NUL.
unsigned char ParseByteListField(const char* p, const char** end) {
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  unsigned residue = 0;  // value mod 256
  bool large = false;    // value >= 256
  unsigned small = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    residue = (residue * 10 + digit) % 256;
    if (!large) {
      small = small * 10 + digit;
      large = small >= 256;
    }
  }
  while (*p != '/' && *p != 0) ++p;  // rest of the field is ignored
  *end = p;
  if (!negative) return large ? 0 : static_cast<unsigned char>(small);
  return static_cast<unsigned char>((256 - residue) % 256);
}

// Decodes the byte list `src` (which starts with "/") into at most `capacity` bytes of `out`.
// Stops at a zero byte. `out` may be `src` itself: each field consumes at least its "/".
std::size_t DecodeByteList(const char* src, char* out, std::size_t capacity) {
  std::size_t n = 0;
  const char* p = src;
  while (*p == '/' && n < capacity) {
    const unsigned char byte = ParseByteListField(p + 1, &p);
    if (byte == 0) break;
    out[n++] = static_cast<char>(byte);
  }
  return n;
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
      work.resize(DecodeByteList(value, work.data(), work.size()));
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
bool DeviceWantsReEncryption() { return QueuePpdDefaultChoice("NXEncryptionSetting") == "New"; }

// Zeroes a buffer that held a plain password when it goes out of scope.
template <std::size_t N>
struct SecretBuffer {
  unsigned char bytes[N]{};
  ~SecretBuffer() { OPENSSL_cleanse(bytes, N); }
};

// The device key of a deployment, when one is installed in place of the built-in key: the key
// text of the file DeviceKeyFile() (at most a few kilobytes are read).
std::string InstalledDeviceKey() {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(DeviceKeyFile().c_str(), "rb"),
                                                       std::fclose);
  if (!file) return {};
  std::string key(16 * 1024, '\0');
  key.resize(std::fread(key.data(), 1, key.size(), file.get()));
  return key;
}

// Replaces the base64 storage-encrypted password in `text` (capacity `size`) with base64 of the
// device-key blob. On failure `text` is left as it was. Returns 1 on success.
int ReEncryptPassword(char* text, std::size_t size) {
  namespace enc = nx::encrypt;
  SecretBuffer<kStorageBlobLimit> stored;
  int storedLength = 0;
  if (enc::XSPB64ToBin(text, static_cast<int>(std::strlen(text)), stored.bytes, &storedLength,
                       static_cast<int>(kStorageBlobLimit)) != enc::kXspSuccess) {
    return 0;
  }
  SecretBuffer<kPlainPasswordLimit> plain;
  int plainLength = static_cast<int>(kPlainPasswordLimit);
  if (enc::Decode_Storage(stored.bytes, storedLength, enc::seed1, enc::seed1Len, enc::seed2,
                          enc::seed2Len, enc::seed3, enc::seed3Len, plain.bytes,
                          &plainLength) != enc::kEncSuccess) {
    return 0;
  }
  SecretBuffer<kDeviceBlobLimit> blob;
  int blobLength = static_cast<int>(kDeviceBlobLimit);
  const std::string deviceKey = InstalledDeviceKey();
  const int encodeResult =
      deviceKey.empty()
          ? enc::Encode_Random(plain.bytes, plainLength, blob.bytes, &blobLength)
          : enc::Encode_RandomWithKey(plain.bytes, plainLength, deviceKey.data(),
                                      static_cast<int>(deviceKey.size()), blob.bytes, &blobLength);
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

const char* JobArguments::OptionString() const {
  if (argv == nullptr || argc < 6 || argv[5] == nullptr) return "";
  return argv[5];
}

TicketOptions::TicketOptions(const char* optionString) {
  cups_option_t* options = nullptr;
  count_ = cupsParseOptions(optionString ? optionString : "", 0, &options);
  options_ = options;
  if (count_ < 0 || options_ == nullptr) count_ = 0;
}

TicketOptions::~TicketOptions() { cupsFreeOptions(count_, options_); }

const char* TicketOptions::Find(const char* key) const {
  if (key == nullptr) return nullptr;
  return cupsGetOption(key, count_, options_);
}

bool TicketOptions::Add(const char* key, const char* value) {
  if (key == nullptr || *key == 0 || value == nullptr) return false;
  count_ = cupsAddOption(key, value, count_, &options_);
  return Find(key) != nullptr && std::strcmp(Find(key), value) == 0;
}

const char* TicketOptions::name(int index) const {
  return index >= 0 && index < count_ ? options_[index].name : nullptr;
}

const char* TicketOptions::value(int index) const {
  return index >= 0 && index < count_ ? options_[index].value : nullptr;
}

int GetTicketFromArray(const JobArguments& args, std::span<const TicketReadRow> table) {
  std::optional<TicketOptions> parsed;
  const TicketOptions& options = args.options ? *args.options : parsed.emplace(args.OptionString());
  for (const TicketReadRow& row : table) {
    if (row.reader != nullptr) row.reader(row.key, options, row.destination, row.size);
  }
  return 1;
}

int GetTicketInteger(const char* key, const TicketOptions& options, void* destination,
                     std::size_t size) {
  const char* value = options.Find(key);
  const std::int32_t result = value ? ParseTicketInteger(value) : -1;
  if (destination != nullptr && size >= sizeof result) {
    std::memcpy(destination, &result, sizeof result);
  }
  return value ? 1 : 0;
}

int GetTicketStringConvertedToPrtLang(const char* key, const TicketOptions& options,
                                      void* destination, std::size_t size) {
  auto* out = static_cast<char*>(destination);
  if (out == nullptr || size == 0) return options.Find(key) ? 1 : 0;
  std::memset(out, 0, size);
  const char* value = options.Find(key);
  if (value == nullptr) return 0;
  ConvertTicketText(value, 2 * size - 1, out, size);
  return 1;
}

int GetNumberUpTicketString(const char* key, const TicketOptions& options, void* destination,
                            std::size_t size) {
  auto* out = static_cast<char*>(destination);
  if (out == nullptr || size == 0) return 1;
  std::string text = "1";
  if (const char* numberUp = options.Find(key)) {
    text = "N";
    text.append(numberUp, strnlen(numberUp, 2 * size));
  } else {
    const char* rows = options.Find(kLayoutRowsKey);
    const char* columns = options.Find(kLayoutColumnsKey);
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

int GetTicketPasswordStringConvertedToEncryption(const char* key, const TicketOptions& options,
                                                 void* destination, std::size_t size) {
  auto* out = static_cast<char*>(destination);
  if (out == nullptr || size == 0) return 0;
  std::memset(out, 0, size);
  const char* value = options.Find(key);
  if (value == nullptr) return 0;
  ConvertTicketText(value, kPasswordTextLimit, out, size);
  if (!DeviceWantsReEncryption()) return 1;
  return ReEncryptPassword(out, size);
}

std::size_t numstrtochar(char* text) {
  if (text == nullptr) return 0;
  if (text[0] != '/') return std::strlen(text);
  const std::size_t n = DecodeByteList(text, text, SIZE_MAX);
  text[n] = 0;
  return n;
}

std::vector<TicketReadRow> PrintTypeTicketTable(FilterJob& job) {
  PrintTypeOption& o = job.printType;
  return {
      Row(NX_TICKET_KEY("PrintTypeTicketKey"), o.printType, GetTicketInteger),
      Row(NX_TICKET_KEY("PrintTypeUserNameTicketKey"), o.userName,
          GetTicketStringConvertedToPrtLang),
      Row(NX_TICKET_KEY("PrintTypePasswordTicketKey"), o.password,
          GetTicketPasswordStringConvertedToEncryption),
      Row(NX_TICKET_KEY("DocumentNameTypeTicketKey"), o.documentNameType, GetTicketInteger),
      Row(NX_TICKET_KEY("DocumentNameTicketKey"), o.documentName,
          GetTicketStringConvertedToPrtLang),
      Row(NX_TICKET_KEY("DelayPrintTicketKey"), o.delayPrint, GetTicketStringConvertedToPrtLang),
      Row(NX_TICKET_KEY("PrintTypeMBNTicketKey"), o.mailboxNumber,
          GetTicketStringConvertedToPrtLang),
      Row(NX_TICKET_KEY("PrintTypeMBNPasswordTicketKey"), o.mailboxPassword,
          GetTicketPasswordStringConvertedToEncryption),
  };
}

std::vector<TicketReadRow> JBATicketTable(FilterJob& job) {
  JBAOption& o = job.jba;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  constexpr TicketReader P = GetTicketPasswordStringConvertedToEncryption;
  return {
      Row(NX_TICKET_KEY("JBAIPAddressStringTicket"), o.ipAddressString, T),
      Row("number-up", o.numberUp, GetNumberUpTicketString),
      Row(NX_TICKET_KEY("JBAManageTypeListTicketKey"), o.manageType, I),
      Row(NX_TICKET_KEY("JBAUserSettingRadioBtnTicket"), o.userSetting, I),
      Row(NX_TICKET_KEY("JBAUserIDListCtrlTicket"), o.userIDList, I),
      Row(NX_TICKET_KEY("JBAUserIDTextEditTicket"), o.userID, T),
      Row(NX_TICKET_KEY("JBAUserPasswordTextEditTicket"), o.userPassword, P),
      Row(NX_TICKET_KEY("JBADomainNameTextEditTicket"), o.domainName, T),
      Row(NX_TICKET_KEY("JBAInputDomainNameTextEditTicket"), o.inputDomainName, T),
      Row(NX_TICKET_KEY("JBAAccountIDTextEditTicket"), o.accountID, T),
      Row(NX_TICKET_KEY("JBAStorageIDTextEditTicket"), o.storageID, T),
      Row(NX_TICKET_KEY("JBAStoragePasswordTextEditTicket"), o.storagePassword, P),
      Row(NX_TICKET_KEY("JBAUserInputRadioBtnTicket"), o.userInput, I),
      Row(NX_TICKET_KEY("JBAInputAuthRadioBtnTicketKey"), o.inputAuth, I),
      Row(NX_TICKET_KEY("JBAInputStrgRadioBtnTicketKey"), o.inputStorage, I),
      Row(NX_TICKET_KEY("JBAInputStorageIDTextEditTicket"), o.inputStorageID, T),
      Row(NX_TICKET_KEY("JBAInputStoragePasswordTextEditTicket"), o.inputStoragePassword, P),
      Row(NX_TICKET_KEY("JBAInputUserIDTextEditTicket"), o.inputUserID, T),
      Row(NX_TICKET_KEY("JBAInputUserPasswordTextEditTicket"), o.inputUserPassword, P),
      Row(NX_TICKET_KEY("JBAInputAccountIDTextEditTicket"), o.inputAccountID, T),
  };
}

std::vector<TicketReadRow> JBAAdminTicketTable(FilterJob& job) {
  JBAAdminOption& o = job.jbaAdmin;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  constexpr TicketReader P = GetTicketPasswordStringConvertedToEncryption;
  return {
      Row(NX_TICKET_KEY("JBAAdminUserSettingRadioBtnTicket"), o.userSetting, I),
      Row(NX_TICKET_KEY("JBAAdminUserIDListCtrlTicket"), o.userIDList, I),
      Row(NX_TICKET_KEY("JBAAdminUserIDTextEditTicket"), o.userID, T),
      Row(NX_TICKET_KEY("JBAAdminDomainNameTextEditTicket"), o.domainName, T),
      Row(NX_TICKET_KEY("JBAAdminUserPasswordTextEditTicket"), o.userPassword, P),
      Row(NX_TICKET_KEY("JBAAdminAccountIDTextEditTicket"), o.accountID, T),
      Row(NX_TICKET_KEY("JBAAdminStorageIDTextEditTicket"), o.storageID, T),
      Row(NX_TICKET_KEY("JBAAdminStoragePasswordTextEditTicket"), o.storagePassword, P),
      Row(NX_TICKET_KEY("JBAAdminUserInputRadioBtnTicket"), o.userInput, I),
  };
}

std::vector<TicketReadRow> FeaturesTicketTable(FilterJob& job) {
  FeaturesOption& o = job.features;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  return {
      Row(NX_TICKET_KEY("TabMarginSwitchTicket"), o.tabMarginSwitch, I),
      Row(NX_TICKET_KEY("TrimmerSwitchTicket"), o.trimmerSwitch, I),
      Row(NX_TICKET_KEY("TabMarginMMShiftTicket"), o.tabMarginMMShift, T),
      Row(NX_TICKET_KEY("TrimmerMMCuttingSizeTicket"), o.trimmerMMCuttingSize, T),
      Row(NX_TICKET_KEY("NumInSequenceSwitchTicket"), o.numInSequenceSwitch, I),
      Row(NX_TICKET_KEY("NumInSequenceLArrowTicket"), o.numInSequenceCount, T),
      Row(NX_TICKET_KEY("OffsetStackingListTicket"), o.offsetStacking, I),
      Row(NX_TICKET_KEY("OffsetStackingPagesLArrowTicket"), o.offsetStackingPages, T),
      Row(NX_TICKET_KEY("OffsetStackingUnitsLArrowTicket"), o.offsetStackingUnits, T),
      Row(NX_TICKET_KEY("EjectOptionsListTicket"), o.ejectOptions, I),
  };
}

std::vector<TicketReadRow> SpecialPageTicketTable(FilterJob& job) {
  return {Row(NX_TICKET_KEY("TPIFCommandFileNameTicket"), job.specialPage.commandFileName,
              GetTicketStringConvertedToPrtLang)};
}

std::vector<TicketReadRow> DFaxSettingTicketTable(FilterJob& job) {
  DFaxSettingOption& o = job.faxSetting;
  constexpr TicketReader T = GetTicketStringConvertedToPrtLang;
  constexpr TicketReader I = GetTicketInteger;
  return {
      Row(NX_TICKET_KEY("DeviceOptionFaxModuleTypePopupListTicket"), o.faxModuleType, I),
      Row(NX_TICKET_KEY("DeviceOptionPhonebookExpansionKitPopupListTicket"),
          o.phonebookExpansionKit, I),
      Row(NX_TICKET_KEY("DeviceOptionSpeedDialPopupListTicket"), o.speedDial, I),
      Row(NX_TICKET_KEY("DeviceOptionOutsideExtensionKitPopupListTicket"), o.outsideExtensionKit,
          I),
      Row(NX_TICKET_KEY("DeviceOptionISDNG4TypePopupListTicket"), o.isdnG4Type, I),
      Row(NX_TICKET_KEY("DeviceOptionOutlineNumberEtxtTicket"), o.outlineNumber, T),
      Row(NX_TICKET_KEY("DeviceOptionInlineNumberEtxtTicket"), o.inlineNumber, T),
      Row(NX_TICKET_KEY("DeviceOptionPortSettingOutsideLinePopupListTicket"),
          o.portSettingOutsideLine, I),
      Row(NX_TICKET_KEY("DeviceOptionPortSettingExtensionPopupListTicket"), o.portSettingExtension,
          I),
      Row(NX_TICKET_KEY("DFaxSendHeaderTicket"), o.sendHeader, I),
      Row(NX_TICKET_KEY("DFFaxResolutionPopupListTicket"), o.faxResolution, I),
      Row(NX_TICKET_KEY("DFTransmissionReportPopupListTicket"), o.transmissionReport, I),
      Row(NX_TICKET_KEY("DFDelaySendDummyKeyTicket"), o.delaySendDummy, T),
      Row(NX_TICKET_KEY("DFDelaySendKeyTicket"), o.delaySend, T),
      Row(NX_TICKET_KEY("DFRecipientListCountTicket"), o.recipientListCount, I),
      Row(NX_TICKET_KEY("DFRecipientPaperSizeTicket"), o.recipientPaperSize, T),
  };
}

int PrintTypeGetTicketFromPDE(FilterJob& job, const JobArguments& args) {
  return GetTicketFromArray(args, PrintTypeTicketTable(job));
}

int JBAGetTicketFromPDE(FilterJob& job, const JobArguments& args) {
  GetTicketFromArray(args, JBATicketTable(job));
  return GetTicketFromArray(args, JBAAdminTicketTable(job));
}

int FeaturesGetTicketFromPDE(FilterJob& job, const JobArguments& args) {
  return GetTicketFromArray(args, FeaturesTicketTable(job));
}

int SpecialPageGetTicketFromPDE(FilterJob& job, const JobArguments& args) {
  return GetTicketFromArray(args, SpecialPageTicketTable(job));
}

int PrintTypeGetProductTypeTicket(FilterJob& job, const JobArguments& args) {
  std::optional<TicketOptions> parsed;
  const TicketOptions& options = args.options ? *args.options : parsed.emplace(args.OptionString());
  return GetTicketInteger(NX_TICKET_KEY("PrintTypeProductTypeTicketKey"), options,
                          &job.printType.productType, sizeof job.printType.productType);
}

int GetTicketFromPDE(FilterJob& job, const JobArguments& args) {
  PrintTypeGetTicketFromPDE(job, args);
  JBAGetTicketFromPDE(job, args);
  FeaturesGetTicketFromPDE(job, args);
  SpecialPageGetTicketFromPDE(job, args);
  return DFaxSettingGetTicketFromPDE(job, args);
}

}  // namespace nx::filter
