// A parsed PPD that closes itself, for every part of the system that opens one.
#pragma once

#include <cups/ppd.h>

#include <atomic>
#include <cstddef>
#include <memory>

namespace nx::cups {

struct PpdFileCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};
using PpdFilePtr = std::unique_ptr<ppd_file_t, PpdFileCloser>;

namespace detail {
inline std::atomic<std::size_t>& PpdOpenCounter() {
  static std::atomic<std::size_t> count{0};
  return count;
}
}  // namespace detail

// ppdOpenFile(path), counted: tests use PpdOpenCount to prove how often a job reads its PPD.
inline PpdFilePtr OpenPpdFile(const char* path) {
  detail::PpdOpenCounter().fetch_add(1, std::memory_order_relaxed);
  return PpdFilePtr(ppdOpenFile(path));
}

// How many PPD files OpenPpdFile has opened in this process (a failed open counts too).
inline std::size_t PpdOpenCount() { return detail::PpdOpenCounter().load(std::memory_order_relaxed); }

}  // namespace nx::cups
