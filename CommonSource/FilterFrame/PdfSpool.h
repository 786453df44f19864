// The spool document between the two passes of the document step: text lines "KEYWORD value\n",
// each LINE line directly followed by its pixel bytes:
//
//   DOCUMENT / AUTHOR user / TITLE title
//   PAGE left bottom width height      (points)          once per page
//   RASTER width height colours space  (pixels; space = CUPS colour space code)
//   LINE n  + n bytes                                     once per pixel line
//   ENDPAGE
//
// The colour space is a fourth RASTER value so that the drawing pass keeps the tones of white
// (code 0) and black (code 3) pages alike; a RASTER line without it means black.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace nx::filter {

// Writes the spool through its own buffered stream on a duplicate of `fd`. The first failed write
// is remembered (error()) and every later write is skipped: after a short write the spool could
// not be read back correctly anyway.
class PdfSpoolWriter {
 public:
  explicit PdfSpoolWriter(int fd);
  ~PdfSpoolWriter();
  PdfSpoolWriter(const PdfSpoolWriter&) = delete;
  PdfSpoolWriter& operator=(const PdfSpoolWriter&) = delete;

  bool ok() const { return file_ && error_.empty(); }
  const std::string& error() const { return error_; }

  bool Document();
  // Line breaks in user-supplied texts would start keyword lines of their own; they become spaces.
  bool Author(const std::string& user);
  bool Title(const std::string& title);
  bool Page(unsigned left, unsigned bottom, unsigned width, unsigned height);
  bool Raster(unsigned width, unsigned height, unsigned colors, unsigned color_space);
  bool Line(const unsigned char* data, int count);
  bool EndPage();
  // Writes out what is buffered, so that a reader of the file sees every line written so far.
  bool Flush();
  // Empties the file and writes on from its start: the lines already read back need no room.
  bool Restart();
  // Flushes and closes; false (error() set) when anything failed on the way.
  bool Close();

 private:
  bool Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool Fail();

  std::unique_ptr<char[]> buffer_;  // outlives file_
  std::FILE* file_ = nullptr;
  std::string error_;
};

// Reads the spool back: keyword lines and the pixel bytes that follow LINE lines.
class PdfSpoolReader {
 public:
  explicit PdfSpoolReader(std::FILE* file) : file_(file) {}

  // The next line split at its first space. False at the end of the spool. A line longer than any
  // line the writer makes is consumed and returned with an empty keyword.
  bool NextLine(std::string& keyword, std::string& value);
  // Reads up to `size` bytes into `out`; returns how many were read.
  std::size_t Read(unsigned char* out, std::size_t size);
  // Reads and drops `size` bytes (fewer at the end of the spool).
  void Skip(std::uint64_t size);

 private:
  std::FILE* file_;
};

}  // namespace nx::filter
