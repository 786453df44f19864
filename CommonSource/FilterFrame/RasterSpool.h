// Pass 1 of the document step: the job's raster pages into the spool document.
#pragma once

#include <cups/raster.h>

#include <cstdint>

#include "FilterJob.h"
#include "PdfSpool.h"

namespace nx::filter {

// The largest page the filter takes. The PPDs offer at most A3 and Tabloid at 600 dpi
// (7016 x 9921 and 6600 x 10200 pixels); the bounds leave room for SRA3 and overscan.
inline constexpr std::uint32_t kRasterMaxSide = 10800;                 // 18 inches at 600 dpi
inline constexpr std::uint64_t kRasterMaxPixels = 7600ull * 10800ull;  // 82,080,000 pixels

// True when the page header describes a page of sane size whose bytes per line agree with its
// width and bits per pixel: safe to allocate a line (and, for gray pages, a page) for.
bool RasterPageSizeUsable(const cups_page_header2_t& header);

// True for the pages the document step converts: 8 bits per colour, chunky order, one colour in
// the white (0) or black (3) colour space, and a usable size.
bool RasterPageAccepted(const cups_page_header2_t& header);

// The copy count a page header claims, as the page accounting reports it: 1 ... 9999.
int RasterPageCopies(const cups_page_header2_t& header);

// Where pass 1 hands its pages on.
class RasterSpoolSink {
 public:
  virtual ~RasterSpoolSink() = default;
  // Before page `index` is spooled; `bytes` is what its lines take in the spool. False stops the
  // spooling; the sink has reported why.
  virtual bool BeforePage(int index, std::uint64_t bytes) = 0;
  // After the page's ENDPAGE line. False stops the spooling; the sink has reported why.
  virtual bool AfterPage(int index, int copies) = 0;
};

// Runs pass 1 for `job`, set up by Initialize: the DOCUMENT/AUTHOR/TITLE lines and the spooling
// of the input's pages, read once, with every message of the step (a job without its PPD stops
// here, with the DEBUG line Initialize left and an ERROR line). True when every page of the input was spooled in
// full. False at the first page or failure that stops the document, after an ERROR line: a page
// the step does not take, a page cut short, an input that is no raster stream or cannot be read,
// a failed write; the spool is then of no use.
bool RasterSpoolDocument(const FilterJob& job, PdfSpoolWriter& spool, RasterSpoolSink& sink);

}  // namespace nx::filter
