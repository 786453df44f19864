// The filter's process: the job's names, the client host, the optional job copy file, signals,
// and the main flow from the arguments to the trailer and the exit status.
//
// FilterMain runs one job with the streams and services it is given, so tests can run the whole
// flow in-process; jobfilter_main.cpp hands it the process's own.
#pragma once

#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FilterJob.h"
#include "TicketReader.h"

namespace nx::platform {
class KernelReleaseSource;
class Network;
}  // namespace nx::platform

namespace nx::filter {

// Exit statuses.
inline constexpr int kFilterExitOK = 0;
inline constexpr int kFilterExitPipeBroken = 1;  // also: bad command line, no text converter
inline constexpr int kFilterExitDocumentFailed = 1;  // the document could not be made: nothing sent
inline constexpr int kFilterExitRefused = 255;   // ticket or recipient check failed

// 1 once the output pipe broke (set by the SIGPIPE handler); FilterMain clears it at start.
extern volatile std::sig_atomic_t CancelJobForPipe;

// The document step: the job, set up by Initialize, and the job header, which the step writes
// right before the document once the document is complete, to the job's device stream and copy
// file (KTOutput.h). Returns kDocumentSent (0), kDocumentOutputBroken (1: the device stream
// broke, no trailer) or kDocumentFailed (2: nothing was written, not even the header); see
// OutputPDFStream.h.
using DocumentStep = std::function<int(FilterJob& job, std::string_view header)>;

struct FilterMainServices {
  std::FILE* out = stdout;  // the device stream
  std::FILE* err = stderr;  // messages of the main flow
  // nullptr: the system's host name and resolver, bounded in time.
  const platform::Network* network = nullptr;
  // nullptr: the running system's version (platform::CurrentSystemVersion).
  const platform::KernelReleaseSource* kernelRelease = nullptr;
  // Empty: OutputPDFStream. The header, the document and the trailer go to `out`.
  DocumentStep document;
  // Empty: std::time. Names the job copy file.
  std::function<std::time_t()> now;
};

// Runs one job: argc/argv as the print system passes them (job user title copies options
// [file]). `job` must start zero-filled; Initialize sets it up first, and every step takes it
// from there. Returns the exit status.
int FilterMain(int argc, char* argv[], FilterJob& job, const FilterMainServices& services = {});

// --- The steps, for the flow and its tests -------------------------------------------------

// Step 1: `user` (UTF-8) into StdUserName; StdJBAUserName takes its first 32 bytes, never half
// a character, without bytes that could break a header line.
void SetJobUserName(FilterJob& job, const char* user);
// Step 3: an empty, invalid or blank StdUserName becomes "UnknownUser".
void ValidateJobUserName(FilterJob& job);
// Step 4: `title` (UTF-8) into StdDocumentName.
void SetJobDocumentName(FilterJob& job, const char* title);

// Step 6, the product type already read into job.printType.productType (`present` false when
// its ticket key is absent: PTStdDocumentName stays empty). The limit is 64 bytes for type 3,
// 12 for type 2, else 24; a longer StdDocumentName is cut to whole characters within it.
void ApplyDocumentNameRule(FilterJob& job, bool present);

// The encoded client address from the resolver's list: the first IPv4 address outside the
// loopback network 127/8 wins; else the last IPv6 address that is neither ::1 nor contains
// "fe80::1"; else "".
std::string SelectClientAddress(const std::vector<std::string>& addresses);
// The computer a job came from, when that is another one: the print system's
// "job-originating-host-name" in the job's options, unless it is missing, a loopback name or
// address, or `localHost` (this machine's host name, or its first label). The print server's
// bracketed IPv6 form ("[v1.fd00::2]") comes back as plain address text.
std::optional<std::string> RemoteOriginatingHost(const FilterJob& job, std::string_view localHost);

// True for an address in the devices' form: "I" + 8 upper-case hexadecimal digits, or "6" + 32
// hexadecimal digits.
bool IsEncodedClientAddress(std::string_view text);

// Step 9: HostNameStr and IPAddressStr. A job printed on this machine takes the local host name
// and its address (both empty when the host name cannot be read). A job from another computer
// (RemoteOriginatingHost) names that computer: the name and address the panels wrote into the
// ticket there when present, else the name the print system gives and its address (a numeric
// name as it is, else resolved within the network's deadline; none leaves the address empty).
void DetermineClientHost(FilterJob& job, const platform::Network& network);

// The job copy file's path for `systemVersion` at `when` (local time): above 0x109F
// TempDir() + "/kt<YYYYmmddHHMMSS>.job", else PrivateTmpDir() + "/nx<...>.job"; "" when longer
// than 1034 bytes.
std::string JobCopyFilePath(int systemVersion, std::time_t when);

}  // namespace nx::filter
