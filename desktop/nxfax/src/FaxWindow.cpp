// The desktop program's window; see FaxWindow.h.
#include "FaxWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPixmap>
#include <QVBoxLayout>
#include <cstdio>

#include "DocumentPreview.h"
#include "FaxQueues.h"
#include "JobWatcher.h"
#include "Texts.h"
#include "nx/desktop/qt_toolkit.h"
#include "nx/platform/services.h"
#include "pdehost/JobTicket.h"

namespace nxfax {
namespace {

constexpr int kPreviewWidth = 220;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

FaxWindow::FaxWindow(nx::platform::Services& services, FaxSetup setup, QWidget* parent)
    : QWidget(parent), services_(services), setup_(std::move(setup)), submit_(pdehost::SubmitJob) {
  setObjectName(QStringLiteral("FaxWindow"));
  setWindowTitle(Text("Send Fax"));
  setWindowIcon(QIcon::fromTheme(QStringLiteral("nxfax")));

  auto* top = new QHBoxLayout;
  auto* documentLabel = new QLabel(Text("Document:"));
  documentName_ = new QLabel;
  documentName_->setObjectName(QStringLiteral("document"));
  documentName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* queueLabel = queueLabel_ = new QLabel(Text("Fax:"));
  queues_ = new QComboBox;
  queues_->setObjectName(QStringLiteral("queues"));
  queueLabel->setBuddy(queues_);
  top->addWidget(documentLabel);
  top->addWidget(documentName_, 1);
  top->addWidget(queueLabel);
  top->addWidget(queues_);

  tabs_ = new QTabWidget;
  tabs_->setObjectName(QStringLiteral("panels"));
  tabs_->setUsesScrollButtons(false);  // every panel's tab in sight
  preview_ = new QLabel(Text("Preview"));
  preview_->setObjectName(QStringLiteral("preview"));
  preview_->setAlignment(Qt::AlignCenter);
  preview_->setFrameShape(QFrame::StyledPanel);
  preview_->setMinimumSize(kPreviewWidth + 8, kPreviewWidth * 1414 / 1000 + 8);
  preview_->setWordWrap(true);
  preview_->setAccessibleName(Text("Preview"));
  pages_ = new QLabel;
  pages_->setObjectName(QStringLiteral("pages"));
  pages_->setAlignment(Qt::AlignCenter);
  auto* side = new QVBoxLayout;
  side->addWidget(preview_);
  side->addWidget(pages_);
  side->addStretch(1);
  auto* middle = new QHBoxLayout;
  middle->addWidget(tabs_, 1);
  middle->addLayout(side);

  status_ = new QLabel(Text("Ready."));
  status_->setObjectName(QStringLiteral("status"));
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  close_ = new QPushButton(Text("&Close"));
  send_ = new QPushButton(Text("&Send"));
  send_->setObjectName(QStringLiteral("send"));
  send_->setDefault(true);
  send_->setEnabled(false);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(close_);
  bottom->addWidget(send_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(middle, 1);
  layout->addLayout(bottom);

  connect(send_, &QPushButton::clicked, this, [this] { Send(); });
  connect(close_, &QPushButton::clicked, this, [this] {
    if (heldJob_ && !job_) CancelHeldJob();
    else close();
  });
  connect(queues_, &QComboBox::activated, this, [this](int index) {
    const std::string queue = queues_->itemData(index).toString().toStdString();
    if (queue == queue_ || sending_ || job_) return;
    QString why;
    if (!OpenSession(queue, &why)) Fail(Text("Cannot open the fax queue"), why);
  });
}

FaxWindow::~FaxWindow() {
  StopPreviews(this);
  CloseSession();
}

void FaxWindow::SetSubmitter(Submitter submit, int pollInterval) {
  submit_ = std::move(submit);
  pollInterval_ = pollInterval;
}

bool FaxWindow::SetQueues(const std::vector<FaxQueue>& queues, const std::string& preferred, QString* error) {
  queues_->clear();
  for (const auto& q : queues) queues_->addItem(q.info == q.name ? Q(q.name) : Q(q.info + " (" + q.name + ")"), Q(q.name));
  const int index = queues_->findData(Q(preferred));
  queues_->setCurrentIndex(index < 0 ? 0 : index);
  if (queues.empty()) {
    if (error) *error = Text("The print system has no queue for the fax driver. Add one with the fax PPD first.");
    return false;
  }
  return OpenSession(queues_->currentData().toString().toStdString(), error);
}

void FaxWindow::CloseSession() {
  // The tab widget must not delete the panels' widgets: their views own them.
  while (tabs_ && tabs_->count()) tabs_->removeTab(0);
  session_.reset();
  queue_.clear();
}

bool FaxWindow::OpenSession(const std::string& queue, QString* error) {
  CloseSession();
  auto session = std::make_unique<pdehost::PrintSession>(services_);
  pdehost::DialogSetup setup;
  setup.bundlesDir = setup_.bundlesDir;
  setup.bundles = setup_.bundles;
  setup.queue = queue;
  setup.ppdPath = setup_.ppdPath;
  setup.destination = pdekit::kPMDestinationPrinter;
  setup.options = heldOptions_;
  std::string why;
  if (!session->Open(setup, &why)) {
    if (error) *error = Q(why);
    send_->setEnabled(false);
    return false;
  }
  session_ = std::move(session);
  queue_ = queue;
  // As a print dialog opens: every panel shown once, in order, so that each restores its
  // values and is saved when the user sends.
  for (auto& p : session_->panels()) {
    for (const auto& problem : session_->ShowPanel(p)) std::fprintf(stderr, "nxfax: %s\n", problem.c_str());
    nx::platform::ui::View* view = p.panel->panelView();
    QWidget* page = view ? nx::desktop::WidgetOf(*view) : nullptr;
    if (!page) continue;
    tabs_->addTab(page, Q(p.name));
  }
  tabs_->setCurrentIndex(0);
  send_->setEnabled(!document_.isEmpty() || heldJob_);
  return true;
}

bool FaxWindow::SetHeldJob(const HeldJob& job, const QString& document, Completer complete, Canceller cancel,
                           QString* error) {
  heldJob_ = job.id;
  heldOptions_ = job.options;
  complete_ = std::move(complete);
  cancel_ = std::move(cancel);
  setWindowTitle(Text("Send Fax") + ": " + Q(job.title));
  queues_->clear();
  queues_->addItem(Q(job.queue), Q(job.queue));
  queues_->hide();
  queueLabel_->hide();
  close_->setText(Text("&Cancel"));
  close_->setToolTip(Text("Cancel the fax job"));
  if (!OpenSession(job.queue, error)) return false;
  if (!document.isEmpty()) SetDocument(document);
  else {
    preview_->setText(Text("Preview not available."));
    pages_->clear();
  }
  documentName_->setText(Q(job.title));
  documentName_->setToolTip(Q(job.title));
  send_->setEnabled(true);
  return true;
}

bool FaxWindow::CancelHeldJob() {
  if (!heldJob_ || job_ || sending_) return false;
  std::string why;
  if (cancel_ && !cancel_(&why)) {
    Fail(Text("The fax job could not be cancelled"), Q(why));
    return false;
  }
  close();
  return true;
}

pdehost::PrintResult FaxWindow::RunPrintSequence() {
  sending_ = true;
  send_->setEnabled(false);
  SetStatus(Text("Sending…"));
  try {
    return session_->Print();
  } catch (...) {
    return {false, "a plug-in failed while printing"};
  }
}

bool FaxWindow::SendHeldJob() {
  close_->setEnabled(false);
  const pdehost::PrintResult result = RunPrintSequence();
  auto done = [this](bool sent) {
    sending_ = false;
    send_->setEnabled(!sent);
    close_->setEnabled(true);
    if (sent) close_->setText(Text("&Close"));
    return sent;
  };
  if (!result.printed) {
    // The job stays held: Send may be pressed again, Cancel cancels it.
    SetStatus(Text("Cancelled: nothing was sent."));
    status_->setToolTip(Q(result.cancelReason));
    return done(false);
  }
  const pdehost::JobOptionList options = session_->JobOptions();
  std::string message;
  const bool completed = complete_ && complete_(options, session_->ppd(), &message);
  if (!completed) {
    Fail(Text("The fax was not sent"), Q(message));
    return done(false);
  }
  job_ = heldJob_;
  sent_ = options;
  std::printf("nxfax: %s\n", message.c_str());
  std::fflush(stdout);
  SetStatus(DescribeJob(job_, {}));
  watcher_ = new JobWatcher(job_, pollInterval_, [this](const JobStatus& s) { SetStatus(DescribeJob(job_, s)); }, this);
  return done(true);
}

void FaxWindow::SetDocument(const QString& path) {
  document_ = path;
  documentName_->setText(QFileInfo(path).fileName());
  documentName_->setToolTip(path);
  send_->setEnabled(session_ != nullptr && !job_);
  preview_->setText(Text("Preview"));
  pages_->clear();
  MakePreview(this, path, kPreviewWidth, [this](Preview p) {
    if (!p.firstPage.isNull()) preview_->setPixmap(QPixmap::fromImage(p.firstPage));
    else preview_->setText(p.note);
    if (p.pages > 0) pages_->setText(Text("%n page(s)").replace(QStringLiteral("%n"), QString::number(p.pages)));
  });
}

void FaxWindow::SetStatus(const QString& text) {
  status_->setText(text);
  status_->setToolTip(text);
}

void FaxWindow::Fail(const QString& title, const QString& text) {
  SetStatus(title);
  QMessageBox box(QMessageBox::Critical, title, title, QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("nxfax-error"));
  box.setInformativeText(text);
  box.exec();
}

bool FaxWindow::Send() {
  if (heldJob_) return session_ && !sending_ && !job_ && SendHeldJob();
  if (!session_ || document_.isEmpty() || sending_ || job_) return false;
  queues_->setEnabled(false);
  const pdehost::PrintResult result = RunPrintSequence();
  auto done = [this](bool sent) {
    sending_ = false;
    send_->setEnabled(!sent);
    queues_->setEnabled(!sent);
    return sent;
  };
  if (!result.printed) {
    SetStatus(Text("Cancelled: nothing was sent."));
    status_->setToolTip(Q(result.cancelReason));
    return done(false);
  }
  const pdehost::JobOptionList options = session_->JobOptions();
  pdehost::JobOptionList fitted = options;
  std::string why;
  if (!pdehost::FitTicketToServer(fitted, &why)) {
    Fail(Text("The fax was not sent"), Text("The fax settings are too large for the print system: %1").arg(Q(why)));
    return done(false);
  }
  const std::string file = document_.toStdString();
  const std::string title = QFileInfo(document_).fileName().toStdString();
  const int job = submit_(queue_, file, title, options, &why);
  if (job <= 0) {
    Fail(Text("The fax was not sent"), Q(why));
    return done(false);
  }
  job_ = job;
  sent_ = options;
  // As lp says it: scripts and the desktop's own tests learn the job from it.
  std::printf("request id is %s-%d\n", queue_.c_str(), job);
  std::fflush(stdout);
  RememberQueue(queue_, services_.preferences());
  SetStatus(DescribeJob(job, {}));
  watcher_ = new JobWatcher(job, pollInterval_, [this](const JobStatus& s) { SetStatus(DescribeJob(job_, s)); }, this);
  return done(true);
}

}  // namespace nxfax
