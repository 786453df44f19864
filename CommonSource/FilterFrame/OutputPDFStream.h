// The filter's document step: the job's raster pages converted into one PDF document, written to
// the job's device stream (and to its job copy file) between the job header and the trailer.
#pragma once

#include <string_view>

#include "FilterJob.h"

namespace nx::filter {

// Results of the step.
inline constexpr int kDocumentSent = 0;
// Standard output failed part-way (the reader closed it, or a write failed): the device stream
// is broken, so the main flow ends with status 1 and no trailer.
inline constexpr int kDocumentOutputBroken = 1;
// No complete document: nothing at all was written, and an ERROR line says why.
inline constexpr int kDocumentFailed = 2;

// Runs the whole step for `job`, set up by Initialize (its input file names the raster file, else
// the raster comes from standard input; a job without its PPD ends the step with an ERROR line).
// Its messages go to standard error.
//
// The PDF is made whole in the temporary folder first. Only then are `lead_in` (the job header,
// held back by the main flow) and the PDF written, through the job copy helpers (KTOutput.h), and the page
// accounting lines ("PAGE:") reported. Any page the step cannot take, any input that is not a
// whole raster stream, any failure of the temporary folder ends the step with kDocumentFailed
// before a byte is written: the device gets the whole job or nothing.
// Temporary files are removed on every path.
int OutputPDFStream(FilterJob& job, std::string_view lead_in = {});

}  // namespace nx::filter
