// Fuzz target: the job's user, title and option string, as any job submitter can set them, through
// the filter's main flow (names, ticket readers, fax module, TPJL tables) into the job header.
//
// Input: one byte choosing the queue's PPD (bit 0: passwords re-encrypted for the device, bit 1:
// a generation-2 device, bit 2: no PPD at all), then user NUL title NUL options.
//
// Checked on every run: the job ends with status 0 (header, document, trailer) or 255 (nothing
// written); every header line is one "@PJL SET" line ended by LF or CR LF, without control bytes,
// and a quoted value sits between exactly two double quotes at the end of its line; the
// device-option report lines are name="value" lines the print system reads back as written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "FilterMain.h"
#include "FaxSettingModule.h"
#include "FuzzSupport.h"
#include "KTOutput.h"
#include "nx/platform/network.h"
#include "nx/platform/system_version.h"

namespace {

using nx::fuzz::PrivateDir;

constexpr std::string_view kHeadLine = "\x1b%-12345X@PJL JOB MODE=DIRECTFAX\r\n";
constexpr std::string_view kEnterPdf = "@PJL ENTER LANGUAGE=PDF\n";
constexpr std::string_view kDocument = "%PDF-fuzz\n";
constexpr std::string_view kTrailer = "\x1b%-12345X@PJL EOJ\n";

std::string gPpd[4];  // [generation 2][re-encryption]
bool gVerbose = false;  // NX_FUZZ_VERBOSE: print each job's messages and device stream

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// One header line without its line end.
void CheckHeaderLine(std::string_view line) {
  FUZZ_CHECK(line.substr(0, 9) == "@PJL SET ");
  for (unsigned char c : line) FUZZ_CHECK(!IsControl(c));
  const std::size_t first = line.find('"');
  if (first == std::string_view::npos) return;
  // name="value": the value opens right after "=" and closes the line.
  FUZZ_CHECK(first > 0 && line[first - 1] == '=');
  const std::size_t second = line.find('"', first + 1);
  FUZZ_CHECK(second == line.size() - 1);
}

void CheckHeader(std::string_view header) {
  FUZZ_CHECK(header.substr(0, kHeadLine.size()) == kHeadLine);
  FUZZ_CHECK(header.size() >= kHeadLine.size() + kEnterPdf.size());
  FUZZ_CHECK(header.substr(header.size() - kEnterPdf.size()) == kEnterPdf);
  std::string_view body = header.substr(kHeadLine.size(), header.size() - kHeadLine.size() - kEnterPdf.size());
  while (!body.empty()) {
    const std::size_t end = body.find('\n');
    FUZZ_CHECK(end != std::string_view::npos);  // every line ends
    std::string_view line = body.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    CheckHeaderLine(line);
    body.remove_prefix(end + 1);
  }
}

// The device-option report: "PPD: name=\"value\"\n" lines whose value, read as the print system
// reads a quoted string (a backslash takes the next byte), ends at the closing quote.
void CheckReport(std::string_view report) {
  int lines = 0;
  while (!report.empty()) {
    const std::size_t end = report.find('\n');
    FUZZ_CHECK(end != std::string_view::npos);
    const std::string_view line = report.substr(0, end);
    report.remove_prefix(end + 1);
    ++lines;
    FUZZ_CHECK(line.substr(0, 5) == "PPD: ");
    const std::size_t eq = line.find('=');
    FUZZ_CHECK(eq != std::string_view::npos && eq + 1 < line.size() && line[eq + 1] == '"');
    std::size_t i = eq + 2;
    for (; i < line.size() && line[i] != '"'; ++i) {
      FUZZ_CHECK(!IsControl(static_cast<unsigned char>(line[i])));
      if (line[i] == '\\') ++i;
    }
    FUZZ_CHECK(i == line.size() - 1);  // the closing quote ends the line
  }
  FUZZ_CHECK(lines == 8);
}

void WritePpdVariants() {
  const std::string base = nx::fuzz::ReadWholeFile(nx::fuzz::SourcePath("ppd/nxfax.ppd"));
  FUZZ_CHECK(base.find("*DefaultNXPlatformGeneration: 1\n") != std::string::npos);
  FUZZ_CHECK(base.find("*DefaultNXEncryptionSetting: New\n") != std::string::npos);
  for (int generation2 = 0; generation2 < 2; ++generation2) {
    for (int reEncrypt = 0; reEncrypt < 2; ++reEncrypt) {
      std::string ppd = base;
      if (generation2) ppd.replace(ppd.find("Generation: 1\n") + 12, 1, "2");
      if (!reEncrypt) ppd.replace(ppd.find("Setting: New\n") + 9, 3, "Old");
      std::string& path = gPpd[generation2 * 2 + reEncrypt];
      path = PrivateDir() + "/queue-" + std::to_string(generation2) + std::to_string(reEncrypt) + ".ppd";
      FUZZ_CHECK(nx::fuzz::WriteWholeFile(path, ppd));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Nothing an input names may reach a file outside the private folder: the special page must
  // lie directly in TMPDIR, which is an empty folder of its own.
  const std::string tmp = PrivateDir() + "/tmp";
  const std::string system = PrivateDir() + "/system";
  FUZZ_CHECK(::mkdir(tmp.c_str(), 0700) == 0 && ::mkdir(system.c_str(), 0700) == 0);
  ::setenv("TMPDIR", tmp.c_str(), 1);
  ::setenv("NX_PRIVATE_TMP", tmp.c_str(), 1);
  ::setenv("NX_SYSTEM_DIR", system.c_str(), 1);  // no job copy flag, no installed device key
  ::unsetenv("CUPS_FILETYPE");
  // Below 0x1070: the fax module reports no device options to the process's standard error;
  // the report is written to a stream of its own below.
  ::setenv("NX_KERNEL_RELEASE", "6.1", 1);
  WritePpdVariants();
  gVerbose = std::getenv("NX_FUZZ_VERBOSE") != nullptr;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nx::fuzz::InputReader input(data, size);
  const std::uint8_t mode = input.Byte();
  std::string user(input.Until('\0'));
  std::string title(input.Until('\0'));
  std::string options(input.Rest());
  if (mode & 4) {
    ::unsetenv("PPD");
  } else {
    ::setenv("PPD", gPpd[(mode & 2 ? 2 : 0) + (mode & 1)].c_str(), 1);
  }

  char job_id[] = "7";
  char copies[] = "1";
  char program[] = "jobfilter";
  char* argv[] = {program, job_id, user.data(), title.data(), copies, options.data(), nullptr};

  nx::fuzz::MemoryStream out;
  nx::fuzz::MemoryStream err;
  const nx::platform::FixedNetwork network("faxhost", {"192.168.1.10", "fe80::1", "2001:db8::5"});
  const nx::platform::FixedKernelRelease release(std::string("6.1"));
  nx::filter::FilterMainServices services;
  services.out = out.get();
  services.err = err.get();
  services.network = &network;
  services.kernelRelease = &release;
  services.now = [] { return std::time_t{1700000000}; };
  services.document = [&](nx::filter::FilterJob& filterJob, std::string_view header) {
    nx::filter::KTfwrite(header.data(), 1, header.size(), filterJob);
    nx::filter::KTfwrite(kDocument.data(), 1, kDocument.size(), filterJob);
    return 0;
  };
  auto job = std::make_unique<nx::filter::FilterJob>();
  const int status = nx::filter::FilterMain(6, argv, *job, services);

  const std::string stream = out.Contents();
  if (gVerbose) {
    std::printf("status %d\n%s\n%s\n", status, err.Contents().c_str(), stream.c_str());
    std::fflush(stdout);
  }
  if (status == nx::filter::kFilterExitRefused) {
    FUZZ_CHECK(stream.empty());  // a refused job sends nothing
  } else {
    FUZZ_CHECK(status == nx::filter::kFilterExitOK);
    const std::string tail = std::string(kDocument) + std::string(kTrailer);
    FUZZ_CHECK(stream.size() >= tail.size() && stream.compare(stream.size() - tail.size(), tail.size(), tail) == 0);
    CheckHeader(std::string_view(stream).substr(0, stream.size() - tail.size()));
  }

  nx::fuzz::MemoryStream report;
  nx::filter::DFaxReportDeviceOptions(*job, report.get());
  CheckReport(report.Contents());
  return 0;
}
