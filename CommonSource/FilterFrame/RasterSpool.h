// Pass 1 of the document step: the job's raster pages into the spool document.
#pragma once

#include <cups/raster.h>

#include <cstdint>

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

// Runs pass 1: Initialize, the DOCUMENT/AUTHOR/TITLE lines, the raster copy of the input and the
// spooling of its accepted pages, with every message of the step. Stops at the first failure,
// leaving the spool as far as it was written.
void RasterSpoolDocument(int argc, char* argv[], PdfSpoolWriter& spool);

}  // namespace nx::filter
