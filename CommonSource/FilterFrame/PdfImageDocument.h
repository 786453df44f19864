// The PDF drawing facility of the document step: a PDF document whose pages each show one 8-bit
// DeviceGray image filling a rectangle of the page, written with qpdf.
//
// Pages are never held together: each image is compressed when it is drawn and parked in a
// temporary store; qpdf reads it back through a lazy stream provider when the document is written.
// So memory holds one page of pixels (the caller's) plus its compressed form at a time.
//
// Images are stored with the filters [/FlateDecode /RunLengthDecode] (run-length coding first,
// then deflate by libdeflate): on fax pages, mostly white, this is both smaller and several times
// faster than deflate alone. Pages on which run-length coding does not pay get /FlateDecode only.
// No exception leaves this class; failures come back as results with an error text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace nx::filter {

// A rectangle in points: origin (x, y), size (width, height).
struct PdfRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

class PdfImageDocument {
 public:
  PdfImageDocument();
  ~PdfImageDocument();
  PdfImageDocument(const PdfImageDocument&) = delete;
  PdfImageDocument& operator=(const PdfImageDocument&) = delete;

  // Begins a page whose media box is `media_box`; ends an open page first.
  void BeginPage(const PdfRect& media_box);
  // Draws `height` rows of `width` one-byte samples into `rect` of the open page. With
  // `zero_is_white` a sample of 0 is white and 255 black (decode range 1 0), else 0 is black.
  // The pixels are compressed and stored at once; the caller may release them afterwards.
  [[nodiscard]] bool DrawGrayImage(const unsigned char* pixels, std::uint32_t width, std::uint32_t height,
                                   bool zero_is_white, const PdfRect& rect, std::string& error);
  void EndPage();

  bool page_open() const;
  int page_count() const;
  // Bytes of compressed images parked so far (about what the written document will take).
  std::uint64_t stored_bytes() const;

  // Writes the whole document to `fd` and flushes it. False with `error` on any failure; the
  // file's content is then unusable.
  [[nodiscard]] bool Write(int fd, std::string& error);

  // Tests only: a fixed document ID, so that output bytes repeat from run to run.
  static void SetStaticIdForTesting(bool on);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace nx::filter
