// A build without the desktop parts: no notifications, the agent logs its notices.
#include "nx/heldjobs/desktop_notifier.h"

namespace nx::heldjobs {

std::string NoticeSummary(const HeldJob& job) { return "Fax: choose recipients for " + job.name; }

std::unique_ptr<DesktopNotifier> DesktopNotifier::Connect(std::vector<std::string>,
                                                          std::string* error) {
  if (error) *error = "built without desktop notifications";
  return nullptr;
}

}  // namespace nx::heldjobs
