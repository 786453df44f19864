// A panel on a headless pane with test doubles for every service, for the control and panel
// tests: preferences in memory, a fixed user, a fixed kernel release (so either side of the
// 0x1070 gate), and a print session on the printer "Fax_Queue".
#pragma once

#include <memory>
#include <string>

#include "nx/platform/headless_toolkit.h"
#include "nx/platform/services.h"
#include "pdekit/BasePrintPanel.h"

namespace pdekit::testing {

// Kernel releases on either side of the gate: 9.8 gives 0x1058, 11.0 gives 0x1070.
inline constexpr const char* kBeforeGate = "9.8";
inline constexpr const char* kAtGate = "11.0";
inline constexpr const char* kPrinter = "Fax_Queue";

class TestPanel : public BasePrintPanel {
 public:
  using BasePrintPanel::BasePrintPanel;
};

struct PanelFixture {
  explicit PanelFixture(const char* kernelRelease = kBeforeGate, bool admin = true, std::string login = "alice") {
    auto prefs = std::make_unique<nx::platform::MemoryPreferences>();
    auto tk = std::make_unique<nx::platform::ui::HeadlessToolkit>();
    preferences = prefs.get();
    toolkit = tk.get();
    services = std::make_unique<nx::platform::Services>(
        std::move(prefs), nullptr, std::make_unique<nx::platform::FixedIdentity>(login, admin), nullptr, nullptr,
        std::make_unique<nx::platform::FixedKernelRelease>(kernelRelease), std::move(tk));
    panel = std::make_unique<TestPanel>(&host, *services);
    auto v = toolkit->CreateView("TestPane");
    view = v.get();
    panel->CreatePanel(std::move(v));
    panel->SetCurrentPrintSettings(&settings, nullptr, &host, &session);
  }

  nx::platform::ui::Element& Add(nx::platform::ui::ElementKind kind, int tag) { return view->AddElement(kind, tag); }

  // Adds `control` to the panel and initialises it (blocks allocated, events wired).
  template <class C>
  std::shared_ptr<C> Wire(std::shared_ptr<C> control) {
    panel->RunTimeAddNewControl(control);
    control->InitializeCtrl(nullptr, nullptr);
    control->setTargetandAction();
    return control;
  }

  nx::platform::PrefDomain Domain(nx::platform::PrefUser user = nx::platform::PrefUser::kCurrent) const {
    return {std::string(nx::platform::kAnyApplication), user, nx::platform::PrefHost::kCurrent};
  }

  std::string Setting(const std::string& key) const {
    std::string v = "<absent>";
    settings.GetValue(key, v);
    return v;
  }

  nx::platform::MemoryPreferences* preferences = nullptr;
  nx::platform::ui::HeadlessToolkit* toolkit = nullptr;
  std::unique_ptr<nx::platform::Services> services;
  BasicPrintSession session{kPrinter};
  BasicPrintSettings settings;
  BasicHostCallback host{&session, &settings, nullptr};
  std::unique_ptr<TestPanel> panel;
  nx::platform::ui::View* view = nullptr;
};

}  // namespace pdekit::testing
