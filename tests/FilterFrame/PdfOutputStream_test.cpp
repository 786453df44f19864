// The document step end to end: raster in, PDF on standard output, messages on standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "PdfTestSupport.h"
#include "RasterTestStreams.h"

namespace nx::filter::test {
namespace {

class PdfOutputStreamTest : public ::testing::Test {
 protected:
  std::string dir_ = PdfTestDir();
  std::string raster_ = dir_ + "/job.ras";

  StepResult Run(const std::vector<RasterTestPage>& pages, cups_mode_t mode = CUPS_RASTER_WRITE) {
    EXPECT_TRUE(WriteRasterFile(raster_, pages, mode));
    return RunDocumentStep({.args = StepArgs(raster_)});
  }
  static void ExpectCleanEnd(const StepResult& r) {
    EXPECT_EQ(r.result, 0);
    EXPECT_TRUE(r.temp_left.empty()) << r.temp_left.front();
  }
};

TEST_F(PdfOutputStreamTest, TwoFaxPagesGiveTwoImagePagesAndTheExactMessages) {
  const RasterTestPage page;  // 1728 x 2200, black space
  const StepResult r = Run({page, page});
  ExpectCleanEnd(r);
  std::string check;
  EXPECT_TRUE(QpdfCheck(r.out, check)) << check;
  const auto pdf = InspectPdf(r.out);
  ASSERT_EQ(pdf.size(), 2u);
  for (const PdfPageInfo& p : pdf) {
    EXPECT_EQ(p.media_box, (std::vector<double>{0, 0, 612, 792}));
    EXPECT_EQ(p.image_count, 1);
    EXPECT_EQ(p.width, 1728);
    EXPECT_EQ(p.height, 2200);
    EXPECT_EQ(p.bits, 8);
    EXPECT_EQ(p.color_space, "/DeviceGray");
    EXPECT_EQ(p.decode, "[ 1 0 ]");
    EXPECT_EQ(p.samples, RasterTestPixels(page));
  }
  // Golden transcript; only the temporary PDF path varies from run to run.
  std::ifstream golden(NX_SOURCE_DIR "/tests/FilterFrame/PdfTwoPages.stderr.golden", std::ios::binary);
  const std::string expected(std::istreambuf_iterator<char>(golden), {});
  EXPECT_EQ(std::regex_replace(r.err, std::regex("Writing \"[^\"]*\""), "Writing \"PDF\""), expected);
}

TEST_F(PdfOutputStreamTest, JobCopyFileGetsExactlyTheBytesOfStandardOutput) {
  ASSERT_TRUE(WriteRasterFile(raster_, {RasterTestPage{.width = 300, .height = 200}}));
  const StepResult r = RunDocumentStep({.args = StepArgs(raster_), .job_copy = true});
  ASSERT_GT(r.out.size(), 500u);
  EXPECT_EQ(r.job_copy, r.out);
}

// Every libcups write mode that can carry 8-bit gray pages reads back to the same samples.
class PdfRasterModeTest : public PdfOutputStreamTest, public ::testing::WithParamInterface<cups_mode_t> {};

TEST_P(PdfRasterModeTest, SamplesSurviveLosslessly) {
  const RasterTestPage page{.width = 517, .height = 389};
  const StepResult r = Run({page}, GetParam());
  ExpectCleanEnd(r);
  const auto pdf = InspectPdf(r.out);
  ASSERT_EQ(pdf.size(), 1u);
  EXPECT_EQ(pdf[0].samples, RasterTestPixels(page));
}

INSTANTIATE_TEST_SUITE_P(Modes, PdfRasterModeTest,
                         ::testing::Values(CUPS_RASTER_WRITE, CUPS_RASTER_WRITE_COMPRESSED, CUPS_RASTER_WRITE_PWG));

// Rendered back, white-space and black-space pages both keep their tones (no negatives).
class PdfColorSpaceTest : public PdfOutputStreamTest, public ::testing::WithParamInterface<cups_cspace_t> {};

TEST_P(PdfColorSpaceTest, RenderingMatchesTheRaster) {
  const RasterTestPage page{.width = 850, .height = 1100, .space = GetParam(), .page_size = {306, 396}};
  const StepResult r = Run({page});
  ExpectCleanEnd(r);
  const auto rendered = RenderPage(r.out, 1, page.width, page.height);
  const auto samples = RasterTestPixels(page);
  ASSERT_EQ(rendered.size(), samples.size());
  // Rendered gray is 255 for white; a black-space sample counts ink. The renderer may blend a
  // pixel with its neighbours at edges, so each pixel is held to the range of its 3 x 3 block.
  auto want = [&](int x, int y) {
    const int v = samples[static_cast<std::size_t>(y) * page.width + x];
    return GetParam() == CUPS_CSPACE_K ? 255 - v : v;
  };
  std::size_t off = 0;
  for (int y = 0; y < static_cast<int>(page.height); ++y) {
    for (int x = 0; x < static_cast<int>(page.width); ++x) {
      int lo = 255, hi = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = std::clamp(x + dx, 0, static_cast<int>(page.width) - 1);
          const int ny = std::clamp(y + dy, 0, static_cast<int>(page.height) - 1);
          lo = std::min(lo, want(nx, ny));
          hi = std::max(hi, want(nx, ny));
        }
      }
      const int got = rendered[static_cast<std::size_t>(y) * page.width + x];
      if (got < lo - 8 || got > hi + 8) ++off;
    }
  }
  EXPECT_EQ(off, 0u);
}

