// The document step: pass 1 (raster to spool), pass 2 (spool to PDF), then the PDF to the device
// stream. See OutputPDFStream.h.
#include "OutputPDFStream.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FilterLog.h"
#include "KTOutput.h"
#include "PdfDrawing.h"
#include "PdfSpool.h"
#include "PdfTempFile.h"
#include "RasterSpool.h"

namespace nx::filter {
namespace {

struct FileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Bytes the filter's user may still write on the file system of `fd`; nullopt when the file
// system does not tell (it reports no blocks at all).
std::optional<std::uint64_t> FreeBytes(int fd) {
  struct statvfs st {};
  if (::fstatvfs(fd, &st) != 0 || st.f_blocks == 0) return std::nullopt;
  return std::uint64_t{st.f_bavail} * st.f_frsize;
}

// Refuses early, before the temporary folder fills up half-way through.
bool RoomFor(int fd, std::uint64_t bytes, int page) {
  // Leaves room for the image store and the file system's own bookkeeping.
  constexpr std::uint64_t kMargin = 1 << 20;
  const std::optional<std::uint64_t> free = FreeBytes(fd);
  if (!free || *free >= bytes + kMargin) return true;
  const auto needed = static_cast<unsigned long long>(bytes + kMargin);
  const auto available = static_cast<unsigned long long>(*free);
  if (page >= 0) {
    LogMessage("ERROR", "Not enough space in the temporary folder for page %d (%llu bytes needed, %llu available)",
               page, needed, available);
  } else {
    LogMessage("ERROR", "Not enough space in the temporary folder for the PDF file (%llu bytes needed, %llu available)",
               needed, available);
  }
  return false;
}

// Copies `lead_in` and then the PDF file to the job's device stream through KTfwrite, so the job
// copy file gets the same bytes. Returns kDocumentOutputBroken when the device stream failed.
int SendPdf(const FilterJob& job, std::string_view lead_in, int pdf_fd) {
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[1 << 16]);
  std::FILE* const out = job.out;
  bool written = KTfwrite(lead_in.data(), 1, lead_in.size(), job) == lead_in.size();
  off_t offset = 0;
  while (written) {
    const ssize_t n = ::pread(pdf_fd, buffer.get(), 1 << 16, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      // Nothing usable can follow a document cut in the middle.
      LogMessage("ERROR", "Unable to send the document - %s", std::strerror(errno));
      return kDocumentOutputBroken;
    }
    if (n == 0) break;
    errno = 0;
    if (KTfwrite(buffer.get(), 1, static_cast<std::size_t>(n), job) != static_cast<std::size_t>(n)) break;
    offset += n;
  }
  if (!std::ferror(out) && std::fflush(out) == 0) return kDocumentSent;
  const int error = errno;
  if (error == EPIPE) {
    std::fputs("DEBUG: The device stream was closed by its reader\n", stderr);
  } else {
    LogMessage("ERROR", "Unable to send the document - %s", std::strerror(error ? error : EIO));
  }
  return kDocumentOutputBroken;
}

// Pass 2 page by page: each page is drawn as soon as it is spooled, and the spool then starts
// over, so it never holds more than one page of pixels.
class PageByPage final : public RasterSpoolSink {
 public:
  PageByPage(PdfSpoolWriter& spool, int spool_fd, std::FILE* reader, PdfSpoolDrawer& drawer)
      : spool_(spool), spool_fd_(spool_fd), reader_(reader), drawer_(drawer) {}

  bool BeforePage(int index, std::uint64_t bytes) override {
    // The spool is empty but for the document's first lines when a page starts.
    return RoomFor(spool_fd_, bytes, index);
  }

  bool AfterPage(int, int copies) override {
    copies_.push_back(copies);
    return DrawSpooled();
  }

  // Draws what the spool holds and empties it; false after an ERROR line.
  bool DrawSpooled() {
    if (!spool_.Flush()) {
      LogMessage("ERROR", "Unable to write temporary file - %s", spool_.error().c_str());
      return false;
    }
    std::clearerr(reader_);
    drawer_.Draw(reader_);
    if (std::ferror(reader_)) {
      LogMessage("ERROR", "Unable to read temporary file - %s", std::strerror(errno ? errno : EIO));
      return false;
    }
    if (!spool_.Restart() || std::fseek(reader_, 0, SEEK_SET) != 0) {
      LogMessage("ERROR", "Unable to write temporary file - %s", spool_.error().c_str());
      return false;
    }
    return !drawer_.failed();
  }

