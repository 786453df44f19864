// PDF pages of gray images through qpdf; see PdfImageDocument.h.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include "PdfImageDocument.h"

#include <libdeflate.h>
#include <qpdf/Pipeline.hh>
#include <qpdf/Pl_RunLength.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>
#include <vector>

#include "PdfTempFile.h"

namespace nx::filter {
namespace {

bool gStaticId = false;

// libdeflate level: on the fax pages of the benchmark, run-length coded, level 3 gives a smaller
// PDF than zlib's default on raw samples in a fraction of the time (docs/document-output.md).
constexpr int kDeflateLevel = 3;
// Run-length coding is kept when it at least halves the samples; photos fall back to deflate alone.
constexpr std::size_t kRunLengthKeepDivisor = 2;

struct CompressorFree {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using CompressorPtr = std::unique_ptr<libdeflate_compressor, CompressorFree>;

// The compressor's tables take a few hundred kilobytes to set up: a thread that writes several
// documents (the test programs, the fuzzing runs) hands one from each document to the next.
thread_local CompressorPtr tSpareCompressor;

// Collects what a qpdf pipeline writes, up to a limit. Past the limit the output is of no use
// (the caller falls back to the plain samples), so it is dropped rather than failing the page:
// qpdf's run-length coder can grow its input by a third (a lone byte, then a pair, and so on).
class PdfBufferSink final : public Pipeline {
 public:
  PdfBufferSink(unsigned char* data, std::size_t limit) : Pipeline("buffer sink", nullptr), data_(data), limit_(limit) {}
  void write(unsigned char const* data, size_t len) override {
    if (overflowed_ || len > limit_ - size_) {
      overflowed_ = true;
      return;
    }
    std::memcpy(data_ + size_, data, len);
    size_ += len;
  }
  void finish() override {}
  std::size_t size() const { return size_; }
  bool overflowed() const { return overflowed_; }

 private:
  unsigned char* data_;
  std::size_t limit_;
  std::size_t size_ = 0;
  bool overflowed_ = false;
};

// Hands qpdf the parked compressed images when it writes them.
class PdfStoreProvider final : public QPDFObjectHandle::StreamDataProvider {
 public:
  struct Extent {
    off_t offset = 0;
    std::size_t size = 0;
  };

  void set_fd(int fd) { fd_ = fd; }
  void Add(QPDFObjGen og, Extent extent) { extents_[og] = extent; }

  void provideStreamData(QPDFObjGen const& og, Pipeline* pipeline) override {
    const auto it = extents_.find(og);
    if (it == extents_.end() || fd_ < 0) throw std::logic_error("image data missing from the store");
    std::vector<unsigned char> chunk(std::min<std::size_t>(it->second.size, 1 << 16));
    off_t offset = it->second.offset;
    std::size_t left = it->second.size;
    while (left > 0) {
      const ssize_t n = ::pread(fd_, chunk.data(), std::min(left, chunk.size()), offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw std::runtime_error(n < 0 ? std::strerror(errno) : "image store cut short");
      pipeline->write(chunk.data(), static_cast<std::size_t>(n));
      offset += n;
      left -= static_cast<std::size_t>(n);
    }
    pipeline->finish();
  }

 private:
  int fd_ = -1;
  std::map<QPDFObjGen, Extent> extents_;
};

// A number for the content stream, written the same way in every locale.
std::string Num(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

QPDFObjectHandle NumberObject(double v) {
  if (std::nearbyint(v) == v && std::fabs(v) < 1e15) return QPDFObjectHandle::newInteger(static_cast<long long>(v));
  return QPDFObjectHandle::newReal(v, 4);
}

QPDFObjectHandle RectObject(const PdfRect& r) {
  return QPDFObjectHandle::newArray({NumberObject(r.x), NumberObject(r.y), NumberObject(r.x + r.width),
                                     NumberObject(r.y + r.height)});
}

}  // namespace

struct PdfImageDocument::Impl {
  QPDF pdf;
  std::shared_ptr<PdfStoreProvider> provider = std::make_shared<PdfStoreProvider>();
  std::unique_ptr<PdfTempFile> store;
  off_t store_size = 0;
  CompressorPtr compressor;
  std::unique_ptr<unsigned char[]> runs;
  std::size_t runs_capacity = 0;
  std::unique_ptr<unsigned char[]> packed;
  std::size_t packed_capacity = 0;