INSTANTIATE_TEST_SUITE_P(Spaces, PdfColorSpaceTest, ::testing::Values(CUPS_CSPACE_W, CUPS_CSPACE_K));

TEST_F(PdfOutputStreamTest, OnlyThePagesBeforeAnRgbPageAreConverted) {
  const RasterTestPage gray{.width = 200, .height = 100};
  const StepResult r = Run({gray, RasterTestPage{.width = 200, .height = 100, .space = CUPS_CSPACE_RGB, .colors = 3},
                            gray});
  ExpectCleanEnd(r);
  EXPECT_EQ(InspectPdf(r.out).size(), 1u);
  EXPECT_EQ(LinesStartingWith(r.err, "PAGE:"), (std::vector<std::string>{"PAGE: 0 1", "PAGE: 1 1"}));
}

TEST_F(PdfOutputStreamTest, ProgressIsLoggedEvery128LinesOfEachPage) {
  const RasterTestPage page{.width = 64, .height = 300};
  const StepResult r = Run({page, page});
  EXPECT_EQ(LinesStartingWith(r.err, "INFO:"),
            (std::vector<std::string>{"INFO: Printing page 0, 0% complete...", "INFO: Printing page 0, 43% complete...",
                                      "INFO: Printing page 0, 85% complete...", "INFO: Printing page 1, 0% complete...",
                                      "INFO: Printing page 1, 43% complete...",
                                      "INFO: Printing page 1, 85% complete..."}));
}

TEST_F(PdfOutputStreamTest, ProgressFollowsTheJobLanguage) {
  ASSERT_TRUE(WriteRasterFile(raster_, {RasterTestPage{.width = 64, .height = 10}}));
  const StepResult r = RunDocumentStep({.args = StepArgs(raster_), .env = {{"LANG", "ja_JP.UTF-8"}}});
  EXPECT_EQ(LinesStartingWith(r.err, "INFO:"), (std::vector<std::string>{"INFO: ページ 0 を印刷中、0% 完了..."}));
}

// Inputs without any page still give a (page-less) PDF and say so.
TEST_F(PdfOutputStreamTest, NoPagesGiveAnEmptyPdf) {
  for (const bool empty_file : {false, true}) {
    SCOPED_TRACE(empty_file ? "empty file" : "raster stream without pages");
    if (empty_file) {
      std::ofstream(raster_, std::ios::trunc).flush();
    } else {
      ASSERT_TRUE(WriteRasterFile(raster_, {}));
    }
    const StepResult r = RunDocumentStep({.args = StepArgs(raster_)});
    ExpectCleanEnd(r);
    std::string check;
    EXPECT_TRUE(QpdfCheck(r.out, check)) << check;
    EXPECT_TRUE(InspectPdf(r.out).empty());
    EXPECT_EQ(LinesStartingWith(r.err, "ERROR:").back(), "ERROR: No pages found!");
    EXPECT_EQ(LinesStartingWith(r.err, "ERROR: Unable to open raster file").size(), empty_file ? 1u : 0u);
  }
}

