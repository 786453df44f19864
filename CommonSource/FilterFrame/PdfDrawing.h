// Pass 2 of the document step: the spool document drawn into a PDF document.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "PdfImageDocument.h"

namespace nx::filter {

// Reads the spool from its current position to its end and draws its pages. The DOCUMENT line
// opens the document (setting `pdf_path`'s permission bits to 0644); without one, or when
// `pdf_path` is unusable, the result is nullptr. Every message of the drawing is written here.
std::unique_ptr<PdfImageDocument> PdfDrawSpool(std::FILE* spool, const std::string& pdf_path);

}  // namespace nx::filter
