// Fuzz target: the document step (raster stream in, PDF out) on small pages.
//
// The input is the raster stream as the print system hands it to the filter. Inputs whose pages
// are not small (more than 512 x 512 pixels, or more than 4 pages) are skipped: the size checks
// are the unit tests' job, and big pages only slow the search down.
//
// Checked on every run: the step leaves no temporary file, and either fails having written
// nothing, or returns 0 having written one PDF that qpdf reads. The step succeeds only when
// libcups reads the input as a stream of pages that the step accepts (8-bit gray, chunky, white
// or black colour space), every line present; the PDF then has one page per raster page,
// each with one 8-bit DeviceGray image of the page's size whose decoded samples are exactly the
// page's pixels as libcups reads them.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "FilterInit.h"
#include "OutputPDFStream.h"
#include "RasterSpool.h"

namespace {

using nx::fuzz::PrivateDir;

constexpr unsigned kMaxSide = 512;
constexpr int kMaxPages = 4;

struct ExpectedPage {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> pixels;
};

// Reads raster from memory for libcups.
struct MemoryRaster {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos = 0;
  static ssize_t Read(void* ctx, unsigned char* out, size_t length) {
    auto* self = static_cast<MemoryRaster*>(ctx);
    const std::size_t take = std::min(length, self->size - self->pos);
    std::memcpy(out, self->data + self->pos, take);
    self->pos += take;
    return static_cast<ssize_t>(take);
  }
};

// The pages the step must turn into PDF pages, read with libcups as the step reads them; `whole`
// false when the step must fail instead (no raster stream, a page it does not take, a page cut
// short, no page at all). False when the input is not one of small pages.
bool ExpectedPages(const std::uint8_t* data, std::size_t size, std::vector<ExpectedPage>& pages, bool& whole) {
  whole = false;
  MemoryRaster memory{data, size};
  std::unique_ptr<cups_raster_t, void (*)(cups_raster_t*)> raster(
      cupsRasterOpenIO(&MemoryRaster::Read, &memory, CUPS_RASTER_READ), cupsRasterClose);
  if (!raster) return true;
  cups_page_header2_t header;
  bool accepting = true;
  for (int page = 0; cupsRasterReadHeader2(raster.get(), &header); ++page) {
    if (page >= kMaxPages || header.cupsWidth > kMaxSide || header.cupsHeight > kMaxSide ||
        header.cupsBytesPerLine > 4 * kMaxSide) {
      return false;
    }
    // The step fails at the first page it does not take, or that is cut short.
    accepting = accepting && nx::filter::RasterPageAccepted(header);
    ExpectedPage expected{header.cupsWidth, header.cupsHeight, {}};
    if (accepting) expected.pixels.resize(std::size_t{header.cupsWidth} * header.cupsHeight);
    std::vector<std::uint8_t> line(header.cupsBytesPerLine ? header.cupsBytesPerLine : 1);
    for (unsigned y = 0; y < header.cupsHeight && accepting; ++y) {
      if (header.cupsBytesPerLine == 0 ||
          !cupsRasterReadPixels(raster.get(), line.data(), header.cupsBytesPerLine)) {
        accepting = false;
        break;
      }
      std::memcpy(&expected.pixels[std::size_t{y} * header.cupsWidth], line.data(), header.cupsWidth);
    }
    if (accepting) pages.push_back(std::move(expected));
  }
  // A header libcups refuses fails the step too when input is left after it; whether libcups had
  // already read that input ahead depends on its buffering, so only success is held to `whole`.
  whole = accepting && !pages.empty();
  return true;
}

void CheckPdf(const std::string& pdf, const std::vector<ExpectedPage>& expected) {
  QPDF doc;
  doc.setSuppressWarnings(true);
  try {
    doc.processMemoryFile("document step", pdf.data(), pdf.size());
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(doc).getAllPages();
    FUZZ_CHECK(pages.size() == expected.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
      const auto images = pages[i].getImages();
      FUZZ_CHECK(images.size() == 1);
      QPDFObjectHandle image = images.begin()->second;
      QPDFObjectHandle dict = image.getDict();
      FUZZ_CHECK(dict.getKey("/Width").getIntValue() == expected[i].width);
      FUZZ_CHECK(dict.getKey("/Height").getIntValue() == expected[i].height);
      FUZZ_CHECK(dict.getKey("/BitsPerComponent").getIntValue() == 8);
      FUZZ_CHECK(dict.getKey("/ColorSpace").unparse() == "/DeviceGray");
      const auto samples = image.getStreamData(qpdf_dl_all);
      FUZZ_CHECK(samples->getSize() == expected[i].pixels.size());
      FUZZ_CHECK(std::equal(expected[i].pixels.begin(), expected[i].pixels.end(), samples->getBuffer()));
    }
  } catch (const std::exception& e) {
    std::fprintf(stdout, "qpdf: %s\n", e.what());
    FUZZ_CHECK(!"the document step wrote a PDF that qpdf cannot read");
  }
}

std::string gTmp;
std::string gRaster;
std::string gOutput;

}  // namespace

