// A parsed PPD that closes itself, for every part of the system that opens one.
#pragma once

#include <cups/ppd.h>

#include <memory>

namespace nx::cups {

struct PpdFileCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};
using PpdFilePtr = std::unique_ptr<ppd_file_t, PpdFileCloser>;

}  // namespace nx::cups
