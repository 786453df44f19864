// Fax queue discovery; see FaxQueues.h.
#include "FaxQueues.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>

#include <memory>

#include "nx/platform/preferences.h"

namespace nxfax {
namespace {

constexpr const char* kApplication = "com.norvalex.nxfax";
constexpr const char* kQueueKey = "FaxQueue";

struct PpdCloser {
  void operator()(ppd_file_t* p) const { ppdClose(p); }
};

struct Dests {
  cups_dest_t* dests = nullptr;
  int count = 0;
  ~Dests() { cupsFreeDests(count, dests); }
};

nx::platform::PrefDomain Domain() {
  nx::platform::PrefDomain d;
  d.application = kApplication;
  d.host = nx::platform::PrefHost::kAny;
  return d;
}

}  // namespace

bool IsFaxPpd(const std::string& ppdPath) {
  std::unique_ptr<ppd_file_t, PpdCloser> ppd(ppdOpenFile(ppdPath.c_str()));
  if (!ppd) return false;
  // Every PPD of ours names its settings type; the fax panels read it before anything else.
  return ppdFindAttr(ppd.get(), "NXSettingType", nullptr) != nullptr &&
         ppdFindOption(ppd.get(), "NXFaxResolution") != nullptr;
}

std::vector<FaxQueue> FindFaxQueues() {
  std::vector<FaxQueue> out;
  Dests d;
  d.count = cupsGetDests2(CUPS_HTTP_DEFAULT, &d.dests);
  for (int i = 0; i < d.count; ++i) {
    const cups_dest_t& dest = d.dests[i];
    const char* fetched = cupsGetPPD2(CUPS_HTTP_DEFAULT, dest.name);
    if (!fetched) continue;
    const std::string ppd = fetched;
    const bool ours = IsFaxPpd(ppd);
    unlink(ppd.c_str());
    if (!ours) continue;
    FaxQueue q;
    q.name = dest.instance ? std::string(dest.name) + "/" + dest.instance : dest.name;
    const char* info = cupsGetOption("printer-info", dest.num_options, dest.options);
    q.info = info && *info ? info : q.name;
    q.isDefault = dest.is_default != 0;
    out.push_back(std::move(q));
  }
  return out;
}

std::string PreferredQueue(const std::vector<FaxQueue>& queues, nx::platform::Preferences& prefs) {
  if (queues.empty()) return {};
  if (auto remembered = prefs.CopyString(kQueueKey, Domain()))
    for (const auto& q : queues)
      if (q.name == *remembered) return q.name;
  for (const auto& q : queues)
    if (q.isDefault) return q.name;
  return queues.front().name;
}

void RememberQueue(const std::string& name, nx::platform::Preferences& prefs) {
  prefs.SetValue(kQueueKey, nx::platform::PropertyValue(name), Domain());
  // Not being able to remember the choice only costs the user a pick next time.
  (void)prefs.Synchronize(Domain());
}

}  // namespace nxfax
