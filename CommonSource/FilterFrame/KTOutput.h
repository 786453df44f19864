// The filter's output helpers: everything the device receives goes through these, so that
// the optional job copy file holds exactly the bytes of the job stream.
//
// Each helper writes to the job copy file first (when one is open) and then the same
// bytes to the given stream. The copy file is process-wide, as is the job: the filter
// runs one job per process. Tests install their own copy file and stream.
#pragma once

#include <cstddef>
#include <cstdio>

namespace nx::filter {

// Installs (or with nullptr removes) the job copy file. The caller keeps ownership.
void KTSetJobCopyFile(std::FILE* fp);
std::FILE* KTJobCopyFile();

std::size_t KTfwrite(const void* ptr, std::size_t size, std::size_t count, std::FILE* stream);
int KTfputs(const char* s, std::FILE* stream);
int KTfputc(int c, std::FILE* stream);
int KTfprintf(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace nx::filter
