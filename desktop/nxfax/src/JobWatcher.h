// Follows a submitted job until the print system says it is done, held or gone wrong.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <string>

namespace nxfax {

struct JobStatus {
  int state = 0;           // IPP job-state (3 pending ... 9 completed); 0 when not known
  std::string reasons;     // job-state-reasons, comma-separated
  std::string message;     // job-printer-state-message
  std::string error;       // why the state could not be asked, when it could not
  bool Final() const { return state == 4 || state >= 7; }
};

// The job's state now (Get-Job-Attributes on the default server).
JobStatus QueryJob(int job);

// The status line for a state.
QString DescribeJob(int job, const JobStatus& status);

// Asks every `interval` ms and reports each change to `changed`, until a final state.
class JobWatcher : public QObject {
 public:
  JobWatcher(int job, int interval, std::function<void(const JobStatus&)> changed, QObject* parent = nullptr);

 private:
  void Poll();

  int job_;
  std::function<void(const JobStatus&)> changed_;
  QTimer timer_;
  JobStatus last_;
  bool reported_ = false;
};

}  // namespace nxfax
