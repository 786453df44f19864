// The desktop program's window: a document, a fax queue, the plug-ins' panels in tabs, a
// preview of the first page, and Send, which runs the print sequence (the panels' windows
// open as nested modal dialogs), submits the job and follows it in the status line.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pdehost/JobOptions.h"
#include "pdehost/PrintSession.h"

class QComboBox;

namespace nx::platform {
class Services;
}

namespace nxfax {

class JobWatcher;
struct FaxQueue;

struct FaxSetup {
  std::string bundlesDir;             // empty: the installed plug-ins
  std::vector<std::string> bundles;  // empty: every bundle there
  std::string ppdPath;               // empty: the queue's PPD from the print system
};

class FaxWindow : public QWidget {
 public:
  // Hands the job to the print system: the job id, or 0 with `*error`.
  using Submitter = std::function<int(const std::string& queue, const std::string& file, const std::string& title,
                                      const pdehost::JobOptionList& options, std::string* error)>;

  FaxWindow(nx::platform::Services& services, FaxSetup setup, QWidget* parent = nullptr);
  ~FaxWindow() override;

  // The queues offered and the one to start with; opens the session on it. False with `*error`.
  bool SetQueues(const std::vector<FaxQueue>& queues, const std::string& preferred, QString* error);
  // The document to send; its preview is made in the background.
  void SetDocument(const QString& path);
  // Replaces pdehost::SubmitJob (tests) and how often the job is asked after (ms).
  void SetSubmitter(Submitter submit, int pollInterval = 1000);

  // A job the print server holds instead of a file: the session opens on its queue with its own
  // options marked, there is no queue to pick, Send hands what the panels wrote to `complete`
  // and the Cancel button cancels the job through `cancel`. `document` is a copy of the job's
  // document for the preview, or empty when the server gave none.
  struct HeldJob {
    int id = 0;
    std::string queue;
    std::string title;
    pdehost::JobOptionList options;
  };
  // True when the job was completed; else `*message` says why (for the user).
  using Completer = std::function<bool(const pdehost::JobOptionList& dialogOptions, ppd_file_t* ppd,
                                       std::string* message)>;
  using Canceller = std::function<bool(std::string* error)>;
  bool SetHeldJob(const HeldJob& job, const QString& document, Completer complete, Canceller cancel,
                  QString* error);

  // Send: the print sequence, then the submission (or the held job's completion). True when a
  // job was submitted or completed.
  bool Send();
  // The held job's Cancel: cancels the job and closes the window. False when it could not.
  bool CancelHeldJob();

  QTabWidget* tabs() const { return tabs_; }
  QLabel* statusLine() const { return status_; }
  QPushButton* sendButton() const { return send_; }
  QPushButton* closeButton() const { return close_; }
  QLabel* pagesLabel() const { return pages_; }
  QLabel* previewLabel() const { return preview_; }
  QComboBox* queuePicker() const { return queues_; }
  pdehost::PrintSession* session() const { return session_.get(); }
  int jobId() const { return job_; }
  // The options the last Send submitted, as the panels wrote them.
  const pdehost::JobOptionList& sentOptions() const { return sent_; }

 private:
  bool SendHeldJob();
  // Marks the window as sending and runs the print sequence; a plug-in's exception is a refusal.
  pdehost::PrintResult RunPrintSequence();
  bool OpenSession(const std::string& queue, QString* error);
  void CloseSession();
  void SetStatus(const QString& text);
  void Fail(const QString& title, const QString& text);

  nx::platform::Services& services_;
  FaxSetup setup_;
  std::unique_ptr<pdehost::PrintSession> session_;
  std::string queue_;
  QString document_;
  Submitter submit_;
  int pollInterval_ = 1000;
  int job_ = 0;
  bool sending_ = false;
  pdehost::JobOptionList sent_;
  JobWatcher* watcher_ = nullptr;
  // The held job's mode: its id (0 in the file mode), options and what Send and Cancel do.
  int heldJob_ = 0;
  pdehost::JobOptionList heldOptions_;
  Completer complete_;
  Canceller cancel_;

  QComboBox* queues_ = nullptr;
  QLabel* queueLabel_ = nullptr;
  QLabel* documentName_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QLabel* preview_ = nullptr;
  QLabel* pages_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* send_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace nxfax
