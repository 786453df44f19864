// The platform services one plug-in (or the filter, or the dialog host) works with, chosen at
// start-up and handed down: the Linux implementations in production, doubles in tests.
// Nothing here is a process-wide singleton.
#pragma once

#include <memory>
#include <optional>

#include "nx/platform/folders.h"
#include "nx/platform/help.h"
#include "nx/platform/identity.h"
#include "nx/platform/network.h"
#include "nx/platform/notifications.h"
#include "nx/platform/preferences.h"
#include "nx/platform/system_version.h"
#include "nx/platform/toolkit.h"

namespace nx::platform {

class Services {
 public:
  Services(std::unique_ptr<Preferences> preferences, std::unique_ptr<Folders> folders,
           std::unique_ptr<Identity> identity, std::unique_ptr<Network> network, std::unique_ptr<HelpService> help,
           std::unique_ptr<KernelReleaseSource> kernel_release, std::unique_ptr<ui::Toolkit> toolkit);

  // Linux implementations; the toolkit is the headless one until a desktop backend is given.
  static std::unique_ptr<Services> Linux(std::unique_ptr<ui::Toolkit> toolkit = nullptr);

  Preferences& preferences() const { return *preferences_; }
  const Folders& folders() const { return *folders_; }
  const Identity& identity() const { return *identity_; }
  const Network& network() const { return *network_; }
  NotificationCenter& notifications() const { return *notifications_; }
  HelpService& help() const { return *help_; }
  ui::Toolkit& toolkit() const { return *toolkit_; }
  // The 'sysv' number of the kernel release source, computed on first use.
  int SystemVersion() const;

 private:
  std::unique_ptr<Preferences> preferences_;
  std::unique_ptr<Folders> folders_;
  std::unique_ptr<Identity> identity_;
  std::unique_ptr<Network> network_;
  std::unique_ptr<HelpService> help_;
  std::unique_ptr<KernelReleaseSource> kernel_release_;
  std::unique_ptr<ui::Toolkit> toolkit_;
  std::unique_ptr<NotificationCenter> notifications_;
  mutable std::optional<int> system_version_;
};

}  // namespace nx::platform
