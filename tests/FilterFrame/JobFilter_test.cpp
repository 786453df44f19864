// The built jobfilter program run exactly as the print system starts it:
//   PPD=... CUPS_FILETYPE=document jobfilter 1 alice title 1 'options' file
// with its standard output and standard error captured and compared.
#include <cups/raster.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "FilterMainTestSupport.h"
#include "nx/platform/network.h"

#ifndef NX_JOBFILTER_PATH
#define NX_JOBFILTER_PATH NX_BINARY_DIR "/CommonSource/FilterFrame/jobfilter"
#endif

namespace nx::filter {
namespace {

using test::FilterArgs;
using test::Key;
using test::RecipientOptions;
using test::TempFolder;

struct ProgramRun {
  int status = -1;  // exit status, or -signal
  std::string out;
  std::string err;
};

// Runs jobfilter with `args` (argument 0 excluded) and exactly the environment `env`.
// `closedOutput`: standard output is a pipe whose reader has already gone.
ProgramRun RunJobFilter(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env, const TempFolder& folder,
                        bool closedOutput = false, rlim_t fileSizeLimit = RLIM_INFINITY) {
  ProgramRun run;
  const std::string outPath = folder.File("stdout");
  const std::string errPath = folder.File("stderr");
  std::vector<std::string> argStrings = {NX_JOBFILTER_PATH};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
  std::vector<char*> argv, envp;
  for (std::string& s : argStrings) argv.push_back(s.data());
  for (std::string& s : envStrings) envp.push_back(s.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  if (closedOutput && ::pipe(pipeFds) != 0) return run;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = closedOutput ? pipeFds[1] : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (closedOutput) ::close(pipeFds[0]);
    // The print system starts filters with SIGPIPE at its default action.
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit fsize{fileSizeLimit, fileSizeLimit};
    ::setrlimit(RLIMIT_FSIZE, &fsize);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  if (closedOutput) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
  }
  int wstatus = 0;
  if (pid < 0 || ::waitpid(pid, &wstatus, 0) != pid) return run;
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
  if (!closedOutput) run.out = test::ReadFile(outPath);
  run.err = test::ReadFile(errPath);
  return run;
}

// 8-bit black-ink pages of `width` x `height` pixels; a page given a colour space other than
// black is written as a 24-bit colour page.
void WriteRasterPages(const std::string& path, unsigned width, unsigned height,
                      const std::vector<cups_cspace_t>& spaces) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
  ASSERT_NE(raster, nullptr);
  for (const cups_cspace_t space : spaces) {
  const unsigned colors = space == CUPS_CSPACE_K ? 1 : 3;
  cups_page_header2_t header{};
  header.HWResolution[0] = header.HWResolution[1] = 72;
  header.PageSize[0] = 612;
  header.PageSize[1] = 792;
  header.NumCopies = 1;
  header.cupsWidth = width;
  header.cupsHeight = height;
  header.cupsBitsPerColor = 8;
  header.cupsBitsPerPixel = 8 * colors;
  header.cupsBytesPerLine = width * colors;
  header.cupsColorOrder = CUPS_ORDER_CHUNKED;
  header.cupsColorSpace = space;
  header.cupsNumColors = colors;
  ASSERT_TRUE(cupsRasterWriteHeader2(raster, &header));
  std::vector<unsigned char> line(width * colors);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width * colors; ++x) line[x] = static_cast<unsigned char>((x * 7 + y * 13) & 0xFF);
    ASSERT_EQ(cupsRasterWritePixels(raster, line.data(), width * colors), width * colors);
  }
  }
  cupsRasterClose(raster);
  ::close(fd);
}

// One 8-bit black-ink page of `width` x `height` pixels.
void WriteRasterPage(const std::string& path, unsigned width, unsigned height) {
  WriteRasterPages(path, width, height, {CUPS_CSPACE_K});
}

class JobFilterProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::access(NX_JOBFILTER_PATH, X_OK), 0) << "jobfilter is not built";
    env_ = {{"PPD", NX_SOURCE_DIR "/ppd/nxfax.ppd"},
            {"CUPS_FILETYPE", "document"},
            {"TMPDIR", folder_.path()},
            {"NX_SYSTEM_DIR", folder_.path()},
            {"NX_PRIVATE_TMP", folder_.path()},
            {"NX_KERNEL_RELEASE", "14.5"}};
    raster_ = folder_.File("page.ras");
    WriteRasterPage(raster_, 64, 32);
  }
  std::vector<std::string> Args(const std::string& options) const {
    return {"1", "alice", "title", "1", options, raster_};
  }

  TempFolder folder_;
  std::map<std::string, std::string> env_;
  std::string raster_;
};

