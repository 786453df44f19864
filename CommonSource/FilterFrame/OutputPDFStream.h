// The filter's document step: the job's raster pages converted into one PDF document, written to
// standard output (and to the job copy file) between the job header and the trailer.
#pragma once

namespace nx::filter {

// Runs the whole step with the filter's arguments (argc 6 or 7; argument 6 names the raster file,
// else the raster comes from standard input). Its messages go to standard error.
//
// Returns 1 when the PDF could not be written to standard output (the reader closed it, or a write
// failed): the device stream is broken, so the main flow ends with status 1 and no trailer.
// Returns 0 otherwise, including every conversion problem: those are reported with ERROR lines,
// and the job goes on with the document as far as it was produced.
// Temporary files are removed on every path.
int OutputPDFStream(int argc, char* argv[]);

}  // namespace nx::filter
