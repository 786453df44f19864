// The document step: pass 1 (raster to spool), pass 2 (spool to PDF), then the PDF to the device
// stream. See OutputPDFStream.h.
#include "OutputPDFStream.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

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

// Copies the PDF file to standard output through KTfwrite, so the job copy file gets the same
// bytes. Returns 1 when standard output failed.
int SendPdf(int pdf_fd) {
  std::unique_ptr<unsigned char[]> buffer(new unsigned char[1 << 16]);
  off_t offset = 0;
  for (;;) {
    const ssize_t n = ::pread(pdf_fd, buffer.get(), 1 << 16, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      // Nothing usable can follow a document cut in the middle.
      LogMessage("ERROR", "Unable to send the document - %s", std::strerror(errno));
      return 1;
    }
    if (n == 0) break;
    errno = 0;
    if (KTfwrite(buffer.get(), 1, static_cast<std::size_t>(n), stdout) != static_cast<std::size_t>(n)) break;
    offset += n;
  }
  if (!std::ferror(stdout) && std::fflush(stdout) == 0) return 0;
  const int error = errno;
  if (error == EPIPE) {
    std::fputs("DEBUG: The device stream was closed by its reader\n", stderr);
  } else {
    LogMessage("ERROR", "Unable to send the document - %s", std::strerror(error ? error : EIO));
  }
  return 1;
}

// Pass 2 and the output of the PDF.
int DrawAndSend(const std::string& spool_path) {
  PdfTempFile pdf_file;
  if (!pdf_file.valid()) {
    LogMessage("ERROR", "Cancel open a raste print job");
    std::fprintf(stderr, "DEBUG: Unable to create the PDF file - %s\n", pdf_file.error().c_str());
    return 0;
  }
  constexpr std::size_t kReadBuffer = 1 << 16;
  const std::unique_ptr<char[]> spool_buffer(new char[kReadBuffer]);  // outlives the stream
  std::unique_ptr<std::FILE, FileClose> spool(std::fopen(spool_path.c_str(), "rbe"));
  if (!spool) {
    const int error = errno;
    LogMessage("ERROR", "Cannot do cupsFileOpen from a raster print job");
    std::fprintf(stderr, "DEBUG: Unable to open \"%s\" - %s\n", spool_path.c_str(), std::strerror(error));
    return 0;
  }
  std::setvbuf(spool.get(), spool_buffer.get(), _IOFBF, kReadBuffer);

  std::unique_ptr<PdfImageDocument> pdf = PdfDrawSpool(spool.get(), pdf_file.path());
  spool.reset();
  if (!pdf) {
    LogMessage("ERROR", "contents parameter is NULL");
    return 0;
  }
  std::string error;
  if (!pdf->Write(pdf_file.fd(), error)) {
    // A PDF cut short is no document; nothing goes out.
    LogMessage("ERROR", "Unable to write the PDF file - %s", error.c_str());
    return 0;
  }
  const int result = SendPdf(pdf_file.fd());
  if (pdf->page_count() == 0) LogMessage("ERROR", "No pages found!");
  return result;
}

}  // namespace

int OutputPDFStream(int argc, char* argv[]) {
  // The spool outlives pass 1: it is deleted when this function returns, on every path.
  PdfTempFile spool_file;
  if (!spool_file.valid()) {
    LogMessage("ERROR", "Unable to create temporary file - %s", spool_file.error().c_str());
    return 0;
  }
  {
    PdfSpoolWriter spool(spool_file.fd());
    if (!spool.ok()) {
      LogMessage("ERROR", "Unable to write temporary file - %s", spool.error().c_str());
    } else {
      RasterSpoolDocument(argc, argv, spool);
    }
    const bool already_reported = !spool.ok();
    if (!spool.Close() && !already_reported) {
      LogMessage("ERROR", "Unable to write temporary file - %s", spool.error().c_str());
    }
  }
  spool_file.CloseFd();
  return DrawAndSend(spool_file.path());
}

}  // namespace nx::filter