TEST_F(JobFilterProgram, JobSheetSendsNothing) {
  env_["CUPS_FILETYPE"] = "job-sheet";
  const ProgramRun run = RunJobFilter(Args(RecipientOptions(1)), env_, folder_);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "the file type being printed is:job-sheet\n");
}

TEST_F(JobFilterProgram, NoRecipientIsRefused) {
  // From 0x1070 on the fax module reports the device options before the refusal.
  const std::string report =
      "PPD: FaxModuleTypePopupList=\"-1\"\nPPD: PhonebookExpansionKitPopupList=\"-1\"\n"
      "PPD: OutsideExtensionKitPopupList=\"-1\"\nPPD: ISDNG4TypePopupList=\"-1\"\n"
      "PPD: OutlineNumberEtxt=\"\"\nPPD: InlineNumberEtxt=\"\"\n"
      "PPD: PortSettingOutsideLinePopupList=\"-1\"\nPPD: PortSettingExtensionPopupList=\"-1\"\n";
  for (const char* release : {"6.1.0", "14.5"}) {
    SCOPED_TRACE(release);
    env_["NX_KERNEL_RELEASE"] = release;
    const ProgramRun run = RunJobFilter(Args(RecipientOptions(0)), env_, folder_);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "the file type being printed is:document\n" +
                           std::string(release[0] == '1' ? report : "") +
                           "ERROR:<Please enter a fax number.>\n");
  }
}

TEST_F(JobFilterProgram, WrongArgumentCountPrintsUsage) {
  const ProgramRun run = RunJobFilter({"1", "alice", "title"}, env_, folder_);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, std::string("Usage: ") + NX_JOBFILTER_PATH +
                         " job user title copies options [filename]\n");
}

// The device stream is the header the in-process flow builds for the same job, then the PDF,
// then the trailer; the job copy file holds the same bytes.
TEST_F(JobFilterProgram, FaxJobStreamAndItsCopy) {
  test::WriteFile(folder_.File("nxjobcopy"), "");
  const std::string options = RecipientOptions(2) + " " + Key("DFFaxResolutionPopupListTicket") +
                              "=2 " + Key("JBAUserPasswordTextEditTicket") + "=Hidden0Secret";
  const ProgramRun run = RunJobFilter(Args(options), env_, folder_);
  ASSERT_EQ(run.status, 0) << run.err;

  std::string header;
  {
    std::list<test::ScopedEnv> scoped;
    for (const auto& [name, value] : env_) scoped.emplace_back(name.c_str(), value);
    scoped.emplace_back("NX_SYSTEM_DIR", folder_.File("no-job-copy"));
    FilterArgs args("alice", "title", options, raster_);
    test::FlowSetup setup;
    const auto host = platform::LocalHostName();
    setup.hostName = host.value_or("");
    setup.addresses = platform::ResolveHostAddresses(setup.hostName);
    setup.kernelRelease = "14.5";
    const test::FlowRun flow = test::RunFlow(args, setup);
    ASSERT_EQ(flow.status, 0);
    header = flow.out.substr(0, flow.out.size() - test::kFakeDocument.size() - test::kTrailer.size());
  }
  ASSERT_TRUE(header.starts_with(test::kHeadLine));
  ASSERT_TRUE(header.ends_with(test::kEnterPdf));
  ASSERT_TRUE(run.out.starts_with(header)) << run.out.substr(0, header.size());
  const std::string pdf = run.out.substr(header.size(), run.out.size() - header.size() - test::kTrailer.size());
  EXPECT_TRUE(pdf.starts_with("%PDF-")) << pdf.substr(0, 16);
  EXPECT_TRUE(pdf.ends_with("%%EOF\n"));
  EXPECT_NE(pdf.find("/Count 1"), std::string::npos);
  EXPECT_TRUE(run.out.ends_with(test::kTrailer));

  EXPECT_TRUE(run.err.starts_with("the file type being printed is:document\n")) << run.err;
  EXPECT_NE(run.err.find("PAGE: 0 1\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Hidden0Secret"), std::string::npos);

  std::vector<std::string> copies;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    const std::string name = entry.path().filename();
    if (name.starts_with("kt") && name.ends_with(".job")) copies.push_back(entry.path());
  }
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(test::ReadFile(copies[0]), run.out);
  EXPECT_EQ(test::PermissionBits(copies[0]), 0676u);
}

