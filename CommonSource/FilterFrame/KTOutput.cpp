#include "KTOutput.h"

#include <cstdarg>
#include <cstdlib>
#include <vector>

namespace nx::filter {
namespace {
std::FILE* gJobFilefp = nullptr;
}  // namespace

void KTSetJobCopyFile(std::FILE* fp) { gJobFilefp = fp; }
std::FILE* KTJobCopyFile() { return gJobFilefp; }

std::size_t KTfwrite(const void* ptr, std::size_t size, std::size_t count, std::FILE* stream) {
  // fwrite's buffer must not be null even for no bytes, and an empty view may hold none.
  if (size == 0 || count == 0) return 0;
  if (gJobFilefp) std::fwrite(ptr, size, count, gJobFilefp);
  return std::fwrite(ptr, size, count, stream);
}

int KTfputs(const char* s, std::FILE* stream) {
  if (gJobFilefp) std::fputs(s, gJobFilefp);
  return std::fputs(s, stream);
}

int KTfputc(int c, std::FILE* stream) {
  if (gJobFilefp) std::fputc(c, gJobFilefp);
  return std::fputc(c, stream);
}

int KTfprintf(std::FILE* stream, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  va_list ap2;
  va_copy(ap2, ap);
  const int n = std::vsnprintf(nullptr, 0, format, ap);
  va_end(ap);
  if (n < 0) {
    va_end(ap2);
    return n;
  }
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(buf.data(), buf.size(), format, ap2);
  va_end(ap2);
  // Formatted once so both destinations get identical bytes.
  return static_cast<int>(KTfwrite(buf.data(), 1, static_cast<std::size_t>(n), stream));
}

}  // namespace nx::filter
