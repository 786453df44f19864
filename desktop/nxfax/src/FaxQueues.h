// The fax queues a user can send to: the print system's destinations whose PPD is ours, and
// the one the user picked last (kept in the user's preferences).
#pragma once

#include <string>
#include <vector>

namespace nx::platform {
class Preferences;
}

namespace nxfax {

struct FaxQueue {
  std::string name;  // the destination's name (with "/instance" for an instance)
  std::string info;  // printer-info, else the name
  bool isDefault = false;
};

// True when the PPD file carries the attributes only our fax PPD has.
bool IsFaxPpd(const std::string& ppdPath);

// Destinations of the print system (cupsGetDests2) whose PPD IsFaxPpd, in the print system's
// order. Destinations whose PPD cannot be fetched are left out.
std::vector<FaxQueue> FindFaxQueues();

// The queue to offer first: the one remembered, when still among `queues`, else the print
// system's default among them, else the first. Empty when `queues` is.
std::string PreferredQueue(const std::vector<FaxQueue>& queues, nx::platform::Preferences& prefs);
void RememberQueue(const std::string& name, nx::platform::Preferences& prefs);

}  // namespace nxfax