TEST_F(PdfOutputStreamTest, RasterFromStandardInput) {
  const RasterTestPage page{.width = 120, .height = 80};
  ASSERT_TRUE(WriteRasterFile(raster_, {page}));
  auto args = StepArgs(raster_);
  args.pop_back();
  const StepResult r = RunDocumentStep({.args = args, .stdin_path = raster_});
  ExpectCleanEnd(r);
  const auto pdf = InspectPdf(r.out);
  ASSERT_EQ(pdf.size(), 1u);
  EXPECT_EQ(pdf[0].samples, RasterTestPixels(page));
}

// A raster stream cut inside page 2: page 2 shows the lines that came and white below them.
TEST_F(PdfOutputStreamTest, TruncatedStreamKeepsThePartThatArrived) {
  const RasterTestPage page{.width = 100, .height = 100};
  ASSERT_TRUE(WriteRasterFile(raster_, {page, page}));
  std::ifstream in(raster_, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  bytes.resize(bytes.size() - 60 * 100);  // the last 60 lines of page 2
  std::ofstream(raster_, std::ios::binary | std::ios::trunc) << bytes;
  const StepResult r = RunDocumentStep({.args = StepArgs(raster_)});
  ExpectCleanEnd(r);
  const auto pdf = InspectPdf(r.out);
  ASSERT_EQ(pdf.size(), 2u);
  auto expected = RasterTestPixels(page);
  std::fill(expected.begin() + 40 * 100, expected.end(), 0);  // 0 is white in black space
  EXPECT_EQ(pdf[1].samples, expected);
}

// Headers that are not a real page are refused before anything is allocated for them; the pages
// before them are converted. (A zero height is refused by libcups itself, which ends the stream.)
struct BadPage {
  const char* name;
  RasterTestPage page;
  bool our_error;
};

class PdfBadPageTest : public PdfOutputStreamTest, public ::testing::WithParamInterface<BadPage> {};

TEST_P(PdfBadPageTest, IsRefusedAndEndsTheDocument) {
  const RasterTestPage good{.width = 90, .height = 40};
  const StepResult r = Run({good, GetParam().page, good});
  ExpectCleanEnd(r);
  EXPECT_EQ(InspectPdf(r.out).size(), 1u);
  EXPECT_EQ(LinesStartingWith(r.err, "ERROR: Page 1 has an unusable raster size").size(), GetParam().our_error ? 1u : 0u)
      << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PdfBadPageTest,
    ::testing::Values(BadPage{"wider_than_any_page", {.width = 20000, .height = 10}, true},
                      BadPage{"area_beyond_a3_at_600dpi", {.width = 10000, .height = 10000}, true},
                      BadPage{"area_overflows_32_bits", {.width = 70000, .height = 70000, .bytes_per_line = 70000}, true},
                      BadPage{"line_shorter_than_width", {.width = 100, .height = 10, .bytes_per_line = 99}, true},
                      BadPage{"line_longer_than_width", {.width = 100, .height = 10, .bytes_per_line = 101}, true},
                      BadPage{"zero_height", {.width = 100, .height = 0}, false}),
    [](const auto& info) { return info.param.name; });

TEST_F(PdfOutputStreamTest, LineBreaksInTheTitleCannotAddPages) {
  ASSERT_TRUE(WriteRasterFile(raster_, {RasterTestPage{.width = 50, .height = 20}}));
  auto args = StepArgs(raster_);
  args[2] = "x\nPAGE 0 0 100 100\nRASTER 10 10 1\nENDPAGE";
  const StepResult r = RunDocumentStep({.args = args});
  EXPECT_EQ(InspectPdf(r.out).size(), 1u);
}

TEST_F(PdfOutputStreamTest, WithoutInitializationNothingIsSent) {
  ASSERT_TRUE(WriteRasterFile(raster_, {RasterTestPage{.width = 50, .height = 20}}));
  const StepResult no_ppd = RunDocumentStep({.args = StepArgs(raster_), .env = {{"PPD", ""}}});
  const StepResult bad_args = RunDocumentStep({.args = {"1", "u", "t"}});
  for (const StepResult& r : {no_ppd, bad_args}) {
    ExpectCleanEnd(r);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(LinesStartingWith(r.err, "ERROR:"), (std::vector<std::string>{
                                                      "ERROR: Cannot do common driver initialization",
                                                      "ERROR: contents parameter is NULL"}));
  }
  EXPECT_EQ(LinesStartingWith(bad_args.err, "Usage:"),
            (std::vector<std::string>{"Usage: jobfilter job user title copies options [filename]"}));
}

TEST_F(PdfOutputStreamTest, MissingRasterFileSendsAnEmptyPdf) {
  const StepResult r = RunDocumentStep({.args = StepArgs(dir_ + "/missing.ras")});
  ExpectCleanEnd(r);
  EXPECT_EQ(LinesStartingWith(r.err, "ERROR:"),
            (std::vector<std::string>{"ERROR: Unable to open raster file - No such file or directory",
                                      "ERROR: No pages found!"}));
  EXPECT_TRUE(InspectPdf(r.out).empty());
}

// A temporary folder that is missing, runs out of file descriptors or fills up at any point:
// a clear ERROR, never a PDF cut short, and no temporary file left behind.
TEST_F(PdfOutputStreamTest, TemporaryFolderFailuresAreReportedAndCleanedUp) {
  const RasterTestPage page{.width = 1000, .height = 1000};
  ASSERT_TRUE(WriteRasterFile(raster_, {page, page, page}));
  const StepResult missing = RunDocumentStep({.args = StepArgs(raster_), .env = {{"TMPDIR", dir_ + "/none"}}});
  EXPECT_EQ(LinesStartingWith(missing.err, "ERROR:"),
            (std::vector<std::string>{"ERROR: Unable to create temporary file - No such file or directory"}));
  EXPECT_TRUE(missing.out.empty());
  const StepResult no_descriptors = RunDocumentStep({.args = StepArgs(raster_), .extra_open_files = 1});
  ExpectCleanEnd(no_descriptors);
  EXPECT_EQ(LinesStartingWith(no_descriptors.err, "ERROR:"),
            (std::vector<std::string>{"ERROR: Unable to write temporary file - Too many open files",
                                      "ERROR: Cannot do cupsFileOpen from a raster print job"}));

  for (const rlim_t limit : {rlim_t{0}, rlim_t{100}, rlim_t{1500000}, rlim_t{3004000}, rlim_t{3010000}}) {
    SCOPED_TRACE(limit);
    const StepResult r = RunDocumentStep({.args = StepArgs(raster_), .file_size_limit = limit});
    ExpectCleanEnd(r);
    EXPECT_FALSE(LinesStartingWith(r.err, "ERROR: Unable to write").empty()) << r.err;
    if (!r.out.empty()) {
      std::string check;
      EXPECT_TRUE(QpdfCheck(r.out, check)) << check;
    }
  }
}

TEST_F(PdfOutputStreamTest, ClosedStandardOutputRunsToTheEndAndReportsIt) {
  const RasterTestPage page{.width = 1500, .height = 2000};
  ASSERT_TRUE(WriteRasterFile(raster_, {page, page}));
  const StepResult r = RunDocumentStep({.args = StepArgs(raster_), .close_stdout_reader = true});
  EXPECT_EQ(r.result, 1);
  EXPECT_TRUE(r.pipe_broken);
  EXPECT_TRUE(r.temp_left.empty());
  EXPECT_EQ(LinesStartingWith(r.err, "DEBUG: Ending page").size(), 2u);
  EXPECT_TRUE(LinesStartingWith(r.err, "ERROR:").empty()) << r.err;
}

}  // namespace
}  // namespace nx::filter::test