// libcups reserves a line buffer of the header's bytes per line while it reads the header, before
// the document step can refuse the page: up to 4 GiB for a hostile header. The real filter only
// reserves that memory, but under AddressSanitizer each such allocation maps and clears shadow
// memory for seconds. Refusing large allocations makes libcups fail the header read instead, a
// path the step must handle anyway; the step's own allocations (operator new) still report.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=32";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gTmp = PrivateDir() + "/tmp";
  gRaster = PrivateDir() + "/job.ras";
  gOutput = PrivateDir() + "/job.pdf";
  FUZZ_CHECK(::mkdir(gTmp.c_str(), 0700) == 0);
  ::setenv("TMPDIR", gTmp.c_str(), 1);
  // The step only needs the queue to have a PPD it can open; parsing the full one on every run
  // would be a sixth of the target's time.
  const std::string ppd = PrivateDir() + "/queue.ppd";
  FUZZ_CHECK(nx::fuzz::WriteWholeFile(
      ppd, "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
           "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"NXFUZZ.PPD\"\n"
           "*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n*ModelName: \"Test\"\n"
           "*ShortNickName: \"Test\"\n*NickName: \"Test\"\n"));
  ::setenv("PPD", ppd.c_str(), 1);
  ::setenv("NX_DATA_DIR", nx::fuzz::SourcePath("CommonSource/FilterFrame/Resources").c_str(), 1);
  ::unsetenv("LANG");
  ::unsetenv("APPLE_LANGUAGE");
  // The step writes the PDF to standard output: that becomes a file of our own. Its many
  // messages go to standard error's stream, which is silenced unless NX_FUZZ_VERBOSE is set;
  // sanitizer reports and failed checks write to descriptor 2 directly and stay visible.
  const int out = ::open(gOutput.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  FUZZ_CHECK(out >= 0 && ::dup2(out, 1) == 1);
  ::close(out);
  if (std::getenv("NX_FUZZ_VERBOSE") == nullptr) {
    std::FILE* quiet = std::fopen("/dev/null", "w");
    FUZZ_CHECK(quiet != nullptr);
    stderr = quiet;
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<ExpectedPage> expected;
  bool whole = false;
  if (!ExpectedPages(data, size, expected, whole)) return -1;  // not small pages: not kept in the corpus
  FUZZ_CHECK(nx::fuzz::WriteWholeFile(gRaster, {reinterpret_cast<const char*>(data), size}));

  std::fflush(stdout);
  FUZZ_CHECK(::ftruncate(1, 0) == 0 && ::lseek(1, 0, SEEK_SET) == 0);
  char program[] = "jobfilter", job[] = "42", user[] = "alice", title[] = "Fuzzed", copies[] = "1", options[] = "";
  char* argv[] = {program, job, user, title, copies, options, gRaster.data(), nullptr};
  auto filterJob = std::make_unique<nx::filter::FilterJob>();
  FUZZ_CHECK(nx::filter::Initialize(7, argv, *filterJob));
  const int result = nx::filter::OutputPDFStream(*filterJob);
  FUZZ_CHECK(std::fflush(stdout) == 0);

  std::error_code ec;
  FUZZ_CHECK(std::filesystem::is_empty(gTmp, ec) && !ec);  // temporary files removed on every path
  const std::string written = nx::fuzz::ReadWholeFile(gOutput);
  if (result == nx::filter::kDocumentFailed) {
    FUZZ_CHECK(written.empty());  // the whole document or nothing
    return 0;
  }
  FUZZ_CHECK(result == nx::filter::kDocumentSent);
  FUZZ_CHECK(whole);
  CheckPdf(written, expected);
  return 0;
}
