// The document step end to end: raster in, PDF on standard output, messages on standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "OutputPDFStream.h"
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

// Any failure of the step: nothing written, no page counted, the temporary files gone, and an
// ERROR line that names the cause (and the page, where one is to blame).
void ExpectFailedWithNothingSent(const StepResult& r, const std::string& error) {
  EXPECT_EQ(r.result, kDocumentFailed) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.job_copy, "");
  EXPECT_TRUE(r.temp_left.empty()) << r.temp_left.front();
  EXPECT_TRUE(LinesStartingWith(r.err, "PAGE:").empty()) << r.err;
  const auto errors = LinesStartingWith(r.err, "ERROR:");
  EXPECT_TRUE(std::any_of(errors.begin(), errors.end(),
                          [&](const std::string& line) { return line.find(error) != std::string::npos; }))
      << "no ERROR line with \"" << error << "\" in:\n"
      << r.err;
}

TEST_F(PdfOutputStreamTest, APageOfAnotherKindFailsTheDocumentAndNamesThePage) {
  const RasterTestPage gray{.width = 200, .height = 100};
  const StepResult r = Run({gray, RasterTestPage{.width = 200, .height = 100, .space = CUPS_CSPACE_RGB, .colors = 3},
                            gray});
  ExpectFailedWithNothingSent(r, "Page 1 cannot be sent: it is not an 8-bit gray page (colour space 1, 8 bits per "
                                 "colour, 24 bits per pixel)");
}