TEST_F(JobFilterProgram, ClosedOutputRunsToTheEndWithStatus1) {
  const ProgramRun run = RunJobFilter(Args(RecipientOptions(1)), env_, folder_, true);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(run.err.starts_with("the file type being printed is:document\n")) << run.err;
  // The document step still ran through the page, which does not count: the device lacks it.
  EXPECT_NE(run.err.find("DEBUG: Ending page"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("PAGE:"), std::string::npos) << run.err;
}

// Jobs whose document cannot be made in full: the device gets nothing, not even the header; the
// print system gets a failed job (status 1) and an ERROR line naming the cause; no temporary
// file and no job copy is left behind.
struct BrokenJob {
  const char* name;
  std::function<void(std::vector<std::string>& args, std::map<std::string, std::string>& env,
                     const TempFolder& folder, rlim_t& fileSizeLimit)>
      setUp;
  const char* error;
};
void PrintTo(const BrokenJob& c, std::ostream* os) { *os << c.name; }

class JobFilterBrokenDocument : public JobFilterProgram, public ::testing::WithParamInterface<BrokenJob> {};

TEST_P(JobFilterBrokenDocument, FailsTheJobAndSendsNothing) {
  test::WriteFile(folder_.File("nxjobcopy"), "");
  const std::string spool = folder_.File("spool");
  ASSERT_EQ(::mkdir(spool.c_str(), 0700), 0);
  env_["TMPDIR"] = spool;
  std::vector<std::string> args = Args(RecipientOptions(1));
  rlim_t fileSizeLimit = RLIM_INFINITY;
  GetParam().setUp(args, env_, folder_, fileSizeLimit);
  const ProgramRun run = RunJobFilter(args, env_, folder_, false, fileSizeLimit);
  EXPECT_EQ(run.status, kFilterExitDocumentFailed) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.find("PAGE:"), std::string::npos) << run.err;
  const std::size_t error = run.err.rfind("ERROR: ");
  ASSERT_NE(error, std::string::npos) << run.err;
  // The last ERROR line is the one the print system shows with the job.
  EXPECT_NE(run.err.find(GetParam().error, error), std::string::npos) << run.err;
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(spool)) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{}) << "left in TMPDIR";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JobFilterBrokenDocument,
    ::testing::Values(
        BrokenJob{"MissingFile", [](auto& args, auto&, auto& folder, auto&) { args.back() = folder.File("none.ras"); },
                  "Unable to open raster file - No such file or directory"},
        BrokenJob{"Folder", [](auto& args, auto&, auto& folder, auto&) { args.back() = folder.path(); },
                  "Unable to open raster file - Is a directory"},
        BrokenJob{"Garbage",
                  [](auto& args, auto&, auto& folder, auto&) {
                    test::WriteFile(folder.File("garbage.ras"), std::string(3000, 'G'));
                    args.back() = folder.File("garbage.ras");
                  },
                  "Unable to open raster file"},
        BrokenJob{"ColourPageAfterGrayOne",
                  [](auto& args, auto&, auto& folder, auto&) {
                    WriteRasterPages(folder.File("mixed.ras"), 64, 32,
                                     {CUPS_CSPACE_K, CUPS_CSPACE_RGB, CUPS_CSPACE_K});
                    args.back() = folder.File("mixed.ras");
                  },
                  "Page 1 cannot be sent"},
        BrokenJob{"MissingTmpdir", [](auto&, auto& env, auto& folder, auto&) { env["TMPDIR"] = folder.File("none"); },
                  "No such file or directory"},
        BrokenJob{"TmpdirTooLong",
                  [](auto&, auto& env, auto& folder, auto&) { env["TMPDIR"] = folder.File(std::string(4080, 't')); },
                  "File name too long"},
        BrokenJob{"UnusablePpd", [](auto&, auto& env, auto& folder, auto&) { env["PPD"] = folder.File("none.ppd"); },
                  "Cannot do common driver initialization"},
        // Large enough for the messages, too small for the page's spool.
        BrokenJob{"FileSizeLimit",
                  [](auto& args, auto&, auto& folder, auto& limit) {
                    WriteRasterPage(folder.File("big.ras"), 1000, 1000);
                    args.back() = folder.File("big.ras");
                    limit = 200000;
                  },
                  "File too large"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nx::filter
