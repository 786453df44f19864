// Running the document step in a child process (its own stdin/stdout/stderr, TMPDIR, limits and
// signals, as the filter runs it) and looking into the PDF it wrote.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace nx::filter::test {

std::string PdfTestDir();  // a fresh folder under /tmp

struct StepOptions {
  std::vector<std::string> args = {};      // argv[1..]
  std::map<std::string, std::string> env = {};  // an empty value unsets the variable
  std::string stdin_path = "/dev/null";
  bool close_stdout_reader = false;
  bool job_copy = false;
  rlim_t file_size_limit = RLIM_INFINITY;
  int extra_open_files = -1;  // descriptors the step may open beyond its standard ones; -1: no limit
};

struct StepResult {
  std::string out;
  std::string err;
  std::string job_copy;
  int result = -1;  // what OutputPDFStream returned
  bool pipe_broken = false;
  std::vector<std::string> temp_left;  // files left in the step's TMPDIR
};

// Runs OutputPDFStream with "jobfilter" + options.args, TMPDIR set to a fresh folder, PPD set to
// the test queue and NX_DATA_DIR to the source tree's tables (unless options.env says otherwise).
StepResult RunDocumentStep(const StepOptions& options);

// Standard argument list for a job reading `raster_path` (7 arguments).
std::vector<std::string> StepArgs(const std::string& raster_path);

struct PdfPageInfo {
  std::vector<double> media_box;
  int image_count = 0;
  long long width = 0;
  long long height = 0;
  long long bits = 0;
  std::string color_space;
  std::string decode;  // unparsed /Decode, empty when absent
  std::vector<std::uint8_t> samples;
};

// Pages of the PDF with their one image decoded; fails the test on a PDF qpdf cannot read.
std::vector<PdfPageInfo> InspectPdf(const std::string& pdf);
// Output of "qpdf --check"; true when it exits 0.
bool QpdfCheck(const std::string& pdf, std::string& output);
// Page `page` (from 1) rendered by pdftoppm to exactly width x height gray pixels.
std::vector<std::uint8_t> RenderPage(const std::string& pdf, int page, unsigned width, unsigned height);

// Runs `fn` in this process with standard error (fd 2) captured; returns what it wrote.
std::string CaptureStderr(const std::function<void()>& fn);

// Lines of `text` that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix);

}  // namespace nx::filter::test