// Absurd copy counts are reported within the print system's range; pages are counted only once
// the document went out, after it.
TEST_F(PdfOutputStreamTest, PagesAreCountedAfterTheDocumentWithSaneCopyCounts) {
  const StepResult r = Run({RasterTestPage{.width = 20, .height = 10, .copies = 0xFFFFFFFFu},
                            RasterTestPage{.width = 20, .height = 10, .copies = 0},
                            RasterTestPage{.width = 20, .height = 10, .copies = 3}});
  ExpectCleanEnd(r);
  EXPECT_EQ(LinesStartingWith(r.err, "PAGE:"), (std::vector<std::string>{"PAGE: 0 9999", "PAGE: 1 1", "PAGE: 2 3"}));
  EXPECT_TRUE(r.err.ends_with("PAGE: 2 3\n")) << r.err;
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

// Inputs without any page are no fax: nothing is sent, and the step says so.
TEST_F(PdfOutputStreamTest, NoPagesSendNothing) {
  for (const bool empty_file : {false, true}) {
    SCOPED_TRACE(empty_file ? "empty file" : "raster stream without pages");
    if (empty_file) {
      std::ofstream(raster_, std::ios::trunc).flush();
    } else {
      ASSERT_TRUE(WriteRasterFile(raster_, {}));
    }
    const StepResult r = RunDocumentStep({.args = StepArgs(raster_)});
    ExpectFailedWithNothingSent(r, empty_file ? "Unable to open raster file" : "No pages found!");
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

// A raster stream cut inside page 2 is a partial document: nothing is sent.
TEST_F(PdfOutputStreamTest, TruncatedStreamSendsNothing) {
  const RasterTestPage page{.width = 100, .height = 100};
  ASSERT_TRUE(WriteRasterFile(raster_, {page, page}));
  std::ifstream in(raster_, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  bytes.resize(bytes.size() - 60 * 100);  // the last 60 lines of page 2
  std::ofstream(raster_, std::ios::binary | std::ios::trunc) << bytes;
  const StepResult r = RunDocumentStep({.args = StepArgs(raster_)});
  ExpectFailedWithNothingSent(r, "Page 1 is incomplete: the raster stream ended after 40 of its 100 lines");
}

// Headers that are not a real page are refused before anything is allocated for them, and fail
// the document. (A zero height is refused by libcups itself.)
struct BadPage {
  const char* name;
  RasterTestPage page;
  bool our_error;
};

class PdfBadPageTest : public PdfOutputStreamTest, public ::testing::WithParamInterface<BadPage> {};

TEST_P(PdfBadPageTest, IsRefusedAndFailsTheDocument) {
  const RasterTestPage good{.width = 90, .height = 40};
  const StepResult r = Run({good, GetParam().page, good});
  ExpectFailedWithNothingSent(r, GetParam().our_error ? "Page 1 has an unusable raster size"
                                                      : "Page 1 has a raster header that cannot be read");
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
    ExpectFailedWithNothingSent(r, "Cannot do common driver initialization");
    EXPECT_EQ(LinesStartingWith(r.err, "ERROR:"),
              (std::vector<std::string>{"ERROR: Cannot do common driver initialization"}));
  }
  EXPECT_EQ(LinesStartingWith(bad_args.err, "Usage:"),
            (std::vector<std::string>{"Usage: jobfilter job user title copies options [filename]"}));
}

// Inputs that are not a whole raster stream, and temporary folders that are missing, unusable,
// out of descriptors or too small at any point of the job: the whole document or nothing.
struct BrokenInput {
  const char* name;
  std::function<StepOptions(const std::string& dir, const std::string& raster)> options;
  const char* error;
};
void PrintTo(const BrokenInput& c, std::ostream* os) { *os << c.name; }

class PdfBrokenInputTest : public PdfOutputStreamTest, public ::testing::WithParamInterface<BrokenInput> {};

TEST_P(PdfBrokenInputTest, SendsNothingAndSaysWhy) {
  // Noise: deflate cannot shrink it, so the images take as much as the pixels (1 MB a page).
  const RasterTestPage page{.width = 1000, .height = 1000, .pixel = [](unsigned x, unsigned y) {
                              std::uint32_t h = x * 2654435761u ^ (y + 0x9e3779b9u) * 40503u;
                              h ^= h >> 15;
                              h *= 2246822519u;
                              return static_cast<std::uint8_t>(h >> 13);
                            }};
  ASSERT_TRUE(WriteRasterFile(raster_, {page, page, page}));
  StepOptions options = GetParam().options(dir_, raster_);
  options.job_copy = true;
  ExpectFailedWithNothingSent(RunDocumentStep(options), GetParam().error);
}

StepOptions WithEnv(const std::string& raster, const std::string& name, const std::string& value) {
  return {.args = StepArgs(raster), .env = {{name, value}}};
}
StepOptions WithFileLimit(const std::string& raster, rlim_t limit) {
  return {.args = StepArgs(raster), .file_size_limit = limit};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PdfBrokenInputTest,
    ::testing::Values(
        BrokenInput{"MissingFile", [](auto& dir, auto&) { return StepOptions{.args = StepArgs(dir + "/missing.ras")}; },
                    "Unable to open raster file - No such file or directory"},
        BrokenInput{"Folder", [](auto& dir, auto&) { return StepOptions{.args = StepArgs(dir)}; },
                    "Unable to open raster file - Is a directory"},
        BrokenInput{"Garbage",
                    [](auto& dir, auto&) {
                      std::ofstream(dir + "/garbage.ras", std::ios::binary) << std::string(5000, '\x5a');
                      return StepOptions{.args = StepArgs(dir + "/garbage.ras")};
                    },
                    "Unable to open raster file"},
        BrokenInput{"MissingTmpdir", [](auto& dir, auto& raster) { return WithEnv(raster, "TMPDIR", dir + "/none"); },
                    "Unable to create temporary file - No such file or directory"},
        BrokenInput{"TmpdirNotWritable", [](auto&, auto& raster) { return WithEnv(raster, "TMPDIR", "/proc"); },
                    "No such file or directory"},
        BrokenInput{"TmpdirTooLong",
                    [](auto& dir, auto& raster) { return WithEnv(raster, "TMPDIR", dir + "/" + std::string(4080, 'x')); },
                    "File name too long"},
        BrokenInput{"NoDescriptors",
                    [](auto&, auto& raster) { return StepOptions{.args = StepArgs(raster), .extra_open_files = 1}; },
                    "Too many open files"},
        BrokenInput{"NoFileSize", [](auto&, auto& raster) { return WithFileLimit(raster, 0); },
                    "Unable to write temporary file - File too large"},
        BrokenInput{"FileSizeInFirstPage", [](auto&, auto& raster) { return WithFileLimit(raster, 100000); },
                    "Unable to write temporary file - File too large"},
        BrokenInput{"FileSizeWhileStoringTheImages", [](auto&, auto& raster) { return WithFileLimit(raster, 1500000); },
                    "Unable to draw the page image - File too large"},
        // The image store fits, the PDF (the store plus a few hundred bytes per page) does not.
        BrokenInput{"FileSizeAtTheEndOfThePdf",
                    [](auto&, auto& raster) {
                      StepResult whole = RunDocumentStep({.args = StepArgs(raster)});
                      EXPECT_EQ(whole.result, kDocumentSent);
                      return WithFileLimit(raster, whole.out.size() - 200);
                    },
                    "Unable to write the PDF file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PdfOutputStreamTest, TheSpoolHoldsOnePageAtATime) {
  // Pages of one colour compress to almost nothing: the temporary folder's peak is the spool's
  // one page, not the document's pixels.
  const RasterTestPage white{.width = 3000, .height = 2000, .pixel = [](unsigned, unsigned) { return std::uint8_t{0}; }};
  ASSERT_TRUE(WriteRasterFile(raster_, std::vector<RasterTestPage>(6, white), CUPS_RASTER_WRITE_COMPRESSED));
  // A little more than one page of spool (6 MB) and the small PDF; six pages would need 36 MB.
  const StepResult r = RunDocumentStep({.args = StepArgs(raster_), .file_size_limit = 6500000});
  ExpectCleanEnd(r);
  EXPECT_EQ(InspectPdf(r.out).size(), 6u);
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
