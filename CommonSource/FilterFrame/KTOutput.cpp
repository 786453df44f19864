#include "KTOutput.h"

#include <cstdarg>
#include <cstdlib>
#include <vector>

namespace nx::filter {

std::size_t KTfwrite(const void* ptr, std::size_t size, std::size_t count, const FilterJob& job) {
  // fwrite's buffer must not be null even for no bytes, and an empty view may hold none.
  if (size == 0 || count == 0) return 0;
  if (std::FILE* copy = job.copy.get()) std::fwrite(ptr, size, count, copy);
  return std::fwrite(ptr, size, count, job.out);
}

int KTfputs(const char* s, const FilterJob& job) {
  if (std::FILE* copy = job.copy.get()) std::fputs(s, copy);
  return std::fputs(s, job.out);
}

int KTfputc(int c, const FilterJob& job) {
  if (std::FILE* copy = job.copy.get()) std::fputc(c, copy);
  return std::fputc(c, job.out);
}

int KTfprintf(const FilterJob& job, const char* format, ...) {
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
  return static_cast<int>(KTfwrite(buf.data(), 1, static_cast<std::size_t>(n), job));
}

}  // namespace nx::filter
