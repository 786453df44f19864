// Following a job; see JobWatcher.h.
#include "JobWatcher.h"

#include <cups/cups.h>

#include "Texts.h"

namespace nxfax {

JobStatus QueryJob(int job) {
  JobStatus s;
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const std::string uri = "ipp://localhost/jobs/" + std::to_string(job);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  static const char* const kWanted[] = {"job-state", "job-state-reasons", "job-printer-state-message"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, kWanted);
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (!response || ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    const char* why = cupsLastErrorString();
    s.error = why ? why : "no answer";
    ippDelete(response);
    return s;
  }
  if (ipp_attribute_t* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) s.state = ippGetInteger(a, 0);
  if (ipp_attribute_t* a = ippFindAttribute(response, "job-state-reasons", IPP_TAG_KEYWORD))
    for (int i = 0; i < ippGetCount(a); ++i) {
      if (!s.reasons.empty()) s.reasons += ", ";
      s.reasons += ippGetString(a, i, nullptr);
    }
  if (ipp_attribute_t* a = ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT))
    if (const char* m = ippGetString(a, 0, nullptr)) s.message = m;
  ippDelete(response);
  return s;
}

QString DescribeJob(int job, const JobStatus& s) {
  const QString why = QString::fromStdString(!s.message.empty() ? s.message : s.reasons);
  if (!s.error.empty()) return Text("Job %1: the print system does not answer (%2).").arg(job).arg(QString::fromStdString(s.error));
  switch (s.state) {
    case 3: return Text("Job %1: waiting.").arg(job);
    case 4: return Text("Job %1: held. %2").arg(job).arg(why);
    case 5: return Text("Job %1: sending.").arg(job);
    case 6: return Text("Job %1: stopped. %2").arg(job).arg(why);
    case 7: return Text("Job %1: cancelled. %2").arg(job).arg(why);
    case 8: return Text("Job %1: aborted. %2").arg(job).arg(why);
    case 9: return Text("Job %1: completed.").arg(job);
    default: return Text("Job %1: waiting.").arg(job);
  }
}

JobWatcher::JobWatcher(int job, int interval, std::function<void(const JobStatus&)> changed, QObject* parent)
    : QObject(parent), job_(job), changed_(std::move(changed)) {
  connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
  timer_.start(interval);
  QTimer::singleShot(0, this, [this] { Poll(); });
}

void JobWatcher::Poll() {
  const JobStatus s = QueryJob(job_);
  const bool changed = !reported_ || s.state != last_.state || s.message != last_.message ||
                       s.reasons != last_.reasons || s.error != last_.error;
  last_ = s;
  reported_ = true;
  if (s.Final()) timer_.stop();
  if (changed) changed_(s);
}

}  // namespace nxfax
