// Pass 2 of the document step; see PdfDrawing.h.
#include "PdfDrawing.h"

#include <cups/raster.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "FilterLog.h"
#include "PdfSpool.h"
#include "RasterSpool.h"

namespace nx::filter {
namespace {

// Up to `count` unsigned decimals separated by spaces; stops at the first one that is not.
int ParseNumbers(const std::string& text, unsigned* out, int count) {
  const char* p = text.c_str();
  int n = 0;
  while (n < count) {
    while (*p == ' ') ++p;
    if (*p < '0' || *p > '9') break;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(p, &end, 10);
    if (errno != 0 || v > 0xffffffffull) break;
    out[n++] = static_cast<unsigned>(v);
    p = end;
  }
  return n;
}

// The pixels of the page being read, from RASTER to ENDPAGE.
struct PageImage {
  unsigned width = 0;
  unsigned height = 0;
  unsigned depth = 0;
  bool zero_is_white = true;
  std::unique_ptr<unsigned char[]> pixels;
  std::size_t size = 0;
  std::size_t position = 0;
};

}  // namespace

struct PdfSpoolDrawer::Impl {
 public:
  explicit Impl(std::string pdf_path) : pdf_path_(std::move(pdf_path)) {}

  void Draw(std::FILE* spool) {
    PdfSpoolReader reader(spool);
    reader_ = &reader;
    std::string keyword, value;
    while (reader.NextLine(keyword, value)) {
      if (keyword == "DOCUMENT") {
        OnDocument();
      } else if (keyword == "PAGE") {
        OnPage(value);
      } else if (keyword == "RASTER") {
        OnRaster(value);
      } else if (keyword == "LINE") {
        OnLine(value);
      } else if (keyword == "ENDPAGE") {
        OnEndPage();
      }
    }
    reader_ = nullptr;
  }

  std::unique_ptr<PdfImageDocument> Finish() {
    // A spool cut short (a full disk) ends inside a page: draw what arrived of it.
    if (pdf_ && pdf_->page_open()) OnEndPage();
    return std::move(pdf_);
  }

  bool failed() const { return failed_; }

 private:
  void OnDocument() {
    if (pdf_) return;
    if (pdf_path_.empty()) {
      LogMessage("ERROR", "cf_fileurl parameter is NULL");
      return;
    }
    try {
      pdf_ = std::make_unique<PdfImageDocument>();
    } catch (const std::exception&) {
      LogMessage("ERROR", "cf_fileurl parameter is NULL");
      return;
    }
    std::fprintf(stderr, "DEBUG: Writing \"%s\"...\n", pdf_path_.c_str());
  }

  void OnPage(const std::string& value) {
    if (!pdf_) return;
    unsigned v[4];
    if (ParseNumbers(value, v, 4) != 4) return;
    if (pdf_->page_open()) OnEndPage();
    rect_ = PdfRect{static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2]),
                    static_cast<double>(v[3])};
    std::fprintf(stderr, "DEBUG: Starting page - [%g %g %g %g]...\n", rect_.x, rect_.y, rect_.width, rect_.height);
    pdf_->BeginPage(rect_);
    image_.reset();
  }

  void OnRaster(const std::string& value) {
    if (!pdf_ || !pdf_->page_open() || rect_.width <= 0 || rect_.height <= 0) return;
    unsigned v[4];
    const int n = ParseNumbers(value, v, 4);
    if (n < 3 || v[2] != 1 || v[0] == 0 || v[1] == 0) return;
    const std::uint64_t pixels = static_cast<std::uint64_t>(v[0]) * v[1];
    if (v[0] > kRasterMaxSide || v[1] > kRasterMaxSide || pixels > kRasterMaxPixels) return;
    auto image = std::make_unique<PageImage>();
    image->width = v[0];
    image->height = v[1];
    image->depth = v[2];
    // Without a colour space the page is black-space, as the raster pages always were drawn.
    image->zero_is_white = n < 4 || v[3] != CUPS_CSPACE_W;
    image->size = static_cast<std::size_t>(pixels);
    try {
      image->pixels.reset(new unsigned char[image->size]);
    } catch (const std::bad_alloc&) {
      LogMessage("ERROR", "Unable to allocate %u bytes!", static_cast<unsigned>(image->size));
      failed_ = true;
      return;
    }
    image_ = std::move(image);
  }

  void OnLine(const std::string& value) {
    errno = 0;
    char* end = nullptr;
    const long long count = std::strtoll(value.c_str(), &end, 10);
    if (errno != 0 || end == value.c_str() || count <= 0) return;
    std::uint64_t left = static_cast<std::uint64_t>(count);
    // The line's bytes are always consumed, so that the next keyword is read where it starts.
    if (image_) {
      const std::size_t room = image_->size - image_->position;
      const std::size_t take = left < room ? static_cast<std::size_t>(left) : room;
      const std::size_t got = reader_->Read(image_->pixels.get() + image_->position, take);
      image_->position += got;
      left -= got;
      if (got < take) return;  // end of the spool
    }
    reader_->Skip(left);
  }

  void OnEndPage() {
    if (!pdf_) return;
    if (!pdf_->page_open()) {
      image_.reset();
      return;
    }
    if (image_) {
      // Lines that never arrived (a cut raster stream) are white, whichever the colour space.
      std::memset(image_->pixels.get() + image_->position, image_->zero_is_white ? 0x00 : 0xFF,
                  image_->size - image_->position);
      std::fprintf(stderr, "DEBUG: raster_width = %d raster_height = %d raster_depth = %d\n",
                   static_cast<int>(image_->width), static_cast<int>(image_->height), static_cast<int>(image_->depth));
      std::string error;
      if (!pdf_->DrawGrayImage(image_->pixels.get(), image_->width, image_->height, image_->zero_is_white, rect_,
                               error)) {
        LogMessage("ERROR", "Unable to draw the page image - %s", error.c_str());
        failed_ = true;
      }
      std::fputs("DEBUG: Drawing image on page...\n", stderr);
      image_.reset();
    } else {
      LogMessage("ERROR", "raster_data is NULL");
      failed_ = true;
    }
    std::fputs("DEBUG: Ending page...\n", stderr);
    pdf_->EndPage();
  }

  PdfSpoolReader* reader_ = nullptr;
  std::string pdf_path_;
  std::unique_ptr<PdfImageDocument> pdf_;
  PdfRect rect_;
  std::unique_ptr<PageImage> image_;
  bool failed_ = false;
};

PdfSpoolDrawer::PdfSpoolDrawer(std::string pdf_path) : impl_(std::make_unique<Impl>(std::move(pdf_path))) {}
PdfSpoolDrawer::~PdfSpoolDrawer() = default;
void PdfSpoolDrawer::Draw(std::FILE* spool) { impl_->Draw(spool); }
std::unique_ptr<PdfImageDocument> PdfSpoolDrawer::Finish() { return impl_->Finish(); }
bool PdfSpoolDrawer::failed() const { return impl_->failed(); }

std::unique_ptr<PdfImageDocument> PdfDrawSpool(std::FILE* spool, const std::string& pdf_path) {
  PdfSpoolDrawer drawer(pdf_path);
  drawer.Draw(spool);
  return drawer.Finish();
}

}  // namespace nx::filter
