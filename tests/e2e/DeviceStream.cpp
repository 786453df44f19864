#include "DeviceStream.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <regex>
#include <sstream>

#include "E2eSupport.h"

namespace nx::e2e {

DeviceStream SplitDeviceStream(const std::string& bytes) {
  DeviceStream s;
  const std::size_t enter = bytes.find(kEnterPdf);
  if (enter == std::string::npos) {
    s.problem = "no \"@PJL ENTER LANGUAGE=PDF\" line";
    return s;
  }
  const std::size_t body = enter + std::string(kEnterPdf).size();
  const std::string trailer(kTrailer);
  if (bytes.size() < body + trailer.size() ||
      bytes.compare(bytes.size() - trailer.size(), trailer.size(), trailer) != 0) {
    s.problem = "the stream does not end with the trailer";
    return s;
  }
  s.header = bytes.substr(0, body);
  s.pdf = bytes.substr(body, bytes.size() - trailer.size() - body);
  s.trailer = trailer;
  s.ok = true;
  return s;
}

std::vector<std::string> HeaderLines(const std::string& header) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < header.size()) {
    std::size_t nl = header.find('\n', start);
    if (nl == std::string::npos) nl = header.size() - 1;
    lines.push_back(header.substr(start, nl + 1 - start));
    start = nl + 1;
  }
  return lines;
}

std::string Visible(const std::string& s) {
  std::string out;
  for (const unsigned char c : s) {
    if (c == '\r') {
      out += "<CR>";
    } else if (c == '\n') {
      out += "<LF>\n";
    } else if (c == 0x1B) {
      out += "<ESC>";
    } else if (c < 0x20 || c > 0x7E) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "<%02X>", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

PdfReport ExaminePdf(const std::string& pdf, const std::string& path) {
  PdfReport r;
  if (!WriteFile(path, pdf)) return r;
  const CommandResult check = RunCommand({"qpdf", "--check", path});
  r.check_output = check.output;
  r.check_passed = check.status == 0 &&
                   check.output.find("No syntax or stream encoding errors found") != std::string::npos;
  const CommandResult info = RunCommand({"pdfinfo", path});
  std::smatch m;
  if (std::regex_search(info.output, m, std::regex("Pages:\\s+(\\d+)"))) r.pages = std::stoi(m[1]);
  try {
    QPDF q;
    q.processFile(path.c_str());
    for (auto& page : QPDFPageDocumentHelper(q).getAllPages()) {
      auto box = page.getMediaBox().getArrayAsRectangle();
      r.page_sizes.emplace_back(box.urx - box.llx, box.ury - box.lly);
      std::vector<PdfImage> images;
      for (auto& [name, image] : page.getImages()) {
        auto dict = image.getDict();
        PdfImage im;
        if (dict.getKey("/Width").isInteger()) im.width = dict.getKey("/Width").getIntValueAsInt();
        if (dict.getKey("/Height").isInteger()) im.height = dict.getKey("/Height").getIntValueAsInt();
        if (dict.getKey("/BitsPerComponent").isInteger()) im.bits = dict.getKey("/BitsPerComponent").getIntValueAsInt();
        im.color_space = dict.getKey("/ColorSpace").unparse();
        if (dict.getKey("/Decode").isArray()) {
          for (auto& v : dict.getKey("/Decode").aitems()) {
            if (v.isNumber()) im.decode.push_back(v.getNumericValue());
          }
        }
        images.push_back(im);
      }
      r.images.push_back(std::move(images));
    }
  } catch (const std::exception& e) {
    r.check_passed = false;
    r.check_output += std::string("\nlibqpdf: ") + e.what();
  }
  return r;
}

double GrayPage::Mean(double x_pt, double y_pt, double w_pt, double h_pt, int dpi) const {
  const auto px = [dpi](double pt) { return static_cast<int>(pt * dpi / 72.0); };
  const int x0 = std::max(0, px(x_pt)), y0 = std::max(0, px(y_pt));
  const int x1 = std::min(width, px(x_pt + w_pt)), y1 = std::min(height, px(y_pt + h_pt));
  double sum = 0;
  long n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      sum += samples[static_cast<std::size_t>(y) * width + x];
      ++n;
    }
  }
  return n ? sum / n : -1;
}

bool RenderPage(const std::string& pdf_path, int page, int dpi, const std::string& out_prefix,
                GrayPage* out) {
  const std::string p = std::to_string(page);
  const CommandResult r = RunCommand({"pdftoppm", "-gray", "-r", std::to_string(dpi), "-f", p, "-l", p,
                               "-singlefile", pdf_path, out_prefix});
  if (r.status != 0) return false;
  const std::string pgm = ReadFile(out_prefix + ".pgm");
  // P5 <width> <height> <maxval> and one byte per sample.
  std::istringstream in(pgm);
  std::string magic;
  int maxval = 0;
  in >> magic >> out->width >> out->height >> maxval;
  if (magic != "P5" || maxval != 255 || out->width <= 0 || out->height <= 0) return false;
  in.get();
  const std::size_t offset = static_cast<std::size_t>(in.tellg());
  const std::size_t n = static_cast<std::size_t>(out->width) * out->height;
  if (pgm.size() < offset + n) return false;
  out->samples.assign(pgm.begin() + static_cast<long>(offset), pgm.begin() + static_cast<long>(offset + n));
  return true;
}

Mark MarkPosition(int page_index) {
  // Four places along the top, then four along a second row.
  return Mark{36.0 + 108.0 * (page_index % 4), 36.0 + 108.0 * ((page_index / 4) % 4)};
}

bool MakeMarkedPdf(const std::string& path, int pages, double width_pt, double height_pt) {
  try {
    QPDF q;
    q.emptyPDF();
    QPDFPageDocumentHelper doc(q);
    for (int i = 0; i < pages; ++i) {
      const Mark m = MarkPosition(i);
      std::ostringstream content;
      // PDF space has its origin at the bottom left.
      content << "0 g " << m.x_pt << " " << (height_pt - m.y_pt - kMarkSize) << " " << kMarkSize
              << " " << kMarkSize << " re f\n";
      std::ostringstream dict;
      dict << "<< /Type /Page /MediaBox [0 0 " << width_pt << " " << height_pt
           << "] /Resources << >> >>";
      QPDFObjectHandle page = q.makeIndirectObject(QPDFObjectHandle::parse(dict.str()));
      page.replaceKey("/Contents", QPDFObjectHandle::newStream(&q, content.str()));
      doc.addPage(QPDFPageObjectHelper(page), false);
    }
    QPDFWriter w(q, path.c_str());
    w.setStaticID(true);
    w.write();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace nx::e2e
