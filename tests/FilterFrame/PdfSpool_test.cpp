// The spool document: its exact keyword lines, and the drawing pass reading hostile or damaged
// spools without losing its place.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "PdfDrawing.h"
#include "PdfSpool.h"
#include "PdfTempFile.h"
#include "PdfTestSupport.h"

namespace nx::filter::test {
namespace {

using namespace std::string_literals;

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string s;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

TEST(PdfSpoolWriter, WritesTheKeywordLinesByteForByte) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  PdfSpoolWriter w(fileno(f));
  const unsigned char line[3] = {0, '\n', 255};
  EXPECT_TRUE(w.Document() && w.Author("alice") && w.Title("Q1\nPAGE 1 2 3 4") && w.Page(0, 0, 612, 792) &&
              w.Raster(3, 1, 1, 3) && w.Line(line, 3) && w.EndPage());
  EXPECT_TRUE(w.Close());
  EXPECT_EQ(ReadAll(f), "DOCUMENT\nAUTHOR alice\nTITLE Q1 PAGE 1 2 3 4\nPAGE 0 0 612 792\nRASTER 3 1 1 3\n"
                        "LINE 3\n\0\n\xff"
                        "ENDPAGE\n"s);
  std::fclose(f);
}

// Draws a hand-made spool and returns the pages of the PDF.
std::vector<PdfPageInfo> Draw(const std::string& spool_text, std::string* err = nullptr) {
  std::FILE* spool = std::tmpfile();
  std::fwrite(spool_text.data(), 1, spool_text.size(), spool);
  std::rewind(spool);
  PdfTempFile pdf_file;
  EXPECT_TRUE(pdf_file.valid());
  std::unique_ptr<PdfImageDocument> doc;
  std::string error;
  bool written = false;
  const std::string log = CaptureStderr([&] {
    doc = PdfDrawSpool(spool, pdf_file.path());
    written = doc && doc->Write(pdf_file.fd(), error);
  });
  if (err) *err = log;
  std::fclose(spool);
  if (!written) return {};
  std::string pdf(static_cast<std::size_t>(::lseek(pdf_file.fd(), 0, SEEK_END)), '\0');
  EXPECT_EQ(::pread(pdf_file.fd(), pdf.data(), pdf.size(), 0), static_cast<ssize_t>(pdf.size()));
  return InspectPdf(pdf);
}

TEST(PdfDrawSpool, ExcessOfALongLineIsSkippedAndTheNextKeywordRead) {
  const std::string head = "DOCUMENT\nPAGE 0 0 10 10\nRASTER 4 2 1 3\n";
  // 10 bytes for the 8 of the page: the last two are dropped; "ENDPAGE\n" inside pixel data of a
  // line without a page buffer is skipped as data, not read as a keyword.
  const auto pages = Draw(head + "LINE 10\nABCDEFGHIJ" + "ENDPAGE\n" + "LINE 8\nENDPAGE\n" + "PAGE 0 0 20 20\n" +
                          "RASTER 2 1 1 0\nLINE 2\n\x01\x02" + "ENDPAGE\n");
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].samples, std::vector<std::uint8_t>({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
  EXPECT_EQ(pages[0].decode, "[ 1 0 ]");
  EXPECT_EQ(pages[1].samples, std::vector<std::uint8_t>({1, 2}));
  EXPECT_EQ(pages[1].decode, "");  // white space: 0 is black as drawn
  EXPECT_EQ(pages[1].media_box, (std::vector<double>{0, 0, 20, 20}));
}

TEST(PdfDrawSpool, DamagedSpoolsDrawWhatTheyCan) {
  std::string err;
  // A page without pixels, a RASTER whose size is refused, garbage, a spool ending inside a page.
  const auto pages = Draw(std::string("DOCUMENT\nPAGE 0 0 5 5\nENDPAGE\n") + "PAGE 0 0 5 5\nRASTER 99999 99999 1 3\n" +
                              "LINE 3\nxyzENDPAGE\n" + std::string(10000, 'Q') + "\nPAGE 0 0 5 5\nRASTER 2 2 1 3\n" +
                              "LINE -4\nLINE 99999999999999999999\nLINE 2\n\x05\x06",
                          &err);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].image_count, 0);
  EXPECT_EQ(pages[1].image_count, 0);
  EXPECT_EQ(pages[2].samples, std::vector<std::uint8_t>({5, 6, 0, 0}));
  EXPECT_EQ(LinesStartingWith(err, "ERROR:"),
            (std::vector<std::string>{"ERROR: raster_data is NULL", "ERROR: raster_data is NULL"}));
}

