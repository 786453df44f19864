// Help books: a plug-in's help is the HTML pages of its bundle's Help/ folder (localized or
// not). Registration only checks that the book is there; opening shows a page in the desktop's
// browser, or, headless, records the request.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "nx/platform/bundle.h"

namespace nx::platform {

inline constexpr int kHelpNotFound = -43;

class HelpService {
 public:
  virtual ~HelpService() = default;
  // 0 when the bundle has a help book (a Help/ page or a book name), else kHelpNotFound.
  virtual int RegisterBook(const Bundle& bundle) = 0;
  // Opens Help/<page> of the bundle at `anchor` (may be empty) in the book `book`. 0, or
  // kHelpNotFound when the page does not exist, or the launcher's failure code.
  virtual int OpenPage(const Bundle& bundle, std::string_view book, std::string_view page,
                       std::string_view anchor) = 0;
};

// The file URL of a help page ("file://<path>[#anchor]"); empty when the page is missing.
std::string HelpPageUrl(const Bundle& bundle, std::string_view page, std::string_view anchor);

// Opens pages with a launcher command (default "xdg-open"), started without waiting for it.
class DesktopHelp final : public HelpService {
 public:
  explicit DesktopHelp(std::string launcher = "xdg-open") : launcher_(std::move(launcher)) {}
  int RegisterBook(const Bundle& bundle) override;
  int OpenPage(const Bundle& bundle, std::string_view book, std::string_view page, std::string_view anchor) override;

 private:
  std::string launcher_;
};

// Records what would be shown.
class RecordingHelp final : public HelpService {
 public:
  struct Request {
    std::string book, page, anchor, url;
  };
  int RegisterBook(const Bundle& bundle) override;
  int OpenPage(const Bundle& bundle, std::string_view book, std::string_view page, std::string_view anchor) override;
  std::vector<std::string> registered;  // bundle identifiers
  std::vector<Request> opened;
};

}  // namespace nx::platform