  const std::vector<int>& copies() const { return copies_; }

 private:
  PdfSpoolWriter& spool_;
  int spool_fd_;
  std::FILE* reader_;
  PdfSpoolDrawer& drawer_;
  std::vector<int> copies_;
};

// Both passes; the finished PDF in `pdf_file`, or nullptr after an ERROR line.
std::unique_ptr<PdfImageDocument> MakeDocument(const FilterJob& job, const PdfTempFile& spool_file,
                                               const PdfTempFile& pdf_file, std::vector<int>& copies) {
  PdfSpoolWriter spool(spool_file.fd());
  if (!spool.ok()) {
    LogMessage("ERROR", "Unable to write temporary file - %s", spool.error().c_str());
    return nullptr;
  }
  constexpr std::size_t kReadBuffer = 1 << 16;
  const std::unique_ptr<char[]> reader_buffer(new char[kReadBuffer]);  // outlives the stream
  std::unique_ptr<std::FILE, FileClose> reader(std::fopen(spool_file.path().c_str(), "rbe"));
  if (!reader) {
    const int error = errno;
    LogMessage("ERROR", "Cannot do cupsFileOpen from a raster print job");
    std::fprintf(stderr, "DEBUG: Unable to open \"%s\" - %s\n", spool_file.path().c_str(), std::strerror(error));
    return nullptr;
  }
  std::setvbuf(reader.get(), reader_buffer.get(), _IOFBF, kReadBuffer);

  PdfSpoolDrawer drawer(pdf_file.path());
  PageByPage pages(spool, spool_file.fd(), reader.get(), drawer);
  // The last round draws the document's first lines when there was no page.
  const bool spooled = RasterSpoolDocument(job, spool, pages) && pages.DrawSpooled();
  std::unique_ptr<PdfImageDocument> pdf = drawer.Finish();
  if (!spooled) return nullptr;
  if (!pdf) {
    LogMessage("ERROR", "contents parameter is NULL");
    return nullptr;
  }
  if (pdf->page_count() == 0) {
    LogMessage("ERROR", "No pages found!");
    return nullptr;
  }
  if (pdf->page_count() != static_cast<int>(pages.copies().size())) {
    LogMessage("ERROR", "Only %d of the %d pages could be added to the document", pdf->page_count(),
               static_cast<int>(pages.copies().size()));
    return nullptr;
  }
  copies = pages.copies();
  return pdf;
}

}  // namespace

int OutputPDFStream(FilterJob& job, std::string_view lead_in) {
  std::vector<int> copies;
  std::unique_ptr<PdfImageDocument> pdf;
  PdfTempFile pdf_file;
  {
    // The spool outlives pass 1 but not the document's drawing: it is gone before the PDF is
    // written.
    const PdfTempFile spool_file;
    if (!spool_file.valid()) {
      LogMessage("ERROR", "Unable to create temporary file - %s", spool_file.error().c_str());
      return kDocumentFailed;
    }
    if (!pdf_file.valid()) {
      LogMessage("ERROR", "Cancel open a raste print job");
      LogMessage("ERROR", "Unable to create temporary file - %s", pdf_file.error().c_str());
      return kDocumentFailed;
    }
    pdf = MakeDocument(job, spool_file, pdf_file, copies);
  }
  if (!pdf) return kDocumentFailed;
  // The PDF takes about what its stored images take.
  if (!RoomFor(pdf_file.fd(), pdf->stored_bytes(), -1)) return kDocumentFailed;
  std::string error;
  if (!pdf->Write(pdf_file.fd(), error)) {
    // A PDF cut short is no document; nothing goes out.
    LogMessage("ERROR", "Unable to write the PDF file - %s", error.c_str());
    return kDocumentFailed;
  }
  pdf.reset();  // its image store goes before the document is sent
  const int result = SendPdf(job, lead_in, pdf_file.fd());
  if (result != kDocumentSent) return result;
  // Pages count once the device has them.
  for (std::size_t i = 0; i < copies.size(); ++i) std::fprintf(stderr, "PAGE: %zu %d\n", i, copies[i]);
  return kDocumentSent;
}

}  // namespace nx::filter