// The image coder picks run-length coding only when it pays; pages that run-length coding would
// grow (a lone byte, then a pair, over and over) or barely shrink still get their image, unchanged.
TEST(PdfDrawSpool, EveryPageKeepsItsImageWhateverItsRuns) {
  std::string worst;
  for (int i = 0; worst.size() < 300; ++i) worst += std::string{char(i), char(i + 100), char(i + 100)};
  const std::string blank(300, '\0');
  std::string spool = "DOCUMENT\n";
  for (const std::string* samples : std::initializer_list<const std::string*>{&worst, &blank}) {
    spool += "PAGE 0 0 30 10\nRASTER 30 10 1 3\n";
    for (int y = 0; y < 10; ++y) spool += "LINE 30\n" + samples->substr(static_cast<std::size_t>(y) * 30, 30);
    spool += "ENDPAGE\n";
  }
  std::string err;
  const auto pages = Draw(spool, &err);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].samples, std::vector<std::uint8_t>(worst.begin(), worst.end()));
  EXPECT_EQ(pages[1].samples, std::vector<std::uint8_t>(blank.begin(), blank.end()));
  EXPECT_TRUE(LinesStartingWith(err, "ERROR:").empty());
}

TEST(PdfDrawSpool, NoDocumentLineMeansNoDocument) { EXPECT_TRUE(Draw("PAGE 0 0 5 5\nENDPAGE\n").empty()); }

}  // namespace
}  // namespace nx::filter::test

namespace nx::filter::test {
namespace {

// Pass 2 drawing each page as soon as it is spooled, the spool emptied in between, gives the
// pages of one document; the PDF file keeps the owner-only mode it was created with (it holds
// the fax).
TEST(PdfSpoolDrawer, DrawsPageByPageFromASpoolThatStartsOver) {
  PdfTempFile spool_file;
  PdfTempFile pdf_file;
  ASSERT_TRUE(spool_file.valid() && pdf_file.valid());
  PdfSpoolWriter writer(spool_file.fd());
  std::FILE* reader = std::fopen(spool_file.path().c_str(), "rb");
  ASSERT_NE(reader, nullptr);
  PdfSpoolDrawer drawer(pdf_file.path());
  std::unique_ptr<PdfImageDocument> doc;
  CaptureStderr([&] {
    EXPECT_TRUE(writer.Document() && writer.Author("alice") && writer.Title("t"));
    for (unsigned char value : {0x10, 0x80, 0xF0}) {
      const unsigned char line[4] = {value, value, value, value};
      EXPECT_TRUE(writer.Page(0, 0, 40, 20) && writer.Raster(4, 2, 1, 3) && writer.Line(line, 4) &&
                  writer.Line(line, 4) && writer.EndPage() && writer.Flush());
      drawer.Draw(reader);
      EXPECT_TRUE(writer.Restart());
      std::clearerr(reader);
      EXPECT_EQ(std::fseek(reader, 0, SEEK_SET), 0);
      EXPECT_EQ(::lseek(spool_file.fd(), 0, SEEK_END), 0);  // nothing kept of the pages drawn
    }
    doc = drawer.Finish();
  });
  std::fclose(reader);
  EXPECT_FALSE(drawer.failed());
  ASSERT_NE(doc, nullptr);
  std::string error;
  ASSERT_TRUE(doc->Write(pdf_file.fd(), error)) << error;
  std::string pdf(static_cast<std::size_t>(::lseek(pdf_file.fd(), 0, SEEK_END)), '\0');
  ASSERT_EQ(::pread(pdf_file.fd(), pdf.data(), pdf.size(), 0), static_cast<ssize_t>(pdf.size()));
  const auto pages = InspectPdf(pdf);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[2].samples, std::vector<std::uint8_t>(8, 0xF0));
  struct stat st {};
  ASSERT_EQ(::stat(pdf_file.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// A page that loses its image is no longer drawn blank without a word: the drawer says it failed.
TEST(PdfSpoolDrawer, APageWithoutItsImageFailsTheDrawing) {
  std::string err;
  std::FILE* spool = std::tmpfile();
  const std::string text = "DOCUMENT\nPAGE 0 0 10 10\nRASTER 4 2 3 3\nENDPAGE\n";
  std::fwrite(text.data(), 1, text.size(), spool);
  std::rewind(spool);
  PdfSpoolDrawer drawer("/tmp/unused.pdf");
  err = CaptureStderr([&] {
    drawer.Draw(spool);
    drawer.Finish();
  });
  std::fclose(spool);
  EXPECT_TRUE(drawer.failed());
  EXPECT_NE(err.find("ERROR: raster_data is NULL"), std::string::npos) << err;
}

}  // namespace
}  // namespace nx::filter::test
