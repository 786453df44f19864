// The communication settings window on the headless toolkit: a bundle folder holding the
// window's layout, test doubles for the services, and a scripted user.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "faxpde/CommunicationSettingsWindow.h"
#include "nx/phonebook/fax_record.h"
#include "nx/platform/bundle.h"
#include "nx/platform/headless_toolkit.h"
#include "nx/platform/help.h"
#include "nx/platform/identity.h"
#include "nx/platform/preferences.h"
#include "nx/platform/services.h"
#include "nx/platform/system_version.h"

namespace faxpde::testing {

using nx::platform::ui::Step;

class CommunicationWindowFixture {
 public:
  CommunicationWindowFixture() {
    char tmpl[] = "/tmp/faxpde-comm-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("no temporary folder");
    dir_ = tmpl;
    const std::string contents = dir_ + "/faxpde.plugin/Contents";
    std::filesystem::create_directories(contents + "/Resources/Help");
    std::ofstream(contents + "/Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>CFBundleIdentifier</key><string>com.norvalex.nb.q21.pde.DirectFax</string>"
           "<key>CFBundleHelpBookName</key><string>Fax Help</string></dict></plist>\n";
    std::filesystem::copy_file(
        std::string(NX_SOURCE_DIR) + "/faxpde/Resources/layouts/FaxCommunicationSettings.nxlayout",
        contents + "/Resources/FaxCommunicationSettings.nxlayout");
    std::filesystem::copy_file(std::string(NX_SOURCE_DIR) + "/faxpde/Resources/Help/Communication.htm",
                               contents + "/Resources/Help/Communication.htm");
    auto opened = nx::platform::Bundle::Open(dir_ + "/faxpde.plugin");
    if (!opened) throw std::runtime_error("bundle not readable");
    bundle = std::make_unique<nx::platform::Bundle>(std::move(*opened));

    auto tk = std::make_unique<nx::platform::ui::HeadlessToolkit>();
    toolkit = tk.get();
    auto recording = std::make_unique<nx::platform::RecordingHelp>();
    help = recording.get();
    services = std::make_unique<nx::platform::Services>(
        std::make_unique<nx::platform::MemoryPreferences>(), nullptr,
        std::make_unique<nx::platform::FixedIdentity>("alice", false), nullptr, std::move(recording),
        std::make_unique<nx::platform::FixedKernelRelease>("9.8"), std::move(tk));
    auto w = toolkit->LoadWindow(*bundle, "FaxCommunicationSettings");
    if (!w) throw std::runtime_error("layout not readable");
    window = std::make_shared<FaxPBCommunicationSettingsWindowsClass>(
        std::move(w), "Fax Phonebook Communication Settings Window Title String", nullptr, *services);
    if (!window->CreateDialog()) throw std::runtime_error("window not built");
    window->InitializeUserPane(bundle.get(), nullptr);
  }
  ~CommunicationWindowFixture() {
    window.reset();
    std::filesystem::remove_all(dir_);
  }
  CommunicationWindowFixture(const CommunicationWindowFixture&) = delete;
  CommunicationWindowFixture& operator=(const CommunicationWindowFixture&) = delete;

  // Runs the window on `record` with the scripted steps; true when left with OK.
  bool Open(nx::phonebook::FaxRecord& record, std::vector<Step> steps, CommunicationDeviceState device = {},
            int state = kCommunicationEditable) {
    toolkit->Push(std::move(steps));
    return window->ActivateWindow(&record, state, device);
  }

  nx::platform::ui::Element& Element(int tag) {
    auto* e = window->GetPanelControlPtr()->FindElement(tag);
    if (!e) throw std::runtime_error("no element " + std::to_string(tag));
    return *e;
  }
  std::vector<std::string> Rows(int tag = kCommDestList) {
    std::vector<std::string> rows;
    for (int i = 0; i < Element(tag).ItemCount(); ++i) rows.push_back(Element(tag).ItemTitle(i));
    return rows;
  }
  // A step that records what the window shows while it is open.
  template <class F>
  Step Check(F f) {
    return Step::Call([f](nx::platform::ui::HeadlessToolkit&, nx::platform::ui::View*) { f(); });
  }

  std::unique_ptr<nx::platform::Bundle> bundle;
  nx::platform::ui::HeadlessToolkit* toolkit = nullptr;
  nx::platform::RecordingHelp* help = nullptr;
  std::unique_ptr<nx::platform::Services> services;
  std::shared_ptr<FaxPBCommunicationSettingsWindowsClass> window;

 private:
  std::string dir_;
};

// A relay destination typed into the (1-99) field and added.
inline std::vector<Step> AddDestination(const std::string& text) {
  return {Step::Enter(kCommDest, text), Step::Click(kCommAddTo)};
}

}  // namespace faxpde::testing
