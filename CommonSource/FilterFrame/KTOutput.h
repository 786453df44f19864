// The filter's output helpers: everything the device receives goes through these, so that
// the job copy file holds exactly the bytes of the job stream.
//
// Each helper writes to the job's copy file first (when it keeps one) and then the same bytes to
// the job's device stream (FilterJob::out).
#pragma once

#include <cstddef>
#include <cstdio>

#include "FilterJob.h"

namespace nx::filter {

std::size_t KTfwrite(const void* ptr, std::size_t size, std::size_t count, const FilterJob& job);
int KTfputs(const char* s, const FilterJob& job);
int KTfputc(int c, const FilterJob& job);
int KTfprintf(const FilterJob& job, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace nx::filter
