// The filter's main flow; see FilterMain.h.
#include "FilterMain.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "DeviceEncoding.h"
#include "FilterInit.h"
#include "FaxSettingModule.h"
#include "KTOutput.h"
#include "OutputPDFStream.h"
#include "StandardJobOptions.h"
#include "TpjlEngine.h"
#include "nx/platform/network.h"
#include "nx/platform/paths.h"
#include "nx/platform/system_version.h"
#include "nx/platform/text_encoding.h"

namespace nx::filter {

volatile std::sig_atomic_t CancelJobForPipe = 0;

namespace {

constexpr char kUnknownUser[] = "UnknownUser";
constexpr std::size_t kJBAUserNameBytes = 32;
constexpr std::size_t kHostNameBytes = 32;
constexpr std::size_t kAddressTextLimit = 45;
constexpr std::size_t kJobCopyPathLimit = 1034;
// The job copy path switches from the private temporary folder to TMPDIR above this version.
constexpr int kJobCopyTmpDirVersion = 0x109F;

extern "C" void OnSigTerm(int) {}
extern "C" void OnSigPipe(int) { CancelJobForPipe = 1; }

void InstallSignalHandlers() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  // Restarting keeps a stray SIGTERM from failing the raster reads half-way.
  action.sa_flags = SA_RESTART;
  action.sa_handler = OnSigTerm;
  sigaction(SIGTERM, &action, nullptr);
  action.sa_handler = OnSigPipe;
  sigaction(SIGPIPE, &action, nullptr);
  // A file grown past the size limit fails its write (EFBIG), which the document step reports
  // and cleans up after, instead of the signal killing the filter with its temporary files left.
  std::signal(SIGXFSZ, SIG_IGN);
}

// The process holds passwords and PINs in clear while the job runs: a core dump must not carry
// them. Restores the previous setting when the job is done (tests run jobs in-process).
class NonDumpableScope {
 public:
  NonDumpableScope() : previous_(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0)) { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }
  ~NonDumpableScope() {
    if (previous_ > 0) ::prctl(PR_SET_DUMPABLE, previous_, 0, 0, 0);
  }
  NonDumpableScope(const NonDumpableScope&) = delete;
  NonDumpableScope& operator=(const NonDumpableScope&) = delete;

 private:
  int previous_;
};

// The job header, built in memory: it is sent only once the document is complete, and reaches
// the job copy file with the rest of the job.
bool BuildJobHeader(FilterJob& job, std::string& header) {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* memory = ::open_memstream(&data, &size);
  if (!memory) return false;
  OutputTPJLCommand(job, memory);
  const bool ok = std::ferror(memory) == 0 && std::fclose(memory) == 0;
  if (ok) header.assign(data, size);
  std::free(data);
  return ok;
}

