// The services registry; see services.h.
#include "nx/platform/services.h"

#include "nx/platform/headless_toolkit.h"

namespace nx::platform {

Services::Services(std::unique_ptr<Preferences> preferences, std::unique_ptr<Folders> folders,
                   std::unique_ptr<Identity> identity, std::unique_ptr<Network> network,
                   std::unique_ptr<HelpService> help, std::unique_ptr<KernelReleaseSource> kernel_release,
                   std::unique_ptr<ui::Toolkit> toolkit)
    : preferences_(preferences ? std::move(preferences) : std::make_unique<MemoryPreferences>()),
      folders_(folders ? std::move(folders) : std::make_unique<LinuxFolders>()),
      identity_(identity ? std::move(identity) : std::make_unique<LinuxIdentity>()),
      network_(network ? std::move(network) : std::make_unique<LinuxNetwork>()),
      help_(help ? std::move(help) : std::make_unique<RecordingHelp>()),
      kernel_release_(kernel_release ? std::move(kernel_release) : std::make_unique<EnvironmentKernelRelease>()),
      toolkit_(toolkit ? std::move(toolkit) : std::make_unique<ui::HeadlessToolkit>()),
      notifications_(std::make_unique<NotificationCenter>()) {}

std::unique_ptr<Services> Services::Linux(std::unique_ptr<ui::Toolkit> toolkit) {
  return std::make_unique<Services>(std::make_unique<FilePreferences>(), std::make_unique<LinuxFolders>(),
                                    std::make_unique<LinuxIdentity>(), std::make_unique<LinuxNetwork>(),
                                    std::make_unique<DesktopHelp>(), std::make_unique<EnvironmentKernelRelease>(),
                                    std::move(toolkit));
}

int Services::SystemVersion() const {
  if (!system_version_) system_version_ = ProbeSystemVersion(*kernel_release_);
  return *system_version_;
}

}  // namespace nx::platform
