// The agent's notices on the user's desktop: notifications over the session bus
// (org.freedesktop.Notifications) whose action opens the fax dialog for the job. Built on Qt's
// D-Bus module when the desktop parts are built; otherwise Connect always says there is none
// and the agent logs its notices.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "nx/heldjobs/held_jobs.h"

namespace nx::heldjobs {

// The summary of a job's notification: "Fax: choose recipients for <title>".
std::string NoticeSummary(const HeldJob& job);

class DesktopNotifier {
 public:
  // `dialog` is the program started with "--job JOB-URI" when the user takes the action.
  // nullptr with *error when there is no session bus (or no Qt in this build).
  static std::unique_ptr<DesktopNotifier> Connect(std::vector<std::string> dialog,
                                                  std::string* error);
  virtual ~DesktopNotifier() = default;

  // Shows the job's notification, replacing one shown for it before; `waiting_since` > 0 says
  // the job has waited long. False with *error when the notification service refused or is
  // missing.
  virtual bool Notify(const HeldJob& job, std::time_t waiting_since, std::string* error) = 0;
  // Takes the job's notification back, when there is one.
  virtual void Close(int job_id) = 0;
  // Handles what the bus sends (an action taken, a notification closed) for up to `wait`.
  virtual void Pump(std::chrono::milliseconds wait) = 0;
};

}  // namespace nx::heldjobs