  bool page_open = false;
  QPDFObjectHandle page;
  QPDFObjectHandle xobjects;
  std::string content;
  int image_count = 0;
  int page_count = 0;

  Impl() {
    auto logger = QPDFLogger::create();
    // qpdf must never write to standard output: that is the device stream.
    logger->setInfo(logger->discard());
    logger->setWarn(logger->discard());
    logger->setError(logger->discard());
    pdf.setLogger(logger);
    pdf.setSuppressWarnings(true);
    pdf.emptyPDF();
  }

  ~Impl() {
    if (compressor) tSpareCompressor = std::move(compressor);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // Deflates `size` bytes into `packed`; returns the compressed size, 0 on failure.
  std::size_t Deflate(const unsigned char* data, std::size_t size) {
    if (!compressor) {
      compressor = std::move(tSpareCompressor);
      if (!compressor) compressor.reset(libdeflate_alloc_compressor(kDeflateLevel));
      if (!compressor) throw std::bad_alloc();
    }
    const std::size_t bound = libdeflate_zlib_compress_bound(compressor.get(), size);
    if (bound > packed_capacity) {
      // Not value-initialized: only the bytes the compressor writes become resident.
      packed.reset(new unsigned char[bound]);
      packed_capacity = bound;
    }
    return libdeflate_zlib_compress(compressor.get(), data, size, packed.get(), packed_capacity);
  }

  // Appends to the store; returns where the bytes went.
  PdfStoreProvider::Extent Park(const unsigned char* data, std::size_t size) {
    if (!store) {
      store = std::make_unique<PdfTempFile>();
      if (!store->valid()) throw std::runtime_error(store->error());
      provider->set_fd(store->fd());
    }
    if (!PdfWriteAll(store->fd(), data, size)) throw std::runtime_error(std::strerror(errno));
    PdfStoreProvider::Extent extent{store_size, size};
    store_size += static_cast<off_t>(size);
    return extent;
  }
};

PdfImageDocument::PdfImageDocument() : impl_(std::make_unique<Impl>()) {}
PdfImageDocument::~PdfImageDocument() = default;

void PdfImageDocument::SetStaticIdForTesting(bool on) { gStaticId = on; }

bool PdfImageDocument::page_open() const { return impl_->page_open; }
int PdfImageDocument::page_count() const { return impl_->page_count; }
std::uint64_t PdfImageDocument::stored_bytes() const { return static_cast<std::uint64_t>(impl_->store_size); }

void PdfImageDocument::BeginPage(const PdfRect& media_box) {
  if (impl_->page_open) EndPage();
  Impl& d = *impl_;
  d.xobjects = QPDFObjectHandle::newDictionary();
  auto resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/XObject", d.xobjects);
  auto page = QPDFObjectHandle::newDictionary();
  page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
  page.replaceKey("/MediaBox", RectObject(media_box));
  page.replaceKey("/Resources", resources);
  d.page = d.pdf.makeIndirectObject(page);
  d.content.clear();
  d.page_open = true;
}

bool PdfImageDocument::DrawGrayImage(const unsigned char* pixels, std::uint32_t width, std::uint32_t height,
                                     bool zero_is_white, const PdfRect& rect, std::string& error) {
  Impl& d = *impl_;
  if (!d.page_open || !pixels || width == 0 || height == 0) {
    error = "no page or no image";
    return false;
  }
  try {
    const std::size_t size = static_cast<std::size_t>(width) * height;
    // Runs are kept only when they at least halve the samples: nothing longer is collected.
    const std::size_t runs_limit = size / kRunLengthKeepDivisor;
    if (runs_limit + 1 > d.runs_capacity) {
      d.runs.reset(new unsigned char[runs_limit + 1]);
      d.runs_capacity = runs_limit + 1;
    }
    PdfBufferSink sink(d.runs.get(), runs_limit);
    {
      Pl_RunLength encoder("run length", &sink, Pl_RunLength::a_encode);
      encoder.write(pixels, size);
      encoder.finish();
    }
    const bool use_runs = !sink.overflowed();
    const std::size_t packed = use_runs ? d.Deflate(d.runs.get(), sink.size()) : d.Deflate(pixels, size);
    if (packed == 0) throw std::runtime_error("deflate failed");
    const PdfStoreProvider::Extent extent = d.Park(d.packed.get(), packed);

    QPDFObjectHandle filter =
        use_runs ? QPDFObjectHandle::newArray(
                       {QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newName("/RunLengthDecode")})
                 : QPDFObjectHandle::newName("/FlateDecode");
    QPDFObjectHandle image = d.pdf.newStream();
    image.replaceStreamData(d.provider, filter, QPDFObjectHandle::newNull());
    QPDFObjectHandle dict = image.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(height));
    dict.replaceKey("/ColorSpace", QPDFObjectHandle::newName("/DeviceGray"));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    if (zero_is_white) {
      dict.replaceKey("/Decode", QPDFObjectHandle::newArray(
                                     {QPDFObjectHandle::newInteger(1), QPDFObjectHandle::newInteger(0)}));
    }
    d.provider->Add(image.getObjGen(), extent);

    const std::string name = "/Im" + std::to_string(d.image_count++);
    d.xobjects.replaceKey(name, image);
    d.content += "q\n" + Num(rect.width) + " 0 0 " + Num(rect.height) + " " + Num(rect.x) + " " + Num(rect.y) +
                 " cm\n" + name + " Do\nQ\n";
    return true;
  } catch (const std::bad_alloc&) {
    error = std::strerror(ENOMEM);
  } catch (const std::exception& e) {
    error = e.what();
  }
  return false;
}

void PdfImageDocument::EndPage() {
  Impl& d = *impl_;
  if (!d.page_open) return;
  d.page_open = false;
  try {
    d.page.replaceKey("/Contents", d.pdf.newStream(d.content));
    d.pdf.addPage(d.page, false);
    ++d.page_count;
  } catch (const std::exception&) {
    // Only reachable when memory runs out; the page is left out and Write reports the count.
  }
  d.page = QPDFObjectHandle();
  d.xobjects = QPDFObjectHandle();
  d.content.clear();
}

bool PdfImageDocument::Write(int fd, std::string& error) {
  if (impl_->page_open) EndPage();
  const int copy = ::dup(fd);
  std::FILE* file = copy >= 0 ? ::fdopen(copy, "wb") : nullptr;
  if (!file) {
    error = std::strerror(errno);
    if (copy >= 0) ::close(copy);
    return false;
  }
  bool ok = false;
  errno = 0;
  try {
    QPDFWriter writer(impl_->pdf);
    writer.setOutputFile("PDF file", file, false);
    // The images are already compressed; everything else is a few bytes per page.
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.setObjectStreamMode(qpdf_o_disable);
    if (gStaticId) writer.setStaticID(true);
    writer.write();
    ok = true;
  } catch (const std::bad_alloc&) {
    error = std::strerror(ENOMEM);
  } catch (const std::exception& e) {
    error = e.what();
  }
  // qpdf's final flush does not report a failed write (a full disk), but the stream remembers it.
  const int write_errno = errno;
  const bool stream_failed = std::ferror(file) != 0;
  errno = 0;
  const bool closed = std::fclose(file) == 0;
  const int close_errno = errno;
  if (ok && (stream_failed || !closed)) {
    const int cause = !closed && close_errno ? close_errno : write_errno;
    error = std::strerror(cause ? cause : EIO);
    ok = false;
  }
  return ok;
}

}  // namespace nx::filter