// Copies at most `limit` bytes of `source` (whole characters) into the zero-filled
// `destination` of `capacity` bytes and drops the bytes that could break a header line.
void CopyHeaderText(const char* source, std::size_t limit, char* destination, std::size_t capacity) {
  std::memset(destination, 0, capacity);
  if (limit > capacity - 1) limit = capacity - 1;
  std::memcpy(destination, source, platform::ShiftJisWholeCharPrefix(source, limit));
  StripHeaderUnsafeBytes(destination);
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

void SetJobUserName(FilterJob& job, const char* user) {
  ConvertUTF8ToEncoding(user ? user : "", job.StdUserName, sizeof job.StdUserName);
  CopyHeaderText(job.StdUserName, kJBAUserNameBytes, job.StdJBAUserName,
                 sizeof job.StdJBAUserName);
}

void ValidateJobUserName(FilterJob& job) {
  if (job.StdUserName[0] == 0 || !IsStringInScale(job.StdUserName, kUserNameScale) ||
      IsBlankString(job.StdUserName)) {
    std::memset(job.StdUserName, 0, sizeof job.StdUserName);
    std::memcpy(job.StdUserName, kUnknownUser, sizeof kUnknownUser);
  }
  // The scale admits the double quote, which would end the attribute's quotes.
  StripHeaderUnsafeBytes(job.StdUserName);
}

void SetJobDocumentName(FilterJob& job, const char* title) {
  ConvertUTF8ToEncoding(title ? title : "", job.StdDocumentName, sizeof job.StdDocumentName);
}

void ApplyDocumentNameRule(FilterJob& job, bool present) {
  std::memset(job.PTStdDocumentName, 0, sizeof job.PTStdDocumentName);
  if (!present) return;
  const std::int32_t type = job.printType.productType;
  const std::size_t limit = type == 3 ? 64 : type == 2 ? 12 : 24;
  const CharScale& scale = type == 2 ? kDocumentNameScaleProduct2 : kDocumentNameScale;

  char* name = job.StdDocumentName;
  const std::size_t length = strnlen(name, sizeof job.StdDocumentName);
  if (length > limit) {
    // Each character counts its bytes in the device encoding, so the cut falls between
    // characters: at the limit, or one byte short when a double-byte character straddles it.
    const std::size_t cut = platform::ShiftJisWholeCharPrefix(std::string_view(name, length), limit);
    std::memset(name + cut, 0, sizeof job.StdDocumentName - cut);
  }
  std::memcpy(job.PTStdDocumentName, name, limit);
  if (!IsStringInScale(job.PTStdDocumentName, scale)) {
    std::memset(job.PTStdDocumentName, 0, sizeof job.PTStdDocumentName);
    return;
  }
  StripHeaderUnsafeBytes(job.PTStdDocumentName);
}

constexpr std::string_view kIPv6Loopback = "600000000000000000000000000000001";

std::string SelectClientAddress(const std::vector<std::string>& addresses) {
  std::string ipv6;
  for (const std::string& text : addresses) {
    // A text with a colon is IPv6 even when it ends in dotted form (::ffff:a.b.c.d).
    if (Contains(text, ":")) {
      if (Contains(text, "fe80::1")) continue;
      std::string encoded = platform::EncodeClientAddress(text);
      // The loopback address tells the device nothing about the client.
      if (encoded == kIPv6Loopback) continue;
      if (!encoded.empty()) ipv6 = std::move(encoded);
    } else if (Contains(text, ".")) {
      // Any loopback address, not only 127.0.0.1: Debian maps the host name to 127.0.1.1.
      if (text.rfind("127.", 0) == 0 || text.size() > kAddressTextLimit) continue;
      return platform::EncodeClientAddress(text);
    }
  }
  return ipv6;
}

namespace {

constexpr char kOriginatingHostOption[] = "job-originating-host-name";

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The print server writes IPv6 peers as "[v1.<address>]" with the zone as "%25<zone>".
std::string PlainAddressText(std::string_view name) {
  if (name.size() < 2 || name.front() != '[' || name.back() != ']') return std::string(name);
  name = name.substr(1, name.size() - 2);
  if (name.substr(0, 3) == "v1.") name.remove_prefix(3);
  return std::string(name.substr(0, name.find('%')));
}

bool IsNumericAddress(const std::string& text, int& family) {
  unsigned char buffer[sizeof(in6_addr)];
  if (::inet_pton(AF_INET, text.c_str(), buffer) == 1) {
    family = AF_INET;
    return true;
  }
  const std::string noZone = text.substr(0, text.find('%'));
  if (::inet_pton(AF_INET6, noZone.c_str(), buffer) == 1) {
    family = AF_INET6;
    return true;
  }
  return false;
}

bool IsLoopbackAddress(const std::string& text, int family) {
  if (family == AF_INET) return text.rfind("127.", 0) == 0;
  in6_addr address{};
  if (::inet_pton(AF_INET6, text.substr(0, text.find('%')).c_str(), &address) != 1) return false;
  if (IN6_IS_ADDR_LOOPBACK(&address)) return true;
  return IN6_IS_ADDR_V4MAPPED(&address) && address.s6_addr[12] == 127;
}

bool IsLoopbackName(std::string_view name) {
  static constexpr std::string_view kNames[] = {"localhost", "localhost.localdomain", "localhost6",
                                                "localhost6.localdomain6", "ip6-localhost", "ip6-loopback"};
  for (std::string_view known : kNames) {
    if (EqualsIgnoringCase(name, known)) return true;
  }
  constexpr std::string_view kLocalhostDomain = ".localhost";
  return name.size() > kLocalhostDomain.size() &&
         EqualsIgnoringCase(name.substr(name.size() - kLocalhostDomain.size()), kLocalhostDomain);
}

// The ticket's text under `key`, converted and cut like every ticket text; "" when absent.
std::string TicketText(const FilterJob& job, const char* key, std::size_t size) {
  std::vector<char> buffer(size, 0);
  if (GetTicketStringConvertedToPrtLang(key, job, buffer.data(), buffer.size()) != 1) return {};
  return std::string(buffer.data());
}

void SetClientAddress(FilterJob& job, const std::string& encoded) {
  std::memset(job.IPAddressStr, 0, sizeof job.IPAddressStr);
  if (encoded.size() < sizeof job.IPAddressStr) {
    std::memcpy(job.IPAddressStr, encoded.data(), encoded.size());
  }
}

void DetermineRemoteClientHost(FilterJob& job, const std::string& origin, const platform::Network& network) {
  // The panels on the user's computer wrote its own name and address: they name it best.
  std::string name = TicketText(job, nx::ticket::key::JBAHostNameStringTicket, sizeof job.HostNameStr);
  if (name.empty()) name = TicketText(job, nx::ticket::key::JBAMacHostNameStringTicket, sizeof job.HostNameStr);
  if (!name.empty()) {
    CopyHeaderText(name.c_str(), kHostNameBytes, job.HostNameStr, sizeof job.HostNameStr);
  } else {
    char converted[256] = {};
    ConvertUTF8ToEncoding(origin.c_str(), converted, sizeof converted);
    CopyHeaderText(converted, kHostNameBytes, job.HostNameStr, sizeof job.HostNameStr);
  }

  const std::string ticketAddress =
      TicketText(job, nx::ticket::key::JBAIPAddressStringTicket, sizeof job.jba.ipAddressString);
  if (IsEncodedClientAddress(ticketAddress)) {
    SetClientAddress(job, ticketAddress);
    return;
  }
  int family = 0;
  if (IsNumericAddress(origin, family)) {
    SetClientAddress(job, SelectClientAddress({origin}));
    return;
  }
  // Bounded by the network's deadline; an unknown name costs the job its address line only.
  SetClientAddress(job, SelectClientAddress(network.HostAddresses(origin)));
}

}  // namespace

bool IsEncodedClientAddress(std::string_view text) {
  const auto hexFrom1 = [&](bool upperOnly) {
    return std::all_of(text.begin() + 1, text.end(), [&](char c) {
      return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (!upperOnly && c >= 'a' && c <= 'f');
    });
  };
  if (text.size() == 9 && text[0] == 'I') return hexFrom1(true);
  if (text.size() == 33 && text[0] == '6') return hexFrom1(false);
  return false;
}

std::optional<std::string> RemoteOriginatingHost(const FilterJob& job, std::string_view localHost) {
  const char* value = job.options.Find(kOriginatingHostOption);
  if (value == nullptr || *value == 0) return std::nullopt;
  const std::string origin = PlainAddressText(value);
  if (origin.empty()) return std::nullopt;
  int family = 0;
  if (IsNumericAddress(origin, family)) {
    if (IsLoopbackAddress(origin, family)) return std::nullopt;
    return origin;
  }
  if (IsLoopbackName(origin)) return std::nullopt;
  if (!localHost.empty()) {
    const std::string_view shortLocal = localHost.substr(0, localHost.find('.'));
    if (EqualsIgnoringCase(origin, localHost) || EqualsIgnoringCase(origin, shortLocal)) return std::nullopt;
  }
  return origin;
}

void DetermineClientHost(FilterJob& job, const platform::Network& network) {
  std::memset(job.HostNameStr, 0, sizeof job.HostNameStr);
  std::memset(job.IPAddressStr, 0, sizeof job.IPAddressStr);
  const std::optional<std::string> host = network.HostName();
  if (const auto origin = RemoteOriginatingHost(job, host.value_or(""))) {
    DetermineRemoteClientHost(job, *origin, network);
    return;
  }
  if (!host || host->empty()) return;
  CopyHeaderText(host->c_str(), kHostNameBytes, job.HostNameStr, sizeof job.HostNameStr);
  SetClientAddress(job, SelectClientAddress(network.HostAddresses(*host)));
}

std::string JobCopyFilePath(int systemVersion, std::time_t when) {
  std::tm local{};
  char stamp[32] = {};
  if (localtime_r(&when, &local) == nullptr ||
      std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local) == 0) {
    return {};
  }
  std::string path = systemVersion > kJobCopyTmpDirVersion
                         ? platform::TempDir() + "/kt" + stamp + ".job"
                         : platform::PrivateTmpDir() + "/nx" + stamp + ".job";
  if (path.size() > kJobCopyPathLimit) return {};
  return path;
}

