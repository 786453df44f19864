// Pass 2 of the document step: the spool document drawn into a PDF document.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "PdfImageDocument.h"

namespace nx::filter {

class PdfSpoolDrawer {
 public:
  // `pdf_path` names the PDF file in the messages; its permission bits are left as they are (the
  // document is the job's, readable by the filter's user only).
  explicit PdfSpoolDrawer(std::string pdf_path);
  ~PdfSpoolDrawer();
  PdfSpoolDrawer(const PdfSpoolDrawer&) = delete;
  PdfSpoolDrawer& operator=(const PdfSpoolDrawer&) = delete;

  // Draws what the spool holds from its current position to its end. May be called again once
  // more lines were written: a page may even continue where the last call stopped.
  void Draw(std::FILE* spool);
  // Ends an open page and hands over the document: nullptr without a DOCUMENT line or when
  // `pdf_path` is unusable.
  std::unique_ptr<PdfImageDocument> Finish();
  // True once a page lost its image (no memory, no pixels, a failed image store); it was reported.
  bool failed() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Reads the spool from its current position to its end and draws its pages (PdfSpoolDrawer in
// one go). Every message of the drawing is written here.
std::unique_ptr<PdfImageDocument> PdfDrawSpool(std::FILE* spool, const std::string& pdf_path);

}  // namespace nx::filter
