// The print session of a print dialog; see PrintSession.h.
#include "pdehost/PrintSession.h"

#include <cups/cups.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "nx/platform/bundle.h"
#include "nx/platform/paths.h"
#include "nx/platform/services.h"
#include "nx/ticket/option_array.h"

namespace pdehost {

bool DialogHostCallback::willChangePPDOptionKeyValue(std::string_view option, std::string_view choice) {
  if (refused_.count(option)) return false;
  const std::string o(option), c(choice);
  if (ppd_) {
    if (!ppdFindChoice(ppdFindOption(ppd_, o.c_str()), c.c_str())) return false;
    ppdMarkOption(ppd_, o.c_str(), c.c_str());
  }
  accepted_[o] = c;
  return true;
}

PrintSession::PrintSession(nx::platform::Services& services) : services_(services) {}

PrintSession::~PrintSession() {
  panels_.clear();
  plugins_.clear();
  if (!ppdTempFile_.empty()) unlink(ppdTempFile_.c_str());
}

bool PrintSession::Open(const DialogSetup& setup, std::string* error) {
  auto fail = [&](std::string message) {
    if (error) *error = std::move(message);
    return false;
  };
  ppdPath_ = setup.ppdPath;
  if (ppdPath_.empty()) {
    if (setup.queue.empty()) return fail("no PPD: name a queue or a PPD file");
    const char* fetched = cupsGetPPD(setup.queue.c_str());
    if (!fetched) return fail("cannot get the PPD of queue " + setup.queue + ": " + cupsLastErrorString());
    ppdPath_ = ppdTempFile_ = fetched;
  }
  // The PPD's option texts in the language the plug-ins' string tables are chosen for.
  const auto languages = nx::platform::EnvironmentLanguages();
  ppd_ = pdekit::OpenPPDFile(ppdPath_, languages.empty() ? std::string("en") : languages.front());
  if (!ppd_) {
    int line = 0;
    const ppd_status_t status = ppdLastError(&line);
    return fail("cannot read the PPD " + ppdPath_ + ": " + ppdErrorString(status) + " (line " +
                std::to_string(line) + ")");
  }
  nx::ticket::OptionArray options;
  for (const auto& [name, value] : setup.options) {
    options.Add(name.c_str(), value.c_str());
    settings_.SetValue(name, value, false);
  }
  cupsMarkOptions(ppd_.get(), options.size(), options.data());

  // CUPS keeps a queue's PPD under the queue's name, so a PPD file alone names the printer.
  session_.SetCurrentPrinterID(setup.queue.empty() ? std::filesystem::path(ppdPath_).stem().string() : setup.queue);
  session_.SetDestinationType(setup.destination);
  session_.SetSessionData(pdekit::kPMPPDReference, ppdPath_);
  callback_ = std::make_unique<DialogHostCallback>(&session_, &settings_, ppd_.get());
  for (const auto& o : setup.refuseOptions) callback_->RefuseOption(o);

  const std::string bundlesDir = setup.bundlesDir.empty() ? nx::platform::PlugInDir() : setup.bundlesDir;
  const std::vector<std::string> names = setup.bundles.empty() ? FindBundles(bundlesDir) : setup.bundles;
  if (names.empty()) return fail("no plug-in bundles in " + bundlesDir);
  for (const auto& name : names) {
    std::string why;
    auto loaded = LoadPlugIn((std::filesystem::path(bundlesDir) / name).string(), services_, &why);
    if (!loaded) return fail(why);
    std::vector<std::unique_ptr<pdekit::PDEPanel>> panels;
    try {
      panels = loaded->plugin->PDEPanelsForType(pdekit::kPrintDialogPDEType, callback_.get());
    } catch (...) {
      return fail(name + ": the plug-in threw while making its panels");
    }
    for (auto& p : panels) {
      if (!p) continue;
      Panel entry;
      entry.owner = loaded.get();
      entry.name = p->panelName();
      entry.kind = p->panelKind();
      // A dialog asks for the PPD options a panel presents before showing anything (some
      // panels set up their constraint index then).
      if (auto keys = p->supportedPPDOptionKeys()) entry.ppdOptionKeys = std::move(*keys);
      entry.panel = std::move(p);
      panels_.push_back(std::move(entry));
    }
    plugins_.push_back(std::move(loaded));
  }
  return true;
}

PrintSession::Panel* PrintSession::FindPanel(const std::string& key) {
  if (key.size() > 1 && key.front() == '#') {
    const std::string digits = key.substr(1);
    if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() < 6) {
      const size_t i = std::stoul(digits);
      return i < panels_.size() ? &panels_[i] : nullptr;
    }
  }
  for (auto& p : panels_)
    if (p.kind == key) return &p;
  for (auto& p : panels_)
    if (p.name == key) return &p;
  return nullptr;
}

std::vector<std::string> PrintSession::ShowPanel(Panel& panel) {
  std::vector<std::string> problems;
  // The panel in front is asked before another one takes its place.
  if (front_ && front_ != &panel && !front_->panel->shouldHide())
    problems.push_back("panel " + front_->kind + " refused to be hidden");
  front_ = &panel;
  panel.panel->panelView();
  std::string why;
  if (!panel.panel->restoreValuesAndReturnError(&why))
    problems.push_back("panel " + panel.kind + " could not restore its values" + (why.empty() ? "" : ": " + why));
  panel.panel->willShow();
  panel.shown = true;
  return problems;
}

PrintResult PrintSession::Print() {
  for (auto& p : panels_) {
    if (!p.shown) continue;
    std::string why;
    if (!p.panel->saveValuesAndReturnError(&why))
      return {false, "panel " + p.kind + " could not save its values" + (why.empty() ? "" : ": " + why)};
  }
  for (auto& p : panels_) {
    p.summary = p.panel->summaryInfo();
    p.summarized = true;
  }
  for (auto& p : panels_)
    if (!p.panel->shouldPrint()) return {false, "panel " + p.kind + " stopped printing"};
  return {true, {}};
}

JobOptionList PrintSession::JobOptions() const {
  JobOptionList out = settings_.Entries();
  if (callback_) {
    for (const auto& [option, choice] : callback_->AcceptedChoices()) {
      const bool present =
          std::any_of(out.begin(), out.end(), [&](const auto& e) { return e.first == option; });
      if (!present) out.emplace_back(option, choice);
    }
  }
  return out;
}

std::vector<PanelReport> PrintSession::Reports() const {
  std::vector<PanelReport> out;
  for (const auto& p : panels_)
    out.push_back({p.owner->name, p.name, p.kind, p.ppdOptionKeys, p.shown,
                   p.summarized ? p.summary : pdekit::SummaryInfo{}});
  return out;
}

}  // namespace pdehost
