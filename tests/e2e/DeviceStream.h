// Reading what the fax queue wrote to its device: the TPJL header, the PDF, the trailer; and
// checking the PDF with the system's tools (qpdf, pdfinfo, pdftoppm) and libqpdf.
#pragma once

#include <string>
#include <vector>

namespace nx::e2e {

inline constexpr char kUel[] = "\x1b%-12345X";
inline constexpr char kEnterPdf[] = "@PJL ENTER LANGUAGE=PDF\n";
inline constexpr char kTrailer[] = "\x1b%-12345X@PJL EOJ\n";

struct DeviceStream {
  bool ok = false;
  std::string problem;  // why the stream does not have the three parts
  std::string header;   // up to and including "@PJL ENTER LANGUAGE=PDF\n"
  std::string pdf;
  std::string trailer;
};

// Splits a device stream into header, document and trailer.
DeviceStream SplitDeviceStream(const std::string& bytes);

// The header's lines, each with its own line end (CR LF or LF).
std::vector<std::string> HeaderLines(const std::string& header);

// Line ends made visible, for readable failure messages.
std::string Visible(const std::string& s);

struct PdfImage {
  int width = 0;
  int height = 0;
  int bits = 0;
  std::string color_space;
  std::vector<double> decode;  // the /Decode array, empty when absent
};

struct PdfReport {
  bool check_passed = false;  // qpdf --check found no error
  std::string check_output;
  int pages = -1;             // as pdfinfo counts them
  std::vector<std::pair<double, double>> page_sizes;  // media box width, height in points
  std::vector<std::vector<PdfImage>> images;          // image XObjects of each page
};

// Writes the PDF to `path` and examines it.
PdfReport ExaminePdf(const std::string& pdf, const std::string& path);

// A page rendered in 8-bit gray by pdftoppm at `dpi` (samples: 0 black, 255 white).
struct GrayPage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> samples;
  // Mean sample of the rectangle given in points from the top-left corner.
  double Mean(double x_pt, double y_pt, double w_pt, double h_pt, int dpi) const;
};
bool RenderPage(const std::string& pdf_path, int page, int dpi, const std::string& out_prefix,
                GrayPage* out);

// A test document: `pages` pages of the given size in points, each with a black square of one
// inch whose place tells the page number (MarkPosition), so that order and tone can be checked
// on the rendered fax pages.
bool MakeMarkedPdf(const std::string& path, int pages, double width_pt, double height_pt);
struct Mark {
  double x_pt, y_pt;  // top-left corner, from the page's top-left corner
};
Mark MarkPosition(int page_index);
inline constexpr double kMarkSize = 72.0;

}  // namespace nx::e2e