int FilterMain(int argc, char* argv[], FilterJob& job, const FilterMainServices& services) {
  std::FILE* const err = services.err ? services.err : stderr;

  // Nothing is read from the arguments before their count is known to be right.
  if (!Initialize(argc, argv, job, err)) return kFilterExitPipeBroken;
  job.out = services.out ? services.out : stdout;
  // Without the converter every name and ticket text would silently go out empty.
  if (!platform::ShiftJisX0213Available()) {
    std::fputs("ERROR: The SHIFT_JISX0213 text converter is not available\n", err);
    return kFilterExitPipeBroken;
  }
  CancelJobForPipe = 0;
  const NonDumpableScope nonDumpable;

  SetJobUserName(job, argv[2]);                         // 1
  InstallSignalHandlers();                              // 2
  ValidateJobUserName(job);                             // 3
  SetJobDocumentName(job, argv[3]);                     // 4

  const char* fileType = std::getenv("CUPS_FILETYPE");  // 5
  std::fprintf(err, "the file type being printed is:%s\n", fileType ? fileType : "");
  if (fileType && std::strcmp(fileType, "job-sheet") == 0) return kFilterExitOK;

  ApplyDocumentNameRule(job, PrintTypeGetProductTypeTicket(job) == 1);  // 6
  InializeDescriptionTable(job);                                        // 7

  struct CopyClose {
    JobCopyFile& copy;
    ~CopyClose() { copy.Close(); }  // the early ends leave it as it is
  } closeCopy{job.copy};
  if (::access(platform::JobCopyFlagFile().c_str(), F_OK) == 0) {  // 8
    const int version = services.kernelRelease ? platform::ProbeSystemVersion(*services.kernelRelease)
                                               : platform::CurrentSystemVersion();
    const std::string path =
        JobCopyFilePath(version, services.now ? services.now() : std::time(nullptr));
    std::string error;
    if (path.empty()) {
      std::fputs("DEBUG: No job copy: the copy file's path is unusable\n", err);
    } else if (!job.copy.Open(path, error)) {
      std::fprintf(err, "DEBUG: No job copy: unable to create \"%s\" - %s\n", path.c_str(),
                   error.c_str());
    }
  }

  if (services.network) {  // 9
    DetermineClientHost(job, *services.network);
  } else {
    DetermineClientHost(job, platform::LinuxNetwork());
  }
  std::fflush(err);  // 10: everything so far is out before the job's own messages

  // A job from an application without the plug-ins: its standard fax, accounting and secure
  // print options become the ticket entries the panels would have written, added to the job's
  // parsed options.
  std::string refusal;
  if (ApplyStandardJobOptions(job, &refusal) == 0) {
    std::fprintf(err, "ERROR: %s\n", refusal.c_str());
    return kFilterExitRefused;
  }

  if (GetTicketFromPDE(job) == 0) {  // 11
    std::fputs("ERROR:<A specified feature is unavailable for the current device.>\n", err);
    return kFilterExitRefused;
  }
  if (ShouldCancelJobAndShowError(job)) {  // 12
    std::fprintf(err, "ERROR:<%s>\n", RecipientRefusalText(job).c_str());
    return kFilterExitRefused;
  }

  std::string header;  // 13
  if (!BuildJobHeader(job, header)) {
    std::fprintf(err, "ERROR: Unable to build the job header - %s\n", std::strerror(errno ? errno : ENOMEM));
    job.copy.Discard();
    return kFilterExitDocumentFailed;
  }
  const int documentResult =  // 14
      services.document ? services.document(job, header) : OutputPDFStream(job, header);
  if (documentResult == kDocumentFailed) {
    // The step said why on its ERROR line; the device got nothing, and the job fails.
    job.copy.Discard();
    return kFilterExitDocumentFailed;
  }
  if (documentResult == kDocumentSent) OutputTPJLTrailer(job);  // 15

  // A job the device did not get in full must not end as a success.
  std::FILE* const out = job.out;
  int status = CancelJobForPipe ? kFilterExitPipeBroken : kFilterExitOK;
  errno = 0;
  if (std::fflush(out) != 0 || std::ferror(out) || documentResult != kDocumentSent || CancelJobForPipe) {
    const int error = errno;
    if (!CancelJobForPipe && documentResult == kDocumentSent && error != EPIPE) {
      std::fprintf(err, "ERROR: Unable to write the job to the device - %s\n",
                   std::strerror(error ? error : EIO));
    }
    status = kFilterExitPipeBroken;
  }

  std::string error;  // 16
  if (status != kFilterExitOK) {
    job.copy.Discard();  // the device did not get this job in full
  } else if (!job.copy.Finish(error)) {
    std::fprintf(err, "DEBUG: The job copy is incomplete and was removed - %s\n", error.c_str());
  }
  return status;  // 17
}

}  // namespace nx::filter
